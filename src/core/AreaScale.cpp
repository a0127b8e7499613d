// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/AreaScale.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quillary {

namespace {

// One new pixel's share of the old pixels along an axis: weights summing to 1.
struct Span {
    int first = 0;
    std::vector<double> weights;
};

std::vector<Span> Spans(int from, int to) {
    std::vector<Span> spans(size_t(std::max(to, 0)));
    const double step = double(from) / double(to); // old pixels per new pixel
    for (int d = 0; d < to; ++d) {
        Span& span = spans[size_t(d)];
        if (step <= 1) {
            // Growing (or the same size): the old pixel under the new one's centre.
            span.first = std::clamp(int(std::floor((d + 0.5) * step)), 0, from - 1);
            span.weights = {1.0};
            continue;
        }
        const double start = d * step;
        const double end = std::min((d + 1) * step, double(from));
        span.first = int(std::floor(start));
        for (int s = span.first; s < end && s < from; ++s) {
            const double cover = std::min(end, s + 1.0) - std::max(start, double(s));
            span.weights.push_back(cover / step);
        }
    }
    return spans;
}

} // namespace

QImage AreaScaled(const QImage& picture, QSize size) {
    if (picture.isNull() || size.isEmpty())
        return {};
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    const int sw = grey.width();
    const int sh = grey.height();
    const int dw = size.width();
    const int dh = size.height();
    const std::vector<Span> across = Spans(sw, dw);
    const std::vector<Span> down = Spans(sh, dh);

    // Across first, into one row of doubles per old row; then down.
    std::vector<double> rows(size_t(sh) * size_t(dw));
    for (int y = 0; y < sh; ++y) {
        const uchar* in = grey.constScanLine(y);
        double* out = rows.data() + size_t(y) * size_t(dw);
        for (int x = 0; x < dw; ++x) {
            const Span& span = across[size_t(x)];
            double sum = 0;
            for (size_t i = 0; i < span.weights.size(); ++i)
                sum += span.weights[i] * in[span.first + int(i)];
            out[x] = sum;
        }
    }
    QImage result(dw, dh, QImage::Format_Grayscale8);
    if (result.isNull())
        return result;
    for (int y = 0; y < dh; ++y) {
        const Span& span = down[size_t(y)];
        uchar* out = result.scanLine(y);
        for (int x = 0; x < dw; ++x) {
            double sum = 0;
            for (size_t i = 0; i < span.weights.size(); ++i)
                sum += span.weights[i] * rows[size_t(span.first + int(i)) * size_t(dw) + size_t(x)];
            out[x] = uchar(std::clamp(int(std::lround(sum)), 0, 255));
        }
    }
    result.setDotsPerMeterX(picture.dotsPerMeterX());
    result.setDotsPerMeterY(picture.dotsPerMeterY());
    return result;
}

} // namespace quillary
