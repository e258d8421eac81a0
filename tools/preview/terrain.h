// The playing field's ground as the game builds it: the 16 x 16 height table
// (world units, y up) turned into the textured 21 x 21 grid from -2 to 18 with
// smooth normals, queued without a transform. Owns its lists; the texture
// "centerterrain.png" belongs to the resource cache.
#pragma once

#include <memory>

namespace Kestrel {
class FaceList;
class RenderDevice;
class Texture;
class VertexList;
} // namespace Kestrel

namespace preview {

class Terrain {
public:
    explicit Terrain(Kestrel::RenderDevice& device);
    ~Terrain();

    // Ground height of a world point (0.5 outside the field), as ants stand on it.
    static float height(float x, float z);
    void queue();

private:
    Kestrel::RenderDevice& m_Device;
    std::unique_ptr<Kestrel::VertexList> m_Vertices;
    std::unique_ptr<Kestrel::FaceList> m_Faces;
    Kestrel::Texture* m_Texture;
};

} // namespace preview
