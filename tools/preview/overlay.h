// Flat drawing in screen units (the unit square, y up, as the game's overlay
// projection maps it onto the viewport) through the render device: a backdrop
// behind the scene and captions in the game's font. Owns its lists and
// textures; the font belongs to the resource cache.
#pragma once

#include <memory>
#include <string>

namespace Kestrel {
class FaceList;
class RenderDevice;
class Text;
class Texture;
class VertexList;
} // namespace Kestrel

namespace preview {

class Overlay {
public:
    explicit Overlay(Kestrel::RenderDevice& device);
    ~Overlay();

    // A soft grey gradient over the whole viewport, behind everything drawn later.
    void backdrop();
    // A caption on a dark band along the top edge, `height` of the screen high.
    void caption(const std::string& text, float height);

private:
    struct Panel {
        std::unique_ptr<Kestrel::VertexList> vertices;
        std::unique_ptr<Kestrel::FaceList> faces;
        std::unique_ptr<Kestrel::Texture> texture;
    };

    // The unit square, textured with the backdrop's gradient or the band's grey.
    Panel makePanel(bool backdrop);
    // The game's overlay state (alpha blended) with no transform or shader.
    void begin();
    void drawPanel(const Panel& panel);

    Kestrel::RenderDevice& m_Device;
    Panel m_Backdrop;
    Panel m_Band;
    Kestrel::Text* m_Font;
};

} // namespace preview
