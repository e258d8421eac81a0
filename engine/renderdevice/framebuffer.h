// A render target of width x height pixels: an RGBA colour texture (8 bits a
// channel) and an optional depth texture. Made by RenderDevice::createFrameBuffer
// and owned by the caller; it owns both attachment textures.
#pragma once

namespace Kestrel {

class Texture;

class FrameBuffer {
public:
    virtual ~FrameBuffer() = default;
    // Builds the target; without depth the depth texture exists with handle 0.
    // False when the driver cannot draw into it (a side of zero, too large).
    virtual bool create(unsigned width, unsigned height, bool withDepth) = 0;
    // Null before create; owned by the framebuffer.
    virtual Texture* getColorTexture() = 0;
    virtual Texture* getDepthTexture() = 0;
};

} // namespace Kestrel
