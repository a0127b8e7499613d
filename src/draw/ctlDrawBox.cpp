// SPDX-License-Identifier: GPL-3.0-or-later
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

// Tool bar buttons in order; key, tag and tool tip are the same word. The last three are
// hidden and select nothing.
const char* const kButtonTags[] = {"Pencil", "Eraser", "Line",     "Region",
                                   "Text",   "Fill",   "Rectangle"};
constexpr int kVisibleButtons = 4;

// What an undo step of each tool is called.
QString StepName(int tool) {
    switch (tool) {
    case ctlDrawBox::ToolEraser:
        return QStringLiteral("Eraser");
    case ctlDrawBox::ToolLine:
        return QStringLiteral("Line");
    case ctlDrawBox::ToolRegion:
        return QStringLiteral("Region");
    default:
        return QStringLiteral("Pencil");
    }
}

} // namespace

ctlDrawBox::ctlDrawBox(PlatformServices* services, QWidget* parent)
    : QFrame(parent), m_Services(services) {
    setFocusPolicy(Qt::StrongFocus);
    ApplyFrameStyle();
    BuildToolBar();

    m_Viewport = new QWidget(this);
    m_Viewport->setObjectName(QStringLiteral("picImageClipper"));
    m_Surface = new DrawSurface(m_Viewport);
    m_Surface->installEventFilter(this);
    // Ctrl+wheel reaches the viewport from the surface, positions in viewport terms.
    m_Viewport->installEventFilter(this);

    m_Grab = new QWidget(m_Surface);
    m_Grab->setObjectName(QStringLiteral("lblDrag"));
    m_Grab->setCursor(Qt::SizeAllCursor);
    m_Grab->hide();
    m_Grab->installEventFilter(this);

    m_VScroll = new QScrollBar(Qt::Vertical, this);
    m_VScroll->setObjectName(QStringLiteral("sclBitmapItem"));
    m_VScroll->setAccessibleName(QStringLiteral("Scroll picture up and down"));
    m_HScroll = new QScrollBar(Qt::Horizontal, this);
    m_HScroll->setObjectName(QStringLiteral("hsclBitmapItem"));
    m_HScroll->setAccessibleName(QStringLiteral("Scroll picture left and right"));
    for (QScrollBar* bar : {m_VScroll, m_HScroll}) {
        bar->setFocusPolicy(Qt::NoFocus);
        bar->setSingleStep(20); // the pixel step of Qt's own scrolling views
        bar->hide();
    }
    // valueChanged also fires while the thumb is dragged (tracking is on).
    connect(m_VScroll, &QScrollBar::valueChanged, this,
            [this](int v) { m_Surface->move(m_Surface->x(), -v); });
    connect(m_HScroll, &QScrollBar::valueChanged, this,
            [this](int v) { m_Surface->move(-v, m_Surface->y()); });

    DrawToolHost& host = *this;
    m_Tools[ToolPencil] = std::make_unique<PencilTool>(host);
    m_Tools[ToolEraser] = std::make_unique<EraserTool>(host);
    m_Tools[ToolLine] = std::make_unique<LineTool>(host);
    m_Tools[ToolRegion] = std::make_unique<RegionTool>(host);

    m_OwnStack = std::make_unique<QUndoStack>();
    m_OwnStack->setUndoLimit(PictureHistories::kStepLimit);
    SetUndoStack(nullptr);

    // The keys work wherever the focus is inside the control, not beyond it.
    const auto zoomKey = [this](const char* name, const QString& caption, QList<QKeySequence> keys,
                                void (ctlDrawBox::*run)()) {
        auto* action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, run);
        addAction(action);
    };
    zoomKey("actZoomIn", QStringLiteral("Zoom In"),
            {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
            &ctlDrawBox::ZoomIn);
    zoomKey("actZoomOut", QStringLiteral("Zoom Out"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)},
            &ctlDrawBox::ZoomOut);

    UpdateToolState();
    ArrangeControls();
}

ctlDrawBox::~ctlDrawBox() {
    // The steps point back at the control; none may run once it is gone.
    if (m_UndoStack)
        disconnect(m_UndoStack, nullptr, this, nullptr);
}

void ctlDrawBox::BuildToolBar() {
    m_ToolBar = new QToolBar(this);
    m_ToolBar->setObjectName(QStringLiteral("tbrBitmap"));
    m_ToolBar->setOrientation(Qt::Vertical);
    m_ToolBar->setMovable(false);
    m_ToolBar->setFloatable(false);
    m_ToolBar->setIconSize(QSize(16, 16));
    m_ToolBar->setFixedWidth(DrawBoxLayout::kToolBarWidth);
    m_ToolBar->setContentsMargins(0, 0, 0, 0);
    for (int i = 0; i < int(m_ToolButtons.size()); ++i) {
        const QString tag = QString::fromLatin1(kButtonTags[i]);
        QAction* action = m_ToolBar->addAction(DrawBoxImages::ToolIcon(i), tag);
        action->setObjectName(tag);
        action->setToolTip(tag);
        action->setData(tag);
        action->setVisible(i < kVisibleButtons);
        action->setCheckable(true); // the current tool's button shows pressed
        if (i < kVisibleButtons)
            action->setStatusTip(tag + QStringLiteral(" (key ") + tag.left(1) + QChar(')'));
        connect(action, &QAction::triggered, this, [this, i] { OnToolButton(i); });
        if (QWidget* button = m_ToolBar->widgetForAction(action))
            button->setFocusPolicy(Qt::NoFocus);
        m_ToolButtons[i] = action;
    }
}

void ctlDrawBox::OnToolButton(int index) {
    if (index >= 0 && index < kVisibleButtons)
        SetTool(index);
    // A click on the current tool would otherwise release its button.
    for (int i = 0; i < int(m_ToolButtons.size()); ++i)
        m_ToolButtons[i]->setChecked(i == m_Tool);
}

// --- Keyboard and wheel -------------------------------------------------------------

void ctlDrawBox::keyPressEvent(QKeyEvent* event) {
    // One key per tool while the picture has the focus: its initial.
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier || mods == Qt::ShiftModifier) {
        for (int i = 0; i < kVisibleButtons; ++i) {
            if (event->key() == Qt::Key_A + (kButtonTags[i][0] - 'A')) {
                SetTool(i);
                event->accept();
                return;
            }
        }
    }
    QFrame::keyPressEvent(event);
}

void ctlDrawBox::wheelEvent(QWheelEvent* event) {
    // Ctrl+wheel is left to the zoom; plain wheel scrolls down the picture, Shift+wheel
    // across it, by the steps of the scroll bars themselves.
    if (event->modifiers() & Qt::ControlModifier) {
        event->ignore();
        return;
    }
    const QPoint delta = event->angleDelta();
    const bool across = (event->modifiers() & Qt::ShiftModifier) || delta.y() == 0;
    QScrollBar* bar = across ? m_HScroll : m_VScroll;
    const int amount = across ? (delta.x() != 0 ? delta.x() : delta.y()) : delta.y();
    if (bar->isHidden() || amount == 0) {
        event->ignore();
        return;
    }
    const int pixels = amount * QApplication::wheelScrollLines() * bar->singleStep() / 120;
    bar->setValue(bar->value() - pixels);
    event->accept();
}

// --- Properties -------------------------------------------------------------------

void ctlDrawBox::SetLineSize(int size) {
    m_LineSize = size;
    UpdateToolState();
}

void ctlDrawBox::SetEraserLineSize(int size) {
    m_EraserLineSize = size;
    UpdateToolState();
}

void ctlDrawBox::SetTool(int tool) {
    if (tool == m_Tool)
        return;
    m_Tool = std::clamp(tool, int(ToolPencil), int(ToolRegion));
    UpdateToolState();
}

void ctlDrawBox::SetDirtyFlag(bool dirty) {
    const bool changed = dirty != m_DirtyFlag;
    m_DirtyFlag = dirty;
    if (changed)
        emit Change();
}

void ctlDrawBox::SetFullWidth(int width) {
    m_FullWidth = width;
    ArrangeControls();
}

void ctlDrawBox::SetFullHeight(int height) {
    m_FullHeight = height;
    ArrangeControls();
}

void ctlDrawBox::SetSclBarGirth(int girth) {
    m_BarGirth = girth;
    ArrangeControls();
}

void ctlDrawBox::SetAppearance(int appearance) {
    m_Appearance = appearance;
    ApplyFrameStyle();
}

void ctlDrawBox::SetBorderStyle(int style) {
    m_BorderStyle = style;
    ApplyFrameStyle();
}

void ctlDrawBox::ApplyFrameStyle() {
    if (m_BorderStyle == 0) {
        setFrameStyle(QFrame::NoFrame);
    } else if (m_Appearance == 1) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(2);
    } else {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    }
    if (m_Surface)
        ArrangeControls();
}

QImage ctlDrawBox::Picture() const {
    return m_Surface->Image();
}

void ctlDrawBox::SetPicture(const QImage& picture) {
    AbandonStep();
    m_Surface->SetImage(MonoRaster::ToBlackAndWhite(picture));
    m_FullWidth = m_Surface->Image().width();
    m_FullHeight = m_Surface->Image().height();
    if (m_UndoStack == m_OwnStack.get())
        m_OwnStack->clear();
    ArrangeControls();
    // Whatever was being dragged belonged to the old picture.
    m_Surface->HideLinePreview();
    m_LastPoint = QPointF(-1, -1);
    m_StrokeActive = false;
    m_Dragging = false;
    CommitSelection();
    SetDirtyFlag(false);
}

QVariantMap ctlDrawBox::WriteProperties() const {
    return {{QStringLiteral("LineSize"), m_LineSize},
            {QStringLiteral("Tool"), m_Tool},
            {QStringLiteral("DirtyFlag"), m_DirtyFlag},
            {QStringLiteral("FullWidth"), m_FullWidth},
            {QStringLiteral("FullHeight"), m_FullHeight},
            {QStringLiteral("Picture"), m_StoredPicture},
            {QStringLiteral("Appearance"), m_Appearance},
            {QStringLiteral("BorderStyle"), m_BorderStyle},
            {QStringLiteral("EraserLineSize"), m_EraserLineSize},
            {QStringLiteral("sclBarGirth"), m_BarGirth}};
}

void ctlDrawBox::ReadProperties(const QVariantMap& stored) {
    const auto number = [&stored](const char* key, int fallback) {
        return stored.value(QLatin1String(key), fallback).toInt();
    };
    m_LineSize = number("LineSize", 1);
    m_Tool = std::clamp(number("Tool", ToolPencil), int(ToolPencil), int(ToolRegion));
    m_DirtyFlag = stored.value(QStringLiteral("DirtyFlag"), false).toBool();
    m_FullWidth = number("FullWidth", 0);
    m_FullHeight = number("FullHeight", 0);
    m_StoredPicture = stored.value(QStringLiteral("Picture"));
    m_Appearance = number("Appearance", 1);
    m_BorderStyle = number("BorderStyle", 1);
    m_EraserLineSize = number("EraserLineSize", 5);
    m_BarGirth = number("sclBarGirth", 17);
    ApplyFrameStyle();
    UpdateToolState();
}

// --- Layout -----------------------------------------------------------------------

void ctlDrawBox::SetPictureSubject(const QString& subject) {
    m_PictureSubject = subject;
    UpdateAccessibleText();
}

void ctlDrawBox::UpdateAccessibleText() {
    const QString name = m_PictureSubject.isEmpty()
                             ? QStringLiteral("Picture")
                             : QStringLiteral("Picture of ") + m_PictureSubject;
    const QImage& image = m_Surface->Image();
    const QString description = QStringLiteral("%1 by %2, drawing tool %3")
                                    .arg(image.width())
                                    .arg(image.height())
                                    .arg(QString::fromLatin1(kButtonTags[m_Tool]));
    // The frame takes the focus, the surface is what is seen: both say the same.
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(m_Surface)}) {
        if (w->accessibleName() != name)
            w->setAccessibleName(name);
        if (w->accessibleDescription() != description)
            w->setAccessibleDescription(description);
    }
}

void ctlDrawBox::ArrangeControls() {
    UpdateAccessibleText();
    const QRect inner = contentsRect();
    m_Surface->SetScale(ZoomScale());
    const DrawBoxLayout l = DrawBoxLayout::Compute(inner, m_Surface->size(), m_BarGirth);
    m_Viewport->setGeometry(l.viewport);
    m_VScroll->hide();
    m_HScroll->hide();
    // Every pass starts unscrolled.
    m_VScroll->setValue(0);
    m_HScroll->setValue(0);
    m_Surface->move(0, 0);
    if (l.vertical) {
        m_VScroll->setGeometry(l.verticalBar);
        m_VScroll->setRange(0, l.verticalMax);
        m_VScroll->setPageStep(std::max(l.viewport.height(), 1));
        m_VScroll->show();
    }
    if (l.horizontal) {
        m_HScroll->setGeometry(l.horizontalBar);
        m_HScroll->setRange(0, l.horizontalMax);
        m_HScroll->setPageStep(std::max(l.viewport.width(), 1));
        m_HScroll->show();
    }
    if (!m_Grab->isHidden())
        m_Grab->setGeometry(m_Surface->ToWidget(m_Selection.Rect()));
    m_ToolBar->setGeometry(inner.left(), inner.top(), DrawBoxLayout::kToolBarWidth,
                           std::min(m_ToolBar->sizeHint().height(), inner.height()));
    update(); // the focus line follows the tool bar's height
}

void ctlDrawBox::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    ArrangeControls();
}

void ctlDrawBox::showEvent(QShowEvent* event) {
    QFrame::showEvent(event);
    ArrangeControls();
    UpdateToolState();
}

void ctlDrawBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    // The line beside the tool bar shows whether the picture has the keyboard focus.
    QPainter painter(this);
    painter.setPen(hasFocus() ? Qt::black : Qt::white);
    const QRect inner = contentsRect();
    const int x = inner.left() + DrawBoxLayout::kToolBarWidth;
    painter.drawLine(x, inner.top(), x, inner.top() + m_ToolBar->height());
}

void ctlDrawBox::focusInEvent(QFocusEvent* event) {
    QFrame::focusInEvent(event);
    update();
}

void ctlDrawBox::focusOutEvent(QFocusEvent* event) {
    QFrame::focusOutEvent(event);
    update();
}

// --- Tools ------------------------------------------------------------------------

void ctlDrawBox::UpdateToolState() {
    CommitSelection();
    UpdateAccessibleText();
    for (int i = 0; i < int(m_ToolButtons.size()); ++i)
        m_ToolButtons[i]->setChecked(i == m_Tool);
    m_StrokeWidth = (m_Tool == ToolEraser) ? m_EraserLineSize : m_LineSize;
    switch (m_Tool) {
    case ToolPencil:
        m_Surface->setCursor(DrawBoxImages::PencilCursor());
        break;
    case ToolEraser:
        m_Surface->setCursor(DrawBoxImages::EraserCursor());
        break;
    case ToolLine:
        m_Surface->setCursor(Qt::CrossCursor);
        break;
    default:
        m_Surface->setCursor(Qt::ArrowCursor);
        break;
    }
}

bool ctlDrawBox::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::Wheel:
        // Ctrl+wheel zooms (it reaches the viewport once the picture has passed it on); a
        // wheel without Ctrl over the picture scrolls it, whichever inner widget is under
        // the pointer.
        if (watched == m_Viewport &&
            (static_cast<QWheelEvent*>(event)->modifiers() & Qt::ControlModifier)) {
            ZoomWheel(static_cast<QWheelEvent*>(event));
            return true;
        }
        if (watched == m_Surface || watched == m_Grab) {
            wheelEvent(static_cast<QWheelEvent*>(event));
            return event->isAccepted();
        }
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        if (watched == m_Surface) {
            SurfaceMouse(static_cast<QMouseEvent*>(event));
            return true;
        }
        if (watched == m_Grab) {
            GrabMouse(static_cast<QMouseEvent*>(event));
            return true;
        }
        break;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}

// A double click's second press counts as a press, so quick dots are not lost.
void ctlDrawBox::SurfaceMouse(QMouseEvent* event) {
    const QPointF pos = m_Surface->ToPicture(event->position());
    DrawTool& tool = *m_Tools[m_Tool];
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (event->button() == Qt::LeftButton) {
            OpenStep(StepName(m_Tool));
            tool.Press(RoundedPoint(pos));
            m_LastPoint = pos;
            m_StrokeActive = true;
        }
        break;
    case QEvent::MouseMove:
        // A stroke always has its last point (the press sets it), and -1 is a real row just
        // above the surface, so the sentinel must not stop a stroke that passes there.
        if (event->buttons() == Qt::LeftButton && m_StrokeActive) {
            tool.Move(pos, m_LastPoint);
            m_LastPoint = pos;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (event->button() == Qt::RightButton) {
            ShowPictureMenu();
        } else if (event->button() == Qt::LeftButton) {
            // A release without its press (a double click's second, or after an undo in
            // mid-stroke) may still draw; that too must be a step.
            if (!m_StepOpen)
                OpenStep(StepName(m_Tool));
            tool.Release(RoundedPoint(pos), m_LastPoint);
            m_StrokeActive = false;
            m_LastPoint = QPointF(-1, -1);
            CloseStep();
        }
        break;
    default:
        break;
    }
}

void ctlDrawBox::DrawSegment(QPoint from, QPoint to, bool black) {
    SurfaceChanged(MonoRaster::DrawSegment(m_Surface->MutableImage(), from, to, m_StrokeWidth,
                                           black ? MonoRaster::kBlack : MonoRaster::kWhite));
}

void ctlDrawBox::SurfaceChanged(const QRect& rect) {
    m_Surface->Changed(rect & m_Surface->rect());
}

void ctlDrawBox::MarkDirty() {
    SetDirtyFlag(true);
}

void ctlDrawBox::ShowLinePreview(QPoint from, QPoint to) {
    m_Surface->SetLinePreview(QLine(from, to), m_LineSize);
}

void ctlDrawBox::HideLinePreview() {
    m_Surface->HideLinePreview();
}

} // namespace quillary
