// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quillary {

// Registers the shell's compiled-in images (toolbar icons under ":/icons/", the about box
// artwork). The shell is a static library, so its resources are not registered on their
// own: call this once at start-up, before the first window is built. Calling it again is
// harmless.
void InitShellResources();

} // namespace quillary
