// How the game plays each of its animations: on which ant kind, after what the
// ant usually does before, looping or not, and how long it blends in (seconds).
// The game names its animations by their entry here; the tools and tests that
// show or check the animations as played read the same table.
#pragma once

#include "game/insect.h"

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

// The entries of ANIMATION_USES, in its order.
enum AnimationName {
    ANT_WALK,
    ANT_IDLE,
    ANT_THROW,
    ANT_DIE,
    ANT_FIRE,
    ZOMBIE_EAT,
    ANT_POINT_UP,
    ANT_POINT_DOWN,
    ANIMATION_COUNT
};

inline const AnimationUse ANIMATION_USES[ANIMATION_COUNT] = {
    {"antwalk.ksta", "ant.kst", true, "antidle.ksta", SWITCH_BLEND_TIME, true, false},
    {"antidle.ksta", "ant.kst", true, "antwalk.ksta", SWITCH_BLEND_TIME, true, false},
    {"antthrow.ksta", "ant.kst", false, "antidle.ksta", THROW_BLEND_TIME, true, true},
    {"antdie.ksta", "ant.kst", false, "antwalk.ksta", SWITCH_BLEND_TIME, false, false},
    {"antfire.ksta", "fireant.kst", false, "antwalk.ksta", SWITCH_BLEND_TIME, true, false},
    {"zombieanteat.ksta", "zombieant.kst", false, "antwalk.ksta", SWITCH_BLEND_TIME, true, false},
    {"antpointup.ksta", "ant.kst", false, "antpointdown.ksta", SWITCH_BLEND_TIME, true, false},
    {"antpointdown.ksta", "ant.kst", false, "antpointup.ksta", SWITCH_BLEND_TIME, true, false}};

// The kept animation of the entry (null when its file could not be read).
inline Kestrel::Animation* keptAnimation(AnimationName name) {
    return keptAnimation(ANIMATION_USES[name].file);
}
