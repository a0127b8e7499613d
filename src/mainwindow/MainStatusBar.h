// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStatusBar>

namespace quillary {

// The main window's status bar. A message too long for the room its panels leave wraps
// onto more lines there, the bar growing while it shows, so that it can be read at any
// window width without taking the panels away.
class MainStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit MainStatusBar(QWidget* parent = nullptr);

    // Where the message is drawn: from the left edge to the first panel shown.
    QRect MessageRect() const;
    // The lines the current message takes there (0 without a message; 1 when the room is
    // too narrow to wrap in, the message then cut and shown whole as the bar's tool tip).
    int MessageLines() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void childEvent(QChildEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FitMessage();
};

} // namespace quillary
