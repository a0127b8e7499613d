// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>

class QCheckBox;
class QComboBox;
class QDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;

namespace quillary {

class ctlElidedLabel;

// The page setup's controls on their three tab panels and the button row, built and laid
// out in one place; frmPageSetup gives them their behaviour.
class frmPageSetupControls {
public:
    // Builds every control as a child of dialog, with the dialog's layout.
    explicit frmPageSetupControls(QDialog& dialog);

    // Size of the area the page preview takes the paper's proportions in (3855 x 3135
    // twips).
    static constexpr int kPreviewAreaWidth = 257;
    static constexpr int kPreviewAreaHeight = 209;
    // The note proportioning box.
    static constexpr int kNoteBoxWidth = 64;
    static constexpr int kNoteBoxHeight = 84;

    QTabWidget* tabPrintOptions = nullptr;
    QList<QWidget*> picTab; // the three panels

    // Layout panel.
    QComboBox* cmbNotesWide = nullptr;
    QComboBox* cmbNotesHigh = nullptr;
    QCheckBox* chkSeperatorLines = nullptr;
    QLineEdit* txtLeftMargin = nullptr;
    QLineEdit* txtRightMargin = nullptr;
    QLineEdit* txtTopMargin = nullptr;
    QLineEdit* txtBottomMargin = nullptr;
    QWidget* picPreviewArea = nullptr;
    QLabel* picMarginPreview = nullptr;
    QLabel* lblNoRoom = nullptr;

    // Note details panel.
    QLineEdit* txtBitmapSize = nullptr;
    QLineEdit* txtGrafitiSize = nullptr;
    QCheckBox* chkClip = nullptr;
    QCheckBox* chkScaleBitmaps = nullptr;
    QCheckBox* chkScaleText = nullptr;
    QLineEdit* txtMinPointSize = nullptr;
    QCheckBox* chkAutosize = nullptr;
    QPushButton* cmdFont = nullptr;
    QLabel* lblCurFont = nullptr;
    QFrame* lblText = nullptr;
    QFrame* lblNote = nullptr;

    // Header / footer panel.
    QComboBox* cmbHeaderLeft = nullptr;
    QComboBox* cmbHeaderCenter = nullptr;
    QComboBox* cmbHeaderRight = nullptr;
    QCheckBox* chkHideHeader = nullptr;
    QLineEdit* txtHeaderHeight = nullptr;
    QList<ctlElidedLabel*> lblHeaderPreview;
    QComboBox* cmbFooterLeft = nullptr;
    QComboBox* cmbFooterCenter = nullptr;
    QComboBox* cmbFooterRight = nullptr;
    QCheckBox* chkHideFooter = nullptr;
    QLineEdit* txtFooterHeight = nullptr;
    QList<ctlElidedLabel*> lblFooterPreview;

    // Buttons.
    QPushButton* cmdDefaults = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdDone = nullptr;
    QPushButton* cmdPrinterSetup = nullptr;

    // The six header and footer lists, header left to footer right.
    QList<QComboBox*> OptionLists() const;
    // The boxes whose whole text is selected when they get the focus.
    QList<QLineEdit*> NumberBoxes() const;

private:
    QWidget* BuildLayoutPanel();
    QWidget* BuildDetailsPanel();
    QWidget* BuildHeaderPanel();
    QWidget* BuildBandGroup(const QString& title, const QString& prefix, QComboBox** left,
                            QComboBox** center, QComboBox** right, QCheckBox** hide,
                            const QString& hideCaption, QLineEdit** height,
                            QList<ctlElidedLabel*>* previews);
};

} // namespace quillary
