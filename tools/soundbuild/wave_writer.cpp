// RIFF WAVE writer for the sound builder. Every word is little-endian, whatever the host.
#include "wave_writer.h"

#include <cstdio>

namespace {

void PutWord(std::vector<unsigned char>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
    }
}

void PutHalf(std::vector<unsigned char>& out, uint16_t value) {
    out.push_back(static_cast<unsigned char>(value));
    out.push_back(static_cast<unsigned char>(value >> 8));
}

void PutId(std::vector<unsigned char>& out, const char* id) {
    out.insert(out.end(), id, id + 4);
}

} // namespace

bool WriteWave(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate,
               bool withFact) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::vector<unsigned char> image;
    PutId(image, "RIFF");
    PutWord(image, 0); // patched below
    PutId(image, "WAVE");
    PutId(image, "fmt ");
    PutWord(image, 16);
    PutHalf(image, 1); // PCM
    PutHalf(image, 1); // mono
    PutWord(image, rate);
    PutWord(image, rate * 2);
    PutHalf(image, 2);
    PutHalf(image, 16);
    if (withFact) {
        PutId(image, "fact");
        PutWord(image, 4);
        PutWord(image, static_cast<uint32_t>(samples.size()));
    }
    PutId(image, "data");
    PutWord(image, dataBytes);
    for (int16_t sample : samples) {
        PutHalf(image, static_cast<uint16_t>(sample));
    }
    const uint32_t riffLength = static_cast<uint32_t>(image.size() - 8);
    for (int i = 0; i < 4; ++i) {
        image[4 + i] = static_cast<unsigned char>(riffLength >> (8 * i));
    }

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(image.data(), 1, image.size(), file) == image.size();
    return std::fclose(file) == 0 && written;
}
