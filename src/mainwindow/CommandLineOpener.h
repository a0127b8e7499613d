// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

namespace quillary {

class SingleInstance;
class frmMain;

// Opens the notes databases named on the command line ("quillary FILE.pdb", which is how
// file managers open a file) and those that later starts hand on to this instance. A
// request that comes while the program is still starting waits for the main window.
class CommandLineOpener : public QObject {
    Q_OBJECT
public:
    explicit CommandLineOpener(SingleInstance* instance, QObject* parent = nullptr);

    // The window is shown: opens ownFile (if any), then every file handed on so far, one
    // after the other, each once the event loop runs.
    void Start(frmMain& window, const QString& ownFile);

    // The file named by the program's arguments (argv without Qt's own options), as an
    // absolute path, since a running instance may have another working folder; empty when
    // none. Options are not files.
    static QString FileArgument(const QStringList& arguments);

signals:
    // A file's turn came while a window of the program's own was open: it waits and is
    // tried again shortly.
    void fileWaiting(const QString& file);

private:
    void Enqueue(const QStringList& files);
    void OpenNext();

    QPointer<frmMain> m_Window;
    QStringList m_Pending;
    bool m_Opening = false;
};

} // namespace quillary
