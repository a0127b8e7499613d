// SPDX-License-Identifier: GPL-3.0-or-later
#include "ShellResources.h"

#include <QtGlobal>

#include <mutex>

// Q_INIT_RESOURCE declares the registration function at the scope it is used in, so it
// must be called from outside any namespace.
static void InitShellUiResource() {
    Q_INIT_RESOURCE(shell_ui);
}

namespace quillary {

void InitShellResources() {
    // Registering twice would list every file twice; once is enough for the process.
    static std::once_flag once;
    std::call_once(once, InitShellUiResource);
}

} // namespace quillary
