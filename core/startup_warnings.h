// Start-up warnings: things a player should know about that do not stop the game (a settings
// line that does not match, a texture that cannot be loaded, no audio device). Each is one line
// on stderr; nothing is shown in the game itself.
#pragma once

#include <string>
#include <vector>

// Prints "ovrel: warning: TEXT" on stderr and keeps it for StartupWarnings.
void StartupWarning(const std::string& text);

// The same, but only the first time for a given key (a texture file named by several
// materials warns once).
void StartupWarningOnce(const std::string& key, const std::string& text);

// The warnings given so far in this process, in order; tests read them.
const std::vector<std::string>& StartupWarnings();

// Forgets the warnings and the keys already warned about.
void ClearStartupWarnings();

// A path the engine writes with backslashes ("data\L1.x") as the player sees it on this
// system ("data/L1.x"), with a run of separators written as one.
std::string ShownPath(const char* enginePath);

// The platform's failure text for a file without the file's name in front ("cannot read
// data/x.dds: No such file or directory" becomes "No such file or directory"), for messages
// that name the file themselves.
std::string CauseWithoutPath(const std::string& cause, const std::string& shownPath);
