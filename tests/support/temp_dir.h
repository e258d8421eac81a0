// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes away. Tests never write into the tree.
// Also reads a whole file back.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace TestSupport {

// Every byte of the file; empty if it cannot be read.
inline std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "formik-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            m_Path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        if (!m_Path.empty())
            std::filesystem::remove_all(m_Path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // Ends in '/'.
    std::string path() const { return m_Path + "/"; }
    std::string file(const std::string& name) const { return path() + name; }
    void write(const std::string& name, const std::string& contents) const {
        std::ofstream(file(name), std::ios::binary) << contents;
    }

private:
    std::string m_Path;
};

} // namespace TestSupport
