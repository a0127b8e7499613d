// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmOptions.h"

#include "core/PlatformServices.h"
#include "core/clsSettings.h"
#include "core/modGlobals.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace quillary {

namespace {

// "10", "9.75": the size as a plain decimal number, as the font reader expects it.
QString PointSizeText(qreal size) {
    return QString::number(std::round(size * 10000.0) / 10000.0, 'g', 12);
}

} // namespace

frmOptions::frmOptions(PlatformServices& services, clsSettings& settings, QWidget* parent)
    : QDialog(parent), m_Services(services), m_Settings(settings) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Quillary - Settings"));
    if (parent)
        setWindowIcon(parent->window()->windowIcon());
    BuildControls();
    LoadSettings();
}

void frmOptions::SetRightJustifyHandler(std::function<void(bool)> handler) {
    m_RightJustifyHandler = std::move(handler);
}

void frmOptions::SetResizeHandler(std::function<void()> handler) {
    m_ResizeHandler = std::move(handler);
}

void frmOptions::BuildControls() {
    m_lblAbc = new QLabel(QStringLiteral("Note Display Font:"), this);
    m_lblAbc->setObjectName(QStringLiteral("lblAbc"));
    m_lblCurFont = new QLabel(this);
    m_lblCurFont->setObjectName(QStringLiteral("lblCurFont"));
    m_lblCurFont->setFrameShape(QFrame::StyledPanel);
    m_lblCurFont->setFrameShadow(QFrame::Sunken);
    m_lblCurFont->setMinimumWidth(220);
    m_cmdFont = new QPushButton(QStringLiteral("&Font..."), this);
    m_cmdFont->setObjectName(QStringLiteral("cmdFont"));

    m_Label1 = new QLabel(QStringLiteral("Misc:"), this);
    m_Label1->setObjectName(QStringLiteral("Label1"));
    m_chkRightJustify = new QCheckBox(QStringLiteral("Right Justify Note Text"), this);
    m_chkRightJustify->setObjectName(QStringLiteral("chkRightJustify"));
    m_chkLogErrors = new QCheckBox(
        QStringLiteral("Output Errors to .log file for importing notes databases"), this);
    m_chkLogErrors->setObjectName(QStringLiteral("chkLogErrors"));
    m_chkDontShowSplashScreen = new QCheckBox(QStringLiteral("Don't Show Splash Screen"), this);
    m_chkDontShowSplashScreen->setObjectName(QStringLiteral("chkDontShowSplashScreen"));
    m_chkListenNetworkSync = new QCheckBox(QStringLiteral("Listen for network HotSync"), this);
    m_chkListenNetworkSync->setObjectName(QStringLiteral("chkListenNetworkSync"));
    m_chkListenNetworkSync->setToolTip(
        QStringLiteral("While Quillary runs, handhelds can synchronize over the network "
                       "(TCP port 14238 unless \"Network HotSync Port\" says otherwise)."));

    m_cmdDone = new QPushButton(QStringLiteral("&OK"), this);
    m_cmdDone->setObjectName(QStringLiteral("cmdDone"));
    m_cmdDone->setDefault(true);
    m_cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    connect(m_cmdFont, &QPushButton::clicked, this, &frmOptions::cmdFont_Click);
    connect(m_cmdDone, &QPushButton::clicked, this, &frmOptions::cmdDone_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(m_lblCurFont, 1);
    fontRow->addWidget(m_cmdFont);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_cmdDone);
    buttons->addWidget(m_cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lblAbc);
    layout->addLayout(fontRow);
    layout->addSpacing(8);
    layout->addWidget(m_Label1);
    layout->addWidget(m_chkRightJustify);
    layout->addWidget(m_chkLogErrors);
    layout->addWidget(m_chkDontShowSplashScreen);
    layout->addWidget(m_chkListenNetworkSync);
    layout->addSpacing(8);
    // A larger window keeps the options together and the buttons at the bottom.
    layout->addStretch(1);
    layout->addLayout(buttons);
}

void frmOptions::LoadSettings() {
    m_WorkingFont = GetEditorFont(m_Settings);
    ShowCurrentFont();
    m_chkRightJustify->setChecked(m_Settings.GetFlag(Config::RightJustify));
    m_chkLogErrors->setChecked(m_Settings.GetFlag(Config::LogErrors));
    m_chkDontShowSplashScreen->setChecked(m_Settings.GetFlag(Config::DontShowSplashScreen));
    m_chkListenNetworkSync->setChecked(m_Settings.GetFlag(Config::ListenNetworkHotSync));
}

void frmOptions::ShowCurrentFont() {
    m_lblCurFont->setFont(m_WorkingFont);
    // The stored face may not be installed: name the one the notes are drawn in.
    m_lblCurFont->setText(GetDrawnFontDescription(m_WorkingFont));
    const QString drawn = QFontInfo(m_WorkingFont).family();
    m_lblCurFont->setToolTip(
        drawn == m_WorkingFont.family()
            ? QString()
            : m_WorkingFont.family() +
                  QStringLiteral(" is not installed; the notes are shown in ") + drawn +
                  QStringLiteral("."));
}

void frmOptions::cmdFont_Click() {
    const std::optional<QFont> chosen =
        m_Services.chooseFont(m_WorkingFont, QStringLiteral("Choose Text Font"));
    if (chosen) {
        // Only the six properties the settings keep; a pixel-sized font has no point
        // size to store, so the working size stays.
        m_WorkingFont.setBold(chosen->bold());
        m_WorkingFont.setFamily(chosen->family());
        if (chosen->pointSizeF() > 0)
            m_WorkingFont.setPointSizeF(chosen->pointSizeF());
        m_WorkingFont.setItalic(chosen->italic());
        m_WorkingFont.setStrikeOut(chosen->strikeOut());
        m_WorkingFont.setUnderline(chosen->underline());
    }
    ShowCurrentFont();
}

void frmOptions::cmdDone_Click() {
    m_Settings.SetFlag(Config::DontShowSplashScreen, m_chkDontShowSplashScreen->isChecked());
    m_Settings.SetFlag(Config::LogErrors, m_chkLogErrors->isChecked());
    m_Settings.SetFlag(Config::RightJustify, m_chkRightJustify->isChecked());
    m_Settings.SetFlag(Config::ListenNetworkHotSync, m_chkListenNetworkSync->isChecked());
    if (m_RightJustifyHandler)
        m_RightJustifyHandler(m_Settings.GetFlag(Config::RightJustify));

    m_Settings.SetFlag(Config::FontBold, m_WorkingFont.bold());
    m_Settings.Set(Config::FontName, m_WorkingFont.family());
    m_Settings.Set(Config::FontSize, PointSizeText(m_WorkingFont.pointSizeF()));
    m_Settings.SetFlag(Config::FontItalic, m_WorkingFont.italic());
    m_Settings.SetFlag(Config::FontStrikeThru, m_WorkingFont.strikeOut());
    m_Settings.SetFlag(Config::FontUnderLine, m_WorkingFont.underline());
    m_Settings.Save();

    if (m_ResizeHandler)
        m_ResizeHandler();
    accept();
}

} // namespace quillary
