#include "app/sound.h"
#include "tools/preview/sheets.h"
#include "tools/preview/stage.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace preview {

namespace {

using assetgen::Color;
using assetgen::Image;

const int COLUMNS = 3;
const int ROWS = 4;
// One second spans the picture, so that lengths compare across sounds.
const float SECONDS_ACROSS = 1.0f;
// Full scale reaches this many pixels above and below the middle.
const int FULL_SCALE_PIXELS = 220;

const Color BACKGROUND(0.08, 0.09, 0.12);
const Color FULL_SCALE_LINE(0.6, 0.15, 0.15);
const Color PEAK_LINE(0.6, 0.45, 0.1);
const Color TICK(0.3, 0.3, 0.35);
const Color WAVE(0.55, 0.95, 0.6);
const Color MISSING(0.5, 0.1, 0.1);

// The file as the game reads it, through SDL; empty (with a message) when it
// cannot be read or is not 16-bit mono.
std::vector<std::int16_t> readSamples(const std::string& path) {
    SDL_AudioSpec audio;
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(path.c_str(), &audio, &buffer, &length)) {
        std::fprintf(stderr, "preview: cannot read '%s': %s\n", path.c_str(), SDL_GetError());
        return {};
    }
    std::vector<std::int16_t> samples;
    if (audio.format == AUDIO_S16LSB && audio.channels == 1) {
        samples.resize(length / 2);
        std::copy(buffer, buffer + samples.size() * 2, reinterpret_cast<Uint8*>(samples.data()));
    } else {
        std::fprintf(stderr, "preview: '%s' is not 16-bit mono\n", path.c_str());
    }
    SDL_FreeWAV(buffer);
    return samples;
}

void horizontalLine(Image& image, int y, const Color& color) {
    for (int x = 0; x < image.width(); ++x)
        image.set(x, y, color);
}

int rowOf(float level) {
    return WINDOW_HEIGHT / 2 - static_cast<int>(level * FULL_SCALE_PIXELS);
}

// Lines at full scale and at the generator's peak, a tick every tenth of a
// second, and the wave as each column's lowest to highest sample.
Image drawWaveform(const std::vector<std::int16_t>& samples) {
    Image image(WINDOW_WIDTH, WINDOW_HEIGHT, false);
    const bool missing = samples.empty();
    for (int y = 0; y < image.height(); ++y)
        horizontalLine(image, y, missing ? MISSING : BACKGROUND);
    for (float level : {1.0f, -1.0f})
        horizontalLine(image, rowOf(level), FULL_SCALE_LINE);
    for (float level : {SOUND_PEAK, -SOUND_PEAK})
        horizontalLine(image, rowOf(level), PEAK_LINE);
    for (int tick = 1; tick < 10; ++tick)
        for (int y = WINDOW_HEIGHT - 12; y < WINDOW_HEIGHT; ++y)
            image.set(tick * WINDOW_WIDTH / 10, y, TICK);
    const float samplesPerColumn = SOUND_RATE * SECONDS_ACROSS / WINDOW_WIDTH;
    for (int x = 0; x < WINDOW_WIDTH; ++x) {
        const size_t begin = static_cast<size_t>(x * samplesPerColumn);
        const size_t end =
            std::min(samples.size(), static_cast<size_t>((x + 1) * samplesPerColumn));
        if (begin >= end)
            break;
        const auto [low, high] =
            std::minmax_element(samples.begin() + begin, samples.begin() + end);
        for (int y = rowOf(*high / 32768.0f); y <= rowOf(*low / 32768.0f); ++y)
            image.set(x, y, WAVE);
    }
    return image;
}

} // namespace

void writeSoundSheet(const SheetContext& context) {
    std::vector<Image> pictures;
    for (const char* file : SOUND_FILES)
        pictures.push_back(drawWaveform(readSamples(context.dataDirectory + "/" + file)));
    writeContactSheet(context.path("sounds.png"), COLUMNS, ROWS, 2, [&](int column, int row) {
        const size_t index = static_cast<size_t>(row * COLUMNS + column);
        return index < pictures.size() ? pictures[index]
                                       : Image(WINDOW_WIDTH, WINDOW_HEIGHT, false);
    });
}

} // namespace preview
