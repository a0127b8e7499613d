// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainStatusBar.h"

#include "core/modGlobals.h"

#include <QChildEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyleOption>
#include <QStyleOptionToolButton>
#include <QStylePainter>
#include <QToolButton>

#include <algorithm>

namespace quillary {

namespace {

constexpr int kMaxLines = 3;
// Narrower than this many characters, wrapping would not make a message readable.
constexpr int kMinRoomChars = 12;
constexpr int kFlags = Qt::AlignLeading | Qt::AlignVCenter | Qt::TextWordWrap;

// The report: when the bar is short of room its text ends in "…" instead of being cut off
// at both ends; the whole text is its tool tip.
class ElidingReportButton : public QToolButton {
public:
    using QToolButton::QToolButton;
    QSize minimumSizeHint() const override {
        return {fontMetrics().horizontalAdvance(QStringLiteral("HotSync…")),
                QToolButton::minimumSizeHint().height()};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionToolButton option;
        initStyleOption(&option);
        const int padding = sizeHint().width() - fontMetrics().horizontalAdvance(text());
        option.text = fontMetrics().elidedText(text(), Qt::ElideRight, width() - padding);
        painter.drawComplexControl(QStyle::CC_ToolButton, option);
    }
};

} // namespace

MainStatusBar::MainStatusBar(QWidget* parent) : QStatusBar(parent) {
    connect(this, &QStatusBar::messageChanged, this, &MainStatusBar::FitMessage);
}

void MainStatusBar::AddNotePanels() {
    for (const char* tip :
         {"Category", "Database Size", "Note Size", "Number of Notes In Database", "Record ID"}) {
        auto* panel = new QLabel(this);
        panel->setToolTip(QString::fromLatin1(tip));
        panel->setObjectName(QStringLiteral("pnl") + QString::fromLatin1(tip).remove(' '));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setMinimumWidth(60);
        // Permanent, so that temporary messages get their own place to the left instead
        // of hiding the panels.
        addPermanentWidget(panel);
        m_Panels << panel;
    }
    m_cmdChanges = new ElidingReportButton(this);
    m_cmdChanges->setObjectName(QStringLiteral("cmdNoteChanges"));
    m_cmdChanges->setAutoRaise(true);
    // It gives way to the panels down to its shortest form (the text elides).
    m_cmdChanges->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_cmdChanges->hide();
    // Left of the panels, in the room messages use: as a permanent widget it was squeezed
    // between the panels of a window of the first size and could not be read.
    addWidget(m_cmdChanges);
    connect(m_cmdChanges, &QToolButton::clicked, this, &MainStatusBar::reportClicked);
}

int MainStatusBar::ShowNoteStatus(const QString& category, qint64 dbSize, qint64 noteSize,
                                  int count, quint32 recordId) {
    m_Panels.at(0)->setText(category);
    if (dbSize > 0)
        m_Panels.at(1)->setText(QStringLiteral("DB: ") + FormatKb(dbSize) + QStringLiteral(" kb"));
    if (noteSize > 0)
        m_Panels.at(2)->setText(QStringLiteral("Note: ") + FormatKb(noteSize) +
                                QStringLiteral(" kb"));
    if (count > 0)
        m_Panels.at(3)->setText(QString::number(count) +
                                (count == 1 ? QStringLiteral(" note") : QStringLiteral(" notes")));
    m_Panels.at(4)->setText(recordId != 0 ? QStringLiteral("ID: ") + QString::number(recordId)
                                          : QStringLiteral("New Record"));
    // Each panel keeps room for its text, and the window for all five panels, so that
    // they never overlap at the smallest window size.
    int needed = 24; // the size grip and the status bar's margins
    for (QLabel* panel : m_Panels) {
        panel->setMinimumWidth(std::max(60, panel->sizeHint().width()));
        needed += panel->minimumWidth() + 6;
    }
    return needed;
}

QStringList MainStatusBar::PanelTexts() const {
    QStringList texts;
    for (const QLabel* panel : m_Panels)
        texts << panel->text();
    return texts;
}


void MainStatusBar::ShowReport(const QString& text, bool hasNotes) {
    if (text.isEmpty()) {
        m_cmdChanges->hide();
        return;
    }
    m_cmdChanges->setText(text);
    m_cmdChanges->setToolTip(hasNotes ? text + QStringLiteral(". Click to see the notes.") : text);
    m_cmdChanges->setEnabled(hasNotes);
    // The report is the newer word: a message still showing would be drawn under it.
    clearMessage();
    m_cmdChanges->show();
}

QRect MainStatusBar::MessageRect() const {
    // As the base class places its message: 6 pixels in, up to 2 pixels before the
    // first panel shown or the size grip (the other widgets are hidden while it shows).
    int right = width() - 12;
    for (const QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (child->isVisible() && !child->isWindow())
            right = std::min(right, child->x() - 2);
    return QRect(6, 0, std::max(0, right - 6), height());
}

int MainStatusBar::MessageLines() const {
    const QString message = currentMessage();
    if (message.isEmpty())
        return 0;
    const QRect room = MessageRect();
    if (room.width() < kMinRoomChars * fontMetrics().averageCharWidth())
        return 1; // cut where it is, as one line
    const QRect needed =
        fontMetrics().boundingRect(QRect(0, 0, room.width(), 1 << 16), kFlags, message);
    return std::max(1, (needed.height() + fontMetrics().lineSpacing() / 2) /
                           fontMetrics().lineSpacing());
}

void MainStatusBar::FitMessage() {
    const int needed = MessageLines();
    const int lines = std::min(needed, kMaxLines);
    const int extra = lines > 1 ? (lines - 1) * fontMetrics().lineSpacing() : 0;
    setMinimumHeight(extra ? QStatusBar::sizeHint().height() + extra : 0);
    // What is cut off can still be read by pointing at the bar.
    const QString message = currentMessage();
    const bool cut =
        needed > kMaxLines ||
        (needed == 1 && fontMetrics().horizontalAdvance(message) > MessageRect().width());
    setToolTip(cut ? message : QString());
    update();
}

void MainStatusBar::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    if (!currentMessage().isEmpty() && event->size().width() != event->oldSize().width())
        FitMessage();
}

void MainStatusBar::childEvent(QChildEvent* event) {
    QStatusBar::childEvent(event);
    if (event->added() && event->child()->isWidgetType())
        event->child()->installEventFilter(this);
}

bool MainStatusBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == CategoryPanel() && event->type() == QEvent::MouseButtonRelease) {
        emit categoryPanelClicked();
        return true;
    }
    // The room for the message ends at the first panel: when a panel moves or changes its
    // width (a message shown before the bar was laid out, a new note's longer texts), the
    // lines the message needs change too.
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        if (watched->parent() == this && !currentMessage().isEmpty())
            FitMessage();
        break;
    default:
        break;
    }
    return QStatusBar::eventFilter(watched, event);
}

void MainStatusBar::paintEvent(QPaintEvent* event) {
    QStatusBar::paintEvent(event); // the bar and the panels' frames
    const QString message = currentMessage();
    if (message.isEmpty())
        return;
    // The base class drew the message on one line, cut at the first panel: draw it again
    // over that, wrapped.
    const QRect room = MessageRect();
    QPainter painter(this);
    painter.setClipRect(room);
    painter.fillRect(room, palette().brush(backgroundRole()));
    QStyleOption option;
    option.initFrom(this);
    style()->drawPrimitive(QStyle::PE_PanelStatusBar, &option, &painter, this);
    painter.setPen(palette().windowText().color());
    // More lines than the bar holds: its start stays readable (the tool tip has the rest).
    const bool tooTall = fontMetrics().boundingRect(room, kFlags, message).height() > room.height();
    painter.drawText(room, tooTall ? (kFlags & ~Qt::AlignVCenter) | Qt::AlignTop : kFlags, message);
}

} // namespace quillary
