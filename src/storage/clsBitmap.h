// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A 1-bit black-and-white picture and its two encodings: the Palm bitmap encoding a note
// record stores (16-byte header, 16-bit size word, rows compressed against the row
// above) and the 1-bit Windows .bmp file used for import and export.
//
// Pixels: rows of RowBytes() bytes, row y at y * RowBytes(); pixel x is bit 7 - (x % 8)
// of byte x / 8 (most significant bit = leftmost); a set bit is black. RowBytes() is
// depth * width / 8 rounded up to a multiple of 4, so rows line up with .bmp rows.
//
// Width and height stay between 1 and kMaxDimension: the handheld keeps them as signed
// 16-bit coordinates, and a 0-pixel picture has no representation.
//
// Loaders never throw and never read outside the buffer they are given; on failure they
// return false, leave the picture unchanged and put a short reason into *error.
class clsBitmap {
public:
    static constexpr int32_t kMaxDimension = 32767;
    // Bytes before the compressed rows: 16-byte header plus the 16-bit size word.
    static constexpr size_t kPalmPrefixBytes = 18;
    static constexpr size_t kBmpHeaderBytes = 62;

    clsBitmap(); // InitializeBitmap(100, 100, 1)

    // Sets the size and depth and makes an all-white picture. Values are clamped to
    // 1..kMaxDimension (depth to 1..32).
    void InitializeBitmap(int32_t width, int32_t height, int16_t depth);

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    int16_t Depth() const { return m_depth; }
    int32_t RowBytes() const { return m_rowBytes; }

    // Change the size, keeping the pixels that remain inside; new area is white.
    void SetWidth(int32_t w);
    void SetHeight(int32_t h);

    // Coordinates outside the picture read as white and are not written.
    bool GetPixel(int32_t x, int32_t y) const;
    void SetPixel(int32_t x, int32_t y, bool value);

    const std::vector<uint8_t>& Data() const { return m_data; }
    std::vector<uint8_t>& Data() { return m_data; }
    // Copies of the pixel array (the names the note code uses).
    void GetDataPtr(std::vector<uint8_t>& out) const { out = m_data; }
    void CopyItemBytes(std::vector<uint8_t>& out) const { out = m_data; }

    // The Palm encoding: header (flags 1), size word S, compressed rows and the closing
    // zero flag byte. Always the compressed form: a note record finds the picture's length
    // only through the size word. For very large pictures S can exceed 65535; the size
    // word then holds S mod 65536, so callers that store the result check its length
    // (clsQuillaryItem::SetBitmapChecked does).
    void GetPalmBitmap(std::vector<uint8_t>& out) const;
    // Compressed length (S) of the current picture without building the encoding.
    size_t PalmDataSize() const;

    // Replaces the picture by the Palm encoding in bytes[0, size). The compressed rows
    // must lie within the S bytes the size word announces; bytes after them are ignored.
    bool LoadPalmBitmap(const uint8_t* bytes, size_t size, std::string* error = nullptr);
    bool LoadPalmBitmap(const std::vector<uint8_t>& bytes, std::string* error = nullptr) {
        return LoadPalmBitmap(bytes.data(), bytes.size(), error);
    }
    // Checks a Palm encoding as LoadPalmBitmap would, without building the pixels.
    static bool CheckPalmBitmap(const uint8_t* bytes, size_t size, std::string* error = nullptr);
    // Width and height of a Palm encoding after the header checks LoadPalmBitmap makes,
    // without reading the compressed rows.
    static bool GetPalmBitmapSize(const uint8_t* bytes, size_t size, int32_t& width,
                                  int32_t& height, std::string* error = nullptr);

    // Windows .bmp, 1 bit per pixel, bottom-up. The reader honours the pixel offset and
    // the palette order (a file whose entry 0 is the lighter colour is not inverted).
    bool LoadWinBmp(const uint8_t* bytes, size_t size, std::string* error = nullptr);
    std::vector<uint8_t> GetWinBmp() const; // the whole .bmp file
    // File wrappers; their errors name the file.
    bool LoadWinBmpFile(const std::string& path, std::string* error = nullptr);
    bool SaveWinBmpFile(const std::string& path, std::string* error = nullptr) const;

    // Remove blank columns at the right / blank rows at the bottom; stop at 1 pixel.
    void RightClip();
    void BottomClip();

    bool operator==(const clsBitmap& other) const;

    // depth * width / 8 rounded up to a multiple of 4.
    static int32_t RoundUpRowBytes(int32_t width, int16_t depth);

private:
    void ClearPaddingBits();

    int32_t m_width = 0;
    int32_t m_height = 0;
    int16_t m_depth = 1;
    int32_t m_rowBytes = 0;
    std::vector<uint8_t> m_data;
};
