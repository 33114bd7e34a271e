// The bot's decisions, frame by frame. Menus and flights are passed with a key. In game the
// bot keeps one task (take a collectible or operate an object), walks the task's path with the
// arrow keys while it turns with the cursor (bot_steering.cpp), and clicks once what it looks
// at from where it stands would do what the task needs. Tasks are chosen in bot_planning.cpp.
#include "tools/runner/bot/bot.h"

#include "core/engine_state.h"
#include "player/interaction.h"
#include "player/player_state.h"
#include "tools/runner/bot/bot_sight.h"
#include "world/animated_objects.h"
#include "world/world_models.h"
#include "world/world_update.h"

#include <cstdio>
#include <iterator>

using botsight::AnyObjectMoving;
using botsight::Length;

namespace {

constexpr long RESTING_FRAMES = 900; // a target that failed four times waits this long

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
        return CollectibleInView(task.target, eye, player.direction) &&
               (task.mayOperate || animatedObjects.PickedObject(eye, player.direction) < 0);
    }
    if (task.kind == TaskKind::Operate) {
        const Vec3 toAim = task.aimPoint - eye;
        Vec3 d;
        D3DXVec3Normalize(&d, &player.direction);
        const float along = (toAim.x * d.x + toAim.y * d.y + toAim.z * d.z) / Length(toAim);
        return along > 0.98f && animatedObjects.PickedObject(eye, player.direction) == task.target;
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
