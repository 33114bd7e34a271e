// ovrel_dump FILE...: for each file, what the engine's loaders make of it. X files show
// their encoding, vertex layout, counts, bounds and materials; images their type, format,
// size and mip levels. A file that cannot be read gets one line naming it and the reason,
// and the exit status is 1.
#include "dump.h"

#include "d3dx/d3dx_file.h"

#include <cstring>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE...\n", argv[0]);
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<uint8_t> bytes;
        std::string error;
        if (!D3DXReadFile(argv[i], bytes, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            status = 1;
            continue;
        }
        const bool isX = bytes.size() >= 4 && std::memcmp(bytes.data(), "xof ", 4) == 0;
        try {
            const bool ok = isX ? DumpXFile(argv[i], bytes, stdout, stderr)
                                : DumpImageFile(argv[i], bytes, stdout, stderr);
            if (!ok)
                status = 1;
        } catch (const std::exception&) {
            std::fprintf(stderr, "%s: out of memory\n", argv[i]);
            status = 1;
        }
    }
    return status;
}
