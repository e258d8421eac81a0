#include "tools/view/viewer.h"

#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/resourcemanager.h"

#include "support/assertion_recorder.h"
#include "support/float_compare.h"
#include "support/gl_context.h"
#include "support/temp_dir.h"
#include "support/test_render_device.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using Kestrel::Vector3;
using TestSupport::near;

namespace {

const std::string DATA = FORMIK_SOURCE_DIR "/tests/data/";
const float TAN_HALF_FIELD = std::tan(22.5f * 3.14159265f / 180.0f);

TEST(ViewerArgumentsTest, ReadsFilesAndShotOptions) {
    struct Row {
        std::vector<std::string> arguments;
        std::string problem; // a part of the message; empty when fine
        std::string mesh;
        size_t animations;
        std::string shot;
        float time;
        float turn = 0.0f;
    };
    const Row rows[] = {
        {{"a.kst"}, "", "a.kst", 0, "", 0.0f},
        {{"a.kst", "w.ksta", "i.ksta"}, "", "a.kst", 2, "", 0.0f},
        {{"a.kst", "--shot", "s.png", "--at", "1.25", "w.ksta"}, "", "a.kst", 1, "s.png", 1.25f},
        {{"--at", "0", "--shot", "s.png", "a.kst"}, "", "a.kst", 0, "s.png", 0.0f},
        {{}, "no mesh", "", 0, "", 0.0f},
        {{"--shot", "s.png"}, "no mesh", "", 0, "", 0.0f},
        {{"a.kst", "--shot"}, "--shot needs", "", 0, "", 0.0f},
        {{"a.kst", "--shot", ""}, "--shot needs", "", 0, "", 0.0f},
        {{"a.kst", "--shot", "s.png", "--at"}, "--at needs", "", 0, "", 0.0f},
        {{"a.kst", "--shot", "s.png", "--at", "soon"}, "--at needs", "", 0, "", 0.0f},
        {{"a.kst", "--turn", "-90", "--shot", "s.png"}, "", "a.kst", 0, "s.png", 0.0f, -90.0f},
        {{"a.kst", "--turn", "left"}, "--turn needs", "", 0, "", 0.0f},
        {{"a.kst", "--shot", "s.png", "--at", "-1"}, "--at needs", "", 0, "", 0.0f},
        {{"a.kst", "--shot", "s.png", "--at", "nan"}, "--at needs", "", 0, "", 0.0f},
        {{"a.kst", "--at", "1"}, "goes with --shot", "", 0, "", 0.0f},
        {{"a.kst", "--fast"}, "unknown option '--fast'", "", 0, "", 0.0f},
        {{"-", "a.kst"}, "unknown option '-'", "", 0, "", 0.0f},
    };
    for (const Row& row : rows) {
        view::Options options;
        options.mesh = "garbage";
        options.animations = {"garbage"};
        const std::string problem = view::parseArguments(row.arguments, options);
        const std::string context = row.arguments.empty() ? "(none)" : row.arguments.back();
        if (!row.problem.empty()) {
            EXPECT_NE(problem.find(row.problem), std::string::npos) << context << ": " << problem;
            continue;
        }
        EXPECT_EQ(problem, "") << context;
        EXPECT_EQ(options.mesh, row.mesh) << context;
        EXPECT_EQ(options.animations.size(), row.animations) << context;
        EXPECT_EQ(options.shot, row.shot) << context;
        EXPECT_TRUE(near(options.shotTime, row.time)) << context;
        EXPECT_TRUE(near(options.turn, row.turn)) << context;
    }
}

// Where a point lands in the camera's view: x and y over the depth, so that the
// picture's edges lie at the tangents of the half fields of view.
Vector3 viewed(const view::Orbit& orbit, const Vector3& point) {
    const Vector3 forward = (orbit.target - orbit.eye()).normalized();
    const Vector3 right = Kestrel::cross(forward, {0, 1, 0}).normalized();
    const Vector3 up = Kestrel::cross(right, forward);
    const Vector3 d = point - orbit.eye();
    const float depth = Kestrel::dot(d, forward);
    return {Kestrel::dot(d, right) / depth, Kestrel::dot(d, up) / depth, depth};
}

TEST(ViewerFramingTest, ShowsTheWholeBoxLargeFromTheFrontAtAnyUnit) {
    struct Row {
        Vector3 low, high;
        float aspect;
    };
    const Row rows[] = {
        {{-0.3f, 0, -0.7f}, {0.3f, 0.4f, 0.7f}, 4.0f / 3.0f}, // an ant, metres
        {{-30, 0, -70}, {30, 40, 70}, 4.0f / 3.0f},           // the same in centimetres
        {{5, 5, 5}, {5.1f, 25, 5.1f}, 4.0f / 3.0f},           // a tall pole away from the origin
        {{-50, -1, -1}, {50, 1, 1}, 0.5f},                    // a long beam in a tall window
        {{2, 3, 4}, {2, 3, 4}, 1.0f},                         // a single point
    };
    for (const Row& row : rows) {
        const view::Framing framing = view::frameBounds(row.low, row.high, row.aspect);
        const view::Orbit& orbit = framing.orbit;
        EXPECT_TRUE(near(orbit.target, (row.low + row.high) * (0.5f * framing.scale), 1e-3f));
        EXPECT_LT(orbit.eye().z, orbit.target.z) << "a mesh's front is -z";
        EXPECT_GT(orbit.eye().y, orbit.target.y);
        float widest = 0.0f;
        for (int corner = 0; corner < 8; ++corner) {
            const Vector3 p(corner & 1 ? row.high.x : row.low.x,
                            corner & 2 ? row.high.y : row.low.y,
                            corner & 4 ? row.high.z : row.low.z);
            const Vector3 v = viewed(orbit, p * framing.scale);
            EXPECT_GT(v.z, 1.0f) << "in front of the near plane";
            EXPECT_LE(std::fabs(v.y), TAN_HALF_FIELD);
            EXPECT_LE(std::fabs(v.x), row.aspect * TAN_HALF_FIELD);
            widest = std::max({widest, std::fabs(v.y) / TAN_HALF_FIELD,
                               std::fabs(v.x) / (row.aspect * TAN_HALF_FIELD)});
        }
        if (row.low.x < row.high.x) {
            EXPECT_GT(widest, 0.5f) << "the model fills the picture";
        }
    }
    const view::Framing metres = view::frameBounds(rows[0].low, rows[0].high, 1.0f);
    const view::Framing centimetres = view::frameBounds(rows[1].low, rows[1].high, 1.0f);
    EXPECT_TRUE(near(metres.scale, 100.0f * centimetres.scale, 1e-3f));
    EXPECT_TRUE(near(metres.orbit.distance, centimetres.orbit.distance, 1e-3f));
}

class ViewerTest : public ::testing::Test {
protected:
    ~ViewerTest() override { Kestrel::ResourceManager::getInstance()->clear(); }

    std::string write(const std::string& name, const std::string& text) {
        const std::string path = m_Dir.file(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    TestSupport::TestRenderDevice m_Device;
    TestSupport::TempDir m_Dir;
};

TEST_F(ViewerTest, FilesThatCannotBeShownGiveTheirStatus) {
    const std::string bar = DATA + "skinned_bar.kst", bend = DATA + "bar_bend.ksta";
    const std::string noise = write("noise.kst", std::string("\x01\xff[faces]\nv=9\n\x7f", 14));
    const std::string still = write("still.ksta", "# no keyframes\n");
    const std::string timeless = write("timeless.ksta", "[keyframe]\nupper:(1,0,0)\n");
    const std::string missing = m_Dir.file("missing.kst"), gone = m_Dir.file("missing.ksta");
    struct Row {
        std::string mesh;
        std::vector<std::string> animations;
        int status;
        std::string unreadable; // known before a window opens
    };
    const Row rows[] = {
        {bar, {}, view::STATUS_OK, ""},
        {bar, {bend, bend}, view::STATUS_OK, ""},
        {missing, {}, view::STATUS_BAD_FILE, missing},
        {noise, {}, view::STATUS_BAD_FILE, ""},
        {bar, {bend, gone}, view::STATUS_BAD_FILE, gone},
        {bar, {still}, view::STATUS_BAD_FILE, ""},
        {bar, {timeless}, view::STATUS_BAD_FILE, ""},
    };
    for (const Row& row : rows) {
        view::Viewer viewer(m_Device, 640, 480);
        view::Options options;
        options.mesh = row.mesh;
        options.animations = row.animations;
        EXPECT_EQ(view::firstUnreadable(options), row.unreadable);
        EXPECT_EQ(viewer.load(options), row.status) << row.mesh << " " << row.animations.size();
    }
}

TEST_F(ViewerTest, CommandsSwitchAnimationsAndMoveTheCamera) {
    view::Viewer viewer(m_Device, 640, 480);
    view::Options options;
    options.mesh = DATA + "skinned_bar.kst";
    options.animations = {DATA + "bar_bend.ksta", DATA + "bar_bend.ksta", DATA + "bar_bend.ksta"};
    ASSERT_EQ(viewer.load(options), view::STATUS_OK);
    EXPECT_EQ(viewer.getAnimationIndex(), 0);

    viewer.seek(0.5f);
    EXPECT_NE(
        viewer.statusLine(16.0f).find("skinned_bar.kst  bar_bend.ksta 0.50 / 2.00 s  16.0 ms"),
        std::string::npos)
        << viewer.statusLine(16.0f);
    viewer.command(view::Command::Pause);
    viewer.update(0.25f);
    EXPECT_NE(viewer.statusLine(0.0f).find("0.50 / 2.00 s  paused"), std::string::npos);
    viewer.command(view::Command::Pause);
    viewer.update(0.25f);
    EXPECT_NE(viewer.statusLine(0.0f).find("0.75 / 2.00 s"), std::string::npos);

    for (int expected : {1, 2, 0}) {
        viewer.command(view::Command::NextAnimation);
        EXPECT_EQ(viewer.getAnimationIndex(), expected);
    }
    viewer.selectAnimation(2);
    EXPECT_EQ(viewer.getAnimationIndex(), 2);
    viewer.selectAnimation(3);
    EXPECT_EQ(viewer.getAnimationIndex(), 2) << "only three were given";
    viewer.command(view::Command::Mirror);
    EXPECT_NE(viewer.statusLine(0.0f).find("mirrored"), std::string::npos);
    viewer.command(view::Command::Pause);
    TestSupport::AssertionRecorder recorder;
    for (int i = 0; i < 120; ++i)
        viewer.command(i % 2 ? view::Command::Mirror : view::Command::NextAnimation);
    EXPECT_TRUE(recorder.reports().empty()) << "in the pause, switches replace each other";
    viewer.command(view::Command::Pause);

    const view::Orbit framed = viewer.getOrbit();
    viewer.command(view::Command::OrbitLeft);
    viewer.command(view::Command::OrbitUp);
    viewer.command(view::Command::ZoomIn);
    EXPECT_TRUE(near(viewer.getOrbit().azimuth, framed.azimuth + 10.0f, 1e-3f));
    EXPECT_TRUE(near(viewer.getOrbit().elevation, framed.elevation + 10.0f, 1e-3f));
    EXPECT_LT(viewer.getOrbit().distance, framed.distance);
    for (int i = 0; i < 20; ++i)
        viewer.command(view::Command::OrbitDown);
    EXPECT_GT(viewer.getOrbit().elevation, -90.0f) << "never under the bottom";
    for (int i = 0; i < 60; ++i)
        viewer.command(view::Command::ZoomOut);
    EXPECT_LT(viewer.getOrbit().distance, 2000.0f) << "the model stays before the far plane";
    viewer.command(view::Command::Frame);
    EXPECT_TRUE(near(viewer.getOrbit().distance, framed.distance, 1e-3f));
    EXPECT_TRUE(near(viewer.getOrbit().elevation, framed.elevation, 1e-3f));
}

// The bar of tests/data, framed, with and without its skeleton drawn over it.
class ViewerGlTest : public TestSupport::GlTest {
protected:
    ~ViewerGlTest() override { Kestrel::ResourceManager::getInstance()->clear(); }

    // Pixels of the bones' yellow.
    static int bonePixels(const std::vector<TestSupport::Rgba>& frame) {
        int count = 0;
        for (const TestSupport::Rgba& p : frame)
            count += p.r > 200 && p.g > 150 && p.b < 120;
        return count;
    }

    Kestrel::OpenGLRenderDevice m_Device;
};

TEST_F(ViewerGlTest, DrawsTheModelInTheMiddleAndTheSkeletonOverIt) {
    Kestrel::OpenGLRenderDevice::setWhiteLight({-1, 1, -1});
    view::Viewer viewer(m_Device, TestSupport::GL_TEST_WIDTH, TestSupport::GL_TEST_HEIGHT);
    view::Options options;
    options.mesh = DATA + "skinned_bar.kst";
    ASSERT_EQ(viewer.load(options), view::STATUS_OK);

    viewer.render(0.0f);
    const TestSupport::Rgba corner = TestSupport::readPixel(2, 2);
    const TestSupport::Rgba middle = TestSupport::readPixel(320, 240);
    const TestSupport::Rgba side = TestSupport::readPixel(2, 240);
    EXPECT_EQ(bonePixels(TestSupport::readFrame()), 0);
    EXPECT_GT(std::abs(middle.r + middle.g + middle.b - side.r - side.g - side.b), 60)
        << "the bar, not the backdrop";
    EXPECT_LT(corner.r + corner.g + corner.b, 3 * 100) << "the backdrop, darker below";
    EXPECT_LT(corner.r, corner.b) << "the backdrop is grey-blue";

    viewer.command(view::Command::Skeleton);
    viewer.render(0.0f);
    EXPECT_GT(bonePixels(TestSupport::readFrame()), 200);
}

} // namespace
