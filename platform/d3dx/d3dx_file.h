// Reading whole files for the D3DX loaders. The engine names files with Windows separators
// ("data\L1.x"); they are opened with forward slashes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The path with every backslash turned into a forward slash.
std::string D3DXNativePath(const char* path);

// Reads the whole file. False with "cannot read PATH: reason" in error.
bool D3DXReadFile(const char* path, std::vector<uint8_t>& bytes, std::string& error);
