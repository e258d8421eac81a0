#include "app/sound.h"

#include "app/application.h"
#include "app/world.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <string>

using Kestrel::Vector3;

Sound* g_Sound = nullptr;

namespace {

const int OUTPUT_CHANNELS = 2;
// About 46 ms at 22,050 Hz: short enough to sound with its event.
const int MIXER_BUFFER_SAMPLES = 1024;
// How far to one side a source at the far left or right is panned: the other
// ear still hears a little of it.
const float PAN_WIDTH = 0.8f;
// Voices turned down below this are not worth a channel.
const float MIN_AUDIBLE_GAIN = 0.02f;

// Each sound owns MAX_VOICES_PER_SOUND consecutive channels, tagged with its id.
int firstChannel(SoundId id) {
    return static_cast<int>(id) * static_cast<int>(MAX_VOICES_PER_SOUND);
}

Uint8 toPanning(float gain) {
    return static_cast<Uint8>(std::lround(std::clamp(gain, 0.0f, 1.0f) * 255.0f));
}

float loudness(const StereoGain& gain) {
    return std::max(gain.left, gain.right);
}

} // namespace

StereoGain placeSound(const Vector3& source, const Vector3& eye, const Vector3& target) {
    Vector3 forward(target.x - eye.x, 0.0f, target.z - eye.z);
    if (forward.lengthSquared() == 0.0f)
        forward = Vector3(0.0f, 0.0f, 1.0f);
    forward = forward.normalized();
    // forward x up, with y up: what lies to the camera's right.
    const Vector3 right(-forward.z, 0.0f, forward.x);
    const Vector3 offset = source - eye;
    const Vector3 flat(offset.x, 0.0f, offset.z);
    float side = 0.0f;
    if (flat.lengthSquared() > 0.0f)
        side = dot(flat.normalized(), right) * PAN_WIDTH;
    const float distance = offset.length();
    float gain = distance > FULL_GAIN_DISTANCE ? FULL_GAIN_DISTANCE / distance : 1.0f;
    if (dot(flat, forward) < 0.0f)
        gain *= BEHIND_GAIN;
    return {gain * std::min(1.0f, 1.0f - side), gain * std::min(1.0f, 1.0f + side)};
}

std::vector<size_t> loudestVoices(const std::vector<float>& loudness, size_t limit) {
    std::vector<size_t> order(loudness.size());
    std::iota(order.begin(), order.end(), size_t(0));
    // Stable, so that equally loud requests keep the order they came in.
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return loudness[a] > loudness[b]; });
    if (order.size() > limit)
        order.resize(limit);
    return order;
}

VoiceRoom makeRoom(const std::vector<float>& playing, float level, float budget) {
    VoiceRoom room{{}, 1.0f};
    float used = std::accumulate(playing.begin(), playing.end(), 0.0f);
    std::vector<size_t> quietestFirst = loudestVoices(playing, playing.size());
    std::reverse(quietestFirst.begin(), quietestFirst.end());
    for (size_t i : quietestFirst) {
        if (used + level <= budget || playing[i] >= level)
            break;
        if (playing[i] > 0.0f) {
            room.stop.push_back(i);
            used -= playing[i];
        }
    }
    const float left = budget - used;
    if (left < level)
        room.scale = left > 0.0f ? left / level : 0.0f;
    return room;
}

Sound::~Sound() {
    close();
}

void Sound::open(const char* directory) {
    if (m_Open)
        return;
    // SDL would play a cut file's remains; a broken file should be named
    // instead. A user's own setting wins.
    setenv("SDL_WAVE_TRUNCATION", "strict", 0);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0 ||
        Mix_OpenAudio(SOUND_RATE, AUDIO_S16SYS, OUTPUT_CHANNELS, MIXER_BUFFER_SAMPLES) < 0) {
        std::printf("No audio device (%s): the game plays silently.\n", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    m_Open = true;
    Mix_AllocateChannels(firstChannel(SOUND_COUNT));
    m_VoiceLoudness.assign(firstChannel(SOUND_COUNT), 0.0f);
    loadAll(directory);
}

void Sound::loadAll(const char* directory) {
    for (int id = 0; id < SOUND_COUNT; ++id) {
        const std::string path = std::string(directory) + SOUND_FILES[id];
        SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
        if (!file) {
            std::printf("Error: Sound file '%s' could not be opened.\n", path.c_str());
            continue;
        }
        m_Chunks[id] = Mix_LoadWAV_RW(file, 1);
        if (!m_Chunks[id])
            std::printf("Error: Sound file '%s' could not be loaded: %s\n", path.c_str(),
                        Mix_GetError());
    }
}

void Sound::close() {
    if (!m_Open)
        return;
    Mix_HaltChannel(-1);
    for (Mix_Chunk*& chunk : m_Chunks) {
        if (chunk)
            Mix_FreeChunk(chunk);
        chunk = nullptr;
    }
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    m_Open = false;
    m_Paused = false;
    m_Ambience = false;
    m_Requests.clear();
}

void Sound::play(SoundId id, const StereoGain& gain) {
    if (m_Open && !m_Muted && !m_Paused && m_Chunks[id])
        m_Requests.push_back({id, gain});
}

void Sound::endFrame(bool playing, bool paused) {
    if (!m_Open)
        return;
    setPaused(paused);
    if (playing && !paused && !m_Ambience && !m_Muted)
        startAmbience();
    for (int id = 0; id < SOUND_COUNT; ++id) {
        std::vector<const Request*> requests;
        std::vector<float> levels;
        for (const Request& request : m_Requests) {
            if (request.id == id) {
                requests.push_back(&request);
                levels.push_back(loudness(request.gain));
            }
        }
        for (size_t i : loudestVoices(levels, MAX_VOICES_PER_SOUND))
            start(SoundId(id), requests[i]->gain);
    }
    m_Requests.clear();
}

// A free channel of the sound's own, else its quietest one if the new voice is
// louder: a crowd keeps its loudest voices. Then quieter voices of any sound
// make room within the budget, or the new one is turned down to fit.
void Sound::start(SoundId id, const StereoGain& gain) {
    const float level = loudness(gain);
    std::vector<float> playing(m_VoiceLoudness.size(), 0.0f);
    for (size_t c = 0; c < playing.size(); ++c) {
        if (int(c) != firstChannel(SOUND_AMBIENCE) && Mix_Playing(int(c)))
            playing[c] = m_VoiceLoudness[c];
    }
    const int first = firstChannel(id);
    int channel = first;
    for (int c = first; c < first + int(MAX_VOICES_PER_SOUND); ++c) {
        if (playing[c] < playing[channel])
            channel = c;
    }
    if (playing[channel] > level)
        return;
    playing[channel] = 0.0f;
    const VoiceRoom room = makeRoom(playing, level, VOICE_GAIN_BUDGET);
    if (room.scale * level < MIN_AUDIBLE_GAIN)
        return;
    for (size_t c : room.stop)
        Mix_HaltChannel(int(c));
    // Ending a voice drops its channel's panning: the old voice goes first.
    Mix_HaltChannel(channel);
    Mix_SetPanning(channel, toPanning(gain.left * room.scale), toPanning(gain.right * room.scale));
    if (Mix_PlayChannel(channel, m_Chunks[id], 0) >= 0)
        m_VoiceLoudness[channel] = level * room.scale;
}

void Sound::startAmbience() {
    m_Ambience = true;
    if (m_Chunks[SOUND_AMBIENCE])
        Mix_PlayChannel(firstChannel(SOUND_AMBIENCE), m_Chunks[SOUND_AMBIENCE], -1);
}

void Sound::setPaused(bool paused) {
    if (paused == m_Paused)
        return;
    m_Paused = paused;
    if (paused) {
        Mix_Pause(-1);
        m_Requests.clear();
    } else {
        Mix_Resume(-1);
    }
}

// Muting silences at once; the ambience comes back with the next frame of play.
void Sound::toggleMute() {
    m_Muted = !m_Muted;
    if (!m_Open || !m_Muted)
        return;
    Mix_HaltChannel(-1);
    m_Requests.clear();
    m_Ambience = false;
}

void playSound(SoundId id, const Vector3& where) {
    if (!g_Sound || !g_World)
        return;
    g_Sound->play(id, placeSound(where, g_World->m_CameraPosition, g_World->m_CameraTarget));
}
