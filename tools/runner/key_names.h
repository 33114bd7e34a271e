// Readable names for Windows virtual-key codes, as demo files write them ("Up", "Escape", "A").
#pragma once

#include "win32/windows.h"

#include <string>

// The name of a virtual-key code; codes without a name are written as "0x2A".
std::string KeyName(WPARAM virtualKey);

// The virtual-key code of a name written by KeyName (also accepts "0x.." and any case);
// false for an unknown name.
bool KeyFromName(const std::string& name, WPARAM& virtualKey);
