#include "tools/assetgen/image.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace assetgen {

Color mix(const Color& a, const Color& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

Image::Image(int width, int height, bool alpha)
    : m_Width(width), m_Height(height), m_Channels(alpha ? 4 : 3),
      m_Pixels(static_cast<std::size_t>(width) * height * m_Channels, 0) {}

namespace {

std::uint8_t toByte(double value) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0, 1.0) * 255.0));
}

} // namespace

Image Image::reduced(int n) const {
    Image result(m_Width / n, m_Height / n, hasAlpha());
    const double share = 1.0 / (n * n);
    for (int y = 0; y < result.m_Height; ++y) {
        for (int x = 0; x < result.m_Width; ++x) {
            Color sum(0, 0, 0, 0);
            for (int dy = 0; dy < n; ++dy)
                for (int dx = 0; dx < n; ++dx)
                    sum = sum + get(x * n + dx, y * n + dy);
            result.set(x, y, Color(sum.r * share, sum.g * share, sum.b * share, sum.a * share));
        }
    }
    return result;
}

void Image::set(int x, int y, const Color& color) {
    std::uint8_t* p = &m_Pixels[(static_cast<std::size_t>(y) * m_Width + x) * m_Channels];
    p[0] = toByte(color.r);
    p[1] = toByte(color.g);
    p[2] = toByte(color.b);
    if (m_Channels == 4)
        p[3] = toByte(color.a);
}

Color Image::get(int x, int y) const {
    const std::uint8_t* p = &m_Pixels[(static_cast<std::size_t>(y) * m_Width + x) * m_Channels];
    const double a = m_Channels == 4 ? p[3] / 255.0 : 1.0;
    return {p[0] / 255.0, p[1] / 255.0, p[2] / 255.0, a};
}

bool writePng(const Image& image, const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                         std::fclose);
    if (!file) {
        std::fprintf(stderr, "assetgen: cannot write '%s'\n", path.c_str());
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fprintf(stderr, "assetgen: PNG encoding of '%s' failed\n", path.c_str());
        return false;
    }
    png_init_io(png, file.get());
    png_set_compression_level(png, 6);
    const int type = image.hasAlpha() ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(png, info, image.width(), image.height(), 8, type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t stride = static_cast<std::size_t>(image.width()) * (image.hasAlpha() ? 4 : 3);
    for (int y = 0; y < image.height(); ++y)
        png_write_row(png, const_cast<png_bytep>(&image.pixels()[stride * y]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace assetgen
