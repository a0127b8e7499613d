// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QFont>

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;

namespace quillary {

class PlatformServices;
class clsSettings;

// The modal "Settings" dialog: the note display font and four on/off options (the fourth
// turns the network HotSync service on). Nothing is stored until OK; OK writes all ten
// keys and saves the settings file, Cancel changes nothing (also after a font was chosen).
// Starting or stopping the service is the main window's, after OK.
//
// The main window plugs itself in with two callbacks, both run only on OK:
//   SetRightJustifyHandler: set the note text box's alignment (true = right); runs before
//     the settings file is written.
//   SetResizeHandler: the main window's ResizeMe, which re-applies the note font from the
//     settings; runs after the file was written, just before the dialog closes.
// e.g. dlg.SetRightJustifyHandler([edit](bool r) {
//          edit->setAlignment(r ? Qt::AlignRight : Qt::AlignLeft); });
//      dlg.SetResizeHandler([this] { ResizeMe(); });
//      dlg.exec();
class frmOptions : public QDialog {
    Q_OBJECT
public:
    // services and settings must outlive the dialog. parent: the main window, whose icon
    // the dialog takes.
    frmOptions(PlatformServices& services, clsSettings& settings, QWidget* parent = nullptr);

    void SetRightJustifyHandler(std::function<void(bool rightJustify)> handler);
    void SetResizeHandler(std::function<void()> handler);

    // The font that OK would store.
    QFont WorkingFont() const { return m_WorkingFont; }

private:
    void BuildControls();
    void LoadSettings();
    void ShowCurrentFont();
    void cmdFont_Click();
    void cmdDone_Click();

    PlatformServices& m_Services;
    clsSettings& m_Settings;
    QFont m_WorkingFont;
    std::function<void(bool)> m_RightJustifyHandler;
    std::function<void()> m_ResizeHandler;

    QLabel* m_lblAbc = nullptr;
    QLabel* m_lblCurFont = nullptr;
    QPushButton* m_cmdFont = nullptr;
    QLabel* m_Label1 = nullptr;
    QCheckBox* m_chkRightJustify = nullptr;
    QCheckBox* m_chkLogErrors = nullptr;
    QCheckBox* m_chkDontShowSplashScreen = nullptr;
    QCheckBox* m_chkListenNetworkSync = nullptr;
    QPushButton* m_cmdDone = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

} // namespace quillary
