// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainStatusBar.h"

#include <QChildEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyleOption>

#include <algorithm>

namespace quillary {

namespace {

constexpr int kMaxLines = 3;
// Narrower than this many characters, wrapping would not make a message readable.
constexpr int kMinRoomChars = 12;
constexpr int kFlags = Qt::AlignLeading | Qt::AlignVCenter | Qt::TextWordWrap;

} // namespace

MainStatusBar::MainStatusBar(QWidget* parent) : QStatusBar(parent) {
    connect(this, &QStatusBar::messageChanged, this, &MainStatusBar::FitMessage);
}

QRect MainStatusBar::MessageRect() const {
    // As the base class places its message: 6 pixels in, up to 2 pixels before the
    // first panel shown or the size grip (the other widgets are hidden while it shows).
    int right = width() - 12;
    for (const QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child->isVisible() && !child->isWindow())
            right = std::min(right, child->x() - 2);
    return QRect(6, 0, std::max(0, right - 6), height());
}

int MainStatusBar::MessageLines() const {
    const QString message = currentMessage();
    if (message.isEmpty())
        return 0;
    const QRect room = MessageRect();
    if (room.width() < kMinRoomChars * fontMetrics().averageCharWidth())
        return 1; // cut where it is, as one line
    const QRect needed =
        fontMetrics().boundingRect(QRect(0, 0, room.width(), 1 << 16), kFlags, message);
    return std::max(1, (needed.height() + fontMetrics().lineSpacing() / 2) /
                           fontMetrics().lineSpacing());
}

void MainStatusBar::FitMessage() {
    const int needed = MessageLines();
    const int lines = std::min(needed, kMaxLines);
    const int extra = lines > 1 ? (lines - 1) * fontMetrics().lineSpacing() : 0;
    setMinimumHeight(extra ? QStatusBar::sizeHint().height() + extra : 0);
    // What is cut off can still be read by pointing at the bar.
    const QString message = currentMessage();
    const bool cut =
        needed > kMaxLines ||
        (needed == 1 && fontMetrics().horizontalAdvance(message) > MessageRect().width());
    setToolTip(cut ? message : QString());
    update();
}

void MainStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    if (!currentMessage().isEmpty() && event->size().width() != event->oldSize().width())
        FitMessage();
}

void MainStatusBar::childEvent(QChildEvent* event) {
    QStatusBar::childEvent(event);
    if (event->added() && event->child()->isWidgetType())
        event->child()->installEventFilter(this);
}

bool MainStatusBar::eventFilter(QObject* watched, QEvent* event) {
    // The room for the message ends at the first panel: when a panel moves or changes its
    // width (a message shown before the bar was laid out, a new note's longer texts), the
    // lines the message needs change too.
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        if (watched->parent() == this && !currentMessage().isEmpty())
            FitMessage();
        break;
    default:
        break;
    }
    return QStatusBar::eventFilter(watched, event);
}

void MainStatusBar::paintEvent(QPaintEvent* event) {
    QStatusBar::paintEvent(event); // the bar and the panels' frames
    const QString message = currentMessage();
    if (message.isEmpty())
        return;
    // The base class drew the message on one line, cut at the first panel: draw it again
    // over that, wrapped.
    const QRect room = MessageRect();
    QPainter painter(this);
    painter.setClipRect(room);
    painter.fillRect(room, palette().brush(backgroundRole()));
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_PanelStatusBar, &option, &painter, this);
    painter.setPen(palette().windowText().color());
    // More lines than the bar holds: its start stays readable (the tool tip has the rest).
    const bool tooTall = fontMetrics().boundingRect(room, kFlags, message).height() > room.height();
    painter.drawText(room, tooTall ? (kFlags & ~Qt::AlignVCenter) | Qt::AlignTop : kFlags, message);
}

} // namespace quillary
