// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProxyStyle>

namespace quillary {

// The program's style: the platform's own, with a keyboard focus frame a person can see.
// The default frame around a focused check box or option is a faint tint of the highlight
// colour, easily lost; this one is two pixels of the full highlight colour.
class FocusFrameStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

    // Installs the style on the application; call once after QApplication exists.
    static void Install();
};

} // namespace quillary
