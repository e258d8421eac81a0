#include "engine/renderdevice/shader.h"

#include <fstream>

namespace Kestrel {
namespace {

// Every line followed by a newline; a file that does not open gives no source.
std::string readSource(const std::string& path) {
    std::string source;
    if (path.empty())
        return source;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        source += line;
        source += '\n';
    }
    return source;
}

} // namespace

bool Shader::load(const std::string& vertexPath, const std::string& fragmentPath) {
    return compile(readSource(vertexPath), readSource(fragmentPath));
}

} // namespace Kestrel
