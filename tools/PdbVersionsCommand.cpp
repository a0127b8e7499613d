// SPDX-License-Identifier: GPL-3.0-or-later
#include "PdbVersionsCommand.h"

#include "storage/FileIO.h"
#include "storage/PdbFormat.h"
#include "storage/VersionStore.h"
#include "storage/clsDatabase.h"

#include <cstdio>
#include <ctime>
#include <filesystem>

namespace fs = std::filesystem;

namespace quillary {

namespace {

std::string UtcText(std::time_t t) {
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[40];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return buf;
}
} // namespace

bool RunVersionsCommand(const std::vector<std::string>& args, std::string* output,
                        std::string* message) {
    if (args.size() != 1)
        return Fail(message, "versions needs FILE; see quillary-pdb --help.");
    const std::string file = GetLongFileName(args[0]);
    VersionStore store(file);
    const std::vector<VersionInfo> versions = store.List();
    if (versions.empty() && !FileExists(file))
        return Fail(message, file + ": not found, and no earlier versions of it are kept.");
    std::string out;
    int number = 0;
    for (const VersionInfo& v : versions) {
        char line[200];
        std::snprintf(line, sizeof line, "%d\t%s\t%s\t%s notes\t%llu bytes\n", ++number,
                      v.id.c_str(), UtcText(v.kept).c_str(),
                      v.records < 0 ? "?" : std::to_string(v.records).c_str(),
                      static_cast<unsigned long long>(v.size));
        out += line;
    }
    *output = out;
    return true;
}

bool RunRestoreCommand(const std::vector<std::string>& args, std::string* message) {
    if (args.size() != 3)
        return Fail(message, "restore needs FILE VERSION OUT; see quillary-pdb --help.");
    const std::string file = GetLongFileName(args[0]);
    const std::string out = GetLongFileName(args[2]);
    VersionStore store(file);
    VersionInfo version;
    if (!store.Find(args[1], version))
        return Fail(message, file + ": no earlier version \"" + args[1] +
                                 "\"; quillary-pdb versions FILE lists them.");
    std::vector<uint8_t> bytes;
    std::string why;
    if (!store.Read(version, bytes, &why))
        return Fail(message, why);
    clsDatabase check; // a damaged version is not written over anything
    if (!check.LoadDatabaseBytes(bytes.data(), bytes.size(), version.path, {}, &why))
        return Fail(message, why);
    // A new file, or a database replaced the one way every writer does: kept first.
    if (!MayWriteDatabaseTo(out, &why))
        return Fail(message, why);
    if (!ReplaceKeepingVersion(out, bytes, VersionPolicy{}, &why))
        return Fail(message, why);
    *message = "Wrote version " + version.id + " (" + std::to_string(check.GetNumRecords()) +
               " notes) to " + out;
    return true;
}

} // namespace quillary
