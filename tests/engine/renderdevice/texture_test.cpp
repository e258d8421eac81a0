#include "engine/renderdevice/texture.h"

#include "support/assertion_recorder.h"
#include "support/temp_dir.h"
#include "support/test_images.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>
#include <zlib.h>

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
        EXPECT_FALSE(texture.load("/nonexistent/formik/missing.png"));
        EXPECT_TRUE(assertions.reported("image != null"));
    }
}

// Loads a file of the given bytes and returns what was printed; the load must fail.
std::string failedLoadOutput(const std::string& bytes) {
    TempDir dir;
    dir.write("image.png", bytes);
    RecordingTexture texture;
    testing::internal::CaptureStdout();
    const bool loaded = texture.load(dir.file("image.png"));
    const std::string output = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(loaded);
    EXPECT_FALSE(texture.m_Created);
    return output;
}

std::string bigEndian(uint32_t v) {
    return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

// A chunk with a correct checksum, so that the decoder would accept it.
std::string chunk(const std::string& type, const std::string& data) {
    const std::string body = type + data;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()));
    return bigEndian(uint32_t(data.size())) + body + bigEndian(uint32_t(crc));
}

std::string header(uint32_t width, uint32_t height) {
    return chunk("IHDR", bigEndian(width) + bigEndian(height) + std::string("\x08\x02\0\0\0", 5));
}

const std::string SIGNATURE("\x89PNG\r\n\x1a\n", 8);

// Broken files are refused with a message that names them, before the image
// library sees bytes it could misread.
TEST(TextureTest, LoadNamesBrokenFilesAndRefusesThem) {
    TestSupport::AssertionRecorder assertions;
    {
        // A text chunk longer than the rest of the file: the image library took
        // the reads past the end for data and read the same chunk for ever.
        const std::string looping("\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52"
                                  "\x00\x00\x00\x02\x00\x00\x00\x01\x08\x04\x00\x00\x00\x5e\x2b\xb7"
                                  "\x01\x00\x00\x60\x0d\x74\x45\x58\x74\x78\xda\x63\x70\xf8\x7f\x80"
                                  "\x01\x00\x05\x82\x02\x00\xd7\xb9\xcf\x88\x89\x50\x00\x00\x4e\x00"
                                  "\x00\x49\x47",
                                  67);
        const std::string output = failedLoadOutput(looping);
        EXPECT_NE(output.find("image.png' is cut short"), std::string::npos) << output;
    }
    {
        const std::string output = failedLoadOutput(SIGNATURE + header(2, 1));
        EXPECT_NE(output.find("is cut short"), std::string::npos) << output;
    }
    {
        const std::string output = failedLoadOutput("GIF90a is no image format");
        EXPECT_NE(output.find("image.png' is not an image the texture loader reads"),
                  std::string::npos)
            << output;
    }
    {
        const std::string output =
            failedLoadOutput(SIGNATURE + chunk("IDAT", "x") + chunk("IEND", ""));
        EXPECT_NE(output.find("does not start with an image header"), std::string::npos);
    }
    {
        // Refused from the header: decoding would allocate 40 GB.
        const std::string output =
            failedLoadOutput(SIGNATURE + header(100000, 100000) + chunk("IEND", ""));
        EXPECT_NE(output.find("8192 pixels"), std::string::npos) << output;
    }
    {
        const std::string output =
            failedLoadOutput(SIGNATURE + header(2, 1) + chunk("IDAT", "junk") + chunk("IEND", ""));
        EXPECT_NE(output.find("image.png' could not be decoded"), std::string::npos) << output;
    }
    {
        RecordingTexture texture;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(texture.load("/nonexistent/formik/missing.png"));
        const std::string output = testing::internal::GetCapturedStdout();
        EXPECT_NE(output.find("Error: Texture file '/nonexistent/formik/missing.png' could not be "
                              "opened."),
                  std::string::npos)
            << output;
    }
    EXPECT_TRUE(assertions.reported("image != null"));
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

// Copies of the pictures cut in half or with a field changed are refused, named,
// before the image library reads them (its readers hang or crash on some).
TEST(TextureTest, BrokenFilesOfEveryFormatAreRefusedByName) {
    struct Case {
        const char* file;
        std::string from, to; // the first `from` becomes `to`
        const char* message;
    };
    const char* const SIZE = "has no size between 1 and 8192 pixels per side";
    const std::vector<Case> cases = {
        {"bmp", raw("\x10\0\0\0\x10\0\0\0"), raw("\x10\0\0\0\x01\x20\0\0"), SIZE},
        {"jpg", raw("\x08\0\x10\0\x10"), raw("\x08\0\0\0\x10"), SIZE},
        {"gif", raw(",\0\0\0\0\x10\0"), raw(",\0\0\0\0\x01\x20"), SIZE},
        {"tga", raw("\x10\0\x10\0"), raw("\x10\0\x01\x20"), SIZE},
        {"ppm", "16 16", "16 8193", SIZE},
        {"tif", raw("\x01\x03\0\x01\0\0\0\x10\0"), raw("\x01\x03\0\x01\0\0\0\x01\x20"), SIZE},
        {"webp", raw("\x2a\x10\0\x10"), raw("\x2a\x01\x20\x10"), SIZE},
        {"pcx", raw("\0\0\0\0\x0f\0"), raw("\x10\0\0\0\x0f\0"), SIZE},
        {"xpm", "16 16 4 1", "16 8193 4 1", SIZE},
        {"xpm", "XXXXXXXX", "XXXXXXX#", "is damaged"},
        {"xpm", "16 16 4 1", "8 16 4 1", "is damaged"},
        {"webp", "RIFFH", "RIFF\xff", "is cut short"},
        {"ico", raw("\x68\x04\0\0\x16"), raw("\x68\x05\0\0\x16"), "is cut short"},
        {"ppm", "16 16", "16 8192", "is cut short"},
        {"jpg", "\xff\xc0", "\xff\xe1", "is damaged"},
        {"tif", raw("II*\0\x08\x03"), raw("II*\0\x08\x04"), "is cut short"},
    };
    TestSupport::AssertionRecorder quiet;
    for (const std::string& path : TestSupport::quadrantImageFiles()) {
        const std::string bytes = fileBytes(path);
        const std::string name = "half." + path.substr(path.rfind('.') + 1);
        SCOPED_TRACE(name);
        TempDir dir;
        dir.write(name, bytes.substr(0, bytes.size() / 2));
        RecordingTexture texture;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(texture.load(dir.file(name)));
        const std::string output = testing::internal::GetCapturedStdout();
        EXPECT_NE(output.find(name + "' is cut short"), std::string::npos) << output;
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        const std::string path = TestSupport::quadrantImageFiles()[0];
        std::string bytes = fileBytes(path.substr(0, path.size() - 3) + c.file);
        const size_t at = bytes.find(c.from);
        ASSERT_NE(at, std::string::npos);
        bytes.replace(at, c.from.size(), c.to);
        TempDir dir;
        dir.write(std::string("changed.") + c.file, bytes);
        RecordingTexture texture;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(texture.load(dir.file(std::string("changed.") + c.file)));
        const std::string output = testing::internal::GetCapturedStdout();
        EXPECT_NE(output.find(std::string("changed.") + c.file + "' " + c.message),
                  std::string::npos)
            << output;
    }
}

} // namespace
