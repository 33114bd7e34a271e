// ovrel_floorbench: the floor the engine's frame is measured against. It draws the level's
// models as the game's frame does (sky box, level, shadow markers, collectibles, detail,
// water, extra model, with the same depth, culling and blending per model) along the camera
// path of the opening flight, at the size Setup.txt gives, with static buffers and one
// trivial program (texture times vertex colour), and finishes every frame as the headless
// engine does. No fog, alpha test, coronas or 2D images: what is left is the least a frame
// of these models costs the rasteriser.
//
//   ovrel_floorbench [--setup FILE] [--frames N]
//
// Run from the folder that holds data/ (the build's bin folder). Prints one line in the
// timedemo's form, with the submitting thread's CPU per frame.
#include "core/engine_state.h"
#include "app/setup_file.h"
#include "player/camera_script.h"
#include "player/player_state.h"
#include "tools/floorbench/floor_scene.h"
#include "world/level_loader.h"

#include "d3dx/d3dx8math.h"

#include <SDL2/SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

const char* const VERTEX_SHADER = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec4 colour;
layout(location = 2) in vec2 texCoord;
uniform mat4 transform;
out vec4 vColour;
out vec2 vTexCoord;
void main() {
    gl_Position = transform * vec4(position, 1.0);
    vColour = colour;
    vTexCoord = texCoord;
}
)";

const char* const FRAGMENT_SHADER = R"(#version 330 core
uniform sampler2D image;
in vec4 vColour;
in vec2 vTexCoord;
out vec4 colour;
void main() {
    colour = texture(image, vTexCoord) * vColour;
}
)";

// The game's view: 45 degrees vertically, aspect 1.3 at every size, near 0.1, far 130.
constexpr float FIELD_OF_VIEW = 0.7853982f;
constexpr float ASPECT = 1.3f;
constexpr float NEAR_PLANE = 0.1f;
constexpr float FAR_PLANE = 130.0f;
// The title and menu frames come first in the timedemo; the flight has the rest.
constexpr int DEFAULT_FRAMES = 998;

GLuint Compile(GLenum type, const char* source) {
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    return shader;
}

GLuint MakeProgram() {
    GLuint program = glCreateProgram();
    GLuint vertex = Compile(GL_VERTEX_SHADER, VERTEX_SHADER);
    GLuint fragment = Compile(GL_FRAGMENT_SHADER, FRAGMENT_SHADER);
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    glLinkProgram(program);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    return ok == GL_TRUE ? program : 0;
}

// Row-vector world * view * projection, then Direct3D's clip space turned into OpenGL's with
// the rows stored top first, as the engine's device does: y flips, depth 0..w becomes -w..w.
void Transform(const D3DXMATRIX& world, const D3DXMATRIX& viewProjection, float* out) {
    D3DXMATRIX m;
    D3DXMatrixMultiply(&m, &world, &viewProjection);
    for (int r = 0; r < 4; ++r) {
        out[r * 4 + 0] = m.m[r][0];
        out[r * 4 + 1] = -m.m[r][1];
        out[r * 4 + 2] = 2.0f * m.m[r][2] - m.m[r][3];
        out[r * 4 + 3] = m.m[r][3];
    }
}

struct Scene {
    FloorModel sky, level, shadows, collectible, detail, water, extra;
    GLint transformLocation = -1;
};

// Cut-out subsets first, then the translucent ones, blended when asked, as the game draws.
void DrawModel(const FloorModel& model, bool blend) {
    glBindVertexArray(model.vertexArray);
    for (int half = 0; half < 2; ++half) {
        if (half == 1 && blend)
            glEnable(GL_BLEND);
        for (const FloorSubset& subset : model.subsets) {
            if ((half == 0) != (subset.alpha == 0.0f) || subset.alpha < 0.0f)
                continue;
            glBindTexture(GL_TEXTURE_2D, subset.texture);
            glDrawElements(GL_TRIANGLES, subset.indexCount, GL_UNSIGNED_INT,
                           reinterpret_cast<const void*>(static_cast<uintptr_t>(subset.firstIndex) *
                                                         sizeof(uint32_t)));
        }
    }
    glDisable(GL_BLEND);
}

void DrawFrame(const Scene& scene, Vec3 eye, Vec3 direction, Vec3 up) {
    D3DXMATRIX view, projection, viewProjection, identity;
    const Vec3 target = eye + direction;
    D3DXMatrixLookAtLH(&view, &eye, &target, &up);
    D3DXMatrixPerspectiveFovLH(&projection, FIELD_OF_VIEW, ASPECT, NEAR_PLANE, FAR_PLANE);
    D3DXMatrixMultiply(&viewProjection, &view, &projection);
    D3DXMatrixIdentity(&identity);
    float transform[16];
    Transform(identity, viewProjection, transform);
    glUniformMatrix4fv(scene.transformLocation, 1, GL_FALSE, transform);

    if (engine.skyBoxEnabled != 0) {
        glDepthFunc(GL_ALWAYS);
        DrawModel(scene.sky, true);
        glDepthFunc(GL_LEQUAL);
    } else {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    DrawModel(scene.level, true);
    if (engine.trueShadows != 0)
        DrawModel(scene.shadows, true);
    for (int i = 0; i < COLLECTIBLE_COUNT; ++i) {
        if (engine.collectibleActive[i] == 0)
            continue;
        D3DXMATRIX world;
        D3DXMatrixTranslation(&world, engine.collectiblePositions[i].x,
                              engine.collectiblePositions[i].y, engine.collectiblePositions[i].z);
        float moved[16];
        Transform(world, viewProjection, moved);
        glUniformMatrix4fv(scene.transformLocation, 1, GL_FALSE, moved);
        DrawModel(scene.collectible, true);
    }
    glUniformMatrix4fv(scene.transformLocation, 1, GL_FALSE, transform);
    glDisable(GL_CULL_FACE);
    DrawModel(scene.detail, false);
    DrawModel(scene.water, true);
    glEnable(GL_CULL_FACE);
    DrawModel(scene.extra, true);
}

double ProcessCpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

double ThreadCpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

} // namespace

int main(int argc, char** argv) {
    const char* setupPath = "Setup.txt";
    int frames = DEFAULT_FRAMES;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--setup") == 0 && i + 1 < argc)
            setupPath = argv[++i];
        else if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc)
            frames = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr, "usage: ovrel_floorbench [--setup FILE] [--frames N]\n");
            return 2;
        }
    }
    ReadSetup(setupPath, engine);
    const int width = engine.screenWidth;
    const int height = engine.screenHeight;

    if (std::getenv("SDL_VIDEODRIVER") == nullptr)
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "ovrel_floorbench: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_Window* window =
        SDL_CreateWindow("floor", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    SDL_GLContext context = window != nullptr ? SDL_GL_CreateContext(window) : nullptr;
    if (context == nullptr) {
        std::fprintf(stderr, "ovrel_floorbench: %s\n", SDL_GetError());
        return 1;
    }

    // The back buffer the engine draws into: 8-bit RGBA with a 16-bit depth buffer.
    GLuint framebuffer, colour, depth;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    glViewport(0, 0, width, height);
    glClearColor(0.157f, 0.078f, 0.314f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    const GLuint program = MakeProgram();
    if (program == 0) {
        std::fprintf(stderr, "ovrel_floorbench: the program does not link\n");
        return 1;
    }
    glUseProgram(program);
    Scene scene;
    scene.transformLocation = glGetUniformLocation(program, "transform");
    const struct {
        const char* file;
        FloorModel* model;
    } files[] = {{"L1add4.x", &scene.sky},     {"L1.x", &scene.level},
                 {"L1add0.x", &scene.shadows}, {"kelmar.x", &scene.collectible},
                 {"L1add2.x", &scene.detail},  {"L1add5.x", &scene.water},
                 {"L1add1.x", &scene.extra}};
    std::vector<FloorModel*> models;
    for (const auto& f : files) {
        std::string error;
        if (!LoadFloorModel(f.file, *f.model, error)) {
            std::fprintf(stderr, "ovrel_floorbench: %s: %s\n", f.file, error.c_str());
            return 1;
        }
        models.push_back(f.model);
    }
    // The timedemo's seed places the collectibles.
    std::srand(1);
    PlaceCollectibles();

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glActiveTexture(GL_TEXTURE0);
    glFinish();

    const double cpuStart = ProcessCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    // The submitting thread's CPU per frame, as the timedemo reports it for the engine; the
    // driver's vertex processing runs on this thread.
    std::vector<double> submissionCpu;
    submissionCpu.reserve(static_cast<size_t>(std::max(frames, 0)));
    for (int frame = 0; frame < frames; ++frame) {
        if (engine.cameraSequenceActive != 0)
            CameraSequenceStep(engine.gameSpeed);
        const double before = ThreadCpuMilliseconds();
        DrawFrame(scene, engine.cameraPosition, engine.cameraDirection, player.up);
        submissionCpu.push_back(ThreadCpuMilliseconds() - before);
        glFinish();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = ProcessCpuSeconds() - cpuStart;
    std::printf("floor: %d frames in %.3f s = %.1f fps (process CPU %.3f s) at %dx%d\n", frames,
                seconds, seconds > 0.0 ? frames / seconds : 0.0, cpu, width, height);
    std::printf("per frame, ms      median\n  submission CPU   %7.3f\n", Median(submissionCpu));

    FreeFloorScene(models);
    glDeleteProgram(program);
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
