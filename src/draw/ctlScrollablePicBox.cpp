// SPDX-License-Identifier: GPL-3.0-or-later
#include "ctlScrollablePicBox.h"

#include "core/AreaScale.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

namespace quillary {

namespace {

// Arrow clicks and wheel notches move this many pixels; the bars' values stay pixels.
constexpr int kLineStep = 20;

} // namespace

ctlScrollablePicBox::ctlScrollablePicBox(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ctlScrollablePicBox"));
    setFocusPolicy(Qt::StrongFocus);

    m_picClipper = new QWidget(this);
    m_picClipper->setObjectName(QStringLiteral("picClipper"));
    m_picClipper->setAutoFillBackground(true);
    QPalette grey = m_picClipper->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    m_picClipper->setPalette(grey);

    m_picPreview = new QLabel(m_picClipper);
    m_picPreview->setObjectName(QStringLiteral("picPreview"));
    m_picPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picPreview->setAutoFillBackground(true);
    QPalette white = m_picPreview->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_picPreview->setPalette(white);

    m_sclVert = new QScrollBar(Qt::Vertical, this);
    m_sclVert->setObjectName(QStringLiteral("sclVert"));
    m_sclVert->setAccessibleName(QStringLiteral("Scroll up and down"));
    m_sclHorz = new QScrollBar(Qt::Horizontal, this);
    m_sclHorz->setObjectName(QStringLiteral("sclHorz"));
    m_sclHorz->setAccessibleName(QStringLiteral("Scroll left and right"));
    for (QScrollBar* bar : {m_sclVert, m_sclHorz}) {
        bar->setSingleStep(kLineStep);
        bar->setFocusPolicy(Qt::NoFocus);
        bar->hide();
    }
    // valueChanged also fires while a thumb is dragged (tracking is on).
    connect(m_sclVert, &QScrollBar::valueChanged, this, &ctlScrollablePicBox::OnVerticalScroll);
    connect(m_sclHorz, &QScrollBar::valueChanged, this, &ctlScrollablePicBox::OnHorizontalScroll);

    m_picClipper->installEventFilter(this);
    m_picPreview->installEventFilter(this);
}

void ctlScrollablePicBox::ResetPicture(int width, int height) {
    m_RealPicture = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    m_RealPicture.fill(Qt::white);
}

QSize ctlScrollablePicBox::ScaledSize() const {
    return QSize(int(std::lround(m_RealPicture.width() * m_ScaleFactor)),
                 int(std::lround(m_RealPicture.height() * m_ScaleFactor)));
}

void ctlScrollablePicBox::SetScaleFactor(double factor) {
    if (!(factor > 0))
        return;
    m_ScaleFactor = factor;
    m_picPreview->resize(ScaledSize());
}

void ctlScrollablePicBox::UpdatePicture() {
    const QSize scaled = ScaledSize();
    m_picPreview->resize(scaled);
    if (m_RealPicture.isNull() || scaled.isEmpty()) {
        m_picPreview->setPixmap(QPixmap());
    } else if (scaled == m_RealPicture.size()) {
        m_picPreview->setPixmap(QPixmap::fromImage(m_RealPicture));
    } else if (m_SmoothReduction && (scaled.width() < m_RealPicture.width() ||
                                     scaled.height() < m_RealPicture.height())) {
        m_picPreview->setPixmap(QPixmap::fromImage(AreaScaled(m_RealPicture, scaled)));
    } else {
        m_picPreview->setPixmap(QPixmap::fromImage(
            m_RealPicture.scaled(scaled, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    }
    ArrangePreview();
}

void ctlScrollablePicBox::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ArrangePreview();
}

void ctlScrollablePicBox::ArrangePreview() {
    const int bar = kBarThickness;
    const QSize scaled = ScaledSize();
    const int pw = scaled.width();
    const int ph = scaled.height();
    int aw = width();
    int ah = height();
    m_picPreview->resize(scaled);

    bool vertical = false;
    bool horizontal = false;
    if (ph > ah) {
        vertical = true;
        aw -= bar;
    }
    if (pw > aw) {
        horizontal = true;
        ah -= bar;
    }
    if (!vertical && ph > ah) {
        vertical = true;
        aw -= bar;
    }
    m_picClipper->setGeometry(0, 0, std::max(aw, 0), std::max(ah, 0));
    m_sclVert->hide();
    m_sclHorz->hide();

    // Setting the ranges and values below moves the picture through the scroll handlers;
    // its final place is set explicitly afterwards.
    int top = 0;
    if (vertical) {
        const QRect viewport = m_picClipper->geometry();
        m_sclVert->setGeometry(viewport.left() + viewport.width(), viewport.top(), bar,
                               viewport.height());
        m_sclVert->setRange(0, std::max(ph - viewport.height(), 0));
        m_sclVert->setPageStep(std::max(viewport.height(), 1));
        m_sclVert->setValue(0);
        m_sclVert->show();
    } else {
        top = (ah - ph) / 2;
    }
    int left = 0;
    if (horizontal) {
        const QRect viewport = m_picClipper->geometry();
        m_sclHorz->setGeometry(viewport.left(), viewport.top() + viewport.height(),
                               viewport.width(), bar);
        m_sclHorz->setRange(0, std::max(pw - viewport.width(), 0));
        m_sclHorz->setPageStep(std::max(viewport.width(), 1));
        m_sclHorz->setValue(0);
        m_sclHorz->show();
    } else {
        left = (aw - pw) / 2;
    }
    m_picPreview->move(left, top);
}

void ctlScrollablePicBox::OnVerticalScroll(int value) {
    if (!m_sclVert->isHidden())
        m_picPreview->move(m_picPreview->x(), -value);
}

void ctlScrollablePicBox::OnHorizontalScroll(int value) {
    if (!m_sclHorz->isHidden())
        m_picPreview->move(-value, m_picPreview->y());
}

void ctlScrollablePicBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
        m_sclVert->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Down:
        m_sclVert->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    case Qt::Key_Left:
        m_sclHorz->triggerAction(QAbstractSlider::SliderSingleStepSub);
        break;
    case Qt::Key_Right:
        m_sclHorz->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

bool ctlScrollablePicBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            // Whole notches only; a touchpad sends many small deltas.
            m_WheelRemainder += wheel->angleDelta().y();
            const int steps = m_WheelRemainder / 120;
            m_WheelRemainder -= steps * 120;
            if (steps != 0)
                emit zoomRequested(steps);
            return true;
        }
        const bool sideways = (wheel->modifiers() & Qt::ShiftModifier) || m_sclVert->isHidden();
        QScrollBar* bar = sideways ? m_sclHorz : m_sclVert;
        if (!bar->isHidden())
            QApplication::sendEvent(bar, event);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quillary
