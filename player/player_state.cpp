// The global PlayerState, constructed with its starting values before the entry point runs.
#include "player/player_state.h"

PlayerState player;
