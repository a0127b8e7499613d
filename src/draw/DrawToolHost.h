// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QRect>

namespace quillary {

// What a drawing tool may ask of the control it works in. Positions are surface pixels.
class DrawToolHost {
public:
    // A straight segment, both ends included, with the current stroke width.
    virtual void DrawSegment(QPoint from, QPoint to, bool black) = 0;
    // The picture was edited (sets the control's DirtyFlag).
    virtual void MarkDirty() = 0;
    // Ends a floating selection, its pixels staying where they are.
    virtual void CommitSelection() = 0;

    // The Line tool's preview, drawn over the surface and never into it.
    virtual void ShowLinePreview(QPoint from, QPoint to) = 0;
    virtual void HideLinePreview() = 0;

    // Sets the selection rectangle spanned by two points, cut to the surface; returns it.
    virtual QRect NormalizeSelection(QPoint anchor, QPoint end) = 0;
    // Frames the selection rectangle (the rubber band), touching no pixel.
    virtual void ShowSelectionFrame() = 0;
    // Lifts the selection rectangle into a floating selection; the picture looks the same.
    virtual void FloatSelection() = 0;
    // Nothing is selected any more.
    virtual void SelectNothing() = 0;

protected:
    ~DrawToolHost() = default;
};

} // namespace quillary
