// The bot: plays the game from the title screen to the end screen through the message path
// only (keys, cursor positions, left clicks). It plans its walks on a graph made from the
// collision hull, operates the switches the link rules require before their doors, opens the
// doors on its way, uses the drain when nothing else is left to try, and takes each
// collectible from a place within reach where it is in sight.
#pragma once

#include "core/engine_state.h"
#include "tools/runner/bot/hull_geometry.h"
#include "tools/runner/bot/walk_graph.h"
#include "tools/runner/runner_session.h"

#include <map>
#include <set>
#include <string>
#include <vector>

class Bot {
  public:
    // Builds the walk graph from the loaded level; false with error when it cannot.
    bool Prepare(std::string& error);
    // Decides the input for the next frame from what the game shows now.
    void NextFrame(long frame, FrameInput& input);
    // What the bot did: collectibles taken, objects operated, where it gave up.
    std::string Report() const;

  private:
    enum class TaskKind { None, Collect, Operate };
    struct Task {
        TaskKind kind = TaskKind::None;
        int target = -1;                // collectible or object index
        int spot = -1;                  // the node to stand on
        Vec3 aimPoint;                  // what to look at from there
        std::vector<int> path;          // nodes from where the walk began to the spot
        size_t reached = 0;             // index in path of the node last passed
        std::vector<float> lengthAfter; // per path node, the walk left from there
        float bestDistance = 1e30f;
        long lastProgressFrame = 0;
        long clickedFrame = -1;
        bool wasOpen = false;    // the object's state when it was clicked
        bool mayOperate = false; // the click may also operate an object behind a collectible
    };

    // Shortest walks from where the player stands: per node its distance (infinite when out
    // of reach) and the node before it.
    struct Walks {
        std::vector<float> distance;
        std::vector<int> previous;
    };

    // Collectibles and objects share the bookkeeping of failures: objects come after the ten.
    static constexpr int OBJECT_KEY_BASE = COLLECTIBLE_COUNT;
    static constexpr float OPERATE_SPOT_REACH = 2.0f; // stand this close to an object at most
    static constexpr float EYE_HEIGHT = 0.6f;         // the eye above the sphere's centre

    // Playing (bot.cpp).
    void PlayInGame(long frame, FrameInput& input);
    bool TaskDoneNow() const;
    bool CanClickNow() const;
    void GiveUpOnTask(long frame, const std::string& why);
    void Log(long frame, const std::string& line);

    // Choosing tasks (bot_planning.cpp): each Choose step plans a task and returns true, or
    // leaves the choice to the next.
    bool ChooseTask(long frame);
    bool ChooseSwitch(long frame, const Walks& walks);
    bool ChooseCollectible(long frame, const Walks& walks);
    bool ChooseDoorOnTheWay(long frame, const Walks& walks);
    bool ChooseDoorHidingACollectible(long frame, const Walks& walks);
    bool ChooseDrain(long frame, const Walks& walks);
    bool ChooseDoorToExplore(long frame, const Walks& walks);
    bool PlanCollect(int collectible, const Walks& walks, bool mayOperate);
    bool PlanOperate(int object, const Walks& walks);
    // Makes the task of walking to spot and clicking at aimPoint there.
    void StartTask(TaskKind kind, int target, int spot, Vec3 aimPoint, const Walks& walks);
    int FirstClosedDoorOnPath(long frame) const;
    void MarkBlockedNodes();
    void SearchFromPlayer(bool throughDoors, Walks& walks);
    bool DoorOpenable(int object) const;
    bool Resting(long frame, int key) const;

    // Walking and looking (bot_steering.cpp).
    void Steer(long frame, FrameInput& input);
    void Aim(Vec3 lookAt, float walkPitch, bool level, FrameInput& input);
    void HoldKeys(bool up, bool down, bool right, bool left, FrameInput& input);

    HullGeometry hull;
    WalkGraph graph;
    std::vector<int> blockedBy; // per node: the object box it touches now, or -1
    std::vector<float> penalty; // per node: extra cost learned where walks got stuck
    Task task;
    bool keys[4] = {}; // Up, Down, Right, Left held
    long waitUntil = 0;
    std::set<std::pair<int, int>> badSpots;         // (target key, node) pairs that failed
    std::vector<int> failures;                      // per target key, how often it failed
    std::vector<long> restingUntil;                 // per target key, no new attempt before
    std::map<std::pair<int, int>, int> hiddenTries; // (collectible, door) operations tried
    std::vector<std::string> log;
    bool drainUsed = false;
    long lastPlanFrame = -1;
};
