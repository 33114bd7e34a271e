// Light map charts and pages: which floors get charts, marked triangles losing the vertices
// they share with others, markers that repeat the level's triangles exactly, a wall's shadow
// on its chart, the same pages on every run, and the texel encoding that darkens and tints a
// white-lit surface.
#include "tools/levelbuild/light_maps.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>

using namespace levelbuild;

namespace {

// A floor of size by size metres at the origin in cells of one metre, sharing its vertices,
// and a wall standing on its east edge that shares the floor's corner vertices there.
Mesh FloorAndWall(int size) {
    Mesh mesh;
    Vec3 p[4] = {{0, 0, 0},
                 {0, 0, static_cast<float>(size)},
                 {static_cast<float>(size), 0, static_cast<float>(size)},
                 {static_cast<float>(size), 0, 0}};
    AddGridQuad(mesh, p, 0, 1.0f, 1.0f);
    uint32_t a = 0, b = 0;
    for (uint32_t i = 0; i < mesh.vertices.size(); ++i) {
        const Vec3& q = mesh.vertices[i].position;
        if (q.x == size && q.z == 0) {
            a = i;
        }
        if (q.x == size && q.z == size) {
            b = i;
        }
    }
    Vertex top = mesh.vertices[a];
    top.position.y = 3;
    top.normal = {-1, 0, 0};
    uint32_t c = mesh.Add(top);
    top.position.z = static_cast<float>(size);
    uint32_t d = mesh.Add(top);
    mesh.Tri(a, c, d, 1);
    mesh.Tri(a, d, b, 1);
    return mesh;
}

std::array<uint32_t, 9> Key(const Mesh& mesh, const Triangle& t) {
    std::array<uint32_t, 9> key{};
    int k = 0;
    for (uint32_t i : {t.a, t.b, t.c}) {
        std::memcpy(&key[3 * k++], &mesh.vertices[i].position, 12);
    }
    return key;
}

// The colour a surface of the given brightness shows once the texel is blended over it.
float Blend(const uint8_t texel[4], int channel, float surface) {
    float a = texel[3] / 255.0f;
    return texel[channel] / 255.0f * a + surface * (1 - a);
}

} // namespace

TEST(LightMapCharts, LargeEligibleFloorsAreChartedAndKeepNoSharedVertex) {
    Mesh mesh = FloorAndWall(4);
    std::vector<bool> eligible(mesh.triangles.size(), true);
    LightMapOptions options;
    LightMapCharts charts = ChooseCharts(mesh, eligible, options);
    ASSERT_EQ(charts.charts.size(), 1u);
    EXPECT_EQ(charts.charts[0].size(), 32u); // the floor's 16 cells; the wall is no floor
    size_t before = mesh.vertices.size();
    std::vector<Vec3> positions;
    for (const Vertex& v : mesh.vertices) {
        positions.push_back(v.position);
    }
    SeparateMarkedVertices(mesh, charts.marked);
    // Only the two corners the wall shares are copied; earlier vertices stay where they were.
    EXPECT_EQ(mesh.vertices.size(), before + 2);
    for (size_t i = 0; i < before; ++i) {
        EXPECT_EQ(std::memcmp(&mesh.vertices[i].position, &positions[i], 12), 0) << i;
    }
    std::set<uint32_t> marked, unmarked;
    for (size_t t = 0; t < mesh.triangles.size(); ++t) {
        const Triangle& tri = mesh.triangles[t];
        for (uint32_t i : {tri.a, tri.b, tri.c}) {
            (charts.marked[t] ? marked : unmarked).insert(i);
        }
    }
    for (uint32_t i : marked) {
        EXPECT_EQ(unmarked.count(i), 0u) << "vertex " << i << " is shared";
    }

    // A floor too small, or one not allowed, gets no chart.
    Mesh small = FloorAndWall(1);
    EXPECT_TRUE(ChooseCharts(small, std::vector<bool>(small.triangles.size(), true), options)
                    .charts.empty());
    std::vector<bool> none(mesh.triangles.size(), false);
    EXPECT_TRUE(ChooseCharts(mesh, none, options).charts.empty());
}

TEST(LightMapPages, MarkersRepeatTheChartsAndTheWallShadowsItsFloor) {
    Mesh mesh = FloorAndWall(4);
    LightMapOptions options;
    options.pageSize = 256;
    LightMapCharts charts =
        ChooseCharts(mesh, std::vector<bool>(mesh.triangles.size(), true), options);
    SeparateMarkedVertices(mesh, charts.marked);
    RayScene rays;
    rays.AddMesh(mesh);
    rays.Build();
    LightRig rig;
    rig.toSun = Normalize({1, 1, 0}); // low in the east: the wall shades a strip west of it
    rig.sun = {0.8f, 0.8f, 0.8f};
    std::vector<Rgb> soft(mesh.vertices.size(), Rgb{0.2f, 0.2f, 0.2f});
    LightMapResult maps = BakeLightMaps(rig, rays, mesh, charts, soft, options);
    ASSERT_EQ(maps.pages.size(), 1u);
    ASSERT_EQ(maps.markers.triangles.size(), 32u);

    std::set<std::array<uint32_t, 9>> level;
    for (const Triangle& t : mesh.triangles) {
        level.insert(Key(mesh, t));
    }
    for (const Triangle& t : maps.markers.triangles) {
        EXPECT_TRUE(level.count(Key(maps.markers, t)));
    }
    // Sample the page where two floor points land: one in the sun, one in the wall's shadow
    // (the wall is 3 high, so with the sun at 45 degrees it shades the last 3 metres).
    auto texelAt = [&](float x, float z) {
        for (const Triangle& t : maps.markers.triangles) {
            const Vertex& a = maps.markers.vertices[t.a];
            const Vertex& b = maps.markers.vertices[t.b];
            const Vertex& c = maps.markers.vertices[t.c];
            // The mapping is linear in x and z: solve it from the triangle.
            float det = (b.position.x - a.position.x) * (c.position.z - a.position.z) -
                        (c.position.x - a.position.x) * (b.position.z - a.position.z);
            float s = ((x - a.position.x) * (c.position.z - a.position.z) -
                       (c.position.x - a.position.x) * (z - a.position.z)) /
                      det;
            float r = ((b.position.x - a.position.x) * (z - a.position.z) -
                       (x - a.position.x) * (b.position.z - a.position.z)) /
                      det;
            if (s < 0 || r < 0 || s + r > 1) {
                continue;
            }
            float u = a.u + (b.u - a.u) * s + (c.u - a.u) * r;
            float v = a.v + (b.v - a.v) * s + (c.v - a.v) * r;
            EXPECT_TRUE(u > 0 && u < 1 && v > 0 && v < 1);
            return maps.pages[0].At(static_cast<int>(u * options.pageSize),
                                    static_cast<int>(v * options.pageSize));
        }
        ADD_FAILURE() << "no marker over " << x << ", " << z;
        return maps.pages[0].At(0, 0);
    };
    const uint8_t* sunny = texelAt(0.5f, 2.0f);
    const uint8_t* shaded = texelAt(2.5f, 2.0f);
    // Sun 0.8 * cos 45 plus the soft 0.2 against the soft 0.2 alone.
    EXPECT_NEAR(Blend(sunny, 0, 1.0f), 0.2f + 0.8f * 0.70710678f, 0.01f);
    EXPECT_NEAR(Blend(shaded, 0, 1.0f), 0.2f, 0.01f);

    // The same bake again, byte for byte.
    LightMapResult again = BakeLightMaps(rig, rays, mesh, charts, soft, options);
    EXPECT_EQ(again.pages[0].rgba, maps.pages[0].rgba);
}

TEST(LightMapTexels, BlendedOverAWhiteLitSurfaceTheyGiveTheLight) {
    uint8_t texel[4];
    EncodeLightTexel({10, 10, 10}, texel);
    EXPECT_EQ(texel[3], 0); // full light leaves the surface as it is
    EncodeLightTexel({0, 0, 0}, texel);
    EXPECT_EQ(texel[3], 255);
    EXPECT_EQ(texel[0], 0);
    // A warm lamp light over a white and a middle grey surface.
    const Rgb warm{0.7f, 0.6f, 0.4f};
    EncodeLightTexel(warm, texel);
    EXPECT_NEAR(Blend(texel, 2, 1.0f), 0.4f, 0.01f);
    EXPECT_NEAR(Blend(texel, 0, 0.5f), 0.35f, 0.01f);
    EXPECT_NEAR(Blend(texel, 1, 0.5f), 0.30f, 0.01f);
    EXPECT_NEAR(Blend(texel, 2, 0.5f), 0.20f, 0.01f);
}
