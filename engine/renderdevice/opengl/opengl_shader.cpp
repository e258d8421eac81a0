#include "engine/renderdevice/opengl/opengl_shader.h"

#include "engine/assert.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"

#include <GL/glew.h>

#include <vector>

namespace Kestrel {
namespace {

using LengthQuery = void (*)(GLuint, GLenum, GLint*);
using LogQuery = void (*)(GLuint, GLsizei, GLsizei*, GLchar*);

// The whole log, however long the driver made it.
std::string infoLog(GLuint object, LengthQuery queryLength, LogQuery queryLog) {
    GLint length = 0;
    queryLength(object, GL_INFO_LOG_LENGTH, &length);
    if (length <= 0)
        return std::string();
    std::vector<GLchar> log(size_t(length) + 1, '\0');
    GLsizei written = 0;
    queryLog(object, length, &written, log.data());
    return std::string(log.data(), size_t(written));
}

bool isLinked(GLuint program) {
    GLint status = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    return status == GL_TRUE;
}

// Reports a failed compile as a driver error and goes on: the program is still
// linked and used, and the game never waits for anyone to read the report.
GLuint compileStage(GLenum stage, const std::string& source, const char* failureTitle) {
    const GLuint shader = glCreateShader(stage);
    const GLchar* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint status = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
    if (status != GL_TRUE)
        reportMessage(MessageSeverity::DRIVER_ERROR, "%s\n%s", failureTitle,
                      infoLog(shader, glGetShaderiv, glGetShaderInfoLog).c_str());
    return shader;
}

} // namespace

OpenGLShader::~OpenGLShader() {
    release();
}

// A device with this shader current binds none until it is set again, so that a
// recompiled shader's new program is bound then rather than the old one kept.
void OpenGLShader::release() {
    OpenGLRenderDevice::forget(this);
    if (m_Program != 0)
        glDeleteProgram(m_Program);
    if (m_VertexShader != 0)
        glDeleteShader(m_VertexShader);
    if (m_FragmentShader != 0)
        glDeleteShader(m_FragmentShader);
    m_Program = m_VertexShader = m_FragmentShader = 0;
    m_Linked = false;
}

bool OpenGLShader::compile(const std::string& vertexSource, const std::string& fragmentSource) {
    release();
    if (!vertexSource.empty())
        m_VertexShader =
            compileStage(GL_VERTEX_SHADER, vertexSource, "Error Compiling Vertex Shader");
    if (!fragmentSource.empty())
        m_FragmentShader =
            compileStage(GL_FRAGMENT_SHADER, fragmentSource, "Error Compiling Fragment Shader");
    m_Program = glCreateProgram();
    if (m_VertexShader != 0)
        glAttachShader(m_Program, m_VertexShader);
    if (m_FragmentShader != 0)
        glAttachShader(m_Program, m_FragmentShader);
    glLinkProgram(m_Program);
    m_Linked = isLinked(m_Program);
    if (!m_Linked)
        reportMessage(MessageSeverity::DRIVER_ERROR, "Error Linking Shader Program\n%s",
                      infoLog(m_Program, glGetProgramiv, glGetProgramInfoLog).c_str());
    return true;
}

// glUniform reaches only the program in use: another one in use, or none, is
// swapped out for the call and put back, so the devices' record stays true.
// Both the link result and the program in use come from records kept here and
// in the device: a query would wait for a threaded driver, on every item drawn.
void OpenGLShader::setUniform(const std::string& name, int value) {
    if (!isUsable())
        return;
    OpenGLShader* inUse = OpenGLRenderDevice::getShaderInUse();
    if (inUse != this)
        glUseProgram(m_Program);
    glUniform1i(glGetUniformLocation(m_Program, name.c_str()), value);
    if (inUse == this)
        return;
    if (inUse)
        inUse->bind();
    else
        glUseProgram(0);
}

bool OpenGLShader::isUsable() const {
    return m_Program != 0 && m_Linked;
}

// A program that failed to link cannot be made current; drawing then falls back
// to the fixed-function pipeline instead of whatever program was current before.
void OpenGLShader::bind() {
    glUseProgram(m_Linked ? m_Program : 0);
}

} // namespace Kestrel
