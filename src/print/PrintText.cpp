// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/PrintText.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>

namespace quillary {

namespace {

const QChar kEllipsis(0x2026);

// The device text is laid out on: 1200 dots per inch, so a point is 1200/72 layout units
// and the glyph advances are the font's own, not rounded to some screen's pixels.
const QImage& LayoutReference() {
    static const QImage reference = [] {
        QImage image(1, 1, QImage::Format_Mono);
        const int dotsPerMetre = int(PrintText::kLayoutUnitsPerInch / 0.0254); // 47244: 1200 dpi
        image.setDotsPerMeterX(dotsPerMetre);
        image.setDotsPerMeterY(dotsPerMetre);
        return image;
    }();
    return reference;
}

} // namespace

PrintText::PrintText(const PrintTarget& target, float unitsPerInch, const QFont& font)
    : m_target(target), m_base(font) {
    const QPaintDevice* device = target.painter ? target.painter->device() : nullptr;
    const int dpi = device ? device->logicalDpiY() : 0;
    m_unitsPerInch = unitsPerInch > 0 ? double(unitsPerInch) : double(std::max(dpi, 0));
    // Hinting bends glyphs to one resolution's pixel grid; without it the metrics scale
    // evenly and the layout holds on every target.
    m_base.setHintingPreference(QFont::PreferNoHinting);
}

QFont PrintText::FontAt(double points) const {
    // Paint devices turn points into pixels with their own dpi; rescale so a point is
    // 1/72 inch of the page the target stands for.
    QFont font = m_base;
    const QPaintDevice* device = m_target.painter ? m_target.painter->device() : nullptr;
    const int dpi = device ? device->logicalDpiY() : 0;
    const double size = dpi > 0 && m_unitsPerInch > 0 ? points * m_unitsPerInch / dpi : points;
    if (size > 0)
        font.setPointSizeF(size);
    return font;
}

QFont PrintText::LayoutFontAt(double points) const {
    QFont font = m_base;
    if (points > 0)
        font.setPointSizeF(points);
    return font;
}

QFontMetricsF PrintText::LayoutMetrics(const QFont& font) {
    return QFontMetricsF(font, &LayoutReference());
}

QStringList PrintText::WrapText(const QFontMetricsF& metrics, const QString& text, double width,
                                double* totalHeight) {
    QStringList lines;
    QString current;
    for (const QChar c : text) {
        if (c == QLatin1Char('\n')) {
            lines << current;
            current.clear();
            continue;
        }
        const QString candidate = current + c;
        // An empty line takes its first character even when it is wider than the whole
        // width: breaking before it would only add empty lines without end.
        if (c == QLatin1Char(' ') || current.isEmpty() ||
            metrics.horizontalAdvance(candidate) <= width) {
            current = candidate;
            continue;
        }
        const qsizetype space = candidate.lastIndexOf(QLatin1Char(' '));
        if (space >= 0) {
            lines << candidate.left(space + 1);
            current = candidate.mid(space + 1);
        } else {
            lines << current;
            current = QString(c);
        }
    }
    lines << current;
    if (totalHeight)
        *totalHeight = double(lines.size()) * metrics.height();
    return lines;
}

QString PrintText::Elide(const QFontMetricsF& metrics, QString line, double width) {
    while (!line.isEmpty() && line.back().isSpace())
        line.chop(1);
    while (!line.isEmpty() && metrics.horizontalAdvance(line + kEllipsis) > width)
        line.chop(1);
    return line + kEllipsis;
}

PrintText::Fitted PrintText::FitInches(const QString& text, double widthInches, double heightInches,
                                       bool shrink, int minPoints) const {
    Fitted fitted;
    if (!(m_unitsPerInch > 0))
        return fitted;
    const double width = widthInches * kLayoutUnitsPerInch;
    const double height = heightInches * kLayoutUnitsPerInch;
    const double minSize = std::max(minPoints, 1);
    double size = m_base.pointSizeF() > 0 ? m_base.pointSizeF() : 10.0;

    double total = 0;
    auto wrapAt = [&](double points) {
        fitted.points = points;
        fitted.lines = WrapText(LayoutMetrics(LayoutFontAt(points)), text, width, &total);
    };

    wrapAt(size);
    while (shrink && !(total < height)) {
        size -= 0.5;
        if (size < minSize) {
            // Lines wrapped for a smaller font would run past the width at the minimum;
            // lines wrapped for a larger one still fit.
            if (fitted.points < minSize)
                wrapAt(minSize);
            fitted.points = minSize;
            break;
        }
        wrapAt(size);
    }

    const QFontMetricsF metrics = LayoutMetrics(LayoutFontAt(fitted.points));
    fitted.layoutLineHeight = metrics.height();
    fitted.layoutAscent = metrics.ascent();
    // The lines that fit the height; a cut-off text says so on its last line shown.
    qsizetype shown = 0;
    double sum = 0;
    for (; shown < fitted.lines.size(); ++shown) {
        sum += fitted.layoutLineHeight;
        if (sum > height)
            break;
    }
    fitted.shown = fitted.lines.mid(0, shown);
    for (qsizetype i = shown; i < fitted.lines.size(); ++i)
        if (!fitted.lines[i].trimmed().isEmpty())
            fitted.cut = true;
    if (fitted.cut && !fitted.shown.isEmpty())
        fitted.shown.last() = Elide(metrics, fitted.shown.last(), width);
    for (const QString& line : fitted.shown)
        fitted.layoutWidth = std::max(fitted.layoutWidth, metrics.horizontalAdvance(line));

    const double toTarget = m_unitsPerInch / kLayoutUnitsPerInch;
    fitted.font = FontAt(fitted.points);
    fitted.lineHeight = fitted.layoutLineHeight * toTarget;
    fitted.totalHeight = double(fitted.lines.size()) * fitted.lineHeight;
    fitted.width = fitted.layoutWidth * toTarget;
    return fitted;
}

PrintText::Fitted PrintText::Fit(const QString& text, double width, double height, bool shrink,
                                 int minPoints) const {
    if (!(m_unitsPerInch > 0))
        return {};
    return FitInches(text, width / m_unitsPerInch, height / m_unitsPerInch, shrink, minPoints);
}

PrintText::Fitted PrintText::Elided(const Fitted& fitted, double widthInches) const {
    Fitted elided = fitted;
    const QFontMetricsF metrics = LayoutMetrics(LayoutFontAt(fitted.points));
    const double width = widthInches * kLayoutUnitsPerInch;
    elided.layoutWidth = 0;
    for (QString& line : elided.shown) {
        if (metrics.horizontalAdvance(line) > width)
            line = Elide(metrics, line, width);
        elided.layoutWidth = std::max(elided.layoutWidth, metrics.horizontalAdvance(line));
    }
    elided.width = elided.layoutWidth * m_unitsPerInch / kLayoutUnitsPerInch;
    return elided;
}

void PrintText::DrawFitted(const Fitted& fitted, QPointF topLeft, const QRectF& clip) const {
    QPainter* painter = m_target.painter;
    if (!painter || fitted.shown.isEmpty() || !(m_unitsPerInch > 0))
        return;
    const int dpi = painter->device()->logicalDpiY();
    if (dpi <= 0)
        return;
    painter->save();
    painter->setClipRect(clip, Qt::IntersectClip);
    // Layout units from here on: the font is sized so a point is 1200/72 of them on this
    // device, and the painter scales them to the target's units.
    painter->translate(topLeft);
    const double scale = m_unitsPerInch / kLayoutUnitsPerInch;
    painter->scale(scale, scale);
    QFont font = LayoutFontAt(fitted.points);
    font.setPointSizeF(fitted.points * kLayoutUnitsPerInch / dpi);
    painter->setFont(font);
    painter->setPen(Qt::black);
    double y = 0;
    for (const QString& line : fitted.shown) {
        if (!line.isEmpty())
            painter->drawText(QPointF(0, y + fitted.layoutAscent), line);
        y += fitted.layoutLineHeight;
    }
    painter->restore();
}

} // namespace quillary
