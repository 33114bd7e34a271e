// Demo files of any content. Writing a demo that reads gives its canonical text (keys by
// name, clicks by position, which is all the game reads of them); that text must read back
// and write again unchanged.
#include "fuzz_entry.h"
#include "tools/runner/demo_file.h"

#include <cstdlib>
#include <sstream>
#include <string>

namespace {

std::string Written(const Demo& demo) {
    std::ostringstream out;
    WriteDemo(out, demo);
    return out.str();
}

} // namespace

int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    Demo demo;
    std::string error;
    if (!ReadDemo(in, demo, error))
        return 0;
    const std::string text = Written(demo);
    std::istringstream back(text);
    Demo again;
    if (!ReadDemo(back, again, error) || Written(again) != text)
        std::abort();
    return 0;
}
