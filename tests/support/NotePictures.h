// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Pictures as notes hold them, for tests of what is written from them (PNG sizes, archives).

#include "storage/clsBitmap.h"

#include <random>

namespace quillary::test {

// What notes hold: pen strokes wandering over the page (two pixels wide) and a box.
inline clsBitmap Strokes(unsigned seed, int strokes) {
    clsBitmap b;
    b.InitializeBitmap(500, 500, 1);
    std::mt19937 rng(seed);
    for (int s = 0; s < strokes; ++s) {
        int x = int(rng() % 500), y = int(rng() % 500);
        const int dx = int(rng() % 3) - 1, dy = int(rng() % 3) - 1;
        for (int i = 0; i < 300; ++i) {
            b.SetPixel(x, y, true);
            b.SetPixel(x + 1, y, true);
            x += dx + int(rng() % 3) - 1;
            y += dy + int(rng() % 3) - 1;
        }
    }
    const int bx = int(rng() % 300), by = int(rng() % 300);
    for (int i = 0; i < 150; ++i) {
        b.SetPixel(bx + i, by, true);
        b.SetPixel(bx + i, by + 120, true);
        b.SetPixel(bx, by + i % 120, true);
        b.SetPixel(bx + 150, by + i % 120, true);
    }
    return b;
}

// Lines of handwriting: letters of a small alphabet, a little out of line.
inline clsBitmap Handwriting(unsigned seed) {
    clsBitmap b;
    b.InitializeBitmap(500, 500, 1);
    std::mt19937 rng(seed);
    bool glyphs[12][9][7];
    for (auto& g : glyphs)
        for (auto& row : g)
            for (bool& p : row)
                p = rng() % 3 == 0;
    for (int line = 0; line < 20; ++line)
        for (int c = 0; c < 50; ++c) {
            if (rng() % 7 == 0)
                continue; // a space
            const auto& g = glyphs[rng() % 12];
            const int x0 = 12 + c * 9, y0 = 15 + line * 24 + int(rng() % 3);
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 7; ++x)
                    if (g[y][x])
                        b.SetPixel(x0 + x, y0 + y, true);
        }
    return b;
}

// A shaded area: diagonal hatching inside a frame.
inline clsBitmap Hatched() {
    clsBitmap b;
    b.InitializeBitmap(500, 500, 1);
    for (int y = 100; y < 300; ++y)
        for (int x = 50; x < 450; ++x)
            if ((x + y) % 6 == 0 || y == 100 || y == 299 || x == 50 || x == 449)
                b.SetPixel(x, y, true);
    return b;
}

} // namespace quillary::test
