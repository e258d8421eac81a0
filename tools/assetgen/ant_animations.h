// The ants' keyframed animations: walk (alternating tripod), idle, throw,
// die, fire, zombie bite and the title screen's two pointing poses, all on the
// skeleton of ant_anatomy.h.
#pragma once

#include "tools/assetgen/output.h"

#include <vector>

namespace assetgen {

// File name and .ksta text of every ant animation.
std::vector<TextFile> antAnimations();

} // namespace assetgen
