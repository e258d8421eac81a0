#include "tools/assetgen/sounds.h"

#include "app/sound.h"
#include "tools/assetgen/noise.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

namespace assetgen {

namespace {

const double PI = 3.14159265358979323846;
const double RATE = SOUND_RATE;
const double AMBIENCE_SECONDS = 6.0;
const double AMBIENCE_CROSSFADE_SECONDS = 0.5;

using Wave = std::vector<double>;

Wave silence(double seconds) {
    return Wave(static_cast<size_t>(seconds * RATE), 0.0);
}

double timeOf(size_t i) {
    return static_cast<double>(i) / RATE;
}

// A one-pole low-pass whose cutoff may change from sample to sample.
class LowPass {
public:
    double operator()(double x, double cutoff) {
        const double a = 1.0 - std::exp(-2.0 * PI * cutoff / RATE);
        m_State += a * (x - m_State);
        return m_State;
    }

private:
    double m_State = 0.0;
};

// A sine whose frequency may change from sample to sample.
class Oscillator {
public:
    double sine(double frequency) { return std::sin(advance(frequency)); }
    // A softened square: rounder than a square, buzzier than a sine.
    double buzz(double frequency) { return std::tanh(3.0 * std::sin(advance(frequency))); }

private:
    double advance(double frequency) {
        const double phase = m_Phase;
        m_Phase = std::fmod(m_Phase + 2.0 * PI * frequency / RATE, 2.0 * PI);
        return phase;
    }
    double m_Phase = 0.0;
};

// Zero before start, a linear rise over attack, then an exponential fall.
double hit(double t, double start, double attack, double decay) {
    if (t < start)
        return 0.0;
    const double s = t - start;
    return s < attack ? s / attack : std::exp(-(s - attack) / decay);
}

// Adds a source shaped by an envelope, both functions of time, to the wave.
void add(Wave& wave, const std::function<double(double)>& source,
         const std::function<double(double)>& envelope) {
    for (size_t i = 0; i < wave.size(); ++i) {
        const double t = timeOf(i);
        const double e = envelope(t);
        const double s = source(t);
        wave[i] += e * s;
    }
}

// Filtered noise as a source: white noise through a low-pass at cutoff(t).
std::function<double(double)> noise(std::uint64_t seed, std::function<double(double)> cutoff) {
    auto random = std::make_shared<Random>(seed);
    auto filter = std::make_shared<LowPass>();
    return [=](double t) { return (*filter)(random->range(-1.0, 1.0), cutoff(t)) * 2.0; };
}

std::function<double(double)> tone(std::function<double(double)> frequency, bool buzzy = false) {
    auto oscillator = std::make_shared<Oscillator>();
    return [=](double t) {
        return buzzy ? oscillator->buzz(frequency(t)) : oscillator->sine(frequency(t));
    };
}

std::function<double(double)> fixed(double value) {
    return [value](double) { return value; };
}

// Scaled to the peak. A one-shot's end fades out over the last 10 ms, so that
// no voice stops with a click; a loop's end runs on into its start.
Samples finish(Wave wave, double peak, bool loops = false) {
    const size_t fade = loops ? 0 : std::min(wave.size(), static_cast<size_t>(0.01 * RATE));
    for (size_t i = 0; i < fade; ++i)
        wave[wave.size() - 1 - i] *= static_cast<double>(i) / static_cast<double>(fade);
    double largest = 0.0;
    for (double v : wave)
        largest = std::max(largest, std::abs(v));
    const double scale = largest > 0.0 ? peak * 32767.0 / largest : 0.0;
    Samples samples(wave.size());
    for (size_t i = 0; i < wave.size(); ++i)
        samples[i] = static_cast<std::int16_t>(std::lround(wave[i] * scale));
    return samples;
}

// Air rushing past: noise whose brightness and level swell and fall.
Wave whoosh() {
    Wave wave = silence(0.35);
    const double length = 0.35;
    auto swell = [=](double t) { return std::pow(std::sin(PI * t / length), 2.0); };
    add(wave, noise(11, [=](double t) { return 300.0 + 2200.0 * swell(t); }), swell);
    return wave;
}

// A stone landing on earth: a low, falling thump and a short scrape.
Wave groundThud() {
    Wave wave = silence(0.3);
    add(wave, tone([](double t) { return 60.0 + 50.0 * std::exp(-t / 0.05); }),
        [](double t) { return hit(t, 0.0, 0.002, 0.07); });
    add(wave, noise(12, fixed(1500.0)), [](double t) { return 0.6 * hit(t, 0.0, 0.001, 0.015); });
    return wave;
}

// A stone striking a shell: a sharp crack over a short hollow knock.
Wave shellCrack() {
    Wave wave = silence(0.25);
    add(wave, noise(13, fixed(5000.0)), [](double t) { return hit(t, 0.0, 0.0005, 0.012); });
    add(wave, tone(fixed(320.0), true), [](double t) { return 0.5 * hit(t, 0.0, 0.001, 0.04); });
    return wave;
}

// An enemy's end: a high squeak that wobbles and falls away.
Wave enemySqueak() {
    Wave wave = silence(0.5);
    add(wave, tone([](double t) {
            return (1200.0 - 1500.0 * t) * (1.0 + 0.04 * std::sin(60.0 * PI * t));
        }),
        [](double t) { return hit(t, 0.0, 0.01, 0.15); });
    return wave;
}

// Three notes struck `spacing` apart, each fading with `decay`, the last with
// `lastDecay`.
struct Melody {
    double notes[3];
    double spacing;
    double attack;
    double decay;
    double lastDecay;
    bool buzzy;
};

Wave play(double seconds, const Melody& melody) {
    Wave wave = silence(seconds);
    for (int n = 0; n < 3; ++n) {
        const double start = melody.spacing * n;
        const double decay = n == 2 ? melody.lastDecay : melody.decay;
        add(wave, tone(fixed(melody.notes[n]), melody.buzzy),
            [=](double t) { return hit(t, start, melody.attack, decay); });
    }
    return wave;
}

// The player's ant: three low falling notes, longer and darker than an enemy's.
Wave playerLament() {
    return play(0.9, {{392.0, 330.0, 262.0}, 0.22, 0.01, 0.08, 0.2, true});
}

// Two chomps of mandibles: a crunch of noise over a dull thump each.
Wave chomps() {
    Wave wave = silence(0.35);
    for (double start : {0.0, 0.17}) {
        add(wave, noise(14 + static_cast<std::uint64_t>(start * 100.0), fixed(1200.0)),
            [=](double t) { return hit(t, start, 0.003, 0.03); });
        add(wave, tone(fixed(150.0)), [=](double t) { return 0.7 * hit(t, start, 0.003, 0.04); });
    }
    return wave;
}

// A breath of fire: a flickering roar over a low rumble.
Wave roar() {
    Wave wave = silence(0.8);
    auto envelope = [](double t) {
        const double rise = std::min(1.0, t / 0.08);
        const double fall = t > 0.5 ? std::exp(-(t - 0.5) / 0.08) : 1.0;
        return rise * fall * (0.8 + 0.2 * std::sin(2.0 * PI * 13.0 * t));
    };
    add(wave, noise(15, fixed(900.0)), envelope);
    add(wave, noise(16, fixed(150.0)), [=](double t) { return 1.5 * envelope(t); });
    return wave;
}

// The next ant comes on: three rising notes.
Wave fanfare() {
    return play(0.45, {{523.0, 659.0, 784.0}, 0.1, 0.005, 0.08, 0.08, false});
}

Wave blip() {
    Wave wave = silence(0.08);
    add(wave, tone(fixed(880.0)), [](double t) { return hit(t, 0.0, 0.002, 0.02); });
    return wave;
}

Wave confirmation() {
    Wave wave = silence(0.3);
    add(wave, tone(fixed(660.0)), [](double t) { return hit(t, 0.0, 0.003, 0.04); });
    add(wave, tone(fixed(990.0)), [](double t) { return hit(t, 0.09, 0.003, 0.06); });
    return wave;
}

// Wind in the grass with distant crickets. The end is blended into the start,
// so that the loop has no seam.
Wave outdoors() {
    Wave wave = silence(AMBIENCE_SECONDS + AMBIENCE_CROSSFADE_SECONDS);
    add(wave, noise(17, fixed(250.0)), [](double t) {
        return 0.6 + 0.25 * std::sin(2.0 * PI * t / 3.0) + 0.15 * std::sin(2.0 * PI * t / 1.3);
    });
    add(wave, tone(fixed(4400.0)), [](double t) {
        const double chirp = std::fmod(t, 1.5);
        const bool on = chirp < 0.3 && std::fmod(chirp, 0.05) < 0.025;
        return on ? 0.12 : 0.0;
    });
    const size_t loop = static_cast<size_t>(AMBIENCE_SECONDS * RATE);
    const size_t fade = wave.size() - loop;
    for (size_t i = 0; i < fade; ++i) {
        const double k = static_cast<double>(i) / static_cast<double>(fade);
        wave[i] = wave[i] * k + wave[loop + i] * (1.0 - k);
    }
    wave.resize(loop);
    return wave;
}

void putLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

} // namespace

std::vector<Samples> synthesiseSounds() {
    std::vector<Samples> sounds(SOUND_COUNT);
    sounds[SOUND_THROW] = finish(whoosh(), SOUND_PEAK);
    sounds[SOUND_ROCK_GROUND] = finish(groundThud(), SOUND_PEAK);
    sounds[SOUND_ROCK_HIT] = finish(shellCrack(), SOUND_PEAK);
    sounds[SOUND_ENEMY_DEATH] = finish(enemySqueak(), SOUND_PEAK);
    sounds[SOUND_PLAYER_DEATH] = finish(playerLament(), SOUND_PEAK);
    sounds[SOUND_BITE] = finish(chomps(), SOUND_PEAK);
    sounds[SOUND_FLAME] = finish(roar(), SOUND_PEAK);
    sounds[SOUND_NEXT_PLAYER] = finish(fanfare(), SOUND_PEAK);
    sounds[SOUND_MENU_MOVE] = finish(blip(), SOUND_PEAK);
    sounds[SOUND_MENU_CONFIRM] = finish(confirmation(), SOUND_PEAK);
    sounds[SOUND_AMBIENCE] = finish(outdoors(), AMBIENCE_PEAK, true);
    return sounds;
}

std::string wavBytes(const Samples& samples) {
    const std::uint32_t dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    std::string out = "RIFF";
    putLittleEndian(out, 36 + dataSize, 4);
    out += "WAVEfmt ";
    putLittleEndian(out, 16, 4); // format chunk size
    putLittleEndian(out, 1, 2);  // PCM
    putLittleEndian(out, 1, 2);  // mono
    putLittleEndian(out, SOUND_RATE, 4);
    putLittleEndian(out, SOUND_RATE * 2, 4); // bytes a second
    putLittleEndian(out, 2, 2);              // bytes a frame
    putLittleEndian(out, 16, 2);             // bits a sample
    out += "data";
    putLittleEndian(out, dataSize, 4);
    for (std::int16_t sample : samples)
        putLittleEndian(out, static_cast<std::uint16_t>(sample), 2);
    return out;
}

} // namespace assetgen
