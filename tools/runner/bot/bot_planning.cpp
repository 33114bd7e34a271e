// How the bot chooses its next task. From the walks open to it now it takes, in this order:
// a switch the link rules need, the collectible with the shortest walk, the first closed door
// on the way to a switch or a collectible behind doors, a door near a collectible hidden from
// every place reached, the pool's drain, and last the nearest closed door, to explore.
#include "tools/runner/bot/bot.h"

#include "core/engine_state.h"
#include "player/interaction.h"
#include "player/player_state.h"
#include "tools/runner/bot/bot_sight.h"
#include "world/animated_objects.h"
#include "world/world_models.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>
#include <tuple>

using botsight::HorizontalDistance;
using botsight::Length;
using botsight::ObjectCentre;

namespace {

constexpr int SWITCHES_TO_OPERATE[] = {ENTRANCE_SWITCH, 39, 40, UPPER_BUTTON};
constexpr int FIRST_SWITCH = ENTRANCE_SWITCH; // objects from here on are not doors
constexpr float DOOR_PENALTY = 4.0f;          // extra path cost of a door still to open
constexpr float COLLECT_SPOT_REACH = 2.6f;    // stand this close to a collectible at most
// Places tried per target, nearest walk first: a ray cast costs some ten microseconds, and
// the nearest places often lie behind the wall the target is on.
constexpr int MAX_COLLECT_TRIES = 500;
constexpr int MAX_OPERATE_TRIES = 2000;
constexpr float HIDING_DOOR_REACH = 2.5f; // doors this near a hidden collectible may hide it
constexpr int HIDING_DOOR_TRIES = 2;

// The candidates in walking order, thinned to the nearest by walk of each 0.3 by 0.3 patch:
// neighbouring places see alike, and every ray cast costs.
std::vector<int> ThinnedByWalk(const WalkGraph& graph, std::vector<int> candidates,
                               const std::vector<float>& distance) {
    std::sort(candidates.begin(), candidates.end(), [&](int a, int b) {
        return distance[static_cast<size_t>(a)] < distance[static_cast<size_t>(b)];
    });
    std::set<std::tuple<int, int, int>> patches;
    std::vector<int> thinned;
    for (int node : candidates) {
        if (!std::isfinite(distance[static_cast<size_t>(node)])) {
            break;
        }
        const Vec3& c = graph.Nodes()[static_cast<size_t>(node)].centre;
        const auto patch = std::make_tuple(static_cast<int>(std::floor(c.x / 0.3f)),
                                           static_cast<int>(std::floor(c.z / 0.3f)),
                                           static_cast<int>(std::floor(c.y / 0.5f)));
        if (patches.insert(patch).second) {
            thinned.push_back(node);
        }
    }
    return thinned;
}

std::vector<int> PathTo(int node, const std::vector<int>& previous) {
    std::vector<int> path;
    for (int at = node; at >= 0; at = previous[static_cast<size_t>(at)]) {
        path.push_back(at);
    }
    std::reverse(path.begin(), path.end());
    return path;
}

} // namespace

void Bot::StartTask(TaskKind kind, int target, int spot, Vec3 aimPoint, const Walks& walks) {
    task = Task();
    task.kind = kind;
    task.target = target;
    task.spot = spot;
    task.aimPoint = aimPoint;
    task.path = PathTo(spot, walks.previous);
    const auto& nodes = graph.Nodes();
    task.lengthAfter.assign(task.path.size(), 0.0f);
    for (size_t k = task.path.size() - 1; k-- > 0;) {
        task.lengthAfter[k] =
            task.lengthAfter[k + 1] + Length(nodes[static_cast<size_t>(task.path[k + 1])].centre -
                                             nodes[static_cast<size_t>(task.path[k])].centre);
    }
}

bool Bot::Resting(long frame, int key) const {
    return frame < restingUntil[static_cast<size_t>(key)];
}

bool Bot::DoorOpenable(int object) const {
    const uint8_t* on = animatedObjects.isOpen;
    switch (object) {
    case 3:
    case 4:
        return on[HALL_SWITCH] != 0;
    case 10:
        return on[39] != 0;
    case 17:
        return on[40] != 0;
    case 25:
        return on[41] != 0;
    default:
        return object < FIRST_SWITCH;
    }
}

void Bot::MarkBlockedNodes() {
    hull.RefreshObjects(levelModels[HULL_MODEL].mesh);
    const auto& nodes = graph.Nodes();
    blockedBy.assign(nodes.size(), -1);
    for (size_t i = 0; i < nodes.size(); ++i) {
        blockedBy[i] = hull.ObjectTouchingSphere(nodes[i].centre, engine.collisionRadius);
    }
}

void Bot::SearchFromPlayer(bool throughDoors, Walks& walks) {
    // Every place under the sphere is a start, so that one stray node in a pocket of its own
    // does not cut the player off.
    std::vector<int> starts;
    for (int node : graph.Within(player.position, 0.45f)) {
        const Vec3 d = graph.Nodes()[static_cast<size_t>(node)].centre - player.position;
        if (std::fabs(d.y) < 0.3f) {
            starts.push_back(node);
        }
    }
    if (starts.empty()) {
        starts.push_back(graph.Nearest(player.position));
    }
    graph.Search(
        starts,
        [&](int node) -> float {
            const int object = blockedBy[static_cast<size_t>(node)];
            const float learned = penalty[static_cast<size_t>(node)];
            if (object < 0) {
                return learned;
            }
            if (throughDoors && animatedObjects.isOpen[object] == 0 && DoorOpenable(object)) {
                return DOOR_PENALTY + learned;
            }
            return -1.0f;
        },
        walks.distance, walks.previous);
}

bool Bot::PlanCollect(int collectible, const Walks& walks, bool mayOperate) {
    const Vec3 target = engine.collectiblePositions[collectible] + Vec3(0.0f, 0.1f, 0.0f);
    const std::vector<int> candidates =
        ThinnedByWalk(graph, graph.Within(target, COLLECT_SPOT_REACH + EYE_HEIGHT), walks.distance);
    int tried = 0;
    for (int node : candidates) {
        if (tried > MAX_COLLECT_TRIES) {
            break;
        }
        if (badSpots.count({collectible, node}) != 0) {
            continue;
        }
        const Vec3 eye =
            graph.Nodes()[static_cast<size_t>(node)].centre + Vec3(0.0f, EYE_HEIGHT, 0.0f);
        const Vec3 toTarget = target - eye;
        const float reach = Length(toTarget);
        if (reach > COLLECT_SPOT_REACH || reach < 0.4f || HorizontalDistance(target, eye) < 0.3f) {
            continue;
        }
        ++tried;
        if (!CollectibleInView(collectible, eye, toTarget) ||
            (!mayOperate && animatedObjects.PickedObject(eye, toTarget) >= 0)) {
            continue;
        }
        StartTask(TaskKind::Collect, collectible, node, target, walks);
        task.mayOperate = mayOperate;
        return true;
    }
    return false;
}

bool Bot::PlanOperate(int object, const Walks& walks) {
    const Vec3 centre = ObjectCentre(object);
    std::vector<int> candidates =
        ThinnedByWalk(graph, graph.Within(centre, OPERATE_SPOT_REACH + EYE_HEIGHT), walks.distance);
    // Stand back from doors a little, out of the way of the swing.
    auto score = [&](int node) {
        const float away =
            HorizontalDistance(graph.Nodes()[static_cast<size_t>(node)].centre, centre);
        return walks.distance[static_cast<size_t>(node)] + (away < 1.1f ? 3.0f : 0.0f);
    };
    std::stable_sort(candidates.begin(), candidates.end(),
                     [&](int a, int b) { return score(a) < score(b); });
    int tried = 0;
    for (int node : candidates) {
        if (tried > MAX_OPERATE_TRIES) {
            break;
        }
        if (badSpots.count({OBJECT_KEY_BASE + object, node}) != 0) {
            continue;
        }
        const Vec3 eye =
            graph.Nodes()[static_cast<size_t>(node)].centre + Vec3(0.0f, EYE_HEIGHT, 0.0f);
        if (Length(centre - eye) > OPERATE_SPOT_REACH) {
            continue;
        }
        ++tried;
        if (animatedObjects.PickedObject(eye, centre - eye) != object) {
            continue;
        }
        StartTask(TaskKind::Operate, object, node, centre, walks);
        return true;
    }
    return false;
}

bool Bot::ChooseTask(long frame) {
    MarkBlockedNodes();
    Walks walks;
    SearchFromPlayer(false, walks);
    if (ChooseSwitch(frame, walks) || ChooseCollectible(frame, walks) ||
        ChooseDoorOnTheWay(frame, walks) || ChooseDoorHidingACollectible(frame, walks) ||
        ChooseDrain(frame, walks) || ChooseDoorToExplore(frame, walks)) {
        return true;
    }
    task = Task();
    if (lastPlanFrame < 0 || frame - lastPlanFrame > 600) {
        const auto reachable = std::count_if(walks.distance.begin(), walks.distance.end(),
                                             [](float d) { return std::isfinite(d); });
        Log(frame, "nothing left to try from " + std::to_string(player.position.x) + " " +
                       std::to_string(player.position.y) + " " + std::to_string(player.position.z) +
                       " (" + std::to_string(reachable) + " places in reach)");
        lastPlanFrame = frame;
    }
    return false;
}

bool Bot::ChooseSwitch(long frame, const Walks& walks) {
    // Switches first: each unlocks doors.
    for (int object : SWITCHES_TO_OPERATE) {
        if (animatedObjects.isOpen[object] == 0 && !Resting(frame, OBJECT_KEY_BASE + object) &&
            PlanOperate(object, walks)) {
            Log(frame, "going to switch " + std::to_string(object));
            return true;
        }
    }
    return false;
}

bool Bot::ChooseCollectible(long frame, const Walks& walks) {
    // The collectible with the shortest walk; failing that, one whose click also operates
    // an object behind it.
    for (const bool mayOperate : {false, true}) {
        Task best;
        float bestCost = std::numeric_limits<float>::infinity();
        for (int i = 0; i < COLLECTIBLE_COUNT; ++i) {
            if (engine.collectibleActive[i] == 0 || Resting(frame, i) ||
                !PlanCollect(i, walks, mayOperate)) {
                continue;
            }
            const float cost = walks.distance[static_cast<size_t>(task.spot)];
            if (cost < bestCost) {
                bestCost = cost;
                best = task;
            }
        }
        if (best.kind != TaskKind::None) {
            task = best;
            Log(frame, "going to collectible " + std::to_string(task.target));
            return true;
        }
    }
    return false;
}

int Bot::FirstClosedDoorOnPath(long frame) const {
    for (int node : task.path) {
        const int object = blockedBy[static_cast<size_t>(node)];
        // Places where the walk begins may touch a door that is open already.
        if (object >= 0 && animatedObjects.isOpen[object] == 0 &&
            !Resting(frame, OBJECT_KEY_BASE + object)) {
            return object;
        }
    }
    return -1;
}

bool Bot::ChooseDoorOnTheWay(long frame, const Walks& walks) {
    // Nothing in reach: the first closed door on the way to a switch, else to the nearest
    // collectible behind doors.
    Walks throughDoors;
    SearchFromPlayer(true, throughDoors);
    int doorToOpen = -1;
    for (int object : SWITCHES_TO_OPERATE) {
        if (doorToOpen < 0 && animatedObjects.isOpen[object] == 0 &&
            !Resting(frame, OBJECT_KEY_BASE + object) && PlanOperate(object, throughDoors)) {
            doorToOpen = FirstClosedDoorOnPath(frame);
        }
    }
    float bestCost = std::numeric_limits<float>::infinity();
    for (int i = 0; i < COLLECTIBLE_COUNT && doorToOpen < 0; ++i) {
        if (engine.collectibleActive[i] == 0 || Resting(frame, i) ||
            !PlanCollect(i, throughDoors, true)) {
            continue;
        }
        const float cost = throughDoors.distance[static_cast<size_t>(task.spot)];
        const int door = FirstClosedDoorOnPath(frame);
        if (door >= 0 && cost < bestCost) {
            bestCost = cost;
            doorToOpen = door;
        }
    }
    task = Task();
    if (doorToOpen >= 0 && PlanOperate(doorToOpen, walks)) {
        Log(frame, "going to open door " + std::to_string(doorToOpen));
        return true;
    }
    return false;
}

bool Bot::ChooseDoorHidingACollectible(long frame, const Walks& walks) {
    // A collectible that is hidden, for example behind a cupboard door or a sliding panel,
    // from every place reached so far: operate the doors near it, nearest first. Sliding
    // panels overlap when open, so a door may need closing again; each is tried twice at most.
    for (int i = 0; i < COLLECTIBLE_COUNT; ++i) {
        if (engine.collectibleActive[i] == 0) {
            continue;
        }
        std::vector<std::pair<float, int>> nearby;
        for (int o = 0; o < FIRST_SWITCH; ++o) {
            const float away = Length(ObjectCentre(o) - engine.collectiblePositions[i]);
            const bool canMove = animatedObjects.isOpen[o] != 0 || DoorOpenable(o);
            if (away < HIDING_DOOR_REACH && canMove && hiddenTries[{i, o}] < HIDING_DOOR_TRIES &&
                !Resting(frame, OBJECT_KEY_BASE + o)) {
                nearby.push_back({away, o});
            }
        }
        std::sort(nearby.begin(), nearby.end());
        for (const auto& [away, o] : nearby) {
            if (PlanOperate(o, walks)) {
                ++hiddenTries[{i, o}];
                Log(frame, std::string(animatedObjects.isOpen[o] != 0 ? "closing" : "opening") +
                               " door " + std::to_string(o) + " near collectible " +
                               std::to_string(i));
                return true;
            }
        }
    }
    return false;
}

bool Bot::ChooseDrain(long frame, const Walks& walks) {
    if (!drainUsed && !Resting(frame, OBJECT_KEY_BASE + DRAIN_BUTTON) &&
        PlanOperate(DRAIN_BUTTON, walks)) {
        drainUsed = true;
        Log(frame, "trying the drain");
        return true;
    }
    return false;
}

bool Bot::ChooseDoorToExplore(long frame, const Walks& walks) {
    // The closed door that can be opened from the nearest place by walk: the door's own
    // places are blocked while it is shut.
    int nearestDoor = -1;
    float nearestCost = std::numeric_limits<float>::infinity();
    for (int o = 0; o < FIRST_SWITCH; ++o) {
        if (animatedObjects.isOpen[o] != 0 || !DoorOpenable(o) ||
            Resting(frame, OBJECT_KEY_BASE + o) || !PlanOperate(o, walks)) {
            continue;
        }
        const float cost = walks.distance[static_cast<size_t>(task.spot)];
        if (cost < nearestCost) {
            nearestCost = cost;
            nearestDoor = o;
        }
    }
    if (nearestDoor >= 0 && PlanOperate(nearestDoor, walks)) {
        Log(frame, "exploring: opening door " + std::to_string(nearestDoor));
        return true;
    }
    return false;
}
