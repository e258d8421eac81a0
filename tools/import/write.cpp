#include "tools/import/write.h"

#include "tools/assetgen/image.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace KestrelImport {

namespace {

// The shortest text that reads back as the same float.
std::string number(float value) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

// Appended in place: animations hold millions of numbers.
void appendVector3(const Kestrel::Vector3& v, std::string& text) {
    char buffer[64];
    char* end = buffer;
    *end++ = '(';
    for (int c = 0; c < 3; ++c) {
        if (c)
            *end++ = ',';
        end = std::to_chars(end, buffer + sizeof buffer, c == 0 ? v.x : c == 1 ? v.y : v.z).ptr;
    }
    *end++ = ')';
    text.append(buffer, end);
}

std::string vector3(const Kestrel::Vector3& v) {
    std::string text;
    appendVector3(v, text);
    return text;
}

void writeFaces(const ImportedModel& model, std::string& text) {
    text += "[faces]\n";
    for (const TriangleOutput& triangle : model.m_Triangles) {
        const unsigned* v = triangle.m_Vertices;
        text += "v=" + std::to_string(v[0]) + "," + std::to_string(v[1]) + "," +
                std::to_string(v[2]) + ":texcoord=";
        for (int c = 0; c < 3; ++c) {
            const Kestrel::Vector2& uv = model.m_Vertices[v[c]].m_TexCoord;
            text += (c ? ",(" : "(") + number(uv.u) + "," + number(uv.v) + ")";
        }
        text += ":material=" + model.m_Materials[triangle.m_Material].m_Name + "\n";
    }
}

void writeSkeleton(const ImportedModel& model, std::string& text) {
    if (model.m_Bones.empty())
        return;
    text += "[bones]\n";
    for (const BoneOutput& bone : model.m_Bones) {
        const std::string parent =
            bone.m_Parent < 0 ? vector3(bone.m_Head) : model.m_Bones[bone.m_Parent].m_Name;
        text +=
            "name=" + bone.m_Name + ":parent=" + parent + ":tail=" + vector3(bone.m_Tail) + "\n";
    }
    text += "[vertex weights]\n";
    for (const WeightOutput& weight : model.m_Weights)
        text += "b=" + model.m_Bones[weight.m_Bone].m_Name +
                ":v=" + std::to_string(weight.m_Vertex) + ":weight=" + number(weight.m_Weight) +
                "\n";
}

bool writeFile(const std::string& path, const std::string& bytes, std::string& error) {
    std::ofstream file(path, std::ios::binary);
    file << bytes;
    file.close();
    if (!file)
        error = "cannot write '" + path + "'";
    return bool(file);
}

// A copied file, an image file's bytes, raw texels or a one-pixel colour.
bool writeTexture(const TextureOutput& texture, const std::string& path, std::string& error) {
    if (!texture.m_SourcePath.empty()) {
        std::error_code failure;
        std::filesystem::copy_file(texture.m_SourcePath, path, failure);
        if (failure)
            error = "cannot copy '" + texture.m_SourcePath + "': " + failure.message();
        return !failure;
    }
    if (texture.m_RawWidth == 0 && !texture.m_Data.empty())
        return writeFile(path, texture.m_Data, error);
    const unsigned width = std::max(texture.m_RawWidth, 1u);
    const unsigned height = texture.m_RawWidth ? texture.m_RawHeight : 1;
    assetgen::Image image(int(width), int(height), true);
    const Kestrel::Vector4& c = texture.m_Colour;
    for (unsigned i = 0; i < width * height; ++i) {
        auto channel = [&](int k) {
            const size_t at = 4 * size_t(i) + k;
            return at < texture.m_Data.size()
                       ? static_cast<unsigned char>(texture.m_Data[at]) / 255.0
                       : double((&c.x)[k]);
        };
        image.set(int(i % width), int(i / width), {channel(0), channel(1), channel(2), channel(3)});
    }
    if (!assetgen::writePng(image, path))
        error = "cannot write '" + path + "'";
    return error.empty();
}

} // namespace

std::string meshText(const ImportedModel& model) {
    std::string text = "# Written by kestrel-import\n[materials]\n";
    for (const MaterialOutput& material : model.m_Materials) {
        const Kestrel::Vector4& d = material.m_Diffuse;
        text += "name=" + material.m_Name + ":diffuse=" + vector3({d.x, d.y, d.z}) +
                ":texture=" + material.m_Texture + "\n";
    }
    text += "[vertices]\n";
    for (const VertexOutput& vertex : model.m_Vertices)
        text += "pos=" + vector3(vertex.m_Position) + "\n";
    writeFaces(model, text);
    writeSkeleton(model, text);
    return text;
}

// Connectors and zero angles are left out: the engine reads them as zero.
// The engine adds durations up in float, so each duration is what brings that
// sum nearest to the key's own time: long animations do not drift.
std::string animationText(const ImportedModel& model, const AnimationOutput& animation) {
    std::string text;
    const auto& keys = animation.m_Keyframes;
    float start = 0.0f;
    for (size_t k = 0; k < keys.size(); ++k) {
        float duration = keys.size() > 1 ? float(keys[1].m_Time - keys[0].m_Time) : 1.0f;
        if (k + 1 < keys.size())
            duration = float(keys[k + 1].m_Time - double(start));
        start += duration;
        text += "[keyframe]\nduration=";
        text += number(duration);
        text += '\n';
        for (size_t b = 0; b < model.m_Bones.size(); ++b) {
            const Kestrel::Vector3& a = keys[k].m_Angles[b];
            if (model.m_Bones[b].m_Connector || (a.x == 0.0f && a.y == 0.0f && a.z == 0.0f))
                continue;
            text += model.m_Bones[b].m_Name;
            text += ':';
            appendVector3(a, text);
            text += '\n';
        }
    }
    return text;
}

bool writeModel(const ImportedModel& model, const std::string& directory, const std::string& name,
                std::string& error) {
    if (!writeFile(directory + "/" + name + ".kst", meshText(model), error))
        return false;
    for (const AnimationOutput& animation : model.m_Animations)
        if (!writeFile(directory + "/" + name + "_" + animation.m_Name + ".ksta",
                       animationText(model, animation), error))
            return false;
    for (const TextureOutput& texture : model.m_Textures)
        if (!writeTexture(texture, directory + "/" + texture.m_FileName, error))
            return false;
    return true;
}

} // namespace KestrelImport
