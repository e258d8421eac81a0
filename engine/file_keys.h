// The fixed words of the engine's text formats, shared by its readers and by
// the tools that write the files: the section headers of a mesh (.kst), the
// keyframe lines of an animation (.ksta) and their limits.
#pragma once

#include <cstddef>

namespace Kestrel {

inline constexpr char KST_MATERIALS[] = "[materials]";
inline constexpr char KST_VERTICES[] = "[vertices]";
inline constexpr char KST_FACES[] = "[faces]";
inline constexpr char KST_BONES[] = "[bones]";
inline constexpr char KST_VERTEX_WEIGHTS[] = "[vertex weights]";

inline constexpr char KSTA_KEYFRAME[] = "[keyframe]";
inline constexpr char KSTA_TRANSLATION[] = "translation=";
inline constexpr char KSTA_DURATION[] = "duration=";

// A mesh's indices are 16 bits wide: its render vertices (one per distinct
// pair of vertex and texture coordinate) and its triangles per material.
inline constexpr std::size_t MAX_RENDER_VERTICES = 65536;
inline constexpr std::size_t MAX_TRIANGLES_PER_MATERIAL = 65535;

// The most bones a mesh may have, and bone names an animation may bring: far
// above any creature, and low enough that the recursive copy, update and
// destruction of a bone chain stay well within the stack.
inline constexpr unsigned MAX_BONES = 4096;

} // namespace Kestrel
