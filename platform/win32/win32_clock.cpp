// GetTickCount: milliseconds from a monotonic clock, wrapping in 32 bits; replays substitute
// their own source so that frame statistics repeat exactly.
#include "win32/win32_platform.h"

#include <chrono>

namespace {
Win32TickSource tickSource = nullptr;
}

void Win32SetTickSource(Win32TickSource source) {
    tickSource = source;
}

DWORD GetTickCount() {
    if (tickSource != nullptr) {
        return tickSource();
    }
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    return static_cast<DWORD>(static_cast<uint64_t>(milliseconds));
}
