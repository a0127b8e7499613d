// SPDX-License-Identifier: GPL-3.0-or-later
#include "clsPopupMenu.h"

#include "core/PlatformServices.h"

namespace quillary {

int clsPopupMenu::Popup(PlatformServices& services, const QStringList& items) const {
    if (items.isEmpty())
        return 0;
    const int chosen = services.popupMenu(items);
    // Anything that is not one of the items counts as dismissed.
    return (chosen >= 1 && chosen <= items.size()) ? chosen : 0;
}

} // namespace quillary
