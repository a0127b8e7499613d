// SPDX-License-Identifier: GPL-3.0-or-later
#include "printwindows/PrintWindowsHost.h"

#include "core/PlatformServices.h"
#include "core/clsSettings.h"
#include "core/modGlobals.h"
#include "mainwindow/frmMain.h"
#include "print/PrintCancelWatch.h"
#include "print/PrintSettings.h"
#include "printwindows/PrinterControl.h"
#include "printwindows/frmPageSetup.h"
#include "printwindows/frmPrintPreview.h"
#include "printwindows/frmPrintSelection.h"
#include "storage/clsDatabase.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QStatusBar>

#include <algorithm>
#include <cmath>

namespace quillary {

PrintWindowsHost::PrintWindowsHost(frmMain& window) : QObject(&window), m_Window(window) {
    setObjectName(QStringLiteral("PrintWindowsHost"));
}

PrintWindowsHost::~PrintWindowsHost() = default;

PlatformServices& PrintWindowsHost::Services() {
    return m_Window.Context().services;
}

clsSettings& PrintWindowsHost::Settings() {
    return m_Window.Context().settings;
}

void PrintWindowsHost::LoadPrintData(clsPrintData& data) {
    LoadPrintSettings(Settings(), data);
    const clsDatabase& database = m_Window.Database();
    data.SetDatabase(&database);
    const int user = m_Window.CurrentUserIndex();
    if (user >= 0 && user < m_Window.Users().names.size())
        data.SetUserName(m_Window.Users().names.at(user));
    PlatformServices* services = &Services();
    data.SetClock([services] { return services->now(); });

    const int records = database.GetNumRecords();
    std::vector<int32_t> kept;
    kept.reserve(data.Selection().size());
    for (int32_t index : data.Selection())
        if (index >= 0 && index < records)
            kept.push_back(index);
    if (kept.size() != data.Selection().size()) {
        data.SetSelection(std::move(kept));
        Settings().Set(Config::PrintNotesSelectedString, data.PrintNotesString());
    }
}

QPrinter& PrintWindowsHost::Printer() {
    if (!m_Printer) {
        m_Printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        RestorePaper(PaperSettings::Read(Settings()));
    }
    return *m_Printer;
}

void PrintWindowsHost::RestorePaper(const PaperSettings& paper) {
    QPrinter& printer = Printer();
    // Choosing a printer resets the paper to its own default: the printer comes first.
    if (!paper.printerName.isEmpty() && printer.outputFormat() == QPrinter::NativeFormat &&
        QPrinterInfo::availablePrinterNames().contains(paper.printerName))
        printer.setPrinterName(paper.printerName);
    printer.setPageSize(paper.size);
    printer.setPageOrientation(paper.orientation);
}

PaperSettings PrintWindowsHost::PrinterPaper() {
    QPrinter& printer = Printer();
    PaperSettings paper;
    paper.size = printer.pageLayout().pageSize();
    paper.orientation = printer.pageLayout().orientation();
    // A PDF file has no printer; the printer stored before stays the one to come back to.
    paper.printerName = printer.outputFormat() == QPrinter::NativeFormat
                            ? printer.printerName()
                            : Settings().Get(Config::PrintPrinterName);
    return paper;
}

void PrintWindowsHost::StorePaper() {
    PrinterPaper().Write(Settings());
    // A write failure is reported by the settings store itself.
    Settings().Save();
}

QSizeF PrintWindowsHost::PaperInches() {
    return Printer().pageLayout().fullRect(QPageLayout::Inch).size();
}

PrintTarget PrintWindowsHost::PaperTarget(QImage& image, QPainter* painter, double unitsPerInch,
                                          QSizeF paperInches) {
    // Measured as the printer is (its own units per inch), only smaller: what the preview
    // shows is what the sheet gets, whatever the paper's width.
    PrintTarget target;
    target.painter = painter;
    target.isPrinter = true;
    target.unitsPerInch = unitsPerInch;
    target.pageWidth = image.width();
    target.pageHeight = image.height();
    target.paperInches = paperInches;
    target.onScreen = true;
    return target;
}

bool PrintWindowsHost::LeavesNoRoom(const clsPrintData& data) {
    return data.LeavesNoRoom();
}

void PrintWindowsHost::RunPrintRoutine() {
    clsPrintData check;
    LoadPrintData(check);
    check.InitializeSettings(PrintTarget::ForPrinter(Printer(), nullptr));
    if (LeavesNoRoom(check)) {
        Services().messageBox(clsPrintData::NoRoomMessage(), kAppTitle, MsgButtons::Ok,
                              MsgIcon::Exclamation);
        return;
    }
    if (m_PrintRoutine)
        m_PrintRoutine();
    else
        PrintNotes(&Printer());
}

bool PrintWindowsHost::PrintNotes(QPrinter* printer) {
    if (!m_Window.SaveChanges())
        return false;
    clsPrintData print;
    LoadPrintSettings(Settings(), print);
    const clsDatabase& database = m_Window.Database();
    print.SetDatabase(&database);
    QComboBox* users = m_Window.UserSelector();
    const int position = m_Window.CurrentUserIndex();
    const int user = position >= 0 ? users->itemData(position).toInt() : -1;
    print.SetUserName(m_Window.Users().names.value(user, users->currentText()));
    PlatformServices* services = &Services();
    print.SetClock([services] { return services->now(); });

    QPrinter ownPrinter(QPrinter::HighResolution);
    if (!printer)
        printer = &ownPrinter;
    printer->setDocName(QFileInfo(QString::fromStdString(database.GetFileName())).baseName());
    if (!Services().printDialog(printer))
        return false;

    QString error;
    clsPrintData::PrintResult result;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_Window.ShowProgressBar(true);
        QProgressBar* bar = m_Window.ProgressBar();
        const QString format = bar->format();
        const bool textVisible = bar->isTextVisible();
        bar->setFormat(tr("Printing %p% - Esc cancels"));
        bar->setTextVisible(true);
        // Repaint in steps of 1%: a job of many notes reports thousands of values.
        const PrintProgress progress = [bar](int value) {
            if (value / 10 == bar->value() / 10 && value != 1000)
                return;
            bar->setValue(value);
            bar->repaint();
        };
        PrintCancelWatch watch;
        result = print.PrintNotes(
            *printer, progress, [&watch] { return watch.Cancelled(); }, &error,
            PrinterControl(*printer));
        // Asked at once: the queue's answer is libcups's last one on this thread.
        if (result == clsPrintData::PrintResult::Failed) {
            const QString refusal = PrintQueueRefusal(*printer);
            if (!refusal.isEmpty())
                error += QLatin1Char('\n') + refusal;
        }
        bar->setFormat(format);
        bar->setTextVisible(textVisible);
        m_Window.ShowProgressBar(false);
        QApplication::restoreOverrideCursor();
    }
    if (result == clsPrintData::PrintResult::Cancelled)
        Services().messageBox(tr("Printing was cancelled."), kAppTitle, MsgButtons::Ok,
                              MsgIcon::Information);
    else if (result == clsPrintData::PrintResult::NoRoom)
        Services().messageBox(error, kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
    else if (result == clsPrintData::PrintResult::Failed)
        Services().messageBox(tr("The notes could not be printed.\n%1").arg(error), kAppTitle,
                              MsgButtons::Ok, MsgIcon::Exclamation);
    return result == clsPrintData::PrintResult::Printed;
}

void PrintWindowsHost::ShowPageSetup(QWidget* parent) {
    frmPageSetup dialog(*this, parent ? parent : &m_Window);
    Services().runDialog(dialog);
}

void PrintWindowsHost::ShowPrintSelection() {
    frmPrintSelection dialog(*this, &m_Window);
    Services().runDialog(dialog);
    // The window has closed; what it asked for runs with the selection it saved.
    switch (dialog.Choice()) {
    case frmPrintSelection::Chosen::Print:
        RunPrintRoutine();
        break;
    case frmPrintSelection::Chosen::Preview:
        ShowPrintPreview();
        break;
    case frmPrintSelection::Chosen::Nothing:
        break;
    }
}

void PrintWindowsHost::ShowPrintPreview() {
    bool print = false;
    {
        frmPrintPreview dialog(*this, &m_Window);
        Services().runDialog(dialog);
        print = dialog.PrintChosen();
    }
    if (print)
        RunPrintRoutine();
}

PrintWindowsHost::Busy::Busy(frmMain& window) : m_Window(window) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QProgressBar* bar = m_Window.ProgressBar();
    QStatusBar* status = m_Window.statusBar();
    m_StatusWasVisible = !status->isHidden();
    bar->setValue(0);
    bar->setGeometry(status->geometry());
    status->hide();
    bar->show();
    bar->raise();
}

PrintWindowsHost::Busy::~Busy() {
    m_Window.ProgressBar()->hide();
    if (m_StatusWasVisible)
        m_Window.statusBar()->show();
    QApplication::restoreOverrideCursor();
}

PrintProgress PrintWindowsHost::Busy::progress() const {
    QProgressBar* bar = m_Window.ProgressBar();
    return [bar](int value) {
        value = std::clamp(value, 0, 1000);
        if (value == bar->value())
            return;
        bar->setValue(value);
        bar->repaint();
    };
}

} // namespace quillary
