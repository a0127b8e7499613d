// SPDX-License-Identifier: GPL-3.0-or-later
#include "PdbPrintCommand.h"

#include "core/PaperSettings.h"
#include "core/clsSettings.h"
#include "print/PrintFileOutput.h"
#include "print/PrintSettings.h"
#include "print/clsPrintData.h"
#include "storage/clsDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QPageSize>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <optional>

namespace quillary {

namespace {

bool PrintFail(std::string* message, const std::string& text) {
    if (message)
        *message = text;
    return false;
}

bool ParseNumber(const std::string& text, long long& value) {
    if (text.empty() || text.size() > 9)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

std::string Trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    const size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

// The notes file of a HotSync user is "QL" + user name + ".pdb": the header's user name.
QString UserNameFromFile(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    if (name.size() > 6 && name.startsWith(QLatin1String("QL")) &&
        name.endsWith(QLatin1String(".pdb"), Qt::CaseInsensitive))
        return name.mid(2, name.size() - 6);
    return {};
}

} // namespace

bool ParseNoteList(const std::string& list, int count, std::vector<int>& indexes,
                   std::string* error) {
    indexes.clear();
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos)
            comma = list.size();
        const std::string item = Trim(list.substr(start, comma - start));
        long long first = 0, last = 0;
        const size_t dash = item.find('-');
        bool ok = false;
        if (dash == std::string::npos) {
            ok = ParseNumber(item, first);
            last = first;
        } else {
            ok = ParseNumber(Trim(item.substr(0, dash)), first) &&
                 ParseNumber(Trim(item.substr(dash + 1)), last) && first <= last;
        }
        if (!ok)
            return PrintFail(error, "Bad note list \"" + list + "\" at \"" + item +
                                        "\": give note numbers and ranges such as 1,3,7-12.");
        if (first < 1 || last > count)
            return PrintFail(error, "Note " + std::to_string(first < 1 ? first : last) +
                                        " is out of range: the database holds " +
                                        std::to_string(count) +
                                        (count == 1 ? " note." : " notes."));
        for (long long n = first; n <= last; ++n)
            indexes.push_back(int(n - 1));
        start = comma + 1;
    }
    return true;
}

bool RunPrintCommand(const std::vector<std::string>& args, std::string* message) {
    std::string file, out, notes, ini, paper;
    bool haveNotes = false, haveIni = false;
    std::optional<QPageLayout::Orientation> orientation; // from the settings unless given
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& target, bool* flag) {
            if (i + 1 >= args.size())
                return false;
            target = args[++i];
            if (flag)
                *flag = true;
            return true;
        };
        if (a == "--notes") {
            if (!value(notes, &haveNotes))
                return PrintFail(message, "--notes needs a list such as 1,3,7-12.");
        } else if (a == "--settings") {
            if (!value(ini, &haveIni))
                return PrintFail(message, "--settings needs a settings file.");
        } else if (a == "--paper") {
            if (!value(paper, nullptr))
                return PrintFail(message, "--paper needs a paper name such as A4 or Letter.");
        } else if (a == "--landscape") {
            orientation = QPageLayout::Landscape;
        } else if (a == "--portrait") {
            orientation = QPageLayout::Portrait;
        } else if (a.rfind("--", 0) == 0) {
            return PrintFail(message,
                             "Unknown option \"" + a + "\" for print; see quillary-pdb --help.");
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2)
        return PrintFail(message, "print needs FILE and OUT.pdf; see quillary-pdb --help.");
    file = positional[0];
    out = positional[1];

    clsDatabase db;
    db.SetFileName(file);
    std::string error;
    if (!db.OpenDatabase({}, &error))
        return PrintFail(message, error);

    std::vector<int> selection;
    if (haveNotes) {
        if (!ParseNoteList(notes, db.GetNumRecords(), selection, &error))
            return PrintFail(message, error);
    } else {
        for (int i = 0; i < db.GetNumRecords(); ++i)
            selection.push_back(i);
    }

    QPageSize pageSize;
    if (!paper.empty() && !PaperSettings::SizeByName(QString::fromStdString(paper), pageSize))
        return PrintFail(message, "Unknown paper \"" + paper + "\" (try A4, Letter or Legal).");

    // Fonts and the PDF writer need a GUI application, but never a display. Qt's own
    // notices would break the one-line error contract of the tool.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    if (!QGuiApplication::instance()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    static int argc = 1;
    static char name[] = "quillary-pdb";
    static char* argv[] = {name, nullptr};
    std::unique_ptr<QGuiApplication> app;
    if (!QGuiApplication::instance())
        app = std::make_unique<QGuiApplication>(argc, argv);

    // The settings are read from a copy: loading fills in missing font keys, and the
    // person's own file must stay as it is.
    clsPrintData print;
    PaperSettings stored; // the paper Page Setup keeps, or the default paper
    const QString iniPath = haveIni ? QString::fromStdString(ini) : clsSettings::DefaultFilePath();
    QTemporaryDir scratch;
    if (QFileInfo::exists(iniPath)) {
        const QString copy = scratch.filePath(QStringLiteral("kestwin.ini"));
        if (!scratch.isValid() || !QFile::copy(iniPath, copy))
            return PrintFail(message,
                             "The settings file " + iniPath.toStdString() + " could not be read.");
        clsSettings settings(copy);
        SeedStartupSettings(settings);
        LoadPrintSettings(settings, print);
        stored = PaperSettings::Read(settings);
    } else if (haveIni) {
        return PrintFail(message, "The settings file " + ini + " does not exist.");
    } else {
        print = NewDefaultPrintData();
    }
    print.SetSelection(std::vector<int32_t>(selection.begin(), selection.end()));
    print.SetDatabase(&db);
    print.SetUserName(UserNameFromFile(QString::fromStdString(file)));

    // Written beside OUT and renamed over it only when complete; OUT is never the notes
    // file, another database or a device.
    PrintFileOutput target;
    QString printError;
    if (!target.Begin(QString::fromStdString(out), QString::fromStdString(file), &printError))
        return PrintFail(message, printError.toStdString() + " Nothing was printed.");
    QFile output(target.TempPath());
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return PrintFail(message,
                         "Cannot write " + out + ": " + output.errorString().toStdString());
    clsPrintData::PrintResult result;
    {
        QPdfWriter writer(&output);
        writer.setResolution(600);
        writer.setPageSize(paper.empty() ? stored.size : pageSize);
        writer.setPageOrientation(orientation.value_or(stored.orientation));
        writer.setTitle(QFileInfo(QString::fromStdString(file)).completeBaseName());
        writer.setCreator(QStringLiteral("Quillary"));
        result = print.PrintNotes(writer, {}, {}, &printError);
    }
    if (result == clsPrintData::PrintResult::NoRoom)
        return PrintFail(message, printError.toStdString());
    if (result != clsPrintData::PrintResult::Printed)
        return PrintFail(message, "Cannot write " + out + ": " + printError.toStdString());
    if (!output.flush() || output.error() != QFileDevice::NoError) {
        const std::string why = output.errorString().toStdString();
        return PrintFail(message, "Cannot write " + out + ": " + why);
    }
    output.close();
    if (!target.Commit(&printError))
        return PrintFail(message, printError.toStdString());
    if (message)
        *message = std::to_string(selection.size()) + (selection.size() == 1 ? " note" : " notes") +
                   " printed on " + std::to_string(print.PageCount()) +
                   (print.PageCount() == 1 ? " page" : " pages") + " to " + out;
    return true;
}

} // namespace quillary
