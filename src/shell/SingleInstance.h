// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QLocalServer;

namespace quillary {

// Keeps one running Quillary per login. The first instance holds a lock file (a stale
// lock left by a crash is taken over, since QLockFile checks whether its owner still runs)
// and listens on a local socket; a later start connects, asks the first to come to the
// front (and to open the files it names) and is told to exit. Nothing here reads or
// writes settings.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // key: distinguishes instances; defaults to $QUILLARY_INSTANCE_KEY or the login's uid.
    explicit SingleInstance(QString key = QString(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the one to run. When another instance runs, asks it to
    // activate its window and to open files (absolute paths), and returns false.
    bool Claim(const QStringList& files = {});
    // After a Claim that returned false: whether the running instance took the request.
    // False means it holds the lock but does not listen (hung, or its socket was removed).
    bool RunningInstanceAnswered() const { return m_Answered; }

    static QString DefaultKey();
    // The socket the first instance listens on, as Claim chose it: beside the lock, in the
    // runtime folder ($XDG_RUNTIME_DIR; the temporary folder only when there is none).
    QString SocketPath() const { return m_SocketPath; }

signals:
    // Another start asked this instance to bring its window to the front.
    void activationRequested();
    // Another start named files to open; comes right after its activationRequested.
    void openRequested(const QStringList& files);

private:
    bool NotifyRunningInstance(const QStringList& files) const;
    void HandleRequest(const QByteArray& request);

    QString m_Key;
    QString m_SocketPath;
    std::unique_ptr<QLockFile> m_Lock;
    QLocalServer* m_Server = nullptr;
    bool m_Answered = false;
};

} // namespace quillary
