// ovrel_levelview: renders the built level with the game's own start-up and frame drawing
// from a list of camera places and writes one PNG per place, so that the level can be looked
// at without playing. Runs headless from the folder that holds data/ and Setup.txt.
//
// Usage: ovrel_levelview <views file> <output folder> [frames of world update] [open]
// With 'open' every door, flap and panel is opened first.
// Each line of the views file: NAME EYE_X EYE_Y EYE_Z TARGET_X TARGET_Y TARGET_Z
#include "core/engine_state.h"
#include "app/winmain.h"
#include "d3d8/d3d8_platform.h"
#include "render/frame.h"
#include "world/animated_objects.h"
#include "world/world_update.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <views file> <output folder> [update frames] [open]\n",
                     argv[0]);
        return 2;
    }
    std::ifstream views(argv[1]);
    if (!views) {
        std::fprintf(stderr, "ovrel_levelview: cannot read %s\n", argv[1]);
        return 2;
    }
    int updates = argc > 3 ? std::atoi(argv[3]) : 1;
    const bool openDoors = argc > 4 && std::string(argv[4]) == "open";
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    EngineStartOptions options;
    options.fixedSeed = true;
    options.seed = 1;
    std::string failure;
    if (FAILED(EngineStartUp(GetModuleHandleA(nullptr), options, failure))) {
        EngineShutdown();
        std::fprintf(stderr, "ovrel_levelview: %s\n", failure.c_str());
        return 1;
    }
    D3D8SetPresentToWindow(engine.device, false);
    D3D8SetPresentPacing(engine.device, false);
    engine.screenMode = SCREEN_MODE_GAME;
    engine.cameraSequenceActive = 0;
    engine.fadeLevel = 0;
    if (openDoors) {
        for (int i = 0; i < 37; ++i) {
            animatedObjects.isOpen[i] = 1;
            animatedObjects.isMoving[i] = 1;
        }
        updates = std::max(updates, 25); // twenty frames swing a door fully open
    }
    for (int i = 0; i < updates; ++i) {
        UpdateWorld(engine.gameSpeed);
    }
    std::string line;
    int written = 0;
    while (std::getline(views, line)) {
        std::istringstream words(line);
        std::string name;
        float e[3], t[3];
        if (!(words >> name) || name[0] == '#' ||
            !(words >> e[0] >> e[1] >> e[2] >> t[0] >> t[1] >> t[2])) {
            continue;
        }
        Vec3 eye(e[0], e[1], e[2]);
        Vec3 direction(t[0] - e[0], t[1] - e[1], t[2] - e[2]);
        RenderFrame(engine.gameSpeed, eye, direction);
        std::string path = std::string(argv[2]) + "/" + name + ".png";
        if (!D3D8SaveBackBufferPng(engine.device, path.c_str())) {
            std::fprintf(stderr, "ovrel_levelview: cannot write %s\n", path.c_str());
        } else {
            ++written;
        }
    }
    EngineShutdown();
    std::printf("%d views written\n", written);
    return 0;
}
