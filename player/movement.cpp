// Walking mode. The mouse turns the view in degrees; the arrow keys walk along the surface the
// player stood on last frame; gravity and a damped walking velocity move the collision sphere,
// which the collision hull then corrects. Depends on the settings in EngineState (radius,
// screen rectangle, mouse inversion) and on the cursor calls of the window layer.
#include "player/movement.h"

#include "core/engine_state.h"
#include "core/float_ops.h"
#include "player/collision.h"
#include "win32/windows.h"

#include <cmath>

Vec3 groundNormal(0.0f, 0.0f, 0.0f);
bool onGround = false;
bool walkingStarted = false;

namespace {

// Turns by the cursor's movement since the last frame and keeps the angles in their ranges.
// Returns the cursor position read.
POINT TurnWithMouse(PlayerState& state) {
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    const int32_t dx = cursor.x - state.lastCursorX;
    const int32_t dy = cursor.y - state.lastCursorY;
    state.lastCursorX = cursor.x;
    state.lastCursorY = cursor.y;

    state.yaw = static_cast<float>(state.yaw + dx / 20.0);
    if (engine.invertMouse != 0) {
        state.pitch = static_cast<float>(state.pitch + dy / 20.0);
    } else {
        state.pitch = static_cast<float>(state.pitch - dy / 20.0);
    }

    if (state.pitch > 77.0f) {
        state.pitch = 77.0f;
    }
    if (state.pitch < -80.0f) {
        state.pitch = -80.0f;
    }
    // One wrap per frame is enough: a frame never turns by a full circle.
    if (state.yaw > 360.0f) {
        state.yaw -= 360.0f;
    }
    if (state.yaw < 0.0f) {
        state.yaw += 360.0f;
    }
    return cursor;
}

// Puts the cursor back in the middle before it reaches the screen's edge, where it would stop
// producing movement. The turn of this frame is already applied, so nothing jumps.
void KeepCursorInside(PlayerState& state, POINT cursor) {
    const RECT& rect = engine.screenRect;
    if (cursor.x > rect.right - 10 || cursor.x < rect.left + 10 || cursor.y > rect.bottom - 10 ||
        cursor.y < rect.top + 10) {
        state.lastCursorX = (rect.left + rect.right) / 2;
        state.lastCursorY = (rect.top + rect.bottom) / 2;
        SetCursorPos(state.lastCursorX, state.lastCursorY);
    }
}

// Rebuilds the unit view direction: yaw 0 looks along +z, yaw 90 along +x.
void SetViewDirection(PlayerState& state) {
    const float yaw = state.yaw * DEGREES_TO_RADIANS;
    const float pitch = state.pitch * DEGREES_TO_RADIANS;
    const float cp = CosF(pitch);
    state.direction = Vec3(SinF(yaw) * cp, SinF(pitch), CosF(yaw) * cp);
}

// The centre the arrow keys ask for: one step along the ground-aligned axes per key, and none
// at all in the air.
Vec3 WantedPosition(const PlayerState& state, const uint8_t* keys, float speed) {
    Vec3 forward = state.direction - D3DXVec3Dot(&groundNormal, &state.direction) * groundNormal;
    D3DXVec3Normalize(&forward, &forward);
    Vec3 right;
    D3DXVec3Cross(&right, &groundNormal, &forward);
    D3DXVec3Normalize(&right, &right);

    Vec3 target = state.position;
    if (onGround) {
        if (keys[VK_UP] != 0) {
            target += (forward / 20) * speed;
        }
        if (keys[VK_DOWN] != 0) {
            target -= (forward / 20) * speed;
        }
        if (keys[VK_RIGHT] != 0) {
            target += (right / 20) * speed;
        }
        if (keys[VK_LEFT] != 0) {
            target -= (right / 20) * speed;
        }
    }
    return target;
}

// Rescales v to the given length when it is longer; the comparison is made in double.
void LimitLength(Vec3& v, double limit) {
    const float length = D3DXVec3Length(&v);
    if (length > limit) {
        v /= length;
        v *= static_cast<float>(limit);
    }
}

// Damps walking, accelerates the fall and adds this frame's walking intent.
void Accelerate(PlayerState& state, Vec3 target, float speed) {
    state.walkVelocity /= 1.1f;
    state.fallVelocity += Vec3(0.0f, static_cast<float>(-0.003 * speed), 0.0f);
    state.walkVelocity += target - state.position;
    LimitLength(state.fallVelocity, 0.7 * speed);
    LimitLength(state.walkVelocity, 0.05 * speed);
}

// On flat enough ground the fall's slide along the surface is taken back, so the player does
// not creep down gentle slopes; on walkable ground the fall is braked and the keys work.
void RespondToGround(PlayerState& state, Vec3& newPosition) {
    if (!(groundNormal.y > 0.0f)) {
        return;
    }
    const float f = static_cast<double>(groundNormal.y) > 0.85 ? 1.0f : 0.0f;
    newPosition += groundNormal * (D3DXVec3Dot(&groundNormal, &state.fallVelocity) * f) -
                   state.fallVelocity * f;
    if (static_cast<double>(groundNormal.y) > 0.65) {
        state.fallVelocity.y = static_cast<float>(state.fallVelocity.y / 1.5);
        onGround = true;
    }
}

} // namespace

void UpdatePlayer(PlayerState& state, const uint8_t* keys, float speed) {
    const POINT cursor = TurnWithMouse(state);
    KeepCursorInside(state, cursor);
    SetViewDirection(state);
    if (!walkingStarted) {
        groundNormal = Vec3(0.0f, 1.0f, 0.0f);
        walkingStarted = true;
    }
    const Vec3 target = WantedPosition(state, keys, speed);
    onGround = false;
    Accelerate(state, target, speed);
    const Vec3 wanted = state.position + state.walkVelocity + state.fallVelocity;
    Vec3 newPosition =
        CollideSphere(state, state.position, wanted, engine.collisionRadius, groundNormal);
    RespondToGround(state, newPosition);
    state.position = newPosition;
}
