// A render device for tests that need no graphics: its factories return plain
// lists and textures/shaders that remember what they were given, and it records
// the state calls and the queue it is asked to draw.
#pragma once

#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/framebuffer.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/shader.h"
#include "engine/renderdevice/texture.h"
#include "engine/renderdevice/vertexlist.h"

#include <string>
#include <vector>

namespace TestSupport {

class RecordingTexture : public Kestrel::Texture {
public:
    bool create(Kestrel::TextureFormat format, unsigned width, unsigned height,
                const void* pixels) override {
        const unsigned bytesPerPixel[3] = {4, 3, 1}; // RGBA, RGB, alpha
        if (unsigned(format) > 2)
            return false;
        m_Created = true;
        m_Format = format;
        m_Width = width;
        m_Height = height;
        const auto* bytes = static_cast<const unsigned char*>(pixels);
        m_Pixels.assign(bytes, bytes + size_t(width) * height * bytesPerPixel[format]);
        return true;
    }
    bool setMipmap(unsigned, const void*) override { return true; }
    void setFiltering(bool) override {}
    unsigned getHandle() const override { return m_Created ? 1u : 0u; }

    bool m_Created = false;
    Kestrel::TextureFormat m_Format = Kestrel::FORMAT_RGBA;
    unsigned m_Width = 0;
    unsigned m_Height = 0;
    std::vector<unsigned char> m_Pixels;
};

class RecordingShader : public Kestrel::Shader {
public:
    bool compile(const std::string& vertexSource, const std::string& fragmentSource) override {
        m_VertexSource = vertexSource;
        m_FragmentSource = fragmentSource;
        return true;
    }
    void setUniform(const std::string&, int) override {}

    std::string m_VertexSource;
    std::string m_FragmentSource;
};

class TestRenderDevice : public Kestrel::RenderDevice {
public:
    Kestrel::FaceList* createFaceList(Kestrel::VertexList* vertexList, int usage) override {
        return new Kestrel::FaceList(vertexList, usage);
    }
    Kestrel::VertexList* createVertexList(int usage) override {
        return new Kestrel::VertexList(usage);
    }
    Kestrel::Shader* createShader() override { return new RecordingShader(); }
    Kestrel::FrameBuffer* createFrameBuffer() override { return nullptr; }
    Kestrel::Texture* createTexture() override { return new RecordingTexture(); }

    void setTexture(Kestrel::Texture* texture, unsigned int stage) override {
        if (stage < Kestrel::MAX_TEXTURE_STAGES)
            m_Textures[stage] = texture;
    }
    void setShader(Kestrel::Shader* shader) override { m_Shader = shader; }
    void setFrameBuffer(Kestrel::FrameBuffer*) override {}
    void setViewport(const Kestrel::IntPoint&, const Kestrel::IntPoint&) override {}
    void clear(bool, bool) override { ++m_ClearCount; }
    void setDepthTest(bool enabled) override { m_DepthTest = enabled; }
    void setBlendMode(Kestrel::BlendMode mode) override { m_BlendMode = mode; }
    void drawFaceList(Kestrel::FaceList* faceList) override {
        m_DrawnFaceLists.push_back(faceList);
    }
    // Records the queue as it was drawn, then empties it.
    void render(Kestrel::Camera*) override {
        m_RenderedQueues.push_back(m_RenderQueue);
        m_RenderQueue.clear();
    }
    void setCamera(Kestrel::Camera*) override {}
    unsigned getMaxTextureSize() const override { return m_MaxTextureSize; }

    Kestrel::Texture* m_Textures[Kestrel::MAX_TEXTURE_STAGES] = {};
    Kestrel::Shader* m_Shader = nullptr;
    // On, as the text overlays never leave it: tests see them turn it off.
    bool m_DepthTest = true;
    Kestrel::BlendMode m_BlendMode = Kestrel::BLEND_NONE;
    int m_ClearCount = 0;
    unsigned m_MaxTextureSize = 16384;
    std::vector<Kestrel::FaceList*> m_DrawnFaceLists;
    std::vector<std::vector<Kestrel::RenderItem>> m_RenderedQueues;
};

} // namespace TestSupport
