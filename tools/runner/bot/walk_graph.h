// The bot's walk graph: places where the player's sphere can rest, on a grid over the ground
// plan (several per grid point where floors lie above each other), joined to their grid
// neighbours when the climb between them is walkable. Doors are not part of it: a search
// asks, per place, what it costs to enter (or that it cannot be entered).
#pragma once

#include "tools/runner/bot/hull_geometry.h"

#include <functional>
#include <vector>

struct WalkNode {
    Vec3 centre; // the sphere's centre resting there
};

// The cost of entering a node beyond its distance, or a negative value when it is closed.
using EnterCost = std::function<float(int node)>;

class WalkGraph {
  public:
    static constexpr float SPACING = 0.1f;

    // Finds the resting places for a sphere of radius r and joins them.
    void Build(const HullGeometry& hull, float r);

    const std::vector<WalkNode>& Nodes() const { return nodes; }
    const std::vector<int>& Neighbours(int node) const {
        return neighbours[static_cast<size_t>(node)];
    }
    // The node closest to position (a sphere centre), or -1 when none is near.
    int Nearest(Vec3 position) const;
    // The nodes whose centre lies within distance of point (a rough disc in the ground plan,
    // any height within distance).
    std::vector<int> Within(Vec3 point, float distance) const;

    // Shortest paths from the nearest of the starts; distance[i] is infinite for nodes that
    // cannot be reached.
    void Search(const std::vector<int>& starts, const EnterCost& enterCost,
                std::vector<float>& distance, std::vector<int>& previous) const;
    void Search(int start, const EnterCost& enterCost, std::vector<float>& distance,
                std::vector<int>& previous) const {
        Search(std::vector<int>{start}, enterCost, distance, previous);
    }

  private:
    int CellOf(float x, float z) const;
    void AddNodes(const HullGeometry& hull, float x, float z, float r, float margin);

    std::vector<WalkNode> nodes;
    std::vector<std::vector<int>> neighbours;
    std::vector<std::vector<int>> cells; // nodes nearest to each grid point
    float originX = 0.0f;
    float originZ = 0.0f;
    int columns = 0;
    int rows = 0;
};
