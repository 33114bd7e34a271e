// The device's fixed-function programs: one specialised program per program key, compiled
// the first time a draw needs it and kept for the device's life, and the general program
// that the specialised ones are checked against.
#include "d3d8/d3d8_local.h"

#include <cstdio>

namespace {

constexpr GLuint CONSTANTS_BINDING = 0;
constexpr GLuint SELECTION_BINDING = 1;

// The general program's copy of the key (std140, four ivec4).
struct Selection {
    int32_t colorStage[4];
    int32_t alphaStage[4];
    int32_t vertexFlags[4];
    int32_t pixelFlags[4];
};

void Fill(int32_t* out, const D3D8StageSetup& stage) {
    out[0] = stage.op;
    out[1] = stage.arg1;
    out[2] = stage.arg2;
    out[3] = stage.arg0;
}

// Binds the program's blocks and sampler; false when its constants block is not the size the
// device fills.
bool Prepare(GLuint program, bool general, std::string& error) {
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "stage0"), 0);
    const GLuint block = glGetUniformBlockIndex(program, "Constants");
    if (block == GL_INVALID_INDEX)
        return true; // a program that reads no value at all
    glUniformBlockBinding(program, block, CONSTANTS_BINDING);
    GLint blockSize = 0;
    glGetActiveUniformBlockiv(program, block, GL_UNIFORM_BLOCK_DATA_SIZE, &blockSize);
    if (blockSize != static_cast<GLint>(sizeof(D3D8ShaderConstants))) {
        error = "uniform block layout mismatch";
        return false;
    }
    if (general) {
        const GLuint selection = glGetUniformBlockIndex(program, "Selection");
        if (selection != GL_INVALID_INDEX)
            glUniformBlockBinding(program, selection, SELECTION_BINDING);
    }
    return true;
}

} // namespace

bool D3D8ProgramCache::Create(std::string& error) {
    general = D3D8LinkProgram(D3D8GeneralVertexSource(), D3D8GeneralFragmentSource(), error);
    if (general == 0)
        return false;
    current = general;
    if (!Prepare(general, true, error)) {
        Destroy();
        return false;
    }
    glGenBuffers(1, &constantsBuffer);
    glBindBuffer(GL_UNIFORM_BUFFER, constantsBuffer);
    glBufferData(GL_UNIFORM_BUFFER, sizeof(D3D8ShaderConstants), nullptr, GL_DYNAMIC_DRAW);
    glBindBufferBase(GL_UNIFORM_BUFFER, CONSTANTS_BINDING, constantsBuffer);
    glGenBuffers(1, &selectionBuffer);
    glBindBufferBase(GL_UNIFORM_BUFFER, SELECTION_BINDING, selectionBuffer);
    glBufferData(GL_UNIFORM_BUFFER, sizeof(Selection), nullptr, GL_DYNAMIC_DRAW);
    // The constants buffer stays bound to the target: draws update it in place.
    glBindBuffer(GL_UNIFORM_BUFFER, constantsBuffer);
    return true;
}

void D3D8ProgramCache::Destroy() {
    for (const Entry& entry : programs)
        glDeleteProgram(entry.program);
    programs.clear();
    if (general != 0)
        glDeleteProgram(general);
    if (constantsBuffer != 0)
        glDeleteBuffers(1, &constantsBuffer);
    if (selectionBuffer != 0)
        glDeleteBuffers(1, &selectionBuffer);
    general = constantsBuffer = selectionBuffer = current = 0;
    selection = ~uint64_t{0};
}

bool D3D8ProgramCache::Use(const D3D8ProgramKey& key, bool filtering) {
    const GLuint program = Find(key);
    if (filtering && program == current)
        return false;
    glUseProgram(program);
    current = program;
    return true;
}

GLuint D3D8ProgramCache::Find(const D3D8ProgramKey& key) {
    const uint64_t packed = key.Packed();
    if (!specialised) {
        if (packed != selection)
            SetSelection(key);
        selection = packed;
        return general;
    }
    // Searched from the back: the last program built is the likeliest, and there are few.
    for (size_t i = programs.size(); i-- > 0;) {
        if (programs[i].key == packed)
            return programs[i].program;
    }
    const GLuint program = Build(key);
    if (program != 0)
        programs.push_back({packed, program});
    return program != 0 ? program : general;
}

GLuint D3D8ProgramCache::Build(const D3D8ProgramKey& key) {
    std::string vertex;
    std::string fragment;
    D3D8ProgramSource(key, vertex, fragment);
    std::string error;
    GLuint program = D3D8LinkProgram(vertex.c_str(), fragment.c_str(), error);
    // Preparing makes the program current.
    current = program;
    if (program != 0 && !Prepare(program, false, error)) {
        glDeleteProgram(program);
        program = 0;
    }
    if (program == 0 && !failed) {
        // Drawing goes on with the general program, which gives the same pixels.
        std::fprintf(stderr, "d3d8: a specialised program failed to build: %s\n", error.c_str());
        failed = true;
    }
    return program;
}

void D3D8ProgramCache::SetSelection(const D3D8ProgramKey& key) {
    Selection s{};
    Fill(s.colorStage, key.color);
    Fill(s.alphaStage, key.alpha);
    s.vertexFlags[0] = key.pretransformed ? 1 : 0;
    s.vertexFlags[1] = key.fogSource;
    s.vertexFlags[2] = key.pointSize == 2 ? 1 : 0;
    s.pixelFlags[0] = key.alphaFunc;
    s.pixelFlags[2] = key.textureBound ? 1 : 0;
    glBindBuffer(GL_UNIFORM_BUFFER, selectionBuffer);
    glBufferSubData(GL_UNIFORM_BUFFER, 0, sizeof s, &s);
    glBindBuffer(GL_UNIFORM_BUFFER, constantsBuffer);
}
