// The harnesses run without the game's embedded resources: their inputs are added at run
// time, and the table the executable would carry is empty.
#include "win32/win32_resources.h"

const EmbeddedResource kEmbeddedResources[] = {{nullptr, nullptr, nullptr, 0}};
