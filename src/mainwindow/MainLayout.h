// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

namespace quillary {

// Pane geometry of the main window, in twips (1/1440 inch) as the window's stored
// geometry is. The picture sits above a draggable divider, the note text below it.
//
// The divider offset s is measured from the divider's place in a window 2760 twips high;
// it is clamped so the picture keeps at least 400 twips and the text 320 twips.
struct MainLayout {
    static constexpr int kMinWidth = 4490;
    static constexpr int kMinHeight = 2760;
    static constexpr int kInitialOffset = -930;
    static constexpr int kDividerHeight = 75;
    static constexpr int kPictureTop = 600; // below the toolbars and selectors

    int width = 0;  // W, at least kMinWidth
    int height = 0; // H, at least kMinHeight
    int offset = 0; // s after clamping (the applied offset)
    QRect picture;  // drbNote
    QRect divider;  // fmeDivide
    QRect text;     // txtNote
    int notesWidth = 0; // lstNotes

    // windowWidth/Height: the window's size in twips (H as the layout formulas take it);
    // offset: the wanted divider offset.
    static MainLayout Compute(int windowWidth, int windowHeight, int offset);
};

// 1 pixel = 15 twips on a 96-dpi screen, the scale the stored window geometry uses.
constexpr int kTwipsPerPixel = 15;
constexpr int PixelsToTwips(int px) { return px * kTwipsPerPixel; }
constexpr int TwipsToPixels(int tw) {
    return (tw >= 0 ? tw + kTwipsPerPixel / 2 : tw - kTwipsPerPixel / 2) / kTwipsPerPixel;
}

} // namespace quillary
