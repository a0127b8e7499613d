// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "print/clsPrintData.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillary {

class PrintWindowsHost;
class ctlScrollablePicBox;

// "Quillary - Print Preview": one page of the stored selection at a time, painted by the
// same routine as the printed sheet at the printer's paper size, at 25% to 200%.
// Page Up / Page Down turn pages, Ctrl + wheel zooms, Escape closes.
class frmPrintPreview : public QDialog {
    Q_OBJECT
public:
    frmPrintPreview(PrintWindowsHost& host, QWidget* parent = nullptr);

    // Print closed the window; the host prints after it has gone.
    bool PrintChosen() const { return m_PrintChosen; }
    int PageShown() const { return m_PageShown; }
    const clsPrintData& PrintData() const { return m_PrintData; }
    ctlScrollablePicBox* PreviewBox() const { return m_picPrintPreview; }

    // Paints page onto image (the paper at unitsPerInch, 0: PrintWindowsHost::kPreviewDpi)
    // exactly as the printer gets it: the page, then the separator lines. paperInches: the
    // paper's exact size (empty: the image's size at that resolution). data must have been
    // measured against image with the same paper (Measure).
    static void PaintPage(clsPrintData& data, QImage& image, int page,
                          const PrintProgress& progress = {}, QSizeF paperInches = {},
                          double unitsPerInch = 0);
    // Measures data against image (InitializeSettings).
    static void Measure(clsPrintData& data, QImage& image, QSizeF paperInches = {},
                        double unitsPerInch = 0);

    // Shows page (limited to the page range), as typing it into the page box would.
    void ShowPage(int page);

    // The Scale list's entries after the percentages: the page follows the window's size.
    static constexpr int kFitPage = 4;
    static constexpr int kFitWidth = 5;

    // Closing stores the window's place, size and Scale for the next opening.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void LoadSettings();
    void PreparePage();
    void OnPageTextChanged();
    void DrawPage();
    void OnZoomChosen(int position);
    void Zoom(int steps);
    void ApplyFit();
    void RestoreGeometry();
    void CommitPageText();
    void OnSetup();

    PrintWindowsHost& m_Host;
    clsPrintData m_PrintData;
    int m_PageShown = 0;
    bool m_PrintChosen = false;

    ctlScrollablePicBox* m_picPrintPreview = nullptr;
    QWidget* m_picButtons = nullptr;
    QLabel* m_lblScale = nullptr;
    QComboBox* m_cmbViewSize = nullptr;
    QLabel* m_lblPage = nullptr;
    QLineEdit* m_txtPageNum = nullptr;
    QLabel* m_lblPageCount = nullptr;
    QPushButton* m_cmdPrint = nullptr;
    QPushButton* m_cmdMargins = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

} // namespace quillary
