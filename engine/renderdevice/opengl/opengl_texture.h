// A texture on OpenGL: colour images stored S3TC-compressed with a full GLU-built
// mipmap chain, trilinear and clamped; alpha-only images for glyph atlases.
// Owns its texture name.
#pragma once

#include "engine/renderdevice/texture.h"

namespace Kestrel {

class OpenGLTexture : public Texture {
public:
    ~OpenGLTexture() override;
    bool create(TextureFormat format, unsigned width, unsigned height, const void* pixels) override;
    bool setMipmap(unsigned index, const void* pixels) override;
    void setFiltering(bool filtered) override;
    unsigned getHandle() const override { return m_TextureHandle; }

protected:
    unsigned m_TextureHandle = 0;
    TextureFormat m_Format = FORMAT_RGBA;
    unsigned m_Width = 0;
    unsigned m_Height = 0;
};

} // namespace Kestrel
