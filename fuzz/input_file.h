// The loaders under test read files by path: each input is written to one
// temporary file per process, which is removed when the process ends.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace Fuzz {

class InputFile {
public:
    // suffix keeps the extension the game's files have (some decoders look at it).
    explicit InputFile(const char* suffix) {
        std::string pattern = std::string(P_tmpdir) + "/formik-fuzz-XXXXXX" + suffix;
        const int fd = mkstemps(&pattern[0], static_cast<int>(std::string(suffix).size()));
        if (fd < 0)
            std::abort();
        close(fd);
        m_Path = pattern;
    }
    ~InputFile() { std::remove(m_Path.c_str()); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const std::string& write(const uint8_t* data, size_t size) {
        FILE* file = std::fopen(m_Path.c_str(), "wb");
        if (!file || (size > 0 && std::fwrite(data, 1, size, file) != size))
            std::abort();
        std::fclose(file);
        return m_Path;
    }

private:
    std::string m_Path;
};

} // namespace Fuzz
