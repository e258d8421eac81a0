// The terrain of the playing field: a fixed 16 x 16 height table turned once into
// a textured, smoothly lit grid in world space (x, z from -2 to 18), and queried
// every frame for heights and normals. Owns its two lists; the texture belongs to
// the resource cache.
#pragma once

#include "app/terrain_heights.h"
#include "engine/resource.h"
#include "engine/vector.h"

namespace Kestrel {
class FaceList;
class RenderDevice;
class Texture;
class VertexList;
} // namespace Kestrel

class Ground {
public:
    static const int SIZE = TERRAIN_SIZE;

    explicit Ground(Kestrel::RenderDevice* device);
    virtual ~Ground();
    Ground(const Ground&) = delete;
    Ground& operator=(const Ground&) = delete;

    // Queues the terrain for the device's next render.
    void render();
    // 0.5 outside [0, 16) x [0, 16); bilinear inside.
    static float getHeight(float x, float z);
    Kestrel::Vector3 getNormal(float x, float z) const;
    // (x, height, z) of a grid point; points outside the table are at height 0.5.
    static Kestrel::Vector3 gridPoint(int x, int z);

    Kestrel::FaceList* getFaceList() const { return m_FaceList; }
    Kestrel::VertexList* getVertexList() const { return m_VertexList; }

private:
    void buildMesh();

    Kestrel::RenderDevice* m_RenderDevice;
    Kestrel::FaceList* m_FaceList = nullptr;
    Kestrel::VertexList* m_VertexList = nullptr;
    Kestrel::ResourcePointer<Kestrel::Texture> m_Texture;
    Kestrel::Vector3 m_Normals[SIZE][SIZE]; // [x][z]
};
