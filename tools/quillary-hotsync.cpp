// SPDX-License-Identifier: GPL-3.0-or-later
// quillary-hotsync: tells a running Quillary about a HotSync, for sync scripts. Before a
// sync it asks whether Quillary lets the user's notes be synchronised; after a sync it has
// Quillary read the user's notes again.

#include "QuillaryVersion.h"
#include "quillary-hotsync-help.h"
#include "core/clsNotify.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QStringList>

#include <cstdio>
#include <optional>

using quillary::clsNotify;

namespace {

// Made at build time from docs/help/quillary-hotsync.txt, like the man page.
const char* const kHelp = kHelpText;

enum Exit { kGoAhead = 0, kRefused = 1, kFailed = 2 };

void Say(const QString& line) {
    std::fprintf(stderr, "quillary-hotsync: %s\n", qPrintable(line));
}

// A 32-bit pattern from signed or unsigned decimal or 0x hex; nothing when out of range.
std::optional<qint32> ParseNumber32(const QString& text) {
    bool ok = false;
    const QString t = text.trimmed();
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const qulonglong v = t.mid(2).toULongLong(&ok, 16);
        if (ok && !t.mid(2).isEmpty() && v <= 0xFFFFFFFFull)
            return qint32(quint32(v));
        return std::nullopt;
    }
    const qlonglong v = t.toLongLong(&ok, 10);
    if (ok && v >= -2147483648LL && v <= 0xFFFFFFFFLL)
        return qint32(quint32(qulonglong(v)));
    return std::nullopt;
}

// Not running, as far as a sync script is concerned: nobody owns the name (without
// auto-start the bus says NameHasNoOwner), or the bus went away.
bool IsNotRunning(const QDBusError& error) {
    return error.type() == QDBusError::ServiceUnknown || error.type() == QDBusError::Disconnected ||
           error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
}

int Notify(QDBusConnection& bus, qint32 code, qint32 userId, bool isBefore) {
    if (!bus.isConnected()) {
        Say(QStringLiteral("no D-Bus session bus, so Quillary is not running here; "
                           "nothing to tell it."));
        return kGoAhead;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(clsNotify::kServiceName), QString::fromLatin1(clsNotify::kObjectPath),
        QString::fromLatin1(clsNotify::kInterfaceName), QStringLiteral("HS_Notify"));
    call << code << userId;
    // Quillary answers at once; never start it for this (no auto-start).
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, 10000);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        const QDBusError error(reply);
        if (IsNotRunning(error)) {
            Say(isBefore ? QStringLiteral("Quillary is not running; the HotSync may go ahead.")
                         : QStringLiteral("Quillary is not running; nothing to tell it."));
            return kGoAhead;
        }
        Say(QStringLiteral("Quillary did not answer: ") + error.message());
        return kFailed;
    }
    const QVariantList args = reply.arguments();
    if (args.size() != 1 || args.first().metaType().id() != QMetaType::Bool) {
        Say(QStringLiteral("unexpected answer from ") +
            QString::fromLatin1(clsNotify::kServiceName));
        return kFailed;
    }
    if (args.first().toBool()) {
        Say(QStringLiteral("Quillary refuses the HotSync: the user's notes have unsaved "
                           "changes. Save them in Quillary and synchronise again."));
        return kRefused;
    }
    return kGoAhead;
}

int NotifyOnce(qint32 code, qint32 userId, bool isBefore) {
    // Registering the bus's own types before the first connection makes Qt's type
    // registry outlive the bus thread at exit; otherwise the thread, still handling the
    // connection's close, may warn about "invalid" types on stderr.
    qRegisterMetaType<QDBusMessage>();
    qRegisterMetaType<QDBusError>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    return Notify(bus, code, userId, isBefore);
}

int Usage(const QString& problem) {
    Say(problem + QStringLiteral(" (see quillary-hotsync --help)"));
    return kFailed;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return Usage(QStringLiteral("no command given"));
    const QString command = args.first();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        std::fputs(kHelp, stdout);
        return kGoAhead;
    }
    if (command == QLatin1String("--version")) {
        std::puts("quillary-hotsync " QUILLARY_VERSION);
        return kGoAhead;
    }

    qsizetype wanted = 0;
    if (command == QLatin1String("before") || command == QLatin1String("after"))
        wanted = 2;
    else if (command == QLatin1String("notify"))
        wanted = 3;
    else
        return Usage(QStringLiteral("unknown command \"") + command + '"');
    if (args.size() != wanted)
        return Usage(QStringLiteral("\"") + command + QStringLiteral("\" takes ") +
                     (wanted == 2 ? QStringLiteral("USERID") : QStringLiteral("CODE USERID")));

    const std::optional<qint32> userId = ParseNumber32(args.last());
    if (!userId)
        return Usage(QStringLiteral("USERID \"") + args.last() +
                     QStringLiteral("\" is not a 32-bit number"));
    if (command == QLatin1String("before"))
        return NotifyOnce(qint32(clsNotify::kCodeSyncStarting), *userId, true);
    if (command == QLatin1String("after"))
        return NotifyOnce(qint32(clsNotify::kCodeSyncDoneB), *userId, false);

    const std::optional<qint32> code = ParseNumber32(args.at(1));
    if (!code)
        return Usage(QStringLiteral("CODE \"") + args.at(1) +
                     QStringLiteral("\" is not a 32-bit number"));
    return NotifyOnce(*code, *userId, quint32(*code) == clsNotify::kCodeSyncStarting);
}
