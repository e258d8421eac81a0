// A texture on OpenGL: colour images stored S3TC-compressed (uncompressed on
// software rasterizers, which decode blocks at every texel fetch) with a full
// GLU-built mipmap chain, trilinear (nearest level on software rasterizers)
// and clamped; alpha-only images for glyph atlases. Owns its texture name.
#pragma once

#include "engine/renderdevice/texture.h"

namespace Kestrel {

// False for the software rasterizers by their GL_RENDERER name (llvmpipe,
// softpipe, swrast); true for any other driver and for an unknown name.
bool compressesColourTextures(const char* renderer);

class OpenGLTexture : public Texture {
public:
    ~OpenGLTexture() override;
    bool create(TextureFormat format, unsigned width, unsigned height, const void* pixels) override;
    bool setMipmap(unsigned index, const void* pixels) override;
    void setFiltering(bool filtered) override;
    unsigned getHandle() const override { return m_TextureHandle; }
    // Makes later uploads choose their storage as on the named driver instead
    // of the current one; null goes back to the current one.
    static void setRendererOverride(const char* renderer);

protected:
    // Back to the empty state: no name, no image.
    void release();

    unsigned m_TextureHandle = 0;
    TextureFormat m_Format = FORMAT_RGBA;
    bool m_Compressed = true;
    unsigned m_Width = 0;
    unsigned m_Height = 0;
};

} // namespace Kestrel
