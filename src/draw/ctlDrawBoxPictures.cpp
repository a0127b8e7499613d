// SPDX-License-Identifier: GPL-3.0-or-later
// The picture editor's pictures in and out (note bitmap, bitmap files), its undo history
// and its zoom.
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

namespace {

constexpr int kZoomLevels[] = {1, 2, 4, 8};
constexpr int kMostZoom = 8;

// The next level above the scale shown; -1 at the most.
int ZoomLevelUp(double now) {
    for (int level : kZoomLevels)
        if (level > now)
            return level;
    return -1;
}

// The next level below the scale shown, "fit" (0) below 1x; -1 when there is none.
int ZoomLevelDown(double now, int zoom) {
    int wanted = -1;
    for (int level : kZoomLevels)
        if (level < now)
            wanted = level;
    if (wanted < 0 && zoom != 0)
        wanted = 0;
    return wanted;
}

} // namespace

// --- Pictures in and out ----------------------------------------------------------

void ctlDrawBox::SetNoteBitmap(const clsBitmap& bitmap) {
    SetPicture(BitmapToImage(bitmap));
}

clsBitmap ctlDrawBox::GetNoteBitmap() {
    CommitSelection();
    return ImageToBitmap(m_Surface->Image());
}

int ctlDrawBox::SaveNoteBitmap(const QString& path) {
    const clsBitmap bitmap = GetNoteBitmap();
    std::string error;
    return bitmap.SaveWinBmpFile(QFile::encodeName(path).toStdString(), &error) ? 0 : 1;
}

bool ctlDrawBox::SaveAsBitmapFile() {
    if (!m_Services)
        return false;
    QString name =
        ShowSaveFileDialog(*m_Services, QStringLiteral("Select a name for this bitmap file"),
                           QString(), QString(), FilterBitmaps);
    if (name.isEmpty())
        return false;
    if (name.right(4).toUpper() != QLatin1String(".BMP"))
        name += QStringLiteral(".bmp");
    // The surface's own depth, not reduced to 1 bit.
    QImageWriter writer(name, "bmp");
    if (!writer.write(m_Surface->Image())) {
        m_Services->messageBox(QStringLiteral("Failed to export bitmap!"), kAppTitle,
                               MsgButtons::Ok, MsgIcon::None);
        return false;
    }
    return true;
}

void ctlDrawBox::InsertPictureFile() {
    if (!m_Services)
        return;
    const QString name = ShowOpenFileDialog(*m_Services, QStringLiteral("Import graphic file:"),
                                            QString(), QString(), FilterBitmaps, 1);
    if (name.isEmpty() || !QFileInfo::exists(name))
        return;
    CommitSelection();
    QImageReader reader(name);
    reader.setDecideFormatFromContent(true);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        m_Services->messageBox(QStringLiteral("Bitmap import failed"), kAppTitle, MsgButtons::Ok,
                               MsgIcon::None);
        return;
    }
    // The person finds the inserted picture on the clipboard afterwards too.
    m_Services->setClipboardImage(picture);
    PasteImage(MonoRaster::ToBlackAndWhite(picture));
}

// --- Undo and redo ----------------------------------------------------------------

QUndoStack* ctlDrawBox::UndoStack() const {
    return m_UndoStack;
}

void ctlDrawBox::SetUndoStack(QUndoStack* stack) {
    AbandonStep();
    if (m_UndoStack)
        disconnect(m_UndoStack, nullptr, this, nullptr);
    m_UndoStack = stack ? stack : m_OwnStack.get();
    connect(m_UndoStack, &QUndoStack::canUndoChanged, this, &ctlDrawBox::UndoStateChanged);
    connect(m_UndoStack, &QUndoStack::canRedoChanged, this, &ctlDrawBox::UndoStateChanged);
    // A stack that goes away takes its steps with it; the control's own stays.
    connect(m_UndoStack, &QObject::destroyed, this, [this] {
        m_UndoStack = m_OwnStack.get();
        connect(m_UndoStack, &QUndoStack::canUndoChanged, this, &ctlDrawBox::UndoStateChanged);
        connect(m_UndoStack, &QUndoStack::canRedoChanged, this, &ctlDrawBox::UndoStateChanged);
        emit UndoStateChanged();
    });
    emit UndoStateChanged();
}

bool ctlDrawBox::CanUndo() const {
    return m_UndoStack && m_UndoStack->canUndo();
}

bool ctlDrawBox::CanRedo() const {
    return m_UndoStack && m_UndoStack->canRedo();
}

void ctlDrawBox::Undo() {
    if (CanUndo())
        m_UndoStack->undo();
}

void ctlDrawBox::Redo() {
    if (CanRedo())
        m_UndoStack->redo();
}

void ctlDrawBox::RestoreRows(const QRect& rect, const QByteArray& rows) {
    // Whatever was under way belonged to the picture as it was.
    AbandonStep();
    m_Surface->HideLinePreview();
    m_StrokeActive = false;
    m_LastPoint = QPointF(-1, -1);
    CommitSelection();
    if (!m_Surface->Image().rect().contains(rect))
        return; // a step recorded on a picture of another size
    MonoRaster::UnpackRows(m_Surface->MutableImage(), rect, rows);
    SurfaceChanged(rect);
    SetDirtyFlag(true);
}

void ctlDrawBox::OpenStep(const QString& text) {
    CloseStep(); // a release that never came still ends its step
    m_StepBefore = m_Surface->Image();
    m_StepText = text;
    m_StepOpen = true;
}

void ctlDrawBox::CloseStep() {
    if (!m_StepOpen)
        return;
    m_StepOpen = false;
    m_GrabStep = false;
    const QImage before = std::exchange(m_StepBefore, QImage());
    const QImage& after = m_Surface->Image();
    const QRect changed = MonoRaster::Difference(before, after);
    if (changed.isEmpty() || !m_UndoStack)
        return; // nothing changed (a click with the Region tool, a move back to the start)
    m_UndoStack->push(new PictureChangeCommand(*this, changed,
                                               MonoRaster::PackRows(before, changed),
                                               MonoRaster::PackRows(after, changed), m_StepText));
}

void ctlDrawBox::AbandonStep() {
    m_StepOpen = false;
    m_GrabStep = false;
    m_StepBefore = QImage();
}

// --- Zoom -------------------------------------------------------------------------

double ctlDrawBox::ZoomScale() const {
    if (m_Zoom != 0)
        return m_Zoom;
    const QSize picture = m_Surface->Image().size();
    const QRect inner = contentsRect();
    const int width = inner.width() - DrawBoxLayout::kViewportLeft;
    const int height = inner.height();
    if (picture.isEmpty() || width < 1 || height < 1)
        return 1.0;
    const double fit = std::min(double(width) / picture.width(), double(height) / picture.height());
    if (fit >= 1.0)
        return std::min(std::floor(fit), double(kMostZoom));
    return fit;
}

void ctlDrawBox::SetZoom(int zoom) {
    const int wanted = (zoom == 0 || std::find(std::begin(kZoomLevels), std::end(kZoomLevels),
                                               zoom) != std::end(kZoomLevels))
                           ? zoom
                           : 1;
    ZoomAround(wanted, QPointF(m_Viewport->width() / 2.0, m_Viewport->height() / 2.0));
}

void ctlDrawBox::ZoomIn() {
    const int wanted = ZoomLevelUp(ZoomScale());
    if (wanted >= 0)
        ZoomAround(wanted, QPointF(m_Viewport->width() / 2.0, m_Viewport->height() / 2.0));
}

void ctlDrawBox::ZoomOut() {
    const int wanted = ZoomLevelDown(ZoomScale(), m_Zoom);
    if (wanted >= 0)
        ZoomAround(wanted, QPointF(m_Viewport->width() / 2.0, m_Viewport->height() / 2.0));
}

void ctlDrawBox::ZoomWheel(QWheelEvent* event) {
    m_WheelTurn += event->angleDelta().y();
    // One notch (120) per level; finer wheels add up.
    for (; m_WheelTurn >= 120; m_WheelTurn -= 120)
        if (const int wanted = ZoomLevelUp(ZoomScale()); wanted >= 0)
            ZoomAround(wanted, event->position());
    for (; m_WheelTurn <= -120; m_WheelTurn += 120)
        if (const int wanted = ZoomLevelDown(ZoomScale(), m_Zoom); wanted >= 0)
            ZoomAround(wanted, event->position());
    event->accept();
}

void ctlDrawBox::ZoomAround(int zoom, QPointF viewportPos) {
    const double before = m_Surface->Scale();
    // The picture point under viewportPos stays there.
    const QPointF picturePoint = (viewportPos - QPointF(m_Surface->pos())) / before;
    const bool changed = zoom != m_Zoom;
    m_Zoom = zoom;
    ArrangeControls();
    const QPointF wanted = picturePoint * m_Surface->Scale() - viewportPos;
    if (!m_HScroll->isHidden())
        m_HScroll->setValue(int(std::lround(wanted.x())));
    if (!m_VScroll->isHidden())
        m_VScroll->setValue(int(std::lround(wanted.y())));
    if (changed)
        emit ZoomChanged(m_Zoom);
}

} // namespace quillary
