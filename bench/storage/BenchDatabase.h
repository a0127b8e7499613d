// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The 5000-note database the storage benchmarks and bench/files/compare.sh measure:
// sketched pictures (lines, boxes, scribbles) and short texts, about 37 MB.

#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"

#include <random>
#include <string>
#include <vector>

namespace quillary::bench {

// Lines, boxes and scribbles: what notes hold, with rows that repeat and rows that change.
inline clsBitmap MakeSketch(unsigned seed) {
    clsBitmap b;
    b.InitializeBitmap(500, 500, 1);
    std::mt19937 rng(seed);
    for (int stroke = 0; stroke < 12; ++stroke) {
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

// Writes the database to path; false when it cannot be written.
inline bool WriteBenchDatabase(const std::string& path, int notes = 5000) {
    clsDatabase db;
    db.m_NewNoteTitle = [] { return std::string("3/14/26 4:07 pm - "); };
    db.AddNewDatabase();
    std::vector<std::vector<uint8_t>> pictures;
    for (unsigned s = 0; s < 64; ++s) {
        std::vector<uint8_t> enc;
        MakeSketch(s).GetPalmBitmap(enc);
        pictures.push_back(std::move(enc));
    }
    for (int i = 0; i < notes; ++i) {
        db.AddNewRecord(i);
        clsQuillaryItem* note = db.GetRecordObject(i);
        note->SetText("Note " + std::to_string(i) + "\nSome words about it.\n" +
                      std::string(size_t(i % 300), 'x'));
        note->SetBitmapData(pictures[size_t(i) % pictures.size()]);
        note->attributes = uint8_t(i % 4);
    }
    return db.ExportDatabase(path);
}

} // namespace quillary::bench
