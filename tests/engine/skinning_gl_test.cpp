#include "engine/animation.h"
#include "engine/bone.h"
#include "engine/camera.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/meshloader.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/resourcemanager.h"
#include "support/gl_context.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <memory>
#include <string>
#include <vector>

using Kestrel::Vector3;

namespace {

const std::string DATA = std::string(FORMIK_SOURCE_DIR) + "/tests/data/";

class SkinningGlTest : public TestSupport::GlTest {
protected:
    // Whether the pixel where a world point lands (entities are drawn unlit in
    // white on black) is covered.
    static bool covered(const Vector3& world) {
        const GLdouble modelView[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        GLdouble projection[16], x, y, z;
        GLint viewport[4];
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        gluProject(world.x, world.y, world.z, modelView, projection, viewport, &x, &y, &z);
        return TestSupport::readPixel(int(x), int(y)).r > 128;
    }

    Kestrel::OpenGLRenderDevice m_Device;
};

// Two entities share the bar of tests/data: the one at x = -2 stands straight,
// the one at x = 2 has played the bend to its end, which turns the upper half a
// quarter turn about the middle (1 unit up) towards -x. Both are drawn in one
// frame.
TEST_F(SkinningGlTest, EntitiesSharingAMeshDrawTheirOwnPoses) {
    std::unique_ptr<Kestrel::Mesh> mesh(
        Kestrel::MeshLoader(&m_Device).load(DATA + "skinned_bar.kst"));
    ASSERT_TRUE(mesh);
    Kestrel::Animation* bend =
        Kestrel::ResourceManager::getInstance()->loadAnimation(DATA + "bar_bend.ksta");
    ASSERT_NE(bend, nullptr);

    Kestrel::Entity straight(mesh.get()), bent(mesh.get());
    straight.setPosition(-2, 0, 0);
    bent.setPosition(2, 0, 0);
    bent.playAnimation(bend, 0.0f, false, false);
    for (float dt : {0.6f, 0.6f, 0.0f}) {
        straight.update(dt);
        bent.update(dt);
    }
    ASSERT_FLOAT_EQ(bent.getCurrentAnimationTime(), bend->getAnimationLength(false));

    Kestrel::Camera camera;
    camera.setAspect(640.0f / 480.0f);
    camera.lookAt({0, 1, -7}, {0, 1, 0}, {0, 1, 0});
    m_Device.clear(true, true);
    straight.draw();
    bent.draw();
    m_Device.render(&camera);

    EXPECT_TRUE(covered({-2, 0.2f, 0}));
    EXPECT_TRUE(covered({-2, 1.8f, 0}));
    EXPECT_FALSE(covered({-2.9f, 1, 0}));
    EXPECT_FALSE(covered({-1.1f, 1, 0}));

    EXPECT_TRUE(covered({2, 0.2f, 0}));
    EXPECT_FALSE(covered({2, 1.8f, 0}));
    EXPECT_TRUE(covered({1.2f, 1, 0}));
    EXPECT_FALSE(covered({2.8f, 1, 0}));
}

} // namespace
