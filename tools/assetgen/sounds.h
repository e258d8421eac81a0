// The game's sounds, synthesised from noise, oscillators and envelopes with the
// generator's own seeded randomness: mono, 16-bit, SOUND_RATE samples a second,
// in the order and under the names of the game's SoundId. All are short one-shots
// but the ambience, which loops without a seam.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

using Samples = std::vector<std::int16_t>;

// Every sound, indexed by SoundId.
std::vector<Samples> synthesiseSounds();

// The contents of a WAV file holding the samples.
std::string wavBytes(const Samples& samples);

} // namespace assetgen
