// kestrel-view's window: the SDL window and OpenGL context with the light the
// game uses for its ants, the lighting switch around the scene pass, and the
// picture in the back buffer written to a PNG file. Window pixels, y down.
#pragma once

#include <string>

namespace view {

// Opens a width x height OpenGL window with the given caption and initialises
// GLEW; false, with the reason on standard error, when there is no display.
bool openWindow(int width, int height, const char* caption);
void closeWindow();

// One white directional light from (-1, 1, -1), taken in eye space while the
// model-view matrix is the identity.
void setFixedLight();
void setLighting(bool enabled);

// Writes the back buffer to path; false (with the reason on standard error)
// when the file cannot be written.
bool saveFrame(int width, int height, const std::string& path);

} // namespace view
