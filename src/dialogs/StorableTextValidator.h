// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QValidator>

#include <functional>

namespace quillary {

// Keeps characters that Windows-1252 cannot hold out of a line edit whose text is stored
// (category names, insert titles, database names: single bytes, as note texts are) or
// searched for in stored text (the find box), and tells the person what was left out, in
// the main window's words for notes. Typed, pasted and set text alike; the rest is kept.
class StorableTextValidator : public QValidator {
    Q_OBJECT
public:
    StorableTextValidator(std::function<void(const QString&)> report, QObject* parent);

    State validate(QString& input, int& pos) const override;

private:
    std::function<void(const QString&)> m_Report;
};

} // namespace quillary
