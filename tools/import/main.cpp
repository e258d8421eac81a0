// kestrel-import: reads a model with assimp and writes the engine's .kst mesh,
// one .ksta per animation and the textures into a directory. The model is read
// and converted in a child process, since assimp may crash on damaged input;
// the child writes into a hidden directory beside the output, and the files
// move into place only once all of them are complete.
#include "tools/import/convert.h"
#include "tools/import/write.h"

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

// The signal that asked the import to end, 0 while none has.
volatile sig_atomic_t g_EndingSignal = 0;

namespace {

const int STATUS_USAGE = 1;
const int STATUS_UNREADABLE = 2;
const unsigned READ_SECONDS = 120; // a reader stuck on damaged input gives up
// Damaged counts can make a reader reserve hundreds of gigabytes; a limit turns
// that into a quick failure. (The address sanitizer needs the address space.)
const rlim_t READ_MEMORY = rlim_t(4) << 30;

struct Arguments {
    std::string m_Model;
    std::string m_Directory = ".";
    bool m_Force = false;
    KestrelImport::ImportOptions m_Options;
};

const char* const USAGE =
    "usage: kestrel-import MODEL [-o DIR] [--name NAME] [--scale S] [--force] [--keep-all-keys]\n";

bool parseArguments(int argc, char** argv, Arguments& arguments) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "-o" && hasValue)
            arguments.m_Directory = argv[++i];
        else if (argument == "--name" && hasValue)
            arguments.m_Options.m_Name = argv[++i];
        else if (argument == "--scale" && hasValue) {
            char* end = nullptr;
            arguments.m_Options.m_Scale = std::strtod(argv[++i], &end);
            if (*end || !(arguments.m_Options.m_Scale > 0.0) ||
                !std::isfinite(arguments.m_Options.m_Scale))
                return false;
        } else if (argument == "--force")
            arguments.m_Force = true;
        else if (argument == "--keep-all-keys")
            arguments.m_Options.m_KeepAllKeys = true;
        else if (argument.empty() || argument[0] == '-' || !arguments.m_Model.empty())
            return false;
        else
            arguments.m_Model = argument;
    }
    if (arguments.m_Options.m_Name.empty())
        arguments.m_Options.m_Name = fs::path(arguments.m_Model).stem().string();
    const std::string& name = arguments.m_Options.m_Name;
    return !arguments.m_Model.empty() && name.find_first_of(":=/\\") == std::string::npos;
}

// The child: read, convert, write into staging, report into staging/.report.
int importInto(const Arguments& arguments, const std::string& staging) {
    alarm(READ_SECONDS);
#ifndef __SANITIZE_ADDRESS__
    const rlimit memory{READ_MEMORY, READ_MEMORY};
    setrlimit(RLIMIT_AS, &memory);
#endif
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(arguments.m_Model, KestrelImport::readFlags());
    if (!scene || !scene->mRootNode || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE)) {
        const char* reason = importer.GetErrorString();
        std::fprintf(stderr, "kestrel-import: cannot read '%s': %s\n", arguments.m_Model.c_str(),
                     *reason ? reason : "the scene is incomplete");
        return STATUS_UNREADABLE;
    }
    KestrelImport::ImportedModel model;
    std::string error;
    if (!KestrelImport::importScene(*scene, arguments.m_Model, arguments.m_Options, model, error)) {
        std::fprintf(stderr, "kestrel-import: '%s' not imported: %s\n", arguments.m_Model.c_str(),
                     error.c_str());
        return STATUS_UNREADABLE;
    }
    const std::string& name = arguments.m_Options.m_Name;
    if (!KestrelImport::writeModel(model, staging, name, error)) {
        std::fprintf(stderr, "kestrel-import: %s\n", error.c_str());
        return STATUS_USAGE;
    }
    std::ofstream(staging + "/.report") << KestrelImport::describe(model, name);
    return 0;
}

const int ENDING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

void noteEndingSignal(int signal) {
    g_EndingSignal = signal;
}

// Until the staging directory is gone, an ending signal is only noted, and
// passed on to the child.
void holdEndingSignals(void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (int signal : ENDING_SIGNALS)
        sigaction(signal, &action, nullptr);
}

// Runs the child and turns a crash or a stall into the reader's message.
int importInChild(const Arguments& arguments, const std::string& staging) {
    std::fflush(nullptr);
    holdEndingSignals(noteEndingSignal);
    const pid_t child = fork();
    if (child == 0) {
        holdEndingSignals(SIG_DFL);
        _exit(importInto(arguments, staging));
    }
    int status = 0;
    pid_t ended = -1;
    while (child > 0 && (ended = waitpid(child, &status, 0)) < 0 && errno == EINTR)
        kill(child, g_EndingSignal);
    if (ended != child) {
        std::fprintf(stderr, "kestrel-import: cannot start the reader\n");
        return STATUS_USAGE;
    }
    if (g_EndingSignal)
        return STATUS_USAGE;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    const int signal = WTERMSIG(status);
    std::fprintf(stderr, "kestrel-import: cannot read '%s': %s\n", arguments.m_Model.c_str(),
                 signal == SIGALRM
                     ? "the reader did not finish"
                     : ("assimp crashed (" + std::string(strsignal(signal)) + ")").c_str());
    return STATUS_UNREADABLE;
}

// Moves the staged files into place, none if any would replace a file without
// --force or take a directory's place.
int publish(const Arguments& arguments, const std::string& staging) {
    std::error_code failure;
    std::vector<fs::path> files;
    for (fs::directory_iterator entry(staging, failure), end; !failure && entry != end;
         entry.increment(failure))
        if (entry->path().filename() != ".report")
            files.push_back(entry->path());
    for (const fs::path& file : files) {
        const fs::path target = fs::path(arguments.m_Directory) / file.filename();
        const fs::file_status status = fs::symlink_status(target, failure);
        if (fs::exists(status) && (!arguments.m_Force || fs::is_directory(status))) {
            std::fprintf(stderr, "kestrel-import: '%s' exists (%s); nothing written\n",
                         target.string().c_str(),
                         fs::is_directory(status) ? "a directory" : "--force replaces it");
            return STATUS_USAGE;
        }
    }
    for (const fs::path& file : files) {
        fs::rename(file, fs::path(arguments.m_Directory) / file.filename(), failure);
        if (failure) {
            std::fprintf(stderr, "kestrel-import: cannot move '%s' into '%s': %s\n",
                         file.filename().string().c_str(), arguments.m_Directory.c_str(),
                         failure.message().c_str());
            return STATUS_USAGE;
        }
    }
    std::ifstream report(staging + "/.report");
    std::cout << report.rdbuf();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Arguments arguments;
    if (!parseArguments(argc, argv, arguments)) {
        std::fputs(USAGE, stderr);
        return STATUS_USAGE;
    }
    std::error_code failure;
    fs::create_directories(arguments.m_Directory, failure);
    std::string staging = (fs::path(arguments.m_Directory) / ".kestrel-import-XXXXXX").string();
    if (failure || !mkdtemp(staging.data())) {
        std::fprintf(stderr, "kestrel-import: cannot write into '%s'\n",
                     arguments.m_Directory.c_str());
        return STATUS_USAGE;
    }
    int status = importInChild(arguments, staging);
    if (status == 0 && !g_EndingSignal)
        status = publish(arguments, staging);
    fs::remove_all(staging, failure);
    if (g_EndingSignal) {
        holdEndingSignals(SIG_DFL);
        raise(g_EndingSignal);
    }
    return status;
}
