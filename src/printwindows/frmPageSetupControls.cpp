// SPDX-License-Identifier: GPL-3.0-or-later
#include "printwindows/frmPageSetupControls.h"

#include "printwindows/ctlElidedLabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quillary {

namespace {

template <typename T> T* Named(T* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLineEdit* NumberBox(QWidget* parent, const char* name) {
    auto* box = Named(new QLineEdit(parent), name);
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("000.000")) + 16);
    return box;
}

QComboBox* CountList(QWidget* parent, const char* name) {
    auto* list = Named(new QComboBox(parent), name);
    for (int i = 1; i <= 9; ++i)
        list->addItem(QString::number(i));
    return list;
}

// A caption that moves the focus to its box with its Alt key.
QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

frmPageSetupControls::frmPageSetupControls(QDialog& dialog) {
    tabPrintOptions = Named(new QTabWidget(&dialog), "tabPrintOptions");
    const struct {
        const char* caption;
        const char* tag;
    } tabs[] = {{" &Layout ", "Margins"},
                {" &Note Details ", "NoteDetails"},
                {" &Header / Footer ", "Header"}};
    QWidget* panels[] = {BuildLayoutPanel(), BuildDetailsPanel(), BuildHeaderPanel()};
    for (int i = 0; i < 3; ++i) {
        panels[i]->setObjectName(QStringLiteral("picTab%1").arg(i));
        picTab << panels[i];
        tabPrintOptions->addTab(panels[i], QString::fromLatin1(tabs[i].caption));
        tabPrintOptions->tabBar()->setTabData(i, QString::fromLatin1(tabs[i].tag));
    }

    cmdDefaults = Named(new QPushButton(QStringLiteral("&Defaults"), &dialog), "cmdDefaults");
    cmdPrinterSetup =
        Named(new QPushButton(QStringLiteral("&Printer"), &dialog), "cmdPrinterSetup");
    cmdDone = Named(new QPushButton(QStringLiteral("&OK"), &dialog), "cmdDone");
    cmdCancel = Named(new QPushButton(QStringLiteral("&Cancel"), &dialog), "cmdCancel");
    cmdApply = Named(new QPushButton(QStringLiteral("&Apply"), &dialog), "cmdApply");
    cmdDone->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdDefaults);
    buttons->addWidget(cmdPrinterSetup);
    buttons->addStretch(1);
    buttons->addWidget(cmdDone);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(tabPrintOptions, 1);
    layout->addLayout(buttons);
}

QWidget* frmPageSetupControls::BuildLayoutPanel() {
    auto* panel = new QWidget;

    auto* notes = new QGroupBox(QStringLiteral("Note Layout"), panel);
    cmbNotesWide = CountList(notes, "cmbNotesWide");
    cmbNotesHigh = CountList(notes, "cmbNotesHigh");
    chkSeperatorLines =
        Named(new QCheckBox(QStringLiteral("Hide Separator Lines"), notes), "chkSeperatorLines");
    auto* notesGrid = new QGridLayout(notes);
    notesGrid->addWidget(Caption(QStringLiteral("Notes Wide"), cmbNotesWide, notes), 0, 0);
    notesGrid->addWidget(cmbNotesWide, 0, 1);
    notesGrid->addWidget(Caption(QStringLiteral("Notes High"), cmbNotesHigh, notes), 1, 0);
    notesGrid->addWidget(cmbNotesHigh, 1, 1);
    notesGrid->addWidget(chkSeperatorLines, 2, 0, 1, 2);
    notesGrid->setColumnStretch(2, 1);

    auto* margins = new QGroupBox(QStringLiteral("Paper Margins"), panel);
    auto* marginGrid = new QGridLayout(margins);
    const struct {
        const char* caption;
        const char* name;
        QLineEdit** box;
    } boxes[] = {{"Left:", "txtLeftMargin", &txtLeftMargin},
                 {"Right:", "txtRightMargin", &txtRightMargin},
                 {"Top:", "txtTopMargin", &txtTopMargin},
                 {"Bottom:", "txtBottomMargin", &txtBottomMargin}};
    int row = 0;
    for (const auto& b : boxes) {
        *b.box = NumberBox(margins, b.name);
        marginGrid->addWidget(Caption(QString::fromLatin1(b.caption), *b.box, margins), row, 0);
        marginGrid->addWidget(*b.box, row, 1);
        marginGrid->addWidget(new QLabel(QStringLiteral("inches"), margins), row, 2);
        ++row;
    }
    marginGrid->setColumnStretch(3, 1);

    // The page preview takes the paper's proportions inside a fixed area.
    picPreviewArea = Named(new QWidget(panel), "picPreviewArea");
    picPreviewArea->setFixedSize(kPreviewAreaWidth, kPreviewAreaHeight);
    picMarginPreview = Named(new QLabel(picPreviewArea), "picMarginPreview");
    picMarginPreview->setFrameShape(QFrame::Box);
    picMarginPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picMarginPreview->setAutoFillBackground(true);
    QPalette white = picMarginPreview->palette();
    white.setColor(QPalette::Window, Qt::white);
    picMarginPreview->setPalette(white);
    lblNoRoom = Named(new QLabel(QStringLiteral("These margins leave no room for notes on "
                                                "this paper, or the notes are too many for it."),
                                 panel),
                      "lblNoRoom");
    lblNoRoom->setWordWrap(true);
    QPalette red = lblNoRoom->palette();
    red.setColor(QPalette::WindowText, QColor(176, 0, 0));
    lblNoRoom->setPalette(red);
    lblNoRoom->hide();

    auto* left = new QVBoxLayout;
    left->addWidget(notes);
    left->addWidget(margins);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(picPreviewArea);
    right->addWidget(lblNoRoom);
    right->addStretch(1);
    auto* layout = new QHBoxLayout(panel);
    layout->addLayout(left, 1);
    layout->addLayout(right);
    return panel;
}

QWidget* frmPageSetupControls::BuildDetailsPanel() {
    auto* panel = new QWidget;

    auto* bitmaps = new QGroupBox(QStringLiteral("Bitmap Printing Details"), panel);
    txtBitmapSize = NumberBox(bitmaps, "txtBitmapSize");
    txtGrafitiSize = NumberBox(bitmaps, "txtGrafitiSize");
    chkClip = Named(new QCheckBox(QStringLiteral("Clip White Space"), bitmaps), "chkClip");
    chkScaleBitmaps =
        Named(new QCheckBox(QStringLiteral("Distort Bitmaps"), bitmaps), "chkScaleBitmaps");
    auto* bitmapGrid = new QGridLayout(bitmaps);
    bitmapGrid->addWidget(Caption(QStringLiteral("Bitmap Height:"), txtBitmapSize, bitmaps), 0, 0);
    bitmapGrid->addWidget(txtBitmapSize, 0, 1);
    bitmapGrid->addWidget(new QLabel(QStringLiteral("%"), bitmaps), 0, 2);
    bitmapGrid->addWidget(Caption(QStringLiteral("Graffiti Height:"), txtGrafitiSize, bitmaps), 1,
                          0);
    bitmapGrid->addWidget(txtGrafitiSize, 1, 1);
    bitmapGrid->addWidget(new QLabel(QStringLiteral("%"), bitmaps), 1, 2);
    bitmapGrid->addWidget(chkClip, 2, 0, 1, 3);
    bitmapGrid->addWidget(chkScaleBitmaps, 3, 0, 1, 3);
    bitmapGrid->setColumnStretch(3, 1);

    auto* text = new QGroupBox(QStringLiteral("Text Printing Details"), panel);
    chkScaleText = Named(new QCheckBox(QStringLiteral("Scale Font Size"), text), "chkScaleText");
    txtMinPointSize = NumberBox(text, "txtMinPointSize");
    chkAutosize = Named(new QCheckBox(QStringLiteral("Expand Graffiti Height if possible"), text),
                        "chkAutosize");
    cmdFont = Named(new QPushButton(QStringLiteral("&Font..."), text), "cmdFont");
    lblCurFont = Named(new QLabel(text), "lblCurFont");
    lblCurFont->setFrameShape(QFrame::StyledPanel);
    lblCurFont->setFrameShadow(QFrame::Sunken);
    lblCurFont->setMinimumWidth(200);
    auto* textGrid = new QGridLayout(text);
    textGrid->addWidget(chkScaleText, 0, 0, 1, 2);
    textGrid->addWidget(Caption(QStringLiteral("Min Pt Scale:"), txtMinPointSize, text), 1, 0);
    textGrid->addWidget(txtMinPointSize, 1, 1);
    textGrid->addWidget(chkAutosize, 2, 0, 1, 3);
    textGrid->addWidget(cmdFont, 3, 0);
    textGrid->addWidget(lblCurFont, 3, 1, 1, 3);
    textGrid->setColumnStretch(3, 1);

    auto* proportion = new QGroupBox(QStringLiteral("Note Proportioning"), panel);
    auto* proportionArea = new QWidget(proportion);
    proportionArea->setFixedSize(kNoteBoxWidth, kNoteBoxHeight);
    lblText = Named(new QFrame(proportionArea), "lblText");
    lblText->setFrameShape(QFrame::Box);
    lblText->setGeometry(0, 0, kNoteBoxWidth, kNoteBoxHeight);
    lblNote = Named(new QFrame(proportionArea), "lblNote");
    lblNote->setAutoFillBackground(true);
    QPalette dark = lblNote->palette();
    dark.setColor(QPalette::Window, QColor(64, 64, 160));
    lblNote->setPalette(dark);
    lblNote->setGeometry(0, 0, kNoteBoxWidth, kNoteBoxHeight / 2);
    lblText->setToolTip(QStringLiteral("A note: its picture above, its text below"));
    auto* proportionLayout = new QVBoxLayout(proportion);
    proportionLayout->addWidget(proportionArea, 0, Qt::AlignHCenter);
    proportionLayout->addStretch(1);

    auto* left = new QVBoxLayout;
    left->addWidget(bitmaps);
    left->addWidget(text);
    left->addStretch(1);
    auto* layout = new QHBoxLayout(panel);
    layout->addLayout(left, 1);
    layout->addWidget(proportion);
    return panel;
}

QWidget* frmPageSetupControls::BuildBandGroup(const QString& title, const QString& prefix,
                                              QComboBox** left, QComboBox** center,
                                              QComboBox** right, QCheckBox** hide,
                                              const QString& hideCaption, QLineEdit** height,
                                              QList<ctlElidedLabel*>* previews) {
    auto* group = new QGroupBox(title);
    auto* grid = new QGridLayout(group);
    const char* slotNames[] = {"Left", "Center", "Right"};
    QComboBox** lists[] = {left, center, right};
    for (int i = 0; i < 3; ++i) {
        *lists[i] = new QComboBox(group);
        (*lists[i])->setObjectName(QStringLiteral("cmb%1%2").arg(prefix, slotNames[i]));
        grid->addWidget(Caption(QString::fromLatin1(slotNames[i]), *lists[i], group), 0, i);
        grid->addWidget(*lists[i], 1, i);
        auto* preview = new ctlElidedLabel(group);
        preview->setObjectName(QStringLiteral("lbl%1Preview%2").arg(prefix).arg(i));
        preview->setFrameShape(QFrame::StyledPanel);
        preview->setFrameShadow(QFrame::Sunken);
        preview->setMinimumWidth(150);
        preview->setAlignment(i == 0   ? Qt::AlignLeft | Qt::AlignVCenter
                              : i == 1 ? Qt::AlignHCenter | Qt::AlignVCenter
                                       : Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(preview, 2, i);
        previews->append(preview);
    }
    *hide = new QCheckBox(hideCaption, group);
    (*hide)->setObjectName(QStringLiteral("chkHide%1").arg(prefix));
    *height =
        NumberBox(group, prefix == QLatin1String("Header") ? "txtHeaderHeight" : "txtFooterHeight");
    auto* row = new QHBoxLayout;
    row->addWidget(*hide);
    row->addStretch(1);
    row->addWidget(Caption(QStringLiteral("Height:"), *height, group));
    row->addWidget(*height);
    row->addWidget(new QLabel(QStringLiteral("inches"), group));
    grid->addLayout(row, 3, 0, 1, 3);
    return group;
}

QWidget* frmPageSetupControls::BuildHeaderPanel() {
    auto* panel = new QWidget;
    QWidget* header =
        BuildBandGroup(QStringLiteral("Header Details"), QStringLiteral("Header"), &cmbHeaderLeft,
                       &cmbHeaderCenter, &cmbHeaderRight, &chkHideHeader,
                       QStringLiteral("Hide Header"), &txtHeaderHeight, &lblHeaderPreview);
    QWidget* footer =
        BuildBandGroup(QStringLiteral("Footer Details"), QStringLiteral("Footer"), &cmbFooterLeft,
                       &cmbFooterCenter, &cmbFooterRight, &chkHideFooter,
                       QStringLiteral("Hide Footer"), &txtFooterHeight, &lblFooterPreview);
    header->setParent(panel);
    footer->setParent(panel);
    auto* layout = new QVBoxLayout(panel);
    layout->addWidget(header);
    layout->addWidget(footer);
    layout->addStretch(1);
    return panel;
}

QList<QComboBox*> frmPageSetupControls::OptionLists() const {
    return {cmbHeaderLeft, cmbHeaderCenter, cmbHeaderRight,
            cmbFooterLeft, cmbFooterCenter, cmbFooterRight};
}

QList<QLineEdit*> frmPageSetupControls::NumberBoxes() const {
    return {txtLeftMargin,  txtRightMargin,  txtTopMargin,    txtBottomMargin, txtBitmapSize,
            txtGrafitiSize, txtMinPointSize, txtHeaderHeight, txtFooterHeight};
}

} // namespace quillary
