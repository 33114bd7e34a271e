// The doors (0 to 36; 10, 28, 29 and 30 slide) and the switches and buttons (37 to 43, which
// never move: equal angles, no slide).
#include "world/object_table.h"

namespace {
constexpr Vec3 NO_SLIDE(0.0f, 0.0f, 0.0f);
}

const ObjectTableEntry OBJECT_TABLE[OBJECT_COUNT] = {
    {Vec3(5.05f, 0.05f, 2.98f), Vec3(1.0f, 1.75f, 0.04f), 270.0f, 360.0f, NO_SLIDE},
    {Vec3(10.85f, 0.1f, 3.02f), Vec3(0.9f, 0.9f, 0.02f), 180.0f, 270.0f, NO_SLIDE},
    {Vec3(8.04f, 0.1f, 3.02f), Vec3(0.9f, 0.9f, 0.02f), 360.0f, 270.0f, NO_SLIDE},
    {Vec3(3.27f, 2.53f, 20.05f), Vec3(0.749f, 1.77f, 0.04f), 0.0f, 90.0f, NO_SLIDE},
    {Vec3(4.73f, 2.53f, 20.05f), Vec3(0.749f, 1.77f, 0.04f), 180.0f, 90.0f, NO_SLIDE},
    {Vec3(-4.5609f, 2.83f, 29.1109f), Vec3(0.9899f, 1.67f, 0.04f), 315.0f, 225.0f, NO_SLIDE},
    {Vec3(-9.07f, 2.85f, 29.59f), Vec3(0.469f, 0.87f, 0.02f), 90.0f, 0.0f, NO_SLIDE},
    {Vec3(-8.01f, 2.85f, 31.07f), Vec3(0.52f, 0.87f, 0.02f), 180.0f, 270.0f, NO_SLIDE},
    {Vec3(-7.04f, 2.85f, 31.07f), Vec3(0.469f, 0.87f, 0.02f), 180.0f, 270.0f, NO_SLIDE},
    {Vec3(-5.98f, 2.83f, 30.94f), Vec3(0.74f, 1.64f, 0.06f), 270.0f, 180.0f, NO_SLIDE},
    {Vec3(-5.98f, 2.53f, 23.04f), Vec3(1.0f, 1.97f, 0.04f), 0.0f, 0.0f, Vec3(-0.98f, 0.0f, 0.0f)},
    {Vec3(-9.07f, 2.85f, 30.51f), Vec3(0.469f, 0.87f, 0.02f), 270.0f, 360.0f, NO_SLIDE},
    {Vec3(-7.96f, 2.85f, 31.07f), Vec3(0.469f, 0.87f, 0.02f), 360.0f, 270.0f, NO_SLIDE},
    {Vec3(1.98f, 2.83f, 28.05f), Vec3(1.0f, 1.67f, 0.04f), 180.0f, 270.0f, NO_SLIDE},
    {Vec3(2.085f, 2.8f, 29.515f), Vec3(1.0f, 1.7f, 0.03f), 180.0f, 90.0f, NO_SLIDE},
    {Vec3(2.3f, 2.83f, 28.27f), Vec3(1.0f, 1.67f, 0.04f), 90.0f, 0.0f, NO_SLIDE},
    {Vec3(7.3609f, 2.83f, 26.6891f), Vec3(0.9899f, 1.67f, 0.04f), 135.0f, 225.0f, NO_SLIDE},
    {Vec3(9.9f, 2.55f, 30.98f), Vec3(1.0f, 1.65f, 0.04f), 270.0f, 180.0f, NO_SLIDE},
    {Vec3(14.1f, 2.55f, 26.98f), Vec3(1.0f, 1.65f, 0.04f), 270.0f, 360.0f, NO_SLIDE},
    {Vec3(6.78f, 2.53f, 28.32f), Vec3(0.97f, 1.94f, 0.02f), 90.0f, 0.0f, NO_SLIDE},
    {Vec3(12.23f, 4.83f, 25.9f), Vec3(1.0f, 1.67f, 0.04f), 180.0f, 90.0f, NO_SLIDE},
    {Vec3(3.52f, 4.83f, 24.8f), Vec3(1.0f, 1.67f, 0.04f), 360.0f, 270.0f, NO_SLIDE},
    {Vec3(4.48f, 4.83f, 26.55f), Vec3(1.0f, 1.67f, 0.04f), 180.0f, 90.0f, NO_SLIDE},
    {Vec3(0.05f, 4.83f, 27.12f), Vec3(1.0f, 1.67f, 0.04f), 90.0f, 0.0f, NO_SLIDE},
    {Vec3(-1.48f, 4.83f, 26.55f), Vec3(1.0f, 1.67f, 0.04f), 0.0f, 90.0f, NO_SLIDE},
    {Vec3(-3.27f, 4.83f, 26.55f), Vec3(1.0f, 1.67f, 0.04f), 180.0f, 90.0f, NO_SLIDE},
    {Vec3(-3.77f, 5.375f, 29.6945f), Vec3(0.7f, 0.6f, 0.02f), 180.0f, 270.0f, NO_SLIDE},
    {Vec3(-4.6f, 4.83f, 25.12f), Vec3(1.15f, 1.67f, 0.04f), 90.0f, 0.0f, NO_SLIDE},
    {Vec3(1.035f, 4.9f, 22.26f), Vec3(0.81f, 1.5f, 0.01f), 180.0f, 180.0f, Vec3(0.79f, 0.0f, 0.0f)},
    {Vec3(1.845f, 4.9f, 22.27f), Vec3(0.81f, 1.5f, 0.01f), 180.0f, 180.0f, Vec3(0.79f, 0.0f, 0.0f)},
    {Vec3(1.855f, 4.9f, 22.28f), Vec3(0.81f, 1.5f, 0.01f), 0.0f, 0.0f, Vec3(-0.79f, 0.0f, 0.0f)},
    {Vec3(5.865f, 4.825f, 27.38f), Vec3(0.6374f, 1.95f, 0.02f), 180.0f, 90.0f, NO_SLIDE},
    {Vec3(4.61f, 4.825f, 27.38f), Vec3(0.6374f, 1.95f, 0.02f), 0.0f, 90.0f, NO_SLIDE},
    {Vec3(-0.79f, 2.83f, 27.42f), Vec3(0.6499f, 0.84f, 0.02f), 360.0f, 270.0f, NO_SLIDE},
    {Vec3(0.49f, 2.83f, 27.42f), Vec3(0.6499f, 0.84f, 0.02f), 180.0f, 270.0f, NO_SLIDE},
    {Vec3(-2.86f, 2.83f, 27.42f), Vec3(0.6349f, 0.84f, 0.02f), 360.0f, 270.0f, NO_SLIDE},
    {Vec3(-1.61f, 2.83f, 27.42f), Vec3(0.6349f, 0.84f, 0.02f), 180.0f, 270.0f, NO_SLIDE},
    {Vec3(5.105f, 1.2f, 3.41f), Vec3(0.08f, 0.1f, 0.01f), 90.0f, 90.0f, NO_SLIDE},
    {Vec3(5.1f, 3.7f, 19.995f), Vec3(0.08f, 0.1f, 0.01f), 0.0f, 0.0f, NO_SLIDE},
    {Vec3(-4.71f, 3.7f, 23.205f), Vec3(0.08f, 0.1f, 0.01f), 180.0f, 180.0f, NO_SLIDE},
    {Vec3(9.795f, 3.7f, 29.79f), Vec3(0.08f, 0.1f, 0.01f), 270.0f, 270.0f, NO_SLIDE},
    {Vec3(-3.1f, 6.0f, 26.495f), Vec3(0.08f, 0.1f, 0.01f), 0.0f, 0.0f, NO_SLIDE},
    {Vec3(6.135f, 3.675f, 30.875f), Vec3(0.05f, 0.04f, 0.01f), 90.0f, 90.0f, NO_SLIDE},
    {Vec3(2.355f, 4.0f, 29.4f), Vec3(0.08f, 0.1f, 0.01f), 90.0f, 90.0f, NO_SLIDE},
};
