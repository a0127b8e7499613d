// SPDX-License-Identifier: GPL-3.0-or-later
#include "printwindows/frmPageSetup.h"

#include "core/PlatformServices.h"
#include "core/modGlobals.h"
#include "mainwindow/MainLayout.h"
#include "mainwindow/frmMain.h"
#include "print/PrintSettings.h"
#include "printwindows/PrintWindowsHost.h"
#include "printwindows/ctlElidedLabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontInfo>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace quillary {

namespace {

// Preview area in twips.
constexpr double kAreaWidth = 3855;
constexpr double kAreaHeight = 3135;

QString DecimalText(double value) {
    return QString::number(value, 'g', 6);
}

int WholeNumber(double value) {
    return int(std::nearbyint(std::clamp(value, -2147483648.0, 2147483647.0)));
}

// A percentage box's value: its leading number rounded and limited to 0..100.
int PercentOf(const QLineEdit* box) {
    return std::clamp(WholeNumber(LeadingReal(box->text())), 0, 100);
}

void SetChecked(QCheckBox* box, int32_t flag) {
    box->setChecked(flag == 1);
}

// A list of counts 1..9; a stored count it cannot show is added at its end, so the dialog
// shows what is stored and changes nothing on its own.
void SelectCount(QComboBox* list, int32_t value) {
    while (list->count() > 9)
        list->removeItem(list->count() - 1);
    if (value < 1 || value > 9)
        list->addItem(QString::number(value));
    list->setCurrentIndex(value >= 1 && value <= 9 ? value - 1 : 9);
}

} // namespace

frmPageSetup::frmPageSetup(PrintWindowsHost& host, QWidget* parent)
    : QDialog(parent), m_Host(host), m_Ui(*this) {
    setObjectName(QStringLiteral("frmPageSetup"));
    setWindowTitle(QStringLiteral("Page Setup"));
    setWindowIcon(host.Window().windowIcon());

    LoadPrintSettings(host.Settings(), m_PrintData);
    m_PaperApplied = host.PrinterPaper();
    Connect();
    FillControls();
    m_Changed = false;
    m_Ui.cmdApply->setEnabled(false);
}

QRect frmPageSetup::MarginPreviewRect(double r) {
    double w = 0, h = 0, left = 0, top = 0;
    if (!(r > 0) || !std::isfinite(r))
        r = 11.0 / 8.5;
    if (r < kAreaHeight / kAreaWidth) {
        w = kAreaWidth;
        h = r * kAreaWidth;
        top = (kAreaHeight - h) / 2;
    } else {
        h = kAreaHeight;
        w = kAreaHeight / r;
        left = (kAreaWidth - w) / 2;
    }
    return QRect(TwipsToPixels(int(std::lround(left))), TwipsToPixels(int(std::lround(top))),
                 std::max(TwipsToPixels(int(std::lround(w))), 1),
                 std::max(TwipsToPixels(int(std::lround(h))), 1));
}

void frmPageSetup::Connect() {
    const frmPageSetupControls& ui = m_Ui;
    auto count = [this](QComboBox* list, int32_t clsPrintData::*property) {
        connect(list, &QComboBox::currentIndexChanged, this, [this, list, property](int pos) {
            if (m_Filling || pos < 0)
                return;
            m_PrintData.*property = int32_t(LeadingReal(list->itemText(pos)));
            MarkChanged();
        });
    };
    count(ui.cmbNotesWide, &clsPrintData::NotesWide);
    count(ui.cmbNotesHigh, &clsPrintData::NotesHigh);

    const QList<QComboBox*> lists = ui.OptionLists();
    int32_t clsPrintData::*options[] = {
        &clsPrintData::HeaderLeftOption,   &clsPrintData::HeaderCenterOption,
        &clsPrintData::HeaderRightOption,  &clsPrintData::FooterLeftOption,
        &clsPrintData::FooterCenterOption, &clsPrintData::FooterRightOption};
    for (int i = 0; i < lists.size(); ++i) {
        connect(lists[i], &QComboBox::currentIndexChanged, this,
                [this, property = options[i]](int pos) {
                    if (m_Filling || pos < 0)
                        return;
                    m_PrintData.*property = pos;
                    MarkChanged();
                });
    }

    auto flag = [this](QCheckBox* box, int32_t clsPrintData::*property) {
        connect(box, &QCheckBox::toggled, this, [this, property](bool on) {
            if (m_Filling)
                return;
            m_PrintData.*property = on ? 1 : 0;
            MarkChanged();
        });
    };
    flag(ui.chkSeperatorLines, &clsPrintData::HideSeperatorLines);
    flag(ui.chkClip, &clsPrintData::BitmapClip);
    flag(ui.chkScaleBitmaps, &clsPrintData::BitmapStretch);
    flag(ui.chkScaleText, &clsPrintData::ScaleText);
    flag(ui.chkAutosize, &clsPrintData::AutoSizeNotes);
    flag(ui.chkHideHeader, &clsPrintData::HideHeader);
    flag(ui.chkHideFooter, &clsPrintData::HideFooter);

    // Lengths: the leading number in inches. A negative length would put notes off the
    // paper, so it counts as 0 and the box says so when it is left.
    auto length = [this](QLineEdit* box, float clsPrintData::*property) {
        connect(box, &QLineEdit::textChanged, this, [this, property](const QString& text) {
            if (m_Filling)
                return;
            m_PrintData.*property = float(std::max(LeadingReal(text), 0.0));
            MarkChanged();
        });
        connect(box, &QLineEdit::editingFinished, this, [box] {
            if (LeadingReal(box->text()) < 0)
                box->setText(QStringLiteral("0"));
        });
    };
    length(ui.txtLeftMargin, &clsPrintData::LeftMargin);
    length(ui.txtRightMargin, &clsPrintData::RightMargin);
    length(ui.txtTopMargin, &clsPrintData::TopMargin);
    length(ui.txtBottomMargin, &clsPrintData::BottomMargin);
    length(ui.txtHeaderHeight, &clsPrintData::HeaderHeightInches);
    length(ui.txtFooterHeight, &clsPrintData::FooterHeightInches);

    // Text is never shrunk below 1 point (the settings load that way too).
    connect(ui.txtMinPointSize, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (m_Filling)
            return;
        m_PrintData.MinScaleTextPt = std::max(WholeNumber(LeadingReal(text)), 1);
        MarkChanged();
    });
    connect(ui.txtMinPointSize, &QLineEdit::editingFinished, this, [box = ui.txtMinPointSize] {
        if (WholeNumber(LeadingReal(box->text())) < 1)
            box->setText(QStringLiteral("1"));
    });

    connect(ui.txtBitmapSize, &QLineEdit::textChanged, this, [this] { OnPercentChanged(true); });
    connect(ui.txtGrafitiSize, &QLineEdit::textChanged, this, [this] { OnPercentChanged(false); });
    connect(ui.txtBitmapSize, &QLineEdit::editingFinished, this,
            [this] { OnPercentFinished(true); });
    connect(ui.txtGrafitiSize, &QLineEdit::editingFinished, this,
            [this] { OnPercentFinished(false); });

    for (QLineEdit* box : ui.NumberBoxes())
        box->installEventFilter(this);

    connect(ui.tabPrintOptions, &QTabWidget::currentChanged, this, &frmPageSetup::OnTabChanged);
    // Ctrl+Tab and Ctrl+Shift+Tab turn the tabs from any control of the window, not only
    // from inside the tab widget (where it handles them itself).
    auto turn = [this](int step) {
        QTabWidget* tabs = m_Ui.tabPrintOptions;
        tabs->setCurrentIndex((tabs->currentIndex() + step + tabs->count()) % tabs->count());
    };
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Tab)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, [turn] { turn(1); });
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, [turn] { turn(-1); });
    connect(ui.cmdFont, &QPushButton::clicked, this, &frmPageSetup::OnFont);
    connect(ui.cmdPrinterSetup, &QPushButton::clicked, this, &frmPageSetup::OnPrinter);
    connect(ui.cmdDefaults, &QPushButton::clicked, this, &frmPageSetup::OnDefaults);
    connect(ui.cmdApply, &QPushButton::clicked, this, &frmPageSetup::Apply);
    connect(ui.cmdDone, &QPushButton::clicked, this, &frmPageSetup::OnOk);
    connect(ui.cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmPageSetup::FillControls() {
    const frmPageSetupControls& ui = m_Ui;
    const clsPrintData& d = m_PrintData;
    m_Filling = true;
    const QStringList labels = HeaderFooterOptionLabels();
    const int32_t codes[] = {d.HeaderLeftOption, d.HeaderCenterOption, d.HeaderRightOption,
                             d.FooterLeftOption, d.FooterCenterOption, d.FooterRightOption};
    const QList<QComboBox*> lists = ui.OptionLists();
    for (int i = 0; i < lists.size(); ++i) {
        lists[i]->clear();
        lists[i]->addItems(labels);
        // A code no list entry names prints nothing; the list then shows no entry.
        lists[i]->setCurrentIndex(codes[i] >= 0 && codes[i] < labels.size() ? codes[i] : -1);
    }
    SelectCount(ui.cmbNotesHigh, d.NotesHigh);
    SelectCount(ui.cmbNotesWide, d.NotesWide);
    ui.txtLeftMargin->setText(DecimalText(d.LeftMargin));
    ui.txtRightMargin->setText(DecimalText(d.RightMargin));
    ui.txtTopMargin->setText(DecimalText(d.TopMargin));
    ui.txtBottomMargin->setText(DecimalText(d.BottomMargin));
    ui.txtBitmapSize->setText(DecimalText(d.BitmapSize));
    ui.txtGrafitiSize->setText(QString::number(100 - PercentOf(ui.txtBitmapSize)));
    ui.txtMinPointSize->setText(QString::number(d.MinScaleTextPt));
    ui.txtHeaderHeight->setText(DecimalText(d.HeaderHeightInches));
    ui.txtFooterHeight->setText(DecimalText(d.FooterHeightInches));
    SetChecked(ui.chkSeperatorLines, d.HideSeperatorLines);
    SetChecked(ui.chkClip, d.BitmapClip);
    SetChecked(ui.chkScaleBitmaps, d.BitmapStretch);
    SetChecked(ui.chkScaleText, d.ScaleText);
    SetChecked(ui.chkAutosize, d.AutoSizeNotes);
    SetChecked(ui.chkHideHeader, d.HideHeader);
    SetChecked(ui.chkHideFooter, d.HideFooter);
    m_Filling = false;

    UpdateProportion();
    OnTabChanged();
    ShowFont();
    m_Changed = true;
    m_Ui.cmdApply->setEnabled(true);
}

void frmPageSetup::MarkChanged() {
    if (m_Filling)
        return;
    m_Changed = true;
    m_Ui.cmdApply->setEnabled(true);
    const int tab = m_Ui.tabPrintOptions->currentIndex();
    if (tab == 0)
        DrawPagePreview();
    else if (tab == 2)
        RefreshHeaderPreviews();
}

void frmPageSetup::OnTabChanged() {
    const int tab = m_Ui.tabPrintOptions->currentIndex();
    const QString tag = m_Ui.tabPrintOptions->tabBar()->tabData(tab).toString();
    if (tag == QLatin1String("Margins"))
        DrawPagePreview();
    else if (tag == QLatin1String("Header"))
        RefreshHeaderPreviews();
}

void frmPageSetup::DrawPagePreview() {
    const QSizeF paper = m_Host.PaperInches();
    const double r = paper.width() > 0 ? paper.height() / paper.width() : 0;
    const QRect place = MarginPreviewRect(r);
    m_Ui.picMarginPreview->setGeometry(place);

    QImage image(place.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    // The small page stands for the paper: its pixels per inch of the paper's width.
    const double unitsPerInch = paper.width() > 0 ? image.width() / paper.width() : 0;
    {
        QPainter painter(&image);
        const PrintTarget target = PrintWindowsHost::PaperTarget(image, &painter, unitsPerInch);
        m_PrintData.InitializeSettings(target);
        m_PrintData.PaintPrintObjectPageOutlines(target);
    }
    m_Ui.picMarginPreview->setPixmap(QPixmap::fromImage(image));

    clsPrintData onPaper = m_PrintData;
    onPaper.InitializeSettings(PrintTarget::ForPrinter(m_Host.Printer(), nullptr));
    m_Ui.lblNoRoom->setVisible(PrintWindowsHost::LeavesNoRoom(onPaper));
}

void frmPageSetup::RefreshHeaderPreviews() {
    const int user = m_Host.Window().CurrentUserIndex();
    const QString userName = user >= 0 && user < m_Host.Window().Users().names.size()
                                 ? m_Host.Window().Users().names.at(user)
                                 : QString();
    const QDateTime now = m_Host.Services().now();
    const QList<QComboBox*> lists = m_Ui.OptionLists();
    for (int i = 0; i < 6; ++i) {
        ctlElidedLabel* label = i < 3 ? m_Ui.lblHeaderPreview[i] : m_Ui.lblFooterPreview[i - 3];
        label->SetFullText(GetHeaderFooterText(lists[i]->currentIndex(), QStringLiteral("x"),
                                               QStringLiteral("y"), userName, now));
    }
}

void frmPageSetup::UpdateProportion() {
    const int height = m_Ui.lblText->height();
    m_Ui.lblNote->setGeometry(0, 0, m_Ui.lblText->width(),
                              height * PercentOf(m_Ui.txtBitmapSize) / 100);
}

void frmPageSetup::OnPercentChanged(bool bitmapBox) {
    if (m_Guard || m_Filling)
        return;
    m_Guard = true;
    QLineEdit* changed = bitmapBox ? m_Ui.txtBitmapSize : m_Ui.txtGrafitiSize;
    QLineEdit* other = bitmapBox ? m_Ui.txtGrafitiSize : m_Ui.txtBitmapSize;
    other->setText(QString::number(100 - PercentOf(changed)));
    UpdateProportion();
    m_Guard = false;
    // Not yet limited: the box keeps what was typed until it is left.
    m_PrintData.BitmapSize = float(LeadingReal(m_Ui.txtBitmapSize->text()));
    MarkChanged();
}

void frmPageSetup::OnPercentFinished(bool bitmapBox) {
    QLineEdit* box = bitmapBox ? m_Ui.txtBitmapSize : m_Ui.txtGrafitiSize;
    const QString limited = QString::number(PercentOf(box));
    if (box->text() != limited)
        box->setText(limited); // runs the change handling: both boxes and BitmapSize agree
}

void frmPageSetup::ShowFont() {
    QFont shown = m_PrintData.Font;
    // The caption names the size; a very large font would not fit the label.
    if (shown.pointSizeF() > 14)
        shown.setPointSizeF(14);
    m_Ui.lblCurFont->setFont(shown);
    // The stored face may not be installed: name the one the notes are printed in.
    m_Ui.lblCurFont->setText(GetDrawnFontDescription(m_PrintData.Font));
    const QString drawn = QFontInfo(m_PrintData.Font).family();
    m_Ui.lblCurFont->setToolTip(drawn == m_PrintData.Font.family()
                                    ? QString()
                                    : m_PrintData.Font.family() +
                                          QStringLiteral(" is not installed; the notes are "
                                                         "printed in ") +
                                          drawn + QStringLiteral("."));
}

void frmPageSetup::OnFont() {
    if (std::optional<QFont> chosen =
            m_Host.Services().chooseFont(m_PrintData.Font, QStringLiteral("Font"))) {
        QFont& font = m_PrintData.Font;
        font.setFamily(chosen->family());
        if (chosen->pointSizeF() > 0)
            font.setPointSizeF(chosen->pointSizeF());
        font.setBold(chosen->bold());
        font.setItalic(chosen->italic());
        font.setStrikeOut(chosen->strikeOut());
        font.setUnderline(chosen->underline());
    }
    MarkChanged();
    ShowFont();
}

void frmPageSetup::OnPrinter() {
    // The paper is kept with the rest of the layout: stored by Apply or OK, dropped by
    // Cancel.
    if (m_Host.Services().printerSetup(&m_Host.Printer())) {
        m_PaperChosen = true;
        MarkChanged();
    }
    if (m_Ui.tabPrintOptions->currentIndex() == 0)
        DrawPagePreview();
}

void frmPageSetup::OnDefaults() {
    const std::vector<int32_t> selection = m_PrintData.Selection();
    m_PrintData = NewDefaultPrintData();
    m_PrintData.SetSelection(selection);
    FillControls();
}

bool frmPageSetup::Apply() {
    // A write failure is reported by the settings store itself.
    SavePrintSettings(m_Host.Settings(), m_PrintData);
    if (m_PaperChosen) {
        m_Host.StorePaper();
        m_PaperApplied = m_Host.PrinterPaper();
        m_PaperChosen = false;
    }
    m_Changed = false;
    m_Ui.cmdApply->setEnabled(false);
    return true;
}

void frmPageSetup::OnOk() {
    if (m_Changed)
        Apply();
    accept();
}

void frmPageSetup::done(int result) {
    if (result != QDialog::Accepted && m_PaperChosen) {
        m_Host.RestorePaper(m_PaperApplied);
        m_PaperChosen = false;
    }
    QDialog::done(result);
}

bool frmPageSetup::eventFilter(QObject* watched, QEvent* event) {
    // Entering a number box selects its text, so typing replaces it; after the click that
    // gave the focus has placed the caret.
    if (event->type() == QEvent::FocusIn) {
        if (auto* box = qobject_cast<QLineEdit*>(watched))
            QTimer::singleShot(0, box, [box] { box->selectAll(); });
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace quillary
