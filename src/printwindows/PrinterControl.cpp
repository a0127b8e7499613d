// SPDX-License-Identifier: GPL-3.0-or-later
#include "printwindows/PrinterControl.h"

#include <QPrinter>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#include <dlfcn.h>
#endif

namespace quillary {

QString PrintQueueRefusal(const QPrinter& printer) {
    if (printer.outputFormat() != QPrinter::NativeFormat || !printer.outputFileName().isEmpty() ||
        printer.printerName().isEmpty())
        return QString();
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // The libcups that Qt's print support has loaded (never loaded here: without it there
    // was no CUPS job). Its last error is per thread, and the job was handed over on this one.
    void* cups = dlopen("libcups.so.2", RTLD_LAZY | RTLD_NOLOAD);
    if (!cups)
        return QString();
    using LastError = int (*)();
    using LastErrorString = const char* (*)();
    const auto lastError = reinterpret_cast<LastError>(dlsym(cups, "cupsLastError"));
    const auto lastErrorString =
        reinterpret_cast<LastErrorString>(dlsym(cups, "cupsLastErrorString"));
    QString why;
    // IPP status codes up to 0x00ff are successes (some with attributes substituted).
    const int status = lastError ? lastError() : 0;
    if (status > 0x00ff) {
        const char* text = lastErrorString ? lastErrorString() : nullptr;
        why = text && *text ? QString::fromLocal8Bit(text)
                            : QStringLiteral("The print queue refused the job.");
        // Internal error or service unavailable: for a scheduler that cannot be reached
        // libcups gives only the system's error ("No such file or directory"), which says
        // nothing about printing.
        if (status == 0x0500 || status == 0x0503)
            why = QStringLiteral("The print service did not take the job (%1).").arg(why);
    }
    dlclose(cups);
    return why;
#else
    return QString();
#endif
}

PrintDeviceControl PrinterControl(QPrinter& printer) {
    QPrinter* p = &printer;
    PrintDeviceControl control;
    control.fullPage = [p] { p->setFullPage(true); };
    control.abort = [p] { p->abort(); };
    control.failed = [p] {
        if (p->printerState() == QPrinter::Error)
            return true;
        // Once the job is over: Qt says nothing when the queue refuses it.
        return !p->paintingActive() && !PrintQueueRefusal(*p).isEmpty();
    };
    control.outputFileName = [p] { return p->outputFileName(); };
    control.setOutputFileName = [p](const QString& name) { p->setOutputFileName(name); };
    return control;
}

} // namespace quillary
