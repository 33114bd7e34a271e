// PlayerState: the walking player's collision sphere, view and velocities.
#pragma once

#include "core/vector_ops.h"

#include <cstdint>

struct MeshModel;

struct PlayerState {
    Vec3 position = Vec3(2.0f, 0.5f, 0.5f);
    Vec3 direction = Vec3(-4.0f, -3.0f, -4.0f);
    Vec3 up = Vec3(0.0f, 1.0f, 0.0f);
    Vec3 walkVelocity = Vec3(0.0f, 0.0f, 0.0f);
    Vec3 fallVelocity = Vec3(0.0f, 0.0f, 0.0f);
    float yaw = 0.0f;
    float pitch = 0.0f;
    int32_t lastCursorX = 0;
    int32_t lastCursorY = 0;
    MeshModel* collisionModel = nullptr; // data\L1add3.x, attached by InitDevice
};

extern PlayerState player;

// The eye of the walking player: the sphere centre raised by 0.6.
inline Vec3 PlayerEye(const PlayerState& state) {
    return state.position + Vec3(0.0f, 0.6f, 0.0f);
}
