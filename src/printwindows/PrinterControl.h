// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "print/clsPrintData.h"

#include <QString>

class QPrinter;

namespace quillary {

// What the print engine needs of a printer beyond its pages: full-page mode, aborting a
// cancelled job, its error state and its output file (so a print to a file replaces the
// chosen file only once complete). Pass it with the printer to clsPrintData::PrintNotes;
// printer must outlive the returned control.
PrintDeviceControl PrinterControl(QPrinter& printer);

// Why the print queue refused the job just handed to it ("" when it took it, or when the
// printer is no queue: a PDF or a file). Qt's print support does not report whether CUPS
// accepted a finished job; this asks libcups about the request that ended the job, so it
// is only meaningful right after the job's painter has ended.
QString PrintQueueRefusal(const QPrinter& printer);

} // namespace quillary
