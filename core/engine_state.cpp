// The global EngineState, constructed before the entry point runs.
#include "core/engine_state.h"

EngineState engine;
