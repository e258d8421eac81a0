// The preview's OpenGL context: one 640 x 480 SDL window like the game's, the
// game's fixed white light (a direction in world space, since the render device
// keeps the camera in the projection matrix) and read-back of the back buffer.
#pragma once

#include "tools/assetgen/image.h"

namespace preview {

const int FRAME_WIDTH = 640;
const int FRAME_HEIGHT = 480;

// Opens the window, initialises GLEW and sets the light; false (with a message
// on standard error) when there is no display or no usable OpenGL.
bool openWindow();
void closeWindow();

// The fixed-function lighting switch the game flips around its scene pass.
void setLighting(bool enabled);

// The back buffer as an RGB image, first row at the top.
assetgen::Image grabFrame();

} // namespace preview
