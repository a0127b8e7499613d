// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>

namespace quillary {

// A drop-down list whose closed box shows a text too long for it with "…" at the end
// rather than clipping it mid-letter; the list itself shows every entry whole.
class ElidingComboBox : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    // The current entry's text as the closed box draws it.
    QString ShownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect TextRect(const class QStyleOptionComboBox& option) const;
};

} // namespace quillary
