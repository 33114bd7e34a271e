// Writes RIFF WAVE files: PCM, mono, 16-bit, with an optional "fact" chunk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes samples as a mono 16-bit PCM WAVE file at the given rate. With withFact a 4-byte
// "fact" chunk holding the sample count sits between "fmt " and "data". False on I/O failure.
bool WriteWave(const std::string& path, const std::vector<int16_t>& samples, uint32_t rate,
               bool withFact);
