// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/PrintText.h"

#include <QPaintDevice>
#include <QPainter>

#include <algorithm>

namespace quillary {

namespace {
const QChar kEllipsis(0x2026);
}

PrintText::PrintText(const PrintTarget& target, float unitsPerInch, const QFont& font)
    : m_target(target), m_base(font) {
    // Paint devices turn points into pixels with their own dpi; rescale so a point is
    // 1/72 inch of the page the target stands for.
    const QPaintDevice* device = target.painter ? target.painter->device() : nullptr;
    const int dpi = device ? device->logicalDpiY() : 0;
    if (unitsPerInch > 0 && dpi > 0)
        m_scale = double(unitsPerInch) / double(dpi);
    // Unhinted glyphs scale evenly, so an image preview breaks lines where paper does.
    m_base.setHintingPreference(QFont::PreferNoHinting);
}

QFont PrintText::FontAt(double points) const {
    QFont font = m_base;
    const double size = points * m_scale;
    if (size > 0)
        font.setPointSizeF(size);
    return font;
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

PrintText::Fitted PrintText::Fit(const QString& text, double width, double height, bool shrink,
                                 int minPoints) const {
    Fitted fitted;
    const QPaintDevice* device = m_target.painter ? m_target.painter->device() : nullptr;
    if (!device)
        return fitted;
    const double minSize = std::max(minPoints, 1);
    double size = m_base.pointSizeF() > 0 ? m_base.pointSizeF() : 10.0;

    auto wrapAt = [&](double points) {
        fitted.points = points;
        fitted.font = FontAt(points);
        const QFontMetricsF metrics(fitted.font, const_cast<QPaintDevice*>(device));
        fitted.lines = WrapText(metrics, text, width, &fitted.totalHeight);
        fitted.lineHeight = metrics.height();
        fitted.width = 0;
        for (const QString& line : fitted.lines)
            fitted.width = std::max(fitted.width, metrics.horizontalAdvance(line));
    };

    wrapAt(size);
    if (!shrink)
        return fitted;
    while (!(fitted.totalHeight < height)) {
        size -= 0.5;
        if (size < minSize) {
            // Lines wrapped for a smaller font would run past the width at the minimum.
            if (fitted.points < minSize)
                wrapAt(minSize);
            else if (fitted.points != minSize) {
                fitted.points = minSize;
                fitted.font = FontAt(minSize);
                const QFontMetricsF metrics(fitted.font, const_cast<QPaintDevice*>(device));
                fitted.lineHeight = metrics.height();
            }
            break;
        }
        wrapAt(size);
    }
    return fitted;
}

void PrintText::DrawFitted(const Fitted& fitted, QPointF topLeft, double width, double height,
                           const QRectF& clip) const {
    QPainter* painter = m_target.painter;
    if (!painter || fitted.lines.isEmpty())
        return;
    const QFontMetricsF metrics(fitted.font, painter->device());
    const double lineHeight = metrics.height();

    qsizetype shown = 0;
    double sum = 0;
    for (; shown < fitted.lines.size(); ++shown) {
        sum += lineHeight;
        if (sum > height)
            break;
    }
    QStringList lines = fitted.lines.mid(0, shown);
    bool cut = false;
    for (qsizetype i = shown; i < fitted.lines.size(); ++i)
        if (!fitted.lines[i].trimmed().isEmpty())
            cut = true;
    if (cut && !lines.isEmpty()) {
        // Leave a sign that the note goes on.
        QString last = lines.last();
        while (!last.isEmpty() && last.back().isSpace())
            last.chop(1);
        while (!last.isEmpty() && metrics.horizontalAdvance(last + kEllipsis) > width)
            last.chop(1);
        lines.last() = last + kEllipsis;
    }

    painter->save();
    painter->setClipRect(clip, Qt::IntersectClip);
    painter->setFont(fitted.font);
    painter->setPen(Qt::black);
    double y = topLeft.y();
    for (const QString& line : lines) {
        if (!line.isEmpty())
            painter->drawText(QPointF(topLeft.x(), y + metrics.ascent()), line);
        y += lineHeight;
    }
    painter->restore();
}

void PrintText::DrawBlock(const QRectF& rect, const QString& text, bool shrink,
                          int minPoints) const {
    const Fitted fitted = Fit(text, rect.width(), rect.height(), shrink, minPoints);
    DrawFitted(fitted, rect.topLeft(), rect.width(), rect.height(), rect);
}

} // namespace quillary
