// The contact sheets the preview writes, one PNG each into the output
// directory. Each throws std::runtime_error when its file cannot be written.
// Also how the sheets pose an ant as the game plays its animations.
#pragma once

#include "app/application.h"

#include <string>

namespace Kestrel {
class Entity;
}

namespace preview {

class Stage;

// The game's fixed frame in seconds; the sheets play time in its steps.
inline const float FRAME = FRAME_PERIOD / 1000.0f;

struct SheetContext {
    Stage& stage;
    std::string outputDirectory;
    std::string dataDirectory;

    std::string path(const std::string& file) const { return outputDirectory + "/" + file; }
};

// The three ant meshes from five sides, at the game's scale, on a floor of
// 0.1-unit squares.
void writeAntSheet(const SheetContext& context);
// The thrown rock and the title mesh as objects.
void writePropSheet(const SheetContext& context);
// Every animation at six moments as the game plays it (on the ant kind that
// plays it, blended in after the animation it usually follows): one sheet per
// animation from two sides, and one overview of all of them.
void writeAnimationSheets(const SheetContext& context);
// The title screen as its camera sees it, with the menu, pointing up and down
// and with the title swayed to both sides.
void writeTitleSheet(const SheetContext& context);
// Each scenery mesh alone on the ground, seen from above and from the side.
void writeScenerySheet(const SheetContext& context);
// The whole level with ants from the world's camera, following the player
// about the field, and from farther out.
void writeFieldSheet(const SheetContext& context);

// The pose of the animation alone at the time, looping as the game plays it; an
// actor's behaviour does not run. False (with a message) when the animation
// cannot be read.
bool poseAt(Kestrel::Entity& entity, const std::string& animation, float time);
// The length the game plays: to the last keyframe once, or round the loop.
float playedLength(const std::string& animation);

// sounds.png: every sound's waveform over one second (the ambience's first
// second), in the order of SoundId: left to right, top to bottom. Lines mark
// full scale and the generator's peak; ticks mark tenths of a second.
void writeSoundSheet(const SheetContext& context);

// Small pictures for the project's documentation, each well under 300 KB:
// docs-ants.png (the three kinds, closer) and docs-animations.png (moments of
// the walk, throw, death and fire breath).
void writeAntPictures(const SheetContext& context);
// docs-game.png: the title screen and the world's camera following the player.
void writeGamePictures(const SheetContext& context);

} // namespace preview
