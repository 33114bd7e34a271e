// The data folder the file benchmarks read: the build's own, or the one OVREL_BENCH_DATA names
// (for instance a copy of the level written with the builder's --text).
#pragma once

#include <cstdlib>
#include <string>

inline std::string BenchDataDir() {
    const char* chosen = std::getenv("OVREL_BENCH_DATA");
    return chosen != nullptr && *chosen != '\0' ? chosen : OVREL_DATA_DIR;
}
