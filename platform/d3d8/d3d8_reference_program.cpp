// The general fixed-function program: one program for every state, branching at run time on
// a uniform copy of the program key. The device draws with specialised programs; this one is
// the reference they are checked against, and what the layer falls back to with
// specialisation switched off. Also the compile and link step every program goes through.
#include "d3d8/d3d8_local.h"

// Default-block uniforms rather than a uniform buffer: a software rasteriser copies them
// with each draw, whereas rewriting a buffer that queued draws still read would make it
// finish those draws first.
const char* const D3D8_CONSTANTS_BLOCK = R"(
uniform mat4 worldView;
uniform mat4 projection;
uniform vec4 viewport;
uniform vec4 depthRange;
uniform vec4 pointSize;
uniform vec4 pointScale;
uniform vec4 fog;
uniform vec4 fogColor;
uniform vec4 textureFactor;
uniform ivec4 alphaRef;
)";

namespace {

// The key as the general program reads it.
const char* const SELECTION_BLOCK = R"(
uniform ivec4 colorStage;  // op, arg1, arg2, arg0
uniform ivec4 alphaStage;  // op, arg1, arg2, arg0
uniform ivec4 vertexFlags; // pretransformed, fog depth source, per-vertex point size
uniform ivec4 pixelFlags;  // alpha func (0 off), unused, texture bound
)";

const char* const VERTEX_SHADER = R"(
layout(location = 0) in vec4 inPosition;
layout(location = 1) in vec4 inDiffuse;
layout(location = 2) in vec4 inSpecular;
layout(location = 3) in vec4 inTexCoord;
layout(location = 4) in float inPointSize;

out vec4 vDiffuse;
out vec4 vSpecular;
out vec2 vTexCoord;
out float vFogDepth;

void main() {
    vec4 clip;
    vec3 eye;
    float deviceZ;
    if (vertexFlags.x != 0) {
        // Screen pixels with depth and reciprocal w, as the application computed them.
        float w = inPosition.w != 0.0 ? 1.0 / inPosition.w : 1.0;
        vec2 ndc = vec2((inPosition.x - viewport.x) / viewport.z * 2.0 - 1.0,
                        1.0 - (inPosition.y - viewport.y) / viewport.w * 2.0);
        float range = depthRange.y - depthRange.x;
        float z = range != 0.0 ? (inPosition.z - depthRange.x) / range : 0.0;
        clip = vec4(ndc * w, z * w, w);
        eye = vec3(0.0, 0.0, w);
        deviceZ = inPosition.z;
    } else {
        vec4 e = worldView * vec4(inPosition.xyz, 1.0);
        clip = projection * e;
        eye = e.xyz;
        deviceZ = clip.w != 0.0 ? clip.z / clip.w : clip.z;
    }

    // Fog depth: 0 clip w (eye depth under a perspective projection), 1 projected z (an
    // affine projection), 2 eye-space z, 3 distance from the eye.
    if (vertexFlags.y == 0)
        vFogDepth = clip.w;
    else if (vertexFlags.y == 1)
        vFogDepth = deviceZ;
    else if (vertexFlags.y == 2)
        vFogDepth = eye.z;
    else
        vFogDepth = length(eye);

    float size = vertexFlags.z != 0 ? inPointSize : pointSize.x;
    if (pointSize.w != 0.0) {
        float de = length(eye);
        float scale = pointScale.x + pointScale.y * de + pointScale.z * de * de;
        size = scale > 0.0 ? viewport.w * size * sqrt(1.0 / scale) : pointSize.z;
    }
    gl_PointSize = max(clamp(size, pointSize.y, pointSize.z), 1.0);

    // Direct3D depth runs 0..w, OpenGL's -w..w. The back buffer is stored top row first, so
    // y flips; Direct3D pixel centres sit on integer coordinates, OpenGL's half a pixel
    // further right and down.
    clip.z = 2.0 * clip.z - clip.w;
    clip.y = -clip.y;
    clip.xy += vec2(1.0 / viewport.z, 1.0 / viewport.w) * clip.w;
    gl_Position = clip;

    vDiffuse = inDiffuse;
    vSpecular = inSpecular;
    vTexCoord = inTexCoord.xy;
}
)";

const char* const FRAGMENT_SHADER = R"(
uniform sampler2D stage0;

in vec4 vDiffuse;
in vec4 vSpecular;
in vec2 vTexCoord;
in float vFogDepth;

out vec4 fragColor;

vec4 Argument(int selector, vec4 texel) {
    int source = selector & 15;
    vec4 value;
    if (source == 0 || source == 1)
        value = vDiffuse; // at stage 0 the current colour is the diffuse colour
    else if (source == 2)
        value = texel;
    else if (source == 3)
        value = textureFactor;
    else if (source == 4)
        value = vSpecular;
    else
        value = vec4(0.0);
    if ((selector & 16) != 0)
        value = vec4(1.0) - value;
    if ((selector & 32) != 0)
        value = value.aaaa;
    return value;
}

vec4 Combine(ivec4 stage, vec4 texel) {
    int op = stage.x;
    vec4 a1 = Argument(stage.y, texel);
    vec4 a2 = Argument(stage.z, texel);
    vec4 current = vDiffuse;
    if (op == 1) return current;
    if (op == 2) return a1;
    if (op == 3) return a2;
    if (op == 4) return a1 * a2;
    if (op == 5) return clamp(a1 * a2 * 2.0, 0.0, 1.0);
    if (op == 6) return clamp(a1 * a2 * 4.0, 0.0, 1.0);
    if (op == 7) return clamp(a1 + a2, 0.0, 1.0);
    if (op == 8) return clamp(a1 + a2 - 0.5, 0.0, 1.0);
    if (op == 9) return clamp((a1 + a2 - 0.5) * 2.0, 0.0, 1.0);
    if (op == 10) return clamp(a1 - a2, 0.0, 1.0);
    if (op == 11) return clamp(a1 + a2 - a1 * a2, 0.0, 1.0);
    if (op == 12) return mix(a2, a1, vDiffuse.a);
    if (op == 13) return mix(a2, a1, texel.a);
    if (op == 14) return mix(a2, a1, textureFactor.a);
    if (op == 15) return clamp(a1 + a2 * (1.0 - texel.a), 0.0, 1.0);
    if (op == 16) return mix(a2, a1, current.a);
    if (op == 18) return clamp(vec4(a1.rgb + a1.a * a2.rgb, a1.a), 0.0, 1.0);
    if (op == 19) return clamp(vec4(a1.rgb * a2.rgb + a1.a, a1.a * a2.a), 0.0, 1.0);
    if (op == 24) {
        float d = clamp(4.0 * dot(a1.rgb - 0.5, a2.rgb - 0.5), 0.0, 1.0);
        return vec4(d);
    }
    if (op == 25) return clamp(Argument(stage.w, texel) + a1 * a2, 0.0, 1.0);
    if (op == 26) return mix(a2, a1, Argument(stage.w, texel));
    return a1;
}

bool AlphaPasses(float alpha) {
    int func = pixelFlags.x;
    int value = int(floor(clamp(alpha, 0.0, 1.0) * 255.0 + 0.5));
    int ref = alphaRef.x;
    if (func == 1) return false;
    if (func == 2) return value < ref;
    if (func == 3) return value == ref;
    if (func == 4) return value <= ref;
    if (func == 5) return value > ref;
    if (func == 6) return value != ref;
    if (func == 7) return value >= ref;
    return true;
}

void main() {
    vec4 texel = vec4(0.0, 0.0, 0.0, 1.0);
    if (pixelFlags.z != 0) {
        vec2 uv = pointScale.w != 0.0 ? gl_PointCoord : vTexCoord;
        texel = texture(stage0, uv);
    }
    vec4 color;
    if (colorStage.x == 1) {
        color = vDiffuse;
    } else {
        color.rgb = Combine(colorStage, texel).rgb;
        color.a = Combine(alphaStage, texel).a;
    }
    if (pixelFlags.x != 0 && !AlphaPasses(color.a))
        discard;
    if (fog.w != 0.0) {
        float f;
        if (fog.w == 3.0)
            f = fog.y != fog.x ? (fog.y - vFogDepth) / (fog.y - fog.x) : 1.0;
        else if (fog.w == 1.0)
            f = exp(-fog.z * vFogDepth);
        else
            f = exp(-(fog.z * vFogDepth) * (fog.z * vFogDepth));
        f = clamp(f, 0.0, 1.0);
        color.rgb = mix(fogColor.rgb, color.rgb, f);
    }
    fragColor = color;
}
)";

} // namespace

const char* D3D8GeneralVertexSource() {
    static const std::string source = std::string(SELECTION_BLOCK) + VERTEX_SHADER;
    return source.c_str();
}

const char* D3D8GeneralFragmentSource() {
    static const std::string source = std::string(SELECTION_BLOCK) + FRAGMENT_SHADER;
    return source.c_str();
}

namespace {

GLuint Compile(GLenum type, const char* body, std::string& error) {
    const char* sources[] = {"#version 330 core\n", D3D8_CONSTANTS_BLOCK, body};
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 3, sources, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[2048] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        error = std::string("shader compilation failed: ") + log;
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

} // namespace

GLuint D3D8LinkProgram(const char* vertexBody, const char* fragmentBody, std::string& error) {
    GLuint vertex = Compile(GL_VERTEX_SHADER, vertexBody, error);
    if (vertex == 0)
        return 0;
    GLuint fragment = Compile(GL_FRAGMENT_SHADER, fragmentBody, error);
    if (fragment == 0) {
        glDeleteShader(vertex);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        char log[2048] = {};
        glGetProgramInfoLog(program, sizeof log, nullptr, log);
        error = std::string("shader link failed: ") + log;
        glDeleteProgram(program);
        return 0;
    }
    return program;
}
