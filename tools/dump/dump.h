// The dump tool's per-format printers. Each prints a report of one file to out, or one line
// "FILE: reason" to err, and returns false for a file it cannot read.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

bool DumpXFile(const char* path, const std::vector<uint8_t>& bytes, FILE* out, FILE* err);
bool DumpImageFile(const char* path, const std::vector<uint8_t>& bytes, FILE* out, FILE* err);
