// Inflates the body of a compressed X file ("tzip" or "bzip"): a DWORD total size, then
// MSZIP chunks, each inflated with the output of the chunks before it as history.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Inflates the bytes after the 16-byte header into out (the body without header). False with
// a reason in error when the chunks are malformed or disagree with their declared sizes.
bool DecompressXBody(const uint8_t* data, size_t size, std::vector<uint8_t>& out,
                     std::string& error);
