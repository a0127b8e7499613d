// SPDX-License-Identifier: GPL-3.0-or-later
// quillary-pdb: inspect, back up, convert and fill Quillary note and insert databases
// without the window. Every command either succeeds (exit 0) or prints one line on
// standard error and exits 1.

#include "OneLine.h"
#include "PdbVersionsCommand.h"
#include "QuillaryVersion.h"
#include "quillary-pdb-help.h"
#include "storage/Cp1252.h"
#include "storage/FileIO.h"
#include "storage/ImportResult.h"
#include "storage/InsertFolder.h"
#include "storage/PngCodec.h"
#include "storage/StagedFolder.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"
#include "storage/clsInsertDatabase.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <limits>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Made at build time from docs/help/quillary-pdb.txt, like the man page.
const char* const kHelp = kHelpText;

struct Failure {
    std::string message;
};

[[noreturn]] void Die(const std::string& message) {
    throw Failure{message};
}

using quillary::OneLine;

// ---- JSON ------------------------------------------------------------------------------

// Each Windows-1252 byte as it stands inside a JSON string: UTF-8, escaped where JSON asks.
struct JsonCodes {
    std::string code[256];
    JsonCodes() {
        for (int b = 0; b < 256; ++b) {
            const char32_t u = quillary::Cp1252ToUnicode(static_cast<unsigned char>(b));
            std::string& c = code[b];
            const char byte = static_cast<char>(b);
            if (u == '"' || u == '\\') {
                c = std::string{'\\', byte};
            } else if (u == '\n' || u == '\r' || u == '\t') {
                c = u == '\n' ? "\\n" : u == '\r' ? "\\r" : "\\t";
            } else if (u < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(u));
                c = buf;
            } else {
                c = quillary::Cp1252ToUtf8(std::string_view(&byte, 1));
            }
        }
    }
};

// Appends cp1252 as a quoted JSON string, converting to UTF-8 as it goes (no temporaries:
// info writes every note's text this way).
void AppendText(std::string& out, std::string_view cp1252) {
    static const JsonCodes codes;
    out += '"';
    size_t plain = 0; // start of a run of bytes that stand for themselves
    for (size_t i = 0; i < cp1252.size(); ++i) {
        const unsigned char b = static_cast<unsigned char>(cp1252[i]);
        if (b >= 0x20 && b < 0x80 && b != '"' && b != '\\')
            continue;
        out.append(cp1252.data() + plain, i - plain);
        out += codes.code[b];
        plain = i + 1;
    }
    out.append(cp1252.data() + plain, cp1252.size() - plain);
    out += '"';
}

std::string Text(std::string_view cp1252) {
    std::string out;
    AppendText(out, cp1252);
    return out;
}

std::string Bool(bool b) {
    return b ? "true" : "false";
}

// ---- Commands --------------------------------------------------------------------------

std::string ReadType(const std::string& path) {
    std::string name, type, error;
    int count = 0;
    if (!quillary::ReadPdbHeaderInfo(path, name, type, count, &error))
        Die(error);
    return type;
}

void OpenNotes(clsDatabase& db, const std::string& path) {
    db.SetFileName(path);
    std::string error;
    if (!db.OpenDatabase({}, &error))
        Die(error);
}

void OpenInserts(clsInsertDatabase& db, const std::string& path) {
    db.SetFileName(path);
    std::string error;
    if (!db.OpenDatabase({}, &error))
        Die(error);
}

std::string HeaderJson(const std::string& name, const std::string& type, const std::string& creator,
                       int records) {
    return "  \"name\": " + Text(name) + ",\n  \"type\": " + Text(type) +
           ",\n  \"creator\": " + Text(creator) + ",\n  \"records\": " + std::to_string(records);
}

void Info(const std::string& path) {
    const std::string type = ReadType(path);
    std::string out = "{\n";
    if (type == "Inst") {
        clsInsertDatabase db;
        OpenInserts(db, path);
        out += HeaderJson(db.m_PalmFileName, db.GetType(), db.GetCreator(), db.GetNumRecords());
        out += ",\n  \"inserts\": [";
        for (int i = 0; i < db.GetNumRecords(); ++i) {
            const clsTextInsertItem& item = *db.GetRecordObject(i);
            out += std::string(i ? "," : "") + "\n    {\"index\": " + std::to_string(i) +
                   ", \"title\": " + Text(item.Title) + ", \"text\": " + Text(item.RawText()) +
                   ", \"dirty\": " + Bool(item.DirtyFlag()) +
                   ", \"unique_id\": " + std::to_string(item.UniqueID) + "}";
        }
        out += db.GetNumRecords() ? "\n  ]\n}\n" : "]\n}\n";
    } else if (type == "Ins2") {
        std::string name, t, error;
        int count = 0;
        quillary::ReadPdbHeaderInfo(path, name, t, count, &error);
        std::vector<uint8_t> bytes;
        if (!quillary::ReadWholeFile(path, bytes, &error))
            Die(error);
        const std::string creator(reinterpret_cast<const char*>(bytes.data()) + 64, 4);
        out += HeaderJson(name, t, creator, count) + "\n}\n";
    } else {
        // Notes are written as they are read, one at a time; the picture size comes from
        // the picture header, the picture itself is not decoded.
        clsDatabase db;
        OpenNotes(db, path);
        out += HeaderJson(db.m_PalmFileName, db.GetType(), db.GetCreator(), db.GetNumRecords());
        std::vector<std::string> cats;
        db.GetCategoryList(cats);
        out += ",\n  \"categories\": [";
        for (size_t i = 0; i < cats.size(); ++i)
            out += (i ? ", " : "") + Text(cats[i]);
        out += "],\n  \"notes\": [";
        for (int i = 0; i < db.GetNumRecords(); ++i) {
            const clsQuillaryItem& item = *db.GetRecordObject(i);
            int32_t width = 0, height = 0;
            std::string error;
            if (!db.GetRecordBitmapSize(i, width, height, &error))
                Die(error);
            out += i ? ",\n    {\"index\": " : "\n    {\"index\": ";
            out += std::to_string(i);
            out += ", \"category\": ";
            out += std::to_string(item.CategoryIndex());
            out += ", \"dirty\": ";
            out += Bool(item.DirtyFlag());
            out += ", \"unique_id\": ";
            out += std::to_string(item.UniqueID);
            out += ", \"size\": ";
            out += std::to_string(item.BytesSize());
            out += ", \"text\": ";
            AppendText(out, item.StoredText());
            out += ", \"picture\": {\"width\": ";
            out += std::to_string(width);
            out += ", \"height\": ";
            out += std::to_string(height);
            out += "}}";
            if (out.size() >= 1 << 16) {
                std::fwrite(out.data(), 1, out.size(), stdout);
                out.clear();
            }
        }
        out += db.GetNumRecords() ? "\n  ]\n}\n" : "]\n}\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        Die("Writing the output failed (" + std::string(std::strerror(errno)) + ").");
}

// Writes one exported file in place (created or truncated). Export files are copies that
// can be made again, so they are made durable together at the end, not one by one.
void WriteExportFile(const std::string& path, const uint8_t* data, size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        Die(path + ": cannot be written (" + std::strerror(errno) + ").");
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const std::string why = n < 0 ? std::strerror(errno) : "nothing was written";
            ::close(fd);
            Die(path + ": writing failed (" + why + ").");
        }
        data += n;
        size -= size_t(n);
    }
    if (::close(fd) != 0)
        Die(path + ": writing failed (" + std::strerror(errno) + ").");
}

// One note's two files: the text as UTF-8 and the picture as PNG.
void ExportNote(const clsDatabase& db, int i, const std::string& dir, clsBitmap& pic,
                std::vector<uint8_t>& png) {
    char base[16];
    std::snprintf(base, sizeof base, "%04d", i + 1);
    const std::string stem = (fs::path(dir) / base).string();
    const std::string text = quillary::Cp1252ToUtf8(db.GetRecordObject(i)->RawText());
    WriteExportFile(stem + ".txt", reinterpret_cast<const uint8_t*>(text.data()), text.size());
    std::string error;
    if (!db.GetRecordBitmap(i, pic, &error))
        Die(error);
    if (!quillary::PngCodec::Encode(pic, png, &error))
        Die(stem + ".png: " + error);
    WriteExportFile(stem + ".png", png.data(), png.size());
}

// Files in the folder being built are named as they will be once it is in place.
std::string Renamed(std::string message, const quillary::StagedFolder& staged,
                    const std::string& dir) {
    for (size_t at = message.find(staged.Path()); at != std::string::npos;
         at = message.find(staged.Path(), at + dir.size()))
        message.replace(at, staged.Path().size(), dir);
    return message;
}

void Export(const std::string& path, const std::string& dir) {
    clsDatabase db;
    OpenNotes(db, path);
    std::string error;
    // Built under a temporary name and renamed when complete: a failed export leaves no
    // folder of some notes only, and never writes among files that were there.
    quillary::StagedFolder staged;
    if (!staged.Begin(dir, "export", &error))
        Die(error + " Nothing was exported.");
    // Compressing the pictures costs more than writing the files, so every core takes
    // notes in turn. Each note is touched by one thread only (a note reads its text when
    // first asked). The first note that fails in the database's order is the one reported,
    // as if the notes had been written one after the other.
    const int count = db.GetNumRecords();
    std::atomic<int> next{0};
    std::atomic<int> failedAt{std::numeric_limits<int>::max()};
    std::mutex failureMutex;
    std::string failure;
    auto work = [&] {
        clsBitmap pic;
        std::vector<uint8_t> png;
        for (int i = next++; i < count && i < failedAt; i = next++) {
            try {
                ExportNote(db, i, staged.Path(), pic, png);
            } catch (const Failure& f) {
                const std::lock_guard lock(failureMutex);
                if (i < failedAt) {
                    failedAt = i;
                    failure = f.message;
                }
            }
        }
    };
    const int cores = int(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    const int threads = std::min(count / 64 + 1, cores);
    {
        std::vector<std::jthread> helpers;
        for (int t = 1; t < threads; ++t)
            helpers.emplace_back(work);
        work();
    }
    if (failedAt != std::numeric_limits<int>::max())
        Die(Renamed(failure, staged, dir));
    if (!staged.Commit(&error))
        Die(error);
    std::printf("%d notes exported to %s\n", count, dir.c_str());
}

// new and new-inserts make a file; one that is there already is replaced only when asked
// (and then kept as an earlier version, like every replace).
void RefuseExisting(const std::string& path, bool force) {
    std::error_code ec;
    if (!force && fs::exists(fs::symlink_status(path, ec)))
        Die(path + " already exists; nothing was written (--force replaces it, keeping it as an "
                   "earlier version).");
}

void New(const std::string& path, bool force) {
    RefuseExisting(path, force);
    clsDatabase db;
    db.AddNewDatabase();
    db.AddNewRecord(0);
    db.SetFileName(path);
    std::string error;
    if (!db.SaveDatabase({}, &error))
        Die(error);
}

void NewInserts(const std::string& path, const std::string& utf8Name, bool force) {
    RefuseExisting(path, force);
    std::string name;
    if (!quillary::Utf8ToCp1252(utf8Name, name))
        Die("The name \"" + utf8Name + "\" holds characters a database name cannot.");
    clsInsertDatabase db;
    db.AddNewDatabase();
    db.m_PalmFileName = name;
    db.SetFileName(path);
    std::string error;
    if (!db.SaveDatabase({}, &error))
        Die(error);
}

void Resave(const std::string& path, const std::string& out) {
    const std::string type = ReadType(path);
    std::string error;
    bool ok = false;
    if (type == "Inst") {
        clsInsertDatabase db;
        OpenInserts(db, path);
        ok = out.empty() ? db.SaveDatabase({}, &error) : db.ExportDatabase(out, {}, &error);
    } else if (type == "Ins2") {
        // Bitmap inserts are copied as whole files; there is nothing to rewrite.
        ok = out.empty() || quillary::CopyPalmDatabaseFile(path, out, &error);
    } else {
        clsDatabase db;
        OpenNotes(db, path);
        ok = out.empty() ? db.SaveDatabase({}, &error) : db.ExportDatabase(out, {}, &error);
    }
    if (!ok)
        Die(error);
}

// A failed import ends with its first message; a completed one lists its warnings.
// A refused text names every character that cannot be stored, all on that one line.
void PrintResult(const ImportResult& r, const char* one, const char* many) {
    if (r.imported == 0 && !r.completed) {
        if (r.messages.empty())
            Die("Nothing was imported.");
        std::string all = r.messages.front();
        if (r.refused > 0)
            for (size_t i = 1; i < r.messages.size(); ++i)
                all += " " + r.messages[i];
        Die(OneLine(all));
    }
    for (const std::string& m : r.messages)
        std::fprintf(stderr, "%s\n", OneLine(m).c_str());
    std::printf("%d %s imported", r.imported, r.imported == 1 ? one : many);
    if (r.split > 0)
        std::printf(" (%d long %s split over consecutive notes)", r.split,
                    r.split == 1 ? "text" : "texts");
    std::printf("\n");
}

void Import(const std::string& path, const std::string& option, const std::string& source,
            bool replace) {
    const std::string type = ReadType(path);
    std::string error;
    ImportResult r;
    if (type == "Inst") {
        clsInsertDatabase db;
        OpenInserts(db, path);
        if (replace)
            db.DeleteAllRecords();
        if (option == "--raw-inserts")
            r = db.AppendRawTextInsertDB(source);
        else if (option == "--pdb")
            r = db.AppendDatabaseInserts(source);
        else if (option == "--list")
            r = db.ImportListFormat(source);
        else
            Die(option + " does not apply to an insert database (use --raw-inserts or --pdb).");
        if (r.imported > 0 || (replace && r.completed))
            if (!db.SaveDatabase({}, &error))
                Die(error);
        PrintResult(r, "insert", "inserts");
    } else if (type == "Ins2") {
        Die(path + " is a bitmap insert database; inserts cannot be imported into it.");
    } else {
        clsDatabase db;
        OpenNotes(db, path);
        if (replace)
            db.DeleteAllRecords();
        if (option == "--raw-text")
            r = db.AppendRawTextNotes(source);
        else if (option == "--list")
            r = db.ImportListFormat(source);
        else if (option == "--pdb")
            r = db.AppendDatabaseNotes(source);
        else
            Die(option + " does not apply to a notes database (use --raw-text, --list or --pdb).");
        if (r.imported > 0 || (replace && r.completed))
            if (!db.SaveDatabase({}, &error))
                Die(error);
        PrintResult(r, "note", "notes");
    }
}

// ---- Commands that need Qt ------------------------------------------------------------

// print, archive and unarchive paint or read pictures with Qt; they live in a second
// program so that the other commands start without loading Qt. It sits beside this one
// in a build, and in the package's libexec folder once installed.
std::string FindQtHelper() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    const fs::path dir = self.parent_path();
    for (const fs::path& candidate :
         {dir / "quillary-pdb-qt", dir / QUILLARY_PDB_QT_DIR / "quillary-pdb-qt"}) {
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate.lexically_normal().string();
    }
    return {};
}

[[noreturn]] void RunQtCommand(const std::vector<std::string>& args) {
    const std::string helper = FindQtHelper();
    if (helper.empty())
        Die("The " + args[0] +
            " command needs quillary-pdb-qt, which is not installed beside "
            "this program.");
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>("quillary-pdb"));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::fflush(stdout);
    ::execv(helper.c_str(), argv.data());
    Die(helper + ": cannot be started (" + std::strerror(errno) + ").");
}

int Run(const std::vector<std::string>& args) {
    auto need = [&](size_t lo, size_t hi) {
        if (args.size() < lo || args.size() > hi)
            Die("Wrong number of arguments for \"" + args[0] + "\"; see quillary-pdb --help.");
    };
    if (args.empty())
        Die("No command given; see quillary-pdb --help.");
    const std::string& cmd = args[0];
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        std::fputs(kHelp, stdout);
    } else if (cmd == "--version") {
        std::puts("quillary-pdb " QUILLARY_VERSION);
    } else if (cmd == "info") {
        need(2, 2);
        Info(args[1]);
    } else if (cmd == "export") {
        need(3, 3);
        Export(args[1], args[2]);
    } else if (cmd == "new" || cmd == "new-inserts") {
        std::vector<std::string> rest{cmd};
        bool force = false;
        for (size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--force")
                force = true;
            else
                rest.push_back(args[i]);
        }
        if (cmd == "new") {
            if (rest.size() != 2)
                Die("Wrong number of arguments for \"new\"; see quillary-pdb --help.");
            New(rest[1], force);
        } else {
            if (rest.size() != 3)
                Die("Wrong number of arguments for \"new-inserts\"; see quillary-pdb --help.");
            NewInserts(rest[1], rest[2], force);
        }
    } else if (cmd == "resave") {
        need(2, 3);
        Resave(args[1], args.size() == 3 ? args[2] : std::string());
    } else if (cmd == "import") {
        need(4, 5);
        bool replace = false;
        std::vector<std::string> rest;
        for (size_t i = 2; i < args.size(); ++i) {
            if (args[i] == "--replace")
                replace = true;
            else
                rest.push_back(args[i]);
        }
        if (rest.size() != 2 || rest[0].rfind("--", 0) != 0)
            Die("import needs one of --raw-text, --list, --pdb or --raw-inserts with a file.");
        Import(args[1], rest[0], rest[1], replace);
    } else if (cmd == "print" || cmd == "archive" || cmd == "unarchive") {
        RunQtCommand(args);
    } else if (cmd == "versions") {
        std::string output, message;
        if (!quillary::RunVersionsCommand(std::vector<std::string>(args.begin() + 1, args.end()),
                                          &output, &message))
            Die(message);
        std::fputs(output.c_str(), stdout);
    } else if (cmd == "restore") {
        std::string message;
        if (!quillary::RunRestoreCommand(std::vector<std::string>(args.begin() + 1, args.end()),
                                         &message))
            Die(message);
        std::printf("%s\n", message.c_str());
    } else {
        Die("Unknown command \"" + cmd + "\"; see quillary-pdb --help.");
    }
    return 0;
}

} // namespace

// Files are mapped, not copied (see SetMappedReading). Should another program cut a
// file short while it is mapped, say so and stop instead of dying silently; a save in
// progress leaves only its temporary file, which the next save removes.
extern "C" void OnFileShrunk(int) {
    static const char message[] =
        "quillary-pdb: a file was cut short by another program while it was read; stopped.\n";
    [[maybe_unused]] const ssize_t n = ::write(2, message, sizeof message - 1);
    ::_exit(1);
}

int main(int argc, char** argv) {
    struct sigaction action {};
    action.sa_handler = OnFileShrunk;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGBUS, &action, nullptr);
    quillary::SetMappedReading(true);
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const Failure& f) {
        std::fprintf(stderr, "quillary-pdb: %s\n", OneLine(f.message).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillary-pdb: %s\n", OneLine(e.what()).c_str());
    }
    return 1;
}
