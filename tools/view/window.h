// kestrel-view's window: the SDL window with its OpenGL context, and the picture
// in its back buffer written to a PNG file (rows top first).
#pragma once

#include <string>

namespace view {

// Opens a width x height OpenGL window with the given caption and initialises
// GLEW; false, with the reason on standard error, when there is no display.
bool openWindow(int width, int height, const char* caption);
void closeWindow();

// Writes the back buffer to path; false (with the reason on standard error)
// when the file cannot be written.
bool saveFrame(int width, int height, const std::string& path);

} // namespace view
