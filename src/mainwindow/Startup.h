#pragma once

#include <memory>

class clsDatabase;

namespace quillary {

class PlatformServices;
class clsSettings;
class frmMain;

// The program's start after the single-instance check: seeds the start-up settings, shows
// the about box as a splash screen unless "Don't Show Splash Screen" is "1", waits until
// the clock has passed two whole seconds (2 to 3 seconds, splash or not), then shows the
// main window with the default user's notes and closes the splash screen.
// minimumWaitSeconds exists for tests; the program uses 2.
std::unique_ptr<frmMain> StartMainWindow(PlatformServices& services, clsSettings& settings,
                                         clsDatabase& database, int minimumWaitSeconds = 2);

} // namespace quillary
