// The fixed words of the engine's text formats, shared by its readers and by
// the tools that write the files: the section headers of a mesh (.kst), the
// keyframe lines of an animation (.ksta) and their limits.
#pragma once

namespace Kestrel {

inline constexpr char KST_MATERIALS[] = "[materials]";
inline constexpr char KST_VERTICES[] = "[vertices]";
inline constexpr char KST_FACES[] = "[faces]";
inline constexpr char KST_BONES[] = "[bones]";
inline constexpr char KST_VERTEX_WEIGHTS[] = "[vertex weights]";

inline constexpr char KSTA_KEYFRAME[] = "[keyframe]";
inline constexpr char KSTA_TRANSLATION[] = "translation=";
inline constexpr char KSTA_DURATION[] = "duration=";

// The most bones a mesh may have, and bone names an animation may bring: far
// above any creature, and low enough that the recursive copy, update and
// destruction of a bone chain stay well within the stack.
inline constexpr unsigned MAX_BONES = 4096;

} // namespace Kestrel
