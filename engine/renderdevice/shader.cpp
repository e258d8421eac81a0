#include "engine/renderdevice/shader.h"

#include "engine/assert.h"

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
    if (source.empty())
        reportMessage(MessageSeverity::DATA_ERROR,
                      "Error: Shader file '%s' could not be read or is empty; that stage is left "
                      "out.",
                      path.c_str());
    return source;
}

} // namespace

bool Shader::load(const std::string& vertexPath, const std::string& fragmentPath) {
    const bool compiled = compile(readSource(vertexPath), readSource(fragmentPath));
    if (!isUsable())
        reportMessage(MessageSeverity::DATA_ERROR,
                      "Error: Shader files '%s' and '%s' do not compile and link; drawing goes on "
                      "without them.",
                      vertexPath.c_str(), fragmentPath.c_str());
    return compiled;
}

} // namespace Kestrel
