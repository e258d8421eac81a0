#include "engine/renderdevice/texture.h"

#include "support/assertion_recorder.h"
#include "support/temp_dir.h"
#include "support/test_images.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

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

} // namespace
