// The device's fixed-function programs: one specialised program per program key, compiled
// the first time a draw needs it and kept for the device's life, and the general program
// that the specialised ones are checked against, compiled only when needed. Each program
// keeps the uniform values it was last given, so a draw sets only those that differ.
#include "d3d8/d3d8_local.h"

#include <cstdio>
#include <cstring>

namespace {

// Uniform names in D3D8ShaderConstants order.
const char* const CONSTANT_NAMES[10] = {"worldView",     "projection", "viewport", "depthRange",
                                        "pointSize",     "pointScale", "fog",      "fogColor",
                                        "textureFactor", "alphaRef"};

// Where each member lies and how big it is, in the same order.
struct Member {
    size_t offset;
    size_t size;
};
const Member MEMBERS[10] = {
    {offsetof(D3D8ShaderConstants, worldView), sizeof(float) * 16},
    {offsetof(D3D8ShaderConstants, projection), sizeof(float) * 16},
    {offsetof(D3D8ShaderConstants, viewport), sizeof(float) * 4},
    {offsetof(D3D8ShaderConstants, depthRange), sizeof(float) * 4},
    {offsetof(D3D8ShaderConstants, pointSize), sizeof(float) * 4},
    {offsetof(D3D8ShaderConstants, pointScale), sizeof(float) * 4},
    {offsetof(D3D8ShaderConstants, fog), sizeof(float) * 4},
    {offsetof(D3D8ShaderConstants, fogColor), sizeof(float) * 4},
    {offsetof(D3D8ShaderConstants, textureFactor), sizeof(float) * 4},
    {offsetof(D3D8ShaderConstants, alphaRef), sizeof(int32_t) * 4},
};

void Fill(GLint* out, const D3D8StageSetup& stage) {
    out[0] = stage.op;
    out[1] = stage.arg1;
    out[2] = stage.arg2;
    out[3] = stage.arg0;
}

} // namespace

bool D3D8ProgramCache::Create(std::string&) {
    return true;
}

void D3D8ProgramCache::Destroy() {
    for (const auto& program : programs)
        glDeleteProgram(program->name);
    programs.clear();
    if (general != nullptr)
        glDeleteProgram(general->name);
    general.reset();
    current = nullptr;
    selection = ~uint64_t{0};
}

bool D3D8ProgramCache::Use(const D3D8ProgramKey& key, bool filtering) {
    Program* program = Find(key);
    bool called = false;
    if (!filtering || program != current) {
        glUseProgram(program != nullptr ? program->name : 0);
        current = program;
        called = true;
    }
    if (program != nullptr && program == general.get()) {
        const uint64_t packed = key.Packed();
        if (packed != selection || !filtering)
            SetSelection(key);
        selection = packed;
    }
    return called;
}

bool D3D8ProgramCache::SetConstants(const D3D8ShaderConstants& values, bool filtering) {
    if (current == nullptr)
        return false;
    Program& p = *current;
    const bool all = !p.valuesSet || !filtering;
    const auto* fresh = reinterpret_cast<const unsigned char*>(&values);
    auto* held = reinterpret_cast<unsigned char*>(&p.values);
    bool called = false;
    for (int i = 0; i < 10; ++i) {
        const Member& m = MEMBERS[i];
        if (!all && std::memcmp(fresh + m.offset, held + m.offset, m.size) == 0)
            continue;
        std::memcpy(held + m.offset, fresh + m.offset, m.size);
        const GLint location = p.locations[i];
        if (location < 0)
            continue; // a value this program does not read
        called = true;
        const void* data = fresh + m.offset;
        if (i < 2)
            glUniformMatrix4fv(location, 1, GL_FALSE, static_cast<const GLfloat*>(data));
        else if (i < 9)
            glUniform4fv(location, 1, static_cast<const GLfloat*>(data));
        else
            glUniform4iv(location, 1, static_cast<const GLint*>(data));
    }
    p.valuesSet = true;
    return called;
}

D3D8ProgramCache::Program* D3D8ProgramCache::Find(const D3D8ProgramKey& key) {
    if (!specialised)
        return General();
    const uint64_t packed = key.Packed();
    // Searched from the back: the last program built is the likeliest, and there are few.
    for (size_t i = programs.size(); i-- > 0;) {
        if (programs[i]->key == packed)
            return programs[i].get();
    }
    Program* program = Build(key);
    return program != nullptr ? program : General();
}

namespace {

// Links a program and looks up its uniforms; null with error set on failure.
std::unique_ptr<D3D8ProgramCache::Program> Link(const char* vertex, const char* fragment,
                                                std::string& error);

} // namespace

D3D8ProgramCache::Program* D3D8ProgramCache::Build(const D3D8ProgramKey& key) {
    std::string vertex;
    std::string fragment;
    D3D8ProgramSource(key, vertex, fragment);
    std::string error;
    std::unique_ptr<Program> program = Link(vertex.c_str(), fragment.c_str(), error);
    // Linking leaves the program current.
    current = nullptr;
    if (program == nullptr) {
        if (!failed) {
            // Drawing goes on with the general program, which gives the same pixels.
            std::fprintf(stderr, "d3d8: a specialised program failed to build: %s\n",
                         error.c_str());
            failed = true;
        }
        return nullptr;
    }
    program->key = key.Packed();
    programs.push_back(std::move(program));
    return programs.back().get();
}

D3D8ProgramCache::Program* D3D8ProgramCache::General() {
    // Compiled only when asked for: a device that draws with specialised programs never needs
    // it, and compiling it would lengthen start-up.
    if (general == nullptr && !generalFailed) {
        std::string error;
        general = Link(D3D8GeneralVertexSource(), D3D8GeneralFragmentSource(), error);
        current = nullptr;
        if (general == nullptr) {
            std::fprintf(stderr, "d3d8: the general program failed to build: %s\n", error.c_str());
            generalFailed = true;
        }
        selection = ~uint64_t{0};
    }
    return general.get();
}

void D3D8ProgramCache::SetSelection(const D3D8ProgramKey& key) {
    GLint colorStage[4], alphaStage[4];
    Fill(colorStage, key.color);
    Fill(alphaStage, key.alpha);
    const GLint vertexFlags[4] = {key.pretransformed ? 1 : 0, key.fogSource,
                                  key.pointSize == 2 ? 1 : 0, 0};
    const GLint pixelFlags[4] = {key.alphaFunc, 0, key.textureBound ? 1 : 0, 0};
    const GLuint program = general->name;
    glUniform4iv(glGetUniformLocation(program, "colorStage"), 1, colorStage);
    glUniform4iv(glGetUniformLocation(program, "alphaStage"), 1, alphaStage);
    glUniform4iv(glGetUniformLocation(program, "vertexFlags"), 1, vertexFlags);
    glUniform4iv(glGetUniformLocation(program, "pixelFlags"), 1, pixelFlags);
}

namespace {

std::unique_ptr<D3D8ProgramCache::Program> Link(const char* vertex, const char* fragment,
                                                std::string& error) {
    const GLuint name = D3D8LinkProgram(vertex, fragment, error);
    if (name == 0)
        return nullptr;
    auto program = std::make_unique<D3D8ProgramCache::Program>();
    program->name = name;
    glUseProgram(name);
    glUniform1i(glGetUniformLocation(name, "stage0"), 0);
    for (int i = 0; i < 10; ++i)
        program->locations[i] = glGetUniformLocation(name, CONSTANT_NAMES[i]);
    return program;
}

} // namespace
