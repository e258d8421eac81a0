#include "support/png_file.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

namespace TestSupport {
namespace {

bool writeRows(FILE* file, const PngImage& image, size_t stride) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), image.bitDepth,
                 image.colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int row = 0; row < image.height; ++row)
        png_write_row(png, image.rows.data() + row * stride);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool writePng(const std::string& path, const PngImage& image) {
    const int channels[7] = {1, 0, 3, 1, 2, 0, 4}; // by PNG colour type
    const size_t stride =
        (size_t(image.width) * channels[image.colorType] * image.bitDepth + 7) / 8;
    FILE* file =
        image.rows.size() < stride * image.height ? nullptr : std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "writePng: too few pixel bytes or cannot open %s\n", path.c_str());
        return false;
    }
    const bool written = writeRows(file, image, stride);
    std::fclose(file);
    if (!written)
        std::fprintf(stderr, "writePng: libpng failed on %s\n", path.c_str());
    return written;
}

} // namespace TestSupport
