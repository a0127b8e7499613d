// SPDX-License-Identifier: GPL-3.0-or-later
// quillary-sync: the network HotSync service. Listens for handhelds that sync over the
// network and synchronizes each one's notes and insert databases with its user's folder.

#include "QuillaryVersion.h"
#include "core/clsSettings.h"
#include "quillary-sync-help.h"
#include "syncservice/SyncServer.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QStringList>

#include <cstdio>
#include <optional>

using quillary::SyncServer;

namespace {

enum Exit { kSynced = 0, kNotSynced = 1, kFailed = 2 };

constexpr int kMaxTimeoutSeconds = 3600;

void Say(const QString& line) {
    std::fprintf(stderr, "quillary-sync: %s\n", qPrintable(line));
}

int Usage(const QString& problem) {
    Say(problem + QStringLiteral(" (see quillary-sync --help)"));
    return kFailed;
}

std::optional<int> WholeNumber(const QString& text, int low, int high) {
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v < low || v > high)
        return std::nullopt;
    return v;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);

    SyncServer::Options options;
    std::optional<int> port;
    bool once = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            std::fputs(kHelpText, stdout);
            return kSynced;
        }
        if (a == QLatin1String("--version")) {
            std::puts("quillary-sync " QUILLARY_VERSION);
            return kSynced;
        }
        if (a == QLatin1String("--once")) {
            once = true;
            options.once = true;
            continue;
        }
        if (a == QLatin1String("--accept-new")) {
            options.host.acceptNew = true;
            continue;
        }
        if (a == QLatin1String("--port") || a == QLatin1String("--listen") ||
            a == QLatin1String("--timeout")) {
            if (i + 1 >= args.size())
                return Usage(a + QStringLiteral(" needs a value"));
            const QString value = args.at(++i);
            if (a == QLatin1String("--port")) {
                port = WholeNumber(value, 0, 65535);
                if (!port)
                    return Usage(QStringLiteral("the port \"") + value +
                                 QStringLiteral("\" is not a number from 0 to 65535"));
            } else if (a == QLatin1String("--listen")) {
                if (!options.address.setAddress(value))
                    return Usage(QStringLiteral("\"") + value +
                                 QStringLiteral("\" is not an IP address"));
            } else {
                const std::optional<int> seconds = WholeNumber(value, 1, kMaxTimeoutSeconds);
                if (!seconds)
                    return Usage(QStringLiteral("the timeout \"") + value +
                                 QStringLiteral("\" is not a number of seconds from 1 to ") +
                                 QString::number(kMaxTimeoutSeconds));
                options.timeoutMs = *seconds * 1000;
            }
            continue;
        }
        return Usage(QStringLiteral("unknown option \"") + a + QChar('"'));
    }
    if (port) {
        options.port = quint16(*port);
    } else {
        // Read only: the window owns the settings file.
        quillary::clsSettings settings(quillary::clsSettings::DefaultFilePath());
        settings.SetReadOnly(true);
        const int stored = settings.GetInt(quillary::Config::NetworkHotSyncPort);
        if (stored < 1 || stored > 65535)
            return Usage(QStringLiteral("the setting \"Network HotSync Port\" is not a port "
                                        "from 1 to 65535"));
        options.port = quint16(stored);
    }

    SyncServer server(options);
    QString error;
    if (!server.Start(&error)) {
        Say(error);
        return kFailed;
    }
    // One line a script or the window reads at once to learn the port.
    std::printf("Listening on %s\n", qPrintable(server.Where()));
    std::fflush(stdout);
    if (once)
        QObject::connect(&server, &SyncServer::syncFinished, &app, [&server](bool synced) {
            server.close();
            QCoreApplication::exit(synced ? kSynced : kNotSynced);
        });
    return app.exec();
}
