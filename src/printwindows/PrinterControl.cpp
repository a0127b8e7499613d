// SPDX-License-Identifier: GPL-3.0-or-later
#include "printwindows/PrinterControl.h"

#include <QPrinter>

namespace quillary {

PrintDeviceControl PrinterControl(QPrinter& printer) {
    QPrinter* p = &printer;
    PrintDeviceControl control;
    control.fullPage = [p] { p->setFullPage(true); };
    control.abort = [p] { p->abort(); };
    control.failed = [p] { return p->printerState() == QPrinter::Error; };
    control.outputFileName = [p] { return p->outputFileName(); };
    control.setOutputFileName = [p](const QString& name) { p->setOutputFileName(name); };
    return control;
}

} // namespace quillary
