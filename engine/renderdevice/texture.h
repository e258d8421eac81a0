// A two-dimensional image on the graphics side, filled from an image file (PNG,
// JPEG, BMP, GIF, TGA, PNM, TIFF and the other formats of imagefile.h) or from
// pixels in memory. Texture coordinate v = 0 is the image's first row. Made by
// RenderDevice::createTexture and owned by the caller, or by the resource cache
// when loaded through loadTexture; it owns its one texture name from create on.
#pragma once

#include "engine/resource.h"

#include <string>

namespace Kestrel {

enum TextureFormat { FORMAT_RGBA = 0, FORMAT_RGB = 1, FORMAT_ALPHA = 2 };

class Texture : public Resource {
public:
    ~Texture() override = default;
    Type getResourceType() const override { return TEXTURE; }
    // Decodes the image file and hands tightly packed RGB or RGBA bytes to create;
    // a missing or broken file is named in a message.
    virtual bool load(const std::string& path);
    // Builds the texture and its whole mipmap chain from rows of width pixels;
    // false for an unknown format, no pixels or a side of zero.
    virtual bool create(TextureFormat format, unsigned width, unsigned height,
                        const void* pixels) = 0;
    // Replaces mipmap level index + 1 (index 0 is the first level below full size).
    virtual bool setMipmap(unsigned index, const void* pixels) = 0;
    // Smooth mipmapped filtering (as the device affords it), or nearest-pixel
    // sampling when false.
    virtual void setFiltering(bool filtered) = 0;
    // The graphics API's name of the texture; 0 while empty.
    virtual unsigned getHandle() const = 0;
};

} // namespace Kestrel
