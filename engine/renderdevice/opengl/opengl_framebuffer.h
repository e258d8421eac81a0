// A render target on EXT framebuffer objects. Owns its framebuffer name and
// both attachment textures, which bind like any other texture.
#pragma once

#include "engine/renderdevice/framebuffer.h"
#include "engine/renderdevice/opengl/opengl_texture.h"

namespace Kestrel {

class OpenGLFrameBuffer : public FrameBuffer {
public:
    // An attachment of a framebuffer: owns its texture name, cannot be loaded.
    class OpenGLFrameBufferTexture : public OpenGLTexture {
    public:
        explicit OpenGLFrameBufferTexture(unsigned handle) { m_TextureHandle = handle; }
        bool load(const std::string& path) override;
        virtual bool load(const std::string& path, unsigned width, unsigned height, bool depth);
    };

    ~OpenGLFrameBuffer() override;
    bool create(unsigned width, unsigned height, bool withDepth) override;
    Texture* getColorTexture() override { return m_ColorTexture; }
    Texture* getDepthTexture() override { return m_DepthTexture; }
    void bind();

private:
    void release();

    unsigned m_FrameBufferHandle = 0;
    OpenGLFrameBufferTexture* m_ColorTexture = nullptr;
    OpenGLFrameBufferTexture* m_DepthTexture = nullptr;
    unsigned m_Width = 0;
    unsigned m_Height = 0;
};

} // namespace Kestrel
