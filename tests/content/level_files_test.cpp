// The built data folder: every model loads with the vertex layout the engine writes into,
// counts and ranges are met, faces come grouped by material, textures and images load, the
// water covers the pool and every shadow marker repeats a level triangle exactly.
#include "level_data.h"

#include "d3dx/d3dx8.h"
#include "d3dx/image_decoded.h"
#include "d3dx/image_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

using namespace leveltest;

namespace {

const LoadedModel& Model(const std::string& file) {
    static std::map<std::string, LoadedModel> cache;
    auto it = cache.find(file);
    if (it == cache.end()) {
        it = cache.emplace(file, LoadModel(file)).first;
    }
    return it->second;
}

} // namespace

TEST(LevelFiles, ModelsCarryTheVertexLayoutsTheEngineWritesInto) {
    struct Expect {
        const char* file;
        uint32_t stride;
        uint32_t fvf;
    };
    const Expect expects[] = {
        {"L1.x", 36, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1},
        {"L1add0.x", 32, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1},
        {"L1add5.x", 32, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1},
        {"L1add3.x", 24, D3DFVF_XYZ | D3DFVF_NORMAL},
    };
    for (const Expect& e : expects) {
        const LoadedModel& m = Model(e.file);
        ASSERT_TRUE(m.loaded) << m.error;
        EXPECT_EQ(m.stride, e.stride) << e.file;
        EXPECT_EQ(m.fvf, e.fvf) << e.file;
    }
    for (const char* file : {"L1add1.x", "L1add2.x", "L1add4.x", "kelmar.x"}) {
        const LoadedModel& m = Model(file);
        ASSERT_TRUE(m.loaded) << m.error;
        EXPECT_GT(m.Faces(), 0u) << file;
    }
}

TEST(LevelFiles, CountsCoverTheFixedVertexAndFaceRanges) {
    const LoadedModel& level = Model("L1.x");
    ASSERT_TRUE(level.loaded);
    EXPECT_GE(level.positions.size(), 10306u); // 9250 + 44 boxes of 24
    EXPECT_GE(level.Faces(), 6002u);           // 5474 + 44 boxes of 12
    EXPECT_LT(level.positions.size(), 65536u);
    const LoadedModel& hull = Model("L1add3.x");
    ASSERT_TRUE(hull.loaded);
    EXPECT_GE(hull.positions.size(), 4653u); // 4301 + 44 boxes of 8
    EXPECT_LT(hull.positions.size(), 65536u);
    EXPECT_GE(Model("L1add5.x").positions.size(), 42u);
    // The geometry in front of the boxes is used, not padding: every vertex below 9250 belongs
    // to some face.
    std::vector<bool> used(level.positions.size(), false);
    for (uint16_t i : level.indices) {
        used[i] = true;
    }
    for (size_t v = 0; v < 9250; ++v) {
        ASSERT_TRUE(used[v]) << "level vertex " << v << " is not part of any face";
    }
    std::vector<bool> hullUsed(hull.positions.size(), false);
    for (uint16_t i : hull.indices) {
        hullUsed[i] = true;
    }
    for (size_t v = 0; v < hull.positions.size(); ++v) {
        ASSERT_TRUE(hullUsed[v]) << "hull vertex " << v << " is not part of any face";
    }
}

TEST(LevelFiles, FacesAreGroupedByMaterialInAscendingOrder) {
    for (const char* file : {"L1.x", "L1add0.x", "L1add1.x", "L1add2.x", "L1add3.x", "L1add4.x",
                             "L1add5.x", "kelmar.x"}) {
        const LoadedModel& m = Model(file);
        ASSERT_TRUE(m.loaded) << file;
        for (size_t f = 1; f < m.attributes.size(); ++f) {
            ASSERT_LE(m.attributes[f - 1], m.attributes[f]) << file << " face " << f;
        }
    }
}

TEST(LevelFiles, EveryTextureAModelNamesExistsAndLoads) {
    std::set<std::string> names;
    for (const char* file :
         {"L1.x", "L1add0.x", "L1add1.x", "L1add2.x", "L1add4.x", "L1add5.x", "kelmar.x"}) {
        const LoadedModel& m = Model(file);
        ASSERT_TRUE(m.loaded) << file;
        for (const std::string& t : m.textures) {
            if (!t.empty()) {
                names.insert(t);
            }
        }
    }
    EXPECT_GE(names.size(), 10u);
    for (const std::string& name : names) {
        // Stored relative to the working folder, which is the build's output folder; the
        // platform turns the backslashes into slashes.
        EXPECT_EQ(name.rfind("data\\", 0), 0u) << name;
        unsigned w = 0, h = 0;
        EXPECT_TRUE(LoadsAsTexture(std::string(OVREL_OUTPUT_DIR) + "/" + name, w, h)) << name;
        EXPECT_GT(w, 0u) << name;
        // A DDS with every level, so that the game builds none at start-up.
        std::string path = std::string(OVREL_OUTPUT_DIR) + "/" + name;
        std::replace(path.begin(), path.end(), '\\', '/');
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        DecodedImage image;
        std::string error;
        ASSERT_TRUE(DecodeImage(bytes.data(), bytes.size(), image, error)) << name << ": " << error;
        EXPECT_STREQ(image.type, "DDS") << name;
        EXPECT_EQ(image.levels.size(), FullMipCount(w, h)) << name;
    }
}

TEST(LevelFiles, TheNineImagesLoadWithTheirSizes) {
    struct Expect {
        const char* file;
        unsigned width, height;
    };
    const Expect expects[] = {
        {"sprite.obr", 0, 0},    {"test4.dds", 64, 64},   {"temp2.dds", 0, 0},
        {"test10.dds", 16, 16},  {"test11.dds", 0, 0},    {"point.dds", 8, 8},
        {"menu0.obr", 512, 512}, {"menu1.obr", 512, 512}, {"menu2.obr", 512, 512}};
    for (const Expect& e : expects) {
        unsigned w = 0, h = 0;
        ASSERT_TRUE(LoadsAsTexture(std::string(OVREL_OUTPUT_DIR) + "/data\\" + e.file, w, h))
            << e.file;
        if (e.width) {
            EXPECT_EQ(w, e.width) << e.file;
            EXPECT_EQ(h, e.height) << e.file;
        }
    }
}

TEST(LevelFiles, WaterSurfaceSpansThePoolAtItsLevel) {
    const LoadedModel& water = Model("L1add5.x");
    const LoadedModel& level = Model("L1.x");
    ASSERT_TRUE(water.loaded && level.loaded);
    std::vector<Tri> tris;
    for (size_t f = 0; f < level.Faces(); ++f) {
        tris.push_back({level.Corner(f, 0), level.Corner(f, 1), level.Corner(f, 2)});
    }
    TriangleGrid grid(tris);
    double xlo = 1e9, xhi = -1e9, zlo = 1e9, zhi = -1e9;
    for (size_t v = 0; v < 42; ++v) {
        V3 p = water.P(v);
        EXPECT_NEAR(p.y, 2.3, 1e-5) << "water vertex " << v;
        xlo = std::min(xlo, p.x), xhi = std::max(xhi, p.x);
        zlo = std::min(zlo, p.z), zhi = std::max(zhi, p.z);
    }
    V3 centre{(xlo + xhi) / 2, 2.25, (zlo + zhi) / 2};
    int deep = 0;
    for (size_t v = 0; v < 42; ++v) {
        // Under each moving vertex, just inside the basin, lies pool geometry; over most of
        // the surface it is the basin floor below the drained level of 1.0.
        V3 p = water.P(v);
        V3 inside{p.x + (centre.x > p.x ? 0.05 : -0.05), 2.25,
                  p.z + (centre.z > p.z ? 0.05 : -0.05)};
        double hit = grid.Ray(inside, {0, -1, 0}, 5);
        ASSERT_GE(hit, 0) << "nothing under water vertex " << v;
        EXPECT_GT(hit, 0.3) << "water vertex " << v << " is barely above the ground";
        deep += inside.y - hit < 1.0;
    }
    EXPECT_GE(deep, 21) << "the drained pool uncovers too little floor";
    // Both wave centres lie on the surface (centre A on its northern edge).
    EXPECT_TRUE(-3 >= xlo && -3 <= xhi && 22 >= zlo - 1e-4 && 22 <= zhi + 1e-4);
    EXPECT_TRUE(-6 >= xlo && -6 <= xhi && 17 >= zlo && 17 <= zhi);
}

TEST(LevelFiles, EveryShadowMarkerRepeatsALevelTriangleExactly) {
    const LoadedModel& markers = Model("L1add0.x");
    const LoadedModel& level = Model("L1.x");
    ASSERT_TRUE(markers.loaded && level.loaded);
    ASSERT_GT(markers.Faces(), 0u);
    auto key = [](const LoadedModel& m, size_t f) {
        std::array<uint32_t, 9> k{};
        for (int c = 0; c < 3; ++c) {
            std::memcpy(&k[c * 3], m.positions[m.indices[f * 3 + c]].data(), 12);
        }
        return k;
    };
    std::set<std::array<uint32_t, 9>> levelTriangles;
    for (size_t f = 0; f < level.Faces(); ++f) {
        levelTriangles.insert(key(level, f));
    }
    for (size_t f = 0; f < markers.Faces(); ++f) {
        EXPECT_TRUE(levelTriangles.count(key(markers, f))) << "marker face " << f;
    }
}

TEST(LevelFiles, HullFacesHaveArea) {
    const LoadedModel& hull = Model("L1add3.x");
    ASSERT_TRUE(hull.loaded);
    for (size_t f = 0; f < hull.Faces(); ++f) {
        V3 n = Cross(hull.Corner(f, 1) - hull.Corner(f, 0), hull.Corner(f, 2) - hull.Corner(f, 0));
        ASSERT_GT(Length(n), 1e-6) << "hull face " << f << " is degenerate";
    }
}
