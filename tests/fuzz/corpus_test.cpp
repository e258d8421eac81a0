// Every input of the fuzz corpora, including any that once crashed a target,
// is replayed here on each test run.
#include "engine/animation.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/meshloader.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/text.h"
#include "support/assertion_recorder.h"
#include "support/temp_dir.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

namespace {

// Runs check on every input of a target's corpus, with the engine's assertion
// reports and the loaders' refusals held back (shown again when a check fails).
void replay(const std::string& target, const std::function<void(const std::string&)>& check) {
    TestSupport::AssertionRecorder quiet;
    const auto directory = std::filesystem::path(FORMIK_SOURCE_DIR) / "fuzz" / "corpus" / target;
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        SCOPED_TRACE(entry.path().string());
        testing::internal::CaptureStdout();
        check(entry.path().string());
        const std::string printed = testing::internal::GetCapturedStdout();
        if (testing::Test::HasFailure())
            std::cout << printed;
        ++inputs;
    }
    EXPECT_GT(inputs, 0) << target;
}

TEST(FuzzCorpusTest, MeshInputsLoadAndMorph) {
    replay("kst_loader", [](const std::string& path) {
        TestSupport::TestRenderDevice device;
        std::unique_ptr<Kestrel::Mesh> mesh(Kestrel::MeshLoader(&device).load(path));
        if (!mesh)
            return;
        Kestrel::Entity entity(mesh.get());
        entity.update(0.016f);
        Kestrel::VertexList out(Kestrel::USAGE_DYNAMIC);
        if (entity.morph(*mesh->getVertexList(), out)) {
            EXPECT_EQ(out.getVertexCount(), mesh->getVertexList()->getVertexCount());
        }
    });
}

TEST(FuzzCorpusTest, AnimationInputsSettleAfterOneRoundTrip) {
    replay("ksta_parser", [](const std::string& path) {
        std::unique_ptr<Kestrel::Animation> animation(
            Kestrel::Animation::parse(TestSupport::readFile(path)));
        std::unique_ptr<Kestrel::Animation> again(Kestrel::Animation::parse(animation->toText()));
        EXPECT_EQ(again->getKeyframeCount(), animation->getKeyframeCount());
        const std::string text = again->toText();
        std::unique_ptr<Kestrel::Animation> third(Kestrel::Animation::parse(text));
        EXPECT_EQ(third->toText(), text);
    });
}

TEST(FuzzCorpusTest, ImageInputsLoadOrFailCleanly) {
    replay("image_texture", [](const std::string& path) {
        TestSupport::RecordingTexture texture;
        const bool loaded = texture.load(path);
        EXPECT_EQ(loaded, texture.m_Created);
        if (loaded) {
            const size_t bpp = texture.m_Format == Kestrel::FORMAT_RGBA ? 4 : 3;
            EXPECT_EQ(texture.m_Pixels.size(), size_t(texture.m_Width) * texture.m_Height * bpp);
        }
    });
}

TEST(FuzzCorpusTest, FontInputsLoadAndDrawOrFailCleanly) {
    replay("font_text", [](const std::string& path) {
        TestSupport::TestRenderDevice device;
        Kestrel::Text text(&device);
        if (!text.load(path, 64))
            return;
        text.draw("Kills: 3");
        EXPECT_EQ(text.getVertexList()->getVertexCount(), 4u * 8);
    });
}

} // namespace
