// A GLSL program object on OpenGL 2.0 entry points. Compile logs go to standard
// error under "Error Compiling Vertex Shader" / "Error Compiling Fragment Shader";
// the program is linked and usable either way. Owns its OpenGL objects.
#pragma once

#include "engine/renderdevice/shader.h"

namespace Kestrel {

class OpenGLShader : public Shader {
public:
    ~OpenGLShader() override;
    bool compile(const std::string& vertexSource, const std::string& fragmentSource) override;
    void setUniform(const std::string& name, int value) override;
    bool isUsable() const override;
    void bind();

    unsigned getVertexShader() const { return m_VertexShader; }
    unsigned getFragmentShader() const { return m_FragmentShader; }
    unsigned getProgram() const { return m_Program; }

private:
    void release();

    unsigned m_VertexShader = 0;
    unsigned m_FragmentShader = 0;
    unsigned m_Program = 0;
    bool m_Linked = false;
};

} // namespace Kestrel
