// SPDX-License-Identifier: GPL-3.0-or-later
// kestwin.ini: whatever the file holds, a value set and saved reads back from the file,
// the values of the keys already there read the same after the save, and every other
// line of the file is still there, in its order: with its bytes, or with its text where a
// single-byte file had to become UTF-8.

#include "FuzzCheck.h"
#include "FuzzScratch.h"

#include "core/TextCodec.h"
#include "core/clsSettings.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <cstdlib>

namespace {

// Whether the store reads these bytes as UTF-8 (after a byte order mark).
bool IsUtf8(QByteArray bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(bytes); // decodes only when made a string
    return !utf8.hasError();
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The file's lines as bytes: without the byte order mark at the start (a file that has one
// keeps it, and it is no part of the first line) and without their line ends (LF or CR LF;
// the store may write either). A CR anywhere else belongs to its line.
QList<QByteArray> Lines(QByteArray bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes.remove(0, 3);
    bytes.replace("\r\n", "\n");
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Keys the file names (ASCII letters, digits and spaces before an "="), at most a few.
QStringList KeysIn(const QList<QByteArray>& lines) {
    QStringList keys{QStringLiteral("FontName"), QStringLiteral("Default User ID")};
    for (const QByteArray& line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0 || keys.size() >= 10)
            continue;
        const QByteArray key = line.left(eq).trimmed();
        bool plain = !key.isEmpty();
        for (char c : key)
            plain = plain && ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                              (c >= '0' && c <= '9') || c == ' ');
        if (plain)
            keys << QString::fromLatin1(key);
    }
    return keys;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& scratch = quillary::fuzz::TheScratch();
    const QString path = QString::fromStdString(scratch.Write("kestwin.ini", data, size));
    const QByteArray original(reinterpret_cast<const char*>(data), qsizetype(size));
    const QList<QByteArray> before = Lines(original);
    const QStringList keys = KeysIn(before);
    const QString probeKey = QStringLiteral("FuzzProbe");
    const QString probeValue = QStringLiteral("set by the fuzzer");

    QList<QString> values;
    {
        quillary::clsSettings settings(path);
        for (const QString& key : keys)
            values << settings.GetSetting(key);
        settings.SetSetting(probeKey, probeValue);
        settings.Save();
    }
    quillary::clsSettings reread(path);
    FUZZ_CHECK(reread.GetSetting(probeKey) == probeValue);
    for (qsizetype i = 0; i < keys.size(); ++i)
        if (keys.at(i).compare(probeKey, Qt::CaseInsensitive) != 0)
            FUZZ_CHECK(reread.GetSetting(keys.at(i)) == values.at(i));

    // The old lines are a subsequence of the new ones, but for the lines of the keys read
    // or set: Save writes their cached values back in its own spelling.
    QStringList touched = keys;
    touched << probeKey;
    const auto isTouched = [&](const QByteArray& line) {
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            return false;
        const QString key = QString::fromLatin1(line.left(eq)).trimmed();
        return touched.contains(key, Qt::CaseInsensitive);
    };
    const QByteArray afterBytes = ReadAll(path);
    const QList<QByteArray> after = Lines(afterBytes);
    // A single-byte file is written as UTF-8 when its bytes would otherwise read back as
    // other characters; its lines then keep their text in UTF-8.
    QList<QByteArray> kept = before;
    if (!IsUtf8(original) && IsUtf8(afterBytes))
        for (QByteArray& line : kept)
            line = quillary::FromCp1252(line.toStdString()).toUtf8();
    qsizetype at = 0;
    for (const QByteArray& line : kept) {
        if (isTouched(line))
            continue;
        while (at < after.size() && after.at(at) != line)
            ++at;
        FUZZ_CHECK(at < after.size());
        ++at;
    }
    return 0;
}
