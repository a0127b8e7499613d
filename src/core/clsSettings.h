// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "SettingsKeys.h"

#include <QFont>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace quillary {

// The program's settings: named text values in the section "Quillary Settings" of the
// profile file "kestwin.ini". Values touched once are cached; Save writes the cache back
// in the order keys were first touched, keeping every other line of the file.
// Key lookup ignores letter case. Never throws; an unreadable file reads as empty.
class clsSettings {
public:
    // filePath: the full path of the settings file (created on first write).
    explicit clsSettings(QString filePath);

    // $QUILLARY_CONFIG_DIR/kestwin.ini, else the XDG config folder's quillary/kestwin.ini.
    static QString DefaultFilePath();

    QString GetSetting(const QString& key);
    // Careful: false is not a failure. SetSetting's result says whether the value changed
    // (false: it was already this); InitSetting's says whether the key was absent from the
    // file (true: it now holds defaultValue). Neither touches the disk before Save.
    bool SetSetting(const QString& key, const QString& value);
    bool InitSetting(const QString& key, const QString& defaultValue);

    // Typed access by the table's keys (SettingsKeys.h). Reading behaves as GetSetting (an
    // absent key appears in the file as "key=" at once); an absent or empty value reads as
    // the key's default. Each getter suits the types noted; the text getter suits all.
    QString Get(Config key);
    int GetInt(Config key);     // WholeNumber
    double GetReal(Config key); // Decimal, WholeNumber
    bool GetFlag(Config key);   // OnOff, TrueFalse (a word it does not know reads as default)
    // Whether the file holds a non-empty value (reads it like GetSetting).
    bool HasValue(Config key);
    // Writing behaves as SetSetting: the cache only, until Save. SetFlag writes "1"/"0" or
    // "True"/"False" after the key's type; decimals are formatted by their writers.
    bool Set(Config key, const QString& value);
    bool SetInt(Config key, qint64 value);
    bool SetFlag(Config key, bool on);
    bool Init(Config key, const QString& defaultValue);
    int Save();
    int GetNumSettings() const;

    QString FileName() const { return m_FilePath; }

    // A reader beside the window (the sync service) must never write the file the window
    // saves: read-only, InitSetting leaves absent keys out of the file and Save writes
    // nothing.
    void SetReadOnly(bool readOnly) { m_ReadOnly = readOnly; }

    // Called once (per store) when the file cannot be written, with a readable reason.
    void SetWriteErrorHandler(std::function<void(const QString&)> handler);

private:
    QString ReadValue(const QString& key) const;
    bool WriteValue(const QString& key, const QString& value);
    bool WriteLines(const QStringList& lines);
    int Find(const QString& key) const;

    QString m_FilePath;
    QStringList m_Keys{QStringLiteral("Init")};
    QStringList m_Values{QStringLiteral("Init")};
    std::function<void(const QString&)> m_WriteErrorHandler;
    bool m_WriteErrorReported = false;
    bool m_ReadOnly = false;
    bool m_SingleByteFile = false; // the file on disk is not UTF-8
    bool m_CrLfFile = false;       // the file on disk ends its lines with CR LF
    bool m_BomFile = false;        // the file on disk starts with a UTF-8 byte order mark
};

// A font style flag as stored: "True"/"False" (any case) or a number (non-zero is on);
// nothing for any other text, so the caller keeps its default.
std::optional<bool> ParseBoolean(const QString& text);

// The note editor's font from "FontName", "FontSize", "FontBold", "FontItalic",
// "FontStrikeThru" and "FontUnderLine"; writes Tahoma 10 defaults when "FontName" is empty.
QFont GetEditorFont(clsSettings& settings);

// Seeds the print keys at start-up: "PrintNotesSelectedString" becomes "0", and the keys
// with a seed in the table get it when absent.
void SeedStartupSettings(clsSettings& settings);

} // namespace quillary
