// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/PaperSettings.h"
#include "print/clsPrintData.h"

#include <QObject>
#include <QSizeF>

#include <functional>
#include <memory>

class QImage;
class QPainter;
class QPrinter;
class QWidget;

namespace quillary {

class PlatformServices;
class clsSettings;
class frmMain;

// What the page setup, print selection and print preview windows share: the main window
// they serve, the program's printer (paper, orientation, resolution) and the print
// routine, which runs the job with the main window's progress bar. Lives as a child of the
// main window (objectName "PrintWindowsHost").
class PrintWindowsHost : public QObject {
    Q_OBJECT
public:
    // Screen resolution the preview draws a page at: 100% zoom is the paper's real size.
    static constexpr int kPreviewDpi = 96;

    explicit PrintWindowsHost(frmMain& window);
    ~PrintWindowsHost() override;

    frmMain& Window() { return m_Window; }
    PlatformServices& Services();
    clsSettings& Settings();
    // Made on first use: asking the print system for its printers can take a moment. It
    // starts with the paper, orientation and printer the settings keep (PaperSettings);
    // a printer no longer installed leaves the default printer.
    QPrinter& Printer();
    // Puts the printer's paper, orientation and printer name into the settings and saves
    // them, so the next start (and quillary-pdb print) uses them.
    void StorePaper();
    // What the printer is set to, to be put back by RestorePaper.
    PaperSettings PrinterPaper();
    void RestorePaper(const PaperSettings& paper);

    // The print routine run by Print in the selection and preview windows, after checking
    // that the layout leaves room for notes on the paper and dropping selected positions
    // that name no note. Defaults to PrintNotes on Printer(), so the paper chosen in Page
    // Setup is the paper previewed and printed.
    void SetPrintRoutine(std::function<void()> routine) { m_PrintRoutine = std::move(routine); }
    void RunPrintRoutine();

    // Prints the notes of the stored print selection: commits the current note through the
    // main window, shows the print dialog (printer or PDF file), then prints every page
    // with the main window's progress bar. Escape cancels a running job. Returns true when
    // the job was printed. printer: the program's printer whose paper Page Setup chose; a
    // fresh one when null.
    bool PrintNotes(QPrinter* printer = nullptr);

    // The windows, each shown modally through the platform services.
    void ShowPageSetup(QWidget* parent);
    void ShowPrintSelection();
    void ShowPrintPreview();

    // A print layout loaded from the settings, reading notes from the main window's
    // database, with the shown user's name and the services' clock. Selection entries that
    // name no note of the database are dropped (and dropped from the stored selection),
    // so a stale selection never prints one note several times.
    void LoadPrintData(clsPrintData& data);

    // The paper's size in inches (the whole sheet, in the printer's orientation).
    QSizeF PaperInches();
    // A target on an image that stands for the printer's paper: the same geometry as the
    // printer at the image's scale. unitsPerInch: the image's pixels per paper inch;
    // paperInches: the paper's exact size (empty: the image's size over unitsPerInch).
    static PrintTarget PaperTarget(QImage& image, QPainter* painter, double unitsPerInch,
                                   QSizeF paperInches = {});
    // Whether a layout measured for a page leaves no room for the notes.
    static bool LeavesNoRoom(const clsPrintData& data);

    // Shows the hourglass and the main window's progress bar in place of its status bar
    // for as long as the returned object lives; progress() moves the bar (0..1000).
    class Busy {
    public:
        explicit Busy(frmMain& window);
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;
        PrintProgress progress() const;

    private:
        frmMain& m_Window;
        bool m_StatusWasVisible = true;
    };

private:
    frmMain& m_Window;
    std::unique_ptr<QPrinter> m_Printer;
    std::function<void()> m_PrintRoutine;
};

} // namespace quillary
