// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

namespace quillary {

// A one-line label that shows a text too long for it up to "..." at its end, whatever its
// alignment (a right-aligned QLabel loses the text's beginning instead), with the whole
// text as its tooltip. text() stays the whole text.
class ctlElidedLabel : public QLabel {
public:
    explicit ctlElidedLabel(QWidget* parent = nullptr);

    void SetFullText(const QString& text);
    // The text as drawn at the label's present width.
    QString ShownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect TextRect() const;
    void UpdateTip();
};

} // namespace quillary
