// The engine the benchmarks run against: started once by the benchmark program.
#pragma once

#include <string>

// The Setup.txt the benchmarks start the engine with (640 by 480, everything on).
std::string BenchSetupPath();

// Starts the engine headless with that setup; false with failure set when it cannot.
bool StartBenchEngine(std::string& failure);
