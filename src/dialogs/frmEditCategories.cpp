// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frmEditCategories.h"

#include "dialogs/StorableTextValidator.h"

#include "core/PlatformServices.h"
#include "core/TextCodec.h"
#include "core/modGlobals.h"
#include "session/NotesSession.h"
#include "storage/TextUtil.h"
#include "storage/clsDatabase.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <string>
#include <vector>
#include <iterator>

namespace quillary {

namespace {
constexpr int kLabelChars = 15; // what the database keeps of a name
}

frmEditCategories::frmEditCategories(NotesSession& session, QWidget* parent)
    : QDialog(parent), m_Services(session.Services()), m_Session(session),
      m_Database(session.Database()) {
    setObjectName(QStringLiteral("frmEditCategories"));
    setWindowTitle(QStringLiteral("Edit Categories"));
    if (parent)
        setWindowIcon(parent->window()->windowIcon());

    m_lstCategories = new QListWidget(this);
    m_lstCategories->setObjectName(QStringLiteral("lstCategories"));
    m_lstCategories->setAccessibleName(QStringLiteral("Categories"));
    m_txtCatName = new QLineEdit(this);
    m_txtCatName->setObjectName(QStringLiteral("txtCatName"));
    m_txtCatName->setAccessibleName(QStringLiteral("Category name"));
    m_txtCatName->installEventFilter(this);
    // A character the handheld cannot hold is left out, and the person is told so.
    m_txtCatName->setValidator(new StorableTextValidator(
        [this](const QString& message) {
            m_lblMessage->setText(message);
            // Never narrower than this, and as high as the text needs at that width: the
            // whole message stays readable however small the window is made.
            const int width = m_lblMessage->fontMetrics().averageCharWidth() * 30;
            m_lblMessage->setMinimumSize(width, m_lblMessage->heightForWidth(width));
            m_lblMessage->show();
        },
        m_txtCatName));
    m_lblMessage = new QLabel(this);
    m_lblMessage->setObjectName(QStringLiteral("lblMessage"));
    m_lblMessage->setWordWrap(true);
    m_lblMessage->hide();

    m_picButtons = new QWidget(this);
    m_picButtons->setObjectName(QStringLiteral("picButtons"));
    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), m_picButtons);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    m_cmdAdd = button("cmdAdd", "&Add");
    m_cmdRemove = button("cmdRemove", "&Remove");
    m_cmdDone = button("cmdDone", "&OK");
    m_cmdDone->setDefault(true);
    auto* buttons = new QVBoxLayout(m_picButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addWidget(m_cmdAdd);
    buttons->addWidget(m_cmdRemove);
    buttons->addStretch(1);
    buttons->addWidget(m_cmdDone);

    auto* left = new QVBoxLayout;
    left->addWidget(m_lstCategories, 1);
    left->addWidget(m_txtCatName);
    left->addWidget(m_lblMessage);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addWidget(m_picButtons);
    // Reading order: the list and the buttons beside it, then the name box and OK.
    {
        QWidget* const order[] = {m_lstCategories, m_cmdAdd, m_cmdRemove, m_txtCatName, m_cmdDone};
        for (size_t i = 1; i < std::size(order); ++i)
            QWidget::setTabOrder(order[i - 1], order[i]);
    }

    connect(m_lstCategories, &QListWidget::currentRowChanged, this,
            &frmEditCategories::OnSelectionChanged);
    connect(m_txtCatName, &QLineEdit::textChanged, this, &frmEditCategories::OnNameChanged);
    connect(m_cmdAdd, &QPushButton::clicked, this, &frmEditCategories::cmdAdd_Click);
    connect(m_cmdRemove, &QPushButton::clicked, this, &frmEditCategories::cmdRemove_Click);
    connect(m_cmdDone, &QPushButton::clicked, this, &QDialog::accept);

    LoadList();
    resize(std::max(340, sizeHint().width()), std::max(260, sizeHint().height()));
}

void frmEditCategories::LoadList() {
    std::vector<std::string> labels;
    const int n = m_Database.GetCategoryList(labels);
    m_lstCategories->clear();
    for (int i = 1; i < n; ++i) {
        auto* item = new QListWidgetItem(FromCp1252(labels[size_t(i)]), m_lstCategories);
        item->setData(Qt::UserRole, i);
    }
    SelectRow(m_lstCategories->count() > 0 ? 0 : -1);
}

void frmEditCategories::SelectRow(int row) {
    m_lstCategories->setCurrentRow(row);
    OnSelectionChanged(); // also when the row was current already
}

QString frmEditCategories::Message() const {
    return m_lblMessage->isHidden() ? QString() : m_lblMessage->text();
}

void frmEditCategories::OnSelectionChanged() {
    m_lblMessage->hide(); // it was about the name of the category left
    QListWidgetItem* item = m_lstCategories->currentItem();
    // Without a category there is nothing to name.
    m_txtCatName->setEnabled(item != nullptr);
    m_txtCatName->setText(item ? item->text() : QString());
}

bool frmEditCategories::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_txtCatName && event->type() == QEvent::FocusIn) {
        // After the click that gave the focus has placed the caret.
        QTimer::singleShot(0, m_txtCatName, &QLineEdit::selectAll);
    }
    return QDialog::eventFilter(watched, event);
}

void frmEditCategories::OnNameChanged(const QString& text) {
    QListWidgetItem* item = m_lstCategories->currentItem();
    if (!item || text == item->text())
        return;
    const int index = item->data(Qt::UserRole).toInt();
    // What the database will hold: at most 15 characters, read back without surrounding
    // spaces. An empty label would end the category table there and drop every category
    // after it, so a cleared box renames nothing until a name is typed.
    const std::string stored =
        TrimAtNull(ToCp1252(text.left(kLabelChars)).substr(0, size_t(kLabelChars)));
    if (stored.empty())
        return;
    if (FirstUnstorableCharacter(text) != 0 || m_Database.IsCategoryNameUnique(stored, index)) {
        const QSignalBlocker block(m_txtCatName);
        m_txtCatName->setText(item->text());
        return;
    }
    item->setText(text);
    m_Database.RenameCategory(index, stored);
    m_Session.MarkChanged();
}

void frmEditCategories::cmdAdd_Click() {
    std::string name;
    const int result = m_Database.AddCategory(name);
    if (result < 0) {
        m_Services.messageBox(
            QStringLiteral("Category not added - you can only have 15 categories."), kAppTitle,
            MsgButtons::Ok, MsgIcon::None);
        return;
    }
    m_Session.MarkChanged(); // the new category must not be lost unsaved
    auto* item = new QListWidgetItem(FromCp1252(name), m_lstCategories);
    item->setData(Qt::UserRole, result - 1);
    SelectRow(m_lstCategories->row(item));
    m_txtCatName->setFocus();
    m_txtCatName->selectAll();
}

void frmEditCategories::cmdRemove_Click() {
    const int row = m_lstCategories->currentRow();
    QListWidgetItem* item = m_lstCategories->currentItem();
    if (!item || row < 0)
        return;
    const int index = item->data(Qt::UserRole).toInt();
    bool used = false;
    for (int r = 0; r < m_Database.GetNumRecords() && !used; ++r)
        used = m_Database.GetCategoryIndex(r) == index;
    if (used &&
        m_Services.messageBox(
            QStringLiteral("Deleting this category will cause 1 or more notes to be moved to "
                           "unfiled.\rDo you wish to delete this category?"),
            kAppTitle, MsgButtons::YesNo, MsgIcon::Exclamation) != MsgResult::Yes)
        return;
    m_Database.DeleteCategory(index);
    m_Session.MarkChanged();
    {
        const QSignalBlocker block(m_lstCategories);
        delete m_lstCategories->takeItem(row);
    }
    for (int r = 0; r < m_lstCategories->count(); ++r) {
        QListWidgetItem* other = m_lstCategories->item(r);
        const int i = other->data(Qt::UserRole).toInt();
        if (i > index)
            other->setData(Qt::UserRole, i - 1);
    }
    const int count = m_lstCategories->count();
    SelectRow(count == 0 ? -1 : std::min(row, count - 1));
}

} // namespace quillary
