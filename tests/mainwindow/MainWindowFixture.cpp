// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainWindowFixture.h"

#include "support/DeskFiles.h"

#include "draw/ctlDrawBox.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

namespace quillary::test {

MainWindowFixture::MainWindowFixture() {
    qputenv("QUILLARY_DESKTOP_DIR", DesktopDir().toUtf8());
    qputenv("USER", "tester");
    QDir().mkpath(DesktopDir());
}

MainWindowFixture::~MainWindowFixture() {
    m_Window.reset();
}

QString MainWindowFixture::DesktopDir() const {
    return m_Dir.filePath("desktop");
}
QString MainWindowFixture::SettingsFile() const {
    return m_Dir.filePath("config/kestwin.ini");
}

void MainWindowFixture::WriteUsers(const std::vector<std::tuple<qint32, QString, QString>>& users) {
    WriteUsersFile(DesktopDir(), users);
}

QString MainWindowFixture::UserFile(const QString& folder, const QString& name) const {
    return DesktopDir() + '/' + folder + "/QL" + name + ".pdb";
}

void MainWindowFixture::WriteDatabase(const QString& path, const std::vector<std::string>& texts) {
    WriteNotesFile(path, texts);
}

std::unique_ptr<clsDatabase> MainWindowFixture::ReadDatabase(const QString& path) {
    auto db = std::make_unique<clsDatabase>();
    db->SetFileName(path.toStdString());
    std::string error;
    if (!db->OpenDatabase({}, &error))
        qWarning("%s", error.c_str());
    return db;
}

void MainWindowFixture::WriteSetting(const QString& key, const QString& value) {
    clsSettings s(SettingsFile());
    s.SetSetting(key, value);
    s.Save();
}

frmMain& MainWindowFixture::Start() {
    m_Settings = std::make_unique<clsSettings>(SettingsFile());
    SeedStartupSettings(*m_Settings);
    m_Database = std::make_unique<clsDatabase>();
    m_Window = std::make_unique<frmMain>(services, *m_Settings, *m_Database);
    m_Window->Form_Load();
    m_Window->show();
    if (!QTest::qWaitForWindowExposed(m_Window.get()))
        qWarning("main window not exposed");
    return *m_Window;
}

void MainWindowFixture::Close() {
    if (m_Window)
        m_Window->close();
    m_Window.reset();
    m_Database.reset();
    m_Settings.reset();
}

frmMain& MainWindowFixture::Restart() {
    Close();
    return Start();
}

QWidget* MainWindowFixture::Surface() const {
    return m_Window->PictureEditor()->findChild<QWidget*>("picDrawBox");
}

void MainWindowFixture::DrawDot(QPoint at) {
    QTest::mousePress(Surface(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(Surface(), Qt::LeftButton, {}, at);
}

void MainWindowFixture::DrawStroke(QPoint from, QPoint to, int steps) {
    QWidget* surface = Surface();
    QTest::mousePress(surface, Qt::LeftButton, {}, from);
    for (int i = 1; i <= steps; ++i) {
        const QPointF at = QPointF(from) + QPointF(to - from) * (qreal(i) / steps);
        QMouseEvent move(QEvent::MouseMove, at, surface->mapToGlobal(at), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(surface, &move);
    }
    QTest::mouseRelease(surface, Qt::LeftButton, {}, to);
}

void WithModal(const std::function<void()>& open, const std::function<void(QDialog*)>& act) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        seen = true;
        act(dialog);
    });
    open();
    QVERIFY(seen);
}

} // namespace quillary::test
