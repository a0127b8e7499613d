// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/PaperSettings.h"
#include "print/clsPrintData.h"
#include "printwindows/frmPageSetupControls.h"

#include <QDialog>

namespace quillary {

class PrintWindowsHost;

// "Page Setup": edits a print layout of its own, loaded from the settings when the window
// opens. Every edit shows at once in the page, proportion and header/footer previews;
// nothing reaches the settings before Apply or OK.
class frmPageSetup : public QDialog {
    Q_OBJECT
public:
    frmPageSetup(PrintWindowsHost& host, QWidget* parent = nullptr);

    const clsPrintData& PrintData() const { return m_PrintData; }
    bool Changed() const { return m_Changed; }
    const frmPageSetupControls& Controls() const { return m_Ui; }

    // Where the page preview sits in its area for a paper height/width ratio r.
    static QRect MarginPreviewRect(double r);

    // Closing without OK puts back the paper and printer chosen since the last Apply.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Connect();
    void FillControls();
    void MarkChanged();
    void OnTabChanged();
    void DrawPagePreview();
    void RefreshHeaderPreviews();
    void UpdateProportion();
    void OnPercentChanged(bool bitmapBox);
    void OnPercentFinished(bool bitmapBox);
    void OnFont();
    void OnPrinter();
    void OnDefaults();
    bool Apply();
    void OnOk();
    void ShowFont();

    PrintWindowsHost& m_Host;
    frmPageSetupControls m_Ui;
    clsPrintData m_PrintData;
    bool m_Changed = false;
    bool m_Guard = false;   // the two percentage boxes are updating each other
    bool m_Filling = false; // the controls are being filled from m_PrintData
    // The printer's paper as last stored, and whether Printer chose another since.
    PaperSettings m_PaperApplied;
    bool m_PaperChosen = false;
};

} // namespace quillary
