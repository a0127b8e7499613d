# SPDX-License-Identifier: GPL-3.0-or-later
"""Lists the controls of the running Quillary that a screen reader finds without a name.

Waits for the application on the accessibility bus, walks its main window and fails (exit 1)
on any push button, toggle button, check box, radio button, scroll bar, text, list, combo
box, table or tree that shows without a name, or when the picture is missing or says nothing
of the note it shows.
"""
import sys
import time

import pyatspi

NAMED_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_SCROLL_BAR, pyatspi.ROLE_TEXT,
    pyatspi.ROLE_LIST, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE,
    pyatspi.ROLE_TREE_TABLE, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_SLIDER,
    pyatspi.ROLE_IMAGE,
}


def find_window(deadline):
    while time.time() < deadline:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is None or "quillary" not in (app.name or "").lower():
                continue
            for window in app:
                if window is not None and (window.name or "").startswith("Quillary"):
                    return window
        time.sleep(0.5)
    return None


def walk(node, path, found):
    try:
        role = node.getRole()
        name = node.name or ""
        showing = node.getState().contains(pyatspi.STATE_SHOWING)
    except Exception:  # a node that went away while read
        return
    here = path + "/" + (node.getRoleName() or "?") + ("[" + name + "]" if name else "")
    found.append((role, name, node.description or "", showing, here))
    for child in node:
        if child is not None:
            walk(child, here, found)


def main():
    window = find_window(time.time() + 60)
    if window is None:
        print("FAIL: no Quillary window on the accessibility bus")
        return 1
    time.sleep(1)  # the window's first layout
    found = []
    walk(window, "", found)
    problems = [p for (role, name, _, showing, p) in found
                if showing and role in NAMED_ROLES and not name.strip()]
    pictures = [(name, description) for (role, name, description, showing, _) in found
                if showing and name.startswith("Picture")]
    print("%d accessible objects read" % len(found))
    status = 0
    for p in problems:
        print("FAIL: no name: " + p)
        status = 1
    if not pictures:
        print("FAIL: no picture named on the bus")
        status = 1
    for name, description in pictures:
        print("picture: %s (%s)" % (name, description))
        if "note 1" not in name + " " + description or "Pencil" not in name + " " + description:
            print("FAIL: the picture does not say which note and tool it shows")
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main())
