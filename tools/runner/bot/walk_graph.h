// The bot's walk graph: standing places for the player's sphere on a grid over the level,
// found from the collision hull, and their neighbours.
#pragma once

class WalkGraph {
  public:
};
