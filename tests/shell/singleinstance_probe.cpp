// SPDX-License-Identifier: GPL-3.0-or-later
// A minimal program around SingleInstance: prints "primary" and runs until killed (printing
// "activated" on each activation request), or prints "secondary" and exits at once.
#include "shell/SingleInstance.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    quillary::SingleInstance instance;
    QTextStream out(stdout);
    if (!instance.Claim()) {
        out << "secondary" << Qt::endl;
        return 0;
    }
    QObject::connect(&instance, &quillary::SingleInstance::activationRequested,
                     [&] { out << "activated" << Qt::endl; });
    out << "primary" << Qt::endl;
    return app.exec();
}
