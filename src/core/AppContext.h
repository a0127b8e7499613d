// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class clsDatabase;

namespace quillary {

class PlatformServices;
class clsSettings;

// What the program-wide routines need: the person-facing services, the one settings
// store and the one open notes database. The main window owns one and hands it on;
// tests build one around a scripted PlatformServices and a temporary settings file.
struct AppContext {
    PlatformServices& services;
    clsSettings& settings;
    clsDatabase* database = nullptr; // may be null (no database open yet)
};

} // namespace quillary
