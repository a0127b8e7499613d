// SPDX-License-Identifier: GPL-3.0-or-later
#include "clsSettings.h"

#include "TextCodec.h"
#include "modGlobals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

#include <cmath>
#include <optional>

namespace quillary {

namespace {

const QString kSection = QStringLiteral("Quillary Settings");
// Passed as the default to the profile read: getting it back means the key is absent.
const QString kMissing = QStringLiteral("-9991gfjh23123123");
constexpr int kMaxValueLength = 255;

// A file written by a single-byte program is not valid UTF-8: it is read and written back
// as Windows-1252 (which maps every byte), with its own line ends, so lines this program
// never touches keep their bytes.
QStringList ReadLines(const QString& path, bool* singleByte = nullptr, bool* crLf = nullptr,
                      bool* byteOrderMark = nullptr) {
    if (byteOrderMark)
        *byteOrderMark = false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    // A byte order mark is never part of the first line, whichever way the rest decodes
    // (otherwise a single-byte file's first section is found only after a save drops it).
    // The file keeps it: a first line whose own bytes begin like one would otherwise lose
    // them on the next reading.
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3);
        if (byteOrderMark)
            *byteOrderMark = true;
    }
    // Stateless: a file that ends inside a UTF-8 sequence is not UTF-8 either, and must not
    // lose that unfinished end. A second byte order mark is a character of the first line
    // (the decoder would otherwise drop it, and the next save with it).
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8(bytes);
    const bool cp1252 = utf8.hasError();
    if (cp1252)
        text = FromCp1252(bytes.toStdString());
    if (singleByte)
        *singleByte = cp1252;
    if (crLf)
        *crLf = bytes.contains("\r\n");
    // Only a CR before an LF ends a line; a CR elsewhere is a character of its line, which
    // a save must keep (dropping it joined the bytes around it).
    QStringList lines = text.split(QChar('\n'));
    for (qsizetype i = 0; i + 1 < lines.size(); ++i)
        if (lines.at(i).endsWith(QChar('\r')))
            lines[i].chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Whether single-byte file contents would be taken for UTF-8 by ReadLines and then mean
// something other than `text`.
bool ReadsBackAsOtherText(const QByteArray& bytes, const QString& text) {
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString decoded = utf8(bytes);
    return !utf8.hasError() && decoded != text;
}

bool IsSectionHeader(const QString& line, QString* name) {
    const QString t = line.trimmed();
    if (!t.startsWith('[') || !t.contains(']'))
        return false;
    if (name)
        *name = t.mid(1, t.indexOf(']') - 1).trimmed();
    return true;
}

// Range [begin, end) of the section's body lines, or begin = -1 when the section is absent.
std::pair<int, int> FindSection(const QStringList& lines) {
    int begin = -1;
    for (int i = 0; i < lines.size(); ++i) {
        QString name;
        if (!IsSectionHeader(lines.at(i), &name))
            continue;
        if (begin >= 0)
            return {begin, i};
        if (name.compare(kSection, Qt::CaseInsensitive) == 0)
            begin = i + 1;
    }
    return {begin, int(lines.size())};
}

// Index of the key's line inside the section body, or -1.
int FindKeyLine(const QStringList& lines, int begin, int end, const QString& key) {
    const QString wanted = key.trimmed();
    for (int i = begin; i < end; ++i) {
        const QString& line = lines.at(i);
        const int eq = line.indexOf('=');
        if (eq <= 0 || line.trimmed().startsWith(';'))
            continue;
        if (line.left(eq).trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void PutKey(QStringList& lines, const QString& key, const QString& rawValue) {
    auto [begin, end] = FindSection(lines);
    // One line per key: a line break inside a value would start a new key.
    QString value = rawValue;
    value.replace(QChar('\r'), QChar(' ')).replace(QChar('\n'), QChar(' '));
    const QString entry = key.trimmed() + '=' + value;
    if (begin < 0) {
        lines << QChar('[') + kSection + QChar(']') << entry;
        return;
    }
    const int at = FindKeyLine(lines, begin, end, key);
    if (at >= 0) {
        // A key already in the file keeps its spelling there.
        const QString& line = lines.at(at);
        lines[at] = line.left(line.indexOf('=')).trimmed() + '=' + value;
        return;
    }
    // After the section's last non-blank line, so a blank separator line stays a separator.
    int insertAt = end;
    while (insertAt > begin && lines.at(insertAt - 1).trimmed().isEmpty())
        --insertAt;
    lines.insert(insertAt, entry);
}

} // namespace

std::optional<bool> ParseBoolean(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double number = t.toDouble(&ok);
    if (ok)
        return number != 0.0;
    return std::nullopt;
}

clsSettings::clsSettings(QString filePath) : m_FilePath(std::move(filePath)) {}

QString clsSettings::DefaultFilePath() {
    QString dir = qEnvironmentVariable("QUILLARY_CONFIG_DIR");
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
              QStringLiteral("/quillary");
    return QDir(dir).filePath(QStringLiteral("kestwin.ini"));
}

void clsSettings::SetWriteErrorHandler(std::function<void(const QString&)> handler) {
    m_WriteErrorHandler = std::move(handler);
}

int clsSettings::Find(const QString& key) const {
    for (int p = 1; p < m_Keys.size(); ++p)
        if (m_Keys.at(p).compare(key, Qt::CaseInsensitive) == 0)
            return p;
    return -1;
}

QString clsSettings::ReadValue(const QString& key) const {
    const QStringList lines = ReadLines(m_FilePath);
    const auto [begin, end] = FindSection(lines);
    if (begin < 0)
        return kMissing;
    const int at = FindKeyLine(lines, begin, end, key);
    if (at < 0)
        return kMissing;
    const QString& line = lines.at(at);
    // A CR inside the line reads as the space a save writes for it.
    QString value = line.mid(line.indexOf('=') + 1).replace(QChar('\r'), QChar(' ')).trimmed();
    value.truncate(kMaxValueLength);
    // Trimmed again after the cut at a NUL, so a value read, saved and read again stays the
    // same (a form feed before the NUL would otherwise survive only the first reading).
    return TrimAtNull(value).trimmed();
}

bool clsSettings::WriteValue(const QString& key, const QString& value) {
    QStringList lines = ReadLines(m_FilePath, &m_SingleByteFile, &m_CrLfFile, &m_BomFile);
    PutKey(lines, key, value);
    return WriteLines(lines);
}

bool clsSettings::WriteLines(const QStringList& lines) {
    QDir().mkpath(QFileInfo(m_FilePath).absolutePath());
    // Written whole and renamed into place, so a crash never leaves half a file.
    QSaveFile file(m_FilePath);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        const QString lineEnd = m_CrLfFile ? QStringLiteral("\r\n") : QStringLiteral("\n");
        QString text;
        for (const QString& line : lines)
            // A line that ends in a CR of its own (the file's last, without a line end)
            // needs a CR LF after it, or reading would take its CR for the line end.
            text += line + (line.endsWith(QChar('\r')) ? QStringLiteral("\r\n") : lineEnd);
        if (m_BomFile)
            file.write("\xEF\xBB\xBF");
        // A value the code page cannot hold turns the file into UTF-8 rather than into "?".
        // So do single-byte lines whose bytes would read back as other UTF-8 characters
        // (a value cut at a NUL can leave just "\xEF\xBB\xBF", read back as one U+FEFF).
        QByteArray single;
        if (m_SingleByteFile && FirstUnstorableCharacter(text) == 0)
            single = QByteArray::fromStdString(ToCp1252(text));
        if (!single.isEmpty() && !ReadsBackAsOtherText(single, text))
            file.write(single);
        else
            file.write(text.toUtf8());
        ok = file.commit();
    }
    if (!ok && !m_WriteErrorReported) {
        m_WriteErrorReported = true;
        if (m_WriteErrorHandler)
            m_WriteErrorHandler(QStringLiteral("Settings could not be saved to ") + m_FilePath +
                                QStringLiteral(": ") + file.errorString());
    }
    return ok;
}

QString clsSettings::GetSetting(const QString& key) {
    const int p = Find(key);
    if (p >= 1)
        return m_Values.at(p);
    QString v = ReadValue(key);
    if (v == kMissing)
        v.clear();
    InitSetting(key, v);
    return v;
}

bool clsSettings::InitSetting(const QString& key, const QString& defaultValue) {
    QString v = ReadValue(key);
    bool absent = false;
    if (v == kMissing) {
        absent = true;
        v = defaultValue;
        if (!m_ReadOnly)
            WriteValue(key, QString());
    }
    m_Keys.append(key);
    m_Values.append(v);
    return absent;
}

bool clsSettings::SetSetting(const QString& key, const QString& value) {
    const int p = Find(key);
    if (p >= 1) {
        if (m_Values.at(p) == value)
            return false;
        m_Values[p] = value;
        return true;
    }
    InitSetting(key, value);
    m_Values.last() = value;
    return true;
}

int clsSettings::Save() {
    if (m_ReadOnly)
        return GetNumSettings();
    // One rewrite of the file with every cached pair applied in cache order.
    QStringList lines = ReadLines(m_FilePath, &m_SingleByteFile, &m_CrLfFile, &m_BomFile);
    for (int p = 1; p < m_Keys.size(); ++p)
        PutKey(lines, m_Keys.at(p), m_Values.at(p));
    WriteLines(lines);
    return GetNumSettings();
}

int clsSettings::GetNumSettings() const {
    return int(m_Keys.size()) - 1;
}

QString clsSettings::Get(Config key) {
    const QString value = GetSetting(KeyName(key));
    return value.isEmpty() ? KeyDefault(key) : value;
}

int clsSettings::GetInt(Config key) {
    Q_ASSERT(KeyInfo(key).type == SettingType::WholeNumber);
    return LeadingWholeNumber(Get(key));
}

double clsSettings::GetReal(Config key) {
    Q_ASSERT(KeyInfo(key).type == SettingType::Decimal ||
             KeyInfo(key).type == SettingType::WholeNumber);
    return LeadingReal(Get(key));
}

bool clsSettings::GetFlag(Config key) {
    const SettingKey& info = KeyInfo(key);
    Q_ASSERT(info.type == SettingType::OnOff || info.type == SettingType::TrueFalse);
    const QString value = Get(key);
    if (info.type == SettingType::OnOff)
        return LeadingWholeNumber(value) != 0;
    if (const std::optional<bool> on = ParseBoolean(value))
        return *on;
    return ParseBoolean(KeyDefault(key)).value_or(false);
}

bool clsSettings::HasValue(Config key) {
    return !GetSetting(KeyName(key)).isEmpty();
}

bool clsSettings::Set(Config key, const QString& value) {
    return SetSetting(KeyName(key), value);
}

bool clsSettings::SetInt(Config key, qint64 value) {
    Q_ASSERT(KeyInfo(key).type == SettingType::WholeNumber);
    return Set(key, QString::number(value));
}

bool clsSettings::SetFlag(Config key, bool on) {
    const SettingType type = KeyInfo(key).type;
    Q_ASSERT(type == SettingType::OnOff || type == SettingType::TrueFalse);
    if (type == SettingType::TrueFalse)
        return Set(key, on ? QStringLiteral("True") : QStringLiteral("False"));
    return Set(key, on ? QStringLiteral("1") : QStringLiteral("0"));
}

bool clsSettings::Init(Config key, const QString& defaultValue) {
    return InitSetting(KeyName(key), defaultValue);
}

void SeedStartupSettings(clsSettings& settings) {
    // Every start prints the first note unless the person chooses again.
    settings.Set(Config::PrintNotesSelectedString, QStringLiteral("0"));
    for (const SettingKey& row : SettingKeys())
        if (row.seed)
            settings.Init(row.key, QString::fromLatin1(row.seed));
}

} // namespace quillary
