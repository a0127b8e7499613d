// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainPanes.h"

#include "ElidingComboBox.h"
#include "NoteEditorPane.h"
#include "NoteListModel.h"
#include "core/clsSettings.h"
#include "draw/ctlDrawBox.h"
#include "session/NotesSession.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QPlainTextEdit>

#include <cmath>

namespace quillary {

MainPanes::MainPanes(NotesSession& session, QWidget* parent)
    : QWidget(parent), m_Session(session) {
    m_TopRow = new QWidget(this);
    auto* row = new QHBoxLayout(m_TopRow);
    row->setContentsMargins(4, 2, 4, 2);
    m_lstNotes = new QComboBox(m_TopRow);
    m_lstNotes->setObjectName(QStringLiteral("lstNotes"));
    m_NoteList = new NoteListModel(session.Database(), m_lstNotes);
    m_lstNotes->setModel(m_NoteList);
    m_lstNotes->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_lstNotes->setMinimumContentsLength(10);
    // A list, not a screen-high menu with arrow buttons: thousands of notes must scroll.
    m_lstNotes->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    m_lstNotes->setMaxVisibleItems(20);
    m_lstNotes->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Every row is one line of the same font: measuring the first is enough. Otherwise the
    // list measures each of up to 32,767 texts before it opens.
    if (auto* list = qobject_cast<QListView*>(m_lstNotes->view()))
        list->setUniformItemSizes(true);
    row->addWidget(m_lstNotes, 1);
    auto* userBox = new QWidget(m_TopRow);
    userBox->setObjectName(QStringLiteral("picUserBox"));
    auto* userRow = new QHBoxLayout(userBox);
    userRow->setContentsMargins(0, 0, 0, 0);
    m_lblUser = new QLabel(QStringLiteral("User:"), userBox);
    m_lblUser->setObjectName(QStringLiteral("lblUser"));
    m_cmbUser = new ElidingComboBox(userBox);
    m_cmbUser->setObjectName(QStringLiteral("cmbUser"));
    // A long user name is shortened with "…" rather than squeezing the note selector.
    m_cmbUser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cmbUser->setMinimumContentsLength(14);
    m_lblUser->setBuddy(m_cmbUser);
    userRow->addWidget(m_lblUser);
    userRow->addWidget(m_cmbUser);
    row->addWidget(userBox);

    m_Editor = new NoteEditorPane(session, this);
    m_fmeDivide = new QWidget(this);
    m_fmeDivide->setObjectName(QStringLiteral("fmeDivide"));
    m_fmeDivide->setCursor(Qt::SplitVCursor);
    m_fmeDivide->setAutoFillBackground(true);
    m_fmeDivide->installEventFilter(this);

    // The window shrinks no further than the layout does: the selectors, a strip of
    // picture and of text stay in view (see Layout for the mapping).
    this->setMinimumSize(
        TwipsToPixels(MainLayout::kMinWidth - 125),
        m_TopRow->sizeHint().height() +
            TwipsToPixels(MainLayout::kMinHeight - 1740 + MainLayout::kDividerHeight));
}

void MainPanes::ResetDivider() {
    m_DividerOffset = MainLayout::kInitialOffset;
    m_WantedOffset = MainLayout::kInitialOffset;
}

void MainPanes::Layout() {
    m_Editor->TextEditor()->setFont(GetEditorFont(m_Session.Settings()));
    const int rowHeight = m_TopRow->sizeHint().height();
    m_TopRow->setGeometry(0, 0, width(), rowHeight);
    // The formulas measure the window; map them so the text box ends at the bottom of the
    // central area and the picture starts under the selector row.
    const int windowWidth = PixelsToTwips(width()) + 125;
    const int windowHeight =
        PixelsToTwips(height() - rowHeight) + 1740 - MainLayout::kDividerHeight;
    // The clamps limit what is shown; the offset the person chose is kept for a larger
    // window.
    m_Layout = MainLayout::Compute(windowWidth, windowHeight, m_WantedOffset);
    m_DividerOffset = m_Layout.offset;
    auto place = [rowHeight](const QRect& twips) {
        return QRect(TwipsToPixels(twips.x()),
                     rowHeight + TwipsToPixels(twips.y() - MainLayout::kPictureTop),
                     TwipsToPixels(twips.width()), std::max(0, TwipsToPixels(twips.height())));
    };
    QRect picture = place(m_Layout.picture);
    if (m_Editor->PictureUnreadable()) {
        QLabel* problem = m_Editor->PictureProblem();
        // The line that says so sits over the picture, which moves down under it.
        const int lineHeight =
            std::min(problem->heightForWidth(picture.width()), picture.height() / 2);
        problem->setGeometry(picture.x(), picture.y(), picture.width(), lineHeight);
        problem->raise();
        picture.setTop(picture.top() + lineHeight);
    }
    m_Editor->PictureEditor()->setGeometry(picture);
    m_fmeDivide->setGeometry(place(m_Layout.divider));
    m_Editor->TextEditor()->setGeometry(place(m_Layout.text));
}

bool MainPanes::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_fmeDivide) {
        if (event->type() == QEvent::MouseButtonPress) {
            auto* e = static_cast<QMouseEvent*>(event);
            m_DragOrigin = PixelsToTwips(m_fmeDivide->y()) + PixelsToTwips(1) * e->position().y();
            m_WantedOffset = m_DividerOffset; // a drag starts where the divider is shown
            return true;
        }
        if (event->type() == QEvent::MouseMove) {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->buttons() == Qt::NoButton)
                return false;
            const double y = PixelsToTwips(m_fmeDivide->y()) + PixelsToTwips(1) * e->position().y();
            m_DividerOffset += int(std::lround(y - m_DragOrigin));
            m_WantedOffset = m_DividerOffset;
            if (std::abs(m_DividerOffset - m_Layout.offset) > 1) {
                Layout();
                update();
                m_WantedOffset = m_DividerOffset; // where the clamps stopped it
            }
            m_DragOrigin = y;
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace quillary
