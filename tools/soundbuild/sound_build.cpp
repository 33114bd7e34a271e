// The sound builder: synthesises the game's seven sounds and writes them as RIFF WAVE files
// (PCM, mono, 16-bit) at the rates and lengths the engine's sound table expects.
// Usage: ovrel_soundbuild OUTPUT_FOLDER
#include "sounds.h"
#include "wave_writer.h"

#include <cstdio>
#include <string>

namespace {

struct SoundSpec {
    const char* file;
    uint32_t rate;
    uint32_t dataBytes;
    bool withFact;
    Signal (*make)(double rate, size_t size);
};

const SoundSpec SOUNDS[] = {
    {"dogs.wav", 44100, 227982, false, MakeDogs},  {"birds.wav", 44100, 457670, false, MakeBirds},
    {"wind.wav", 44100, 176412, false, MakeWind},  {"dvere.wav", 44100, 9692, false, MakeDoor},
    {"kod.wav", 22050, 38076, true, MakeCodeTone}, {"kod2.wav", 22050, 9724, true, MakeOffTone},
    {"btn.wav", 44100, 4516, false, MakeButton},
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ovrel_soundbuild OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    for (const SoundSpec& sound : SOUNDS) {
        const Signal signal = sound.make(sound.rate, sound.dataBytes / 2);
        const std::string path = folder + "/" + sound.file;
        if (!WriteWave(path, ToPcm16(signal), sound.rate, sound.withFact)) {
            std::fprintf(stderr, "ovrel_soundbuild: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
