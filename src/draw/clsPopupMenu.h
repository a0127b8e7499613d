// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

namespace quillary {

class PlatformServices;

// A context menu of strings at the pointer, answered through the platform services.
class clsPopupMenu {
public:
    // Items whose text, trimmed, is "-" are separators; they still count as positions.
    // Returns the 1-based position of the chosen item, or 0 when the menu was dismissed.
    // Blocks until the person chooses (tests answer through the scripted services).
    int Popup(PlatformServices& services, const QStringList& items) const;
};

} // namespace quillary
