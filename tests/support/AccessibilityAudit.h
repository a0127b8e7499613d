// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QComboBox>
#include <QScrollBar>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace quillary::test {

// What a screen reader needs of a window: every control it can reach has a name, and Tab
// walks them in reading order. Both read through Qt's accessibility interface and focus
// chain, as an assistive technology does.
namespace audit {

inline QString Describe(const QWidget* w) {
    QString path;
    for (const QWidget* p = w; p; p = p->parentWidget()) {
        const QString part = p->objectName().isEmpty()
                                 ? QString::fromLatin1(p->metaObject()->className())
                                 : p->objectName();
        path = path.isEmpty() ? part : part + '/' + path;
        if (p->isWindow())
            break;
    }
    return path;
}

// A control that takes the focus with Tab, as the focus chain sees it.
inline bool TakesTab(const QWidget* w) {
    return w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) &&
           !w->focusProxy();
}

// The inner parts Qt builds itself (a scroll area's viewport, an editable combo box's line
// edit) speak through their owner.
inline bool IsInnerPart(const QWidget* w) {
    const QWidget* parent = w->parentWidget();
    if (!parent)
        return false;
    if (auto* area = qobject_cast<const QAbstractScrollArea*>(parent))
        if (area->viewport() == w)
            return true;
    if (qobject_cast<const QComboBox*>(parent))
        return true;
    return false;
}

} // namespace audit

// Controls of window that a screen reader would announce without a name: every control
// Tab reaches, every button and scroll bar shown (a screen reader reaches those without the
// focus), and the widgets named in alsoCheck (a picture that takes no focus from Tab).
inline QStringList UnnamedControls(QWidget* window, const QStringList& alsoCheck = {}) {
    QStringList problems;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        if (!w->isVisible() || audit::IsInnerPart(w) || w->window() != window)
            continue;
        const bool check = audit::TakesTab(w) || qobject_cast<QScrollBar*>(w) ||
                           qobject_cast<QAbstractButton*>(w) ||
                           alsoCheck.contains(w->objectName());
        if (!check)
            continue;
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        if (!face || face->text(QAccessible::Name).trimmed().isEmpty())
            problems << audit::Describe(w);
    }
    return problems;
}

// The controls Tab reaches, in the order it reaches them from the first one.
inline QList<QWidget*> TabChain(QWidget* window) {
    QList<QWidget*> chain;
    QWidget* w = window->nextInFocusChain();
    for (int guard = 0; w != window && guard < 10000; ++guard, w = w->nextInFocusChain())
        if (audit::TakesTab(w) && w->window() == window && !audit::IsInnerPart(w))
            chain << w;
    return chain;
}

namespace audit {

struct Placed {
    QWidget* w;
    QRect r;
};

// Reading order by cuts, as a page is read: split at the widest clear gap into bands read
// top to bottom or columns read left to right (a band wins unless the column gap is clearly
// wider, so a grid of buttons reads row by row and a column of buttons beside a list reads
// after the list); each part is read the same way. Controls that overlap both ways read by
// their top-left corner.
inline void ReadingOrder(std::vector<Placed> items, std::vector<QWidget*>& out) {
    if (items.size() <= 1) {
        for (const Placed& p : items)
            out.push_back(p.w);
        return;
    }
    struct Cut {
        std::vector<Placed> sorted;
        size_t at = 0; // 0: no gap
        int gap = 0;
    };
    auto widest = [&](bool horizontal) {
        Cut c{items};
        std::stable_sort(c.sorted.begin(), c.sorted.end(), [&](const Placed& a, const Placed& b) {
            return horizontal ? a.r.top() < b.r.top() : a.r.left() < b.r.left();
        });
        int reach = horizontal ? c.sorted[0].r.bottom() : c.sorted[0].r.right();
        for (size_t i = 1; i < c.sorted.size(); ++i) {
            const int begin = horizontal ? c.sorted[i].r.top() : c.sorted[i].r.left();
            // Frames may touch or overlap by a pixel or two without joining.
            const int gap = begin - reach;
            if (gap >= -2 && (c.at == 0 || gap > c.gap)) {
                c.at = i;
                c.gap = gap;
            }
            reach = std::max(reach, horizontal ? c.sorted[i].r.bottom() : c.sorted[i].r.right());
        }
        return c;
    };
    const Cut bands = widest(true);
    const Cut columns = widest(false);
    const Cut* chosen = nullptr;
    if (bands.at && (!columns.at || columns.gap <= bands.gap + 3))
        chosen = &bands;
    else if (columns.at)
        chosen = &columns;
    if (chosen) {
        ReadingOrder({chosen->sorted.begin(), chosen->sorted.begin() + long(chosen->at)}, out);
        ReadingOrder({chosen->sorted.begin() + long(chosen->at), chosen->sorted.end()}, out);
        return;
    }
    std::stable_sort(items.begin(), items.end(), [](const Placed& a, const Placed& b) {
        return a.r.top() != b.r.top() ? a.r.top() < b.r.top() : a.r.left() < b.r.left();
    });
    for (const Placed& p : items)
        out.push_back(p.w);
}

} // namespace audit

// Tab must follow reading order (audit::ReadingOrder). Returns the first place where it
// does not, or "".
inline QString TabOrderProblem(QWidget* window) {
    const QList<QWidget*> chain = TabChain(window);
    if (chain.size() < 2)
        return {};
    std::vector<audit::Placed> items;
    for (QWidget* w : chain)
        items.push_back({w, QRect(w->mapTo(window, QPoint(0, 0)), w->size())});
    std::vector<QWidget*> expected;
    audit::ReadingOrder(items, expected);
    // Tab cycles: start the comparison where reading starts.
    const qsizetype start = chain.indexOf(expected.front());
    for (size_t k = 0; k < expected.size(); ++k) {
        QWidget* got = chain[(start + qsizetype(k)) % chain.size()];
        if (got != expected[k])
            return QStringLiteral("after %1 Tab goes to %2, reading order says %3")
                .arg(k ? audit::Describe(expected[k - 1]) : QStringLiteral("the start"),
                     audit::Describe(got), audit::Describe(expected[k]));
    }
    return {};
}

} // namespace quillary::test
