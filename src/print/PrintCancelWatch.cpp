// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/PrintCancelWatch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

namespace quillary {

PrintCancelWatch::PrintCancelWatch() {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

PrintCancelWatch::~PrintCancelWatch() {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool PrintCancelWatch::Cancelled() {
    QCoreApplication::processEvents();
    return m_cancelled;
}

bool PrintCancelWatch::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            m_cancelled = true;
        return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Close:
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace quillary
