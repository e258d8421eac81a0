// Photographs single objects the way the game draws a frame (ground queued
// first, the node tree lit, particles unlit, overlays last), adding a backdrop,
// a chequered floor and a caption; whole game states draw themselves and get
// only the caption. Flat drawing is in the overlay's screen units (unit square,
// y up). Also opens the preview's window and lays frames out as contact sheets.
#pragma once

#include "engine/vector.h"
#include "tools/assetgen/image.h"

#include <functional>
#include <memory>
#include <string>

class Ground;

namespace Kestrel {
class FaceList;
class RenderDevice;
class Scene;
class Text;
class Texture;
class VertexList;
} // namespace Kestrel

namespace preview {

// Opens one SDL window of the game's size, initialises GLEW and sets the game's
// fixed light (a direction in world space: the render device keeps the camera
// in the projection matrix); false (with a message on standard error) when
// there is no display or no usable OpenGL.
bool openWindow();
void closeWindow();

// What the scene stands on: nothing, a plain floor, or the playing field.
enum class Footing { None, Floor, Field };

struct Shot {
    Kestrel::Vector3 eye;
    Kestrel::Vector3 target;
    float aspect = 4.0f / 3.0f; // the world camera's; the title camera keeps 1.0
    Footing footing = Footing::Floor;
    bool backdrop = true;
    std::string caption;
    float captionHeight = 0.075f; // of the screen
};

class Stage {
public:
    // The font belongs to the resource cache; everything else is the stage's own.
    explicit Stage(Kestrel::RenderDevice& device);
    ~Stage();

    // Draws the scene from the shot's camera; the scene is not updated here.
    assetgen::Image shoot(Kestrel::Scene& scene, const Shot& shot);

    // A frame the game draws itself through `render`, with the caption over it.
    assetgen::Image shootGame(const std::function<void()>& render, const std::string& caption);

    Kestrel::RenderDevice& device() { return m_Device; }

private:
    // A textured quad: the floor, the backdrop or the caption band.
    struct Panel {
        std::unique_ptr<Kestrel::VertexList> vertices;
        std::unique_ptr<Kestrel::FaceList> faces;
        std::unique_ptr<Kestrel::Texture> texture;
    };
    // Corners at texture coordinates (0, 0), (1, 0), (0, 1) and (1, 1).
    Panel makePanel(const Kestrel::Vector3 (&corners)[4], const Kestrel::Vector3& normal,
                    const assetgen::Image& image);
    // The game's overlay state (alpha blended) with no transform or shader.
    void beginOverlay();
    void drawPanel(const Panel& panel);
    // A caption on a dark band along the top edge, `height` of the screen high.
    void drawCaption(const std::string& text, float height);

    Kestrel::RenderDevice& m_Device;
    std::unique_ptr<::Ground> m_Field;
    Panel m_Floor;
    Panel m_Backdrop;
    Panel m_Band;
    Kestrel::Text* m_Font;
};

// A sheet of `columns` x `rows` cells filled with frame(column, row), saved at
// `path`; throws std::runtime_error when it cannot be written. Each frame is
// reduced by `reduction` (1, 2, 4 ...), averaging square blocks of pixels, which
// also smooths the edges of a frame drawn without multisampling.
void writeContactSheet(const std::string& path, int columns, int rows, int reduction,
                       const std::function<assetgen::Image(int column, int row)>& frame);

} // namespace preview
