// A texture that keeps its pixels in memory instead of on the graphics side, and
// a device that hands it out, so that image and font loading run without a GL
// context. create reads every byte it is promised, which lets the address
// sanitizer catch a pixel buffer that is shorter than width x height says.
#pragma once

#include "engine/renderdevice/texture.h"
#include "tests/support/list_only_device.h"

#include <cstddef>
#include <vector>

namespace Fuzz {

class MemoryTexture : public Kestrel::Texture {
public:
    bool create(Kestrel::TextureFormat format, unsigned width, unsigned height,
                const void* pixels) override {
        const size_t bpp = format == Kestrel::FORMAT_RGBA    ? 4
                           : format == Kestrel::FORMAT_RGB   ? 3
                           : format == Kestrel::FORMAT_ALPHA ? 1
                                                             : 0;
        if (bpp == 0 || !pixels)
            return false;
        const auto* bytes = static_cast<const unsigned char*>(pixels);
        m_Pixels.assign(bytes, bytes + size_t(width) * height * bpp);
        m_Width = width;
        m_Height = height;
        return true;
    }
    bool setMipmap(unsigned, const void*) override { return !m_Pixels.empty(); }
    void setFiltering(bool) override {}
    unsigned getHandle() const override { return m_Pixels.empty() ? 0u : 1u; }

    std::vector<unsigned char> m_Pixels;
    unsigned m_Width = 0;
    unsigned m_Height = 0;
};

class MemoryTextureDevice : public TestSupport::ListOnlyDevice {
public:
    Kestrel::Texture* createTexture() override { return new MemoryTexture(); }
};

} // namespace Fuzz
