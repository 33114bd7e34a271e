// MSZIP chunks of compressed X files. Each chunk is raw deflate data that may refer back
// into the previous chunks' output, so the last 32 KiB of output is handed to zlib as the
// dictionary of each new chunk.
#include "d3dx/x_decompress.h"

#include <zlib.h>

#include <algorithm>

namespace {

constexpr size_t HISTORY = 32768;
constexpr size_t MAX_CHUNK = 32768;

uint32_t ReadDword(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Inflates one chunk into out (appending exactly expected bytes).
bool InflateChunk(const uint8_t* in, size_t inSize, size_t expected, std::vector<uint8_t>& out,
                  std::string& error) {
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK) {
        error = "cannot start inflate";
        return false;
    }
    if (!out.empty()) {
        const size_t history = std::min(out.size(), HISTORY);
        if (inflateSetDictionary(&stream, out.data() + out.size() - history,
                                 static_cast<uInt>(history)) != Z_OK) {
            inflateEnd(&stream);
            error = "cannot set inflate history";
            return false;
        }
    }
    const size_t start = out.size();
    // One spare byte shows a chunk that inflates to more than it declares.
    out.resize(start + expected + 1);
    stream.next_in = const_cast<Bytef*>(in);
    stream.avail_in = static_cast<uInt>(inSize);
    stream.next_out = out.data() + start;
    stream.avail_out = static_cast<uInt>(expected + 1);
    int result = Z_OK;
    while (result == Z_OK && stream.avail_in > 0 && stream.avail_out > 0)
        result = inflate(&stream, Z_SYNC_FLUSH);
    const size_t produced = expected + 1 - stream.avail_out;
    inflateEnd(&stream);
    if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
        out.resize(start);
        error = "corrupt compressed data";
        return false;
    }
    if (produced != expected) {
        out.resize(start);
        error = "compressed chunk inflates to " + std::to_string(produced) +
                " bytes, its header says " + std::to_string(expected);
        return false;
    }
    out.resize(start + expected);
    return true;
}

} // namespace

bool DecompressXBody(const uint8_t* data, size_t size, std::vector<uint8_t>& out,
                     std::string& error) {
    out.clear();
    if (size < 4) {
        error = "compressed file too short";
        return false;
    }
    const uint32_t total = ReadDword(data);
    if (total < 16) {
        error = "compressed file declares a size smaller than its header";
        return false;
    }
    const size_t expected = total - 16;
    // Deflate cannot expand by more than about 1032:1, so a larger claim is corrupt; this
    // also bounds the allocation a hostile size can cause.
    if (expected / 1032 > size) {
        error = "compressed file declares an impossible size";
        return false;
    }
    out.reserve(expected);
    size_t pos = 4;
    while (out.size() < expected) {
        if (size - pos < 6) {
            error = "compressed data ends before the declared size";
            return false;
        }
        const size_t chunkOut = data[pos] | (data[pos + 1] << 8);
        const size_t chunkIn = data[pos + 2] | (data[pos + 3] << 8);
        if (data[pos + 4] != 'C' || data[pos + 5] != 'K' || chunkIn < 2) {
            error = "bad compressed chunk header";
            return false;
        }
        if (chunkOut == 0 || chunkOut > MAX_CHUNK || chunkOut > expected - out.size()) {
            error = "compressed chunk has a bad size";
            return false;
        }
        if (chunkIn - 2 > size - pos - 6) {
            error = "compressed chunk runs past the end of the file";
            return false;
        }
        if (!InflateChunk(data + pos + 6, chunkIn - 2, chunkOut, out, error))
            return false;
        pos += 4 + chunkIn;
    }
    return true;
}
