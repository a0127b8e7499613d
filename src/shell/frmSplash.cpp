// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmSplash.h"

#include "core/PlatformServices.h"
#include "ShellResources.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSvgRenderer>
#include <QVBoxLayout>

namespace quillary {

namespace {

const QColor kLinkRest(0, 0, 255);
const QColor kLinkHighlight(255, 0, 0);
const QSize kArtworkSize(360, 200);

QPixmap RenderArtwork(qreal devicePixelRatio) {
    QSvgRenderer renderer(QStringLiteral(":/icons/splash.svg"));
    QPixmap pixmap(kArtworkSize * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::white);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(kArtworkSize)));
    }
    return pixmap;
}

} // namespace

frmSplash::frmSplash(PlatformServices& services, QWidget* parent)
    : QDialog(parent), m_Services(services) {
    InitShellResources();
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(QStringLiteral("About Quillary"));
    m_DialogFlags = windowFlags();
    BuildControls();
}

void frmSplash::BuildControls() {
    m_Image1 = new QLabel(this);
    m_Image1->setObjectName(QStringLiteral("Image1"));
    m_Image1->setPixmap(RenderArtwork(devicePixelRatioF()));
    m_Image1->setAlignment(Qt::AlignCenter);

    m_lblVersion = new QLabel(this);
    m_lblVersion->setObjectName(QStringLiteral("lblVersion"));
    m_lblVersion->setText(
        QStringLiteral("Version %1.%2").arg(QUILLARY_VERSION_MAJOR).arg(QUILLARY_VERSION_MINOR));

    m_Label1 = new QLabel(this);
    m_Label1->setObjectName(QStringLiteral("Label1"));
    m_Label1->setText(
        QStringLiteral("The desktop companion for your handheld's notes and pictures."));

    m_lblCompanyProduct = new QLabel(kWebAddress, this);
    m_lblCompanyProduct->setObjectName(QStringLiteral("lblCompanyProduct"));
    m_lblCompanyProduct->setAutoFillBackground(false);
    SetLinkLook(kLinkRest, false);

    m_cmdDone = new QPushButton(QStringLiteral("&OK"), this);
    m_cmdDone->setObjectName(QStringLiteral("cmdDone"));
    m_cmdDone->setDefault(true);
    m_cmdDone->setVisible(false);
    connect(m_cmdDone, &QPushButton::clicked, this, &QDialog::accept);

    // Moves over the artwork and the other labels must reach us to reset the link.
    setMouseTracking(true);
    for (QLabel* label : {m_Image1, m_lblVersion, m_Label1, m_lblCompanyProduct}) {
        label->setMouseTracking(true);
        label->installEventFilter(this);
    }

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_lblCompanyProduct);
    bottom->addStretch();
    bottom->addWidget(m_cmdDone);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_Image1);
    layout->addWidget(m_lblVersion);
    layout->addWidget(m_Label1);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmSplash::ShowAsSplash() {
    m_cmdDone->setVisible(false);
    m_lblCompanyProduct->unsetCursor();
    const Qt::WindowFlags splashFlags = Qt::SplashScreen | Qt::FramelessWindowHint;
    if (windowFlags() != splashFlags)
        setWindowFlags(splashFlags);
    setModal(false);
    show();
}

void frmSplash::PrepareAsAbout() {
    if (windowFlags() != m_DialogFlags)
        setWindowFlags(m_DialogFlags); // back from a splash use of the same form
    m_cmdDone->setVisible(true);
    m_lblCompanyProduct->setCursor(Qt::PointingHandCursor);
}

int frmSplash::ShowAsAbout() {
    PrepareAsAbout();
    return exec();
}

bool frmSplash::LinkActive() const {
    // isVisible() would also be false while the form itself is hidden.
    return !m_cmdDone->isHidden();
}

bool frmSplash::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_lblCompanyProduct) {
        if (event->type() == QEvent::MouseMove) {
            HighlightLink();
            return true; // the form's own move handler would reset the look again
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton &&
                m_lblCompanyProduct->rect().contains(mouse->position().toPoint()) && LinkActive()) {
                ResetLinkLook();
                OpenWebPage(kWebAddress);
            }
            return true;
        }
    } else if (event->type() == QEvent::MouseMove) {
        ResetLinkLook();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmSplash::mouseMoveEvent(QMouseEvent* event) {
    ResetLinkLook();
    QDialog::mouseMoveEvent(event);
}

void frmSplash::HighlightLink() {
    if (!LinkActive())
        return;
    if (m_lblCompanyProduct->palette().color(QPalette::WindowText) != kLinkHighlight)
        SetLinkLook(kLinkHighlight, true);
}

void frmSplash::ResetLinkLook() {
    if (m_lblCompanyProduct->palette().color(QPalette::WindowText) != kLinkRest)
        SetLinkLook(kLinkRest, false);
}

void frmSplash::SetLinkLook(const QColor& colour, bool underlined) {
    QPalette palette = m_lblCompanyProduct->palette();
    palette.setColor(QPalette::WindowText, colour);
    m_lblCompanyProduct->setPalette(palette);
    QFont font = m_lblCompanyProduct->font();
    font.setUnderline(underlined);
    m_lblCompanyProduct->setFont(font);
}

void frmSplash::OpenWebPage(const QString& address) {
    switch (m_Services.openUrl(address)) {
    case OpenResult::Opened:
        break;
    case OpenResult::NoHandler:
        m_Services.messageBox(QStringLiteral("Could not find associated Browser"),
                              QStringLiteral("Browser Not Found"), MsgButtons::Ok,
                              MsgIcon::Exclamation);
        break;
    case OpenResult::LaunchFailed:
        m_Services.messageBox(QStringLiteral("Webpage not loaded, unable to load") +
                                  QStringLiteral("\r") + QStringLiteral("default browser."),
                              QStringLiteral("Web Access Warning"), MsgButtons::Ok,
                              MsgIcon::Exclamation);
        break;
    }
}

} // namespace quillary
