// SPDX-License-Identifier: GPL-3.0-or-later
#include "StorableTextValidator.h"

#include "core/TextCodec.h"

namespace quillary {

StorableTextValidator::StorableTextValidator(std::function<void(const QString&)> report,
                                             QObject* parent)
    : QValidator(parent), m_Report(std::move(report)) {}

QValidator::State StorableTextValidator::validate(QString& input, int& pos) const {
    if (FirstUnstorableCharacter(input) == 0)
        return Acceptable;
    const QList<uint> points = input.toUcs4();
    QString kept;
    kept.reserve(input.size());
    char32_t left = 0;
    int utf16 = 0;
    int newPos = pos;
    for (const uint cp : points) {
        const char32_t c = char32_t(cp);
        const int width = c > 0xFFFF ? 2 : 1;
        if (FirstUnstorableCharacter(QString::fromUcs4(&c, 1)) != 0) {
            left = c;
            if (utf16 < pos)
                newPos -= width;
        } else {
            kept += QString::fromUcs4(&c, 1);
        }
        utf16 += width;
    }
    input = kept;
    pos = std::clamp(newPos, 0, int(input.size()));
    if (m_Report)
        m_Report(UnstorableCharacterMessage(left));
    return Acceptable;
}

} // namespace quillary
