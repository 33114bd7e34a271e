// The benchmark program: starts the engine headless on the built level at 640 by 480 with a
// fixed seed, as the game would, then runs the benchmarks against it.
#include "bench/engine_fixture.h"

#include "core/engine_state.h"
#include "app/winmain.h"
#include "d3d8/d3d8_platform.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

const char* const SETUP_640 = "WIDTH= 640\nHEIGHT= 480\nCOLOR_BITS [16,32]= 32\n"
                              "RENDERING [0..software,1..hardware]= 1\nSOUNDS [0,1]= 1\n"
                              "TRUE_SHADOWS [0,1]= 1\nLIGHTS [0,1]= 1\nSKY_BOX [0,1]= 1\n"
                              "FOG [0,1]= 1\nINVERT_MOUSE [0,1]= 0\nGAME_SPEED= 2000\n";

} // namespace

std::string BenchSetupPath() {
    return (std::filesystem::temp_directory_path() / "ovrel_bench_setup.txt").string();
}

bool StartBenchEngine(std::string& failure) {
    std::ofstream(BenchSetupPath()) << SETUP_640;
    EngineStartOptions options;
    const std::string setup = BenchSetupPath();
    options.setupPath = setup.c_str();
    options.fixedSeed = true;
    options.seed = 1;
    if (FAILED(EngineStartUp(GetModuleHandleA(nullptr), options, failure))) {
        EngineShutdown();
        return false;
    }
    D3D8SetPresentToWindow(engine.device, false);
    D3D8SetPresentPacing(engine.device, false);
    return true;
}

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    std::filesystem::current_path(OVREL_OUTPUT_DIR);
    benchmark::Initialize(&argc, argv);
    std::string failure;
    if (!StartBenchEngine(failure)) {
        std::fprintf(stderr, "ovrel_bench: %s\n", failure.c_str());
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    EngineShutdown();
    return 0;
}
