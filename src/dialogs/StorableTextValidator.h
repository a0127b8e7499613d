// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QValidator>

#include <functional>

namespace quillary {

// Keeps characters that Windows-1252 cannot hold out of a line edit (titles and database
// names are stored as single bytes, as note texts are) and tells the person what was left
// out, with the main window's wording for notes. Characters already in the box are not
// checked again.
class StorableTextValidator : public QValidator {
    Q_OBJECT
public:
    StorableTextValidator(std::function<void(const QString&)> report, QObject* parent);

    State validate(QString& input, int& pos) const override;

private:
    std::function<void(const QString&)> m_Report;
};

} // namespace quillary
