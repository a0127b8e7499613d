// SPDX-License-Identifier: GPL-3.0-or-later
#include "frmInsertSnippet.h"

#include "core/PlatformServices.h"
#include "core/modGlobals.h"
#include "storage/clsQuillaryItem.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillary {

namespace {

QString ShownTitle(const SnippetCatalog::Snippet& s) {
    return s.title.isEmpty() ? QStringLiteral("(no title)") : s.title;
}

} // namespace

frmInsertSnippet::frmInsertSnippet(PlatformServices& services, const QString& folder,
                                   Inserter insert, QWidget* parent)
    : QDialog(parent), m_Services(services), m_Insert(std::move(insert)) {
    setObjectName(QStringLiteral("frmInsertSnippet"));
    setWindowTitle(QStringLiteral("Insert Snippet"));
    setSizeGripEnabled(true);

    auto* lblFilter = new QLabel(QStringLiteral("&Look for:"), this);
    m_txtFilter = new QLineEdit(this);
    m_txtFilter->setObjectName(QStringLiteral("txtFilter"));
    m_txtFilter->setAccessibleName(QStringLiteral("Filter text inserts"));
    m_txtFilter->setPlaceholderText(QStringLiteral("Part of a title or text"));
    m_txtFilter->setClearButtonEnabled(true);
    lblFilter->setBuddy(m_txtFilter);

    m_lstSnippets = new QListWidget(this);
    m_lstSnippets->setObjectName(QStringLiteral("lstSnippets"));
    m_lstSnippets->setAccessibleName(QStringLiteral("Text inserts"));
    m_lstSnippets->setUniformItemSizes(true);

    m_lblNothing = new QLabel(this);
    m_lblNothing->setObjectName(QStringLiteral("lblNothing"));
    m_lblNothing->setWordWrap(true);
    m_lblNothing->setTextFormat(Qt::PlainText);
    m_lblNotListed = new QLabel(this);
    m_lblNotListed->setObjectName(QStringLiteral("lblNotListed"));
    m_lblNotListed->setWordWrap(true);
    m_lblNotListed->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lblNotListed->setTextFormat(Qt::PlainText);

    auto* lblPreview = new QLabel(QStringLiteral("Text:"), this);
    m_txtPreview = new QPlainTextEdit(this);
    m_txtPreview->setObjectName(QStringLiteral("txtPreview"));
    m_txtPreview->setAccessibleName(QStringLiteral("Text of the chosen insert"));
    m_txtPreview->setReadOnly(true);
    // Shown, not a stop on the way from the list to the buttons.
    m_txtPreview->setFocusPolicy(Qt::ClickFocus);
    lblPreview->setBuddy(m_txtPreview);

    m_cmdInsert = new QPushButton(QStringLiteral("&Insert"), this);
    m_cmdInsert->setObjectName(QStringLiteral("cmdInsert"));
    m_cmdInsert->setDefault(true);
    auto* cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cmdInsert);
    buttons->addWidget(cmdClose);
    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(lblFilter);
    filterRow->addWidget(m_txtFilter, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filterRow);
    layout->addWidget(m_lstSnippets, 3);
    layout->addWidget(m_lblNothing);
    layout->addWidget(m_lblNotListed);
    layout->addWidget(lblPreview);
    layout->addWidget(m_txtPreview, 2);
    layout->addLayout(buttons);
    setTabOrder(m_txtFilter, m_lstSnippets);
    setTabOrder(m_lstSnippets, m_cmdInsert);
    setTabOrder(m_cmdInsert, cmdClose);
    resize(520, 460);

    m_txtFilter->installEventFilter(this);
    m_lstSnippets->installEventFilter(this);
    connect(m_txtFilter, &QLineEdit::textChanged, this, &frmInsertSnippet::ApplyFilter);
    connect(m_lstSnippets, &QListWidget::currentRowChanged, this, &frmInsertSnippet::ShowChosen);
    connect(m_lstSnippets, &QListWidget::itemDoubleClicked, this, [this] { InsertChosen(); });
    connect(m_cmdInsert, &QPushButton::clicked, this, [this] { InsertChosen(); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);

    m_Catalog.Load(folder);
    QStringList notListed;
    for (const QString& problem : m_Catalog.Problems())
        notListed << QStringLiteral("Could not be read: ") + problem;
    for (const QString& name : m_Catalog.BitmapDatabases())
        notListed << QStringLiteral("\"") + name +
                         QStringLiteral("\" is a bitmap insert database; pictures cannot go "
                                        "into the note's text.");
    m_lblNotListed->setText(notListed.join(QChar('\n')));
    m_lblNotListed->setVisible(!notListed.isEmpty());
    ApplyFilter();
    m_txtFilter->setFocus();
}

void frmInsertSnippet::ApplyFilter() {
    const int was = ChosenIndex();
    const QString filter = m_txtFilter->text();
    const std::vector<int> found = m_Catalog.Matching(filter);
    int select = 0;
    {
        const QSignalBlocker block(m_lstSnippets);
        m_lstSnippets->clear();
        for (size_t row = 0; row < found.size(); ++row) {
            const SnippetCatalog::Snippet& s = m_Catalog.Snippets()[size_t(found[row])];
            auto* item =
                new QListWidgetItem(s.database + QStringLiteral(" \u2014 ") + ShownTitle(s));
            item->setData(Qt::UserRole, found[row]);
            m_lstSnippets->addItem(item);
            if (found[row] == was)
                select = int(row); // the choice stays while it still matches
        }
        if (!found.empty())
            m_lstSnippets->setCurrentRow(select);
    }
    if (m_Catalog.Snippets().empty())
        m_lblNothing->setText(QStringLiteral("There are no text inserts to put into the note. "
                                             "Make some with Record > Edit Insert Databases "
                                             "(Ctrl+D)."));
    else if (found.empty())
        m_lblNothing->setText(QStringLiteral("No insert has \"") + filter +
                              QStringLiteral("\" in its title or text."));
    m_lblNothing->setVisible(found.empty());
    ShowChosen();
}

int frmInsertSnippet::ChosenIndex() const {
    const QListWidgetItem* item = m_lstSnippets->currentItem();
    return item ? item->data(Qt::UserRole).toInt() : -1;
}

void frmInsertSnippet::ShowChosen() {
    const int i = ChosenIndex();
    m_txtPreview->setPlainText(i >= 0 ? m_Catalog.Snippets()[size_t(i)].text : QString());
    m_cmdInsert->setEnabled(i >= 0);
}

bool frmInsertSnippet::InsertChosen() {
    const int i = ChosenIndex();
    if (i < 0 || !isVisible())
        return false;
    const SnippetCatalog::Snippet& s = m_Catalog.Snippets()[size_t(i)];
    int length = 0;
    int room = 0;
    if (!m_Insert(s.text, &length, &room)) {
        m_Services.messageBox(
            QStringLiteral("The snippet \"%1\" has %2 characters; the note has room for %3 more "
                           "(a note holds at most %4). Nothing was inserted.")
                .arg(ShownTitle(s))
                .arg(length)
                .arg(room)
                .arg(clsQuillaryItem::kMaxTextChars),
            kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation);
        return false;
    }
    accept();
    return true;
}

bool frmInsertSnippet::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || (watched != m_txtFilter && watched != m_lstSnippets))
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Straight to the insert, not by way of whichever button is the default just now.
        InsertChosen();
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (watched == m_txtFilter) {
            QApplication::sendEvent(m_lstSnippets, event);
            return true;
        }
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace quillary
