#include "engine/renderdevice/opengl/opengl_framebuffer.h"

#include "engine/renderdevice/opengl/opengl_renderdevice.h"

#include "engine/assert.h"

#include <GL/glew.h>

namespace Kestrel {
namespace {

// Allocates an empty attachment texture of the given kind and returns its name.
GLuint createAttachment(GLint internalFormat, GLenum pixelFormat, unsigned width, unsigned height) {
    GLuint handle = 0;
    glGenTextures(1, &handle);
    glBindTexture(GL_TEXTURE_2D, handle);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, GLsizei(width), GLsizei(height), 0, pixelFormat,
                 GL_UNSIGNED_BYTE, nullptr);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return handle;
}

GLuint createColorAttachment(unsigned width, unsigned height) {
    const GLuint handle = createAttachment(GL_RGBA8, GL_RGBA, width, height);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, handle,
                              0);
    return handle;
}

GLuint createDepthAttachment(unsigned width, unsigned height) {
    const GLuint handle = createAttachment(GL_DEPTH_COMPONENT, GL_DEPTH_COMPONENT, width, height);
    glTexParameteri(GL_TEXTURE_2D, GL_DEPTH_TEXTURE_MODE, GL_LUMINANCE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D, handle,
                              0);
    return handle;
}

} // namespace

bool OpenGLFrameBuffer::OpenGLFrameBufferTexture::load(const std::string&) {
    KESTREL_ASSERT(false);
    return false;
}

bool OpenGLFrameBuffer::OpenGLFrameBufferTexture::load(const std::string&, unsigned, unsigned,
                                                       bool) {
    KESTREL_ASSERT(false);
    return false;
}

OpenGLFrameBuffer::~OpenGLFrameBuffer() {
    OpenGLRenderDevice::forget(this);
    release();
}

void OpenGLFrameBuffer::release() {
    delete m_ColorTexture;
    delete m_DepthTexture;
    m_ColorTexture = nullptr;
    m_DepthTexture = nullptr;
    if (m_FrameBufferHandle != 0)
        glDeleteFramebuffersEXT(1, &m_FrameBufferHandle);
    m_FrameBufferHandle = 0;
}

// The framebuffer and texture bound before are bound again afterwards (this
// target's new name if it was the one bound), so that the render device's
// record of its bindings stays true.
bool OpenGLFrameBuffer::create(unsigned width, unsigned height, bool withDepth) {
    GLint target = 0, texture = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &target);
    const bool wasBound = m_FrameBufferHandle != 0 && GLuint(target) == m_FrameBufferHandle;
    // A second create replaces the target instead of leaking the first one.
    release();
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
    m_Width = width;
    m_Height = height;
    glGenFramebuffersEXT(1, &m_FrameBufferHandle);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, m_FrameBufferHandle);
    glEnable(GL_TEXTURE_2D);
    const GLuint color = createColorAttachment(width, height);
    const GLuint depth = withDepth ? createDepthAttachment(width, height) : 0;
    // A zero or oversized side leaves a target nothing can be drawn into.
    const bool complete =
        glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
    glBindTexture(GL_TEXTURE_2D, GLuint(texture));
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, wasBound ? m_FrameBufferHandle : GLuint(target));
    m_ColorTexture = new OpenGLFrameBufferTexture(color);
    m_DepthTexture = new OpenGLFrameBufferTexture(depth);
    KESTREL_ASSERT(complete);
    return complete;
}

void OpenGLFrameBuffer::bind() {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, m_FrameBufferHandle);
}

} // namespace Kestrel
