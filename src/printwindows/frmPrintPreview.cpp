// SPDX-License-Identifier: GPL-3.0-or-later
#include "printwindows/frmPrintPreview.h"

#include "core/clsSettings.h"
#include "draw/ctlScrollablePicBox.h"
#include "mainwindow/MainLayout.h"
#include "mainwindow/frmMain.h"
#include "print/PrintSettings.h"
#include "printwindows/PrintWindowsHost.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace quillary {

namespace {

constexpr double kZoomFactors[] = {0.25, 0.5, 1.0, 2.0};

} // namespace

frmPrintPreview::frmPrintPreview(PrintWindowsHost& host, QWidget* parent)
    : QDialog(parent), m_Host(host) {
    setObjectName(QStringLiteral("frmPrintPreview"));
    setWindowTitle(QStringLiteral("Quillary - Print Preview"));
    setWindowIcon(host.Window().windowIcon());

    m_picPrintPreview = new ctlScrollablePicBox(this);
    m_picPrintPreview->setObjectName(QStringLiteral("picPrintPreview"));
    m_picPrintPreview->setAccessibleName(QStringLiteral("Page preview"));
    // Zoomed out, the page shows its thin lines grey rather than dropping them.
    m_picPrintPreview->SetSmoothReduction(true);

    m_picButtons = new QWidget(this);
    m_picButtons->setObjectName(QStringLiteral("picButtons"));
    m_lblScale = new QLabel(QStringLiteral("Scale:"), m_picButtons);
    m_cmbViewSize = new QComboBox(m_picButtons);
    m_cmbViewSize->setObjectName(QStringLiteral("cmbViewSize"));
    m_cmbViewSize->addItems({QStringLiteral("25%"), QStringLiteral("50%"), QStringLiteral("100%"),
                             QStringLiteral("200%"), QStringLiteral("Fit Page"),
                             QStringLiteral("Fit Width")});
    // Never narrower than its longest choice: a squeezed box showed "Fit Widt".
    m_cmbViewSize->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_cmbViewSize->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_lblScale->setBuddy(m_cmbViewSize);
    m_lblPage = new QLabel(QStringLiteral("Pg:"), m_picButtons);
    m_txtPageNum = new QLineEdit(m_picButtons);
    m_txtPageNum->setObjectName(QStringLiteral("txtPageNum"));
    m_txtPageNum->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    m_lblPage->setBuddy(m_txtPageNum);
    m_lblPageCount = new QLabel(m_picButtons);
    m_lblPageCount->setObjectName(QStringLiteral("lblPageCount"));
    m_cmdPrint = new QPushButton(QStringLiteral("&Print"), m_picButtons);
    m_cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    m_cmdMargins = new QPushButton(QStringLiteral("&Setup..."), m_picButtons);
    m_cmdMargins->setObjectName(QStringLiteral("cmdMargins"));
    m_cmdCancel = new QPushButton(QStringLiteral("&Cancel"), m_picButtons);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (QPushButton* b : {m_cmdPrint, m_cmdMargins, m_cmdCancel}) {
        b->setAutoDefault(false);
        // The style's wide minimum button would push the row past the window's first size;
        // room for the caption is enough.
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(b->text().remove(QLatin1Char('&'))) +
                           2 * b->style()->pixelMetric(QStyle::PM_ButtonMargin) + 8);
    }

    auto* buttons = new QHBoxLayout(m_picButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    // Tight enough that the row fits the window's first, small size whole.
    buttons->setSpacing(4);
    buttons->addWidget(m_lblScale);
    buttons->addWidget(m_cmbViewSize);
    buttons->addSpacing(4);
    buttons->addWidget(m_lblPage);
    buttons->addWidget(m_txtPageNum);
    buttons->addWidget(m_lblPageCount);
    buttons->addSpacing(4);
    buttons->addWidget(m_cmdPrint);
    buttons->addWidget(m_cmdMargins);
    buttons->addWidget(m_cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_picPrintPreview, 1);
    layout->addWidget(m_picButtons, 0, Qt::AlignRight);
    setMinimumSize(TwipsToPixels(4780), TwipsToPixels(3100)); // widened in PreparePage
    RestoreGeometry();
    // Reading order: the page, then the controls below it from left to right.
    setTabOrder(m_picPrintPreview, m_cmbViewSize);
    setTabOrder(m_cmbViewSize, m_txtPageNum);
    setTabOrder(m_txtPageNum, m_cmdPrint);
    setTabOrder(m_cmdPrint, m_cmdMargins);
    setTabOrder(m_cmdMargins, m_cmdCancel);

    connect(m_cmbViewSize, &QComboBox::currentIndexChanged, this, &frmPrintPreview::OnZoomChosen);
    connect(m_picPrintPreview, &ctlScrollablePicBox::zoomRequested, this, &frmPrintPreview::Zoom);
    connect(m_txtPageNum, &QLineEdit::textChanged, this, &frmPrintPreview::OnPageTextChanged);
    connect(m_txtPageNum, &QLineEdit::editingFinished, this, &frmPrintPreview::CommitPageText);
    m_txtPageNum->installEventFilter(this);
    connect(m_cmdPrint, &QPushButton::clicked, this, [this] {
        m_PrintChosen = true;
        accept();
    });
    connect(m_cmdMargins, &QPushButton::clicked, this, &frmPrintPreview::OnSetup);
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* previous = new QShortcut(QKeySequence(Qt::Key_PageUp), this);
    connect(previous, &QShortcut::activated, this, [this] { ShowPage(m_PageShown - 1); });
    auto* next = new QShortcut(QKeySequence(Qt::Key_PageDown), this);
    connect(next, &QShortcut::activated, this, [this] { ShowPage(m_PageShown + 1); });

    // Opening: the Scale last chosen (100% the first time), the settings and the
    // selection just stored, page 1.
    const int zoom = m_cmbViewSize->findText(
        m_Host.Settings().Get(Config::PrintPreviewZoom).trimmed(), Qt::MatchFixedString);
    m_cmbViewSize->setCurrentIndex(zoom >= 0 ? zoom : 2);
    LoadSettings();
    PreparePage();
    Measure(m_PrintData, m_picPrintPreview->PictureBox(), m_Host.PaperInches());
    m_txtPageNum->setText(QStringLiteral("1"));
    OnZoomChosen(m_cmbViewSize->currentIndex());
    m_picPrintPreview->setFocus();
}

void frmPrintPreview::RestoreGeometry() {
    clsSettings& settings = m_Host.Settings();
    const int w = settings.GetInt(Config::PrintPreviewWidth);
    const int h = settings.GetInt(Config::PrintPreviewHeight);
    QScreen* screen =
        m_Host.Window().screen() ? m_Host.Window().screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    if (w <= 0 || h <= 0) {
        resize(TwipsToPixels(6780), TwipsToPixels(5415)); // the first opening's size
        return;
    }
    // Kept on the screen it opens on, whatever screen it was left on.
    const QSize size(
        std::clamp(TwipsToPixels(w), minimumWidth(), std::max(area.width(), minimumWidth())),
        std::clamp(TwipsToPixels(h), minimumHeight(), std::max(area.height(), minimumHeight())));
    resize(size);
    const int left = TwipsToPixels(settings.GetInt(Config::PrintPreviewLeft));
    const int top = TwipsToPixels(settings.GetInt(Config::PrintPreviewTop));
    move(std::clamp(left, area.left(), std::max(area.left(), area.right() + 1 - size.width())),
         std::clamp(top, area.top(), std::max(area.top(), area.bottom() + 1 - size.height())));
}

void frmPrintPreview::done(int result) {
    clsSettings& settings = m_Host.Settings();
    settings.SetInt(Config::PrintPreviewWidth, PixelsToTwips(width()));
    settings.SetInt(Config::PrintPreviewHeight, PixelsToTwips(height()));
    settings.SetInt(Config::PrintPreviewLeft, PixelsToTwips(x()));
    settings.SetInt(Config::PrintPreviewTop, PixelsToTwips(y()));
    settings.Set(Config::PrintPreviewZoom, m_cmbViewSize->currentText());
    // A write failure is reported by the settings store itself.
    settings.Save();
    QDialog::done(result);
}

void frmPrintPreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    ApplyFit();
}

namespace {

double PreviewUnits(double unitsPerInch) {
    return unitsPerInch > 0 ? unitsPerInch : PrintWindowsHost::kPreviewDpi;
}

} // namespace

void frmPrintPreview::Measure(clsPrintData& data, QImage& image, QSizeF paperInches,
                              double unitsPerInch) {
    data.InitializeSettings(
        PrintWindowsHost::PaperTarget(image, nullptr, PreviewUnits(unitsPerInch), paperInches));
}

void frmPrintPreview::PaintPage(clsPrintData& data, QImage& image, int page,
                                const PrintProgress& progress, QSizeF paperInches,
                                double unitsPerInch) {
    image.fill(Qt::white);
    QPainter painter(&image);
    // The same hints the printer's painter uses, so the pictures come out the same.
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const PrintTarget target =
        PrintWindowsHost::PaperTarget(image, &painter, PreviewUnits(unitsPerInch), paperInches);
    // The printer's order: the page, then the lines between the cells.
    data.PaintPrintObjectPage(target, page, progress);
    data.PaintPrintObjectPageOutlines(target);
}

void frmPrintPreview::LoadSettings() {
    m_Host.LoadPrintData(m_PrintData);
}

void frmPrintPreview::PreparePage() {
    // The picture is the paper at screen resolution: 100% shows it at its real size.
    const QSize paper =
        m_Host.Printer().pageLayout().fullRectPixels(PrintWindowsHost::kPreviewDpi).size();
    m_picPrintPreview->ResetPicture(paper.width(), paper.height());
    QImage& image = m_picPrintPreview->PictureBox();
    Measure(m_PrintData, image, m_Host.PaperInches());
    {
        QPainter painter(&image);
        m_PrintData.PaintPrintObjectPageOutlines(PrintWindowsHost::PaperTarget(
            image, &painter, PrintWindowsHost::kPreviewDpi, m_Host.PaperInches()));
    }
    m_picPrintPreview->UpdatePicture();
    int first = 1, last = 1;
    m_PrintData.GetPageRange(first, last);
    m_lblPageCount->setText(QStringLiteral("of %1").arg(last));
    // Never narrower than the controls below the page (with the page count just set):
    // shrunk past them, the layout squeezed them to "Fit" and "Cance".
    ensurePolished();
    setMinimumWidth(std::max(TwipsToPixels(4780), layout()->totalMinimumSize().width()));
}

void frmPrintPreview::OnPageTextChanged() {
    const QString text = m_txtPageNum->text().trimmed();
    // Being typed: an empty box, a sign or a number ending in its point ("1." on the way
    // to 1.5) waits for the next key; leaving the box settles it (CommitPageText).
    if (text.isEmpty() || text == QLatin1String("+") || text == QLatin1String("-") ||
        text.endsWith(QLatin1Char('.')))
        return;
    int first = 1, last = 1;
    m_PrintData.GetPageRange(first, last);
    const double value = LeadingReal(text);
    const double rounded = std::nearbyint(std::clamp(value, -1e9, 1e9));
    const int n = std::clamp(int(rounded), first, last);
    if (value != double(n) || m_txtPageNum->text() != QString::number(n)) {
        m_txtPageNum->setText(QString::number(n)); // runs this again
        return;
    }
    m_PageShown = n;
    DrawPage();
}

void frmPrintPreview::CommitPageText() {
    const QString text = m_txtPageNum->text().trimmed();
    // Only a box left part-typed gets here: empty or a lone sign goes back to the page
    // shown, "3." is read as 3.
    if (!text.endsWith(QLatin1Char('.')) || LeadingReal(text) == 0)
        m_txtPageNum->setText(QString::number(std::max(m_PageShown, 1)));
    else
        m_txtPageNum->setText(text.chopped(1)); // the change handling limits it
}

void frmPrintPreview::ShowPage(int page) {
    int first = 1, last = 1;
    m_PrintData.GetPageRange(first, last);
    page = std::clamp(page, first, last);
    if (page == m_PageShown && m_txtPageNum->text() == QString::number(page))
        return;
    m_txtPageNum->setText(QString::number(page));
}

void frmPrintPreview::DrawPage() {
    PrintWindowsHost::Busy busy(m_Host.Window());
    // A slow page shows its notes as they are drawn; a quick one appears at once.
    QElapsedTimer sinceShown;
    sinceShown.start();
    const PrintProgress bar = busy.progress();
    const PrintProgress progress = [&](int value) {
        bar(value);
        if (sinceShown.elapsed() > 150) {
            m_picPrintPreview->UpdatePicture();
            m_picPrintPreview->repaint();
            sinceShown.restart();
        }
    };
    PaintPage(m_PrintData, m_picPrintPreview->PictureBox(), m_PageShown, progress,
              m_Host.PaperInches());
    m_picPrintPreview->UpdatePicture();
}

void frmPrintPreview::OnZoomChosen(int position) {
    if (position == kFitPage || position == kFitWidth) {
        ApplyFit();
        return;
    }
    if (position < 0 || position >= int(std::size(kZoomFactors)))
        return;
    m_picPrintPreview->SetScaleFactor(kZoomFactors[position]);
    m_picPrintPreview->UpdatePicture();
}

void frmPrintPreview::ApplyFit() {
    const int position = m_cmbViewSize->currentIndex();
    const QImage& page = m_picPrintPreview->PictureBox();
    if ((position != kFitPage && position != kFitWidth) || page.isNull())
        return;
    const double w = m_picPrintPreview->width();
    const double h = m_picPrintPreview->height();
    const double across = (w - 1) / page.width();
    double factor = 1;
    if (position == kFitPage) {
        factor = std::min(across, (h - 1) / page.height());
    } else {
        // The whole width; a page taller than the window then needs the vertical bar.
        factor = page.height() * across <= h - 1
                     ? across
                     : (w - ctlScrollablePicBox::kBarThickness - 1) / page.width();
    }
    factor = std::max(factor, 0.01);
    if (std::abs(factor - m_picPrintPreview->ScaleFactor()) < 1e-9)
        return;
    m_picPrintPreview->SetScaleFactor(factor);
    m_picPrintPreview->UpdatePicture();
}

void frmPrintPreview::Zoom(int steps) {
    // From a fitted page: the percentage nearest to its scale.
    int from = m_cmbViewSize->currentIndex();
    if (from < 0 || from >= int(std::size(kZoomFactors))) {
        from = 0;
        for (int i = 0; i < int(std::size(kZoomFactors)); ++i)
            if (std::abs(kZoomFactors[i] - m_picPrintPreview->ScaleFactor()) <
                std::abs(kZoomFactors[from] - m_picPrintPreview->ScaleFactor()))
                from = i;
    }
    const int position = std::clamp(from + steps, 0, int(std::size(kZoomFactors)) - 1);
    m_cmbViewSize->setCurrentIndex(position);
}

bool frmPrintPreview::eventFilter(QObject* watched, QEvent* event) {
    // Entering the page box selects its number, so typing replaces it. After the click
    // that gave the focus has placed the caret.
    if (watched == m_txtPageNum && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, m_txtPageNum, [box = m_txtPageNum] { box->selectAll(); });
    return QDialog::eventFilter(watched, event);
}

void frmPrintPreview::OnSetup() {
    m_Host.ShowPageSetup(this);
    LoadSettings();
    PreparePage();
    ApplyFit(); // the paper may have changed its shape
    Measure(m_PrintData, m_picPrintPreview->PictureBox(), m_Host.PaperInches());
    // The page number handling again: a page beyond the new count is lowered to it, and
    // the page shown is drawn with the new layout.
    const QString text = m_txtPageNum->text();
    m_PageShown = 0;
    m_txtPageNum->blockSignals(true);
    m_txtPageNum->clear();
    m_txtPageNum->blockSignals(false);
    m_txtPageNum->setText(text.trimmed().isEmpty() ? QStringLiteral("1") : text);
}

} // namespace quillary
