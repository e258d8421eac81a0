// How the game plays each of its animations: on which ant kind, after what the
// ant usually does before, looping or not, and how long it blends in (seconds).
// Read by the tools and tests that show or check the animations as played.
#pragma once

#include "game/insect.h"

#include <vector>

// The soldier's throw blends in faster than any other switch.
const float THROW_BLEND_TIME = 0.1f;

struct AnimationUse {
    const char* file;
    const char* mesh; // the ant kind that plays it
    bool loop;
    const char* after; // what the ant usually does before
    float blendTime;
    bool standing;  // the ant keeps its feet on the ground
    bool holdsRock; // a rock sits in its "RockHand" bone
};

inline const std::vector<AnimationUse> ANIMATION_USES = {
    {"antwalk.ksta", "ant.kst", true, "antidle.ksta", SWITCH_BLEND_TIME, true, false},
    {"antidle.ksta", "ant.kst", true, "antwalk.ksta", SWITCH_BLEND_TIME, true, false},
    {"antthrow.ksta", "ant.kst", false, "antidle.ksta", THROW_BLEND_TIME, true, true},
    {"antdie.ksta", "ant.kst", false, "antwalk.ksta", SWITCH_BLEND_TIME, false, false},
    {"antfire.ksta", "fireant.kst", false, "antwalk.ksta", SWITCH_BLEND_TIME, true, false},
    {"zombieanteat.ksta", "zombieant.kst", false, "antwalk.ksta", SWITCH_BLEND_TIME, true, false},
    {"antpointup.ksta", "ant.kst", false, "antpointdown.ksta", SWITCH_BLEND_TIME, true, false},
    {"antpointdown.ksta", "ant.kst", false, "antpointup.ksta", SWITCH_BLEND_TIME, true, false}};
