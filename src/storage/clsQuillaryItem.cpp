// SPDX-License-Identifier: GPL-3.0-or-later
#include "clsQuillaryItem.h"

#include "ByteOrder.h"
#include "FileIO.h"
#include "ImportFormats.h"
#include "clsBitmap.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <ctime>
#include <filesystem>

using namespace quillary;

namespace {

// The compressed blank 500 x 500 picture every new note starts with.
const std::vector<uint8_t>& BlankNotePicture() {
    static const std::vector<uint8_t> bytes = [] {
        clsBitmap blank;
        blank.InitializeBitmap(500, 500, 1);
        std::vector<uint8_t> out;
        blank.GetPalmBitmap(out);
        return out;
    }();
    return bytes;
}

} // namespace

clsQuillaryItem::clsQuillaryItem() : m_record(1, 0) {}

uint64_t clsQuillaryItem::NoteSerial::Next() {
    static std::atomic<uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint16_t clsQuillaryItem::BitmapDataSize() const {
    if (RecordSize() < kHeaderLen)
        return 0;
    return ReadBE16(RecordData() + kHeaderLen - 2);
}

void clsQuillaryItem::Own() const {
    if (!m_shared)
        return;
    m_record.assign(m_shared, m_shared + m_sharedSize);
    m_shared = nullptr;
    m_sharedSize = 0;
    m_file.reset();
}

const std::vector<uint8_t>& clsQuillaryItem::RecordBytes() const {
    Own();
    return m_record;
}

namespace {

// Where the record starting at recPos ends, or a reason it does not fit the file.
bool RecordLength(const uint8_t* file, size_t fileSize, size_t recPos, size_t& length,
                  std::string* error) {
    constexpr size_t kHeaderLen = clsQuillaryItem::kHeaderLen;
    if (recPos > fileSize || fileSize - recPos < kHeaderLen)
        return Fail(error, "the note starting at offset " + std::to_string(recPos) +
                               " is cut short: its 2032-byte header runs past the end of the "
                               "file.");
    const size_t s = ReadBE16(file + recPos + kHeaderLen - 2);
    if (fileSize - recPos - kHeaderLen < s)
        return Fail(error, "the note starting at offset " + std::to_string(recPos) +
                               " has a picture data size of " + std::to_string(s) +
                               " bytes, more than the " +
                               std::to_string(fileSize - recPos - kHeaderLen) +
                               " bytes left in the file.");
    length = kHeaderLen + s;
    return true;
}

} // namespace

bool clsQuillaryItem::ReadInItem(const uint8_t* file, size_t fileSize, size_t recPos,
                                 std::string* error) {
    size_t length = 0;
    if (!RecordLength(file, fileSize, recPos, length, error))
        return false;
    m_record.assign(file + recPos, file + recPos + length);
    m_file.reset();
    m_shared = nullptr;
    m_sharedSize = 0;
    m_text.clear();
    m_textRead = false;
    return true;
}

bool clsQuillaryItem::ReadInItem(const std::shared_ptr<const FileBuffer>& file, size_t recPos,
                                 std::string* error) {
    if (!file)
        return Fail(error, "there is no file to read the note from.");
    size_t length = 0;
    if (!RecordLength(file->data(), file->size, recPos, length, error))
        return false;
    m_file = file;
    m_shared = file->data() + recPos;
    m_sharedSize = length;
    m_record.clear();
    m_record.shrink_to_fit();
    m_text.clear();
    m_textRead = false;
    return true;
}

std::unique_ptr<clsQuillaryItem>
clsQuillaryItem::ReadShared(const std::shared_ptr<const FileBuffer>& file, size_t recPos,
                            std::string* error) {
    std::unique_ptr<clsQuillaryItem> item(new clsQuillaryItem(NoRecord{}));
    if (!item->ReadInItem(file, recPos, error))
        return nullptr;
    return item;
}

size_t clsQuillaryItem::WriteRawDataImage(std::vector<uint8_t>& out) const {
    out.insert(out.end(), RecordData(), RecordData() + RecordSize());
    return RecordSize();
}

std::string_view clsQuillaryItem::StoredText() const {
    if (m_textRead)
        return m_text;
    // A record that was read holds at least its whole header (RecordLength checks it).
    const char* text = reinterpret_cast<const char*>(RecordData() + kTextOffset);
    return {text, strnlen(text, kMaxTextChars + 1)};
}

void clsQuillaryItem::ReadText() const {
    m_text.assign(StoredText());
    m_textRead = true;
}

void clsQuillaryItem::WriteTextDataImage(std::vector<uint8_t>& out) const {
    for (char c : RawText())
        out.push_back(c == '\r' ? uint8_t(' ') : uint8_t(c));
    out.push_back(0);
}

size_t clsQuillaryItem::LFtoCRLF(std::string_view inString, std::string& outString) {
    std::string out;
    out.reserve(inString.size() + inString.size() / 16 + 8);
    for (char c : inString) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    outString.swap(out);
    return outString.size();
}

std::string clsQuillaryItem::Text() const {
    std::string out;
    LFtoCRLF(RawText(), out);
    return out;
}

void clsQuillaryItem::SetText(std::string_view t) {
    std::string stored;
    stored.reserve(t.size());
    for (char c : t)
        if (c != '\r')
            stored += c;
    // Text() must show what a save writes: a longer text would look whole until the note
    // was read again. Imports split long texts before they get here.
    if (stored.size() > kMaxTextChars)
        stored.resize(kMaxTextChars);
    m_text = std::move(stored);
    m_textRead = true;
    Own();
    // A record that never got its header (a fresh object) is made long enough to hold it.
    if (m_record.size() < kHeaderLen)
        m_record.resize(kHeaderLen, 0);
    const size_t n = std::min(m_text.size(), kMaxTextChars);
    std::memcpy(m_record.data() + kTextOffset, m_text.data(), n);
    m_record[kTextOffset + n] = 0;
}

void clsQuillaryItem::GetBitmapData(std::vector<uint8_t>& out) const {
    if (RecordSize() < kHeaderLen) {
        out.assign(kHeaderLen - kBitmapOffset, 0);
        return;
    }
    out.assign(RecordData() + kBitmapOffset, RecordData() + kHeaderLen + BitmapDataSize());
}

bool clsQuillaryItem::SetBitmapData(const std::vector<uint8_t>& bytes, std::string* error) {
    const size_t prefix = kHeaderLen - kBitmapOffset;
    if (bytes.size() < prefix)
        return Fail(error, "the picture encoding is cut short (" + std::to_string(bytes.size()) +
                               " bytes).");
    const size_t s = bytes.size() - prefix;
    if (s > kMaxPictureData)
        return Fail(error, "the picture needs " + std::to_string(s) +
                               " bytes when compressed; a note can hold at most " +
                               std::to_string(kMaxPictureData) +
                               ". Use a smaller or simpler picture.");
    if (ReadBE16(bytes.data() + prefix - 2) != s)
        return Fail(error, "the picture encoding's size word does not match its length.");
    Own();
    if (m_record.size() < kHeaderLen)
        m_record.resize(kHeaderLen, 0);
    m_record.resize(kBitmapOffset + bytes.size());
    std::memcpy(m_record.data() + kBitmapOffset, bytes.data(), bytes.size());
    return true;
}

bool clsQuillaryItem::SetBitmap(const clsBitmap& bitmap, std::string* error) {
    std::vector<uint8_t> bytes;
    bitmap.GetPalmBitmap(bytes);
    return SetBitmapData(bytes, error);
}

bool clsQuillaryItem::GetBitmap(clsBitmap& bitmap, std::string* error) const {
    if (RecordSize() < kHeaderLen)
        return Fail(error, "the note has no picture.");
    return bitmap.LoadPalmBitmap(RecordData() + kBitmapOffset, RecordSize() - kBitmapOffset, error);
}

bool clsQuillaryItem::GetBitmapSize(int32_t& width, int32_t& height, std::string* error) const {
    if (RecordSize() < kHeaderLen)
        return Fail(error, "the note has no picture.");
    return clsBitmap::GetPalmBitmapSize(RecordData() + kBitmapOffset, RecordSize() - kBitmapOffset,
                                        width, height, error);
}

void clsQuillaryItem::SetDirtyFlag(bool dirty) {
    attributes = dirty ? uint8_t(attributes | 0x40) : uint8_t(attributes & ~0x40);
}

void clsQuillaryItem::FillDefaultItemStruct(std::string_view title) {
    Own();
    m_record.assign(kHeaderLen, 0);
    m_record[0] = 0;
    m_record[1] = 1;
    SetText(title);
    SetBitmapData(BlankNotePicture());
}

void clsQuillaryItem::FillDefaultItemStruct() {
    FillDefaultItemStruct(DefaultTitle());
}

std::string clsQuillaryItem::DefaultTitle() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#if defined(_WIN32)
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char date[64] = {};
    char ampm[16] = {};
    std::strftime(date, sizeof date, "%x", &local);
    std::strftime(ampm, sizeof ampm, "%p", &local);
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    char time[32];
    std::snprintf(time, sizeof time, "%d:%02d", hour12, local.tm_min);
    std::string title = std::string(date) + " " + time + " " + ampm + " - ";
    for (char& c : title)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return title;
}

bool clsQuillaryItem::ImportNoteItem(const std::string& textFilePath,
                                     const std::string& bitmapFilePath,
                                     std::vector<std::string>* messages) {
    bool result = false;
    std::string why;
    if (!bitmapFilePath.empty()) {
        result = ImportBitmapItem(bitmapFilePath, &why);
        if (!result && messages)
            messages->push_back(why);
    }
    if (!textFilePath.empty()) {
        std::error_code ec;
        if (std::filesystem::exists(textFilePath, ec)) {
            std::vector<uint8_t> bytes;
            std::string text;
            std::vector<std::string> problems;
            if (!ReadWholeFile(textFilePath, bytes, &why, kMaxTextFileBytes))
                problems.push_back(why);
            else if (quillary::ImportTextToCp1252(
                         std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                          bytes.size()),
                         textFilePath, text, problems))
                SetText(text);
            if (messages)
                messages->insert(messages->end(), problems.begin(), problems.end());
        }
    }
    return result;
}

bool clsQuillaryItem::ImportBitmapItem(const std::string& bitmapFilePath, std::string* error) {
    std::error_code ec;
    if (bitmapFilePath.empty() || !std::filesystem::exists(bitmapFilePath, ec))
        return Fail(error,
                    bitmapFilePath + " not found.\r\nImport Aborted: the picture was not changed.");
    clsBitmap bitmap;
    if (!bitmap.LoadWinBmpFile(bitmapFilePath, error))
        return false;
    std::string why;
    if (!SetBitmap(bitmap, &why))
        return Fail(error, bitmapFilePath + ": " + why);
    return true;
}
