// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/FocusFrameStyle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPainter>
#include <QPen>
#include <QStyleOption>

namespace quillary {

void FocusFrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const {
    // Only buttons (check boxes, options, tool buttons) take the strong frame: lists and
    // tables already show their current row by its selection colour.
    if (element != PE_FrameFocusRect || !option || !painter ||
        !qobject_cast<const QAbstractButton*>(widget)) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, false);
    QPen pen(option->palette.color(QPalette::Active, QPalette::Highlight));
    pen.setWidth(2);
    pen.setJoinStyle(Qt::MiterJoin);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    // A two-pixel pen centred on rect's edge, kept inside it.
    painter->drawRect(QRectF(option->rect).adjusted(1, 1, -1, -1));
    painter->restore();
}

void FocusFrameStyle::Install() {
    if (qobject_cast<FocusFrameStyle*>(QApplication::style()))
        return;
    // No base style given: the proxy wraps the platform's default, as the program had.
    QApplication::setStyle(new FocusFrameStyle);
}

} // namespace quillary
