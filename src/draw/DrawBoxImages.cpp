// SPDX-License-Identifier: GPL-3.0-or-later
#include "DrawBoxImages.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

static void InitDrawResources() {
    Q_INIT_RESOURCE(draw);
}

namespace quillary {

namespace {

const char* const kButtonFiles[] = {"pencil", "eraser", "line",     "region",
                                    "text",   "fill",   "rectangle"};

void EnsureResources() {
    // The images live in a static library; the linker keeps them only when asked for.
    static const bool done = (InitDrawResources(), true);
    (void)done;
}

} // namespace

QIcon DrawBoxImages::ToolIcon(int index) {
    EnsureResources();
    if (index < 0 || index >= int(std::size(kButtonFiles)))
        return QIcon();
    return QIcon(QStringLiteral(":/draw/images/%1.svg").arg(QLatin1String(kButtonFiles[index])));
}

QCursor DrawBoxImages::SvgCursor(const QString& path, int hotX, int hotY) {
    EnsureResources();
    QSvgRenderer renderer(path);
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    return QCursor(pixmap, hotX, hotY);
}

// Hot spots: the pencil's tip, the middle of the eraser's square.
QCursor DrawBoxImages::PencilCursor() {
    return SvgCursor(QStringLiteral(":/draw/images/cursor_pencil.svg"), 0, 31);
}

QCursor DrawBoxImages::EraserCursor() {
    return SvgCursor(QStringLiteral(":/draw/images/cursor_eraser.svg"), 16, 16);
}

} // namespace quillary
