// The globals through which the game states and the actors meet; defined by the
// entry module.
#pragma once

namespace Kestrel {
class RenderDevice;
}
class TitleScreen;
class World;

extern Kestrel::RenderDevice* g_RenderDevice;
extern World* g_World;
extern TitleScreen* g_TitleScreen;
