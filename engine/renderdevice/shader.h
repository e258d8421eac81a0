// A GPU program made of an optional vertex and an optional fragment program,
// compiled from GLSL source files. Its colour sampler is the uniform "texture"
// (texture unit 0). Made by RenderDevice::createShader and owned by the caller,
// or by the resource cache when loaded through loadShader; a program that does
// not compile is still kept, drawing as the fixed-function pipeline would.
#pragma once

#include "engine/resource.h"

#include <string>

namespace Kestrel {

class Shader : public Resource {
public:
    ~Shader() override = default;
    Type getResourceType() const override { return SHADER; }
    // Either source may be empty; compile errors are reported, not fatal.
    virtual bool compile(const std::string& vertexSource, const std::string& fragmentSource) = 0;
    // An integer uniform of the linked program, whichever program is in use;
    // an unknown name is ignored.
    virtual void setUniform(const std::string& name, int value) = 0;
    // False when compile made no program that can be drawn with.
    virtual bool isUsable() const { return true; }

    // Reads both files (an empty path or a missing file leaves that stage out);
    // a named file that gives no source, and a program that does not link, are
    // named in a message.
    bool load(const std::string& vertexPath, const std::string& fragmentPath);
};

} // namespace Kestrel
