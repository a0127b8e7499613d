// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "mainwindow/frmMain.h"
#include "core/clsSettings.h"
#include "storage/clsDatabase.h"
#include "support/ScriptedPlatformServices.h"

#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QDialog;

namespace quillary::test {

// A real main window over a private settings file and desktop folder, answered by a
// scripted PlatformServices. Start() builds and loads it; Restart() closes it and starts a
// new one over the same files, as a second run of the program would.
class MainWindowFixture {
public:
    MainWindowFixture();
    ~MainWindowFixture();

    QString Root() const { return m_Dir.path(); }
    QString DesktopDir() const;
    QString SettingsFile() const;
    // Writes users.txt: one (id, name, folder) per user, and creates the folders.
    void WriteUsers(const std::vector<std::tuple<qint32, QString, QString>>& users);
    // The notes file of a user as the window names it.
    QString UserFile(const QString& folder, const QString& name) const;
    // Writes a notes database holding one note per text, as another program would: the
    // file replaced is not kept as a version.
    static void WriteDatabase(const QString& path, const std::vector<std::string>& texts);
    // Reads a notes database back.
    static std::unique_ptr<clsDatabase> ReadDatabase(const QString& path);
    void WriteSetting(const QString& key, const QString& value);

    frmMain& Start();
    frmMain& Restart(); // closes the window (answering nothing) and starts a new one
    void Close();

    frmMain& Window() { return *m_Window; }
    clsDatabase& Database() { return *m_Database; }
    clsSettings& Settings() { return *m_Settings; }
    ScriptedPlatformServices services;

    // The picture editor's drawing surface.
    QWidget* Surface() const;
    void DrawDot(QPoint at);
    // A stroke with the left button held, moved in many small steps as a hand does.
    void DrawStroke(QPoint from, QPoint to, int steps = 24);

private:
    QTemporaryDir m_Dir;
    std::unique_ptr<clsSettings> m_Settings;
    std::unique_ptr<clsDatabase> m_Database;
    std::unique_ptr<frmMain> m_Window;
};

// Runs `act` on the modal dialog that `open` shows, once it is up.
void WithModal(const std::function<void()>& open, const std::function<void(QDialog*)>& act);

} // namespace quillary::test
