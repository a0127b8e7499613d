// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

namespace quillary {

// Keeps the program responsive during a print job without letting the person start
// anything else: while it lives, keyboard and mouse input to the program is swallowed,
// except Escape, which asks for the job to be cancelled. Cancelled() lets pending events
// (repaints, the Escape key) run first.
class PrintCancelWatch : public QObject {
public:
    PrintCancelWatch();
    ~PrintCancelWatch() override;
    PrintCancelWatch(const PrintCancelWatch&) = delete;
    PrintCancelWatch& operator=(const PrintCancelWatch&) = delete;

    bool Cancelled();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_cancelled = false;
};

} // namespace quillary
