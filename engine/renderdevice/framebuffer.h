// A render target with a colour texture and an optional depth texture; it owns
// both attachment textures.
#pragma once

namespace Kestrel {

class Texture;

class FrameBuffer {
public:
    virtual ~FrameBuffer() = default;
    virtual bool create(unsigned width, unsigned height, bool withDepth) = 0;
    virtual Texture* getColorTexture() = 0;
    virtual Texture* getDepthTexture() = 0;
};

} // namespace Kestrel
