// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QFont>
#include <QLocale>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QImage;
class QPagedPaintDevice;
class QPaintDevice;
class QPainter;
class clsDatabase;

namespace quillary {

// Where a page is painted: a painter plus the page it stands for. A printer or PDF writer
// page is measured on the whole sheet (origin at the paper's corner) with the device's own
// resolution; any other target (the preview image, the page setup's small picture) stands
// for a page 8.5 inches wide, whatever its pixel size.
struct PrintTarget {
    QPainter* painter = nullptr; // may be null when the target is only measured
    double pageWidth = 0;        // drawing units
    double pageHeight = 0;
    double unitsPerInch = 0; // printers only: drawing units per inch; 0 = not reported
    bool isPrinter = false;
    // Non-printer targets: called after each note so a preview shows it at once.
    std::function<void()> refresh;
    // The sheet's exact size in inches, unrounded; empty: the page size over the units
    // per inch. Text is laid out from it, so targets whose pages round to different whole
    // units still break lines alike.
    QSizeF paperInches;
    // A picture on a screen rather than paper: pictures are resized as a person would see
    // them printed (AreaScaled) instead of left to the device.
    bool onScreen = false;

    // A printer or PDF writer, measured on the whole sheet at the device's resolution. For
    // painting, the device must be in full-page mode (a QPageLayout::FullPageMode layout, or
    // a printer's own full-page setting; PrintNotes sets it) so the painter's origin is the
    // paper's corner. painter, when given, must be active on device.
    static PrintTarget ForPrinter(QPagedPaintDevice& device, QPainter* painter);
    // An image or any other paint device: a page 8.5 inches wide.
    static PrintTarget ForImage(QPaintDevice& device, QPainter* painter);
};

// Page geometry of the last target measured, in drawing units.
struct PrintGeometry {
    float unitsPerInch = 0;
    float leftMargin = 0;
    float rightMargin = 0;
    float topMargin = 0;
    float bottomMargin = 0;
    float headerHeight = 0; // 0 when the header is hidden
    float footerHeight = 0; // 0 when the footer is hidden
    float printableWidth = 0;
    float printableHeight = 0;
    float cellWidth = 0;
    float cellHeight = 0;
    float paddingAcross = 0;
    float paddingDown = 0;
    // The same lengths in inches, unrounded (text is laid out in inches).
    double paperWidthInches = 0;
    double paperHeightInches = 0;
    double printableWidthInches = 0;
    double cellWidthInches = 0;
    double cellHeightInches = 0;
    double headerHeightInches = 0;
    double footerHeightInches = 0;
};

// Where one note of a page lands, in drawing units (whole numbers).
struct NoteBoxes {
    int cellColumn = 0;
    int cellRow = 0;
    int pictureX = 0, pictureY = 0; // top-left of the picture box
    int pictureWidth = 0;           // as drawn (after fitting)
    int pictureHeight = 0;          // as drawn (after fitting)
    int reservedHeight = 0;         // the picture's share of the cell, less padding
    int textX = 0, textY = 0, textWidth = 0, textHeight = 0;
    // The text box's size in inches before rounding: what the text is laid out in.
    double textWidthInches = 0, textHeightInches = 0;
};

// A text as painted on the last page: where, in which lines and at what size.
struct PrintedText {
    enum class Kind { Note, Header, Footer };
    Kind kind = Kind::Note;
    int index = 0; // Note: position on the page; Header/Footer: slot (0 left, 1 centre, 2 right)
    QRectF rect;   // drawing units: the box the lines take (notes: the text box)
    QStringList lines; // as drawn, a cut one ending in an ellipsis
    double points = 0;
};

// Progress of painting or printing: receives 0..1000 over the whole job.
using PrintProgress = std::function<void(int)>;

// What a print job asks of its device beyond painting pages. A PDF writer needs none of it;
// a printer (which this library does not know) comes with its own, from the print windows.
// Every member may be left empty.
struct PrintDeviceControl {
    // Puts the device in full-page mode its own way; without it the page layout's mode is set.
    std::function<void()> fullPage;
    // Drops the job under way: nothing reaches the paper or the file.
    std::function<void()> abort;
    // True while the device reports an error.
    std::function<bool()> failed;
    // Print to a file: the file the device writes ("" when it prints on paper), and where to
    // send its output instead, so the job can write a temporary file that replaces the
    // chosen one only once complete. Both or neither.
    std::function<QString()> outputFileName;
    std::function<void(const QString&)> setOutputFileName;
};

// One print layout and the selection of notes to print. Paints pages on any QPainter
// (printer, PDF writer, image) through a PrintTarget. Never shows anything itself.
class clsPrintData {
public:
    clsPrintData();

    // ---- Settings (public, as the page setup edits them one by one) ----
    int32_t NotesWide = 0;
    int32_t NotesHigh = 0;
    float RightMargin = 0; // inches
    float LeftMargin = 0;
    float TopMargin = 0;
    float BottomMargin = 0;
    QFont Font; // the note and header/footer font (face, points, styles)
    int32_t HeaderLeftOption = 0;
    int32_t HeaderCenterOption = 0;
    int32_t HeaderRightOption = 0;
    int32_t FooterLeftOption = 0;
    int32_t FooterCenterOption = 0;
    int32_t FooterRightOption = 0;
    float BitmapSize = 0;      // percent of a cell's height reserved for the picture
    int32_t BitmapClip = 0;    // 1: trim blank right columns and bottom rows
    int32_t BitmapStretch = 0; // 1: fill the whole box; 0: keep proportions
    int32_t HideFooter = 0;
    int32_t HideHeader = 0;
    int32_t ScaleText = 0; // 1: shrink a note's text until it fits
    int32_t HideSeperatorLines = 0;
    int32_t AutoSizeNotes = 0;  // 1: text starts right below the fitted picture
    int32_t MinScaleTextPt = 0; // smallest point size text is shrunk to
    float HeaderHeightInches = 0;
    float FooterHeightInches = 0;

    // ---- Selection: 0-based record indexes in print order ----
    // "0,3,7"; "" for an empty selection.
    QString PrintNotesString() const;
    // Parses leading numbers separated by commas; "" leaves the selection as it was.
    void SetPrintNotesString(const QString& newString);
    const std::vector<int32_t>& Selection() const { return m_selection; }
    void SetSelection(std::vector<int32_t> indexes) { m_selection = std::move(indexes); }

    // ---- Header and footer sources (injectable so pages are reproducible) ----
    void SetUserName(const QString& name) { m_userName = name; } // header code 1
    QString UserName() const { return m_userName; }
    void SetClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    void SetLocale(const QLocale& locale) { m_locale = locale; } // long date/time formats
    // Where the notes come from; not owned. Without one every cell stays empty.
    void SetDatabase(const clsDatabase* database) { m_database = database; }
    const clsDatabase* Database() const { return m_database; }

    // ---- Pages ----
    // Pages the selection needs (at least 1).
    int32_t GetPageCount() const;
    // 1 and PageCount as of the last InitializeSettings (PageCount at least 1).
    void GetPageRange(int& FirstPage, int& LastPage) const;
    int32_t CurrentPage() const { return m_currentPage; }
    int32_t PageCount() const { return m_pageCount; }

    // Fixes PageCount, CurrentPage (1) and the geometry for target; call before painting
    // and again for every other target.
    void InitializeSettings(const PrintTarget& ctlOutput);
    void GetPrintDimensions(const PrintTarget& ctlOutput);
    const PrintGeometry& Geometry() const { return m_geometry; }
    // Note cells smaller than this either way leave no room for a note.
    static constexpr double kMinCellInches = 0.1;
    // True when the last target measured leaves no room for notes: the margins, header and
    // footer fill the page, or the grid's cells would be smaller than kMinCellInches (a
    // hand-edited "PrintNotesWide" of millions). Such a layout paints nothing and is not
    // printed, so measuring and painting it stay bounded whatever the settings say.
    bool LeavesNoRoom() const;

    // Paints page nPageNum (1-based): header, the page's notes, footer. Selection entries
    // outside the database are corrected to the nearest note (and stay corrected).
    void PaintPrintObjectPage(const PrintTarget& ctlOutput, int nPageNum,
                              const PrintProgress& prgOne = {});
    // The thin separator lines between the cells (nothing when HideSeperatorLines is 1).
    void PaintPrintObjectPageOutlines(const PrintTarget& ctlOutput);
    // The header / footer band of CurrentPage.
    void PrintHeader(const PrintTarget& ctlOutput);
    void PrintFooter(const PrintTarget& ctlOutput);

    // Where note position k of a page (0-based within the page) lands for a picture of
    // the given size (after clipping); pure geometry for the last target measured.
    NoteBoxes LayoutNote(int k, int pictureWidth, int pictureHeight) const;

    // Text of a header/footer slot for the current page, with this object's user name,
    // clock and locale.
    QString SlotText(int option) const;

    // The texts of the last page painted (PaintPrintObjectPage), in painting order.
    const std::vector<PrintedText>& PageTexts() const { return m_pageTexts; }
    // Room kept between header or footer slots, in inches.
    static constexpr double kSlotGapInches = 0.05;

    // Outcome of a print job. NoRoom: refused before anything was sent (LeavesNoRoom).
    enum class PrintResult { Printed, Cancelled, Failed, NoRoom };
    // The reason given for NoRoom.
    static QString NoRoomMessage();
    // Prints every page of the selection on printer as one job, measuring it first.
    // cancelled, when given, is asked between notes; a cancelled job is aborted through
    // control (nothing is sent). error receives a readable reason on Failed and NoRoom.
    // A printer must come with its control (the print windows make it), or a cancelled
    // job still reaches it and a print to a file is written in place; a PDF writer needs
    // none.
    PrintResult PrintNotes(QPagedPaintDevice& printer, const PrintProgress& prgOne = {},
                           const std::function<bool()>& cancelled = {}, QString* error = nullptr,
                           const PrintDeviceControl& control = {});

private:
    void PaintBand(const PrintTarget& ctlOutput, PrintedText::Kind kind, float top, float height,
                   double heightInches, const std::array<int32_t, 3>& options);

    std::vector<int32_t> m_selection;
    std::vector<PrintedText> m_pageTexts;
    int32_t m_currentPage = 0;
    int32_t m_pageCount = 0;
    PrintGeometry m_geometry;
    QString m_userName;
    std::function<QDateTime()> m_clock;
    QLocale m_locale;
    const clsDatabase* m_database = nullptr;
    std::function<bool()> m_cancelled; // set while PrintNotes runs
};

} // namespace quillary
