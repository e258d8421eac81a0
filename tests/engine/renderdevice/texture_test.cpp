#include "engine/renderdevice/texture.h"

#include "support/assertion_recorder.h"
#include "support/message_recorder.h"
#include "support/temp_dir.h"
#include "support/test_images.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace TestSupport;

namespace {

// A texture whose size and format are garbage until something is created.
struct LoadedTexture : RecordingTexture {
    LoadedTexture() {
        m_Format = Kestrel::FORMAT_ALPHA;
        m_Width = m_Height = 12345;
    }
};

// The same picture in every format reaches create as the PNG's pixels, lossy
// formats within a tolerance away from the quadrant borders they blur; alpha,
// where a decoder adds it, is opaque.
TEST(TextureTest, EveryFormatDecodesToThePixelsOfThePng) {
    const std::vector<std::string> files = quadrantImageFiles();
    ASSERT_GE(files.size(), 10u);
    RecordingTexture png;
    ASSERT_TRUE(png.load(files[0]));
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        LoadedTexture texture;
        ASSERT_TRUE(texture.load(path));
        ASSERT_EQ(texture.m_Width, png.m_Width);
        ASSERT_EQ(texture.m_Height, png.m_Height);
        const size_t bpp = texture.m_Format == Kestrel::FORMAT_RGBA ? 4 : 3;
        const std::string extension = path.substr(path.rfind('.'));
        const bool lossy = extension == ".jpg" || extension == ".webp";
        int worst = 0;
        for (size_t i = 0; i < size_t(png.m_Width) * png.m_Height; ++i) {
            const bool border = (i % png.m_Width + 2) % 8 < 4 || (i / png.m_Width + 2) % 8 < 4;
            for (size_t c = 0; c < bpp && !(lossy && border); ++c) {
                const int expected = c < 3 ? png.m_Pixels[i * 3 + c] : 255;
                worst = std::max(worst, std::abs(texture.m_Pixels[i * bpp + c] - expected));
            }
        }
        EXPECT_LE(worst, lossy ? LOSSY_TOLERANCE : 0);
    }
}

// A string of every byte of the literal, zeros included.
template <size_t N>
std::string raw(const char (&text)[N]) {
    return std::string(text, N - 1);
}

// Loads a file of the given name and bytes, which must fail; returns what was printed.
std::string refusal(const std::string& name, const std::string& bytes) {
    TempDir dir;
    dir.write(name, bytes);
    RecordingTexture texture;
    TestSupport::MessageRecorder messages;
    EXPECT_FALSE(texture.load(dir.file(name)));
    EXPECT_FALSE(texture.m_Created);
    return messages.text();
}

// Missing and undecodable files are refused and named; an empty name never
// reaches the decoder. Copies of the pictures cut in half or with a field
// changed are refused before the image library reads them (its readers hang or
// crash on some).
TEST(TextureTest, BrokenFilesOfEveryFormatAreRefusedByName) {
    AssertionRecorder assertions;
    RecordingTexture unnamed;
    EXPECT_FALSE(unnamed.load(""));
    EXPECT_TRUE(assertions.reports().empty());
    TestSupport::MessageRecorder messages;
    EXPECT_FALSE(unnamed.load("/nonexistent/formik/missing.png"));
    EXPECT_EQ(messages.text(),
              "Error: Texture file '/nonexistent/formik/missing.png' could not be opened.\n");
    EXPECT_EQ(assertions.reports(), std::vector<std::string>{"image != null"});
    assertions.clear();
    // A directory opens, then throws on reading.
    EXPECT_FALSE(unnamed.load(std::filesystem::temp_directory_path().string()));
    EXPECT_NE(messages.text().find("could not be opened"), std::string::npos);
    refusal("broken.png", "\x89PNG\r\n\x1a\n but nothing after the signature");
    EXPECT_TRUE(assertions.reported("image != null"));

    for (const std::string& path : quadrantImageFiles()) {
        const std::string bytes = readFile(path);
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
    const Case cases[] = {
        // A text chunk past the end: the image library read the same chunk for ever.
        {"chunk-past-end.png", "", "", "is cut short"},
        {"quadrants.png", "IHDR", "IDAT", "does not start with an image header"},
        // 100000 x 16: refused from the header, decoding would allocate 40 GB.
        {"quadrants.png", raw("IHDR\0\0\0\x10"), raw("IHDR\0\x01\x86\xa0"), SIZE},
        {"quadrants.png", "IDATx", "IDATy", "could not be decoded"},
        {"quadrants.png", "\x89PNG", "GIF9", "is not an image the texture loader reads"},
        {"quadrants.bmp", raw("\x10\0\0\0\x10\0\0\0"), raw("\x10\0\0\0\x01\x20\0\0"), SIZE},
        {"quadrants.bmp", raw("\x01\0\x18\0"), raw("\x01\0\x02\0"), "is damaged"},
        {"quadrants.jpg", raw("\x08\0\x10\0\x10"), raw("\x08\0\0\0\x10"), SIZE},
        {"quadrants.jpg", "\xff\xc0", "\xff\xe1", "is damaged"},
        {"quadrants.gif", raw(",\0\0\0\0\x10\0"), raw(",\0\0\0\0\x01\x20"), SIZE},
        {"quadrants.tga", raw("\x10\0\x10\0"), raw("\x10\0\x01\x20"), SIZE},
        {"quadrants.ppm", "16 16", "16 8193", SIZE},
        {"quadrants.ppm", "16 16", "8192 8192", "is cut short"},
        {"quadrants.ppm", "\n255\n", "\n256\n", "is damaged"},
        {"quadrants.tif", raw("\x01\x03\0\x01\0\0\0\x10\0"), raw("\x01\x03\0\x01\0\0\0\x01\x20"),
         SIZE},
        {"quadrants.tif", raw("II*\0\x08\x03"), raw("II*\0\x08\x04"), "is cut short"},
        // Strips of a type without size, 2^32 - 1 of them: the check looped for minutes.
        {"quadrants.tif", raw("\x17\x01\x04\0\x01\0\0\0\0\x03\0\0"),
         raw("\x11\x01\0\0\xff\xff\xff\xff\0\0\0\0\x17\x01\0\0\xff\xff\xff\xff\0\0\0\0"),
         "is damaged"},
        {"quadrants.webp", raw("\x2a\x10\0\x10"), raw("\x2a\x01\x20\x10"), SIZE},
        {"quadrants.webp", "RIFFH", "RIFF\xff", "is cut short"},
        {"quadrants.pcx", raw("\0\0\0\0\x0f\0"), raw("\x10\0\0\0\x0f\0"), SIZE},
        {"quadrants.xpm", "16 16 4 1", "16 8193 4 1", SIZE},
        {"quadrants.xpm", "XXXXXXXX", "XXXXXXX#", "is damaged"},
        {"quadrants.xpm", "16 16 4 1", "8 16 4 1", "is damaged"},
        // Counts that wrapped the check on the number of lines read past them.
        {"quadrants.xpm", "16 16 4 1", "16 16 -6 1", "is damaged"},
        {"quadrants.xpm", "16 16 4 1", "16 16 18446744073709551610 1", "is cut short"},
        {"quadrants.ico", raw("\x68\x04\0\0\x16"), raw("\x68\x05\0\0\x16"), "is cut short"},
    };
    const std::string corpus = quadrantImageFiles()[0];
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + ": " + c.message);
        std::string bytes = readFile(corpus.substr(0, corpus.rfind('/') + 1) + c.file);
        const size_t at = bytes.find(c.from);
        ASSERT_NE(at, std::string::npos);
        const std::string output = refusal(c.file, bytes.replace(at, c.from.size(), c.to));
        EXPECT_NE(output.find(std::string(c.file) + "' " + c.message), std::string::npos) << output;
    }
}

} // namespace
