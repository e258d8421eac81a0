#include "support/png_file.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

namespace TestSupport {
namespace {

size_t rowBytes(const PngImage& image) {
    int channels = 1;
    if (image.colorType == PNG_COLOR_TYPE_RGB)
        channels = 3;
    else if (image.colorType == PNG_COLOR_TYPE_RGBA)
        channels = 4;
    else if (image.colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        channels = 2;
    return (size_t(image.width) * channels * image.bitDepth + 7) / 8;
}

bool writeRows(FILE* file, const PngImage& image) {
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
    std::vector<png_color> palette;
    for (size_t i = 0; i + 2 < image.palette.size(); i += 3)
        palette.push_back({image.palette[i], image.palette[i + 1], image.palette[i + 2]});
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    if (!image.transparency.empty())
        png_set_tRNS(png, info, image.transparency.data(), int(image.transparency.size()), nullptr);
    png_write_info(png, info);
    const size_t stride = rowBytes(image);
    for (int row = 0; row < image.height; ++row)
        png_write_row(png, image.rows.data() + row * stride);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool writePng(const std::string& path, const PngImage& image) {
    if (image.rows.size() < rowBytes(image) * image.height) {
        std::fprintf(stderr, "writePng: too few pixel bytes for %s\n", path.c_str());
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "writePng: cannot open %s\n", path.c_str());
        return false;
    }
    const bool written = writeRows(file, image);
    std::fclose(file);
    if (!written)
        std::fprintf(stderr, "writePng: libpng failed on %s\n", path.c_str());
    return written;
}

bool writeRgbaPngBottomUp(const std::string& path, int width, int height,
                          const std::vector<uint8_t>& rgba) {
    PngImage image;
    image.width = width;
    image.height = height;
    image.colorType = PNG_COLOR_TYPE_RGBA;
    const size_t stride = size_t(width) * 4;
    image.rows.resize(stride * height);
    for (int row = 0; row < height; ++row) {
        const uint8_t* source = rgba.data() + (height - 1 - row) * stride;
        std::copy(source, source + stride, image.rows.begin() + row * stride);
    }
    return writePng(path, image);
}

} // namespace TestSupport
