// SPDX-License-Identifier: GPL-3.0-or-later
#include "ElidingComboBox.h"

#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace quillary {

QRect ElidingComboBox::TextRect(const QStyleOptionComboBox& option) const {
    return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField,
                                   this);
}

QString ElidingComboBox::ShownText() const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return fontMetrics().elidedText(option.currentText, Qt::ElideRight, TextRect(option).width());
}

void ElidingComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = ShownText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

} // namespace quillary
