#include "engine/renderdevice/opengl/opengl_shader.h"

#include "engine/camera.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/resourcemanager.h"
#include "support/gl_scene.h"
#include "support/temp_dir.h"

#include <GL/glew.h>
#include <gmock/gmock.h>

#include <string>

using Kestrel::OpenGLShader;
using testing::HasSubstr;
using testing::Not;
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

const char* const VERTEX_PROGRAM = "#version 120\n"
                                   "void main() {\n"
                                   "    gl_TexCoord[0] = gl_MultiTexCoord0;\n"
                                   "    gl_Position = ftransform();\n"
                                   "}\n";
// Swaps red and blue, so a drawn texture shows whether the program ran.
const char* const SWAPPING_FRAGMENT_PROGRAM =
    "#version 120\n"
    "uniform sampler2D texture;\n"
    "void main() {\n"
    "    gl_FragColor = texture2D(texture, gl_TexCoord[0].st).bgra;\n"
    "}\n";
const char* const BROKEN_PROGRAM = "#version 120\n"
                                   "void main() {\n"
                                   "    gl_FragColor = vec4(1.0) +;\n"
                                   "}\n";

class OpenGLShaderGlTest : public TestSupport::GlTest {
protected:
    void SetUp() override {
        TestSupport::GlTest::SetUp();
        m_Resources.addSearchPath(m_Dir.path());
        m_Dir.write("plain.vert", VERTEX_PROGRAM);
        m_Dir.write("swap.frag", SWAPPING_FRAGMENT_PROGRAM);
        m_Dir.write("broken.glsl", BROKEN_PROGRAM);
    }
    void TearDown() override { m_Resources.clear(); }

    TestSupport::TempDir m_Dir;
    Kestrel::ResourceManager m_Resources;
    Kestrel::OpenGLRenderDevice m_Device;
};

GLint currentProgram() {
    GLint program = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return program;
}

// The sampler starts out on unit 1, where nothing is bound: only the device's
// setting of "texture" to unit 0 lets the red texture through, as blue.
TEST_F(OpenGLShaderGlTest, ProgramDrawsTheItemTextureThroughTheQueue) {
    auto* shader =
        static_cast<OpenGLShader*>(m_Resources.loadShader("plain.vert", "swap.frag", &m_Device));
    ASSERT_NE(shader, nullptr);
    ASSERT_NE(shader->getProgram(), 0u);
    glUseProgram(shader->getProgram());
    glUniform1i(glGetUniformLocation(shader->getProgram(), "texture"), 1);
    glUseProgram(0);

    auto red = TestSupport::makeSolidTexture(m_Device, TestSupport::RED);
    TestSupport::Quad quad = TestSupport::makeQuad(m_Device, -2, -2, 2, 2);
    Kestrel::Camera camera;
    camera.lookAt({0, 0, 10}, {0, 0, 0}, {0, 1, 0});
    m_Device.addToRenderQueue(quad.faces.get(), nullptr, red.get(), shader, nullptr,
                              Kestrel::BLEND_NONE);
    m_Device.render(&camera);
    EXPECT_TRUE(TestSupport::pixelNear(320, 240, TestSupport::BLUE));
    EXPECT_EQ(currentProgram(), 0) << "the shader before render is restored";
}

TEST_F(OpenGLShaderGlTest, SyntaxErrorsAreReportedAndTheShaderIsStillCached) {
    CaptureStderr();
    CaptureStdout();
    auto* fragmentBroken = m_Resources.loadShader("plain.vert", "broken.glsl", &m_Device);
    EXPECT_THAT(GetCapturedStdout(), HasSubstr("broken.glsl' do not compile and link"));
    const std::string fragmentReport = GetCapturedStderr();
    EXPECT_THAT(fragmentReport, HasSubstr("Error Compiling Fragment Shader\n"));
    EXPECT_THAT(fragmentReport, Not(HasSubstr("Error Compiling Vertex Shader")));
    EXPECT_THAT(fragmentReport, HasSubstr("error"));
    ASSERT_NE(fragmentBroken, nullptr);
    EXPECT_EQ(m_Resources.loadShader("plain.vert", "broken.glsl", &m_Device), fragmentBroken);

    CaptureStderr();
    auto* vertexBroken =
        static_cast<OpenGLShader*>(m_Resources.loadShader("broken.glsl", "swap.frag", &m_Device));
    const std::string vertexReport = GetCapturedStderr();
    EXPECT_THAT(vertexReport, HasSubstr("Error Compiling Vertex Shader\n"));
    EXPECT_THAT(vertexReport, Not(HasSubstr("Error Compiling Fragment Shader")));
    ASSERT_NE(vertexBroken, nullptr);
    EXPECT_NE(vertexBroken->getProgram(), 0u);

    // An unlinked program falls back to the fixed-function pipeline when bound.
    OpenGLShader working;
    working.compile(VERTEX_PROGRAM, SWAPPING_FRAGMENT_PROGRAM);
    working.bind();
    vertexBroken->bind();
    EXPECT_EQ(currentProgram(), 0);
}

// Many errors make a log far longer than 500 characters; its end arrives too.
TEST_F(OpenGLShaderGlTest, TheWholeCompileLogIsReported) {
    std::string source = "#version 120\nvoid main() {\n";
    for (int i = 0; i < 40; ++i)
        source +=
            "    float v" + std::to_string(i) + " = undeclared_name_" + std::to_string(i) + ";\n";
    source += "    gl_FragColor = vec4(1.0);\n}\n";
    OpenGLShader shader;
    CaptureStderr();
    EXPECT_TRUE(shader.compile("", source));
    const std::string report = GetCapturedStderr();
    EXPECT_GT(report.size(), 1000u);
    EXPECT_THAT(report, HasSubstr("undeclared_name_39"));
}

TEST_F(OpenGLShaderGlTest, MissingStagesAreLeftOut) {
    auto* fragmentOnly =
        static_cast<OpenGLShader*>(m_Resources.loadShader("", "swap.frag", &m_Device));
    ASSERT_NE(fragmentOnly, nullptr);
    EXPECT_EQ(fragmentOnly->getVertexShader(), 0u);
    EXPECT_NE(fragmentOnly->getFragmentShader(), 0u);

    // A missing file reads as an empty source: that stage is left out too.
    CaptureStdout();
    auto* vertexOnly = static_cast<OpenGLShader*>(
        m_Resources.loadShader("plain.vert", "/nonexistent/formik.frag", &m_Device));
    EXPECT_THAT(GetCapturedStdout(),
                HasSubstr("Shader file '/nonexistent/formik.frag' could not be read or is empty"));
    ASSERT_NE(vertexOnly, nullptr);
    EXPECT_NE(vertexOnly->getVertexShader(), 0u);
    EXPECT_EQ(vertexOnly->getFragmentShader(), 0u);
}

TEST_F(OpenGLShaderGlTest, UndeclaredUniformsChangeNothing) {
    OpenGLShader shader;
    shader.compile(VERTEX_PROGRAM, SWAPPING_FRAGMENT_PROGRAM);
    shader.bind();
    shader.setUniform("texture", 2);
    shader.setUniform("notDeclared", 5);
    GLint unit = -1;
    glGetUniformiv(shader.getProgram(), glGetUniformLocation(shader.getProgram(), "texture"),
                   &unit);
    EXPECT_EQ(unit, 2);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
