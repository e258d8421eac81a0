// Where a sound is heard from the following camera, how a crowd of one sound
// in a frame is thinned to its loudest voices, and how voices follow play,
// mute and pause.
#include "app/sound.h"

#include "app/controller.h"
#include "support/float_compare.h"
#include "support/game_fixture.h"

#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <vector>

namespace {

using Kestrel::Vector3;
using TestSupport::near;

// The world camera's start: above the near edge, looking along +z, so that
// greater x lies to the left of the picture.
const Vector3 EYE(8.0f, 10.0f, 0.0f);
const Vector3 TARGET(8.0f, 0.0f, 8.0f);

TEST(SoundPlacementTest, PannedBySideQuieterFarAndNeverMirroredBehind) {
    const struct {
        const char* what;
        Vector3 source;
        float left, right;
    } cases[] = {
        {"ahead, near", {8.0f, 0.0f, 8.0f}, 1.0f, 1.0f},
        {"ahead left", {12.0f, 0.0f, 8.0f}, 0.96899f, 0.62231f},
        {"ahead right", {4.0f, 0.0f, 8.0f}, 0.62231f, 0.96899f},
        {"ahead, far", {8.0f, 0.0f, 40.0f}, 0.31529f, 0.31529f},
        {"behind left", {12.0f, 0.0f, -8.0f}, 0.67829f, 0.43562f},
        {"straight above the eye", {8.0f, 20.0f, 0.0f}, 1.0f, 1.0f},
        {"just left of below the eye", {8.3f, 0.0f, 0.0f}, 1.0f, 0.2f},
        {"at the eye", EYE, 1.0f, 1.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        StereoGain gain = {-7.0f, -7.0f};
        gain = placeSound(c.source, EYE, TARGET);
        EXPECT_TRUE(near(gain.left, c.left, 1e-4f));
        EXPECT_TRUE(near(gain.right, c.right, 1e-4f));
    }
}

// A camera looking straight down still knows its sides.
TEST(SoundPlacementTest, CameraWithoutHeadingHearsAheadAsCentre) {
    const StereoGain gain = placeSound({8.0f, 0.0f, 5.0f}, {8.0f, 10.0f, 0.0f}, {8.0f, 0.0f, 0.0f});
    EXPECT_TRUE(near(gain.left, gain.right));
}

// Fifty rocks landing in one frame all over the field: the sound keeps its
// loudest few voices.
TEST(SoundVoicesTest, CrowdOfOneSoundKeepsItsLoudest) {
    std::vector<float> loudness;
    for (int i = 0; i < 50; ++i) {
        const StereoGain gain = placeSound({float(i % 17), 0.0f, float(i / 3)}, EYE, TARGET);
        loudness.push_back(std::max(gain.left, gain.right));
    }
    const std::vector<size_t> kept = loudestVoices(loudness, MAX_VOICES_PER_SOUND);
    ASSERT_EQ(kept.size(), MAX_VOICES_PER_SOUND);
    float quietestKept = 1.0f;
    for (size_t i : kept)
        quietestKept = std::min(quietestKept, loudness[i]);
    for (size_t i = 0; i < loudness.size(); ++i) {
        if (std::find(kept.begin(), kept.end(), i) == kept.end()) {
            EXPECT_LE(loudness[i], quietestKept) << "request " << i;
        }
    }
}

// Every sound at once, as near as can be, over the ambience: quieter voices
// give way, and even with all peaks meeting the mix stays below full scale.
TEST(SoundVoicesTest, EverySoundInOneFrameStaysBelowFullScale) {
    std::vector<float> playing(12, 0.0f);
    for (int i = 0; i < 30; ++i) {
        const float level = 0.5f + 0.5f * float(i % 7) / 6.0f;
        const VoiceRoom room = makeRoom(playing, level, VOICE_GAIN_BUDGET);
        EXPECT_GE(room.scale, 0.0f);
        EXPECT_LE(room.scale, 1.0f);
        for (size_t c : room.stop) {
            EXPECT_LT(playing[c], level) << "a louder voice gave way";
            playing[c] = 0.0f;
        }
        const auto free = std::find(playing.begin(), playing.end(), 0.0f);
        if (free != playing.end())
            *free = level * room.scale;
        float sum = 0.0f;
        for (float p : playing)
            sum += p;
        EXPECT_LE(sum * SOUND_PEAK + AMBIENCE_PEAK, 1.0f + 1e-5f) << "after voice " << i;
    }
}

TEST(SoundVoicesTest, RoomIsMadeFromTheQuietestOnly) {
    const struct {
        const char* what;
        std::vector<float> playing;
        float level;
        std::vector<size_t> stop;
        float scale;
    } cases[] = {
        {"fits", {0.5f, 0.0f}, 1.0f, {}, 1.0f},
        {"quieter ones give way, quietest first", {0.3f, 0.9f, 0.6f}, 0.8f, {0, 2}, 1.0f},
        {"only as many as needed", {0.4f, 0.5f, 0.9f}, 0.6f, {0}, 1.0f},
        {"louder voices stay, the new one is turned down", {1.0f, 0.9f}, 0.5f, {}, 0.2f},
        {"no room at all", {1.0f, 1.0f}, 0.5f, {}, 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const VoiceRoom room = makeRoom(c.playing, c.level, 2.0f);
        EXPECT_EQ(room.stop, c.stop);
        EXPECT_TRUE(near(room.scale, c.scale, 1e-4f));
    }
}

TEST(SoundVoicesTest, FewerRequestsThanVoicesAllPlayLoudestFirst) {
    EXPECT_EQ(loudestVoices({0.2f, 0.9f}, 4), (std::vector<size_t>{1, 0}));
    EXPECT_TRUE(loudestVoices({}, 2).empty());
}

} // namespace

// The mixer on SDL's device that plays nothing, as a test environment picks it
// (the game never picks a device).
class SoundDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        m_Sound.open((TestSupport::dataDirectory() + "/").c_str());
        ASSERT_TRUE(m_Sound.isOpen());
        // The mixer marks a paused voice with the tick count, so a pause at
        // tick 0 (a fresh timer) would read as none.
        SDL_Delay(2);
    }
    void TearDown() override { unsetenv("SDL_AUDIODRIVER"); }

    void throwMany(int count) {
        for (int i = 0; i < count; ++i)
            m_Sound.play(SOUND_THROW, CENTRE_GAIN);
    }

    Sound m_Sound;
};

TEST_F(SoundDeviceTest, VoicesFollowPlayMuteAndPause) {
    m_Sound.endFrame(false, false);
    EXPECT_EQ(Mix_Playing(-1), 0) << "the title has no ambience";
    throwMany(5);
    m_Sound.endFrame(true, false);
    EXPECT_EQ(Mix_Playing(-1), int(MAX_VOICES_PER_SOUND) + 1) << "two throws and the ambience";

    m_Sound.endFrame(true, true);
    EXPECT_EQ(Mix_Paused(-1), Mix_Playing(-1)) << "F1 pauses every voice";
    throwMany(1);
    m_Sound.endFrame(true, false);
    EXPECT_EQ(Mix_Paused(-1), 0) << "and resumes them";

    m_Sound.toggleMute();
    EXPECT_TRUE(m_Sound.isMuted());
    EXPECT_EQ(Mix_Playing(-1), 0);
    throwMany(3);
    m_Sound.endFrame(true, false);
    EXPECT_EQ(Mix_Playing(-1), 0) << "nothing starts while muted";

    m_Sound.toggleMute();
    m_Sound.endFrame(true, true);
    EXPECT_EQ(Mix_Playing(-1), Mix_Paused(-1)) << "unmuted in the pause, nothing is heard yet";
    m_Sound.endFrame(true, false);
    EXPECT_EQ(Mix_Playing(-1), 1) << "the ambience comes back";
    m_Sound.close();
    EXPECT_FALSE(m_Sound.isOpen());
}

// The loudest left and right samples the mixer has put out since the last reset.
std::atomic<int> g_LeftPeak{0}, g_RightPeak{0};

void recordPeaks(void*, Uint8* stream, int bytes) {
    const Sint16* samples = reinterpret_cast<const Sint16*>(stream);
    for (int i = 0; i + 1 < bytes / 2; i += 2) {
        g_LeftPeak = std::max(g_LeftPeak.load(), std::abs(int(samples[i])));
        g_RightPeak = std::max(g_RightPeak.load(), std::abs(int(samples[i + 1])));
    }
}

// A louder voice that takes a busy channel keeps its own side.
TEST_F(SoundDeviceTest, VoiceReplacingAnotherKeepsItsPanning) {
    const StereoGain quietLeft = {0.2f, 0.0f}, rightOnly = {0.0f, 1.0f};
    m_Sound.play(SOUND_PLAYER_DEATH, quietLeft);
    m_Sound.play(SOUND_PLAYER_DEATH, quietLeft);
    m_Sound.endFrame(false, false);
    m_Sound.play(SOUND_PLAYER_DEATH, rightOnly);
    m_Sound.endFrame(false, false);
    Mix_SetPostMix(recordPeaks, nullptr);
    g_LeftPeak = g_RightPeak = 0;
    SDL_Delay(200);
    Mix_SetPostMix(nullptr, nullptr);
    EXPECT_GT(g_RightPeak.load(), 0.3 * SOUND_PEAK * 32767);
    EXPECT_LT(g_LeftPeak.load(), 0.3 * SOUND_PEAK * 32767) << "only the quiet voice left of centre";
}

class GameSoundTest : public TestSupport::GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        m_Sound.open((TestSupport::dataDirectory() + "/").c_str());
        g_Sound = &m_Sound;
    }
    void TearDown() override {
        g_Sound = nullptr;
        m_Sound.close();
        unsetenv("SDL_AUDIODRIVER");
        GameTest::TearDown();
    }

    Sound m_Sound;
};

// The player's rock leaving the hand starts one voice at the end of that frame.
TEST_F(GameSoundTest, ThrowIsHeardWhenTheRockLeaves) {
    ASSERT_TRUE(m_Sound.isOpen());
    world()->m_Playing = true;
    quietEnemies();
    protectPlayer();
    press(BUTTON_X);
    ASSERT_TRUE(stepUntil([&] { return !flyingRocks().empty(); }, 300));
    m_Sound.endFrame(false, false);
    EXPECT_EQ(Mix_Playing(-1), 1);
}
