#include "engine/renderdevice/opengl/opengl_renderdevice.h"

#include "engine/assert.h"
#include "engine/camera.h"
#include "engine/morphable.h"
#include "engine/renderdevice/opengl/opengl_buffers.h"
#include "engine/renderdevice/opengl/opengl_framebuffer.h"
#include "engine/renderdevice/opengl/opengl_shader.h"
#include "engine/renderdevice/opengl/opengl_texture.h"
#include "engine/transformable.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

namespace Kestrel {
namespace {

// Skinned vertices of every morphed item are written here; one list serves the
// whole process, and it is never destroyed (it stays reachable until exit).
OpenGLVertexList* g_MorphScratchList = nullptr;

// The shader whose program the context uses, as the devices last set it.
OpenGLShader* g_ShaderInUse = nullptr;

// Every live device, for forget(). Never destroyed: the resource cache may
// free its textures as the process ends.
std::vector<OpenGLRenderDevice*>& liveDevices() {
    static auto* s_Devices = new std::vector<OpenGLRenderDevice*>;
    return *s_Devices;
}

// GLEW fills these in; until glewInit has run they are null, and the first
// vertex list made would jump to address zero.
std::string missingEntryPoints() {
#define KESTREL_ENTRY_POINT(name)                                                                  \
    { #name, name != nullptr }
    const std::pair<const char*, bool> entryPoints[] = {
        KESTREL_ENTRY_POINT(glGenBuffersARB),
        KESTREL_ENTRY_POINT(glBindBufferARB),
        KESTREL_ENTRY_POINT(glBufferDataARB),
        KESTREL_ENTRY_POINT(glDeleteBuffersARB),
        KESTREL_ENTRY_POINT(glActiveTexture),
        KESTREL_ENTRY_POINT(glLoadTransposeMatrixf),
        KESTREL_ENTRY_POINT(glCreateShader),
        KESTREL_ENTRY_POINT(glShaderSource),
        KESTREL_ENTRY_POINT(glCompileShader),
        KESTREL_ENTRY_POINT(glCreateProgram),
        KESTREL_ENTRY_POINT(glAttachShader),
        KESTREL_ENTRY_POINT(glLinkProgram),
        KESTREL_ENTRY_POINT(glUseProgram),
        KESTREL_ENTRY_POINT(glGetUniformLocation),
        KESTREL_ENTRY_POINT(glUniform1i),
        KESTREL_ENTRY_POINT(glGenFramebuffersEXT),
        KESTREL_ENTRY_POINT(glBindFramebufferEXT),
        KESTREL_ENTRY_POINT(glFramebufferTexture2DEXT),
        KESTREL_ENTRY_POINT(glDeleteFramebuffersEXT),
    };
#undef KESTREL_ENTRY_POINT
    std::string missing;
    for (const auto& entryPoint : entryPoints) {
        if (!entryPoint.second)
            missing += (missing.empty() ? "" : ", ") + std::string(entryPoint.first);
    }
    return missing;
}

void enableClientArrays() {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

void disableClientArrays() {
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

// A transform that mirrors (negative determinant) turns the winding round.
bool mirrors(const Transformable* transform) {
    if (!transform)
        return false;
    const float* m = transform->getMatrix().m;
    const float determinant = m[0] * (m[5] * m[10] - m[6] * m[9]) -
                              m[1] * (m[4] * m[10] - m[6] * m[8]) +
                              m[2] * (m[4] * m[9] - m[5] * m[8]);
    return determinant < 0.0f;
}

// Front faces are wound counter-clockwise on screen, or clockwise once mirrored.
void setBackFaceCulling(bool enabled, bool mirrored = false) {
    glFrontFace(mirrored ? GL_CW : GL_CCW);
    if (enabled)
        glEnable(GL_CULL_FACE);
    else
        glDisable(GL_CULL_FACE);
}

void drawTriangles(const FaceList* faceList) {
    glDrawElements(GL_TRIANGLES, GLsizei(faceList->getFaceCount()) * 3, GL_UNSIGNED_SHORT, nullptr);
}

// The device draws only lists that a device of its kind created.
void bindVertexList(VertexList* vertexList) {
    static_cast<OpenGLVertexList*>(vertexList)->bind();
}

void bindFaceList(FaceList* faceList) {
    static_cast<OpenGLFaceList*>(faceList)->bind();
}

// An item without faces is not morphed: a mesh with bones but no faces would
// be asked every frame to deform a list without vertices.
bool morphs(const RenderItem& item) {
    return item.morphable && item.faceList->getFaceCount() > 0;
}

// Same vertex list and same morphable as the previous item, and morphed alike:
// its vertices are already bound (and morphed) for this item.
bool sharesVertexSource(const RenderItem& previous, const RenderItem& item) {
    return previous.faceList &&
           previous.faceList->getVertexList() == item.faceList->getVertexList() &&
           previous.morphable == item.morphable && morphs(previous) == morphs(item);
}

// Lets the morphable deform the item's vertices into the scratch list; a
// morphable that declines leaves the item to draw its own vertices. Returns the
// list now bound.
const VertexList* bindVertexSource(RenderDevice& device, const RenderItem& item) {
    VertexList* vertices = item.faceList->getVertexList();
    if (morphs(item)) {
        if (!g_MorphScratchList)
            g_MorphScratchList =
                static_cast<OpenGLVertexList*>(device.createVertexList(USAGE_DYNAMIC));
        if (item.morphable->morph(*vertices, *g_MorphScratchList)) {
            g_MorphScratchList->bind();
            return g_MorphScratchList;
        }
    }
    bindVertexList(vertices);
    return vertices;
}

// Binds only what the previous item has not bound already. source tracks the
// vertex list whose buffer is bound.
void drawItem(RenderDevice& device, const RenderItem& previous, const RenderItem& item,
              const VertexList*& source) {
    if (item.faceList != previous.faceList)
        bindFaceList(item.faceList);
    if (!sharesVertexSource(previous, item))
        source = bindVertexSource(device, item);

    glLoadIdentity();
    if (item.transform)
        glLoadTransposeMatrixf(item.transform->getMatrix().m);
    device.setTexture(item.texture, 0);
    device.setDepthTest(item.blendMode == BLEND_NONE);
    device.setShader(item.shader);
    if (item.shader)
        item.shader->setUniform("texture", 0);
    device.setBlendMode(item.blendMode);
    setBackFaceCulling(item.cullBackFaces, item.cullBackFaces && mirrors(item.transform));
    // Without vertices no buffer is bound and the pointers would read nowhere.
    if (source && source->getVertexCount() > 0 && item.faceList->getFaceCount() > 0)
        drawTriangles(item.faceList);
}

} // namespace

// Without its entry points nothing the device makes can work: the program ends
// with what to do rather than with a fault somewhere in the first mesh load.
OpenGLRenderDevice::OpenGLRenderDevice() {
    const std::string missing = missingEntryPoints();
    if (!missing.empty()) {
        reportMessage(MessageSeverity::DRIVER_ERROR,
                      "Error: the OpenGL entry points %s are missing: call glewInit() once the "
                      "OpenGL context exists, before creating the render device (if it was "
                      "called, the driver lacks them).",
                      missing.c_str());
        std::exit(EXIT_FAILURE);
    }
    liveDevices().push_back(this);
}

OpenGLRenderDevice::~OpenGLRenderDevice() {
    std::vector<OpenGLRenderDevice*>& devices = liveDevices();
    devices.erase(std::find(devices.begin(), devices.end(), this));
}

void OpenGLRenderDevice::forget(const Texture* texture) {
    for (OpenGLRenderDevice* device : liveDevices())
        std::replace(std::begin(device->m_Textures), std::end(device->m_Textures),
                     const_cast<Texture*>(texture), static_cast<Texture*>(nullptr));
}

// A deleted program stays in use until another is chosen: choose none.
void OpenGLRenderDevice::forget(const Shader* shader) {
    for (OpenGLRenderDevice* device : liveDevices()) {
        if (device->m_Shader == shader)
            device->setShader(nullptr);
    }
    if (g_ShaderInUse == shader) {
        glUseProgram(0);
        g_ShaderInUse = nullptr;
    }
}

OpenGLShader* OpenGLRenderDevice::getShaderInUse() {
    return g_ShaderInUse;
}

void OpenGLRenderDevice::forget(const FrameBuffer* frameBuffer) {
    for (OpenGLRenderDevice* device : liveDevices()) {
        if (device->m_FrameBuffer == frameBuffer)
            device->m_FrameBuffer = nullptr;
    }
}

FaceList* OpenGLRenderDevice::createFaceList(VertexList* vertexList, int usage) {
    return new OpenGLFaceList(vertexList, usage);
}

VertexList* OpenGLRenderDevice::createVertexList(int usage) {
    return new OpenGLVertexList(usage);
}

Shader* OpenGLRenderDevice::createShader() {
    return new OpenGLShader();
}

FrameBuffer* OpenGLRenderDevice::createFrameBuffer() {
    return new OpenGLFrameBuffer();
}

Texture* OpenGLRenderDevice::createTexture() {
    return new OpenGLTexture();
}

void OpenGLRenderDevice::setTexture(Texture* texture, unsigned int textureStage) {
    if (textureStage >= MAX_TEXTURE_STAGES) {
        KESTREL_ASSERT(textureStage < MAX_TEXTURE_STAGES);
        return;
    }
    glActiveTexture(GL_TEXTURE0 + textureStage);
    glBindTexture(GL_TEXTURE_2D, texture ? texture->getHandle() : 0);
    m_Textures[textureStage] = texture;
}

void OpenGLRenderDevice::setShader(Shader* shader) {
    if (shader == m_Shader)
        return;
    if (shader)
        static_cast<OpenGLShader*>(shader)->bind();
    else
        glUseProgram(0);
    m_Shader = shader;
    g_ShaderInUse = static_cast<OpenGLShader*>(shader);
}

void OpenGLRenderDevice::setFrameBuffer(FrameBuffer* frameBuffer) {
    if (frameBuffer == m_FrameBuffer)
        return;
    if (frameBuffer)
        static_cast<OpenGLFrameBuffer*>(frameBuffer)->bind();
    else
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    m_FrameBuffer = frameBuffer;
}

void OpenGLRenderDevice::setViewport(const IntPoint& lowerLeft, const IntPoint& upperRight) {
    glViewport(lowerLeft.x, lowerLeft.y, upperRight.x - lowerLeft.x, upperRight.y - lowerLeft.y);
}

void OpenGLRenderDevice::clear(bool color, bool depth) {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear((color ? GL_COLOR_BUFFER_BIT : 0) | (depth ? GL_DEPTH_BUFFER_BIT : 0));
}

void OpenGLRenderDevice::setDepthTest(bool enabled) {
    if (enabled)
        glEnable(GL_DEPTH_TEST);
    else
        glDisable(GL_DEPTH_TEST);
}

void OpenGLRenderDevice::setBlendMode(BlendMode mode) {
    switch (mode) {
    case BLEND_NONE:
        glDisable(GL_BLEND);
        break;
    case BLEND_ADDITIVE:
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        break;
    case BLEND_ALPHA:
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        break;
    }
}

// Matrix4 is stored row by row, OpenGL reads columns: hence the transposing loads.
void OpenGLRenderDevice::setProjectionMatrix(const Matrix4& m) {
    RenderDevice::setProjectionMatrix(m);
    glMatrixMode(GL_PROJECTION);
    glLoadTransposeMatrixf(m.m);
}

void OpenGLRenderDevice::setModelViewMatrix(const Matrix4& m) {
    RenderDevice::setModelViewMatrix(m);
    glMatrixMode(GL_MODELVIEW);
    glLoadTransposeMatrixf(m.m);
}

void OpenGLRenderDevice::drawFaceList(FaceList* faceList) {
    // Without vertices no buffer is bound and the pointers would read nowhere.
    if (faceList->getFaceCount() == 0 || faceList->getVertexList()->getVertexCount() == 0)
        return;
    enableClientArrays();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    bindVertexList(faceList->getVertexList());
    bindFaceList(faceList);
    drawTriangles(faceList);
    disableClientArrays();
}

unsigned OpenGLRenderDevice::getMaxTextureSize() const {
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size > 0 ? unsigned(size) : 0;
}

// The whole camera goes into the projection, so the model-view holds only the
// object's own world matrix.
void OpenGLRenderDevice::setCamera(Camera* camera) {
    const Vector3& rotation = camera->getRotation();
    const Vector3& position = camera->getPosition();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(FIELD_OF_VIEW, camera->getAspect(), NEAR_PLANE, FAR_PLANE);
    glRotatef(rotation.z, 0.0f, 0.0f, 1.0f);
    glRotatef(rotation.x, 1.0f, 0.0f, 0.0f);
    glRotatef(180.0f - rotation.y, 0.0f, 1.0f, 0.0f);
    glTranslatef(-position.x, -position.y, -position.z);
}

void OpenGLRenderDevice::setWhiteLight(const Vector3& direction) {
    const GLfloat white[] = {1.0f, 1.0f, 1.0f, 1.0f};
    const GLfloat position[] = {direction.x, direction.y, direction.z, 0.0f};
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_AMBIENT, white);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glEnable(GL_NORMALIZE);
}

void OpenGLRenderDevice::setLighting(bool enabled) {
    if (enabled)
        glEnable(GL_LIGHTING);
    else
        glDisable(GL_LIGHTING);
}

void OpenGLRenderDevice::render(Camera* camera) {
    Texture* savedTextures[MAX_TEXTURE_STAGES];
    for (unsigned stage = 0; stage < MAX_TEXTURE_STAGES; ++stage)
        savedTextures[stage] = m_Textures[stage];
    Shader* savedShader = m_Shader;

    setCamera(camera);
    setDepthTest(true);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    enableClientArrays();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    RenderItem previous;
    const VertexList* source = nullptr;
    for (const RenderItem& item : m_RenderQueue) {
        drawItem(*this, previous, item, source);
        previous = item;
    }

    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
    disableClientArrays();
    setBackFaceCulling(false);
    // Last stage first, so that unit 0 is left active: a texture created after
    // the frame enables and binds itself there, not on a stage nobody draws with.
    for (unsigned stage = MAX_TEXTURE_STAGES; stage-- > 0;)
        setTexture(savedTextures[stage], stage);
    setShader(savedShader);
    m_RenderQueue.clear();
}

} // namespace Kestrel
