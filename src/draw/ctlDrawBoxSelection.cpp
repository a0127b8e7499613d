// SPDX-License-Identifier: GPL-3.0-or-later
// The picture editor's floating selection, its clipboard commands and its context menu.
#include "ctlDrawBox.h"

#include "BitmapImage.h"
#include "DrawBoxImages.h"
#include "DrawBoxLayout.h"
#include "DrawSurface.h"
#include "EraserTool.h"
#include "LineTool.h"
#include "MonoRaster.h"
#include "PencilTool.h"
#include "PictureChangeCommand.h"
#include "session/PictureHistories.h"
#include "RegionTool.h"
#include "clsPopupMenu.h"
#include "core/PlatformServices.h"
#include "core/modGlobals.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <utility>

namespace quillary {

// --- The floating selection -------------------------------------------------------

QRect ctlDrawBox::NormalizeSelection(QPoint anchor, QPoint end) {
    m_Selection.Normalize(anchor, end, m_Surface->Image().size());
    return m_Selection.Rect();
}

void ctlDrawBox::ShowSelectionFrame() {
    const QRect rect = m_Selection.Rect();
    m_Surface->SetSelectionFrame(rect);
    m_Grab->setGeometry(m_Surface->ToWidget(rect));
    m_Grab->show();
    m_Grab->raise();
}

void ctlDrawBox::HideSelectionFrame() {
    m_Surface->HideSelectionFrame();
    m_Grab->hide();
}

void ctlDrawBox::FloatSelection() {
    m_Selection.Lift(m_Surface->Image());
    m_Selection.BlankSource(m_Surface->MutableImage());
    DropSelection();
}

void ctlDrawBox::SelectNothing() {
    m_Selection.SetFloating(false);
    HideSelectionFrame();
}

void ctlDrawBox::DropSelection() {
    m_Selection.Drop(m_Surface->MutableImage());
    SurfaceChanged(m_Selection.Rect());
    ShowSelectionFrame();
    m_Selection.SetFloating(true);
}

void ctlDrawBox::CommitSelection() {
    if (!m_Selection.IsFloating())
        return;
    m_Selection.SetFloating(false);
    m_Dragging = false;
    HideSelectionFrame();
}

void ctlDrawBox::DiscardSelection() {
    m_Selection.SetFloating(false);
    m_Selection.RestoreUnder(m_Surface->MutableImage());
    SurfaceChanged(m_Selection.Rect());
    HideSelectionFrame();
}

void ctlDrawBox::GrabMouse(QMouseEvent* event) {
    // Screen positions: the grab area moves with the selection under the pointer.
    const QPointF pos = event->globalPosition();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (event->button() == Qt::LeftButton) {
            m_DragOrigin = pos;
            m_DragStart = m_Selection.Rect().topLeft();
            m_Dragging = true;
            OpenStep(QStringLiteral("Move"));
            m_GrabStep = true;
        }
        break;
    case QEvent::MouseMove:
        if (event->buttons() == Qt::LeftButton && m_Dragging)
            MoveSelection(pos);
        break;
    case QEvent::MouseButtonRelease:
        if (event->button() == Qt::LeftButton && m_Dragging) {
            MoveSelection(pos);
            m_Dragging = false;
        }
        if (event->button() == Qt::LeftButton && m_GrabStep) {
            m_GrabStep = false;
            CloseStep();
        } else if (event->button() == Qt::RightButton) {
            ShowPictureMenu();
        }
        break;
    default:
        break;
    }
}

void ctlDrawBox::MoveSelection(QPointF pointer) {
    if (!m_Selection.IsFloating())
        return;
    // The grab area stays shown throughout: hiding it would end the mouse grab, and the
    // rest of the drag would go to the surface.
    m_Selection.RestoreUnder(m_Surface->MutableImage());
    SurfaceChanged(m_Selection.Rect());
    // The pointer moves in screen pixels, the selection in picture pixels.
    const QPointF wanted = QPointF(m_DragStart) + (pointer - m_DragOrigin) / m_Surface->Scale();
    const QPointF delta = wanted - QPointF(m_Selection.Rect().topLeft());
    m_Selection.Shift(delta.x(), delta.y(), m_Surface->Image().size());
    m_Selection.Drop(m_Surface->MutableImage());
    SurfaceChanged(m_Selection.Rect());
    ShowSelectionFrame();
    MarkDirty();
}

void ctlDrawBox::SelectAll() {
    CommitSelection();
    SetTool(ToolRegion);
    if (m_Surface->Image().isNull())
        return; // nothing to select
    m_Selection.SetRect(m_Surface->Image().rect());
    FloatSelection();
}

void ctlDrawBox::ClearSelection() {
    if (!m_Selection.IsFloating())
        return;
    OpenStep(QStringLiteral("Clear"));
    SetDirtyFlag(true);
    DiscardSelection();
    CloseStep();
}

void ctlDrawBox::CopyPicture() {
    if (!m_Selection.IsFloating() || !m_Services)
        return;
    m_Services->setClipboardImage(m_Selection.Pixels());
}

void ctlDrawBox::PastePicture() {
    if (!m_Services || !m_Services->clipboardHasImage())
        return;
    const QImage picture = m_Services->clipboardImage();
    if (picture.isNull())
        return;
    PasteImage(MonoRaster::ToBlackAndWhite(picture));
}

void ctlDrawBox::PasteImage(const QImage& monochrome) {
    OpenStep(QStringLiteral("Paste"));
    CommitSelection();
    // The pasted picture keeps its full size, also where it is larger than the surface.
    m_Selection.TakePicture(monochrome);
    SetTool(ToolRegion);
    DropSelection();
    SetDirtyFlag(true);
    CloseStep();
}

void ctlDrawBox::FillRectangle(QImage& target, int x, int y, int width, int height) {
    MonoRaster::FillWhite(target, QRect(x, y, width, height));
}

void ctlDrawBox::ShowPictureMenu() {
    if (!m_Services)
        return;
    const QStringList items = {QStringLiteral("Cut"),
                               QStringLiteral("Copy"),
                               QStringLiteral("-"),
                               QStringLiteral("Paste"),
                               QStringLiteral("Clear"),
                               QStringLiteral("-"),
                               QStringLiteral("Save Picture as Bitmap File..."),
                               QStringLiteral("Insert Picture from File...")};
    switch (clsPopupMenu().Popup(*m_Services, items)) {
    case 1:
        CopyPicture();
        ClearSelection();
        break;
    case 2:
        CopyPicture();
        break;
    case 4:
        PastePicture();
        break;
    case 5:
        ClearSelection();
        break;
    case 7:
        SaveAsBitmapFile();
        break;
    case 8:
        InsertPictureFile();
        break;
    default:
        break;
    }
}

} // namespace quillary
