// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "print/clsPrintData.h"

#include <QFont>
#include <QFontMetricsF>
#include <QRectF>
#include <QStringList>

namespace quillary {

// Text on a print target. Text is laid out once, in layout units (1/1200 inch) with the
// font's unhinted metrics on a fixed 1200-dpi reference, and that layout is drawn on every
// target under a scale: the preview, a PDF, a printer and an image break lines at the same
// places, shrink to the same size and cut off at the same line, whatever their resolution.
class PrintText {
public:
    // Layout units per inch.
    static constexpr double kLayoutUnitsPerInch = 1200;

    // unitsPerInch: of the page as measured; 0 (resolution unknown) uses the device's own.
    PrintText(const PrintTarget& target, float unitsPerInch, const QFont& font);

    struct Fitted {
        QFont font;        // the size on the target's device, for measuring there
        double points = 0; // the size on paper
        QStringList lines; // wrapped lines, without line feeds
        // The lines drawn: those that fit the height; when more text follows, the last one
        // ends in an ellipsis.
        QStringList shown;
        bool cut = false;
        // Target units.
        double lineHeight = 0;
        double totalHeight = 0; // of all the lines
        double width = 0;       // the widest line shown
        // Layout units.
        double layoutLineHeight = 0;
        double layoutAscent = 0;
        double layoutWidth = 0; // the widest line shown
    };

    double UnitsPerInch() const { return m_unitsPerInch; }
    // The font of the given point size on the target's device.
    QFont FontAt(double points) const;
    // The font of the given point size on the layout reference, and its metrics there.
    QFont LayoutFontAt(double points) const;
    static QFontMetricsF LayoutMetrics(const QFont& font);

    // Wraps text at widthInches; with shrink, lowers the size by half points until the
    // lines are less high than heightInches or the size would go under minPoints; then
    // keeps the lines that fit heightInches.
    Fitted FitInches(const QString& text, double widthInches, double heightInches, bool shrink,
                     int minPoints) const;
    // The same with width and height in target units.
    Fitted Fit(const QString& text, double width, double height, bool shrink, int minPoints) const;
    // The shown lines cut down to widthInches, each ending in an ellipsis where it was cut.
    Fitted Elided(const Fitted& fitted, double widthInches) const;
    // Draws the shown lines from topLeft (target units) down, clipped to clip.
    void DrawFitted(const Fitted& fitted, QPointF topLeft, const QRectF& clip) const;

    // Breaks text into lines no wider than width where it can: at line feeds, after the
    // last space that fits, or inside a word longer than the width. Spaces never break a
    // line. Every line, empty ones included, counts one line height.
    static QStringList WrapText(const QFontMetricsF& metrics, const QString& text, double width,
                                double* totalHeight = nullptr);
    // line without its trailing spaces, shortened until it and an ellipsis fit width, with
    // the ellipsis.
    static QString Elide(const QFontMetricsF& metrics, QString line, double width);

private:
    const PrintTarget& m_target;
    QFont m_base;
    double m_unitsPerInch = 0; // target units per inch
};

} // namespace quillary
