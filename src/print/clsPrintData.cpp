// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/clsPrintData.h"

#include "print/PrintFileOutput.h"
#include "print/PrintPicture.h"
#include "print/PrintSettings.h"
#include "print/PrintText.h"
#include "core/TextCodec.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"

#include <QFile>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>

namespace quillary {

namespace {

// Lengths become whole drawing units with halves going to the even neighbour.
int RoundHalfEven(double value) {
    if (!std::isfinite(value))
        return 0;
    const double r = std::nearbyint(value); // default rounding mode: to nearest, ties even
    if (r > 1e9)
        return 1000000000;
    if (r < -1e9)
        return -1000000000;
    return int(r);
}

} // namespace

PrintTarget PrintTarget::ForPrinter(QPagedPaintDevice& device, QPainter* painter) {
    PrintTarget target;
    target.painter = painter;
    target.isPrinter = true;
    const int resolution = device.logicalDpiX();
    target.unitsPerInch = resolution > 0 ? resolution : 0;
    if (resolution > 0) {
        const QRect full = device.pageLayout().fullRectPixels(resolution);
        target.pageWidth = full.width();
        target.pageHeight = full.height();
        target.paperInches = device.pageLayout().fullRect(QPageLayout::Inch).size();
    } else {
        target.pageWidth = device.width();
        target.pageHeight = device.height();
    }
    return target;
}

PrintTarget PrintTarget::ForImage(QPaintDevice& device, QPainter* painter) {
    PrintTarget target;
    target.painter = painter;
    target.isPrinter = false;
    target.onScreen = true;
    target.pageWidth = device.width();
    target.pageHeight = device.height();
    return target;
}

clsPrintData::clsPrintData() : m_clock([] { return QDateTime::currentDateTime(); }) {}

QString clsPrintData::PrintNotesString() const {
    QStringList parts;
    parts.reserve(qsizetype(m_selection.size()));
    for (int32_t index : m_selection)
        parts << QString::number(index);
    return parts.join(QLatin1Char(','));
}

void clsPrintData::SetPrintNotesString(const QString& newString) {
    if (newString.isEmpty())
        return;
    // One pass over the text: 32,767 positions must not copy the rest of the string for
    // each one. Every piece counts (an empty one as 0) except an empty one after a final comma.
    std::vector<int32_t> indexes;
    const QStringView text(newString);
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype comma = text.indexOf(QLatin1Char(','), start);
        if (comma < 0)
            comma = text.size();
        indexes.push_back(int32_t(std::clamp<double>(
            std::nearbyint(LeadingReal(text.mid(start, comma - start).toString())), -2147483648.0,
            2147483647.0)));
        start = comma + 1;
    }
    m_selection = std::move(indexes);
}

int32_t clsPrintData::GetPageCount() const {
    const long long per = (long long)std::max(NotesWide, 1) * std::max(NotesHigh, 1);
    const long long n = (long long)m_selection.size();
    const long long pages = (n + per - 1) / per;
    return int32_t(std::max<long long>(pages, 1));
}

void clsPrintData::GetPageRange(int& FirstPage, int& LastPage) const {
    FirstPage = 1;
    LastPage = std::max(m_pageCount, 1);
}

void clsPrintData::InitializeSettings(const PrintTarget& ctlOutput) {
    m_pageCount = GetPageCount();
    m_currentPage = 1;
    GetPrintDimensions(ctlOutput);
}

void clsPrintData::GetPrintDimensions(const PrintTarget& ctlOutput) {
    const float w = float(RoundHalfEven(ctlOutput.pageWidth));
    const float h = float(RoundHalfEven(ctlOutput.pageHeight));
    float u = 0;
    if (ctlOutput.isPrinter)
        u = ctlOutput.unitsPerInch > 0 ? float(ctlOutput.unitsPerInch) : 0.0f;
    else
        u = float(RoundHalfEven(w / 8.5));

    PrintGeometry g;
    g.unitsPerInch = u;
    g.leftMargin = LeftMargin * u;
    g.rightMargin = RightMargin * u;
    g.topMargin = TopMargin * u;
    g.bottomMargin = BottomMargin * u;
    g.paddingDown = 0.05f * u;
    g.paddingAcross = 0.05f * u;
    g.headerHeight = HideHeader == 1 ? 0.0f : HeaderHeightInches * u;
    g.footerHeight = HideFooter == 1 ? 0.0f : FooterHeightInches * u;
    g.printableWidth = w - g.leftMargin - g.rightMargin;
    g.printableHeight = h - g.topMargin - g.bottomMargin - g.footerHeight - g.headerHeight;
    // A grid of no cells would divide by zero; it lays out as one cell.
    g.cellHeight = g.printableHeight / float(std::max(NotesHigh, 1));
    g.cellWidth = g.printableWidth / float(std::max(NotesWide, 1));

    if (!ctlOutput.paperInches.isEmpty()) {
        g.paperWidthInches = ctlOutput.paperInches.width();
        g.paperHeightInches = ctlOutput.paperInches.height();
    } else if (u > 0) {
        g.paperWidthInches = double(w) / u;
        g.paperHeightInches = double(h) / u;
    }
    if (u > 0) {
        g.headerHeightInches = HideHeader == 1 ? 0.0 : double(HeaderHeightInches);
        g.footerHeightInches = HideFooter == 1 ? 0.0 : double(FooterHeightInches);
        g.printableWidthInches = g.paperWidthInches - double(LeftMargin) - double(RightMargin);
        const double printableHeight = g.paperHeightInches - double(TopMargin) -
                                       double(BottomMargin) - g.headerHeightInches -
                                       g.footerHeightInches;
        g.cellWidthInches = g.printableWidthInches / double(std::max(NotesWide, 1));
        g.cellHeightInches = printableHeight / double(std::max(NotesHigh, 1));
    }
    m_geometry = g;
}

bool clsPrintData::LeavesNoRoom() const {
    const PrintGeometry& g = m_geometry;
    if (g.printableWidth < 1 || g.printableHeight < 1)
        return true;
    const double smallest = g.unitsPerInch > 0 ? kMinCellInches * g.unitsPerInch : 1.0;
    return g.cellWidth < smallest || g.cellHeight < smallest;
}

QString clsPrintData::NoRoomMessage() {
    return QStringLiteral("Nothing was printed: the margins, header and footer leave no room "
                          "for notes on this paper, or the notes across and down are too many "
                          "for it. Change them in Page Setup.");
}

NoteBoxes clsPrintData::LayoutNote(int k, int pictureWidth, int pictureHeight) const {
    const PrintGeometry& g = m_geometry;
    const int wide = std::max(NotesWide, 1);
    NoteBoxes b;
    b.cellColumn = k % wide;
    b.cellRow = (k - b.cellColumn) / wide;

    b.pictureX = RoundHalfEven(g.leftMargin + g.cellWidth * float(b.cellColumn) + g.paddingAcross);
    b.pictureY = RoundHalfEven(g.topMargin + g.headerHeight + g.cellHeight * float(b.cellRow) +
                               g.paddingDown);
    int bw = std::max(RoundHalfEven(g.cellWidth - 2 * g.paddingAcross), 0);
    float reserved = g.cellHeight * BitmapSize / 100.0f - 2 * g.paddingDown;
    if (reserved < 0)
        reserved = 0;
    b.reservedHeight = RoundHalfEven(reserved);
    int bh = b.reservedHeight;

    if (pictureWidth <= 0 || pictureHeight <= 0) {
        // Nothing to draw: no picture box, the text may use the room.
        bw = 0;
        bh = 0;
    } else if (BitmapStretch != 1) {
        const double aspect = double(pictureHeight) / double(pictureWidth);
        if (bw <= 0 || bh <= 0) {
            bw = 0;
            bh = 0;
        } else if (double(bh) / double(bw) < aspect) {
            bw = RoundHalfEven(double(bh) / aspect);
        } else {
            bh = RoundHalfEven(aspect * double(bw));
        }
    }
    b.pictureWidth = bw;
    b.pictureHeight = bh;

    const int textBoxTop = AutoSizeNotes == 1 ? bh : b.reservedHeight;
    b.textX = b.pictureX;
    b.textY = RoundHalfEven(float(b.pictureY + textBoxTop) + g.paddingDown);
    b.textHeight = RoundHalfEven(g.cellHeight - float(textBoxTop) - 2 * g.paddingDown);
    b.textWidth = RoundHalfEven(g.cellWidth - g.paddingAcross);

    // The text box again in inches, unrounded, with the picture fitted the same way.
    const double padding = 0.05;
    const double reservedInches =
        std::max(g.cellHeightInches * double(BitmapSize) / 100.0 - 2 * padding, 0.0);
    double pictureInches = 0;
    if (pictureWidth > 0 && pictureHeight > 0 && bw > 0 && bh > 0) {
        pictureInches = reservedInches;
        const double boxWidth = g.cellWidthInches - 2 * padding;
        const double aspect = double(pictureHeight) / double(pictureWidth);
        if (BitmapStretch != 1 && !(reservedInches / boxWidth < aspect))
            pictureInches = aspect * boxWidth;
    }
    const double topInches = AutoSizeNotes == 1 ? pictureInches : reservedInches;
    b.textWidthInches = g.cellWidthInches - padding;
    b.textHeightInches = g.cellHeightInches - topInches - 2 * padding;
    return b;
}

QString clsPrintData::SlotText(int option) const {
    const QDateTime now = m_clock ? m_clock() : QDateTime::currentDateTime();
    return GetHeaderFooterText(option, QString::number(m_currentPage), QString::number(m_pageCount),
                               m_userName, now, m_locale);
}

void clsPrintData::PaintPrintObjectPage(const PrintTarget& ctlOutput, int nPageNum,
                                        const PrintProgress& prgOne) {
    m_currentPage = nPageNum;
    m_pageTexts.clear();
    if (LeavesNoRoom())
        return;
    const long long per = (long long)std::max(NotesWide, 1) * std::max(NotesHigh, 1);
    const long long count = (long long)m_selection.size();
    const long long first = ((long long)nPageNum - 1) * per;
    const long long last = std::min((long long)nPageNum * per - 1, count - 1);

    if (HideHeader == 0)
        PrintHeader(ctlOutput);

    PrintText text(ctlOutput, m_geometry.unitsPerInch, Font);
    for (long long i = std::max(first, 0LL); i <= last; ++i) {
        if (m_cancelled && m_cancelled())
            break;
        const int records = m_database ? m_database->GetNumRecords() : 0;
        if (records <= 0)
            break; // no notes to show: the cells stay empty
        int32_t& index = m_selection[size_t(i)];
        index = std::clamp(index, 0, records - 1);
        const clsQuillaryItem* item = m_database->GetRecordObject(index);
        if (!item)
            continue;

        clsBitmap bitmap;
        std::vector<uint8_t> bytes;
        item->GetBitmapData(bytes);
        const bool havePicture = bitmap.LoadPalmBitmap(bytes);
        if (havePicture && BitmapClip == 1) {
            bitmap.RightClip();
            bitmap.BottomClip();
        }
        const NoteBoxes box = LayoutNote(int(i - first), havePicture ? bitmap.Width() : 0,
                                         havePicture ? bitmap.Height() : 0);

        if (prgOne)
            prgOne(int((i + 1) * 1000 / std::max(count, 1LL)));

        if (havePicture && box.pictureWidth >= 1 && box.pictureHeight >= 1 && ctlOutput.painter)
            DrawPicture(*ctlOutput.painter, bitmap,
                        QRect(box.pictureX, box.pictureY, box.pictureWidth, box.pictureHeight),
                        ctlOutput.onScreen);

        QString noteText = FromCp1252(item->Text());
        noteText.remove(QLatin1Char('\r'));
        if (box.textWidth >= 1 && box.textHeight >= 1) {
            // Laid out in the unrounded box, so every target gets the same lines; placed
            // and clipped at this target's whole units.
            const bool inInches = m_geometry.unitsPerInch > 0;
            const PrintText::Fitted fitted =
                inInches ? text.FitInches(noteText, box.textWidthInches, box.textHeightInches,
                                          ScaleText == 1, MinScaleTextPt)
                         : text.Fit(noteText, box.textWidth, box.textHeight, ScaleText == 1,
                                    MinScaleTextPt);
            // The box as laid out where rounding made this target's box smaller.
            const double units = inInches ? m_geometry.unitsPerInch : text.UnitsPerInch();
            const QRectF rect(box.textX, box.textY,
                              std::max<double>(box.textWidth, box.textWidthInches * units),
                              std::max<double>(box.textHeight, box.textHeightInches * units));
            text.DrawFitted(fitted, rect.topLeft(), rect);
            m_pageTexts.push_back(
                {PrintedText::Kind::Note, int(i - first), rect, fitted.shown, fitted.points});
        }

        if (!ctlOutput.isPrinter && ctlOutput.refresh)
            ctlOutput.refresh();
    }

    if (HideFooter == 0)
        PrintFooter(ctlOutput);
}

void clsPrintData::PaintPrintObjectPageOutlines(const PrintTarget& ctlOutput) {
    if (HideSeperatorLines == 1 || !ctlOutput.painter || LeavesNoRoom())
        return;
    QPainter& p = *ctlOutput.painter;
    const PrintGeometry& g = m_geometry;
    p.save();
    QPen pen(Qt::black);
    pen.setWidth(0); // cosmetic: one device pixel whatever the resolution
    p.setPen(pen);
    p.setRenderHint(QPainter::Antialiasing, false);
    const float gridTop = g.topMargin + g.headerHeight;
    const float gridBottom = gridTop + g.printableHeight;
    for (int i = 1; i <= NotesWide - 1; ++i) {
        const float x = g.leftMargin + g.cellWidth * float(i);
        p.drawLine(QPointF(x, gridTop), QPointF(x, gridBottom));
    }
    for (int i = 1; i <= NotesHigh - 1; ++i) {
        const float y = gridTop + g.cellHeight * float(i);
        p.drawLine(QPointF(g.leftMargin, y), QPointF(g.leftMargin + g.printableWidth, y));
    }
    p.restore();
}

void clsPrintData::PrintHeader(const PrintTarget& ctlOutput) {
    PaintBand(ctlOutput, PrintedText::Kind::Header, m_geometry.topMargin, m_geometry.headerHeight,
              m_geometry.headerHeightInches,
              {HeaderLeftOption, HeaderCenterOption, HeaderRightOption});
}

void clsPrintData::PrintFooter(const PrintTarget& ctlOutput) {
    const PrintGeometry& g = m_geometry;
    PaintBand(ctlOutput, PrintedText::Kind::Footer,
              g.topMargin + g.headerHeight + g.printableHeight, g.footerHeight,
              g.footerHeightInches, {FooterLeftOption, FooterCenterOption, FooterRightOption});
}

void clsPrintData::PaintBand(const PrintTarget& ctlOutput, PrintedText::Kind kind, float top,
                             float height, double heightInches,
                             const std::array<int32_t, 3>& options) {
    const PrintGeometry& g = m_geometry;
    if (height < 1 || g.printableWidth < 1)
        return;
    PrintText text(ctlOutput, g.unitsPerInch, Font);
    const bool inInches = g.unitsPerInch > 0;
    const double units = inInches ? double(g.unitsPerInch) : text.UnitsPerInch();
    if (!(units > 0))
        return;
    const double bandInches = inInches ? g.printableWidthInches : g.printableWidth / units;
    const double bandHeightInches = inInches ? heightInches : height / units;

    // Each slot as wide as its text, at the size that fits the band's height.
    std::array<PrintText::Fitted, 3> fitted;
    std::array<bool, 3> used{};
    for (size_t slot = 0; slot < 3; ++slot) {
        const QString slotText = SlotText(options[slot]);
        used[slot] = !slotText.isEmpty();
        if (used[slot])
            fitted[slot] =
                text.FitInches(slotText, bandInches, bandHeightInches, true, MinScaleTextPt);
    }
    // Left, centre and right keep their places. Where two of them would come closer than
    // the gap, every slot gets a third of the band and a longer text is cut short with an
    // ellipsis, so none covers another.
    const double band = bandInches * PrintText::kLayoutUnitsPerInch;
    const double gap = kSlotGapInches * PrintText::kLayoutUnitsPerInch;
    auto span = [&](size_t slot) {
        const double w = fitted[slot].layoutWidth;
        const double left = slot == 0 ? 0.0 : slot == 1 ? (band - w) / 2 : band - w;
        return std::pair(left, left + w);
    };
    bool collide = false;
    for (size_t a = 0; a < 3; ++a)
        for (size_t b = a + 1; b < 3; ++b)
            if (used[a] && used[b] && span(a).second + gap > span(b).first)
                collide = true;
    if (collide) {
        const double third = std::max(bandInches - 2 * kSlotGapInches, 0.0) / 3;
        for (size_t slot = 0; slot < 3; ++slot)
            if (used[slot])
                fitted[slot] = text.Elided(fitted[slot], third);
    }

    const QRectF clip(g.leftMargin, top, g.printableWidth, height);
    for (size_t slot = 0; slot < 3; ++slot) {
        if (!used[slot])
            continue;
        // Placed on this target's band, so a right text ends at its right edge even
        // where the page's whole units fall short of the paper's inches.
        const double w = fitted[slot].width;
        const double left = g.leftMargin + (slot == 0   ? 0.0
                                            : slot == 1 ? (g.printableWidth - w) / 2
                                                        : g.printableWidth - w);
        const QRectF rect(left, top, fitted[slot].width,
                          double(fitted[slot].shown.size()) * fitted[slot].lineHeight);
        text.DrawFitted(fitted[slot], rect.topLeft(), clip);
        m_pageTexts.push_back({kind, int(slot), rect, fitted[slot].shown, fitted[slot].points});
    }
}

clsPrintData::PrintResult clsPrintData::PrintNotes(QPagedPaintDevice& printer,
                                                   const PrintProgress& prgOne,
                                                   const std::function<bool()>& cancelled,
                                                   QString* error,
                                                   const PrintDeviceControl& control) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return PrintResult::Failed;
    };
    auto deviceFailed = [&] { return control.failed && control.failed(); };
    if (control.fullPage) {
        control.fullPage();
    } else {
        QPageLayout layout = printer.pageLayout();
        layout.setMode(QPageLayout::FullPageMode);
        printer.setPageLayout(layout);
    }
    // Measured before the job starts, so a refused layout leaves no file and no job.
    InitializeSettings(PrintTarget::ForPrinter(printer, nullptr));
    if (LeavesNoRoom()) {
        if (error)
            *error = NoRoomMessage();
        return PrintResult::NoRoom;
    }
    // A print to a file writes a temporary file that replaces the chosen one only when the
    // job completes; a cancelled or failed job leaves what was there (and removes its own).
    PrintFileOutput fileOutput;
    struct RestoreOutputName {
        const std::function<void(const QString&)>* set;
        QString name;
        ~RestoreOutputName() {
            if (set)
                (*set)(name);
        }
    } restoreName{nullptr, {}};
    const QString outputName =
        control.outputFileName && control.setOutputFileName ? control.outputFileName() : QString();
    if (!outputName.isEmpty()) {
        QString why;
        const QString notesFile =
            m_database ? QString::fromStdString(m_database->GetFileName()) : QString();
        if (!fileOutput.Begin(outputName, notesFile, &why))
            return fail(why);
        restoreName.name = outputName;
        restoreName.set = &control.setOutputFileName;
        control.setOutputFileName(fileOutput.TempPath());
    }

    QPainter painter;
    if (!painter.begin(&printer))
        return fail(QStringLiteral("The printer could not start the job."));
    // Notes' pictures are 1-bit drawings: keep them lossless and crisp on paper.
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);

    const PrintTarget target = PrintTarget::ForPrinter(printer, &painter);
    InitializeSettings(target);
    if (prgOne)
        prgOne(0);

    m_cancelled = cancelled;
    struct ResetCancel {
        std::function<bool()>& f;
        ~ResetCancel() { f = nullptr; }
    } reset{m_cancelled};

    int firstPage = 1, lastPage = 1;
    GetPageRange(firstPage, lastPage);
    bool wasCancelled = false;
    for (int page = firstPage; page <= lastPage; ++page) {
        if (cancelled && cancelled()) {
            wasCancelled = true;
            break;
        }
        PaintPrintObjectPage(target, page, prgOne);
        if (cancelled && cancelled()) {
            wasCancelled = true;
            break;
        }
        PaintPrintObjectPageOutlines(target);
        if (deviceFailed()) {
            painter.end();
            return fail(QStringLiteral("The printer reported an error on page %1.").arg(page));
        }
        // No page break after the last page: that would print an empty sheet.
        if (page < lastPage && !printer.newPage()) {
            painter.end();
            return fail(QStringLiteral("The printer could not start page %1.").arg(page + 1));
        }
    }

    if (wasCancelled) {
        if (control.abort)
            control.abort();
        if (painter.isActive())
            painter.end();
        return PrintResult::Cancelled;
    }
    if (!painter.end() || deviceFailed())
        return fail(QStringLiteral("The printer could not finish the job."));
    QString why;
    if (fileOutput.Active() && !fileOutput.Commit(&why))
        return fail(why);
    return PrintResult::Printed;
}

} // namespace quillary
