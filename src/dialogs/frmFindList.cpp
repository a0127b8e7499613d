// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frmFindList.h"

#include "dialogs/FindResultsModel.h"
#include "dialogs/StorableTextValidator.h"
#include "mainwindow/MainLayout.h"
#include "mainwindow/MainStatusBar.h"
#include "session/NotesSession.h"
#include "core/TextCodec.h"
#include "core/clsSettings.h"
#include "storage/clsDatabase.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

namespace quillary {

frmFindList::frmFindList(NotesSession& session, QWidget& owner)
    : QWidget(nullptr), m_Session(session), m_Owner(owner) {
    setObjectName(QStringLiteral("frmFindList"));
    setWindowTitle(QStringLiteral("Find Note"));
    setAttribute(Qt::WA_QuitOnClose, false); // the main window alone keeps the program up
    // Escape closes it, as it closes the program's dialogs (it is no dialog: it has no owner).
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    m_txtFind = new QLineEdit(this);
    m_txtFind->setObjectName(QStringLiteral("txtFind"));
    m_txtFind->setAccessibleName(QStringLiteral("Find text"));
    // No note can hold a character outside the code page: it is left out, with a word why.
    m_txtFind->setValidator(new StorableTextValidator(
        [this](const QString& message) { m_statusBar->showMessage(message, 8000); }, m_txtFind));
    m_cmdFind = new QPushButton(QStringLiteral("&Find"), this);
    m_cmdFind->setObjectName(QStringLiteral("cmdFind"));
    m_cmdFind->setAutoDefault(true);
    m_chkCase = new QCheckBox(QStringLiteral("Case Sensitive"), this);
    m_chkCase->setObjectName(QStringLiteral("chkCase"));
    m_chkDisableAutoFind = new QCheckBox(QStringLiteral("Disable AutoFind"), this);
    m_chkDisableAutoFind->setObjectName(QStringLiteral("chkDisableAutoFind"));
    m_chkFloat = new QCheckBox(QStringLiteral("Float on Top"), this);
    m_chkFloat->setObjectName(QStringLiteral("chkFloat"));

    m_Results = new FindResultsModel(m_Session.Database(), this);
    m_lstFindItems = new QListView(this);
    m_lstFindItems->setObjectName(QStringLiteral("lstFindItems"));
    m_lstFindItems->setAccessibleName(QStringLiteral("Notes found"));
    m_lstFindItems->setModel(m_Results);
    m_lstFindItems->setUniformItemSizes(true); // thousands of rows lay out in no time
    m_lstFindItems->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lstFindItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lstFindItems->setTextElideMode(Qt::ElideRight);
    // At the window's smallest the list gives way to a message wrapped in the status bar.
    m_lstFindItems->setMinimumHeight(2 * m_lstFindItems->fontMetrics().height());

    m_statusBar = new MainStatusBar(this); // a long message wraps instead of being cut
    m_statusBar->setObjectName(QStringLiteral("statusBar"));
    m_statusBar->setSizeGripEnabled(true);
    m_lblCount = new QLabel(m_statusBar);
    m_lblCount->setObjectName(QStringLiteral("pnlCount"));
    m_statusBar->addWidget(m_lblCount, 1);

    auto* top = new QHBoxLayout;
    top->addWidget(m_txtFind, 1);
    top->addWidget(m_cmdFind);
    auto* checks = new QGridLayout;
    checks->addWidget(m_chkCase, 0, 0);
    checks->addWidget(m_chkDisableAutoFind, 0, 1);
    checks->addWidget(m_chkFloat, 1, 0);
    checks->setColumnStretch(2, 1);
    auto* inner = new QVBoxLayout;
    inner->setContentsMargins(6, 6, 6, 2);
    inner->addLayout(top);
    inner->addLayout(checks);
    inner->addWidget(m_lstFindItems, 1);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addLayout(inner, 1);
    outer->addWidget(m_statusBar);
    // The smallest size the layout still follows.
    setMinimumSize(TwipsToPixels(3375), TwipsToPixels(2070));

    connect(m_txtFind, &QLineEdit::textChanged, this, &frmFindList::OnTextChanged);
    connect(m_txtFind, &QLineEdit::returnPressed, this, [this] {
        if (!AutoFind())
            Search();
    });
    connect(m_cmdFind, &QPushButton::clicked, this, &frmFindList::Search);
    connect(m_chkCase, &QCheckBox::clicked, this, &frmFindList::OnCaseClicked);
    connect(m_chkDisableAutoFind, &QCheckBox::toggled, this, &frmFindList::OnAutoFindToggled);
    connect(m_chkFloat, &QCheckBox::toggled, this, &frmFindList::OnFloatToggled);
    connect(m_lstFindItems, &QListView::clicked, this, &frmFindList::OnEntryChosen);
    connect(m_lstFindItems, &QListView::doubleClicked, this, &frmFindList::OnEntryDoubleClicked);
    connect(m_lstFindItems->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!m_Syncing && current.isValid())
                    OnEntryChosen(current);
            });
    connect(&m_Session, &NotesSession::currentNoteChanged, this, [this] {
        if (isVisible())
            Form_Activate();
    });
    connect(&m_Session, &NotesSession::databaseReloaded, this, &frmFindList::OnNotesReloaded);

    Form_Load();
}

frmFindList::~frmFindList() = default;

bool frmFindList::AutoFind() const {
    return !m_chkDisableAutoFind->isChecked();
}

void frmFindList::Form_Load() {
    clsSettings& settings = m_Session.Context().settings;
    setWindowIcon(m_Owner.windowIcon());
    const QSize own(std::max(TwipsToPixels(4000), minimumSizeHint().width()),
                    std::max(TwipsToPixels(3000), minimumSizeHint().height()));
    resize(own);
    const QRect main = m_Owner.geometry();
    move(main.x() + (main.width() - own.width()) / 2,
         main.y() + (main.height() - own.height()) / 2);

    m_chkCase->setChecked(settings.GetFlag(Config::FindCaseSensitive));
    {
        // Only the button follows here; the search below runs once.
        const QSignalBlocker block(m_chkDisableAutoFind);
        m_chkDisableAutoFind->setChecked(settings.GetFlag(Config::FindDisableAutoFind));
    }
    m_cmdFind->setVisible(!AutoFind());
    m_chkFloat->setChecked(settings.GetFlag(Config::FindFloatOnTop));

    m_Results->SetRecords({});
    m_lblCount->clear();
    const QString stored = settings.Get(Config::FindString);
    if (m_txtFind->text() != stored) {
        m_txtFind->setText(stored); // runs the change handling
    } else {
        OnTextChanged();
    }
}

void frmFindList::Form_Unload() {
    clsSettings& settings = m_Session.Context().settings;
    settings.Set(Config::FindString, m_txtFind->text());
    settings.SetFlag(Config::FindCaseSensitive, m_chkCase->isChecked());
    settings.SetFlag(Config::FindDisableAutoFind, m_chkDisableAutoFind->isChecked());
    settings.SetFlag(Config::FindFloatOnTop, m_chkFloat->isChecked());
}

void frmFindList::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void frmFindList::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
}

void frmFindList::OnTextChanged() {
    if (AutoFind())
        Search();
}

void frmFindList::OnCaseClicked() {
    if (AutoFind())
        Search();
}

void frmFindList::OnAutoFindToggled(bool disabled) {
    m_cmdFind->setVisible(disabled);
    if (!disabled)
        Search();
}

void frmFindList::OnFloatToggled(bool onTop) {
    if (onTop == windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        return;
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (shown)
        show(); // changing the flags hides the window
}

int frmFindList::MainSelection() const {
    return m_Session.CurrentNote();
}

void frmFindList::Search() {
    m_Session.CommitEdits(); // what was typed there a moment ago is searched too
    const clsDatabase& database = m_Session.Database();
    const QString text = m_txtFind->text();
    std::vector<int> found;
    if (FirstUnstorableCharacter(text) == 0) {
        // A character no note can hold matches nothing.
        found = m_Index.Find(database, ToCp1252(text), m_chkCase->isChecked());
    } else {
        m_Index.Prepare(database); // keeps the change check current
    }
    m_Results->SetRecords(std::move(found));
    SelectRow(m_Results->RowOf(MainSelection()));
    m_lblCount->setText(QString::number(m_Results->rowCount()) + QStringLiteral(" out of ") +
                        QString::number(database.GetNumRecords()) + QStringLiteral(" notes"));
}

QString frmFindList::CountText() const {
    return m_lblCount->text();
}

void frmFindList::SelectRow(int row) {
    m_Syncing = true;
    if (row >= 0) {
        const QModelIndex index = m_Results->index(row);
        m_lstFindItems->selectionModel()->setCurrentIndex(index,
                                                          QItemSelectionModel::ClearAndSelect);
        m_lstFindItems->scrollTo(index);
    } else {
        m_lstFindItems->selectionModel()->clear();
    }
    m_Syncing = false;
}

void frmFindList::Form_Activate() {
    // Notes added, removed, reordered or edited since the last search make its entries
    // point at the wrong notes: search again while the list follows typing anyway.
    if (AutoFind() && m_Index.Changed(m_Session.Database())) {
        Search();
        return;
    }
    const QModelIndex current = m_lstFindItems->currentIndex();
    const int wanted = MainSelection();
    const bool selected =
        current.isValid() && m_lstFindItems->selectionModel()->isSelected(current);
    if (selected && current.data(Qt::UserRole).toInt() == wanted)
        return;
    SelectRow(m_Results->RowOf(wanted));
}

void frmFindList::OnEntryChosen(const QModelIndex& index) {
    if (!index.isValid())
        return;
    m_Session.ShowNote(index.data(Qt::UserRole).toInt());
}

void frmFindList::OnEntryDoubleClicked(const QModelIndex& index) {
    OnEntryChosen(index);
    m_Owner.show();
    m_Owner.raise();
    m_Owner.activateWindow();
}

void frmFindList::OnNotesReloaded() {
    // Another file's notes: the entries would name the wrong notes.
    m_Index.Invalidate();
    if (AutoFind() && isVisible()) {
        Search();
    } else {
        m_Results->SetRecords({});
        m_lblCount->clear();
    }
}

} // namespace quillary
