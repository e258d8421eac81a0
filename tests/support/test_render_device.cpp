#include "support/test_render_device.h"

namespace TestSupport {
namespace {

unsigned bytesPerPixel(Kestrel::TextureFormat format) {
    switch (format) {
    case Kestrel::FORMAT_RGBA:
        return 4;
    case Kestrel::FORMAT_RGB:
        return 3;
    case Kestrel::FORMAT_ALPHA:
        return 1;
    }
    return 0;
}

} // namespace

bool RecordingTexture::create(Kestrel::TextureFormat format, unsigned width, unsigned height,
                              const void* pixels) {
    const unsigned bpp = bytesPerPixel(format);
    if (bpp == 0)
        return false;
    m_Created = true;
    m_Format = format;
    m_Width = width;
    m_Height = height;
    m_Pixels.assign(static_cast<const unsigned char*>(pixels),
                    static_cast<const unsigned char*>(pixels) + size_t(width) * height * bpp);
    return true;
}

bool RecordingShader::compile(const std::string& vertexSource, const std::string& fragmentSource) {
    m_VertexSource = vertexSource;
    m_FragmentSource = fragmentSource;
    return true;
}

void RecordingShader::setUniform(const std::string& name, int value) {
    m_Uniforms.emplace_back(name, value);
}

void TestRenderDevice::setTexture(Kestrel::Texture* texture, unsigned int stage) {
    if (stage < Kestrel::MAX_TEXTURE_STAGES)
        m_Textures[stage] = texture;
}

void TestRenderDevice::render(Kestrel::Camera* camera) {
    m_Camera = camera;
    m_RenderedQueues.push_back(m_RenderQueue);
    m_RenderQueue.clear();
}

} // namespace TestSupport
