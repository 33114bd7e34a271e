// How the bot walks and looks: the arrow keys that bring the player's velocity closest to
// the one the path wants, and cursor moves that turn the view towards the way ahead or the
// target. A walk that makes no progress along its path for a while is given up, and the
// places where it stuck cost more to later walks.
#include "tools/runner/bot/bot.h"

#include "core/engine_state.h"
#include "player/player_state.h"
#include "tools/runner/bot/bot_sight.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

using botsight::HorizontalDistance;
using botsight::Length;

namespace {

constexpr long STUCK_FRAMES = 90;
constexpr float STUCK_PENALTY = 25.0f; // extra walking cost of a place where the bot got stuck
constexpr size_t LOOKAHEAD_NODES = 5;  // steer towards the path this many places ahead
constexpr WPARAM KEY_CODES[4] = {VK_UP, VK_DOWN, VK_RIGHT, VK_LEFT};

float WrapDegrees(float angle) {
    while (angle > 180.0f) {
        angle -= 360.0f;
    }
    while (angle < -180.0f) {
        angle += 360.0f;
    }
    return angle;
}

} // namespace

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
