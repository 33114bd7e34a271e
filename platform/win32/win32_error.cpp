// The text of the last platform failure, printed by the shell when start-up fails.
#include "win32/win32_platform.h"

namespace {
std::string errorText;
}

void Win32SetErrorText(const std::string& text) {
    errorText = text;
}

const std::string& Win32GetErrorText() {
    return errorText;
}
