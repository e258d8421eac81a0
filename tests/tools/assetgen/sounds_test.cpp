// The generator's sounds: how long and how loud each is, that SDL reads them as
// the game asks for them, that two runs agree, and that the game's data
// directory holds exactly what the generator makes.
#include "app/sound.h"
#include "support/game_fixture.h"
#include "tools/assetgen/sounds.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

struct Expected {
    SoundId id;
    float minSeconds;
    float maxSeconds;
    float peak; // of full scale
};

const Expected EXPECTED[] = {
    {SOUND_THROW, 0.2f, 0.6f, SOUND_PEAK},         {SOUND_ROCK_GROUND, 0.1f, 0.5f, SOUND_PEAK},
    {SOUND_ROCK_HIT, 0.1f, 0.5f, SOUND_PEAK},      {SOUND_ENEMY_DEATH, 0.3f, 0.99f, SOUND_PEAK},
    {SOUND_PLAYER_DEATH, 0.5f, 0.99f, SOUND_PEAK}, {SOUND_BITE, 0.2f, 0.6f, SOUND_PEAK},
    {SOUND_FLAME, 0.4f, 0.99f, SOUND_PEAK},        {SOUND_NEXT_PLAYER, 0.2f, 0.99f, SOUND_PEAK},
    {SOUND_MENU_MOVE, 0.03f, 0.2f, SOUND_PEAK},    {SOUND_MENU_CONFIRM, 0.1f, 0.5f, SOUND_PEAK},
    {SOUND_AMBIENCE, 2.0f, 10.0f, AMBIENCE_PEAK},
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

float peakOf(const assetgen::Samples& samples) {
    int peak = 0;
    for (std::int16_t s : samples)
        peak = std::max(peak, std::abs(int(s)));
    return peak / 32767.0f;
}

// What SDL makes of the file: the format the mixer is opened with, one channel.
void expectReadAsMono16Bit(const std::string& bytes, size_t sampleCount) {
    SDL_AudioSpec audio;
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    ASSERT_TRUE(SDL_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), int(bytes.size())), 1, &audio,
                               &buffer, &length))
        << SDL_GetError();
    EXPECT_EQ(audio.freq, SOUND_RATE);
    EXPECT_EQ(audio.format, AUDIO_S16LSB);
    EXPECT_EQ(audio.channels, 1);
    EXPECT_EQ(length, sampleCount * 2);
    SDL_FreeWAV(buffer);
}

TEST(GeneratedSounds, HaveTheirLengthAndPeakAndTheSameBytesOnEveryRun) {
    const std::vector<assetgen::Samples> first = assetgen::synthesiseSounds();
    const std::vector<assetgen::Samples> second = assetgen::synthesiseSounds();
    ASSERT_EQ(first.size(), size_t(SOUND_COUNT));
    for (const Expected& row : EXPECTED) {
        SCOPED_TRACE(SOUND_FILES[row.id]);
        const assetgen::Samples& samples = first[row.id];
        const float seconds = float(samples.size()) / SOUND_RATE;
        EXPECT_GE(seconds, row.minSeconds);
        EXPECT_LE(seconds, row.maxSeconds);
        EXPECT_NEAR(peakOf(samples), row.peak, 0.001f);
        const std::string bytes = assetgen::wavBytes(samples);
        EXPECT_TRUE(bytes == assetgen::wavBytes(second[row.id])) << "a second run differs";
        EXPECT_TRUE(bytes == readFile(TestSupport::dataDirectory() + "/" + SOUND_FILES[row.id]))
            << "the data directory holds other bytes";
        expectReadAsMono16Bit(bytes, samples.size());
    }
}

// One-shots end in silence; the loop's end runs on into its start.
TEST(GeneratedSounds, EndWithoutAClick) {
    const std::vector<assetgen::Samples> sounds = assetgen::synthesiseSounds();
    for (int id = 0; id < SOUND_COUNT; ++id) {
        SCOPED_TRACE(SOUND_FILES[id]);
        const assetgen::Samples& samples = sounds[id];
        const int after = id == SOUND_AMBIENCE ? samples.front() : 0;
        EXPECT_LT(std::abs(samples.back() - after), 300);
    }
}

} // namespace
