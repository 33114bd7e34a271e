// Every test program runs headless by default: SDL's offscreen video driver and its dummy
// audio driver, unless the environment already names drivers (a test run under Xvfb, or with
// the disk audio driver, sets its own).
#include <cstdlib>

namespace {

struct HeadlessEnvironment {
    HeadlessEnvironment() {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
    }
};

const HeadlessEnvironment headlessEnvironment;

} // namespace
