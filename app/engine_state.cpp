// The global EngineState, constructed before the entry point runs.
#include "app/engine_state.h"

EngineState engine;
