// SPDX-License-Identifier: GPL-3.0-or-later
#include "printwindows/ctlElidedLabel.h"

#include <QPainter>
#include <QStyle>

namespace quillary {

ctlElidedLabel::ctlElidedLabel(QWidget* parent) : QLabel(parent) {}

void ctlElidedLabel::SetFullText(const QString& text) {
    setText(text);
    UpdateTip();
    update();
}

QRect ctlElidedLabel::TextRect() const {
    // QLabel's own text margins: its margin and, with a frame, half an 'x' of indent.
    const int indent = this->indent() >= 0 ? this->indent()
                       : frameWidth() > 0  ? fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2
                                           : 0;
    return contentsRect().adjusted(margin() + indent, margin(), -(margin() + indent), -margin());
}

QString ctlElidedLabel::ShownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideRight, std::max(TextRect().width(), 0));
}

void ctlElidedLabel::UpdateTip() {
    setToolTip(ShownText() == text() ? QString() : text());
}

void ctlElidedLabel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event); // the frame; the text is drawn here, shortened
    QPainter painter(this);
    const QString shown = ShownText();
    // A shortened text starts at the left, so its beginning is what shows.
    const Qt::Alignment align =
        shown == text() ? alignment() : (alignment() & Qt::AlignVertical_Mask) | Qt::AlignLeft;
    style()->drawItemText(&painter, TextRect(), int(align), palette(), isEnabled(), shown,
                          foregroundRole());
}

void ctlElidedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    UpdateTip();
}

} // namespace quillary
