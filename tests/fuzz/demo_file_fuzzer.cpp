// Demo files of any content. A demo that reads must write back as text that reads again to
// the same demo.
#include "fuzz_entry.h"
#include "tools/runner/demo_file.h"

#include <cstdlib>
#include <sstream>
#include <string>

namespace {

bool SameMessages(const std::vector<DemoMessage>& a, const std::vector<DemoMessage>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].message != b[i].message || a[i].wParam != b[i].wParam ||
            a[i].lParam != b[i].lParam)
            return false;
    return true;
}

} // namespace

int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    Demo demo;
    std::string error;
    if (!ReadDemo(in, demo, error))
        return 0;
    std::ostringstream out;
    WriteDemo(out, demo);
    std::istringstream back(out.str());
    Demo again;
    if (!ReadDemo(back, again, error) || again.seed != demo.seed ||
        again.frames.size() != demo.frames.size() || !SameMessages(again.trailing, demo.trailing))
        std::abort();
    for (size_t i = 0; i < demo.frames.size(); ++i) {
        const DemoFrame& a = demo.frames[i];
        const DemoFrame& b = again.frames[i];
        if (a.cursor.x != b.cursor.x || a.cursor.y != b.cursor.y || a.clock != b.clock ||
            !SameMessages(a.messages, b.messages))
            std::abort();
    }
    return 0;
}
