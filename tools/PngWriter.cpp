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

} // namespace

bool EncodePng(const clsBitmap& bitmap, std::vector<uint8_t>& out, std::string* error) {
    out.clear();
    const uint32_t w = uint32_t(bitmap.Width()), h = uint32_t(bitmap.Height());
    const size_t lineBytes = (size_t(w) + 7) / 8;
    // One inverted row at a time: the picture stores 1 = black.
    std::vector<uint8_t> row(lineBytes);
    Sink sink{&out, {}};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, OnError, OnWarning);
    if (!png) {
        if (error)
            *error = "the PNG encoder could not start";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        if (error)
            *error = sink.reason.empty() ? "the PNG encoder could not start" : sink.reason;
        return false;
    }
    out.reserve(4096);
    png_set_write_fn(png, &sink, Append, Flush);
    png_set_IHDR(png, info, w, h, 1, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // Filters do not help 1-bit pictures; run-length deflate suits their long runs of white
    // and is several times faster than the default search.
    png_set_filter(png, 0, PNG_FILTER_NONE);
    png_set_compression_strategy(png, Z_RLE);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    const uint8_t* data = bitmap.Data().data();
    const size_t stride = size_t(bitmap.RowBytes());
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* src = data + size_t(y) * stride;
        for (size_t i = 0; i < lineBytes; ++i)
            row[i] = uint8_t(~src[i]);
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace quillary
