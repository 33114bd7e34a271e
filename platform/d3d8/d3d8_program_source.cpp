// The GLSL of a specialised fixed-function program. Each program is written for exactly one
// program key: on a software rasteriser every instruction of the fragment shader is paid for
// every pixel, branches on uniforms included, so the state is compiled in rather than tested.
// The expressions are those of the general program, so both give the same pixels.
#include "d3d8/d3d8_local.h"

namespace {

const char* const VERTEX_INPUTS = R"(
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
)";

const char* const PRETRANSFORMED = R"(
    // Screen pixels with depth and reciprocal w, as the application computed them.
    float w = inPosition.w != 0.0 ? 1.0 / inPosition.w : 1.0;
    vec2 ndc = vec2((inPosition.x - viewport.x) / viewport.z * 2.0 - 1.0,
                    1.0 - (inPosition.y - viewport.y) / viewport.w * 2.0);
    float range = depthRange.y - depthRange.x;
    float z = range != 0.0 ? (inPosition.z - depthRange.x) / range : 0.0;
    clip = vec4(ndc * w, z * w, w);
    eye = vec3(0.0, 0.0, w);
    deviceZ = inPosition.z;
)";

const char* const TRANSFORMED = R"(
    vec4 e = worldView * vec4(inPosition.xyz, 1.0);
    clip = projection * e;
    eye = e.xyz;
    deviceZ = clip.w != 0.0 ? clip.z / clip.w : clip.z;
)";

const char* const FOG_DEPTHS[4] = {
    "    vFogDepth = clip.w;\n",
    "    vFogDepth = deviceZ;\n",
    "    vFogDepth = eye.z;\n",
    "    vFogDepth = length(eye);\n",
};

const char* const SCALED_POINT_SIZE = R"(
    float de = length(eye);
    float scale = pointScale.x + pointScale.y * de + pointScale.z * de * de;
    size = scale > 0.0 ? viewport.w * size * sqrt(1.0 / scale) : pointSize.z;
)";

// Direct3D depth runs 0..w, OpenGL's -w..w. The back buffer is stored top row first, so y
// flips; Direct3D pixel centres sit on integer coordinates, OpenGL's half a pixel further
// right and down.
const char* const VERTEX_OUTPUTS = R"(
    clip.z = 2.0 * clip.z - clip.w;
    clip.y = -clip.y;
    clip.xy += vec2(1.0 / viewport.z, 1.0 / viewport.w) * clip.w;
    gl_Position = clip;

    vDiffuse = inDiffuse;
    vSpecular = inSpecular;
    vTexCoord = inTexCoord.xy;
}
)";

const char* const FRAGMENT_INPUTS = R"(
uniform sampler2D stage0;

in vec4 vDiffuse;
in vec4 vSpecular;
in vec2 vTexCoord;
in float vFogDepth;

out vec4 fragColor;

void main() {
    vec4 texel = vec4(0.0, 0.0, 0.0, 1.0);
)";

std::string Argument(uint8_t selector) {
    const int source = selector & 15;
    std::string value;
    if (source == 0 || source == 1)
        value = "vDiffuse"; // at stage 0 the current colour is the diffuse colour
    else if (source == 2)
        value = "texel";
    else if (source == 3)
        value = "textureFactor";
    else if (source == 4)
        value = "vSpecular";
    else
        value = "vec4(0.0)";
    if ((selector & 16) != 0)
        value = "(vec4(1.0) - " + value + ")";
    if ((selector & 32) != 0)
        value = "(" + value + ").aaaa";
    return value;
}

const char* Operation(uint8_t op) {
    switch (op) {
    case 1:
        return "vDiffuse";
    case 3:
        return "a2";
    case 4:
        return "a1 * a2";
    case 5:
        return "clamp(a1 * a2 * 2.0, 0.0, 1.0)";
    case 6:
        return "clamp(a1 * a2 * 4.0, 0.0, 1.0)";
    case 7:
        return "clamp(a1 + a2, 0.0, 1.0)";
    case 8:
        return "clamp(a1 + a2 - 0.5, 0.0, 1.0)";
    case 9:
        return "clamp((a1 + a2 - 0.5) * 2.0, 0.0, 1.0)";
    case 10:
        return "clamp(a1 - a2, 0.0, 1.0)";
    case 11:
        return "clamp(a1 + a2 - a1 * a2, 0.0, 1.0)";
    case 12:
    case 16:
        return "mix(a2, a1, vDiffuse.a)";
    case 13:
        return "mix(a2, a1, texel.a)";
    case 14:
        return "mix(a2, a1, textureFactor.a)";
    case 15:
        return "clamp(a1 + a2 * (1.0 - texel.a), 0.0, 1.0)";
    case 18:
        return "clamp(vec4(a1.rgb + a1.a * a2.rgb, a1.a), 0.0, 1.0)";
    case 19:
        return "clamp(vec4(a1.rgb * a2.rgb + a1.a, a1.a * a2.a), 0.0, 1.0)";
    case 24:
        return "vec4(clamp(4.0 * dot(a1.rgb - 0.5, a2.rgb - 0.5), 0.0, 1.0))";
    case 25:
        return "clamp(a0 + a1 * a2, 0.0, 1.0)";
    case 26:
        return "mix(a2, a1, a0)";
    default:
        return "a1";
    }
}

// One stage's result in a block of its own, with only the arguments its operation reads.
std::string Combine(const D3D8StageSetup& stage, const char* target, const char* components) {
    std::string code = "    {\n";
    const bool usesArg1 = stage.op != 1 && stage.op != 3;
    const bool usesArg2 = stage.op != 1 && stage.op != 2;
    const bool usesArg0 = stage.op == 25 || stage.op == 26;
    if (usesArg1)
        code += "        vec4 a1 = " + Argument(stage.arg1) + ";\n";
    if (usesArg2)
        code += "        vec4 a2 = " + Argument(stage.arg2) + ";\n";
    if (usesArg0)
        code += "        vec4 a0 = " + Argument(stage.arg0) + ";\n";
    code += std::string("        ") + target + " = (" + Operation(stage.op) + ")" + components +
            ";\n    }\n";
    return code;
}

// The comparison that keeps a pixel, for D3DCMP_LESS .. D3DCMP_GREATEREQUAL.
const char* const ALPHA_COMPARISONS[8] = {"", "", "<", "==", "<=", ">", "!=", ">="};

const char* const FOG_FACTORS[4] = {
    "",
    "    float f = exp(-fog.z * vFogDepth);\n",
    "    float f = exp(-(fog.z * vFogDepth) * (fog.z * vFogDepth));\n",
    "    float f = fog.y != fog.x ? (fog.y - vFogDepth) / (fog.y - fog.x) : 1.0;\n",
};

} // namespace

void D3D8ProgramSource(const D3D8ProgramKey& key, std::string& vertex, std::string& fragment) {
    vertex = VERTEX_INPUTS;
    vertex += key.pretransformed ? PRETRANSFORMED : TRANSFORMED;
    vertex += key.fogMode != 0 ? FOG_DEPTHS[key.fogSource & 3] : "    vFogDepth = 0.0;\n";
    if (key.pointSize != 0) {
        vertex += key.pointSize == 2 ? "    float size = inPointSize;\n"
                                     : "    float size = pointSize.x;\n";
        if (key.pointScale)
            vertex += SCALED_POINT_SIZE;
        vertex += "    gl_PointSize = max(clamp(size, pointSize.y, pointSize.z), 1.0);\n";
    }
    vertex += VERTEX_OUTPUTS;

    fragment = FRAGMENT_INPUTS;
    if (key.textureBound)
        fragment += key.spriteCoords ? "    texel = texture(stage0, gl_PointCoord);\n"
                                     : "    texel = texture(stage0, vTexCoord);\n";
    fragment += "    vec4 color;\n";
    if (key.color.op == D3DTOP_DISABLE) {
        fragment += "    color = vDiffuse;\n";
    } else {
        fragment += Combine(key.color, "color.rgb", ".rgb");
        fragment += Combine(key.alpha, "color.a", ".a");
    }
    if (key.alphaFunc == D3DCMP_NEVER) {
        fragment += "    discard;\n";
    } else if (key.alphaFunc != 0) {
        fragment += "    int alphaValue = int(floor(clamp(color.a, 0.0, 1.0) * 255.0 + 0.5));\n";
        fragment += std::string("    if (!(alphaValue ") + ALPHA_COMPARISONS[key.alphaFunc & 7] +
                    " alphaRef.x))\n        discard;\n";
    }
    if (key.fogMode != 0) {
        fragment += FOG_FACTORS[key.fogMode & 3];
        fragment += "    f = clamp(f, 0.0, 1.0);\n";
        fragment += "    color.rgb = mix(fogColor.rgb, color.rgb, f);\n";
    }
    fragment += "    fragColor = color;\n}\n";
}
