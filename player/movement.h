// Walking mode: mouse look, arrow-key walking, gravity and ground contact of the player.
#pragma once

#include "player/player_state.h"

#include <cstdint>

// The contact normal the collision reported last frame; (0, 1, 0) before the first walk.
extern Vec3 groundNormal;
// True when the previous walking frame ended standing on ground.
extern bool onGround;
// Set by the first walking frame, which also sets groundNormal to (0, 1, 0).
extern bool walkingStarted;

// One walking frame: turn with the mouse, walk with the arrow keys held in keys (indexed by
// virtual-key code), fall, and move the sphere through the collision hull.
void UpdatePlayer(PlayerState& state, const uint8_t* keys, float speed);
