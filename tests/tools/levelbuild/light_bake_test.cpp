// The light bake's ray casts and light model: hit distances, cut-outs that let light through
// their transparent texels, sun and lamp shadows, the sky hidden by a roof, and work split
// over threads without a gap or an overlap.
#include "tools/levelbuild/light_bake.h"
#include "tools/levelbuild/parallel_for.h"
#include "tools/levelbuild/ray_scene.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

using namespace levelbuild;

namespace {

// A square of side 2 centred on (cx, y, cz), facing up.
void AddFloor(Mesh& mesh, float cx, float y, float cz, float half, int material = 0) {
    Vec3 p[4] = {{cx - half, y, cz - half},
                 {cx - half, y, cz + half},
                 {cx + half, y, cz + half},
                 {cx + half, y, cz - half}};
    float uv[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    AddQuad(mesh, p, uv, material);
}

LightRig SunOnly(Vec3 toSun) {
    LightRig rig;
    rig.toSun = Normalize(toSun);
    rig.sun = {1, 1, 1};
    return rig;
}

} // namespace

TEST(RayScene, FindsTheNearestOfStackedFloorsAndMissesBesideThem) {
    Mesh mesh;
    AddFloor(mesh, 0, 1, 0, 1);
    AddFloor(mesh, 0, 3, 0, 1);
    RayScene rays;
    rays.AddMesh(mesh);
    rays.Build();
    EXPECT_NEAR(rays.Nearest({0.3f, 0, 0.2f}, {0, 1, 0}, 10), 1.0f, 1e-5f);
    EXPECT_NEAR(rays.Nearest({0.3f, 5, 0.2f}, {0, -1, 0}, 10), 2.0f, 1e-5f);
    // Between the floors, both ways; then a limit short of the floor.
    EXPECT_NEAR(rays.Nearest({0, 2, 0}, {0, 1, 0}, 10), 1.0f, 1e-5f);
    EXPECT_LT(rays.Nearest({0, 2, 0}, {0, 1, 0}, 0.9f), 0);
    EXPECT_FALSE(rays.Blocked({1.2f, 0, 0}, {0, 1, 0}, 10));
    // A ray leaving a floor's own surface does not hit that floor.
    EXPECT_NEAR(rays.Nearest({0, 1, 0}, {0, 1, 0}, 10), 2.0f, 1e-5f);
    // At 45 degrees the distance grows by the square root of two.
    Vec3 d = Normalize({1, 1, 0});
    EXPECT_NEAR(rays.Nearest({-0.5f, 0, 0}, d, 10), 1.41421356f, 1e-4f);
}

TEST(RayScene, ManyTrianglesGiveTheSameHitsAsTestingEveryOne) {
    // A field of small floors at different heights: the hierarchy must agree with the hand
    // answer, the highest floor under each point.
    Mesh mesh;
    for (int i = 0; i < 30; ++i) {
        for (int j = 0; j < 30; ++j) {
            AddFloor(mesh, i * 0.5f, static_cast<float>((i * 7 + j * 3) % 5), j * 0.5f, 0.2f);
        }
    }
    RayScene rays;
    rays.AddMesh(mesh);
    rays.Build();
    ASSERT_EQ(rays.TriangleCount(), 1800u);
    for (int i = 0; i < 30; i += 3) {
        for (int j = 0; j < 30; j += 4) {
            float height = static_cast<float>((i * 7 + j * 3) % 5);
            float hit = rays.Nearest({i * 0.5f + 0.1f, 10, j * 0.5f - 0.1f}, {0, -1, 0}, 20);
            EXPECT_NEAR(hit, 10 - height, 1e-4f) << i << ", " << j;
            // Between the squares the ray falls through to nothing.
            EXPECT_LT(rays.Nearest({i * 0.5f + 0.25f, 10, j * 0.5f}, {0, -1, 0}, 20), 0);
        }
    }
}

TEST(RayScene, CutOutsBlockOnlyWhereTheirTextureIsOpaque) {
    Mesh mesh;
    AddFloor(mesh, 0.5f, 1, 0.5f, 0.5f, 1); // u and v run 0..1 with x and z
    Image half(4, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            half.Set(x, y, 1, 1, 1, x < 2 ? 1.0f : 0.0f); // opaque where u < 0.5
        }
    }
    RayScene rays;
    rays.AddMesh(mesh, {nullptr, &half});
    rays.Build();
    EXPECT_TRUE(rays.Blocked({0.2f, 0, 0.5f}, {0, 1, 0}, 5));
    EXPECT_FALSE(rays.Blocked({0.8f, 0, 0.5f}, {0, 1, 0}, 5));
}

TEST(LightModel, SunAndLampsCastShadowsAndFadeWithTheirRange) {
    Mesh roof;
    AddFloor(roof, 0, 3, 0, 1);
    RayScene rays;
    rays.AddMesh(roof);
    rays.Build();
    const Vec3 up{0, 1, 0};
    LightRig rig = SunOnly({0, 1, 0});
    EXPECT_EQ(DirectLight(rig, rays, {0, 0, 0}, up).r, 0.0f);         // under the roof
    EXPECT_NEAR(DirectLight(rig, rays, {3, 0, 0}, up).r, 1.0f, 1e-6); // beside it
    // A low sun reaches under the roof's edge; a surface facing away gets nothing.
    LightRig low = SunOnly({1, 1, 0});
    EXPECT_NEAR(DirectLight(low, rays, {0.5f, 0, 0}, up).g, 0.70710678f, 1e-5);
    EXPECT_EQ(DirectLight(low, rays, {3, 0, 0}, {-1, 0, 0}).g, 0.0f);

    LightRig lamps;
    lamps.toSun = {0, -1, 0}; // below the floor: no sun on it
    lamps.lamps.push_back({{0, 2, 0}, 4, {1, 0.5f, 0.25f}});
    Rgb near = DirectLight(lamps, rays, {0, 0, 0}, up);
    Rgb far = DirectLight(lamps, rays, {2.5f, 0, 0}, up);
    EXPECT_GT(near.r, far.r);
    EXPECT_GT(far.r, 0.0f);
    EXPECT_NEAR(near.g / near.r, 0.5f, 1e-5);                              // the lamp's colour
    EXPECT_EQ(DirectLight(lamps, rays, {4.5f, 0, 0}, up).r, 0.0f);         // beyond the range
    EXPECT_EQ(DirectLight(lamps, rays, {0, 3.5f, 0}, {0, -1, 0}).r, 0.0f); // the roof between
}

TEST(LightModel, TheSkyDimsUnderARoofAndTheFillNearWalls) {
    Mesh roof;
    AddFloor(roof, 0, 0.5f, 0, 20);
    RayScene rays;
    rays.AddMesh(roof);
    rays.Build();
    LightRig rig;
    rig.sky = {1, 1, 1};
    rig.fill = {0, 0, 0};
    const Vec3 up{0, 1, 0};
    // Open sky above a floor facing up: all of the sky.
    EXPECT_NEAR(SoftLight(rig, rays, {0, 2, 0}, up).b, 1.0f, 1e-5);
    // Under a wide roof hardly any sky ray escapes.
    EXPECT_LT(SoftLight(rig, rays, {0, 0, 0}, up).b, 0.2f);
    rig.sky = {0, 0, 0};
    rig.fill = {1, 1, 1};
    // The fill dims where geometry is close above: with the roof 0.48 above the ray starts
    // and rays darkening below 1.2, a ray at cosine c counts min(1, 0.4 / c); over the
    // cosine-weighted hemisphere that is 0.4^2 + 0.8 * (1 - 0.4) = 0.64.
    float close = SoftLight(rig, rays, {0, 0, 0}, up).r;
    float open = SoftLight(rig, rays, {0, 2, 0}, up).r;
    EXPECT_NEAR(close, 0.64f, 0.02f);
    EXPECT_NEAR(open, 1.0f, 1e-5);
}

TEST(LightModel, ToneMapKeepsMiddleValuesAndEasesBrightOnesIntoWhite) {
    EXPECT_FLOAT_EQ(ToneMap({0.5f, 0.2f, 0.0f}).r, 0.5f);
    EXPECT_FLOAT_EQ(ToneMap({0.5f, 0.2f, -1.0f}).b, 0.0f);
    float bright = ToneMap({1.0f, 0, 0}).r, brighter = ToneMap({3.0f, 0, 0}).r;
    EXPECT_GT(bright, 0.8f);
    EXPECT_GT(brighter, bright);
    EXPECT_LE(brighter, 1.0f);
    EXPECT_EQ(PackLight({0, 0, 0}), 0xFF000000u);
    EXPECT_EQ(PackLight({0.8f, 0.4f, 0.2f}), 0xFFCC6633u);
}

TEST(ParallelFor, CoversEveryIndexOnceWhateverTheChunk) {
    for (size_t chunk : {1u, 7u, 64u, 1000u}) {
        std::vector<std::atomic<int>> seen(513);
        ParallelFor(seen.size(), chunk, [&](size_t begin, size_t end) {
            EXPECT_LE(end - begin, chunk);
            for (size_t i = begin; i < end; ++i) {
                ++seen[i];
            }
        });
        for (size_t i = 0; i < seen.size(); ++i) {
            ASSERT_EQ(seen[i].load(), 1) << "index " << i << " with chunks of " << chunk;
        }
    }
    ParallelFor(0, 8, [](size_t, size_t) { FAIL() << "no work for an empty range"; });
}
