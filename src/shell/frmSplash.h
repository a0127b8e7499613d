// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace quillary {

class PlatformServices;

// The about box, also shown as the start-up splash screen. The two uses differ only in
// the OK button: hidden in the splash screen, shown in the about box. The web link only
// reacts (highlight, click) while OK is visible, so the splash screen never opens a
// browser.
class frmSplash : public QDialog {
    Q_OBJECT
public:
    // The maker's web address behind the link.
    static inline const QString kWebAddress = QStringLiteral("https://quillary.example.org/");

    // services must outlive the form.
    explicit frmSplash(PlatformServices& services, QWidget* parent = nullptr);

    // Splash screen: OK hidden, frameless, shown without waiting. The caller closes it.
    void ShowAsSplash();
    // Makes OK visible; ShowAsAbout does this before its modal run. Exposed so that a
    // caller can show the about box modeless.
    void PrepareAsAbout();
    // About box: OK visible, modal. Returns the dialog's result once OK closed it.
    int ShowAsAbout();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void BuildControls();
    bool LinkActive() const;
    void HighlightLink();
    void ResetLinkLook();
    void SetLinkLook(const QColor& colour, bool underlined);
    void OpenWebPage(const QString& address);

    PlatformServices& m_Services;
    Qt::WindowFlags m_DialogFlags;
    QLabel* m_Image1 = nullptr;
    QLabel* m_lblVersion = nullptr;
    QLabel* m_Label1 = nullptr;
    QLabel* m_lblCompanyProduct = nullptr;
    QPushButton* m_cmdDone = nullptr;
};

} // namespace quillary
