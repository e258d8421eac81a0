// kestrel-view's model stage: one mesh on an entity, its animations played
// through the entity's stack, an orbiting camera, the skeleton and a status line.
// World space is the entity's mesh space scaled to a fixed size, so that models
// of any unit fit the device's depth range. The viewer owns its scene and lists;
// the mesh, animations and font belong to the resource cache.
#pragma once

#include "engine/scenenode.h"
#include "engine/vector.h"

#include <memory>
#include <string>
#include <vector>

namespace Kestrel {
class Animation;
class Entity;
class FaceList;
class RenderDevice;
class Text;
class Texture;
class VertexList;
} // namespace Kestrel

namespace view {

// Exit statuses of kestrel-view.
const int STATUS_OK = 0;
const int STATUS_USAGE = 1;
const int STATUS_BAD_FILE = 2;  // missing, unreadable or empty model or animation
const int STATUS_NO_OUTPUT = 3; // no window, or the picture could not be written

struct Options {
    std::string mesh;
    std::vector<std::string> animations;
    std::string shot; // empty: interactive
    float shotTime = 0.0f;
    // Degrees the starting view is turned about y: 180 shows the front of a
    // model that faces +z, as most formats' models do.
    float turn = 0.0f;
};

// Reads the arguments after the program name; returns an empty text when they
// make sense, else what is wrong with them.
std::string parseArguments(const std::vector<std::string>& arguments, Options& options);
// The first of the options' files that cannot be opened, or an empty text:
// known before a window opens, where there may be no display.
std::string firstUnreadable(const Options& options);

// Where the camera circles: azimuth and elevation in degrees, azimuth 0 looking
// from +z towards -z.
struct Orbit {
    Kestrel::Vector3 target;
    float distance = 1.0f;
    float azimuth = 0.0f;
    float elevation = 0.0f;
    Kestrel::Vector3 eye() const;
};

// Shows the box [low, high] (mesh space) whole at the given aspect: the scale
// that brings it to the viewer's size, and the orbit around its scaled centre,
// from the front (a mesh faces -z) and a little to the side and above.
struct Framing {
    float scale = 1.0f;
    Orbit orbit;
};
Framing frameBounds(const Kestrel::Vector3& low, const Kestrel::Vector3& high, float aspect);

enum class Command {
    OrbitLeft,
    OrbitRight,
    OrbitUp,
    OrbitDown,
    ZoomIn,
    ZoomOut,
    Pause,
    NextAnimation,
    Mirror,
    Skeleton,
    Frame
};

class Viewer {
public:
    Viewer(Kestrel::RenderDevice& device, int width, int height);
    ~Viewer();
    Viewer(const Viewer&) = delete;
    Viewer& operator=(const Viewer&) = delete;

    // Loads the mesh and animations through the resource cache (the mesh's
    // folder becomes a search path) and frames the model; a status, with the
    // reason printed on standard error when it is not STATUS_OK.
    int load(const Options& options);
    // Font for the status line; without one the line is left out.
    void setFont(const std::string& path);

    void command(Command command);
    // Cross-fades to animation index (0-based), when there is one.
    void selectAnimation(unsigned index);
    // Orbits by a mouse drag of dx, dy pixels.
    void drag(float dx, float dy);
    // Zooms in (positive) or out by wheel steps.
    void zoom(float steps);

    // Advances the animations by dt seconds unless paused.
    void update(float dt);
    // Poses the model at seconds into the first animation, as a still.
    void seek(float seconds);
    // Draws the frame; frameMs is the time shown in the status line.
    void render(float frameMs);

    std::string statusLine(float frameMs) const;
    const Orbit& getOrbit() const { return m_Orbit; }
    bool isPaused() const { return m_Paused; }
    bool isMirrored() const { return m_Mirrored; }
    bool showsSkeleton() const { return m_ShowSkeleton; }
    // The animation playing, as an index into the files given; -1 for none.
    int getAnimationIndex() const { return m_AnimationIndex; }

private:
    // The posed vertices' box in mesh space; false for a model without vertices.
    bool posedBounds(Kestrel::Vector3& low, Kestrel::Vector3& high);
    void frameModel();
    void play(float blendTime);
    void drawBackdrop();
    void drawSkeleton();
    void drawStatus(float frameMs);

    Kestrel::RenderDevice& m_Device;
    int m_Width, m_Height;
    Kestrel::Scene m_Scene;
    Kestrel::Entity* m_Entity = nullptr;
    std::string m_MeshName;
    std::vector<std::string> m_AnimationNames;
    std::vector<Kestrel::Animation*> m_Animations;
    int m_AnimationIndex = -1;
    Orbit m_Orbit;
    float m_Turn = 0.0f;
    bool m_Paused = false;
    bool m_Mirrored = false;
    bool m_ShowSkeleton = false;
    Kestrel::Text* m_Font = nullptr;
    std::unique_ptr<Kestrel::VertexList> m_Posed;
    std::unique_ptr<Kestrel::VertexList> m_Lines;
    std::unique_ptr<Kestrel::FaceList> m_LineFaces;
    std::unique_ptr<Kestrel::VertexList> m_Backdrop;
    std::unique_ptr<Kestrel::FaceList> m_BackdropFaces;
    std::unique_ptr<Kestrel::Texture> m_BackdropTexture;
    std::unique_ptr<Kestrel::Texture> m_BoneTexture;
};

} // namespace view
