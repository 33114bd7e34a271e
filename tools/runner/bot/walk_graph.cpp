// Building and searching the walk graph. A grid point gets a node for every ground face under
// it where the resting sphere keeps clear of the fixed level. Doorways are often barely wider
// than the sphere, narrower than the grid can hit, so every object box also gets a line of
// nodes through its middle, across its thin side. Nodes close together are joined when the
// climb between them is a small step at most (joins are directed: drops may be deeper); with
// joins shorter than the sphere's radius, two joined clear nodes cannot have a wall between
// them.
#include "tools/runner/bot/walk_graph.h"

#include <cmath>
#include <limits>
#include <queue>

namespace {

// Walls may come this close; the collision slides the sphere along them.
constexpr float WALL_MARGIN = -0.01f;
// In doorways the jambs may touch the sphere a little: the pushes from both sides cancel.
constexpr float DOORWAY_MARGIN = -0.04f;
// The sphere rests a hair above the floor, so the floor itself never counts as touching.
constexpr float REST_LIFT = 0.005f;
// Joined nodes lie at most two grid steps apart; the walk climbs at most a small step between
// them (a ramp rises far less over that run), and may drop any height it can survive.
constexpr float MAX_JOIN = 0.29f;
constexpr float MAX_CLIMB = 0.2f;
constexpr float MAX_DROP = 1.5f;
constexpr float DOORWAY_STEP = 0.1f;
constexpr int DOORWAY_STEPS = 16; // either side of the box's middle

// Whether a floor lies over the lower place up to the height of the higher one's floor: then
// the drop between them would go through it, as from an upper storey onto a bathtub below.
bool FloorBetween(const HullGeometry& hull, Vec3 lower, float upperFloorY) {
    std::vector<FloorHit> floors;
    hull.FloorsAt(lower.x, lower.z, floors);
    for (const FloorHit& floor : floors) {
        if (floor.y > lower.y && floor.y < upperFloorY + MAX_CLIMB) {
            return true;
        }
    }
    return false;
}

} // namespace

int WalkGraph::CellOf(float x, float z) const {
    const int column = static_cast<int>(std::lround((x - originX) / SPACING));
    const int row = static_cast<int>(std::lround((z - originZ) / SPACING));
    if (column < 0 || row < 0 || column >= columns || row >= rows) {
        return -1;
    }
    return row * columns + column;
}

void WalkGraph::AddNodes(const HullGeometry& hull, float x, float z, float r, float margin) {
    const int cell = CellOf(x, z);
    if (cell < 0) {
        return;
    }
    std::vector<FloorHit> floors;
    hull.FloorsAt(x, z, floors);
    for (const FloorHit& floor : floors) {
        // On a slope the sphere touches the face along its normal.
        const Vec3 centre(x, floor.y + r / floor.normal.y + REST_LIFT, z);
        if (!hull.SphereClearOfLevel(centre, r, margin)) {
            continue;
        }
        cells[static_cast<size_t>(cell)].push_back(static_cast<int>(nodes.size()));
        nodes.push_back({centre});
    }
}

void WalkGraph::Build(const HullGeometry& hull, float r) {
    nodes.clear();
    originX = hull.MinX();
    originZ = hull.MinZ();
    columns = static_cast<int>((hull.MaxX() - hull.MinX()) / SPACING) + 2;
    rows = static_cast<int>((hull.MaxZ() - hull.MinZ()) / SPACING) + 2;
    cells.assign(static_cast<size_t>(columns * rows), {});
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            AddNodes(hull, originX + column * SPACING, originZ + row * SPACING, r, WALL_MARGIN);
        }
    }
    for (int object = 0; object < hull.ObjectCount(); ++object) {
        // Corner 1 is the box's origin, corner 0 lies along its width, corner 4 across it.
        const Vec3* box = hull.InitialObjectBox(object);
        Vec3 middle(0.0f, 0.0f, 0.0f);
        for (int k = 0; k < 8; ++k) {
            middle += box[k] * 0.125f;
        }
        Vec3 across = box[4] - box[1];
        across.y = 0.0f;
        const float length = std::hypot(across.x, across.z);
        if (length <= 0.0f) {
            continue;
        }
        across *= 1.0f / length;
        for (int k = -DOORWAY_STEPS; k <= DOORWAY_STEPS; ++k) {
            const Vec3 at = middle + across * (DOORWAY_STEP * static_cast<float>(k));
            AddNodes(hull, at.x, at.z, r, DOORWAY_MARGIN);
        }
    }
    neighbours.assign(nodes.size(), {});
    for (size_t i = 0; i < nodes.size(); ++i) {
        const Vec3 centre = nodes[i].centre;
        const int cell = CellOf(centre.x, centre.z);
        const int column0 = cell % columns;
        const int row0 = cell / columns;
        for (int row = row0 - 2; row <= row0 + 2; ++row) {
            for (int column = column0 - 2; column <= column0 + 2; ++column) {
                if (column < 0 || row < 0 || column >= columns || row >= rows) {
                    continue;
                }
                for (int other : cells[static_cast<size_t>(row * columns + column)]) {
                    if (static_cast<size_t>(other) == i) {
                        continue;
                    }
                    const Vec3 d = nodes[static_cast<size_t>(other)].centre - centre;
                    const float run = std::hypot(d.x, d.z);
                    if (run <= MAX_JOIN && d.y <= MAX_CLIMB && d.y >= -MAX_DROP &&
                        (d.y >= -MAX_CLIMB ||
                         !FloorBetween(hull, nodes[static_cast<size_t>(other)].centre,
                                       centre.y - r))) {
                        neighbours[i].push_back(other);
                    }
                }
            }
        }
    }
}

int WalkGraph::Nearest(Vec3 position) const {
    const int cell = CellOf(position.x, position.z);
    if (cell < 0) {
        return -1;
    }
    const int column0 = cell % columns;
    const int row0 = cell / columns;
    int best = -1;
    float bestScore = std::numeric_limits<float>::max();
    for (int ring = 0; ring <= 8 && best < 0; ++ring) {
        for (int row = row0 - ring; row <= row0 + ring; ++row) {
            for (int column = column0 - ring; column <= column0 + ring; ++column) {
                if (column < 0 || row < 0 || column >= columns || row >= rows) {
                    continue;
                }
                for (int i : cells[static_cast<size_t>(row * columns + column)]) {
                    const Vec3 d = nodes[static_cast<size_t>(i)].centre - position;
                    // Height counts more: the floor above or below is not where we stand.
                    const float score = d.x * d.x + d.z * d.z + 4.0f * d.y * d.y;
                    if (score < bestScore && std::fabs(d.y) < 1.0f) {
                        bestScore = score;
                        best = i;
                    }
                }
            }
        }
    }
    return best;
}

std::vector<int> WalkGraph::Within(Vec3 point, float distance) const {
    std::vector<int> found;
    const int reach = static_cast<int>(distance / SPACING) + 1;
    const int column0 = static_cast<int>(std::lround((point.x - originX) / SPACING));
    const int row0 = static_cast<int>(std::lround((point.z - originZ) / SPACING));
    for (int row = row0 - reach; row <= row0 + reach; ++row) {
        for (int column = column0 - reach; column <= column0 + reach; ++column) {
            if (column < 0 || row < 0 || column >= columns || row >= rows) {
                continue;
            }
            for (int i : cells[static_cast<size_t>(row * columns + column)]) {
                const Vec3 d = nodes[static_cast<size_t>(i)].centre - point;
                if (d.x * d.x + d.y * d.y + d.z * d.z <= distance * distance) {
                    found.push_back(i);
                }
            }
        }
    }
    return found;
}

void WalkGraph::Search(const std::vector<int>& starts, const EnterCost& enterCost,
                       std::vector<float>& distance, std::vector<int>& previous) const {
    const float infinity = std::numeric_limits<float>::infinity();
    distance.assign(nodes.size(), infinity);
    previous.assign(nodes.size(), -1);
    using Entry = std::pair<float, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
    for (int start : starts) {
        if (start >= 0) {
            distance[static_cast<size_t>(start)] = 0.0f;
            open.push({0.0f, start});
        }
    }
    while (!open.empty()) {
        const auto [d, i] = open.top();
        open.pop();
        if (d > distance[static_cast<size_t>(i)]) {
            continue;
        }
        for (int next : neighbours[static_cast<size_t>(i)]) {
            const float extra = enterCost(next);
            if (extra < 0.0f) {
                continue;
            }
            const Vec3 step =
                nodes[static_cast<size_t>(next)].centre - nodes[static_cast<size_t>(i)].centre;
            const float candidate =
                d + std::sqrt(step.x * step.x + step.y * step.y + step.z * step.z) + extra;
            if (candidate < distance[static_cast<size_t>(next)]) {
                distance[static_cast<size_t>(next)] = candidate;
                previous[static_cast<size_t>(next)] = i;
                open.push({candidate, next});
            }
        }
    }
}
