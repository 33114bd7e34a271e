// The bot: plays the game from the title screen to the end screen through the message path
// only (keys, cursor positions, left clicks), planning its walks on a graph made from the
// collision hull and operating the switches and doors the link rules require.
#pragma once

#include "tools/runner/bot/walk_graph.h"
#include "tools/runner/runner_session.h"

#include <string>
#include <vector>

class Bot {
  public:
    // Builds the walk graph from the loaded level; false with error when it cannot.
    bool Prepare(std::string& error);
    // Decides the input for the next frame from what the game shows now.
    void NextFrame(long frame, FrameInput& input);
    // What the bot did: collectibles taken, objects operated, frames per phase.
    std::string Report() const;

  private:
    WalkGraph graph;
};
