#include "PngWriter.h"

#include "storage/clsBitmap.h"

#include <png.h>
#include <zlib.h>

#include <csetjmp>

namespace quillary {

namespace {

struct Sink {
    std::vector<uint8_t>* out;
    std::string reason;
};

void Append(png_structp png, png_bytep data, png_size_t length) {
    auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
    sink->out->insert(sink->out->end(), data, data + length);
}

void Flush(png_structp) {}

void OnError(png_structp png, png_const_charp message) {
    auto* sink = static_cast<Sink*>(png_get_error_ptr(png));
    sink->reason = message ? message : "unknown error";
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Everything that may jump back on a libpng error, in a frame without C++ objects.
bool WritePicture(png_structp png, png_infop info, const uint8_t* data, size_t stride,
                  uint32_t width, uint32_t height, uint8_t* row, size_t lineBytes) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_IHDR(png, info, width, height, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Filters do not help 1-bit pictures; run-length deflate suits their long runs of white
    // and is several times faster than the default search.
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_set_compression_strategy(png, Z_RLE);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    for (uint32_t y = 0; y < height; ++y) {
        // The picture stores 1 = black.
        const uint8_t* src = data + size_t(y) * stride;
        for (size_t i = 0; i < lineBytes; ++i)
            row[i] = uint8_t(~src[i]);
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    return true;
}

} // namespace

bool EncodePng(const clsBitmap& bitmap, std::vector<uint8_t>& out, std::string* error) {
    out.clear();
    out.reserve(4096);
    const uint32_t w = uint32_t(bitmap.Width()), h = uint32_t(bitmap.Height());
    const size_t lineBytes = (size_t(w) + 7) / 8;
    std::vector<uint8_t> row(lineBytes);
    Sink sink{&out, {}};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (png && info) {
        png_set_write_fn(png, &sink, Append, Flush);
        ok = WritePicture(png, info, bitmap.Data().data(), size_t(bitmap.RowBytes()), w, h,
                          row.data(), lineBytes);
    }
    if (png)
        png_destroy_write_struct(&png, info ? &info : nullptr);
    if (!ok && error)
        *error = sink.reason.empty() ? "the PNG encoder could not start" : sink.reason;
    return ok;
}

} // namespace quillary
