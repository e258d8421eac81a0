// The data directory being written: every generated file goes through here,
// which keeps the list of files and the meshes' triangle counts for the
// summary. Failures throw std::runtime_error with a message naming the file.
#pragma once

#include "tools/assetgen/image.h"
#include "tools/assetgen/mesh_builder.h"

#include <string>
#include <utility>
#include <vector>

namespace assetgen {

// A generated text asset: its file name in the data directory and its contents.
struct TextFile {
    std::string name;
    std::string text;
};

class Output {
public:
    explicit Output(std::string directory);

    void text(const TextFile& file);
    void mesh(const std::string& name, const MeshBuilder& mesh);
    void image(const std::string& name, const Image& image);
    void copy(const std::string& sourcePath, const std::string& name);
    // Writes the bytes as they are.
    void binary(const std::string& name, const std::string& bytes);

    const std::vector<std::string>& files() const { return m_Files; }
    const std::vector<std::pair<std::string, int>>& triangleCounts() const {
        return m_TriangleCounts;
    }

private:
    std::string path(const std::string& name) const;

    std::string m_Directory;
    std::vector<std::string> m_Files;
    std::vector<std::pair<std::string, int>> m_TriangleCounts;
};

} // namespace assetgen
