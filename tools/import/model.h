// What kestrel-import makes of a scene before anything is written: the .kst's
// materials, vertices, triangles, bones and weights, one keyframe list per
// animation, the texture files to produce and the losses to report. Positions
// are in the scene's space (node transforms applied); the loader re-centres them.
#pragma once

#include "engine/vector.h"

#include <string>
#include <vector>

namespace KestrelImport {

struct ImportOptions {
    std::string m_Name; // prefix of every file written
    double m_Scale = 1.0;
    bool m_KeepAllKeys = false;
};

// A texture file to write: copied from m_SourcePath, or the bytes in m_Data
// (an embedded image), or a one-pixel image of m_Colour.
// One of: a file to copy, an image file's bytes, raw RGBA texels of the given
// size, or (none of those) a one-pixel image of the colour.
struct TextureOutput {
    std::string m_FileName;
    std::string m_SourcePath;
    std::string m_Data;
    unsigned m_RawWidth = 0, m_RawHeight = 0;
    Kestrel::Vector4 m_Colour{1, 1, 1, 1};
};

struct MaterialOutput {
    std::string m_Name;
    Kestrel::Vector4 m_Diffuse{1, 1, 1, 1};
    std::string m_Texture;
};

struct VertexOutput {
    Kestrel::Vector3 m_Position;
    Kestrel::Vector2 m_TexCoord;
    // Where it came from: the scene's mesh and vertex, and the node placing it.
    unsigned m_SourceMesh = 0;
    unsigned m_SourceVertex = 0;
    const void* m_SourceNode = nullptr;
};

struct TriangleOutput {
    unsigned m_Vertices[3];
    unsigned m_Material;
};

struct BoneOutput {
    std::string m_Name;
    int m_Parent = -1;       // earlier in the list; -1 for the root
    Kestrel::Vector3 m_Head; // the parent's tail, except for the root
    Kestrel::Vector3 m_Tail;
    bool m_Connector = false; // joins a branch to its parent; never weighted nor animated
};

struct WeightOutput {
    unsigned m_Bone;
    unsigned m_Vertex;
    float m_Weight;
};

struct KeyframeOutput {
    double m_Time = 0.0;                    // seconds
    std::vector<Kestrel::Vector3> m_Angles; // one per bone
};

struct AnimationOutput {
    std::string m_Name;
    unsigned m_SourceIndex = 0;
    unsigned m_SourceKeyCount = 0; // merged key times before thinning
    std::vector<KeyframeOutput> m_Keyframes;
};

struct ImportedModel {
    std::vector<MaterialOutput> m_Materials;
    std::vector<TextureOutput> m_Textures;
    std::vector<VertexOutput> m_Vertices;
    std::vector<TriangleOutput> m_Triangles;
    std::vector<BoneOutput> m_Bones;
    std::vector<WeightOutput> m_Weights;
    std::vector<AnimationOutput> m_Animations;
    // Scene nodes whose translation keys leave the bind position (reported).
    std::vector<std::string> m_MovingNodes;
    std::vector<std::string> m_Losses;
    std::vector<std::string> m_Renamed;
    double m_Diagonal = 1.0; // of the rest pose's bounding box
};

} // namespace KestrelImport
