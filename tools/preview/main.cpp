// preview <data directory> <output directory>: draws the generated data through
// the engine, as the game does, into contact sheets (PNG) for people to look at.
// Needs a display; `make preview` gives it a virtual one.
#include "engine/renderdevice/opengl/opengl_renderdevice.h"
#include "engine/resourcemanager.h"
#include "tools/preview/sheets.h"
#include "tools/preview/stage.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

namespace {

// Everything that holds OpenGL objects goes before the window closes.
int run(const std::string& dataDirectory, const std::string& outputDirectory) {
    if (!preview::openWindow())
        return 1;
    int status = 0;
    {
        Kestrel::OpenGLRenderDevice device;
        Kestrel::ResourceManager::getInstance()->addSearchPath(dataDirectory + "/");
        try {
            preview::Stage stage(device);
            const preview::SheetContext context{stage, outputDirectory, dataDirectory};
            using namespace preview;
            for (auto write : {writeAntSheet, writePropSheet, writeAnimationSheets, writeTitleSheet,
                               writeScenerySheet, writeFieldSheet, writeSoundSheet,
                               writeAntPictures, writeGamePictures})
                write(context);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "preview: %s\n", e.what());
            status = 1;
        }
        Kestrel::ResourceManager::getInstance()->clear();
    }
    preview::closeWindow();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: preview <data directory> <output directory>\n");
        return 2;
    }
    const std::string data = argv[1], output = argv[2];
    std::error_code error;
    if (!std::filesystem::is_directory(data, error)) {
        std::fprintf(stderr, "preview: no data directory '%s'\n", data.c_str());
        return 1;
    }
    std::filesystem::create_directories(output, error);
    if (error) {
        std::fprintf(stderr, "preview: cannot create '%s': %s\n", output.c_str(),
                     error.message().c_str());
        return 1;
    }
    const int status = run(data, output);
    if (status == 0)
        std::printf("preview: contact sheets written to %s\n", output.c_str());
    return status;
}
