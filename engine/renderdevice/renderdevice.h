// The engine's one door to the graphics hardware: factories for device objects
// (the caller owns what they return), state setters, an immediate draw, and a
// render queue drawn in submission order through a camera. The queue points to
// what it draws and owns nothing; items are valid until the next render.
#pragma once

#include "engine/vector.h"

#include <cstdint>
#include <vector>

namespace Kestrel {

class Camera;
class FaceList;
class FrameBuffer;
class Morphable;
class Shader;
class Texture;
class Transformable;
class VertexList;

const unsigned MAX_TEXTURE_STAGES = 4;

enum BlendMode : int32_t { BLEND_NONE = 0, BLEND_ADDITIVE = 1, BLEND_ALPHA = 2 };

struct IntPoint {
    int32_t x = 0;
    int32_t y = 0;
};

struct RenderItem {
    Transformable* transform = nullptr; // its world matrix is the model-view; null is identity
    FaceList* faceList = nullptr;
    Texture* texture = nullptr;     // stage 0
    Shader* shader = nullptr;       // null: fixed-function pipeline
    Morphable* morphable = nullptr; // deforms the face list's vertices before drawing
    BlendMode blendMode = BLEND_NONE;
    bool cullBackFaces = false; // for closed meshes, whose back faces are never seen
};

class RenderDevice {
public:
    RenderDevice() = default;
    virtual ~RenderDevice() = default;
    RenderDevice(const RenderDevice&) = delete;
    RenderDevice& operator=(const RenderDevice&) = delete;

    // Factories: a new empty object the caller owns (usage: USAGE_STATIC or
    // USAGE_DYNAMIC); the face list indexes the given vertex list, not owned.
    virtual FaceList* createFaceList(VertexList* vertexList, int usage) = 0;
    virtual VertexList* createVertexList(int usage) = 0;
    virtual Shader* createShader() = 0;
    virtual FrameBuffer* createFrameBuffer() = 0;
    virtual Texture* createTexture() = 0;

    // Null unbinds; a stage of MAX_TEXTURE_STAGES or more is reported and ignored.
    virtual void setTexture(Texture* texture, unsigned int textureStage) = 0;
    // Null selects the fixed-function pipeline.
    virtual void setShader(Shader* shader) = 0;
    // Null draws into the window again; the viewport is left as it is.
    virtual void setFrameBuffer(FrameBuffer* frameBuffer) = 0;
    // Corners in pixels, lower left first.
    virtual void setViewport(const IntPoint& lowerLeft, const IntPoint& upperRight) = 0;
    // Clears to opaque black.
    virtual void clear(bool color, bool depth) = 0;
    virtual void setDepthTest(bool enabled) = 0;
    virtual void setBlendMode(BlendMode mode) = 0;
    virtual void setProjectionMatrix(const Matrix4& m) { m_ProjectionMatrix = m; }
    virtual void setModelViewMatrix(const Matrix4& m) { m_ModelViewMatrix = m; }
    // Draws at once with the current matrices, texture, shader and blending.
    virtual void drawFaceList(FaceList* faceList) = 0;
    // Draws and empties the queue through the camera (not null).
    virtual void render(Camera* camera) = 0;
    // The camera's whole transform goes into the projection; model-view stays
    // for each object's own world matrix.
    virtual void setCamera(Camera* camera) = 0;
    // The longest texture side the driver takes, in pixels. Devices that cannot
    // ask a driver assume what this machine's drivers take.
    virtual unsigned getMaxTextureSize() const { return 16384; }

    // Note the argument order: the face list first.
    void addToRenderQueue(FaceList* faceList, Transformable* transform, Texture* texture,
                          Shader* shader, Morphable* morphable, BlendMode blendMode,
                          bool cullBackFaces = false) {
        m_RenderQueue.push_back(
            {transform, faceList, texture, shader, morphable, blendMode, cullBackFaces});
    }
    Matrix4 getProjectionMatrix() const { return m_ProjectionMatrix; }
    Matrix4 getModelViewMatrix() const { return m_ModelViewMatrix; }
    const std::vector<RenderItem>& getRenderQueue() const { return m_RenderQueue; }

protected:
    std::vector<RenderItem> m_RenderQueue;
    Matrix4 m_ProjectionMatrix;
    Matrix4 m_ModelViewMatrix;
};

} // namespace Kestrel
