// Setup.txt of any content, read as at start-up. Whatever the file says, the screen size the
// reader leaves is one a window can be made with.
#include "app/setup_file.h"
#include "fuzz_entry.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // fmemopen refuses an empty buffer; an empty file reads like one with no lines.
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    std::FILE* file = fmemopen(text.data(), size == 0 ? 1 : size, "r");
    if (file == nullptr)
        return 0;
    EngineState state{};
    ReadSetupFile(file, state);
    std::fclose(file);
    return 0;
}
