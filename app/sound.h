// The game's sound: one mixer opened after the title's first frame, the
// generated WAV files of the data directory, and the events that play them.
// Positions are in world space and heard from the world camera; requests of
// one frame are started together at its end, the loudest few of each sound.
// Owned by the entry module (g_Sound); actors reach it through playSound.
#pragma once

#include "engine/vector.h"

#include <cstddef>
#include <vector>

struct Mix_Chunk;

enum SoundId {
    SOUND_THROW,
    SOUND_ROCK_GROUND,
    SOUND_ROCK_HIT,
    SOUND_ENEMY_DEATH,
    SOUND_PLAYER_DEATH,
    SOUND_BITE,
    SOUND_FLAME,
    SOUND_NEXT_PLAYER,
    SOUND_MENU_MOVE,
    SOUND_MENU_CONFIRM,
    SOUND_AMBIENCE,
    SOUND_COUNT
};

// The files in the data directory, in the order of SoundId.
inline const char* const SOUND_FILES[SOUND_COUNT] = {
    "throw.wav", "rockground.wav", "rockhit.wav",  "enemydeath.wav",  "playerdeath.wav", "bite.wav",
    "flame.wav", "nextplayer.wav", "menumove.wav", "menuconfirm.wav", "ambience.wav",
};

const int SOUND_RATE = 22050;
// The loudest sample a generated sound may reach, as a fraction of full scale;
// the ambience, always on under play, stays far quieter.
const float SOUND_PEAK = 0.45f;
const float AMBIENCE_PEAK = 0.08f;
const size_t MAX_VOICES_PER_SOUND = 2;
// The most the gains of all voices but the ambience may add up to: even when
// every peak meets, the mix stays below full scale.
const float VOICE_GAIN_BUDGET = (1.0f - AMBIENCE_PEAK) / SOUND_PEAK;
// A source this far from the camera eye or nearer plays at full gain; the
// following camera keeps the player ant about 12.8 away.
const float FULL_GAIN_DISTANCE = 13.0f;
// Sources behind the camera are turned down by this factor.
const float BEHIND_GAIN = 0.7f;

// Gains of the two channels, 0..1.
struct StereoGain {
    float left;
    float right;
};
const StereoGain CENTRE_GAIN = {1.0f, 1.0f};
// How a source at `source` sounds to a camera at `eye` looking at `target`
// (y up): panned by its side, quieter with distance, never mirrored behind.
StereoGain placeSound(const Kestrel::Vector3& source, const Kestrel::Vector3& eye,
                      const Kestrel::Vector3& target);
// Indices of the at most `limit` loudest of `loudness`, loudest first.
std::vector<size_t> loudestVoices(const std::vector<float>& loudness, size_t limit);

// How a new voice of loudness `level` joins the voices `playing` (their
// loudness; 0 for a free channel) within `budget`: the quieter voices it stops,
// quietest first, and the factor on its gains (below 1 when it does not fit).
struct VoiceRoom {
    std::vector<size_t> stop;
    float scale;
};
VoiceRoom makeRoom(const std::vector<float>& playing, float level, float budget);

class Sound {
public:
    Sound() = default;
    ~Sound();
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;

    // Opens the audio device and loads the sounds from `directory`. Without a
    // device prints one line and stays silent; a file that cannot be loaded is
    // named and that sound stays silent.
    void open(const char* directory);
    // Stops every voice and closes the device.
    void close();
    bool isOpen() const { return m_Open; }

    // Asks for a sound with the given gains; it starts at the frame's end.
    void play(SoundId id, const StereoGain& gain);
    // Starts the frame's loudest requests, keeps the ambience going while the
    // game is played and follows the pause.
    void endFrame(bool playing, bool paused);

    void toggleMute();
    bool isMuted() const { return m_Muted; }

private:
    struct Request {
        SoundId id;
        StereoGain gain;
    };
    void loadAll(const char* directory);
    void start(SoundId id, const StereoGain& gain);
    void startAmbience();
    void setPaused(bool paused);

    bool m_Open = false;
    bool m_Muted = false;
    bool m_Paused = false;
    bool m_Ambience = false;
    Mix_Chunk* m_Chunks[SOUND_COUNT] = {};
    // The loudness each channel plays at, to know whom to replace.
    std::vector<float> m_VoiceLoudness;
    std::vector<Request> m_Requests;
};

extern Sound* g_Sound;

// A sound at a world position, heard from the world camera; nothing without
// g_Sound or g_World.
void playSound(SoundId id, const Kestrel::Vector3& where);
