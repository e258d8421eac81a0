#include "tools/assetgen/shaders.h"

namespace assetgen {

namespace {

// Skinned normals arrive unnormalised and meshes may be scaled unevenly, so the
// normal is brought back to unit length here and again per fragment.
const char* const LIT_VERT = R"(#version 120
varying vec3 normal;
varying vec2 uv;

void main()
{
    normal = normalize(gl_NormalMatrix * gl_Normal);
    uv = gl_MultiTexCoord0.st;
    gl_Position = ftransform();
}
)";

// Shared by the lit programs: the direction towards the viewer. The
// projection's last row measures depth along the camera's forward axis.
const char* const VIEW_DIRECTION = R"(
vec3 viewDirection()
{
    vec3 forward = vec3(gl_ProjectionMatrix[0][3], gl_ProjectionMatrix[1][3],
                        gl_ProjectionMatrix[2][3]);
    if (dot(forward, forward) < 1e-6)
        return vec3(0.0, 0.0, 1.0);
    return -normalize(forward);
}
)";

// Ants are lit per vertex: their many small triangles cover few pixels each,
// and a software rasterizer shades whole blocks of pixels for every one of
// them. Each kind works out a tint for the texel, a glow added on top and the
// colour of the seams the texture's alpha marks.
const char* const CHITIN_VERT_HEAD = R"(#version 120
varying vec2 uv;
varying vec3 tint;
varying vec3 glow;
varying vec3 seam;
)";
const char* const CHITIN_VERT_MAIN = R"(
void main()
{
    vec3 n = normalize(gl_NormalMatrix * gl_Normal);
    vec3 l = normalize(gl_LightSource[0].position.xyz);
    vec3 v = viewDirection();
    vec3 light = gl_LightSource[0].diffuse.rgb;
    seam = vec3(0.0);
)";
const char* const CHITIN_VERT_END = R"(    uv = gl_MultiTexCoord0.st;
    gl_Position = ftransform();
}
)";

const char* const CHITIN_FRAG = R"(#version 120
uniform sampler2D texture;
varying vec2 uv;
varying vec3 tint;
varying vec3 glow;
varying vec3 seam;

void main()
{
    vec4 base = texture2D(texture, uv);
    gl_FragColor = vec4(base.rgb * tint + glow + base.a * seam, 1.0);
}
)";

// Polished chitin: wrapped diffuse light, a tight highlight and a cool rim that
// keeps a dark ant readable against dark soil.
const char* const ANT_VERT = R"(    float wrap = clamp(dot(n, l) * 0.6 + 0.4, 0.0, 1.0);
    float specular = pow(max(dot(n, normalize(l + v)), 0.0), 36.0);
    float rim = pow(1.0 - max(dot(n, v), 0.0), 3.0);
    tint = 0.25 * gl_LightSource[0].ambient.rgb + 1.05 * wrap * light;
    glow = specular * 0.55 * gl_LightSource[0].specular.rgb + rim * vec3(0.30, 0.27, 0.26);
)";

// Red chitin that smoulders: the texture's alpha marks glowing seams and eyes,
// and an ember tint lifts the shadowed side.
const char* const FIREANT_VERT = R"(    float wrap = clamp(dot(n, l) * 0.6 + 0.4, 0.0, 1.0);
    float specular = pow(max(dot(n, normalize(l + v)), 0.0), 30.0);
    float rim = pow(1.0 - max(dot(n, v), 0.0), 2.0);
    vec3 ember = vec3(1.0, 0.42, 0.08);
    tint = 0.22 * gl_LightSource[0].ambient.rgb + 0.95 * wrap * light;
    glow = specular * 0.45 * gl_LightSource[0].specular.rgb + ember * rim * 0.55
         + vec3(0.18, 0.03, 0.0);
    seam = ember * 1.4;
)";

// Pale, waxy and dull: soft light that bleeds into the shadow side, a greenish
// cast and hardly any shine.
const char* const ZOMBIEANT_VERT = R"(    float wrap = clamp(dot(n, l) * 0.5 + 0.5, 0.0, 1.0);
    float sheen = pow(max(dot(n, normalize(l + v)), 0.0), 10.0);
    float rim = pow(1.0 - max(dot(n, v), 0.0), 2.5);
    vec3 sickly = vec3(0.85, 0.97, 0.78);
    tint = 0.28 * sickly * gl_LightSource[0].ambient.rgb + 0.85 * wrap * light;
    glow = sheen * 0.10 * gl_LightSource[0].specular.rgb + rim * vec3(0.16, 0.22, 0.10);
)";

const char* const HEADER = R"(#version 120
uniform sampler2D texture;
varying vec3 normal;
varying vec2 uv;
)";

// The other lit programs start from the texel, the unit normal and the
// direction towards the light; most also need the direction towards the viewer.
const char* const LIT_MAIN = R"(
void main()
{
    vec4 base = texture2D(texture, uv);
    vec3 n = normalize(normal);
    vec3 l = normalize(gl_LightSource[0].position.xyz);
)";
const char* const VIEWER = "    vec3 v = viewDirection();\n";
// ... and end by writing the opaque colour they worked out.
const char* const LIT_END = "    gl_FragColor = vec4(colour, 1.0);\n}\n";

// Polished gold: a fake environment (warm below, bright above) reflected by the
// normal, plus a strong highlight that travels as the title sways.
const char* const TITLE_FRAG = R"(    float diffuse = max(dot(n, l), 0.0);
    float specular = pow(max(dot(n, normalize(l + v)), 0.0), 24.0);
    vec3 r = reflect(-v, n);
    vec3 environment = mix(vec3(0.30, 0.14, 0.04), vec3(1.0, 0.90, 0.62), r.y * 0.5 + 0.5);
    float rim = pow(1.0 - max(dot(n, v), 0.0), 2.0);
    vec3 colour = base.rgb * (0.30 + 0.70 * diffuse + 0.55 * environment)
                + specular * vec3(1.0, 0.93, 0.75) + rim * vec3(0.35, 0.20, 0.05);
)";

// Foliage: light wraps far round and a little passes through the leaves.
const char* const FOLIAGE_FRAG = R"(    float wrap = clamp(dot(n, l) * 0.45 + 0.55, 0.0, 1.0);
    float up = n.y * 0.5 + 0.5;
    vec3 colour = base.rgb * (0.30 + 0.75 * wrap) * (0.8 + 0.3 * up);
)";

// Grass blades are lit like the ground they stand on, whatever their facing,
// with darker roots. Both factors are constant or linear over a card, so they
// are worked out per vertex.
const char* const GRASS_VERT = R"(#version 120
varying vec2 uv;
varying float shade;

void main()
{
    vec3 l = normalize(gl_LightSource[0].position.xyz);
    float root = mix(1.0, 0.6, gl_MultiTexCoord0.t);
    shade = (0.28 + 0.8 * max(l.y, 0.0)) * root;
    uv = gl_MultiTexCoord0.st;
    gl_Position = ftransform();
}
)";

// The texture's alpha cuts the blades out, so the cards need no blending and
// are drawn with the depth test.
const char* const GRASS_FRAG = R"(#version 120
uniform sampler2D texture;
varying vec2 uv;
varying float shade;

void main()
{
    vec4 base = texture2D(texture, uv);
    if (base.a < 0.25)
        discard;
    gl_FragColor = vec4(base.rgb * shade, 1.0);
}
)";

// The sky is its own light: no shading at all.
const char* const SKY_FRAG = R"(#version 120
uniform sampler2D texture;
varying vec2 uv;

void main()
{
    gl_FragColor = vec4(texture2D(texture, uv).rgb, 1.0);
}
)";

const char* const SKY_VERT = R"(#version 120
varying vec2 uv;

void main()
{
    uv = gl_MultiTexCoord0.st;
    gl_Position = ftransform();
}
)";

std::string chitin(const char* body) {
    return std::string(CHITIN_VERT_HEAD) + VIEW_DIRECTION + CHITIN_VERT_MAIN + body +
           CHITIN_VERT_END;
}

std::string lit(const char* body, bool seesViewer = true) {
    return std::string(HEADER) + VIEW_DIRECTION + LIT_MAIN + (seesViewer ? VIEWER : "") + body +
           LIT_END;
}

} // namespace

std::vector<TextFile> shaderSources() {
    return {{"lit.vert", LIT_VERT},
            {"ant.vert", chitin(ANT_VERT)},
            {"fireant.vert", chitin(FIREANT_VERT)},
            {"zombieant.vert", chitin(ZOMBIEANT_VERT)},
            {"chitin.frag", CHITIN_FRAG},
            {"title.frag", lit(TITLE_FRAG)},
            {"foliage.frag", lit(FOLIAGE_FRAG, false)},
            {"grass.vert", GRASS_VERT},
            {"grass.frag", GRASS_FRAG},
            {"sky.vert", SKY_VERT},
            {"sky.frag", SKY_FRAG}};
}

} // namespace assetgen
