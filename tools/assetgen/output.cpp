#include "tools/assetgen/output.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace assetgen {

Output::Output(std::string directory) : m_Directory(std::move(directory)) {
    std::error_code error;
    std::filesystem::create_directories(m_Directory, error);
    if (error)
        throw std::runtime_error("cannot create directory '" + m_Directory +
                                 "': " + error.message());
}

std::string Output::path(const std::string& name) const {
    return (std::filesystem::path(m_Directory) / name).string();
}

void Output::text(const TextFile& file) {
    binary(file.name, file.text);
}

void Output::binary(const std::string& name, const std::string& bytes) {
    std::ofstream out(path(name), std::ios::binary);
    out << bytes;
    if (!out.flush())
        throw std::runtime_error("cannot write '" + path(name) + "'");
    m_Files.push_back(name);
}

void Output::mesh(const std::string& name, const MeshBuilder& mesh) {
    text({name, mesh.toText()});
    m_TriangleCounts.emplace_back(name, mesh.triangleCount());
}

void Output::image(const std::string& name, const Image& image) {
    if (!writePng(image, path(name)))
        throw std::runtime_error("cannot write '" + path(name) + "'");
    m_Files.push_back(name);
}

void Output::copy(const std::string& sourcePath, const std::string& name) {
    std::error_code error;
    std::filesystem::copy_file(sourcePath, path(name),
                               std::filesystem::copy_options::overwrite_existing, error);
    if (error)
        throw std::runtime_error("cannot copy '" + sourcePath + "' to '" + path(name) +
                                 "': " + error.message());
    m_Files.push_back(name);
}

} // namespace assetgen
