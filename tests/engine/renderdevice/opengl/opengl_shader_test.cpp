#include "engine/renderdevice/opengl/opengl_shader.h"

#include "engine/camera.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/resourcemanager.h"
#include "support/captured_output.h"
#include "support/gl_scene.h"
#include "support/message_recorder.h"
#include "support/temp_dir.h"

#include <GL/glew.h>

#include <algorithm>
#include <string>

using namespace TestSupport;
using Kestrel::OpenGLShader;

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

class OpenGLShaderGlTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        m_Resources.addSearchPath(m_Dir.path());
        m_Dir.write("plain.vert", VERTEX_PROGRAM);
        m_Dir.write("swap.frag", SWAPPING_FRAGMENT_PROGRAM);
        m_Dir.write("broken.glsl", "#version 120\nvoid main() { gl_FragColor = vec4(1.0) +; }\n");
        // Errors enough for a log far longer than 500 characters.
        std::string longLog = "#version 120\nvoid main() {\n";
        for (int i = 0; i < 40; ++i)
            longLog += "float v" + std::to_string(i) + " = undeclared_" + std::to_string(i) + ";\n";
        m_Dir.write("long.frag", longLog + "}\n");
    }
    void TearDown() override { m_Resources.clear(); }

    TempDir m_Dir;
    Kestrel::ResourceManager m_Resources;
    Kestrel::OpenGLRenderDevice m_Device;
};

// The sampler starts out on unit 1, where nothing is bound: only the device's
// setting of "texture" to unit 0 lets the red texture through, as blue.
TEST_F(OpenGLShaderGlTest, ProgramDrawsTheItemTextureThroughTheQueue) {
    auto* shader =
        static_cast<OpenGLShader*>(m_Resources.loadShader("plain.vert", "swap.frag", &m_Device));
    ASSERT_NE(shader->getProgram(), 0u);
    shader->setUniform("texture", 1); // with no program in use
    GLint unit = -1;
    glGetUniformiv(shader->getProgram(), glGetUniformLocation(shader->getProgram(), "texture"),
                   &unit);
    ASSERT_EQ(unit, 1);
    auto red = makeSolidTexture(m_Device, RED);
    Quad quad = makeQuad(m_Device, -2, -2, 2, 2);
    Kestrel::Camera camera;
    camera.lookAt({0, 0, 10}, {0, 0, 0}, {0, 1, 0});
    m_Device.addToRenderQueue(quad.faces.get(), nullptr, red.get(), shader, nullptr,
                              Kestrel::BLEND_NONE);
    m_Device.render(&camera);
    EXPECT_TRUE(pixelNear(320, 240, BLUE));
    EXPECT_EQ(glInteger(GL_CURRENT_PROGRAM), 0) << "the shader before render is restored";

    // Compiling again deletes the old program and stages; their names may come back.
    const GLuint old[3] = {shader->getProgram(), shader->getVertexShader(),
                           shader->getFragmentShader()};
    shader->compile(VERTEX_PROGRAM, SWAPPING_FRAGMENT_PROGRAM);
    const GLuint now[3] = {shader->getProgram(), shader->getVertexShader(),
                           shader->getFragmentShader()};
    EXPECT_FALSE(glIsProgram(old[0]) && std::count(now, now + 3, old[0]) == 0);
    for (GLuint stage : {old[1], old[2]})
        EXPECT_FALSE(glIsShader(stage) && std::count(now, now + 3, stage) == 0) << stage;
}

int g_ProgramQueries = 0;

void GLAPIENTRY countingGetProgramiv(GLuint, GLenum, GLint* value) {
    ++g_ProgramQueries;
    *value = GL_FALSE;
}

// Setting a uniform asks the driver nothing: it puts back the program the
// device recorded (even when a raw call changed the driver's behind its back)
// and trusts the link result of compile.
TEST_F(OpenGLShaderGlTest, SetUniformTrustsTheRecordsOverTheDriver) {
    auto* shader =
        static_cast<OpenGLShader*>(m_Resources.loadShader("plain.vert", "swap.frag", &m_Device));
    OpenGLShader other;
    other.compile(VERTEX_PROGRAM, SWAPPING_FRAGMENT_PROGRAM);
    for (OpenGLShader* recorded : {&other, static_cast<OpenGLShader*>(nullptr)}) {
        SCOPED_TRACE(recorded ? "another shader in use" : "none in use");
        m_Device.setShader(recorded);
        glUseProgram(shader->getProgram());
        const PFNGLGETPROGRAMIVPROC getProgramiv = glGetProgramiv;
        g_ProgramQueries = 0;
        glGetProgramiv = countingGetProgramiv;
        shader->setUniform("texture", 3);
        glGetProgramiv = getProgramiv;
        EXPECT_EQ(g_ProgramQueries, 0);
        EXPECT_EQ(glInteger(GL_CURRENT_PROGRAM), recorded ? GLint(other.getProgram()) : 0);
        GLint unit = -1;
        glGetUniformiv(shader->getProgram(), glGetUniformLocation(shader->getProgram(), "texture"),
                       &unit);
        EXPECT_EQ(unit, 3);
    }
}

// A stage that does not compile is reported by name, with the driver's whole
// log, and the shader is still cached; binding an unlinked program falls back to
// the fixed-function pipeline. A missing or empty file leaves its stage out.
TEST_F(OpenGLShaderGlTest, FailuresAreReportedAndMissingStagesLeftOut) {
    struct Case {
        const char *vertex, *fragment;
        bool hasVertex, hasFragment, linked;
        const char *printed, *reported, *notReported;
    };
    const char* const NONE = "\x01";
    const Case cases[] = {
        {"plain.vert", "swap.frag", true, true, true, "", "", "Error"},
        {"plain.vert", "broken.glsl", true, true, false, "broken.glsl' do not compile and link",
         "Error Compiling Fragment Shader\n", "Error Compiling Vertex Shader"},
        {"broken.glsl", "swap.frag", true, true, false, "broken.glsl' and",
         "Error Compiling Vertex Shader\n", "Error Compiling Fragment Shader"},
        {"plain.vert", "long.frag", true, true, false, "long.frag' do not compile and link",
         "undeclared_39", NONE},
        {"", "swap.frag", false, true, true, "", "", NONE},
        {"plain.vert", "/nonexistent/formik.frag", true, false, true,
         "Shader file '/nonexistent/formik.frag' could not be read or is empty", "", NONE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.vertex) + " " + c.fragment);
        TestSupport::MessageRecorder messages;
        auto* shader =
            static_cast<OpenGLShader*>(m_Resources.loadShader(c.vertex, c.fragment, &m_Device));
        const std::string reported = messages.text(Kestrel::MessageSeverity::DRIVER_ERROR);
        EXPECT_TRUE(printed(messages.text(Kestrel::MessageSeverity::DATA_ERROR), c.printed));
        EXPECT_TRUE(printed(reported, c.reported)) << reported;
        EXPECT_EQ(reported.find(c.notReported), std::string::npos) << reported;
        ASSERT_NE(shader, nullptr);
        EXPECT_EQ(m_Resources.loadShader(c.vertex, c.fragment, &m_Device), shader);
        EXPECT_EQ(shader->getVertexShader() != 0, c.hasVertex);
        EXPECT_EQ(shader->getFragmentShader() != 0, c.hasFragment);
        OpenGLShader working;
        working.compile(VERTEX_PROGRAM, SWAPPING_FRAGMENT_PROGRAM);
        working.bind();
        shader->bind();
        EXPECT_EQ(glInteger(GL_CURRENT_PROGRAM), c.linked ? GLint(shader->getProgram()) : 0);
        glUseProgram(0);
    }
}

} // namespace
