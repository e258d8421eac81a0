// Turns a scene that assimp has read into the model kestrel-import writes:
// meshes placed in the scene's space and joined into one mesh with a material
// per source material, the skeleton, the weights, the animations and the
// losses. Reads nothing but the scene and the texture files it names.
#pragma once

#include "tools/import/model.h"

#include <assimp/scene.h>

#include <string>

namespace KestrelImport {

// The flags kestrel-import reads with; tests read with the same.
unsigned readFlags();

// False, with the reason in error, when the model breaks the format's limits.
bool importScene(const aiScene& scene, const std::string& modelPath, const ImportOptions& options,
                 ImportedModel& model, std::string& error);

// The report: one line for the model, then one per loss.
std::string describe(const ImportedModel& model, const std::string& name);

} // namespace KestrelImport
