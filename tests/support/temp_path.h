// Scratch files for tests. Every test process gets a folder of its own under the system's
// temporary folder: CTest runs test cases as parallel processes, and other checkouts on the
// same machine run the same tests, so a fixed file name would let one run read another's file.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

// A path for the file name in this process's scratch folder, which is created if missing.
inline std::filesystem::path TestTempPath(const std::string& name) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("ovrel_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir / name;
}
