#include "tools/runner/bot/walk_graph.h"
