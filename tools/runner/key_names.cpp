// Virtual-key names: a fixed table for keys without a character, letters and digits as
// themselves, function and keypad keys by number, everything else in hexadecimal.
#include "tools/runner/key_names.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

struct NamedKey {
    WPARAM virtualKey;
    std::string_view name;
};

constexpr NamedKey NAMED_KEYS[] = {
    {VK_BACK, "Backspace"},
    {VK_TAB, "Tab"},
    {VK_RETURN, "Return"},
    {VK_SHIFT, "Shift"},
    {VK_CONTROL, "Control"},
    {VK_MENU, "Alt"},
    {VK_PAUSE, "Pause"},
    {VK_CAPITAL, "CapsLock"},
    {VK_ESCAPE, "Escape"},
    {VK_SPACE, "Space"},
    {VK_PRIOR, "PageUp"},
    {VK_NEXT, "PageDown"},
    {VK_END, "End"},
    {VK_HOME, "Home"},
    {VK_LEFT, "Left"},
    {VK_UP, "Up"},
    {VK_RIGHT, "Right"},
    {VK_DOWN, "Down"},
    {VK_INSERT, "Insert"},
    {VK_DELETE, "Delete"},
    {VK_MULTIPLY, "KeypadMultiply"},
    {VK_ADD, "KeypadAdd"},
    {VK_SUBTRACT, "KeypadSubtract"},
    {VK_DECIMAL, "KeypadDecimal"},
    {VK_DIVIDE, "KeypadDivide"},
    {VK_NUMLOCK, "NumLock"},
    {VK_SCROLL, "ScrollLock"},
    {VK_LWIN, "LeftWindows"},
    {VK_RWIN, "RightWindows"},
    {VK_APPS, "Applications"},
};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// A decimal number of one or two digits that follows prefix, e.g. "F12" or "Keypad7".
bool NumberAfter(const std::string& name, std::string_view prefix, int& number) {
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 2 ||
        !SameIgnoringCase(std::string_view(name).substr(0, prefix.size()), prefix)) {
        return false;
    }
    number = 0;
    for (size_t i = prefix.size(); i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) {
            return false;
        }
        number = number * 10 + (name[i] - '0');
    }
    return true;
}

} // namespace

std::string KeyName(WPARAM virtualKey) {
    for (const NamedKey& key : NAMED_KEYS) {
        if (key.virtualKey == virtualKey) {
            return std::string(key.name);
        }
    }
    if ((virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9')) {
        return std::string(1, static_cast<char>(virtualKey));
    }
    if (virtualKey >= VK_F1 && virtualKey < VK_F1 + 24) {
        return "F" + std::to_string(virtualKey - VK_F1 + 1);
    }
    if (virtualKey >= VK_NUMPAD0 && virtualKey <= VK_NUMPAD0 + 9) {
        return "Keypad" + std::to_string(virtualKey - VK_NUMPAD0);
    }
    char text[16];
    std::snprintf(text, sizeof(text), "0x%02X", static_cast<unsigned>(virtualKey & 0xFFFF));
    return text;
}

bool KeyFromName(const std::string& name, WPARAM& virtualKey) {
    for (const NamedKey& key : NAMED_KEYS) {
        if (SameIgnoringCase(name, key.name)) {
            virtualKey = key.virtualKey;
            return true;
        }
    }
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
        virtualKey = static_cast<WPARAM>(std::toupper(static_cast<unsigned char>(name[0])));
        return true;
    }
    int number = 0;
    if (NumberAfter(name, "F", number) && number >= 1 && number <= 24) {
        virtualKey = VK_F1 + static_cast<WPARAM>(number - 1);
        return true;
    }
    if (NumberAfter(name, "Keypad", number) && number <= 9) {
        virtualKey = VK_NUMPAD0 + static_cast<WPARAM>(number);
        return true;
    }
    if (name.size() > 2 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X')) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(name.c_str() + 2, &end, 16);
        if (end != nullptr && *end == '\0' && value > 0 && value < 0x100) {
            virtualKey = static_cast<WPARAM>(value);
            return true;
        }
    }
    return false;
}
