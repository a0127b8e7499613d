// SPDX-License-Identifier: GPL-3.0-or-later
#include "PictureHistories.h"

#include <QHashFunctions>
#include <QUndoStack>

namespace quillary {

namespace {

// Tells pictures apart without keeping a copy of each.
std::size_t Signature(const QImage& picture) {
    std::size_t seed = qHashMulti(0, picture.width(), picture.height());
    for (int y = 0; y < picture.height(); ++y)
        seed = qHashBits(picture.constScanLine(y), size_t(picture.width()) * 4, seed);
    return seed;
}

} // namespace

PictureHistories::PictureHistories() = default;
PictureHistories::~PictureHistories() = default;

QUndoStack* PictureHistories::StackFor(uint64_t key, const QImage& shown) {
    Entry& entry = m_Entries[key];
    if (!entry.stack) {
        entry.stack = std::make_unique<QUndoStack>();
        entry.stack->setUndoLimit(kStepLimit);
    } else if (entry.left != Signature(shown)) {
        entry.stack->clear();
    }
    return entry.stack.get();
}

void PictureHistories::Leave(uint64_t key, const QImage& picture) {
    const auto it = m_Entries.find(key);
    if (it != m_Entries.end())
        it->second.left = Signature(picture);
}

void PictureHistories::Forget(uint64_t key) {
    m_Entries.erase(key);
}

void PictureHistories::Retain(const std::function<bool(uint64_t)>& live) {
    std::erase_if(m_Entries, [&](const auto& entry) { return !live(entry.first); });
}

void PictureHistories::Clear() {
    m_Entries.clear();
}

} // namespace quillary
