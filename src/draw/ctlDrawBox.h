// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DrawToolHost.h"
#include "FloatingSelection.h"

#include <QFrame>
#include <QImage>
#include <QPointF>
#include <QPointer>
#include <QVariant>
#include <QVariantMap>

#include <array>
#include <memory>

class QAction;
class QMouseEvent;
class QWheelEvent;
class QScrollBar;
class QToolBar;
class QUndoStack;
class clsBitmap;

namespace quillary {

class DrawSurface;
class DrawTool;
class PlatformServices;

// The picture editor: a black-and-white picture on a scrolling surface with a vertical tool
// bar (Pencil, Eraser, Line, Region), a floating selection, clipboard exchange, a right-button
// picture menu and bitmap files. It knows nothing of notes; the host hands the picture in
// (SetPicture / SetNoteBitmap) and takes it back (Picture / GetNoteBitmap / SaveNoteBitmap).
//
// The surface holds only black and white. Everything that asks a person something (menus,
// file dialogs, messages, the clipboard) goes through the PlatformServices given to it;
// without services those commands do nothing.
//
// Child widgets carry the object names hosts and tests look for: "tbrBitmap" (its actions
// "Pencil" .. "Rectangle"), "picImageClipper" (the viewport), "picDrawBox" (the surface),
// "lblDrag" (the grab area over a floating selection), "sclBitmapItem" and "hsclBitmapItem".
class ctlDrawBox : public QFrame, private DrawToolHost {
    Q_OBJECT
    Q_PROPERTY(int LineSize READ LineSize WRITE SetLineSize)
    Q_PROPERTY(int Tool READ Tool WRITE SetTool)
    Q_PROPERTY(bool DirtyFlag READ DirtyFlag WRITE SetDirtyFlag NOTIFY Change)
    Q_PROPERTY(int FullWidth READ FullWidth WRITE SetFullWidth)
    Q_PROPERTY(int FullHeight READ FullHeight WRITE SetFullHeight)
    Q_PROPERTY(QImage Picture READ Picture WRITE SetPicture)
    Q_PROPERTY(int Appearance READ Appearance WRITE SetAppearance)
    Q_PROPERTY(int BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(int EraserLineSize READ EraserLineSize WRITE SetEraserLineSize)
    Q_PROPERTY(int sclBarGirth READ sclBarGirth WRITE SetSclBarGirth)

public:
    enum ToolKind { ToolPencil = 0, ToolEraser = 1, ToolLine = 2, ToolRegion = 3 };

    explicit ctlDrawBox(PlatformServices* services = nullptr, QWidget* parent = nullptr);
    ~ctlDrawBox() override;

    // Not owned; must outlive the control (or be replaced first).
    void SetPlatformServices(PlatformServices* services) { m_Services = services; }

    // --- Properties ---------------------------------------------------------------
    // Stroke width of Pencil and Line (default 1). Writing commits a floating selection.
    int LineSize() const { return m_LineSize; }
    void SetLineSize(int size);
    // 0 Pencil, 1 Eraser, 2 Line, 3 Region; other values are clamped into 0..3. Writing a
    // different tool commits a floating selection; writing the current one does nothing.
    int Tool() const { return m_Tool; }
    void SetTool(int tool);
    // The picture was edited since the host last cleared it. Change is emitted whenever the
    // value actually changes.
    bool DirtyFlag() const { return m_DirtyFlag; }
    void SetDirtyFlag(bool dirty);
    // The surface's size as last laid out. Writing only re-runs the layout.
    int FullWidth() const { return m_FullWidth; }
    void SetFullWidth(int width);
    int FullHeight() const { return m_FullHeight; }
    void SetFullHeight(int height);
    // The surface's image (Format_RGB32, black and white only), with a floating selection
    // as merged. Writing reduces the picture to black and white (only exactly white stays
    // white), sizes the surface to it, commits any selection and clears DirtyFlag.
    QImage Picture() const;
    void SetPicture(const QImage& picture);
    // Frame look: Appearance 1 = sunken 3D, 0 = flat; BorderStyle 1 = framed, 0 = none.
    int Appearance() const { return m_Appearance; }
    void SetAppearance(int appearance);
    int BorderStyle() const { return m_BorderStyle; }
    void SetBorderStyle(int style);
    // Stroke width of the Eraser (default 5). Writing commits a floating selection.
    int EraserLineSize() const { return m_EraserLineSize; }
    void SetEraserLineSize(int size);
    // Thickness of both scroll bars in pixels (default 17).
    int sclBarGirth() const { return m_BarGirth; }
    void SetSclBarGirth(int girth);

    // The ten properties under their own names, for the host's stored settings. Reading
    // takes the table defaults for missing keys; "Picture" is carried through unchanged and
    // never shown.
    QVariantMap WriteProperties() const;
    void ReadProperties(const QVariantMap& stored);

    // What the picture belongs to ("note 3"), for the name a screen reader gives it:
    // "Picture of note 3", described by its size and the drawing tool.
    void SetPictureSubject(const QString& subject);

    // --- The picture in and out -----------------------------------------------------
    // The note's picture in memory: as SetPicture / as SaveNoteBitmap without the file.
    void SetNoteBitmap(const clsBitmap& bitmap);
    clsBitmap GetNoteBitmap();
    // Commits any selection and writes the picture as a 1-bit .bmp (every pixel that is not
    // white black), replacing an existing file. 0 = saved, 1 = failed. Never shows anything.
    int SaveNoteBitmap(const QString& path);

    // Paints the rectangle of target white (clipped to the image).
    static void FillRectangle(QImage& target, int x, int y, int width, int height);

    // --- Selection and clipboard ----------------------------------------------------
    bool IsFloating() const { return m_Selection.IsFloating(); }
    // The floating selection's rectangle (may hang over the surface's edges after a move).
    QRect SelectionRect() const { return m_Selection.Rect(); }
    // The whole picture becomes the floating selection; Tool becomes Region.
    void SelectAll();
    // Removes the floating selection, leaving what was under it; sets DirtyFlag.
    void ClearSelection();
    // Puts the floating selection's pixels on the clipboard.
    void CopyPicture();
    // A clipboard picture, reduced to black and white, becomes the floating selection at the
    // surface's top-left corner; Tool becomes Region; sets DirtyFlag.
    void PastePicture();

    // --- Files ------------------------------------------------------------------------
    // Asks for a name (".bmp" appended unless it ends so) and writes the picture as a .bmp.
    // Returns false when cancelled or when the file could not be written (then the person
    // is told "Failed to export bitmap!").
    bool SaveAsBitmapFile();
    // Asks for a picture file (any format Qt reads), puts it on the clipboard and pastes it
    // as the floating selection. A file that cannot be read shows "Bitmap import failed".
    void InsertPictureFile();

    // --- Undo and redo ----------------------------------------------------------------
    // Every change to the picture is one step: a press-drag-release of a tool or of the
    // selection, a paste, an inserted file, a clear. Steps go on the undo stack in use:
    // the control's own, or one the host hands in (not owned; nullptr goes back to the
    // control's own). Setting a picture clears only the control's own stack; a host that
    // hands in stacks decides itself which history belongs to which picture.
    QUndoStack* UndoStack() const;
    void SetUndoStack(QUndoStack* stack);
    bool CanUndo() const;
    bool CanRedo() const;
    // Ends a floating selection first, then steps back or forward; sets DirtyFlag.
    void Undo();
    void Redo();
    // For the undo steps: writes 1-bit rows back over rect (picture pixels), as a change.
    void RestoreRows(const QRect& rect, const QByteArray& rows);

    // --- Zoom -------------------------------------------------------------------------
    // 1, 2, 4 or 8 times, or 0 = fit (the largest whole magnification up to 8 that shows all
    // of the picture, or smaller when even 1x does not fit). Other values become 1.
    int Zoom() const { return m_Zoom; }
    void SetZoom(int zoom);
    // The magnification in use (fit resolved).
    double ZoomScale() const;
    // One level up or down (fit lies below 1x), keeping the viewport's centre in place.
    void ZoomIn();
    void ZoomOut();

signals:
    void Change();
    // CanUndo or CanRedo may have changed.
    void UndoStateChanged();
    void ZoomChanged(int zoom);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Tool keys (P, E, L, R) and wheel scrolling.
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void UpdateAccessibleText();
    QString m_PictureSubject;
    // DrawToolHost
    void DrawSegment(QPoint from, QPoint to, bool black) override;
    void MarkDirty() override;
    void CommitSelection() override;
    void ShowLinePreview(QPoint from, QPoint to) override;
    void HideLinePreview() override;
    QRect NormalizeSelection(QPoint anchor, QPoint end) override;
    void ShowSelectionFrame() override;
    void FloatSelection() override;
    void SelectNothing() override;

    void BuildToolBar();
    void ArrangeControls();
    void UpdateToolState();
    void ApplyFrameStyle();
    void OnToolButton(int index);

    void SurfaceMouse(QMouseEvent* event);
    void GrabMouse(QMouseEvent* event);

    void HideSelectionFrame();
    void DropSelection();
    void DiscardSelection();
    void MoveSelection(QPointF pointer);
    void PasteImage(const QImage& monochrome);
    void ShowPictureMenu();
    void SurfaceChanged(const QRect& rect);

    void OpenStep(const QString& text);
    void CloseStep();
    void AbandonStep();
    void ZoomAround(int zoom, QPointF viewportPos);
    void ZoomWheel(QWheelEvent* event);

    PlatformServices* m_Services = nullptr;

    QToolBar* m_ToolBar = nullptr;
    std::array<QAction*, 7> m_ToolButtons{};
    QWidget* m_Viewport = nullptr;
    DrawSurface* m_Surface = nullptr;
    QWidget* m_Grab = nullptr;
    QScrollBar* m_VScroll = nullptr;
    QScrollBar* m_HScroll = nullptr;
    std::array<std::unique_ptr<DrawTool>, 4> m_Tools;

    int m_LineSize = 1;
    int m_Tool = ToolPencil;
    bool m_DirtyFlag = false;
    int m_FullWidth = 0;
    int m_FullHeight = 0;
    int m_Appearance = 1;
    int m_BorderStyle = 1;
    int m_EraserLineSize = 5;
    int m_BarGirth = 17;
    QVariant m_StoredPicture;

    int m_StrokeWidth = 1;
    QPointF m_LastPoint{-1, -1};
    bool m_StrokeActive = false;
    FloatingSelection m_Selection;
    QPointF m_DragOrigin; // screen position of the press on the grab area
    QPoint m_DragStart;   // the selection's top-left corner at that press
    bool m_Dragging = false;

    std::unique_ptr<QUndoStack> m_OwnStack;
    QPointer<QUndoStack> m_UndoStack;
    QImage m_StepBefore; // the picture when the open step began (shares pixels until drawn on)
    QString m_StepText;
    bool m_StepOpen = false;
    bool m_GrabStep = false;

    int m_Zoom = 1;
    int m_WheelTurn = 0; // wheel angle not yet turned into a zoom step
};

} // namespace quillary
