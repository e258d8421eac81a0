// Writes an imported model into a directory: NAME.kst, NAME_<animation>.ksta
// per animation and the texture files. Every number is the shortest text that
// reads back as the same float.
#pragma once

#include "tools/import/model.h"

#include <string>

namespace KestrelImport {

// False, with the reason in error, when a file cannot be written.
bool writeModel(const ImportedModel& model, const std::string& directory, const std::string& name,
                std::string& error);

// The .kst and .ksta texts themselves.
std::string meshText(const ImportedModel& model);
std::string animationText(const ImportedModel& model, const AnimationOutput& animation);

} // namespace KestrelImport
