// An 8-bit RGB or RGBA picture in memory and its PNG writer. Row 0 is the
// image's first row, which the game samples at texture coordinate v = 0.
// Colours are linear floats in [0, 1] and are clamped when stored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

struct Color {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
    double a = 1.0;

    Color() = default;
    Color(double r, double g, double b, double a = 1.0) : r(r), g(g), b(b), a(a) {}
    Color operator+(const Color& o) const { return {r + o.r, g + o.g, b + o.b, a + o.a}; }
    Color operator*(double s) const { return {r * s, g * s, b * s, a}; }
    Color withAlpha(double alpha) const { return {r, g, b, alpha}; }
};

// Mixes colour and alpha alike.
Color mix(const Color& a, const Color& b, double t);

class Image {
public:
    Image(int width, int height, bool alpha);

    int width() const { return m_Width; }
    int height() const { return m_Height; }
    bool hasAlpha() const { return m_Channels == 4; }

    void set(int x, int y, const Color& color);
    Color get(int x, int y) const;

    // 1/n of the size, each pixel the mean of an n x n block: painted detail
    // is averaged into the smaller picture rather than skipped.
    Image reduced(int n) const;

    const std::vector<std::uint8_t>& pixels() const { return m_Pixels; }

private:
    int m_Width;
    int m_Height;
    int m_Channels;
    std::vector<std::uint8_t> m_Pixels;
};

// An image whose every pixel is shade(u, v) at its centre, u and v in [0, 1].
template <typename Shader>
Image paint(int width, int height, bool alpha, Shader shade) {
    Image image(width, height, alpha);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.set(x, y, shade((x + 0.5) / width, (y + 0.5) / height));
    return image;
}

// Writes the image as a PNG without time stamps or other varying chunks.
// Returns false (with a message on standard error) when the file cannot be written.
bool writePng(const Image& image, const std::string& path);

} // namespace assetgen
