// Where the title screen puts things, shared by the screen and the tools that
// aim the pointing ant and preview the screen. World units with y up; menu
// lines in the unit square of the screen (y up), glyphs MENU_SCALE high.
#pragma once

#include "engine/vector.h"

// The title camera's eye; it looks at the origin.
const Kestrel::Vector3 TITLE_CAMERA_EYE(0.0f, 1.0f, -7.0f);
const Kestrel::Vector3 TITLE_ANT_POSITION(1.0f, -1.5f, 0.0f);
const float TITLE_ANT_HEADING = 85.0f; // degrees about y
const float TITLE_SCALE = 2.0f;
const float TITLE_HEIGHT = 1.0f;
const float SWAY_DEGREES = 20.0f;

const float MENU_X = 0.6f;
const float ONE_PLAYER_Y = 0.4f;
const float EXIT_Y = 0.3f;
const float MENU_SCALE = 0.08f;
