// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class clsBitmap;
namespace quillary {
struct FileBuffer;
}

// One note record, kept as its raw bytes: a 2032-byte header holding the note's text,
// followed by its picture in the Palm bitmap encoding.
//
//   0     2     header bytes (00 01 in a new note), kept as read
//   2     2000  text, Windows-1252, NUL-terminated, at most 1999 characters, LF line ends
//   2002  12    unused, kept as read
//   2014  16    Palm bitmap header
//   2030  2     picture data size S (unsigned 16-bit, big-endian)
//   2032  S     compressed picture data
//
// Text and picture go into the record bytes as soon as they are set, so writing a record
// is a copy of its bytes. Texts are raw Windows-1252 bytes.
//
// A record read from a shared file buffer refers to its bytes there until it is changed
// (or its bytes are asked for as a vector); only then does it get a copy of its own.
class clsQuillaryItem {
public:
    static constexpr size_t kHeaderLen = 2032;
    static constexpr size_t kTextOffset = 2;
    static constexpr size_t kMaxTextChars = 1999;
    static constexpr size_t kBitmapOffset = 2014;
    // The handheld keeps a record in one memory chunk of at most 64 KB - 1 bytes, so a
    // picture may carry at most 65535 - 2032 = 63503 bytes of compressed data.
    static constexpr size_t kMaxRecordBytes = 65535;
    static constexpr size_t kMaxPictureData = kMaxRecordBytes - kHeaderLen;

    uint8_t attributes = 0; // 0x40 dirty (changed since the last HotSync), low 4 bits category
    uint32_t UniqueID = 0;  // 24-bit record ID; 0 for notes made on the PC

    clsQuillaryItem(); // an empty one-byte record; use FillDefaultItemStruct or ReadInItem

    // A number no other note object of this process has had or will have: every new
    // object, copy or assignment gets a fresh one. Unlike the address (reused once a note
    // is freed) or UniqueID (0 for every note made on the PC) it can key what belongs to
    // one note object only, such as its picture's undo history.
    uint64_t Serial() const { return m_serial.value; }

    size_t HeaderLen() const { return kHeaderLen; }
    // The size word at 2030..2031, read unsigned (0 for a record too short to hold it).
    uint16_t BitmapDataSize() const;
    // Record length + 8 (its record-list entry).
    int32_t BytesSize() const { return int32_t(RecordSize() + 8); }

    // Reads the record starting at byte offset recPos of file[0, fileSize). Fails, changing
    // nothing, when the header or the picture data run past the end of the file.
    bool ReadInItem(const uint8_t* file, size_t fileSize, size_t recPos, std::string* error);
    // The same, keeping a reference to the buffer instead of copying the record.
    bool ReadInItem(const std::shared_ptr<const quillary::FileBuffer>& file, size_t recPos,
                    std::string* error);
    // A new item reading its record that way (null, with *error, when it does not fit):
    // opening a file makes thousands, and this one allocates nothing of its own.
    static std::unique_ptr<clsQuillaryItem>
    ReadShared(const std::shared_ptr<const quillary::FileBuffer>& file, size_t recPos,
               std::string* error);
    // Appends the record bytes; returns their count.
    size_t WriteRawDataImage(std::vector<uint8_t>& out) const;
    size_t WriteOutItem(std::vector<uint8_t>& out) const { return WriteRawDataImage(out); }
    // Appends the text with every CR written as a space, then a NUL.
    void WriteTextDataImage(std::vector<uint8_t>& out) const;
    const std::vector<uint8_t>& RecordBytes() const;
    // The record bytes wherever they are (valid until the record is changed or destroyed).
    const uint8_t* RecordData() const { return m_shared ? m_shared : m_record.data(); }
    size_t RecordSize() const { return m_shared ? m_sharedSize : m_record.size(); }

    // The text with CR LF line ends (the record stores LF).
    std::string Text() const;
    // Stores t without its CRs, cut to the first 1999 characters the record holds (Text()
    // then gives exactly those).
    void SetText(std::string_view t);
    // The stored text as is (LF line ends).
    const std::string& RawText() const {
        if (!m_textRead)
            ReadText();
        return m_text;
    }
    // The same without a copy: valid until the note is changed or destroyed.
    std::string_view StoredText() const;

    // Record bytes 2014 .. 2031 + S: the picture's Palm encoding.
    void GetBitmapData(std::vector<uint8_t>& out) const;
    // Replaces the picture by a Palm encoding (16-byte header, size word, data). Refuses,
    // keeping the previous picture, an encoding whose size word does not match its length
    // or whose record would exceed kMaxRecordBytes.
    bool SetBitmapData(const std::vector<uint8_t>& bytes, std::string* error = nullptr);
    // Convenience: encode / decode through clsBitmap, with the same checks.
    bool SetBitmap(const clsBitmap& bitmap, std::string* error = nullptr);
    bool GetBitmap(clsBitmap& bitmap, std::string* error = nullptr) const;
    // The picture's width and height from its header, checked as GetBitmap checks the
    // header, without decoding the rows.
    bool GetBitmapSize(int32_t& width, int32_t& height, std::string* error = nullptr) const;

    bool DirtyFlag() const { return (attributes & 0x40) != 0; }
    void SetDirtyFlag(bool dirty);
    int CategoryIndex() const { return attributes & 0x0F; }

    // Makes this a new note: header bytes 00 01, the given title as text, a blank
    // 500 x 500 picture. attributes and UniqueID are left alone.
    void FillDefaultItemStruct(std::string_view title);
    // The same with DefaultTitle().
    void FillDefaultItemStruct();
    // "<short date> H:MM am - " in the C library's current locale, lower-cased.
    static std::string DefaultTitle();

    // Fills text and picture from files; the result reports the picture only. A missing
    // or unreadable file is described in *messages (one line per problem) and leaves that
    // part of the note as it was; so does a UTF-8 text holding characters the handheld
    // cannot store (quillary::ImportTextToCp1252). A long text is cut (SetText).
    bool ImportNoteItem(const std::string& textFilePath, const std::string& bitmapFilePath,
                        std::vector<std::string>* messages = nullptr);
    // Replaces the picture from a 1-bit .bmp. A missing file gives
    // "<path> not found.\r\nImport Aborted: the picture was not changed."; a file that cannot be
    // read gives its reason. The picture stays as it was in both cases.
    bool ImportBitmapItem(const std::string& bitmapFilePath, std::string* error = nullptr);

    // Text files for notes larger than this are refused (a note keeps 1999 characters).
    static constexpr uint64_t kMaxTextFileBytes = 16u << 20;

    // A copy of inString with CR inserted before every LF; returns the new length.
    static size_t LFtoCRLF(std::string_view inString, std::string& outString);

private:
    struct NoRecord {};
    explicit clsQuillaryItem(NoRecord) {}

    // Gives the record a copy of its bytes (before a change) and lets go of the buffer.
    void Own() const;

    // A note's text is taken from its record when first asked for: opening, saving or
    // listing a database then copies no texts.
    void ReadText() const;

    struct NoteSerial {
        NoteSerial() : value(Next()) {}
        NoteSerial(const NoteSerial&) : value(Next()) {}
        NoteSerial& operator=(const NoteSerial&) {
            value = Next();
            return *this;
        }
        static uint64_t Next();
        uint64_t value;
    };
    NoteSerial m_serial;

    mutable std::vector<uint8_t> m_record;
    mutable std::string m_text;
    mutable bool m_textRead = true;
    // While set, the record's bytes are m_shared[0, m_sharedSize) inside m_file.
    mutable std::shared_ptr<const quillary::FileBuffer> m_file;
    mutable const uint8_t* m_shared = nullptr;
    mutable size_t m_sharedSize = 0;
};
