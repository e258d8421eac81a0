#include "engine/renderdevice/texture.h"

#include "support/assertion_recorder.h"
#include "support/temp_dir.h"
#include "support/test_images.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

using TestSupport::RecordingTexture;
using TestSupport::TempDir;
using TestSupport::TestImage;

namespace {

// Every decoded layout reaches create as rows of exactly width pixels of 3 or 4
// bytes, with the colours the file holds.
TEST(TextureTest, LoadPacksEveryLayoutIntoRgbOrRgba) {
    TempDir dir;
    for (const TestImage& image : TestSupport::makeTestImages()) {
        SCOPED_TRACE(image.name);
        const std::string path = dir.file(image.name + ".png");
        ASSERT_TRUE(TestSupport::writePng(path, image.png));

        RecordingTexture texture;
        texture.m_Format = Kestrel::FORMAT_ALPHA;
        texture.m_Width = texture.m_Height = 12345;
        ASSERT_TRUE(texture.load(path));
        EXPECT_EQ(texture.m_Format, image.hasAlpha ? Kestrel::FORMAT_RGBA : Kestrel::FORMAT_RGB);
        ASSERT_EQ(texture.m_Width, unsigned(image.png.width));
        ASSERT_EQ(texture.m_Height, unsigned(image.png.height));

        const int bpp = image.hasAlpha ? 4 : 3;
        int mismatches = 0;
        for (int y = 0; y < image.png.height; ++y) {
            for (int x = 0; x < image.png.width; ++x) {
                const uint8_t* p = &texture.m_Pixels[(size_t(y) * image.png.width + x) * bpp];
                const TestSupport::Rgba8 e = image.expected(x, y);
                if (p[0] != e.r || p[1] != e.g || p[2] != e.b || (bpp == 4 && p[3] != e.a))
                    ++mismatches;
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(TextureTest, LoadRefusesEmptyPathAndUndecodableFiles) {
    TestSupport::AssertionRecorder assertions;
    {
        RecordingTexture texture;
        EXPECT_FALSE(texture.load(""));
        EXPECT_TRUE(assertions.reports().empty()) << "the decoder must not run";
        EXPECT_FALSE(texture.m_Created);
    }
    {
        TempDir dir;
        dir.write("broken.png", "\x89PNG\r\n\x1a\n but nothing after the signature");
        RecordingTexture texture;
        EXPECT_FALSE(texture.load(dir.file("broken.png")));
        EXPECT_TRUE(assertions.reported("image != null"));
        EXPECT_FALSE(texture.m_Created);
    }
    {
        assertions.clear();
        RecordingTexture texture;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(texture.load("/nonexistent/formik/missing.png"));
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Error: Texture file '/nonexistent/formik/missing.png' could not be opened.\n");
        EXPECT_TRUE(assertions.reported("image != null"));
    }
}

std::string fileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The same picture in every format reaches create as the PNG's pixels, lossy
// formats within a tolerance; alpha, where a decoder adds it, is opaque.
TEST(TextureTest, EveryFormatDecodesToThePixelsOfThePng) {
    const std::vector<std::string> files = TestSupport::quadrantImageFiles();
    ASSERT_GE(files.size(), 10u);
    RecordingTexture png;
    ASSERT_TRUE(png.load(files[0]));
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        RecordingTexture texture;
        texture.m_Width = texture.m_Height = 12345;
        ASSERT_TRUE(texture.load(path));
        ASSERT_EQ(texture.m_Width, png.m_Width);
        ASSERT_EQ(texture.m_Height, png.m_Height);
        const size_t bpp = texture.m_Format == Kestrel::FORMAT_RGBA ? 4 : 3;
        const bool lossy =
            path.find(".jpg") != std::string::npos || path.find(".webp") != std::string::npos;
        int worst = 0;
        for (size_t i = 0; i < size_t(png.m_Width) * png.m_Height; ++i) {
            // Lossy formats blur colour across the quadrant borders.
            const bool border = (i % png.m_Width + 2) % 8 < 4 || (i / png.m_Width + 2) % 8 < 4;
            for (size_t c = 0; c < bpp && !(lossy && border); ++c) {
                const int expected = c < 3 ? png.m_Pixels[i * 3 + c] : 255;
                worst = std::max(worst, std::abs(texture.m_Pixels[i * bpp + c] - expected));
            }
        }
        EXPECT_LE(worst, lossy ? TestSupport::LOSSY_TOLERANCE : 0);
    }
}

// A string of every byte of the literal, zeros included.
template <size_t N>
std::string raw(const char (&text)[N]) {
    return std::string(text, N - 1);
}

// Loads the bytes from a file of the given name, which must fail, and returns
// what was printed.
std::string refusal(const std::string& name, const std::string& bytes) {
    TempDir dir;
    dir.write(name, bytes);
    RecordingTexture texture;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(texture.load(dir.file(name)));
    EXPECT_FALSE(texture.m_Created);
    return testing::internal::GetCapturedStdout();
}

// Copies of the pictures cut in half or with a field changed are refused, named,
// before the image library reads them (its readers hang or crash on some).
TEST(TextureTest, BrokenFilesOfEveryFormatAreRefusedByName) {
    TestSupport::AssertionRecorder quiet;
    for (const std::string& path : TestSupport::quadrantImageFiles()) {
        const std::string bytes = fileBytes(path);
        const std::string name = "half" + path.substr(path.rfind('.'));
        const std::string output = refusal(name, bytes.substr(0, bytes.size() / 2));
        EXPECT_NE(output.find(name + "' is cut short."), std::string::npos) << output;
    }
    struct Case {
        const char* file;     // in the image corpus
        std::string from, to; // the first `from` becomes `to`
        const char* message;
    };
    const char* const SIZE = "has no size between 1 and 8192 pixels per side";
    const std::vector<Case> cases = {
        // A text chunk past the end: the image library read the same chunk for ever.
        {"chunk-past-end.png", "", "", "is cut short"},
        {"quadrants.png", "IHDR", "IDAT", "does not start with an image header"},
        // 100000 x 16: refused from the header, decoding would allocate 40 GB.
        {"quadrants.png", raw("IHDR\0\0\0\x10"), raw("IHDR\0\x01\x86\xa0"), SIZE},
        {"quadrants.png", "IDATx", "IDATy", "could not be decoded"},
        {"quadrants.png", "\x89PNG", "GIF9", "is not an image the texture loader reads"},
        {"quadrants.bmp", raw("\x10\0\0\0\x10\0\0\0"), raw("\x10\0\0\0\x01\x20\0\0"), SIZE},
        {"quadrants.jpg", raw("\x08\0\x10\0\x10"), raw("\x08\0\0\0\x10"), SIZE},
        {"quadrants.jpg", "\xff\xc0", "\xff\xe1", "is damaged"},
        {"quadrants.gif", raw(",\0\0\0\0\x10\0"), raw(",\0\0\0\0\x01\x20"), SIZE},
        {"quadrants.tga", raw("\x10\0\x10\0"), raw("\x10\0\x01\x20"), SIZE},
        {"quadrants.ppm", "16 16", "16 8193", SIZE},
        {"quadrants.ppm", "16 16", "8192 8192", "is cut short"},
        {"quadrants.tif", raw("\x01\x03\0\x01\0\0\0\x10\0"), raw("\x01\x03\0\x01\0\0\0\x01\x20"),
         SIZE},
        {"quadrants.tif", raw("II*\0\x08\x03"), raw("II*\0\x08\x04"), "is cut short"},
        {"quadrants.webp", raw("\x2a\x10\0\x10"), raw("\x2a\x01\x20\x10"), SIZE},
        {"quadrants.webp", "RIFFH", "RIFF\xff", "is cut short"},
        {"quadrants.pcx", raw("\0\0\0\0\x0f\0"), raw("\x10\0\0\0\x0f\0"), SIZE},
        {"quadrants.xpm", "16 16 4 1", "16 8193 4 1", SIZE},
        {"quadrants.xpm", "XXXXXXXX", "XXXXXXX#", "is damaged"},
        {"quadrants.xpm", "16 16 4 1", "8 16 4 1", "is damaged"},
        {"quadrants.ico", raw("\x68\x04\0\0\x16"), raw("\x68\x05\0\0\x16"), "is cut short"},
    };
    const std::string corpus = TestSupport::quadrantImageFiles()[0];
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.message);
        std::string bytes = fileBytes(corpus.substr(0, corpus.rfind('/') + 1) + c.file);
        const size_t at = bytes.find(c.from);
        ASSERT_NE(at, std::string::npos);
        const std::string output = refusal(c.file, bytes.replace(at, c.from.size(), c.to));
        EXPECT_NE(output.find(std::string(c.file) + "' " + c.message), std::string::npos) << output;
    }
}

} // namespace
