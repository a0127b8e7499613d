// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

class clsDatabase;

namespace quillary {

class PlatformServices;
class SingleInstance;
class clsSettings;
class frmMain;

// The program's start after the single-instance check: seeds the start-up settings, shows
// the about box as a splash screen unless "Don't Show Splash Screen" is "1", waits until
// the clock has passed two whole seconds (2 to 3 seconds, splash or not), then shows the
// main window with the default user's notes and closes the splash screen.
// minimumWaitSeconds exists for tests; the program uses 2.
// With an instance, later starts bring the window forward; one that arrives during the
// wait is kept and honoured once the window shows.
std::unique_ptr<frmMain> StartMainWindow(PlatformServices& services, clsSettings& settings,
                                         clsDatabase& database, int minimumWaitSeconds = 2,
                                         SingleInstance* instance = nullptr);

// Every activation request of the instance brings the window forward (BringWindowForward).
void FollowActivationRequests(SingleInstance& instance, frmMain& window);

// Shows the window un-minimised, raised and active. A window whose native window has gone
// (destroyed by another program, or a window manager that crashed) gets a new one; the
// widgets, and so the unsaved edits in them, are the same.
void BringWindowForward(frmMain& window);

} // namespace quillary
