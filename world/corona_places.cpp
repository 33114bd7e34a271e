// The compiled-in corona places and tints.
#include "world/corona_places.h"

#include <cstddef>

const CoronaPlace CORONA_PLACES[CORONA_COUNT] = {
    {Vec3(-8.0f, 4.29f, 25.25f), 10.0f},
    {Vec3(-8.0f, 4.49f, 29.6f), 10.0f},
    {Vec3(-4.0f, 4.49f, 30.0f), 10.0f},
    {Vec3(-1.625f, 4.49f, 24.4f), 10.0f},
    {Vec3(4.0f, 4.49f, 22.0f), 15.0f},
    {Vec3(-2.39f, 4.3f, 29.15f), 5.0f},
    {Vec3(4.0f, 4.49f, 30.5f), 10.0f},
    {Vec3(6.4f, 3.79f, 30.4f), 3.0f},
    {Vec3(8.0f, 4.49f, 29.5f), 10.0f},
    {Vec3(10.1f, 4.29f, 30.5f), 10.0f},
    {Vec3(16.0f, 4.49f, 26.5f), 10.0f},
    {Vec3(4.0f, 4.69f, 19.89f), 20.0f},
    {Vec3(0.65f, 4.49f, 31.68f), 6.0f},
    {Vec3(10.69f, 6.6f, 25.3f), 10.0f},
    {Vec3(-2.38f, 6.79f, 25.68f), 10.0f},
    {Vec3(-2.79f, 6.3f, 27.15f), 5.0f},
    {Vec3(-1.45f, 6.79f, 27.1f), 10.0f},
    {Vec3(3.0f, 5.99f, 30.65f), 3.0f},
    {Vec3(4.0f, 6.79f, 28.2f), 10.0f},
    {Vec3(4.0f, 6.79f, 23.0f), 10.0f},
    {Vec3(0.5f, 5.79f, 24.3f), 3.0f},
    {Vec3(-4.89f, 6.79f, 27.15f), 10.0f},
    {Vec3(-6.4f, 6.09f, 29.3045f), 3.0f},
    {Vec3(4.75f, 1.79f, 4.25f), 20.0f},
    {Vec3(7.0f, 1.79f, 2.0f), 10.0f},
    {Vec3(-4.25f, 4.7f, 22.89f), 20.0f},
    {Vec3(-1.0f, 4.45f, 31.69f), 10.0f},
    {Vec3(11.11f, 6.7f, 24.8f), 10.0f},
    // The sun: far outside and high above the level, seen from everywhere.
    {Vec3(41.0f, 32.5f, -39.5f), 100.0f},
};

namespace {

// Plain white lamps, yellowish wall lamps and the one reddish lamp.
constexpr int WHITE_CORONAS[] = {9, 11, 23, 25, 28};
constexpr int YELLOW_CORONAS[] = {7, 17, 20, 22};
constexpr int RED_CORONA = 12;

template <size_t N> bool Among(const int (&group)[N], int corona) {
    for (int member : group) {
        if (member == corona) {
            return true;
        }
    }
    return false;
}

} // namespace

ColorValue CoronaTint(int corona) {
    if (corona == RED_CORONA) {
        return ColorValue(1.0f, 0.69f, 0.61f, 0.0f);
    }
    if (Among(WHITE_CORONAS, corona)) {
        return ColorValue(1.0f, 1.0f, 1.0f, 0.0f);
    }
    if (Among(YELLOW_CORONAS, corona)) {
        return ColorValue(1.0f, 0.96f, 0.61f, 0.0f);
    }
    return ColorValue(1.0f, 0.96f, 0.76f, 0.0f);
}
