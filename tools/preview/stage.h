// Takes pictures of single objects the way the game draws a frame: clear, the
// ground queued first, the node tree lit, the particles unlit, overlays last,
// with what the game does not have: a backdrop, a chequered floor and a
// caption. Whole game states draw themselves and get only the caption.
// Contact sheets lay the frames out as a grid of equal cells in one PNG, each
// frame reduced by averaging square blocks of pixels, which also smooths the
// edges of a frame drawn without multisampling.
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
class Texture;
class VertexList;
} // namespace Kestrel

namespace preview {

class Overlay;

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
    Stage(Kestrel::RenderDevice& device, Overlay& overlay, ::Ground& field);
    ~Stage();

    // Draws the scene from the shot's camera; the scene is not updated here.
    assetgen::Image shoot(Kestrel::Scene& scene, const Shot& shot);

    // A frame the game draws itself through `render`, with the caption over it.
    assetgen::Image shootGame(const std::function<void()>& render, const std::string& caption);

    Kestrel::RenderDevice& device() { return m_Device; }
    Overlay& overlay() { return m_Overlay; }

private:
    Kestrel::RenderDevice& m_Device;
    Overlay& m_Overlay;
    ::Ground& m_Field;
    std::unique_ptr<Kestrel::VertexList> m_FloorVertices;
    std::unique_ptr<Kestrel::FaceList> m_FloorFaces;
    std::unique_ptr<Kestrel::Texture> m_FloorTexture;
};

class ContactSheet {
public:
    // Cells are the frame size divided by `reduction` (1, 2, 4 ...).
    ContactSheet(int columns, int rows, int reduction);

    void place(int column, int row, const assetgen::Image& frame);
    // Throws std::runtime_error when the file cannot be written.
    void save(const std::string& path) const;

private:
    int m_Reduction;
    int m_CellWidth;
    int m_CellHeight;
    assetgen::Image m_Image;
};

} // namespace preview
