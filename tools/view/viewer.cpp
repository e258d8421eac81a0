#include "tools/view/viewer.h"

#include "engine/animation.h"
#include "engine/bone.h"
#include "engine/camera.h"
#include "engine/entity.h"
#include "engine/mesh.h"
#include "engine/renderdevice/facelist.h"
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/renderdevice/renderdevice.h"
#include "engine/renderdevice/texture.h"
#include "engine/renderdevice/vertexlist.h"
#include "engine/resourcemanager.h"
#include "engine/text.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace view {

using Kestrel::Vector3;

namespace {

const float PI = 3.14159265f;
const float DEGREES = PI / 180.0f;
// Every model is scaled to this bounding radius: well inside the device's
// depth range whatever unit the file uses.
const float VIEW_RADIUS = 10.0f;
const float HALF_FIELD_OF_VIEW = float(Kestrel::OpenGLRenderDevice::FIELD_OF_VIEW / 2) * DEGREES;
const float FRAME_MARGIN = 1.05f;
const float FRONT_AZIMUTH = 145.0f; // from the front (-z), a little from the side
const float FRONT_ELEVATION = 20.0f;
const float ORBIT_STEP = 10.0f;  // degrees per key press
const float DRAG_DEGREES = 0.4f; // per pixel
const float ZOOM_FACTOR = 0.9f;  // per wheel step
// The eye stays beyond the device's near plane and keeps the whole model
// before its far plane.
const float NEAREST = float(Kestrel::OpenGLRenderDevice::NEAR_PLANE);
const float FARTHEST = float(Kestrel::OpenGLRenderDevice::FAR_PLANE) - VIEW_RADIUS;
const float MAX_ELEVATION = 89.0f;
const float CROSS_FADE = 0.3f;      // seconds
const float STATUS_HEIGHT = 0.035f; // of the screen
const float STATUS_WIDTH = 0.98f;
// A bone is drawn as a double pyramid this wide, in parts of its length.
const float BONE_WIDTH = 0.06f;

std::string fileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

// The importer names animations after their mesh: that part goes unsaid.
std::string shownName(const std::string& animation, const std::string& mesh) {
    const std::string name = fileName(animation);
    const std::string prefix = std::filesystem::path(mesh).stem().string() + "_";
    return name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0
               ? name.substr(prefix.size())
               : name;
}

bool parseNumber(const std::string& text, float& number) {
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    number = std::strtof(text.c_str(), &end);
    return errno == 0 && *end == '\0' && std::isfinite(number);
}

bool parseSeconds(const std::string& text, float& seconds) {
    return parseNumber(text, seconds) && seconds >= 0.0f;
}

// Eight triangles from head to tail around the bone, each with its own normal.
void addBoneShape(Kestrel::VertexList& vertices, Kestrel::FaceList& faces, const Vector3& head,
                  const Vector3& tail) {
    const Vector3 along = tail - head;
    const float length = along.length();
    if (!(length > 0.0f))
        return;
    const Vector3 axis = along * (1.0f / length);
    const Vector3 helper = std::fabs(axis.y) < 0.9f ? Vector3(0, 1, 0) : Vector3(1, 0, 0);
    const Vector3 side = Kestrel::cross(axis, helper).normalized(BONE_WIDTH * length);
    const Vector3 up = Kestrel::cross(side, axis).normalized(BONE_WIDTH * length);
    const Vector3 waist = head + along * 0.2f;
    const Vector3 ring[4] = {waist + side, waist + up, waist - side, waist - up};
    for (int i = 0; i < 4; ++i) {
        const Vector3& a = ring[i];
        const Vector3& b = ring[(i + 1) % 4];
        for (const Vector3& tip : {head, tail}) {
            const Vector3 normal = Kestrel::cross(b - tip, a - tip);
            const unsigned first = vertices.addVertex(tip, normal, {0.5f, 0.5f});
            vertices.addVertex(a, normal, {0.5f, 0.5f});
            vertices.addVertex(b, normal, {0.5f, 0.5f});
            faces.addFace(first, first + 1, first + 2);
        }
    }
}

// A texture of one colour per row, rows given top first.
Kestrel::Texture* makeTexture(Kestrel::RenderDevice& device, unsigned rows,
                              const std::uint8_t* rgb) {
    Kestrel::Texture* texture = device.createTexture();
    texture->create(Kestrel::FORMAT_RGB, 1, rows, rgb);
    return texture;
}

} // namespace

std::string parseArguments(const std::vector<std::string>& arguments, Options& options) {
    options = Options();
    bool timeGiven = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--shot") {
            if (!hasValue || arguments[i + 1].empty())
                return "--shot needs the name of a PNG file";
            options.shot = arguments[++i];
        } else if (argument == "--at") {
            if (!hasValue || !parseSeconds(arguments[i + 1], options.shotTime))
                return "--at needs a time in seconds, 0 or more";
            timeGiven = true;
            ++i;
        } else if (argument == "--turn") {
            if (!hasValue || !parseNumber(arguments[i + 1], options.turn))
                return "--turn needs an angle in degrees";
            ++i;
        } else if (!argument.empty() && argument[0] == '-') {
            return "unknown option '" + argument + "'";
        } else if (options.mesh.empty()) {
            options.mesh = argument;
        } else {
            options.animations.push_back(argument);
        }
    }
    if (options.mesh.empty())
        return "no mesh file (.kst) given";
    if (timeGiven && options.shot.empty())
        return "--at goes with --shot";
    return std::string();
}

std::string firstUnreadable(const Options& options) {
    std::vector<std::string> files{options.mesh};
    files.insert(files.end(), options.animations.begin(), options.animations.end());
    for (const std::string& file : files)
        if (!std::ifstream(file))
            return file;
    return "";
}

Vector3 Orbit::eye() const {
    const float a = azimuth * DEGREES, e = elevation * DEGREES;
    return target +
           Vector3(std::sin(a) * std::cos(e), std::sin(e), std::cos(a) * std::cos(e)) * distance;
}

Framing frameBounds(const Vector3& low, const Vector3& high, float aspect) {
    Framing framing;
    const float radius = 0.5f * (high - low).length();
    framing.scale = radius > 1e-6f ? VIEW_RADIUS / radius : 1.0f;
    // The narrower of the two fields of view decides.
    const float halfWidth = std::atan(aspect * std::tan(HALF_FIELD_OF_VIEW));
    const float half = std::min(HALF_FIELD_OF_VIEW, halfWidth);
    framing.orbit.target = (low + high) * (0.5f * framing.scale);
    framing.orbit.distance = FRAME_MARGIN * VIEW_RADIUS / std::sin(half);
    framing.orbit.azimuth = FRONT_AZIMUTH;
    framing.orbit.elevation = FRONT_ELEVATION;
    return framing;
}

Viewer::Viewer(Kestrel::RenderDevice& device, int width, int height)
    : m_Device(device), m_Width(width), m_Height(height), m_Scene(&device),
      m_Posed(device.createVertexList(Kestrel::USAGE_DYNAMIC)),
      m_Lines(device.createVertexList(Kestrel::USAGE_DYNAMIC)),
      m_LineFaces(device.createFaceList(m_Lines.get(), Kestrel::USAGE_DYNAMIC)),
      m_Backdrop(device.createVertexList(Kestrel::USAGE_STATIC)),
      m_BackdropFaces(device.createFaceList(m_Backdrop.get(), Kestrel::USAGE_STATIC)) {
    // A grey-blue gradient behind the model, lighter at the top.
    const std::uint8_t sky[] = {178, 190, 206, 74, 78, 88};
    const std::uint8_t bone[] = {255, 214, 64};
    m_BackdropTexture.reset(makeTexture(device, 2, sky));
    m_BoneTexture.reset(makeTexture(device, 1, bone));
    const Vector3 corners[4] = {{0, 1, 0}, {1, 1, 0}, {0, 0, 0}, {1, 0, 0}};
    for (int i = 0; i < 4; ++i)
        m_Backdrop->addVertex(corners[i], {0, 0, 1}, {0.5f, 0.25f + 0.5f * float(i / 2)});
    m_BackdropFaces->addQuad(0, 1, 2, 3);
}

Viewer::~Viewer() = default;

int Viewer::load(const Options& options) {
    Kestrel::ResourceManager* resources = Kestrel::ResourceManager::getInstance();
    const std::filesystem::path mesh = std::filesystem::absolute(options.mesh);
    // Textures and shaders named by the materials lie beside the mesh.
    resources->addSearchPath(mesh.parent_path().string());
    m_MeshName = fileName(options.mesh);
    m_Turn = options.turn;
    Kestrel::Vector3 low, high;
    if (Kestrel::Mesh* loaded = resources->loadMesh(mesh.string(), &m_Device)) {
        m_Entity = new Kestrel::Entity(loaded);
        m_Entity->setParent(m_Scene.getRoot());
    }
    if (!m_Entity || !posedBounds(low, high)) {
        std::fprintf(stderr, "kestrel-view: '%s' is no mesh that can be shown\n",
                     options.mesh.c_str());
        return STATUS_BAD_FILE;
    }
    for (const std::string& file : options.animations) {
        Kestrel::Animation* animation =
            resources->loadAnimation(std::filesystem::absolute(file).string());
        if (!animation || !(animation->getAnimationLength(true) > 0.0f)) {
            std::fprintf(stderr, "kestrel-view: '%s' is no animation that can be played\n",
                         file.c_str());
            return STATUS_BAD_FILE;
        }
        m_Animations.push_back(animation);
        m_AnimationNames.push_back(shownName(file, options.mesh));
    }
    seek(0.0f);
    frameModel();
    return STATUS_OK;
}

void Viewer::setFont(const std::string& path) {
    m_Font = Kestrel::ResourceManager::getInstance()->loadText(path, &m_Device);
    if (m_Font && !m_Font->getTexture())
        m_Font = nullptr;
    if (!m_Font)
        std::fprintf(stderr, "kestrel-view: no font in '%s'; the status line is left out\n",
                     path.c_str());
}

bool Viewer::posedBounds(Vector3& low, Vector3& high) {
    Kestrel::Mesh* mesh = m_Entity->getMesh();
    if (!mesh)
        return false;
    unsigned faces = 0;
    for (unsigned i = 0; i < mesh->getMaterialCount(); ++i)
        faces += mesh->getFaceList(i)->getFaceCount();
    const Kestrel::VertexList& rest = *mesh->getVertexList();
    const Kestrel::VertexList& posed = m_Entity->morph(rest, *m_Posed) ? *m_Posed : rest;
    if (faces == 0 || posed.getVertexCount() == 0)
        return false;
    low = high = posed.getPosition(0);
    for (unsigned i = 1; i < posed.getVertexCount(); ++i) {
        const Vector3& p = posed.getPosition(i);
        low = Vector3(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
        high = Vector3(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
    }
    return true;
}

void Viewer::frameModel() {
    Vector3 low, high;
    if (!posedBounds(low, high))
        return;
    const Framing framing = frameBounds(low, high, float(m_Width) / float(m_Height));
    m_Entity->setScale(framing.scale, framing.scale, framing.scale);
    m_Orbit = framing.orbit;
    m_Orbit.azimuth = std::fmod(m_Orbit.azimuth + m_Turn, 360.0f);
    m_Scene.update(0.0f);
}

// In the pause no cross-fade could end: the new animation takes over at once.
void Viewer::play(float blendTime) {
    if (m_AnimationIndex < 0)
        return;
    m_Entity->playAnimation(m_Animations[size_t(m_AnimationIndex)], m_Paused ? 0.0f : blendTime,
                            true, m_Mirrored);
    if (m_Paused)
        m_Scene.update(0.0f);
}

void Viewer::command(Command command) {
    switch (command) {
    case Command::OrbitLeft:
        drag(-ORBIT_STEP / DRAG_DEGREES, 0.0f);
        break;
    case Command::OrbitRight:
        drag(ORBIT_STEP / DRAG_DEGREES, 0.0f);
        break;
    case Command::OrbitUp:
        drag(0.0f, ORBIT_STEP / DRAG_DEGREES);
        break;
    case Command::OrbitDown:
        drag(0.0f, -ORBIT_STEP / DRAG_DEGREES);
        break;
    case Command::ZoomIn:
        zoom(1.0f);
        break;
    case Command::ZoomOut:
        zoom(-1.0f);
        break;
    case Command::Pause:
        m_Paused = !m_Paused;
        break;
    case Command::NextAnimation:
        if (!m_Animations.empty())
            selectAnimation(unsigned(m_AnimationIndex + 1) % unsigned(m_Animations.size()));
        break;
    case Command::Mirror:
        m_Mirrored = !m_Mirrored;
        play(CROSS_FADE);
        break;
    case Command::Skeleton:
        m_ShowSkeleton = !m_ShowSkeleton;
        break;
    case Command::Frame:
        frameModel();
        break;
    }
}

void Viewer::selectAnimation(unsigned index) {
    if (index >= m_Animations.size() || int(index) == m_AnimationIndex)
        return;
    m_AnimationIndex = int(index);
    play(CROSS_FADE);
}

// Dragging right turns the model to the right (the eye goes the other way);
// dragging down shows it more from above.
void Viewer::drag(float dx, float dy) {
    m_Orbit.azimuth = std::fmod(m_Orbit.azimuth - dx * DRAG_DEGREES, 360.0f);
    m_Orbit.elevation =
        std::clamp(m_Orbit.elevation + dy * DRAG_DEGREES, -MAX_ELEVATION, MAX_ELEVATION);
}

void Viewer::zoom(float steps) {
    m_Orbit.distance =
        std::clamp(m_Orbit.distance * std::pow(ZOOM_FACTOR, steps), NEAREST, FARTHEST);
}

void Viewer::update(float dt) {
    if (!m_Paused)
        m_Scene.update(dt);
}

// The stack's pose reaches the bone matrices one update after it is sampled.
void Viewer::seek(float seconds) {
    if (!m_Animations.empty()) {
        m_AnimationIndex = 0;
        play(0.0f);
    }
    m_Scene.update(0.0f);
    m_Scene.update(seconds);
    m_Scene.update(0.0f);
}

void Viewer::render(float frameMs) {
    m_Device.clear(true, true);
    m_Device.setViewport({0, 0}, {m_Width, m_Height});
    Kestrel::OpenGLRenderDevice::setLighting(false);
    drawBackdrop();
    Kestrel::Camera* camera = m_Scene.getCamera();
    camera->setAspect(float(m_Width) / float(m_Height));
    camera->lookAt(m_Orbit.eye(), m_Orbit.target, {0, 1, 0});
    Kestrel::OpenGLRenderDevice::setLighting(true);
    m_Scene.render();
    if (m_ShowSkeleton)
        drawSkeleton();
    Kestrel::OpenGLRenderDevice::setLighting(false);
    drawStatus(frameMs);
}

void Viewer::drawBackdrop() {
    m_Device.setDepthTest(false);
    m_Device.setBlendMode(Kestrel::BLEND_NONE);
    m_Device.setProjectionMatrix(Kestrel::Matrix4::screenOverlay());
    m_Device.setModelViewMatrix(Kestrel::Matrix4::identity());
    m_Device.setShader(nullptr);
    m_Device.setTexture(m_BackdropTexture.get(), 0);
    m_Device.drawFaceList(m_BackdropFaces.get());
}

// Over the mesh, lit: each bone from its head to its tail as posed.
void Viewer::drawSkeleton() {
    m_Lines->clear();
    m_LineFaces->clear();
    for (unsigned i = 0; i < m_Entity->getBoneCount(); ++i) {
        const Kestrel::Bone* bone = m_Entity->getBone(i);
        const Kestrel::Matrix4& world = bone->getMatrix();
        addBoneShape(*m_Lines, *m_LineFaces, world.getTranslation(),
                     world.transformPoint(bone->getTail()));
    }
    m_Device.setCamera(m_Scene.getCamera());
    m_Device.setModelViewMatrix(Kestrel::Matrix4::identity());
    m_Device.setDepthTest(false);
    m_Device.setBlendMode(Kestrel::BLEND_NONE);
    m_Device.setShader(nullptr);
    m_Device.setTexture(m_BoneTexture.get(), 0);
    m_Device.drawFaceList(m_LineFaces.get());
}

std::string Viewer::statusLine(float frameMs) const {
    std::string line = m_MeshName;
    char text[96];
    if (m_AnimationIndex >= 0) {
        const Kestrel::Animation* animation = m_Animations[size_t(m_AnimationIndex)];
        std::snprintf(text, sizeof text, "%.2f / %.2f s",
                      double(m_Entity->getCurrentAnimationTime()),
                      double(animation->getAnimationLength(true)));
        line += "  " + m_AnimationNames[size_t(m_AnimationIndex)] + " " + text;
        if (m_Mirrored)
            line += " mirrored";
    }
    if (m_Paused)
        line += "  paused";
    std::snprintf(text, sizeof text, "  %.1f ms", double(frameMs));
    return line + text;
}

void Viewer::drawStatus(float frameMs) {
    if (!m_Font)
        return;
    m_Device.setDepthTest(false);
    m_Device.setBlendMode(Kestrel::BLEND_ALPHA);
    m_Device.setProjectionMatrix(Kestrel::Matrix4::screenOverlay());
    // Glyphs are about a unit high; the pen starts on the baseline. A line
    // wider than the window is drawn smaller.
    const std::string line = statusLine(frameMs);
    const float aspect = float(m_Height) / float(m_Width);
    const float width = m_Font->measure(line.c_str()) * STATUS_HEIGHT * aspect;
    const float height =
        width > STATUS_WIDTH ? STATUS_HEIGHT * STATUS_WIDTH / width : STATUS_HEIGHT;
    m_Device.setModelViewMatrix(
        Kestrel::Matrix4::scaling({height * aspect, height, 1.0f}) *
        Kestrel::Matrix4::translation({0.01f, 1.0f - 1.2f * STATUS_HEIGHT, 0.0f}));
    m_Font->draw(line.c_str());
}

} // namespace view
