#include "engine/renderdevice/opengl/opengl_texture.h"

#include "engine/renderdevice/opengl/opengl_renderdevice.h"

#include "engine/assert.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <cstring>

namespace Kestrel {
namespace {

struct GlFormat {
    GLenum pixelFormat;
    GLint internalFormat;
};

const char* g_RendererOverride = nullptr;

// Colour images are stored compressed by the driver, except on software
// rasterizers; alpha-only atlases never are.
bool mapFormat(TextureFormat format, bool compress, GlFormat& out) {
    switch (format) {
    case FORMAT_RGBA:
        out = {GL_RGBA, compress ? GLint(GL_COMPRESSED_RGBA_S3TC_DXT5_EXT) : GLint(GL_RGBA8)};
        return true;
    case FORMAT_RGB:
        out = {GL_RGB, compress ? GLint(GL_COMPRESSED_RGB_S3TC_DXT1_EXT) : GLint(GL_RGB8)};
        return true;
    case FORMAT_ALPHA:
        out = {GL_ALPHA, GL_ALPHA};
        return true;
    }
    KESTREL_ASSERT(false);
    return false;
}

const char* currentRenderer() {
    if (g_RendererOverride)
        return g_RendererOverride;
    return reinterpret_cast<const char*>(glGetString(GL_RENDERER));
}

bool compressOnCurrentDriver() {
    return compressesColourTextures(currentRenderer());
}

// The drivers that keep colour uncompressed are the software rasterizers,
// which pay for every texel fetched: they read the nearest mipmap level
// instead of blending two.
GLint smoothMinFilter() {
    return compressOnCurrentDriver() ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_NEAREST;
}

// Pixels handed to the texture are tightly packed rows; the default 4-byte
// unpack alignment would misread RGB and alpha rows of other lengths.
class TightRows {
public:
    TightRows() {
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &m_Saved);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    ~TightRows() { glPixelStorei(GL_UNPACK_ALIGNMENT, m_Saved); }

private:
    GLint m_Saved = 4;
};

// Filling a texture binds it; afterwards the unit gets back what was bound
// there, so that the render device's record of its bindings stays true. A
// bound texture that replaces its name is bound again under the new one.
class BindingKept {
public:
    explicit BindingKept(const unsigned& handle) : m_Handle(handle), m_Old(handle) {
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &m_Saved);
    }
    ~BindingKept() {
        const bool replaced = m_Old != 0 && GLuint(m_Saved) == m_Old;
        glBindTexture(GL_TEXTURE_2D, replaced ? m_Handle : GLuint(m_Saved));
    }

private:
    const unsigned& m_Handle;
    GLuint m_Old;
    GLint m_Saved = 0;
};

// Mipmap sides never drop below one pixel.
unsigned halved(unsigned side) {
    return side > 1 ? side / 2 : 1;
}

void setMinMagFilter(GLint minFilter, GLint magFilter) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
}

} // namespace

bool compressesColourTextures(const char* renderer) {
    if (!renderer)
        return true;
    for (const char* software : {"llvmpipe", "softpipe", "swrast"}) {
        if (std::strstr(renderer, software))
            return false;
    }
    return true;
}

void OpenGLTexture::setRendererOverride(const char* renderer) {
    g_RendererOverride = renderer;
}

OpenGLTexture::~OpenGLTexture() {
    OpenGLRenderDevice::forget(this);
    release();
}

void OpenGLTexture::release() {
    if (m_TextureHandle != 0)
        glDeleteTextures(1, &m_TextureHandle);
    m_TextureHandle = 0;
    m_Width = m_Height = 0;
    m_Format = FORMAT_RGBA;
    m_Compressed = true;
}

// A second create replaces the image, and one that fails leaves none: the old
// name is not kept alive, nor its size for a later mipmap level.
bool OpenGLTexture::create(TextureFormat format, unsigned width, unsigned height,
                           const void* pixels) {
    BindingKept kept(m_TextureHandle);
    glEnable(GL_TEXTURE_2D);
    release();
    GlFormat gl;
    const bool compressed = compressOnCurrentDriver();
    if (!mapFormat(format, compressed, gl))
        return false;
    if (!pixels) {
        KESTREL_ASSERT_TEXT(pixels != nullptr, "pixels != null");
        return false;
    }
    glGenTextures(1, &m_TextureHandle);
    glBindTexture(GL_TEXTURE_2D, m_TextureHandle);
    setMinMagFilter(smoothMinFilter(), GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    // An image too large for the driver is scaled down to fit; one without
    // pixels (a zero side) gives no texture to draw with.
    GLint built = 0;
    {
        TightRows tightRows;
        built = gluBuild2DMipmaps(GL_TEXTURE_2D, gl.internalFormat, GLsizei(width), GLsizei(height),
                                  gl.pixelFormat, GL_UNSIGNED_BYTE, pixels);
    }
    if (built != 0) {
        KESTREL_ASSERT(built == 0);
        release();
        return false;
    }
    m_Width = width;
    m_Height = height;
    m_Format = format;
    m_Compressed = compressed;
    return true;
}

bool OpenGLTexture::setMipmap(unsigned index, const void* pixels) {
    if (m_TextureHandle == 0) {
        KESTREL_ASSERT(m_TextureHandle != 0);
        return false;
    }
    BindingKept kept(m_TextureHandle);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, m_TextureHandle);
    GlFormat gl;
    // Every level keeps the storage the image was created with.
    if (!mapFormat(m_Format, m_Compressed, gl))
        return false;
    unsigned width = m_Width;
    unsigned height = m_Height;
    for (unsigned level = 0; level <= index; ++level) {
        if (width <= 1 && height <= 1) {
            KESTREL_ASSERT(false);
            return false;
        }
        width = halved(width);
        height = halved(height);
    }
    TightRows tightRows;
    glTexImage2D(GL_TEXTURE_2D, GLint(index + 1), gl.internalFormat, GLsizei(width),
                 GLsizei(height), 0, gl.pixelFormat, GL_UNSIGNED_BYTE, pixels);
    return true;
}

void OpenGLTexture::setFiltering(bool filtered) {
    if (m_TextureHandle == 0) {
        KESTREL_ASSERT(m_TextureHandle != 0);
        return;
    }
    BindingKept kept(m_TextureHandle);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, m_TextureHandle);
    if (filtered)
        setMinMagFilter(smoothMinFilter(), GL_LINEAR);
    else
        setMinMagFilter(GL_NEAREST, GL_NEAREST);
}

} // namespace Kestrel
