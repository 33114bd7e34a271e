// The bot's decisions, frame by frame. Menus and flights are passed with a key. In game the
// bot keeps one task (take a collectible or operate an object), walks the task's path with the
// arrow keys while it turns with the cursor, and clicks once what it looks at from where it
// stands would do what the task needs, judged by the same tests the click handlers make.
#include "tools/runner/bot/bot.h"

#include "app/engine_state.h"
#include "player/interaction.h"
#include "player/player_state.h"
#include "player/ray_cast.h"
#include "world/animated_objects.h"
#include "world/mesh_model.h"
#include "world/world_models.h"
#include "world/world_update.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>
#include <set>
#include <tuple>

namespace {

constexpr int SWITCHES_TO_OPERATE[] = {ENTRANCE_SWITCH, 39, 40, UPPER_BUTTON};
constexpr int FIRST_SWITCH = ENTRANCE_SWITCH; // objects from here on are not doors
constexpr float DOOR_PENALTY = 4.0f;          // extra path cost of a door still to open
constexpr float COLLECT_SPOT_REACH = 2.6f;    // stand this close to a collectible at most
constexpr float OPERATE_SPOT_REACH = 2.0f;
constexpr float EYE_HEIGHT = 0.6f;
// Places tried per target, nearest walk first: a ray cast costs some ten microseconds, and
// the nearest places often lie behind the wall the target is on.
constexpr int MAX_COLLECT_TRIES = 500;
constexpr int MAX_OPERATE_TRIES = 2000;
constexpr long STUCK_FRAMES = 90;
constexpr float STUCK_PENALTY = 25.0f; // extra walking cost of a place where the bot got stuck
constexpr size_t LOOKAHEAD_NODES = 5;  // steer towards the path this many places ahead
constexpr long RESTING_FRAMES = 900;
constexpr int KEY_UP = 0;
constexpr int KEY_DOWN = 1;
constexpr int KEY_RIGHT = 2;
constexpr int KEY_LEFT = 3;
constexpr WPARAM KEY_CODES[4] = {VK_UP, VK_DOWN, VK_RIGHT, VK_LEFT};
// Collectibles and objects share the bookkeeping of failures: objects come after the ten.
constexpr int OBJECT_KEY_BASE = COLLECTIBLE_COUNT;

float Length(const Vec3& v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

float HorizontalDistance(const Vec3& a, const Vec3& b) {
    return std::hypot(a.x - b.x, a.z - b.z);
}

float WrapDegrees(float angle) {
    while (angle > 180.0f) {
        angle -= 360.0f;
    }
    while (angle < -180.0f) {
        angle += 360.0f;
    }
    return angle;
}

// The object a click from eye along d would operate, as the click handler picks it, or -1.
int PickedObject(Vec3 eye, Vec3 d) {
    D3DXVec3Normalize(&d, &d);
    float nearest = 2.0f * RAY_BACK_OFFSET;
    int64_t face = -1;
    for (const RayHit& hit : CastRayFromBehind(levelModels[LEVEL_MODEL].mesh, eye, d)) {
        if (hit.distance > RAY_BACK_OFFSET && hit.distance < nearest) {
            nearest = hit.distance;
            face = hit.face;
        }
    }
    if (face < 0 || nearest >= RAY_BACK_OFFSET + CLICK_REACH) {
        return -1;
    }
    const int64_t relative = face - static_cast<int64_t>(FIRST_OBJECT_LEVEL_FACE);
    if (relative < 0 || relative >= static_cast<int64_t>(OBJECT_FACES) * OBJECT_COUNT) {
        return -1;
    }
    return static_cast<int>(relative / OBJECT_FACES);
}

// Whether a click from eye along direction would take the collectible, by the handler's tests.
bool CollectibleTakenFrom(int i, Vec3 eye, Vec3 direction) {
    Vec3 d;
    D3DXVec3Normalize(&d, &direction);
    Vec3 v = engine.collectiblePositions[i] + Vec3(0.0f, 0.1f, 0.0f) - eye;
    const float distance = D3DXVec3Length(&v);
    if (distance > COLLECT_REACH - 0.05f) {
        return false;
    }
    D3DXVec3Normalize(&v, &v);
    if (D3DXVec3Dot(&v, &d) < 0.985f) {
        return false;
    }
    return LineOfSightClear(eye, v, distance);
}

// The middle of an object's box in the visible level, where it moves with the object.
Vec3 ObjectCentre(int object) {
    ID3DXMesh* mesh = levelModels[LEVEL_MODEL].mesh;
    BYTE* data = nullptr;
    Vec3 sum(0.0f, 0.0f, 0.0f);
    if (mesh == nullptr || FAILED(mesh->LockVertexBuffer(D3DLOCK_READONLY, &data))) {
        return animatedObjects.objectPosition[object];
    }
    const UINT stride = D3DXGetFVFVertexSize(mesh->GetFVF());
    const DWORD first = FIRST_OBJECT_LEVEL_VERTEX + 24 * static_cast<DWORD>(object);
    for (DWORD k = 0; k < 24; ++k) {
        const float* p = reinterpret_cast<const float*>(data + (first + k) * stride);
        sum += Vec3(p[0], p[1], p[2]);
    }
    mesh->UnlockVertexBuffer();
    return sum * (1.0f / 24.0f);
}

// Whether an object is still on its way to the state it was switched to. The moving flags
// cannot tell: they stay set on objects that have never been operated.
bool ObjectMoving(int i) {
    const float amount = animatedObjects.openAmount[i];
    return animatedObjects.isOpen[i] != 0 ? amount < 1.0f : amount > 0.0f;
}

bool AnyObjectMoving() {
    for (uint32_t i = 0; i < animatedObjects.objectCount; ++i) {
        if (ObjectMoving(static_cast<int>(i))) {
            return true;
        }
    }
    return false;
}

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

bool Bot::Prepare(std::string& error) {
    if (!hull.Load(levelModels[HULL_MODEL].mesh, static_cast<int>(animatedObjects.objectCount),
                   error)) {
        return false;
    }
    graph.Build(hull, engine.collisionRadius);
    if (graph.Nodes().empty()) {
        error = "no place in the level to stand on";
        return false;
    }
    penalty.assign(graph.Nodes().size(), 0.0f);
    failures.assign(OBJECT_KEY_BASE + OBJECT_CAPACITY, 0);
    restingUntil.assign(OBJECT_KEY_BASE + OBJECT_CAPACITY, 0);
    Log(0, "walk graph: " + std::to_string(graph.Nodes().size()) + " places");
    return true;
}

void Bot::NextFrame(long frame, FrameInput& input) {
    switch (engine.screenMode) {
    case SCREEN_MODE_TITLE:
    case SCREEN_MODE_MENU:
        input.messages.push_back({WM_KEYDOWN, VK_RETURN, 1});
        input.messages.push_back({WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001u)});
        return;
    case SCREEN_MODE_GAME:
        PlayInGame(frame, input);
        return;
    default:
        return;
    }
}

void Bot::Log(long frame, const std::string& line) {
    log.push_back("frame " + std::to_string(frame) + ": " + line);
}

std::string Bot::Report() const {
    std::string report = "bot:\n";
    for (const std::string& line : log) {
        report += "  " + line + "\n";
    }
    for (int i = 0; i < COLLECTIBLE_COUNT; ++i) {
        if (engine.collectibleActive[i] != 0) {
            const Vec3& p = engine.collectiblePositions[i];
            char line[96];
            std::snprintf(line, sizeof(line), "  left: collectible %d at %.2f %.2f %.2f\n", i, p.x,
                          p.y, p.z);
            report += line;
        }
    }
    return report;
}

void Bot::HoldKeys(bool up, bool down, bool right, bool left, FrameInput& input) {
    const bool wanted[4] = {up, down, right, left};
    for (int k = 0; k < 4; ++k) {
        if (wanted[k] != keys[k]) {
            input.messages.push_back({wanted[k] ? WM_KEYDOWN : WM_KEYUP, KEY_CODES[k],
                                      wanted[k] ? 1 : static_cast<LPARAM>(0xC0000001u)});
            keys[k] = wanted[k];
        }
    }
}

void Bot::PlayInGame(long frame, FrameInput& input) {
    if (engine.cameraSequenceActive != 0) {
        // Any key ends a flight at once.
        input.messages.push_back({WM_KEYDOWN, VK_SPACE, 1});
        input.messages.push_back({WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0000001u)});
        return;
    }
    if (task.kind != TaskKind::None && task.clickedFrame >= 0) {
        if (TaskDoneNow()) {
            Log(frame, task.kind == TaskKind::Collect
                           ? "took collectible " + std::to_string(task.target)
                           : "operated object " + std::to_string(task.target));
            task = Task();
        } else if (frame - task.clickedFrame > 3) {
            GiveUpOnTask(frame, "the click did nothing");
        }
    }
    if (frame < waitUntil || AnyObjectMoving()) {
        HoldKeys(false, false, false, false, input);
        return;
    }
    if (task.kind == TaskKind::None && !ChooseTask(frame)) {
        HoldKeys(false, false, false, false, input);
        waitUntil = frame + 30;
        return;
    }
    if (task.clickedFrame < 0 && CanClickNow()) {
        input.messages.push_back({WM_LBUTTONDOWN, MK_LBUTTON,
                                  MAKELPARAM(engine.screenWidth / 2, engine.screenHeight / 2)});
        input.messages.push_back(
            {WM_LBUTTONUP, 0, MAKELPARAM(engine.screenWidth / 2, engine.screenHeight / 2)});
        task.clickedFrame = frame;
        task.wasOpen = task.kind == TaskKind::Operate && animatedObjects.isOpen[task.target] != 0;
        HoldKeys(false, false, false, false, input);
        return;
    }
    Steer(frame, input);
}

bool Bot::TaskDoneNow() const {
    if (task.kind == TaskKind::Collect) {
        return engine.collectibleActive[task.target] == 0;
    }
    if (task.kind == TaskKind::Operate && task.target == DRAIN_BUTTON) {
        return waterDrainActive != 0;
    }
    return task.kind == TaskKind::Operate &&
           (animatedObjects.isOpen[task.target] != 0) != task.wasOpen;
}

bool Bot::CanClickNow() const {
    const Vec3 eye = PlayerEye(player);
    // The ray casts below cost; only try them within reach.
    const float reach = task.kind == TaskKind::Collect ? COLLECT_REACH : OPERATE_SPOT_REACH;
    if (Length(task.aimPoint - eye) > reach + 0.2f) {
        return false;
    }
    if (task.kind == TaskKind::Collect) {
        // A click should not operate a door or switch behind the collectible as well.
        return CollectibleTakenFrom(task.target, eye, player.direction) &&
               (task.mayOperate || PickedObject(eye, player.direction) < 0);
    }
    if (task.kind == TaskKind::Operate) {
        const Vec3 toAim = task.aimPoint - eye;
        Vec3 d;
        D3DXVec3Normalize(&d, &player.direction);
        const float along = (toAim.x * d.x + toAim.y * d.y + toAim.z * d.z) / Length(toAim);
        return along > 0.98f && PickedObject(eye, player.direction) == task.target;
    }
    return false;
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

void Bot::SearchFromPlayer(bool throughDoors, std::vector<float>& distance,
                           std::vector<int>& previous) {
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
        distance, previous);
}

bool Bot::PlanCollect(int collectible, const std::vector<float>& distance,
                      const std::vector<int>& previous, bool mayOperate) {
    const Vec3 target = engine.collectiblePositions[collectible] + Vec3(0.0f, 0.1f, 0.0f);
    const std::vector<int> candidates =
        ThinnedByWalk(graph, graph.Within(target, COLLECT_SPOT_REACH + EYE_HEIGHT), distance);
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
        if (!CollectibleTakenFrom(collectible, eye, toTarget) ||
            (!mayOperate && PickedObject(eye, toTarget) >= 0)) {
            continue;
        }
        task = Task();
        task.mayOperate = mayOperate;
        task.kind = TaskKind::Collect;
        task.target = collectible;
        task.spot = node;
        task.aimPoint = target;
        task.path = PathTo(node, previous);
        return true;
    }
    return false;
}

bool Bot::PlanOperate(int object, const std::vector<float>& distance,
                      const std::vector<int>& previous) {
    const Vec3 centre = ObjectCentre(object);
    std::vector<int> candidates =
        ThinnedByWalk(graph, graph.Within(centre, OPERATE_SPOT_REACH + EYE_HEIGHT), distance);
    // Stand back from doors a little, out of the way of the swing.
    auto score = [&](int node) {
        const float away =
            HorizontalDistance(graph.Nodes()[static_cast<size_t>(node)].centre, centre);
        return distance[static_cast<size_t>(node)] + (away < 1.1f ? 3.0f : 0.0f);
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
        if (PickedObject(eye, centre - eye) != object) {
            continue;
        }
        task = Task();
        task.kind = TaskKind::Operate;
        task.target = object;
        task.spot = node;
        task.aimPoint = centre;
        task.path = PathTo(node, previous);
        return true;
    }
    return false;
}

bool Bot::ChooseTask(long frame) {
    MarkBlockedNodes();
    std::vector<float> distance;
    std::vector<int> previous;
    SearchFromPlayer(false, distance, previous);
    auto resting = [&](int key) { return frame < restingUntil[static_cast<size_t>(key)]; };

    // Switches first: each unlocks doors.
    for (int object : SWITCHES_TO_OPERATE) {
        if (animatedObjects.isOpen[object] == 0 && !resting(OBJECT_KEY_BASE + object) &&
            PlanOperate(object, distance, previous)) {
            Log(frame, "going to switch " + std::to_string(object));
            return true;
        }
    }
    // The collectible with the shortest walk; failing that, one whose click also operates
    // an object behind it.
    Task best;
    float bestCost = std::numeric_limits<float>::infinity();
    for (const bool mayOperate : {false, true}) {
        if (best.kind != TaskKind::None) {
            break;
        }
        for (int i = 0; i < COLLECTIBLE_COUNT; ++i) {
            if (engine.collectibleActive[i] == 0 || resting(i)) {
                continue;
            }
            if (PlanCollect(i, distance, previous, mayOperate)) {
                const float cost = distance[static_cast<size_t>(task.spot)];
                if (cost < bestCost) {
                    bestCost = cost;
                    best = task;
                }
            }
        }
    }
    if (best.kind != TaskKind::None) {
        task = best;
        Log(frame, "going to collectible " + std::to_string(task.target));
        return true;
    }
    // Nothing in reach: the first closed door on the way to a switch, else to the nearest
    // collectible behind doors.
    std::vector<float> openDistance;
    std::vector<int> openPrevious;
    SearchFromPlayer(true, openDistance, openPrevious);
    int doorToOpen = -1;
    auto firstDoorOnPath = [&]() {
        for (int node : task.path) {
            const int object = blockedBy[static_cast<size_t>(node)];
            // Places where the walk begins may touch a door that is open already.
            if (object >= 0 && animatedObjects.isOpen[object] == 0 &&
                !resting(OBJECT_KEY_BASE + object)) {
                return object;
            }
        }
        return -1;
    };
    for (int object : SWITCHES_TO_OPERATE) {
        if (doorToOpen < 0 && animatedObjects.isOpen[object] == 0 &&
            !resting(OBJECT_KEY_BASE + object) && PlanOperate(object, openDistance, openPrevious)) {
            doorToOpen = firstDoorOnPath();
        }
    }
    bestCost = std::numeric_limits<float>::infinity();
    for (int i = 0; i < COLLECTIBLE_COUNT && doorToOpen < 0; ++i) {
        if (engine.collectibleActive[i] == 0 || resting(i) ||
            !PlanCollect(i, openDistance, openPrevious, true)) {
            continue;
        }
        const float cost = openDistance[static_cast<size_t>(task.spot)];
        const int door = firstDoorOnPath();
        if (door >= 0 && cost < bestCost) {
            bestCost = cost;
            doorToOpen = door;
        }
    }
    task = Task();
    if (doorToOpen >= 0 && PlanOperate(doorToOpen, distance, previous)) {
        Log(frame, "going to open door " + std::to_string(doorToOpen));
        return true;
    }
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
            if (away < 2.5f && canMove && hiddenTries[{i, o}] < 2 &&
                !resting(OBJECT_KEY_BASE + o)) {
                nearby.push_back({away, o});
            }
        }
        std::sort(nearby.begin(), nearby.end());
        for (const auto& [away, o] : nearby) {
            if (PlanOperate(o, distance, previous)) {
                ++hiddenTries[{i, o}];
                Log(frame, std::string(animatedObjects.isOpen[o] != 0 ? "closing" : "opening") +
                               " door " + std::to_string(o) + " near collectible " +
                               std::to_string(i));
                return true;
            }
        }
    }
    if (!drainUsed && !resting(OBJECT_KEY_BASE + DRAIN_BUTTON) &&
        PlanOperate(DRAIN_BUTTON, distance, previous)) {
        drainUsed = true;
        Log(frame, "trying the drain");
        return true;
    }
    // Explore: the nearest closed door that can be opened.
    int nearestDoor = -1;
    float nearestCost = std::numeric_limits<float>::infinity();
    for (int o = 0; o < FIRST_SWITCH; ++o) {
        if (animatedObjects.isOpen[o] != 0 || !DoorOpenable(o) || resting(OBJECT_KEY_BASE + o)) {
            continue;
        }
        // The walk to the place the door is operated from: the door's own places are
        // blocked while it is shut.
        if (!PlanOperate(o, distance, previous)) {
            continue;
        }
        const float cost = distance[static_cast<size_t>(task.spot)];
        if (cost < nearestCost) {
            nearestCost = cost;
            nearestDoor = o;
        }
    }
    if (nearestDoor >= 0 && PlanOperate(nearestDoor, distance, previous)) {
        Log(frame, "exploring: opening door " + std::to_string(nearestDoor));
        return true;
    }
    if (lastPlanFrame < 0 || frame - lastPlanFrame > 600) {
        const auto reachable = std::count_if(distance.begin(), distance.end(),
                                             [](float d) { return std::isfinite(d); });
        Log(frame, "nothing left to try from " + std::to_string(player.position.x) + " " +
                       std::to_string(player.position.y) + " " + std::to_string(player.position.z) +
                       " (" + std::to_string(reachable) + " places in reach)");
        lastPlanFrame = frame;
    }
    return false;
}

void Bot::GiveUpOnTask(long frame, const std::string& why) {
    const int key = task.kind == TaskKind::Collect ? task.target : OBJECT_KEY_BASE + task.target;
    badSpots.insert({key, task.spot});
    int& count = failures[static_cast<size_t>(key)];
    ++count;
    if (count % 4 == 0) {
        // A rest, after which every place is tried afresh: a small switch may be in sight
        // from a few places only, and the walk there may go otherwise next time.
        restingUntil[static_cast<size_t>(key)] = frame + RESTING_FRAMES;
        for (auto it = badSpots.begin(); it != badSpots.end();) {
            it = it->first == key ? badSpots.erase(it) : std::next(it);
        }
    }
    Log(frame, std::string(task.kind == TaskKind::Collect ? "collectible " : "object ") +
                   std::to_string(task.target) + ": " + why);
    task = Task();
}

void Bot::Aim(Vec3 lookAt, float walkPitch, bool level, FrameInput& input) {
    const Vec3 eye = PlayerEye(player);
    const Vec3 to = lookAt - eye;
    const float degrees = 57.29578f;
    const float wantYaw = std::atan2(to.x, to.z) * degrees;
    const float wantPitch = level ? walkPitch : std::atan2(to.y, std::hypot(to.x, to.z)) * degrees;
    const int maxStep = 280;
    int dx = static_cast<int>(std::lround(WrapDegrees(wantYaw - player.yaw) * 20.0f));
    int dy = static_cast<int>(std::lround((wantPitch - player.pitch) * 20.0f));
    if (engine.invertMouse == 0) {
        dy = -dy;
    }
    dx = std::clamp(dx, -maxStep, maxStep);
    dy = std::clamp(dy, -maxStep, maxStep);
    input.setCursor = true;
    input.cursor.x = std::clamp(player.lastCursorX + dx, 0, engine.screenWidth - 1);
    input.cursor.y = std::clamp(player.lastCursorY + dy, 0, engine.screenHeight - 1);
}

void Bot::Steer(long frame, FrameInput& input) {
    const auto& nodes = graph.Nodes();
    const Vec3 here = player.position;
    // Follow the path: the node passed last is the nearest of the next few.
    size_t reached = task.reached;
    float nearest = 1e30f;
    for (size_t k = task.reached; k < task.path.size() && k < task.reached + 10; ++k) {
        const float d = HorizontalDistance(nodes[static_cast<size_t>(task.path[k])].centre, here);
        if (d < nearest) {
            nearest = d;
            reached = k;
        }
    }
    task.reached = reached;
    const Vec3 spot = nodes[static_cast<size_t>(task.spot)].centre;
    const float toSpot = HorizontalDistance(spot, here);
    // Progress along the path, or the task is given up. The path may lead away from the
    // spot for a while, round a wall or up a flight of stairs.
    if (task.lengthAfter.empty()) {
        task.lengthAfter.assign(task.path.size(), 0.0f);
        for (size_t k = task.path.size() - 1; k-- > 0;) {
            task.lengthAfter[k] = task.lengthAfter[k + 1] +
                                  Length(nodes[static_cast<size_t>(task.path[k + 1])].centre -
                                         nodes[static_cast<size_t>(task.path[k])].centre);
        }
    }
    const float remaining =
        task.lengthAfter[reached] +
        HorizontalDistance(nodes[static_cast<size_t>(task.path[reached])].centre, here);
    if (remaining < task.bestDistance - 0.05f) {
        task.bestDistance = remaining;
        task.lastProgressFrame = frame;
    } else if (task.lastProgressFrame == 0) {
        task.lastProgressFrame = frame;
    } else if (frame - task.lastProgressFrame > STUCK_FRAMES) {
        // Whatever holds the player lies just ahead on the path: later walks avoid it.
        for (size_t k = reached; k < task.path.size() && k <= reached + 6; ++k) {
            for (int node : graph.Within(nodes[static_cast<size_t>(task.path[k])].centre, 0.4f)) {
                penalty[static_cast<size_t>(node)] += STUCK_PENALTY;
            }
        }
        char where[96];
        std::snprintf(where, sizeof(where), "stuck at %.2f %.2f %.2f on the way", here.x, here.y,
                      here.z);
        GiveUpOnTask(frame, where);
        HoldKeys(false, false, false, false, input);
        return;
    }
    const size_t ahead = std::min(task.path.size() - 1, reached + LOOKAHEAD_NODES);
    const Vec3 waypoint = nodes[static_cast<size_t>(task.path[ahead])].centre;
    const bool arriving = ahead + 1 == task.path.size();
    // Look where the walk goes; near the spot, at what is to be clicked.
    if (arriving && toSpot < 0.8f) {
        Aim(task.aimPoint, 0.0f, false, input);
    } else {
        Aim(waypoint + Vec3(0.0f, EYE_HEIGHT, 0.0f), 0.0f, true, input);
    }
    // The velocity wanted, and the keys that bring the next frame's velocity closest to it:
    // each key adds speed / 20 along its axis after the old velocity is divided by 1.1.
    const float speed = engine.gameSpeed;
    const float step = speed / 20.0f;
    const float top = 0.05f * speed;
    Vec3 toWaypoint = (arriving ? spot : waypoint) - here;
    toWaypoint.y = 0.0f;
    const float length = Length(toWaypoint);
    Vec3 wanted(0.0f, 0.0f, 0.0f);
    if (length > 0.08f) {
        // Slow down on arrival, but not below the pace at which a key is still worth
        // pressing, or the last few centimetres are never walked.
        const float pace = arriving ? std::clamp(0.25f * length, 0.6f * step, top) : top;
        wanted = toWaypoint * (pace / length);
    }
    const float yaw = player.yaw * 0.017453292f;
    const Vec3 forward(std::sin(yaw), 0.0f, std::cos(yaw));
    const Vec3 right(std::cos(yaw), 0.0f, -std::sin(yaw));
    const Vec3 coasting = player.walkVelocity * (1.0f / 1.1f);
    auto choose = [&](const Vec3& axis) {
        const float now = coasting.x * axis.x + coasting.z * axis.z;
        const float goal = wanted.x * axis.x + wanted.z * axis.z;
        int best = 0;
        float bestError = std::fabs(now - goal);
        for (int k : {-1, 1}) {
            const float error = std::fabs(now + k * step - goal);
            if (error < bestError) {
                bestError = error;
                best = k;
            }
        }
        return best;
    };
    const int alongForward = choose(forward);
    const int alongRight = choose(right);
    HoldKeys(alongForward > 0, alongForward<0, alongRight> 0, alongRight < 0, input);
}
