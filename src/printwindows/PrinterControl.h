// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "print/clsPrintData.h"

class QPrinter;

namespace quillary {

// What the print engine needs of a printer beyond its pages: full-page mode, aborting a
// cancelled job, its error state and its output file (so a print to a file replaces the
// chosen file only once complete). Pass it with the printer to clsPrintData::PrintNotes;
// printer must outlive the returned control.
PrintDeviceControl PrinterControl(QPrinter& printer);

} // namespace quillary
