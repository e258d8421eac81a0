// Reads a ".kst" mesh file into a plain model (MeshFile) and builds a Mesh from
// it: one face list per material, one render vertex per distinct pair of file
// vertex and texture coordinate, smooth normals, the skeleton and the weights.
// Vertices are re-centred on the root bone's head. The caller owns the mesh.
#pragma once

#include <string>

namespace Kestrel {

class Mesh;
class RenderDevice;

class MeshLoader {
public:
    explicit MeshLoader(RenderDevice* device) : m_RenderDevice(device) {}
    // Null when the file cannot be opened or the mesh breaks the format's limits.
    Mesh* load(const std::string& path);

private:
    RenderDevice* m_RenderDevice;
};

} // namespace Kestrel
