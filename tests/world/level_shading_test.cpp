// Both shading treatments of the level on small meshes: the exact-match whitening against the
// shadow markers, and the grey shade from the normals.
#include "core/engine_state.h"
#include "world/level_shading.h"
#include "world/world_models.h"
#include "support/memory_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

constexpr D3DCOLOR FILE_COLOR = 0xFF336699;

class LevelShadingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        levelModels[LEVEL_MODEL].mesh = &level;
        levelModels[SHADOW_MARKER_MODEL].mesh = &marker;
        // Four level triangles over eight vertices.
        const Vec3 positions[8] = {Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(2, 0, 0),
                                   Vec3(3, 0, 0), Vec3(2, 1, 0), Vec3(5, 5, 5), Vec3(6, 5, 5)};
        for (int i = 0; i < 8; ++i) {
            LevelVertex& v = level.Vertices<LevelVertex>()[i];
            v.position = positions[i];
            v.normal = Vec3(0, 1, 0);
            v.diffuse = FILE_COLOR;
        }
        const WORD levelIndices[12] = {0, 1, 2, 3, 4, 5, 6, 7, 2, 5, 6, 7};
        std::memcpy(level.Indices(), levelIndices, sizeof levelIndices);
    }
    void TearDown() override {
        levelModels[LEVEL_MODEL].mesh = nullptr;
        levelModels[SHADOW_MARKER_MODEL].mesh = nullptr;
        engine.trueShadows = 1;
    }

    void SetMarker(int face, Vec3 a, Vec3 b, Vec3 c) {
        TexturedVertex* v = marker.Vertices<TexturedVertex>();
        v[3 * face] = {a, Vec3(0, 1, 0), 0.25f, 0.5f};
        v[3 * face + 1] = {b, Vec3(0, 1, 0), 0.25f, 0.5f};
        v[3 * face + 2] = {c, Vec3(0, 1, 0), 0.25f, 0.5f};
        WORD* i = marker.Indices();
        i[3 * face] = static_cast<WORD>(3 * face);
        i[3 * face + 1] = static_cast<WORD>(3 * face + 1);
        i[3 * face + 2] = static_cast<WORD>(3 * face + 2);
    }
    D3DCOLOR ColorOf(int vertex) { return level.Vertices<LevelVertex>()[vertex].diffuse; }

    MemoryMesh level{LEVEL_VERTEX_FVF, 8, 4};
    MemoryMesh marker{TEXTURED_VERTEX_FVF, 9, 3};
};

} // namespace

TEST_F(LevelShadingTest, TrueShadowsWhitenOnlyExactlyRepeatedTriangles) {
    engine.trueShadows = 1;
    // Face 0 repeated exactly (with a negative zero, which equals zero); face 1 repeated with
    // its corners rotated; faces 2 and 3 have no counterpart but one is off by one float step.
    SetMarker(0, Vec3(-0.0f, 0, 0), Vec3(1, 0, 0), Vec3(0, 1, 0));
    SetMarker(1, Vec3(3, 0, 0), Vec3(2, 1, 0), Vec3(2, 0, 0));
    SetMarker(2, Vec3(5, 5, 5), Vec3(6, 5, 5), Vec3(0, std::nextafter(1.0f, 2.0f), 0));
    const std::vector<BYTE> markerBefore = marker.vertexBuffer.bytes;

    PrepareLevelShading();

    EXPECT_EQ(ColorOf(0), 0xFFFFFFFFu);
    EXPECT_EQ(ColorOf(1), 0xFFFFFFFFu);
    // Vertex 2 is shared with face 2, which keeps the white for it too.
    EXPECT_EQ(ColorOf(2), 0xFFFFFFFFu);
    for (int v : {3, 4, 5, 6, 7})
        EXPECT_EQ(ColorOf(v), FILE_COLOR) << "vertex " << v;
    EXPECT_EQ(marker.vertexBuffer.bytes, markerBefore);
    EXPECT_TRUE(level.Balanced());
    EXPECT_TRUE(marker.Balanced());
}

TEST_F(LevelShadingTest, LaterMatchOfARepeatedTriangleIsFound) {
    engine.trueShadows = 1;
    SetMarker(0, Vec3(9, 9, 9), Vec3(8, 8, 8), Vec3(7, 7, 7));
    SetMarker(1, Vec3(9, 9, 9), Vec3(8, 8, 8), Vec3(7, 7, 7));
    SetMarker(2, Vec3(2, 0, 0), Vec3(3, 0, 0), Vec3(2, 1, 0));
    PrepareLevelShading();
    EXPECT_EQ(ColorOf(3), 0xFFFFFFFFu);
    EXPECT_EQ(ColorOf(0), FILE_COLOR);
}

TEST_F(LevelShadingTest, WithoutTrueShadowsNormalsGiveGreyShades) {
    engine.trueShadows = 0;
    // SHADE_LIGHT_DIR is (0.4, 0.4, -0.3) / sqrt(0.41) = (0.624695, 0.624695, -0.468521).
    LevelVertex* v = level.Vertices<LevelVertex>();
    v[0].normal = Vec3(0.624695f, 0.624695f, -0.468521f);  // along the light: d = 1
    v[1].normal = Vec3(-0.624695f, -0.624695f, 0.468521f); // away: d = -1
    v[2].normal = Vec3(0.707107f, -0.707107f, 0.0f);       // at right angles: d = 0
    v[3].normal = Vec3(0.0f, 1.0f, 0.0f);                  // d = 0.624695: 207.96
    v[4].normal = Vec3(0.0f, 0.0f, 0.0f);                  // d = 0
    v[5].normal = Vec3(0.0f, 0.0f, 1.0f);                  // d = -0.468521: 68.03
    PrepareLevelShading();
    EXPECT_EQ(ColorOf(0), 0xFFFFFFFFu);
    EXPECT_EQ(ColorOf(1), 0xFF000000u);
    EXPECT_EQ(ColorOf(2), 0xFF808080u);
    EXPECT_EQ(ColorOf(3), 0xFFCFCFCFu);
    EXPECT_EQ(ColorOf(4), 0xFF808080u);
    EXPECT_EQ(ColorOf(5), 0xFF444444u);
    EXPECT_TRUE(level.Balanced());
    EXPECT_TRUE(marker.Balanced());
}
