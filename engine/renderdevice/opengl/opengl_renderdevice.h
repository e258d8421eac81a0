// The render device on fixed-function OpenGL with buffer objects, GLSL programs
// and framebuffer objects. Needs a current context and an initialised GLEW. Its
// only record of OpenGL state is the texture per stage, the shader and the
// framebuffer it last set.
#pragma once

#include "engine/renderdevice/renderdevice.h"

namespace Kestrel {

class OpenGLShader;

class OpenGLRenderDevice : public RenderDevice {
public:
    // The perspective of every camera: the vertical field of view in degrees
    // and the depth range in world units.
    static constexpr double FIELD_OF_VIEW = 45.0;
    static constexpr double NEAR_PLANE = 1.0;
    static constexpr double FAR_PLANE = 2000.0;

    OpenGLRenderDevice();
    ~OpenGLRenderDevice() override;

    FaceList* createFaceList(VertexList* vertexList, int usage) override;
    VertexList* createVertexList(int usage) override;
    Shader* createShader() override;
    FrameBuffer* createFrameBuffer() override;
    Texture* createTexture() override;

    void setTexture(Texture* texture, unsigned int textureStage) override;
    void setShader(Shader* shader) override;
    void setFrameBuffer(FrameBuffer* frameBuffer) override;
    void setViewport(const IntPoint& lowerLeft, const IntPoint& upperRight) override;
    void clear(bool color, bool depth) override;
    void setDepthTest(bool enabled) override;
    void setBlendMode(BlendMode mode) override;
    void setProjectionMatrix(const Matrix4& m) override;
    void setModelViewMatrix(const Matrix4& m) override;
    void drawFaceList(FaceList* faceList) override;
    void render(Camera* camera) override;
    void setCamera(Camera* camera) override;
    unsigned getMaxTextureSize() const override;

    // Light 0, white and directional, shining from direction. OpenGL takes it in
    // eye space: call while the model-view matrix is the identity (the device
    // keeps the camera in the projection, so it is then a world direction).
    // Needs a current context, not a device. Shaders read it as well.
    static void setWhiteLight(const Vector3& direction);
    // Whether drawing without a shader is lit.
    static void setLighting(bool enabled);

    // Called by textures, shaders and framebuffers as they go: every device
    // that had set one records nothing there instead, as OpenGL does for a
    // deleted texture or framebuffer, and a deleted shader (which OpenGL keeps
    // in use) is unbound; no later call reaches freed memory.
    static void forget(const Texture* texture);
    static void forget(const Shader* shader);
    static void forget(const FrameBuffer* frameBuffer);
    // The shader the devices last made current (null: none), from their
    // record rather than asked of the driver.
    static OpenGLShader* getShaderInUse();

protected:
    Texture* m_Textures[MAX_TEXTURE_STAGES] = {};
    Shader* m_Shader = nullptr;
    FrameBuffer* m_FrameBuffer = nullptr;
};

} // namespace Kestrel
