#pragma once

namespace quillary {

// One print layout and the selection of notes to print.
class clsPrintData {};

} // namespace quillary
