// A render device for fuzzing and benchmarks: its factories return plain vertex
// and face lists and no textures, shaders or framebuffers; everything else does
// nothing, and render only empties the queue.
#pragma once

#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/vertexlist.h"

namespace TestSupport {

class ListOnlyDevice : public Kestrel::RenderDevice {
public:
    Kestrel::FaceList* createFaceList(Kestrel::VertexList* list, int usage) override {
        return new Kestrel::FaceList(list, usage);
    }
    Kestrel::VertexList* createVertexList(int usage) override {
        return new Kestrel::VertexList(usage);
    }
    Kestrel::Shader* createShader() override { return nullptr; }
    Kestrel::FrameBuffer* createFrameBuffer() override { return nullptr; }
    Kestrel::Texture* createTexture() override { return nullptr; }
    void setTexture(Kestrel::Texture*, unsigned int) override {}
    void setShader(Kestrel::Shader*) override {}
    void setFrameBuffer(Kestrel::FrameBuffer*) override {}
    void setViewport(const Kestrel::IntPoint&, const Kestrel::IntPoint&) override {}
    void clear(bool, bool) override {}
    void setDepthTest(bool) override {}
    void setBlendMode(Kestrel::BlendMode) override {}
    void drawFaceList(Kestrel::FaceList*) override {}
    void render(Kestrel::Camera*) override { m_RenderQueue.clear(); }
    void setCamera(Kestrel::Camera*) override {}
};

// Assertion reports are expected on hostile input; keeps a fuzzer's output quiet.
inline void ignoreAssertion(const char*, const char*, int) {}

} // namespace TestSupport
