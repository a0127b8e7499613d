// SPDX-License-Identifier: GPL-3.0-or-later
#include "NoteArchive.h"

#include "storage/ByteOrder.h"
#include "storage/Cp1252.h"
#include "storage/FileIO.h"
#include "storage/PdbFormat.h"
#include "storage/PngCodec.h"
#include "storage/TextUtil.h"
#include "storage/VersionStore.h"
#include "storage/clsBitmap.h"
#include "storage/clsDatabase.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

namespace quillary {

namespace {

// The header's 32-bit fields as database.json names them.
const std::pair<const char*, size_t> kHeaderLongs[] = {
    {"creation_date", pdb::kCreationDate},      {"modification_date", pdb::kModificationDate},
    {"backup_date", pdb::kBackupDate},          {"modification_number", pdb::kModificationNumber},
    {"sort_info_offset", pdb::kSortInfoOffset}, {"unique_id_seed", pdb::kUniqueIdSeed},
    {"next_record_list", pdb::kNextRecordList}};

const QString kFormatName = QStringLiteral("Quillary notes archive");
constexpr int kFormatVersion = 1;
const QString kPictureAlt = QStringLiteral("Picture");

// ---- small helpers ---------------------------------------------------------------------

QString Sha1(const void* data, size_t size) {
    return QString::fromLatin1(
        QCryptographicHash::hash(QByteArrayView(static_cast<const char*>(data), qsizetype(size)),
                                 QCryptographicHash::Sha1)
            .toHex());
}
QString Sha1(const std::string& s) {
    return Sha1(s.data(), s.size());
}
QString Sha1(const std::vector<uint8_t>& v) {
    return Sha1(v.data(), v.size());
}

QString Hex(const uint8_t* data, size_t size) {
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).toHex());
}

bool FromHex(const QJsonValue& value, std::vector<uint8_t>& out, size_t maxBytes) {
    const QByteArray text = value.toString().toLatin1();
    if (text.size() % 2 != 0 || size_t(text.size() / 2) > maxBytes)
        return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    const QByteArray bytes = QByteArray::fromHex(text);
    out.assign(bytes.begin(), bytes.end());
    return true;
}

// A JSON number that is a whole value in [lo, hi]; otherwise fallback (and ok = false).
qint64 Whole(const QJsonValue& v, qint64 lo, qint64 hi, qint64 fallback, bool& ok) {
    if (v.isUndefined() || v.isNull())
        return fallback;
    const double d = v.toDouble(-1e300);
    if (!v.isDouble() || d < double(lo) || d > double(hi) || d != double(qint64(d))) {
        ok = false;
        return fallback;
    }
    return qint64(d);
}

QString FourCCJson(const PdbHeader& h, size_t offset, QJsonObject& o, const QString& key) {
    bool printable = true;
    for (size_t i = 0; i < 4; ++i)
        printable = printable && h[offset + i] >= 0x20 && h[offset + i] < 0x7F;
    if (printable)
        o[key] = QString::fromLatin1(reinterpret_cast<const char*>(h.data() + offset), 4);
    else
        o[key] = double(ReadBE32(h.data() + offset));
    return {};
}

bool FourCCFromJson(const QJsonValue& v, PdbHeader& h, size_t offset, const char* fallback) {
    if (v.isUndefined()) {
        std::memcpy(h.data() + offset, fallback, 4);
        return true;
    }
    if (v.isString()) {
        const QByteArray s = v.toString().toLatin1();
        if (s.size() != 4 || v.toString().size() != 4)
            return false;
        std::memcpy(h.data() + offset, s.data(), 4);
        return true;
    }
    bool ok = true;
    const qint64 n = Whole(v, 0, 0xFFFFFFFFLL, 0, ok);
    WriteBE32(h.data() + offset, uint32_t(n));
    return ok;
}

// ---- file image ------------------------------------------------------------------------

constexpr size_t kAppInfoBytes = 276;
using AppInfo = std::array<uint8_t, kAppInfoBytes>;

struct Layout {
    bool present = false;
    QString baseSha1; // of the image built without it; the layout applies only to that one
    size_t size = 0;
    uint32_t appInfoOffset = 0;
    std::vector<uint32_t> recordOffsets;
    std::vector<std::pair<size_t, std::vector<uint8_t>>> patches;
};

// The header and record list of the file image as a save writes it, except that every
// header field is the given one; *total: the size of the whole image. Items: pointers of
// any kind to clsQuillaryItem.
template <class Items>
std::vector<uint8_t> ImageHead(PdbHeader header, const Items& items, size_t* total) {
    const size_t n = items.size();
    const size_t listEnd = kPdbHeaderBytes + kPdbEntryBytes * n;
    *total = listEnd + kAppInfoBytes;
    for (const auto& item : items)
        *total += item->RecordSize();
    std::vector<uint8_t> out(listEnd);
    WriteBE16(header.data() + pdb::kRecordCount, uint16_t(n));
    WriteBE32(header.data() + pdb::kAppInfoOffset, uint32_t(listEnd));
    std::memcpy(out.data(), header.data(), header.size());
    uint32_t offset = uint32_t(listEnd + kAppInfoBytes);
    for (size_t i = 0; i < n; ++i) {
        WritePdbEntry(out.data() + kPdbHeaderBytes + kPdbEntryBytes * i,
                      {offset, items[i]->attributes, items[i]->UniqueID});
        offset += uint32_t(items[i]->RecordSize());
    }
    return out;
}

// The file image as a save writes it, except that every header field is the given one.
template <class Items>
std::vector<uint8_t> BuildImage(const PdbHeader& header, const AppInfo& appInfo,
                                const Items& items) {
    size_t total = 0;
    std::vector<uint8_t> out = ImageHead(header, items, &total);
    out.reserve(total);
    out.insert(out.end(), appInfo.begin(), appInfo.end());
    for (const auto& item : items)
        item->WriteRawDataImage(out);
    return out;
}

// Whether BuildImage would give exactly file, without building it (for 32,767 notes that
// would be a copy of a quarter of a gigabyte).
template <class Items>
bool IsImage(const PdbHeader& header, const AppInfo& appInfo, const Items& items,
             const std::vector<uint8_t>& file) {
    size_t total = 0;
    const std::vector<uint8_t> head = ImageHead(header, items, &total);
    if (file.size() != total || std::memcmp(file.data(), head.data(), head.size()) != 0 ||
        std::memcmp(file.data() + head.size(), appInfo.data(), appInfo.size()) != 0)
        return false;
    size_t at = head.size() + appInfo.size();
    for (const auto& item : items) {
        if (std::memcmp(file.data() + at, item->RecordData(), item->RecordSize()) != 0)
            return false;
        at += item->RecordSize();
    }
    return true;
}

// The same records placed where the original file had them, then its other bytes patched in.
template <class Items>
bool ApplyLayout(const Layout& layout, const PdbHeader& header,
                 const std::array<uint8_t, 276>& appInfo, const Items& items,
                 std::vector<uint8_t>& out) {
    if (layout.recordOffsets.size() != items.size() ||
        layout.size < kPdbHeaderBytes + kPdbEntryBytes * items.size())
        return false;
    std::vector<uint8_t> image(layout.size, 0);
    std::memcpy(image.data(), header.data(), header.size());
    WriteBE16(image.data() + pdb::kRecordCount, uint16_t(items.size()));
    WriteBE32(image.data() + pdb::kAppInfoOffset, layout.appInfoOffset);
    if (layout.appInfoOffset != 0) {
        if (layout.appInfoOffset > layout.size ||
            layout.size - layout.appInfoOffset < appInfo.size())
            return false;
        std::memcpy(image.data() + layout.appInfoOffset, appInfo.data(), appInfo.size());
    }
    for (size_t i = 0; i < items.size(); ++i) {
        const size_t recSize = items[i]->RecordSize();
        const uint32_t at = layout.recordOffsets[i];
        if (at > layout.size || layout.size - at < recSize)
            return false;
        WritePdbEntry(image.data() + kPdbHeaderBytes + kPdbEntryBytes * i,
                      {at, items[i]->attributes, items[i]->UniqueID});
        std::memcpy(image.data() + at, items[i]->RecordData(), recSize);
    }
    for (const auto& [at, bytes] : layout.patches) {
        if (at > layout.size || layout.size - at < bytes.size())
            return false;
        std::memcpy(image.data() + at, bytes.data(), bytes.size());
    }
    out = std::move(image);
    return true;
}

// ---- pictures --------------------------------------------------------------------------

// Each PNG names the picture it was written from in a private chunk, "qlPB" (ancillary,
// private, unsafe to copy: an editor that changes the pixels must drop it). Payload: the
// SHA-1 of the note's picture as stored (20 bytes), the CRC of the image data it was
// written with (big-endian), and a 64-bit hash of that stored picture (big-endian). An
// import rebuilds the stored picture from the pixels in any case (inflating a small 1-bit
// picture costs less than reading a copy of it, and keeps the PNG small); the hash spares
// it the SHA-1 of the rebuilt picture when it is still the one named. Archives written
// before carried the stored picture after these 32 bytes; it is not read.
constexpr char kPictureChunk[] = "qlPB";
constexpr size_t kPictureChunkBytes = 32;

// Binary SHA-1 of bytes.
std::array<uint8_t, 20> Sha1Bytes(const std::vector<uint8_t>& v) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(v.data()), qsizetype(v.size())));
    std::array<uint8_t, 20> out{};
    const QByteArrayView result = hash.resultView();
    std::memcpy(out.data(), result.data(), out.size());
    return out;
}

// The 1-bit greyscale PNG of a note's picture (PngCodec, as export writes them) into png,
// naming stored, the picture as the note stores it, whose SHA-1 is sha1. False when the
// picture cannot be written.
bool EncodePng(const clsBitmap& bitmap, const std::vector<uint8_t>& stored,
               const std::array<uint8_t, 20>& sha1, std::vector<uint8_t>& png) {
    if (!PngCodec::Encode(bitmap, png))
        return false;
    uint8_t payload[kPictureChunkBytes];
    std::memcpy(payload, sha1.data(), 20);
    WriteBE32(payload + 20, PngCodec::ImageDataCrc(png.data(), png.size()));
    const uint64_t hash = VersionStore::Hash(stored.data(), stored.size());
    WriteBE32(payload + 24, uint32_t(hash >> 32));
    WriteBE32(payload + 28, uint32_t(hash));
    PngCodec::AddChunk(png, kPictureChunk, payload, sizeof payload);
    return true;
}

// Whether encoded, the picture rebuilt from a PNG's pixels, is the one whose SHA-1 (hex)
// is wantSha1 according to the PNG's own chunk (its 64-bit hash). False says nothing: the
// SHA-1 of encoded decides then.
bool IsNamedPicture(const QByteArray& png, const QString& wantSha1,
                    const std::vector<uint8_t>& encoded) {
    if (wantSha1.isEmpty())
        return false;
    size_t payloadSize = 0;
    const uint8_t* payload = PngCodec::FindChunk(reinterpret_cast<const uint8_t*>(png.constData()),
                                                 size_t(png.size()), kPictureChunk, &payloadSize);
    if (!payload || payloadSize < kPictureChunkBytes ||
        QLatin1StringView(
            QByteArray::fromRawData(reinterpret_cast<const char*>(payload), 20).toHex()) !=
            wantSha1)
        return false;
    const uint64_t hash = uint64_t(ReadBE32(payload + 24)) << 32 | ReadBE32(payload + 28);
    return hash == VersionStore::Hash(encoded.data(), encoded.size());
}

// Reads a picture file of any format Qt knows as a 1-bit picture: dark pixels black,
// transparent ones white. Refuses files that announce more pixels than a note could hold.
bool LoadPicture(const QString& path, const QByteArray& bytes, clsBitmap& bitmap, QString& why) {
    // PNGs are checked (and our own kind decoded) with the inflating bounded by their
    // header; image plugins would inflate whatever a file holds first.
    std::string pngWhy;
    switch (PngCodec::Decode(reinterpret_cast<const uint8_t*>(bytes.constData()),
                             size_t(bytes.size()), bitmap, &pngWhy,
                             uint64_t(NoteArchive::kMaxPicturePixels))) {
    case PngCodec::Result::Decoded:
        return true;
    case PngCodec::Result::Refused:
        why = QString::fromStdString(pngWhy);
        return false;
    case PngCodec::Result::OtherKind:
        break;
    }
    QImageReader reader(path);
    reader.setAllocationLimit(64); // MB; a guard besides the size check below
    const QSize size = reader.size();
    if (!reader.canRead()) {
        why = QStringLiteral("is not a picture (%1).").arg(reader.errorString());
        return false;
    }
    if (size.isValid() &&
        (size.width() > clsBitmap::kMaxDimension || size.height() > clsBitmap::kMaxDimension ||
         qint64(size.width()) * size.height() > NoteArchive::kMaxPicturePixels)) {
        why = QStringLiteral("is %1 × %2 pixels, far larger than a note's picture can be.")
                  .arg(size.width())
                  .arg(size.height());
        return false;
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        why = QStringLiteral("is not a picture that can be read (%1).").arg(reader.errorString());
        return false;
    }
    if (image.width() > clsBitmap::kMaxDimension || image.height() > clsBitmap::kMaxDimension) {
        why = QStringLiteral("is too large for a note's picture.");
        return false;
    }
    bitmap.InitializeBitmap(image.width(), image.height(), 1);
    const size_t rowBytes = size_t(bitmap.RowBytes());
    uint8_t* data = bitmap.Data().data();
    if (image.format() == QImage::Format_Mono && image.colorCount() == 2) {
        // Either palette order: a bit is black when its colour is dark and opaque.
        auto black = [&](int index) {
            return qGray(image.color(index)) < 128 && qAlpha(image.color(index)) >= 128;
        };
        const bool zeroBlack = black(0), oneBlack = black(1);
        const size_t lineBytes = size_t(image.width() + 7) / 8;
        for (int y = 0; y < image.height(); ++y) {
            const uint8_t* src = image.constScanLine(y);
            uint8_t* dst = data + size_t(y) * rowBytes;
            for (size_t i = 0; i < lineBytes; ++i) {
                const uint8_t b = src[i];
                dst[i] = uint8_t((oneBlack ? b : 0) | (zeroBlack ? uint8_t(~b) : 0));
            }
            // Bits past the width are not part of the picture.
            if (image.width() % 8)
                dst[lineBytes - 1] &= uint8_t(0xFF << (8 - image.width() % 8));
        }
        return true;
    }
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* src = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        uint8_t* dst = data + size_t(y) * rowBytes;
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(src[x]) >= 128 && qGray(src[x]) < 128)
                dst[x / 8] |= uint8_t(0x80 >> (x % 8));
    }
    return true;
}

// ---- Markdown --------------------------------------------------------------------------

QString PictureLink(const QString& pngName) {
    return QStringLiteral("![%1](%2)").arg(kPictureAlt, pngName);
}

// Splits a note file into its text (UTF-8, as written) and the target of the picture
// link on its last line ("" when there is none).
void SplitNoteFile(const QByteArray& content, QByteArray& text, QString& linkTarget) {
    // One per thread: notes are read on every core.
    thread_local const QRegularExpression link(
        QStringLiteral("^!\\[[^\\]]*\\]\\(\\s*<?([^)>]*)>?\\s*\\)\\s*$"));
    text = content;
    linkTarget.clear();
    qsizetype end = text.size();
    while (end > 0 && (text[end - 1] == '\n' || text[end - 1] == '\r' || text[end - 1] == ' '))
        --end;
    const qsizetype lineStart = text.lastIndexOf('\n', end - 1) + 1;
    const QString lastLine = QString::fromUtf8(text.mid(lineStart, end - lineStart)).trimmed();
    const auto m = link.match(lastLine);
    if (m.hasMatch()) {
        linkTarget = m.captured(1).trimmed();
        text.truncate(lineStart);
        // The writer puts one blank line between text and link.
        if (text.endsWith("\r\n\r\n"))
            text.chop(4);
        else if (text.endsWith("\n\n"))
            text.chop(2);
        else if (text.endsWith("\r\n"))
            text.chop(2);
        else if (text.endsWith('\n'))
            text.chop(1);
    } else if (text.endsWith("\r\n")) {
        text.chop(2);
    } else if (text.endsWith('\n')) {
        text.chop(1);
    }
}

// ---- the archive's notes ---------------------------------------------------------------

struct NoteFile {
    QString name;
    qint64 number = -1; // the note of database.json it is; -1: a new note
    qint64 order = 0;   // its place: the number it starts with (new ones may too)
    qint64 size = 0;    // its size in the listing
};

// The digits a name starts with, or -1. With whole set, only when a space, a dot or the
// end follows them ("0002 Title.md" is note 2, "0002b Idea.md" a new note after it).
qint64 LeadingNumber(const QString& name, bool whole = true) {
    qsizetype i = 0;
    while (i < name.size() && i < 9 && name[i] >= u'0' && name[i] <= u'9')
        ++i;
    if (i == 0 || (whole && i < name.size() && name[i] != u' ' && name[i] != u'.'))
        return -1;
    return name.left(i).toLongLong();
}

// A name or label field: the text, a NUL and spaces; a text that fills the field whole
// (as some files hold) is kept without the NUL.
void PutFixedField(uint8_t* field, const std::string& text, size_t width) {
    if (text.size() >= width)
        std::memcpy(field, text.data(), width);
    else
        PutPaddedString(field, text, width);
}

bool IsPlainName(const QString& target) {
    return !target.isEmpty() && !target.contains(u'/') && !target.contains(u'\\') &&
           target != QLatin1String(".") && target != QLatin1String("..") &&
           !target.contains(u':') && !target.startsWith(u'~');
}

// Header and category block as database.json describes them; missing fields take the
// values of a new database. Problems are appended.
void HeaderFromJson(const QJsonObject& root, PdbHeader& header, std::array<uint8_t, 276>& appInfo,
                    QStringList& problems) {
    // Header.
    std::string name = "QuillaryDBv2";
    if (root.contains(QStringLiteral("name"))) {
        const QString utf8 = root[QStringLiteral("name")].toString();
        if (!Utf8ToCp1252(utf8.toStdString(), name) || name.size() > kPdbNameBytes ||
            name.find('\0') != std::string::npos)
            problems << QStringLiteral("database.json: the name \"%1\" cannot be a database name "
                                       "(at most 31 Windows-1252 characters).")
                            .arg(utf8);
    }
    PutFixedField(header.data(), name, kPdbNameBytes);
    if (!FourCCFromJson(root[QStringLiteral("type")], header, pdb::kType, "Not2") ||
        !FourCCFromJson(root[QStringLiteral("creator")], header, pdb::kCreator, "QLRY"))
        problems << QStringLiteral("database.json: \"type\" and \"creator\" must be 4 characters.");
    {
        const QJsonObject hj = root[QStringLiteral("header")].toObject();
        bool ok = true;
        WriteBE16(header.data() + pdb::kAttributes,
                  uint16_t(Whole(hj[QStringLiteral("attributes")], 0, 0xFFFF, 0, ok)));
        WriteBE16(header.data() + pdb::kVersion,
                  uint16_t(Whole(hj[QStringLiteral("version")], 0, 0xFFFF, 1, ok)));
        // Missing fields are what a save writes into a new database.
        for (const auto& [key, offset] : kHeaderLongs)
            WriteBE32(header.data() + offset,
                      uint32_t(Whole(
                          hj[QLatin1String(key)], 0, 0xFFFFFFFFLL,
                          offset == pdb::kCreationDate || offset == pdb::kModificationDate, ok)));
        if (!ok)
            problems << QStringLiteral(
                "database.json: a header field is not a whole number in range.");
    }

    // Categories.
    {
        const QJsonArray cats = root[QStringLiteral("categories")].toArray();
        const QStringList defaults = {QStringLiteral("Unfiled"), QStringLiteral("Business"),
                                      QStringLiteral("Personal")};
        uint16_t renamed = 0;
        bool ok = true;
        if (cats.size() > 16)
            problems << QStringLiteral(
                            "database.json: there are %1 categories; a database holds 16.")
                            .arg(cats.size());
        for (int i = 0; i < 16; ++i) {
            const bool given = root.contains(QStringLiteral("categories"));
            const QJsonObject c = i < cats.size() ? cats[i].toObject() : QJsonObject();
            const QString label = given ? c[QStringLiteral("label")].toString()
                                        : (i < defaults.size() ? defaults[i] : QString());
            std::string bytes;
            if (!Utf8ToCp1252(label.toStdString(), bytes) || bytes.size() > 16 ||
                bytes.find('\0') != std::string::npos)
                problems << QStringLiteral("database.json: category %1 \"%2\" cannot be stored "
                                           "(at most 15 Windows-1252 characters).")
                                .arg(i)
                                .arg(label);
            uint8_t* field = appInfo.data() + 2 + 16 * size_t(i);
            PutFixedField(field, bytes, 16);
            if (bytes.empty()) // an unused label field is all zero bytes in a new database
                std::memset(field, 0, 16);
            appInfo[258 + size_t(i)] = uint8_t(Whole(c[QStringLiteral("id")], 0, 255, i, ok));
            if (c[QStringLiteral("renamed")].toBool())
                renamed = uint16_t(renamed | (1u << i));
        }
        WriteBE16(appInfo.data(), renamed);
        appInfo[274] =
            uint8_t(Whole(root[QStringLiteral("last_unique_category_id")], 0, 255, 15, ok));
        appInfo[275] = uint8_t(Whole(root[QStringLiteral("category_filler")], 0, 255, 0, ok));
        if (!ok)
            problems << QStringLiteral(
                "database.json: a category ID is not a number from 0 to 255.");
    }
}

// ---- working on every core -------------------------------------------------------------

// Threads for work on count notes: every core this process may run on (at most 8),
// none idle on small databases.
int WorkerThreads(int count) {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    const int cores = ::sched_getaffinity(0, sizeof allowed, &allowed) == 0
                          ? CPU_COUNT(&allowed)
                          : int(std::thread::hardware_concurrency());
    return std::clamp(count / 64 + 1, 1, std::clamp(cores, 1, 8));
}

// Writes a new file whole (created or truncated). The archive's folder is put in place
// only when every file is written, so the files are not made durable one by one.
bool WriteWholeFile(const QString& path, const char* data, size_t size, QString& why) {
    const QByteArray local = QFile::encodeName(path);
    const int fd = ::open(local.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    int err = fd < 0 ? errno : 0;
    while (err == 0 && size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            err = written < 0 ? errno : EIO;
            break;
        }
        data += written;
        size -= size_t(written);
    }
    if (fd >= 0 && ::close(fd) != 0 && err == 0)
        err = errno;
    if (err == 0)
        return true;
    why = QStringLiteral("%1 cannot be written: %2")
              .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(err)));
    return false;
}

// What one thread reuses from note to note.
struct NoteBuffers {
    std::vector<uint8_t> stored, again, png;
    clsBitmap picture;
};

// Writes one note's Markdown file and picture into folderPath (ending in a separator) and
// fills o, its entry of database.json. False with why set when a file cannot be written.
bool WriteNote(const clsQuillaryItem& item, int i, int width, const QString& folderPath,
               QJsonObject& o, NoteBuffers& b, QString& why) {
    const uint8_t* rec = item.RecordData(); // read in place: a copy of each would cost more
    const QString number = QStringLiteral("%1").arg(i + 1, width, 10, QLatin1Char('0'));
    o[QStringLiteral("file")] = number;
    o[QStringLiteral("category")] = item.CategoryIndex();
    o[QStringLiteral("dirty")] = item.DirtyFlag();
    o[QStringLiteral("other_attributes")] = item.attributes & 0xB0;
    o[QStringLiteral("unique_id")] = double(item.UniqueID);
    o[QStringLiteral("leading_bytes")] = QJsonArray{rec[0], rec[1]};
    o[QStringLiteral("reserved")] = Hex(rec + 2002, 12);
    const std::string& text = item.RawText();
    size_t staleAt = text.size() + 1, staleEnd = clsQuillaryItem::kMaxTextChars + 1;
    while (staleEnd > staleAt && rec[2 + staleEnd - 1] == 0)
        --staleEnd;
    if (staleEnd > staleAt) {
        o[QStringLiteral("stale_at")] = double(staleAt);
        o[QStringLiteral("stale")] = Hex(rec + 2 + staleAt, staleEnd - staleAt);
    }
    o[QStringLiteral("text_sha1")] = Sha1(text);

    item.GetBitmapData(b.stored);
    QString pngName;
    if (b.picture.LoadPalmBitmap(b.stored)) {
        // The picture as a save would store it: what an import rebuilds from the PNG.
        b.picture.GetPalmBitmap(b.again);
        const std::array<uint8_t, 20> sha1 = Sha1Bytes(b.again);
        o[QStringLiteral("picture_sha1")] = Hex(sha1.data(), sha1.size());
        if (b.again != b.stored)
            o[QStringLiteral("picture_bytes")] =
                QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(b.stored.data()),
                                               qsizetype(b.stored.size()))
                                        .toBase64());
        pngName = number + QStringLiteral(".png");
        if (!EncodePng(b.picture, b.again, sha1, b.png)) {
            why = QStringLiteral("The picture of note %1 cannot be written as a PNG.").arg(i + 1);
            return false;
        }
        if (!WriteWholeFile(folderPath + pngName, reinterpret_cast<const char*>(b.png.data()),
                            b.png.size(), why))
            return false;
    } else {
        // A picture this program cannot decode is kept as it is stored.
        o[QStringLiteral("picture_bytes")] = QString::fromLatin1(
            QByteArray(reinterpret_cast<const char*>(b.stored.data()), qsizetype(b.stored.size()))
                .toBase64());
    }
    QByteArray md = QByteArray::fromStdString(Cp1252ToUtf8(text));
    const qsizetype lineEnd = md.indexOf('\n');
    const QString title =
        NoteArchive::SafeFileTitle(QString::fromUtf8(lineEnd < 0 ? md : md.left(lineEnd)));
    const QString mdName =
        number + (title.isEmpty() ? QString() : u' ' + title) + QStringLiteral(".md");
    if (!pngName.isEmpty())
        md += "\n\n" + PictureLink(pngName).toUtf8();
    md += '\n';
    return WriteWholeFile(folderPath + mdName, md.constData(), size_t(md.size()), why);
}

// ---- reading a note --------------------------------------------------------------------

// A regular file, not a link. Names come from the folder's own listing or are plain
// names (checked before), so only links could lead out of the folder.
bool InsideFolder(const QFileInfo& info) {
    return !info.isSymLink() && info.isFile();
}

// What database.json says of a note that its files are checked against.
struct KnownNote {
    QString file, textSha1, pictureSha1;
    bool hasPictureSha1 = false;
};

// What reading one note's files found. The notes are read on every core; their records
// are then made one after the other from this.
struct NoteRead {
    QStringList problems; // reading stopped at the last one
    std::string text;
    bool textSame = false;
    bool havePicture = false;
    bool pictureSame = false;
    std::vector<uint8_t> encoded; // the picture as a note stores it
    QString picturePath;
};

void ReadNoteFiles(const QDir& folder, const QString& name, qint64 listedSize, const KnownNote* o,
                   NoteRead& r, clsBitmap& picture) {
    QStringList& problems = r.problems;
    QFile file(folder.filePath(name));
    if (!file.open(QIODevice::ReadOnly)) {
        problems << QStringLiteral("%1 cannot be read: %2").arg(name, file.errorString());
        return;
    }
    QByteArray body;
    QString linkTarget;
    // As many bytes as the listing said (checked against the limit), and one more to
    // see a file that grew since: asking for the limit would allocate it every time.
    QByteArray raw = file.read(std::min(listedSize, NoteArchive::kMaxNoteFileBytes) + 1);
    // Editors on Windows start a UTF-8 file with a byte order mark: it is no text.
    if (raw.startsWith("\xEF\xBB\xBF"))
        raw.remove(0, 3);
    SplitNoteFile(raw, body, linkTarget);

    // Text: every line must be storable on the handheld.
    std::string& text = r.text;
    bool textOk = true;
    {
        const QList<QByteArray> lines = body.split('\n');
        for (qsizetype li = 0; li < lines.size(); ++li) {
            std::string part;
            char32_t bad = 0;
            if (!Utf8ToCp1252(lines[li].toStdString(), part, &bad) ||
                part.find('\0') != std::string::npos) {
                textOk = false;
                const QString what =
                    bad == 0xFFFD ? QStringLiteral("text that is not UTF-8")
                    : bad == 0
                        ? QStringLiteral("a NUL character")
                        : QStringLiteral("the character \"%1\" (U+%2)")
                              .arg(
                                  QString::fromUcs4(&bad, 1),
                                  QString::number(uint(bad), 16).toUpper().rightJustified(4, u'0'));
                problems << QStringLiteral("%1, line %2: %3 cannot be stored on the handheld.")
                                .arg(name)
                                .arg(li + 1)
                                .arg(what);
            }
            if (li > 0)
                text += '\n';
            text += part;
        }
    }
    if (!textOk)
        return;
    r.textSame = o && o->textSha1 == Sha1(text);
    if (!r.textSame) {
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        if (text.size() > clsQuillaryItem::kMaxTextChars) {
            problems << QStringLiteral("%1 holds %2 characters; a note holds at most %3.")
                            .arg(name)
                            .arg(text.size())
                            .arg(clsQuillaryItem::kMaxTextChars);
            return;
        }
    }

    // Picture.
    QString encodedSha1;
    bool pictureDropped = false;
    if (linkTarget.isEmpty() && o) {
        // Without its link line a note keeps the picture file of its number.
        const QString own = o->file + QStringLiteral(".png");
        if (QFileInfo::exists(folder.filePath(own)))
            linkTarget = own;
        else
            pictureDropped = o->hasPictureSha1;
    }
    if (!linkTarget.isEmpty()) {
        const QString target = QUrl::fromPercentEncoding(linkTarget.toUtf8());
        if (!IsPlainName(target) || QDir::isAbsolutePath(target)) {
            problems << QStringLiteral("%1 links to \"%2\", outside the archive folder; "
                                       "pictures must lie beside their notes.")
                            .arg(name, target);
            return;
        }
        const QFileInfo info(folder.filePath(target));
        if (!info.exists()) {
            problems << QStringLiteral("%1 links to %2, which is missing.").arg(name, target);
            return;
        }
        if (!InsideFolder(info)) {
            problems << QStringLiteral("%1 links to %2, which is a link or not a file in the "
                                       "archive folder.")
                            .arg(name, target);
            return;
        }
        if (info.size() > NoteArchive::kMaxPictureFileBytes) {
            problems << QStringLiteral("%1 is %2 bytes long, too large for a note's picture.")
                            .arg(target)
                            .arg(info.size());
            return;
        }
        QFile png(info.filePath());
        const QByteArray pngBytes =
            png.open(QIODevice::ReadOnly)
                ? png.read(std::min(info.size(), NoteArchive::kMaxPictureFileBytes) + 1)
                : QByteArray();
        // The pixels decide: the stored picture is rebuilt from them.
        QString why;
        if (!LoadPicture(info.filePath(), pngBytes, picture, why)) {
            problems << target + u' ' + why;
            return;
        }
        picture.GetPalmBitmap(r.encoded);
        const QString wantSha1 = o ? o->pictureSha1 : QString();
        encodedSha1 = IsNamedPicture(pngBytes, wantSha1, r.encoded) ? wantSha1 : Sha1(r.encoded);
        r.havePicture = true;
        r.picturePath = target;
    }
    r.pictureSame = o && !pictureDropped && (r.havePicture ? o->pictureSha1 == encodedSha1 : true);
}

} // namespace

// ---- file names ------------------------------------------------------------------------

QString NoteArchive::SafeFileTitle(const QString& firstLine, int maxChars) {
    QString out;
    for (const QChar c : firstLine) {
        const char16_t u = c.unicode();
        // Characters Windows forbids, path separators, controls, and marks that shells
        // and Markdown links treat specially.
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) ||
            QStringLiteral("<>:\"/\\|?*#%[]()!`").contains(c))
            out += u' ';
        else
            out += c;
    }
    out = out.simplified();
    if (out.size() > maxChars) {
        out.truncate(maxChars);
        if (out.back().isHighSurrogate())
            out.chop(1);
    }
    // Windows drops trailing dots and spaces; leading dots hide files elsewhere.
    while (!out.isEmpty() && (out.back() == u'.' || out.back() == u' '))
        out.chop(1);
    while (!out.isEmpty() && (out.front() == u'.' || out.front() == u' '))
        out.remove(0, 1);
    return out;
}

// ---- writing ---------------------------------------------------------------------------

int NoteArchive::Write(const std::vector<uint8_t>& fileBytes, const QString& dir, QString* error,
                       const QString& source) {
    auto fail = [&](const QString& text) {
        if (error)
            *error = text;
        return -1;
    };
    clsDatabase db;
    std::string why;
    // A fault of the database is named after the database, not after the archive's folder.
    const QString name =
        source.isEmpty() ? QStringLiteral("the notes database") : QDir::toNativeSeparators(source);
    if (!db.LoadDatabaseBytes(fileBytes.data(), fileBytes.size(), name.toStdString(), {}, &why))
        return fail(QString::fromStdString(why));
    const std::string type = db.GetType();
    if (type == "Inst" || type == "Ins2")
        return fail(QStringLiteral("This is an insert database, not a notes database."));

    QDir folder(dir);
    if (folder.exists()) {
        if (!folder.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
            return fail(QStringLiteral("The folder %1 is not empty; choose an empty or new folder "
                                       "for the archive.")
                            .arg(QDir::toNativeSeparators(dir)));
    } else if (QFileInfo::exists(dir)) {
        return fail(
            QStringLiteral("%1 is a file, not a folder.").arg(QDir::toNativeSeparators(dir)));
    } else if (!QDir().mkpath(dir)) {
        return fail(
            QStringLiteral("The folder %1 cannot be created.").arg(QDir::toNativeSeparators(dir)));
    }

    const PdbHeader& h = db.Header();
    QJsonObject root;
    root[QStringLiteral("format")] = kFormatName;
    root[QStringLiteral("version")] = kFormatVersion;
    root[QStringLiteral("name")] = QString::fromStdString(Cp1252ToUtf8(db.m_PalmFileName));
    FourCCJson(h, pdb::kType, root, QStringLiteral("type"));
    FourCCJson(h, pdb::kCreator, root, QStringLiteral("creator"));
    QJsonObject header;
    header[QStringLiteral("attributes")] = ReadBE16(h.data() + pdb::kAttributes);
    header[QStringLiteral("version")] = ReadBE16(h.data() + pdb::kVersion);
    for (const auto& [key, offset] : kHeaderLongs)
        header[QLatin1String(key)] = double(ReadBE32(h.data() + offset));
    root[QStringLiteral("header")] = header;

    QJsonArray categories;
    for (int i = 0; i < 16; ++i) {
        QJsonObject c;
        c[QStringLiteral("label")] = QString::fromStdString(Cp1252ToUtf8(db.GetCategoryLabel(i)));
        c[QStringLiteral("id")] = db.CategoryID(i);
        c[QStringLiteral("renamed")] = (db.RenamedCategories() >> i & 1) != 0;
        categories.append(c);
    }
    root[QStringLiteral("categories")] = categories;
    root[QStringLiteral("last_unique_category_id")] = db.LastUniqueCategoryID();
    root[QStringLiteral("category_filler")] = db.AppInfo()[275];

    // Every core takes notes in turn: each note's files and database.json entry depend on
    // that note alone, so the archive is the same whatever the number of threads. The
    // first note that fails in the database's order is the one reported.
    const int n = db.GetNumRecords();
    const int width = std::max(4, int(QString::number(n).size()));
    const QString folderPath = folder.path() + u'/';
    std::vector<QJsonObject> entries(static_cast<size_t>(n));
    std::atomic<int> next{0};
    std::atomic<int> failedAt{std::numeric_limits<int>::max()};
    std::mutex failureMutex;
    QString failure;
    auto work = [&] {
        NoteBuffers buffers;
        for (int i = next++; i < n && i < failedAt; i = next++) {
            QString noteWhy;
            if (WriteNote(*db.GetRecordObject(i), i, width, folderPath, entries[size_t(i)], buffers,
                          noteWhy))
                continue;
            const std::lock_guard lock(failureMutex);
            if (i < failedAt) {
                failedAt = i;
                failure = noteWhy;
            }
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (int t = 1; t < WorkerThreads(n); ++t)
            helpers.emplace_back(work);
        work();
    }
    if (failedAt != std::numeric_limits<int>::max())
        return fail(failure);
    QJsonArray notes;
    for (QJsonObject& o : entries)
        notes.append(std::move(o));
    root[QStringLiteral("notes")] = notes;

    // Whatever the file holds beyond what the fields above rebuild (a header field a save
    // would not write, bytes after a name's NUL, records out of order, gaps) is kept as the
    // original layout plus patches, used while the notes stay as they are.
    std::vector<const clsQuillaryItem*> items;
    items.reserve(size_t(n));
    for (int i = 0; i < n; ++i)
        items.push_back(db.GetRecordObject(i));
    // Rebuilt exactly as an import will: header and categories from database.json.
    PdbHeader jsonHeader{};
    std::array<uint8_t, 276> appInfo{};
    QStringList unused;
    HeaderFromJson(root, jsonHeader, appInfo, unused);
    if (!IsImage(jsonHeader, appInfo, items, fileBytes)) {
        const std::vector<uint8_t> canonical = BuildImage(jsonHeader, appInfo, items);
        PdbContainer c;
        ParsePdbContainer(fileBytes.data(), fileBytes.size(), c, nullptr);
        Layout layout;
        layout.size = fileBytes.size();
        layout.appInfoOffset = ReadBE32(h.data() + pdb::kAppInfoOffset);
        for (const auto& e : c.entries)
            layout.recordOffsets.push_back(e.offset);
        std::vector<uint8_t> placed;
        ApplyLayout(layout, jsonHeader, appInfo, items, placed);
        QJsonObject l;
        l[QStringLiteral("base_sha1")] = Sha1(canonical);
        l[QStringLiteral("size")] = double(layout.size);
        l[QStringLiteral("app_info_offset")] = double(layout.appInfoOffset);
        QJsonArray offsets;
        for (uint32_t off : layout.recordOffsets)
            offsets.append(double(off));
        l[QStringLiteral("record_offsets")] = offsets;
        QJsonArray patches;
        for (size_t i = 0; i < placed.size();) {
            if (placed[i] == fileBytes[i]) {
                ++i;
                continue;
            }
            // Runs separated by fewer than 8 equal bytes make one patch.
            size_t end = i + 1, lastDiff = i;
            while (end < placed.size() && end - lastDiff <= 8) {
                if (placed[end] != fileBytes[end])
                    lastDiff = end;
                ++end;
            }
            QJsonObject p;
            p[QStringLiteral("at")] = double(i);
            p[QStringLiteral("bytes")] = Hex(fileBytes.data() + i, lastDiff + 1 - i);
            patches.append(p);
            i = lastDiff + 1;
        }
        l[QStringLiteral("patches")] = patches;
        root[QStringLiteral("layout")] = l;
    }
    const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
    QString jsonWhy;
    if (!WriteWholeFile(folderPath + QLatin1String(kDatabaseJson), json.constData(),
                        size_t(json.size()), jsonWhy))
        return fail(jsonWhy);
    return n;
}

// ---- reading ---------------------------------------------------------------------------

bool NoteArchive::Read(const QString& dir, std::vector<uint8_t>& fileBytes, ReadReport& report) {
    report = {};
    QStringList& problems = report.problems;
    const QDir folder(dir);
    if (!folder.exists()) {
        problems
            << QStringLiteral("The folder %1 does not exist.").arg(QDir::toNativeSeparators(dir));
        return false;
    }

    const QFileInfo jsonInfo(folder.filePath(QLatin1String(kDatabaseJson)));
    if (!jsonInfo.exists()) {
        problems << QStringLiteral("%1 holds no database.json, so it is not a notes archive.")
                        .arg(QDir::toNativeSeparators(dir));
        return false;
    }
    if (!InsideFolder(jsonInfo)) {
        problems << QStringLiteral("database.json is a link or not a file; it must be a file "
                                   "in the archive folder.");
        return false;
    }
    if (jsonInfo.size() > kMaxJsonBytes) {
        problems << QStringLiteral("database.json is too large (%1 bytes).").arg(jsonInfo.size());
        return false;
    }
    QFile jsonFile(jsonInfo.filePath());
    if (!jsonFile.open(QIODevice::ReadOnly)) {
        problems << QStringLiteral("database.json cannot be read: %1").arg(jsonFile.errorString());
        return false;
    }
    QJsonParseError parseError{};
    const QJsonDocument doc = QJsonDocument::fromJson(jsonFile.readAll(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        problems << QStringLiteral("database.json is not valid JSON: %1 (at byte %2).")
                        .arg(parseError.error == QJsonParseError::NoError
                                 ? QStringLiteral("it does not hold an object")
                                 : parseError.errorString())
                        .arg(parseError.offset);
        return false;
    }
    const QJsonObject root = doc.object();
    if (root.contains(QStringLiteral("format")) &&
        root[QStringLiteral("format")].toString() != kFormatName)
        problems << QStringLiteral("database.json: \"format\" is not \"%1\".").arg(kFormatName);
    if (root[QStringLiteral("version")].toInt(kFormatVersion) > kFormatVersion)
        problems << QStringLiteral("database.json was written by a newer program (version %1).")
                        .arg(root[QStringLiteral("version")].toInt());

    PdbHeader header{};
    std::array<uint8_t, 276> appInfo{};
    HeaderFromJson(root, header, appInfo, problems);

    // The notes database.json knows, by number.
    std::map<qint64, QJsonObject> known;
    for (const QJsonValue& v : root[QStringLiteral("notes")].toArray()) {
        const QJsonObject o = v.toObject();
        const qint64 number = LeadingNumber(o[QStringLiteral("file")].toString());
        if (number < 0 || !known.emplace(number, o).second)
            problems << QStringLiteral("database.json: the note \"%1\" has no number or one "
                                       "that another note has too.")
                            .arg(o[QStringLiteral("file")].toString());
    }

    // The note files.
    std::vector<NoteFile> files;
    std::map<qint64, QString> byNumber;
    const QFileInfoList entries = folder.entryInfoList(
        QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& info : entries) {
        if (info.suffix().compare(QLatin1String("md"), Qt::CaseInsensitive) != 0 ||
            info.fileName().startsWith(u'.'))
            continue;
        if (!InsideFolder(info)) {
            problems << QStringLiteral(
                            "%1 is a link; note files must be files in the archive folder.")
                            .arg(info.fileName());
            continue;
        }
        if (info.size() > kMaxNoteFileBytes) {
            problems << QStringLiteral("%1 is %2 bytes long, far more than a note holds (1999 "
                                       "characters).")
                            .arg(info.fileName())
                            .arg(info.size());
            continue;
        }
        NoteFile f{info.fileName(), LeadingNumber(info.fileName()),
                   LeadingNumber(info.fileName(), false), info.size()};
        if (f.order < 0)
            f.order = std::numeric_limits<qint64>::max();
        if (f.number >= 0) {
            const auto [it, fresh] = byNumber.emplace(f.number, f.name);
            if (!fresh)
                problems << QStringLiteral("%1 and %2 start with the same number; each note "
                                           "needs its own.")
                                .arg(it->second, f.name);
        }
        files.push_back(f);
    }
    if (files.size() > size_t(kPdbMaxRecords))
        problems << QStringLiteral("The archive holds %1 notes; a database holds at most %2.")
                        .arg(files.size())
                        .arg(kPdbMaxRecords);
    if (!problems.isEmpty())
        return false;
    // Notes in the order of their numbers, a known note before new ones of the same
    // number, then new ones without a number; ties by name (the listing's order).
    std::stable_sort(files.begin(), files.end(), [](const NoteFile& a, const NoteFile& b) {
        if (a.order != b.order)
            return a.order < b.order;
        return a.number >= 0 && b.number < 0;
    });

    // What database.json says of each note, looked up before the threads start.
    std::vector<KnownNote> knownOf(files.size());
    std::vector<const QJsonObject*> objectOf(files.size(), nullptr);
    for (size_t k = 0; k < files.size(); ++k) {
        const auto it = files[k].number >= 0 ? known.find(files[k].number) : known.end();
        if (it == known.end())
            continue;
        const QJsonObject& o = it->second;
        objectOf[k] = &o;
        knownOf[k] = {o[QStringLiteral("file")].toString(),
                      o[QStringLiteral("text_sha1")].toString(),
                      o[QStringLiteral("picture_sha1")].toString(),
                      o.contains(QStringLiteral("picture_sha1"))};
    }
    // The note files and their pictures on every core; each note's findings are its own,
    // so problems are listed in the notes' order whatever the number of threads.
    std::vector<NoteRead> reads(files.size());
    {
        std::atomic<size_t> next{0};
        auto work = [&] {
            clsBitmap picture;
            for (size_t k = next++; k < files.size(); k = next++)
                ReadNoteFiles(folder, files[k].name, files[k].size,
                              objectOf[k] ? &knownOf[k] : nullptr, reads[k], picture);
        };
        std::vector<std::jthread> helpers;
        for (int t = 1; t < WorkerThreads(int(files.size())); ++t)
            helpers.emplace_back(work);
        work();
    }

    std::vector<std::unique_ptr<clsQuillaryItem>> items;
    items.reserve(files.size());
    for (size_t k = 0; k < files.size(); ++k) {
        if (k > 0)
            reads[k - 1] = {}; // its record holds what is needed of it
        NoteRead& r = reads[k];
        if (!r.problems.isEmpty()) {
            problems << r.problems;
            continue;
        }
        const QJsonObject* o = objectOf[k];
        const std::string& text = r.text;
        const bool textSame = r.textSame, pictureSame = r.pictureSame, havePicture = r.havePicture;
        const std::vector<uint8_t>& encoded = r.encoded;
        const QString& picturePath = r.picturePath;

        auto item = std::make_unique<clsQuillaryItem>();
        bool changed = !textSame || !pictureSame;
        if (o) {
            bool ok = true;
            const QJsonArray lead = (*o)[QStringLiteral("leading_bytes")].toArray();
            std::vector<uint8_t> rec(clsQuillaryItem::kHeaderLen, 0);
            rec[0] = uint8_t(Whole(lead.at(0), 0, 255, 0, ok));
            rec[1] = uint8_t(Whole(lead.at(1), 0, 255, 1, ok));
            std::vector<uint8_t> bytes;
            if ((*o).contains(QStringLiteral("stale"))) {
                const qint64 at = Whole((*o)[QStringLiteral("stale_at")], 1, 1999, 1, ok);
                if (!FromHex((*o)[QStringLiteral("stale")], bytes, size_t(2000 - at)))
                    ok = false;
                else
                    std::memcpy(rec.data() + 2 + at, bytes.data(), bytes.size());
            }
            std::memcpy(rec.data() + 2, text.data(), std::min<size_t>(text.size(), 1999));
            rec[2 + std::min<size_t>(text.size(), 1999)] = 0;
            if ((*o).contains(QStringLiteral("reserved"))) {
                if (!FromHex((*o)[QStringLiteral("reserved")], bytes, 12) || bytes.size() != 12)
                    ok = false;
                else
                    std::memcpy(rec.data() + 2002, bytes.data(), 12);
            }
            std::vector<uint8_t> pictureBytes(18, 0); // a new picture is set and checked below
            if (pictureSame && (*o).contains(QStringLiteral("picture_bytes"))) {
                const QByteArray raw = QByteArray::fromBase64(
                    (*o)[QStringLiteral("picture_bytes")].toString().toLatin1());
                pictureBytes.assign(raw.begin(), raw.end());
            } else if (pictureSame && havePicture) {
                pictureBytes = encoded;
            } else if (!havePicture) {
                clsBitmap blank;
                blank.InitializeBitmap(500, 500, 1);
                blank.GetPalmBitmap(pictureBytes);
            }
            if (pictureBytes.size() < 18) {
                ok = false;
            } else {
                std::memcpy(rec.data() + 2014, pictureBytes.data(), 18);
                rec.insert(rec.end(), pictureBytes.begin() + 18, pictureBytes.end());
            }
            const int category = int(Whole((*o)[QStringLiteral("category")], 0, 15, 0, ok));
            const int other = int(Whole((*o)[QStringLiteral("other_attributes")], 0, 255, 0, ok));
            item->attributes = uint8_t((other & 0xB0) | category |
                                       ((*o)[QStringLiteral("dirty")].toBool() ? 0x40 : 0));
            item->UniqueID = uint32_t(Whole((*o)[QStringLiteral("unique_id")], 0, 0xFFFFFF, 0, ok));
            std::string why;
            if (!ok || !item->ReadInItem(rec.data(), rec.size(), 0, &why) ||
                item->RecordBytes().size() != rec.size()) {
                problems << QStringLiteral("database.json: the note %1 holds values that cannot "
                                           "be stored %2")
                                .arg((*o)[QStringLiteral("file")].toString(),
                                     QString::fromStdString(why));
                continue;
            }
            // A picture that no longer fits the record is refused below like a new one.
            if (!pictureSame && havePicture) {
                std::string pwhy;
                if (!item->SetBitmapData(encoded, &pwhy)) {
                    problems << QStringLiteral("%1 cannot be this note's picture: %2")
                                    .arg(picturePath, QString::fromStdString(pwhy));
                    continue;
                }
            }
        } else {
            item->FillDefaultItemStruct(std::string_view());
            item->SetText(text);
            item->attributes = 0;
            item->UniqueID = 0;
            if (havePicture) {
                std::string pwhy;
                if (!item->SetBitmapData(encoded, &pwhy)) {
                    problems << QStringLiteral("%1 cannot be this note's picture: %2")
                                    .arg(picturePath, QString::fromStdString(pwhy));
                    continue;
                }
            }
            changed = true;
            ++report.added;
        }
        if (changed) {
            item->SetDirtyFlag(true);
            if (o)
                ++report.changed;
        }
        items.push_back(std::move(item));
    }
    for (const auto& [number, o] : known)
        if (!byNumber.count(number))
            ++report.removed;
    if (!problems.isEmpty())
        return false;

    std::vector<uint8_t> image = BuildImage(header, appInfo, items);
    if (root.contains(QStringLiteral("layout")) && report.changed == 0 && report.added == 0 &&
        report.removed == 0) {
        const QJsonObject l = root[QStringLiteral("layout")].toObject();
        if (l[QStringLiteral("base_sha1")].toString() == Sha1(image)) {
            Layout layout;
            bool ok = true;
            layout.size = size_t(Whole(l[QStringLiteral("size")], 0, qint64(1) << 31, 0, ok));
            layout.appInfoOffset =
                uint32_t(Whole(l[QStringLiteral("app_info_offset")], 0, 0xFFFFFFFFLL, 0, ok));
            for (const QJsonValue& v : l[QStringLiteral("record_offsets")].toArray())
                layout.recordOffsets.push_back(uint32_t(Whole(v, 0, 0xFFFFFFFFLL, 0, ok)));
            for (const QJsonValue& v : l[QStringLiteral("patches")].toArray()) {
                const QJsonObject p = v.toObject();
                std::vector<uint8_t> bytes;
                if (!FromHex(p[QStringLiteral("bytes")], bytes, layout.size))
                    ok = false;
                layout.patches.emplace_back(
                    size_t(Whole(p[QStringLiteral("at")], 0, qint64(1) << 31, 0, ok)),
                    std::move(bytes));
            }
            std::vector<uint8_t> placed;
            if (!ok || !ApplyLayout(layout, header, appInfo, items, placed)) {
                problems << QStringLiteral("database.json: its \"layout\" does not fit the notes.");
                return false;
            }
            image = std::move(placed);
        }
    }
    // The result must read back as a notes database. Read from a buffer, the check's
    // records refer to their bytes instead of each taking a copy.
    auto buffer = std::make_shared<FileBuffer>();
    if (!buffer->Allocate(image.size())) {
        problems << QStringLiteral("There is not enough memory to check the database.");
        return false;
    }
    std::memcpy(buffer->writable(), image.data(), image.size());
    clsDatabase check;
    std::string why;
    if (!check.LoadDatabaseBuffer(buffer, dir.toStdString(), {}, &why)) {
        problems << QString::fromStdString(why);
        return false;
    }
    report.notes = int(items.size());
    fileBytes = std::move(image);
    return true;
}

} // namespace quillary
