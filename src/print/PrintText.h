// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "print/clsPrintData.h"

#include <QFont>
#include <QFontMetricsF>
#include <QRectF>
#include <QStringList>

namespace quillary {

// Text on a print target: the print font sized in the target's units (points are
// 1/72 inch of the page the target stands for), word wrap, shrinking to fit, drawing.
class PrintText {
public:
    // unitsPerInch: of the page as measured; 0 (resolution unknown) uses the device's own.
    PrintText(const PrintTarget& target, float unitsPerInch, const QFont& font);

    struct Fitted {
        QFont font;        // in device units
        double points = 0; // the size on paper
        QStringList lines; // wrapped lines, without line feeds
        double lineHeight = 0;
        double totalHeight = 0;
        double width = 0; // the widest line
    };

    // The font of the given point size in the target's units.
    QFont FontAt(double points) const;
    // Wraps text at width; with shrink, lowers the size by half points until the lines are
    // less high than height or the size would go under minPoints.
    Fitted Fit(const QString& text, double width, double height, bool shrink, int minPoints) const;
    // Draws the lines from topLeft down while they fit into height, clipped to clip; a text
    // cut off ends its last drawn line in an ellipsis.
    void DrawFitted(const Fitted& fitted, QPointF topLeft, double width, double height,
                    const QRectF& clip) const;
    // Fit and draw into rect.
    void DrawBlock(const QRectF& rect, const QString& text, bool shrink, int minPoints) const;

    // Breaks text into lines no wider than width where it can: at line feeds, after the
    // last space that fits, or inside a word longer than the width. Spaces never break a
    // line. Every line, empty ones included, counts one line height.
    static QStringList WrapText(const QFontMetricsF& metrics, const QString& text, double width,
                                double* totalHeight = nullptr);

private:
    const PrintTarget& m_target;
    QFont m_base;
    double m_scale = 1; // font points -> device points
};

} // namespace quillary
