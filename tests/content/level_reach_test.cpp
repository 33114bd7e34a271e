// The level as a place to play: the player starts on a floor, the opening flight passes
// through open space, every corona glows at a lamp, and every collectible place can be
// reached and picked up (an eye a walking sphere can reach within 3 units, with a clear view
// past the level and every door opened).
#include "level_data.h"

#include "core/engine_state.h"
#include "player/camera_script.h"
#include "world/collectible_candidates.h"
#include "world/corona_tables.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <map>

using namespace leveltest;

namespace {

const double RADIUS = 0.48, EYE = 0.6;
const int OBJECTS = 44, DOORS = 37;
const int FIRST_VERTEX = 9250, FIRST_FACE = 5474, FIRST_HULL_VERTEX = 4301;

const double HULL_CORNERS[8][3] = {{1, 0, 0}, {0, 0, 0}, {0, 1, 0}, {1, 1, 0},
                                   {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};

// Triangles of a model, with the object boxes of doors moved to their open position (the
// switches allow every door to be opened in the right order).
std::vector<Tri> Triangles(const LoadedModel& m, bool hull) {
    std::vector<V3> p;
    for (size_t v = 0; v < m.positions.size(); ++v) {
        p.push_back(m.P(v));
    }
    for (int i = 0; i < DOORS; ++i) {
        if (hull) {
            for (int j = 0; j < 8; ++j) {
                p[FIRST_HULL_VERTEX + 8 * i + j] =
                    ObjectCorner(i, 1, HULL_CORNERS[j][0], HULL_CORNERS[j][1], HULL_CORNERS[j][2]);
            }
        }
    }
    std::vector<Tri> tris;
    for (size_t f = 0; f < m.Faces(); ++f) {
        Tri t{p[m.indices[f * 3]], p[m.indices[f * 3 + 1]], p[m.indices[f * 3 + 2]]};
        if (!hull && f >= FIRST_FACE && f < FIRST_FACE + 12 * DOORS) {
            continue; // open doors stand aside; their leaves are checked by the swing test
        }
        tris.push_back(t);
    }
    return tris;
}

const TriangleGrid& LevelGrid() {
    static TriangleGrid grid(Triangles(LoadModel("L1.x"), false), 0.5);
    return grid;
}
const TriangleGrid& HullGrid() {
    static TriangleGrid grid(Triangles(LoadModel("L1add3.x"), true), 0.5);
    return grid;
}

// Sphere centres a walking player can stand at, on a 0.1 grid, linked to their neighbours
// when the step up is small; found by walking out from the start.
struct WalkMap {
    std::vector<V3> centres;
    std::vector<bool> reached;
};

const WalkMap& Walkable() {
    static WalkMap map = [] {
        const TriangleGrid& hull = HullGrid();
        const double step = 0.1, x0 = -11, z0 = -2.5;
        const int nx = 286, nz = 347;
        WalkMap out;
        std::map<std::pair<int, int>, std::vector<size_t>> columns;
        for (int k = 0; k < nz; ++k) {
            for (int i = 0; i < nx; ++i) {
                double x = x0 + i * step, z = z0 + k * step;
                for (auto [floor, slope] : hull.FloorsAt(x, z, 0.85)) {
                    // On a slope the sphere rests higher: radius / normal.y above the surface.
                    V3 c{x, floor + RADIUS / slope + 0.005, z};
                    // Measured a little higher: the sphere rides over lips of a few
                    // centimetres (its edge contacts push it up), but not over real steps.
                    if (hull.Clearance(c + V3{0, 0.06, 0}, RADIUS) < RADIUS - 0.01) {
                        continue;
                    }
                    columns[{i, k}].push_back(out.centres.size());
                    out.centres.push_back(c);
                }
            }
        }
        out.reached.assign(out.centres.size(), false);
        // Start: the column under (2.0, 0.5), highest floor below the start height.
        std::deque<size_t> queue;
        int si = static_cast<int>(std::lround((2.0 - x0) / step));
        int sk = static_cast<int>(std::lround((0.5 - z0) / step));
        for (size_t n : columns[{si, sk}]) {
            if (out.centres[n].y <= 0.5 + 1e-3) {
                out.reached[n] = true;
                queue.push_back(n);
            }
        }
        while (!queue.empty()) {
            size_t n = queue.front();
            queue.pop_front();
            V3 c = out.centres[n];
            int i = static_cast<int>(std::lround((c.x - x0) / step));
            int k = static_cast<int>(std::lround((c.z - z0) / step));
            // Neighbours up to two cells away: where a slope meets the floor the sphere rests
            // on the slope's foot, and no wall fits between two free spheres this close.
            for (int d = 0; d < 25; ++d) {
                int di = d % 5 - 2, dk = d / 5 - 2;
                if (di == 0 && dk == 0) {
                    continue;
                }
                auto it = columns.find({i + di, k + dk});
                if (it == columns.end()) {
                    continue;
                }
                for (size_t m : it->second) {
                    // Up by at most a small step (ramps rise 0.06 per cell); any drop is fine.
                    if (!out.reached[m] && out.centres[m].y <= c.y + 0.2) {
                        out.reached[m] = true;
                        queue.push_back(m);
                    }
                }
            }
        }
        return out;
    }();
    return map;
}

} // namespace

TEST(LevelPlace, StartStandsOnAFloor) {
    auto floors = HullGrid().FloorsAt(2.0, 0.5, 0.85);
    ASSERT_FALSE(floors.empty());
    double below = -1e9;
    for (auto [f, slope] : floors) {
        if (f <= 0.5) {
            below = std::max(below, f);
        }
    }
    EXPECT_GT(below, 0.5 - RADIUS - 0.6) << "the start falls too far";
    EXPECT_LE(below, 0.5 - RADIUS + 0.05) << "the start is inside the floor";
}

namespace {

// Runs a camera flight from its first step to its end; every frame not all but faded out must
// keep the camera farther from the level than the near plane (0.1).
void FlyAndCheck(int step, Vec3 eye, Vec3 target) {
    engine.gameSpeed = 2.0f;
    engine.cameraScriptStep = step;
    engine.cameraSequenceActive = 1;
    engine.cameraPosition = eye;
    engine.cameraDirection = Vec3(target.x - eye.x, target.y - eye.y, target.z - eye.z);
    int frames = 0;
    while (engine.cameraSequenceActive && frames < 5000) {
        CameraSequenceStep(engine.gameSpeed);
        ++frames;
        if (engine.fadeLevel > 0.8f) {
            continue; // the picture is all but white
        }
        V3 at{engine.cameraPosition.x, engine.cameraPosition.y, engine.cameraPosition.z};
        ASSERT_GT(LevelGrid().Clearance(at, 0.2), 0.1)
            << "flight from step " << step << ", frame " << frames << " (step "
            << engine.cameraScriptStep << "): the camera at (" << at.x << ", " << at.y << ", "
            << at.z << ") touches the level";
    }
    EXPECT_LT(frames, 5000) << "flight from step " << step << " never ends";
}

} // namespace

TEST(LevelPlace, CameraFlightsPassThroughOpenSpace) {
    // The opening flight (steps 0, 1, 2, 3, 7) from its start, looking along (-0.2, 0, 1).
    FlyAndCheck(0, Vec3(0.0f, 0.5f, 0.0f), Vec3(-0.2f, 0.5f, 1.0f));
    // The flights started by switch 37, button 42 and the drain switch 43.
    FlyAndCheck(4, Vec3(5.8f, 4.0f, 17.5f), Vec3(5.14f, 3.75f, 20.0f));
    FlyAndCheck(5, Vec3(-2.0f, 6.25f, 25.7f), Vec3(-3.14f, 6.0f, 26.5f));
    FlyAndCheck(6, Vec3(-9.5f, 2.8f, 19.5f), Vec3(-5.5f, 2.1f, 19.0f));
}

TEST(LevelPlace, EveryCoronaGlowsAtALamp) {
    FillCoronaPlaces();
    LoadedModel detail = LoadModel("L1add1.x");
    ASSERT_TRUE(detail.loaded);
    for (int i = 0; i < 28; ++i) { // corona 28 is the sun
        V3 c{coronaPositions[i].x, coronaPositions[i].y, coronaPositions[i].z};
        // Lamps under a ceiling hang just below it; the glow itself stays in the open.
        EXPECT_GT(LevelGrid().Clearance(c, 0.2), 0.02) << "corona " << i << " is buried";
        double nearest = 1e9;
        for (size_t v = 0; v < detail.positions.size(); ++v) {
            nearest = std::min(nearest, Length(detail.P(v) - c));
        }
        EXPECT_LT(nearest, 0.35) << "corona " << i << " has no lamp";
    }
}

TEST(LevelPlace, EveryCollectiblePlaceCanBeReachedAndPickedUp) {
    const WalkMap& walk = Walkable();
    size_t reached = 0;
    for (bool r : walk.reached) {
        reached += r;
    }
    ASSERT_GT(reached, 1000u) << "the start cannot walk anywhere";
    for (int c = 0; c < COLLECTIBLE_CANDIDATE_COUNT; ++c) {
        V3 target{collectibleCandidates[c].x, collectibleCandidates[c].y + 0.1,
                  collectibleCandidates[c].z};
        bool ok = false;
        double closest = 1e9;
        V3 best;
        for (size_t n = 0; n < walk.centres.size() && !ok; ++n) {
            if (!walk.reached[n]) {
                continue;
            }
            V3 eye = walk.centres[n] + V3{0, EYE, 0};
            V3 d = target - eye;
            double dist = Length(d);
            if (dist < closest) {
                closest = dist;
                best = eye;
            }
            if (dist > 2.95) {
                continue;
            }
            V3 dir = d * (1.0 / dist);
            // The view can pitch from 80 degrees down to 77 up.
            double pitch = std::asin(dir.y) * 180 / M_PI;
            if (pitch < -79 || pitch > 76) {
                continue;
            }
            double hit = LevelGrid().Ray(eye, dir, dist);
            ok = hit < 0 || hit >= dist - 1e-4;
        }
        EXPECT_TRUE(ok) << "candidate " << c << " (" << target.x << ", " << target.y - 0.1 << ", "
                        << target.z << ") cannot be picked up; nearest reachable eye " << closest
                        << " at (" << best.x << ", " << best.y << ", " << best.z << ")";
    }
}
