// Builder parts that shape what the player sees: stairs made of treads, risers and nosings,
// door stops beside closed leaves, the lawn's running texture and the build's crack check
// against the allowances of the level description.
#include "tools/levelbuild/level_builder.h"
#include "tools/levelbuild/object_boxes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>

using namespace levelbuild;

namespace {

LevelScene Build(const std::string& text) {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / "ovrel_level_parts_test.txt";
    std::ofstream(path) << text;
    return BuildScene(ReadLevelSource(path.string()));
}

Vec3 Normal(const Mesh& m, const Triangle& t) {
    return Normalize(Cross(m.vertices[t.b].position - m.vertices[t.a].position,
                           m.vertices[t.c].position - m.vertices[t.a].position));
}

} // namespace

TEST(LevelParts, StairsHaveTreadsRisersAndNosingsOfTheirOwn) {
    // Four steps of 0.75 by 0.25 climbing +z from (0, 0, 0), 2 wide.
    LevelScene scene = Build("material tread - 1 1 1 1 1\nmaterial riser - 1 1 1 1 1\n"
                             "material nosing - 1 1 1 1 1\n"
                             "stairs tread 0 0 2 3 0 1 +z 4 riser riser nosing nosing nohull\n");
    const Mesh& m = scene.level;
    int treads = 0, risers = 0, nosings = 0;
    for (const Triangle& t : m.triangles) {
        Vec3 n = Normal(m, t);
        if (t.material == 0 && n.y > 0.99f) {
            ++treads;
            // Every tread's texture starts at its own front edge: v is 0 there.
            for (uint32_t i : {t.a, t.b, t.c}) {
                const Vertex& v = m.vertices[i];
                float front = std::round(v.position.y / 0.25f - 1) * 0.75f;
                if (std::fabs(v.position.z - front) < 1e-5f) {
                    EXPECT_NEAR(v.v, 0.0f, 1e-5f) << "tread corner at z " << v.position.z;
                }
            }
        } else if (t.material == 1 && n.z < -0.99f) {
            ++risers;
            // A riser shows only the part above the tread below it.
            float top = 0, bottom = 10;
            for (uint32_t i : {t.a, t.b, t.c}) {
                top = std::max(top, m.vertices[i].position.y);
                bottom = std::min(bottom, m.vertices[i].position.y);
            }
            EXPECT_NEAR(top - bottom, 0.25f, 1e-5f);
        } else if (t.material == 2) {
            ++nosings;
            for (uint32_t i : {t.a, t.b, t.c}) {
                const Vec3& p = m.vertices[i].position;
                // Proud of the riser by 2 cm and no deeper than the tread's front.
                float front = std::round(p.y / 0.25f + 0.4f) * 0.75f - 0.75f;
                EXPECT_GE(p.z, front - 0.02f - 1e-5f);
                EXPECT_LE(p.z, front + 1e-5f);
            }
        }
    }
    EXPECT_EQ(treads, 8);
    EXPECT_EQ(risers, 8);
    EXPECT_EQ(nosings, 4 * 5 * 2); // five faces a step, its back against the riser left out
}

TEST(LevelParts, DoorStopsCloseTheSlitOnTheSideTheLeafDoesNotOpenTo) {
    // The shed door (object 0) stands in a wall along x = 5.05.
    LevelScene scene = Build("material darkwood - 1 1 1 1 1\nmaterial plaster - 1 1 1 1 1\n"
                             "wall plaster plaster 5.05 1.5 5.05 3.5 0.0 2.2 0.16 door 0\n");
    Vec3 closed[24], open[24], normals[24];
    ObjectBox(0, 0, closed, normals);
    ObjectBox(0, 1, open, normals);
    float leafZ0 = 1e9f, leafZ1 = -1e9f, openX = 0;
    for (int i = 0; i < 24; ++i) {
        leafZ0 = std::min(leafZ0, closed[i].z);
        leafZ1 = std::max(leafZ1, closed[i].z);
        openX += (open[i].x - 5.05f) / 24;
    }
    ASSERT_GT(std::fabs(openX), 0.2f) << "the door swings out of the wall";
    int stops = 0;
    bool coversLow = false, coversHigh = false;
    for (const Triangle& t : scene.level.triangles) {
        if (t.material != 0) {
            continue;
        }
        ++stops;
        for (uint32_t i : {t.a, t.b, t.c}) {
            const Vec3& p = scene.level.vertices[i].position;
            // On the far side from the swing, clear of the leaf's 4 cm and the sweep of its
            // hinge corner, within the wall's thickness.
            float across = (p.x - 5.05f) * (openX > 0 ? -1.0f : 1.0f);
            EXPECT_GE(across, 0.028f) << "stop in the leaf's way at z " << p.z;
            EXPECT_LE(across, 0.08f + 1e-5f);
            coversLow = coversLow || (p.z > leafZ0 + 0.01f && p.z < leafZ0 + 0.03f);
            coversHigh = coversHigh || (p.z < leafZ1 - 0.01f && p.z > leafZ1 - 0.03f);
        }
    }
    EXPECT_EQ(stops, 3 * 12); // both jambs and the head
    EXPECT_TRUE(coversLow && coversHigh) << "the stops reach behind both edges of the leaf";
}

TEST(LevelParts, LawnTextureRunsOnAcrossItsSquares) {
    LevelScene lawn = Build("material grass - 1 1 1 1 0.5\npaving grass 0 0 2 2 0 1 0\n");
    LevelScene slabs = Build("material grass - 1 1 1 1 0.5\npaving grass 0 0 2 2 0 1 0.02\n");
    // Without joints, squares meeting at a corner agree on its texture coordinates there.
    std::map<std::pair<float, float>, std::pair<float, float>> seen;
    for (const Vertex& v : lawn.level.vertices) {
        auto key = std::make_pair(v.position.x, v.position.z);
        auto it = seen.emplace(key, std::make_pair(v.u, v.v)).first;
        EXPECT_EQ(it->second.first, v.u) << v.position.x << ", " << v.position.z;
        EXPECT_EQ(it->second.second, v.v) << v.position.x << ", " << v.position.z;
    }
    EXPECT_EQ(seen.size(), 9u);
    // With joints, every slab shows the whole texture.
    for (const Vertex& v : slabs.level.vertices) {
        EXPECT_TRUE(v.u == 0 || v.u == 1) << v.u;
    }
}

TEST(LevelParts, CrackCheckHoldsTheModelsToTheirAllowances) {
    // A tall piece beside two short ones: ten open edges and one T-junction.
    LevelModels models;
    auto square = [&](float x0, float y0, float x1, float y1) {
        Vec3 p[4] = {{x0, y0, 0}, {x0, y1, 0}, {x1, y1, 0}, {x1, y0, 0}};
        AddQuadWorldUv(models.level, p, 0, 1.0f);
    };
    square(0, 0, 1, 2);
    square(1, 0, 2, 1);
    square(1, 1, 2, 2);
    try {
        CheckModelSeams(Build("seams L1.x 10 0\n"), models);
        ADD_FAILURE() << "a T-junction beyond the allowance passed";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("L1.x: 10 open edges (10 allowed), 1 T-junctions (0 "
                                             "allowed)"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_THROW(CheckModelSeams(Build("seams L1.x 9 1\n"), models), std::runtime_error);
    std::string log = CheckModelSeams(Build("seams L1.x 10 1\n"), models);
    EXPECT_NE(log.find("seams of L1.x: 10 open edges"), std::string::npos) << log;
}
