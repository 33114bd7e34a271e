// The level builder's parts: number text that reads back exactly, the DDS and X-file writers
// (read back through D3DX), wall openings cut for doors, the exact fill of the ranges in front
// of the object boxes, description errors and the bitmap font.
#include "tools/levelbuild/image_io.h"
#include "tools/levelbuild/level_builder.h"
#include "tools/levelbuild/menus.h"
#include "tools/levelbuild/object_boxes.h"
#include "tools/levelbuild/x_binary_writer.h"
#include "tools/levelbuild/x_writer.h"

#include "d3dx/d3dx8.h"
#include "support/temp_path.h"
#include "support/fake_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace levelbuild;

namespace {

std::string TempPath(const std::string& name) {
    return TestTempPath(name).string();
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

std::vector<Statement> Parse(const std::string& text) {
    std::string path = TempPath("level.txt");
    std::ofstream(path) << text;
    return ReadLevelSource(path);
}

const char* MATERIALS = "material grass - 1 1 1 1 1 before\n"
                        "material pebble - 1 1 1 1 1 before\n"
                        "material door - 1 1 1 1 1\n"
                        "material switch - 1 1 1 1 1\n"
                        "material plaster - 1 1 1 1 1\n";

} // namespace

TEST(LevelBuilder, NumberTextReadsBackAsTheSameFloat) {
    const float values[] = {0.1f, 2.53f, -4.5609f, 1e-7f, 123456.7f, 29.6945f, -0.0f, 7.0f};
    for (float v : values) {
        std::string text = FloatText(v);
        float back = std::strtof(text.c_str(), nullptr);
        EXPECT_EQ(std::memcmp(&back, &v, 4) == 0 || (v == 0 && back == 0), true) << text;
        EXPECT_EQ(text.find('-') == 0, v < 0) << text; // no "-0" in the files
    }
    EXPECT_EQ(FloatText(7.0f), "7.0");
    EXPECT_EQ(FloatText(2.53f), "2.53");
}

TEST(LevelBuilder, DdsHasTheHeaderAndEveryMipLevel) {
    Image image(4, 2);
    // Row 0: red, green, blue, white; row 1: black everywhere, alpha 0.
    image.Set(0, 0, 1, 0, 0);
    image.Set(1, 0, 0, 1, 0);
    image.Set(2, 0, 0, 0, 1);
    image.Set(3, 0, 1, 1, 1);
    std::string path = TempPath("small.dds");
    ASSERT_TRUE(WriteDds(path, image));
    std::vector<uint8_t> b = ReadAll(path);
    // 4 + 124 header bytes, then 4x2, 2x1 and 1x1 levels of 4 bytes per pixel.
    ASSERT_EQ(b.size(), 128u + (8 + 2 + 1) * 4);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "DDS ");
    EXPECT_EQ(U32(b, 4), 124u);
    EXPECT_EQ(U32(b, 12), 2u);  // height
    EXPECT_EQ(U32(b, 16), 4u);  // width
    EXPECT_EQ(U32(b, 20), 16u); // pitch
    EXPECT_EQ(U32(b, 28), 3u);  // mip levels
    EXPECT_EQ(U32(b, 88), 32u); // bits per pixel
    EXPECT_EQ(U32(b, 92), 0x00FF0000u);
    EXPECT_EQ(U32(b, 104), 0xFF000000u);
    // First pixel red: bytes B, G, R, A.
    EXPECT_EQ(b[128], 0);
    EXPECT_EQ(b[130], 255);
    EXPECT_EQ(b[131], 255);
    // Level 1, first pixel: average of red, green (row 0) and two transparent blacks.
    size_t level1 = 128 + 8 * 4;
    EXPECT_EQ(b[level1 + 2], 64);  // red (255 + 0 + 0 + 0 + 2) / 4
    EXPECT_EQ(b[level1 + 1], 64);  // green
    EXPECT_EQ(b[level1 + 3], 128); // alpha (255 + 255 + 0 + 0 + 2) / 4
    // And D3DX reads it with all its levels.
    FakeDevice device;
    LPDIRECT3DTEXTURE8 texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileA(&device, path.c_str(), &texture), D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 3u);
    texture->Release();
}

TEST(LevelBuilder, XFileRoundTripsThroughTheLoaderWithItsLayout) {
    Mesh mesh;
    Vec3 p[4] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}};
    float uv[4][2] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
    AddQuad(mesh, p, uv, 0);
    mesh.vertices[2].color = 0xFF102030;
    Material m;
    m.name = "brick";
    m.texture = "brick.png";
    std::string path = TempPath("quad.x");
    ASSERT_TRUE(WriteXFile(path, "Quad", mesh, {m}, {true, true, true}, "data\\tex\\"));
    std::vector<uint8_t> bytes = ReadAll(path);
    std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(text.rfind("xof 0303txt 0032", 0), 0u);
    EXPECT_NE(text.find("\"data\\\\tex\\\\brick.png\""), std::string::npos);
    EXPECT_NE(text.find("3;0,1,2;,"), std::string::npos);
    EXPECT_NE(text.find("3;0,2,3;;"), std::string::npos);

    FakeDevice device;
    LPD3DXBUFFER materials = nullptr;
    DWORD count = 0;
    LPD3DXMESH loaded = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, &device, nullptr, &materials,
                                &count, &loaded),
              D3D_OK);
    EXPECT_EQ(loaded->GetFVF(), D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    ASSERT_EQ(loaded->GetNumVertices(), 4u);
    BYTE* vb = nullptr;
    loaded->LockVertexBuffer(0, &vb);
    float pos[3];
    std::memcpy(pos, vb + 2 * 36, 12);
    uint32_t color = 0;
    std::memcpy(&color, vb + 2 * 36 + 24, 4);
    float n[3];
    std::memcpy(n, vb + 2 * 36 + 12, 12);
    loaded->UnlockVertexBuffer();
    EXPECT_EQ(pos[0], 1.0f);
    EXPECT_EQ(pos[1], 1.0f);
    EXPECT_EQ(color, 0xFF102030u);
    // Clockwise seen from -z: the normal points to -z.
    EXPECT_EQ(n[2], -1.0f);
    ASSERT_EQ(count, 1u);
    auto* records = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_NE(std::string(records[0].pTextureFilename).find("brick.png"), std::string::npos);
    materials->Release();
    loaded->Release();
}

namespace {

// What the game takes from a model file: its vertex format and bytes, indices, face
// materials and material records.
struct LoadedX {
    DWORD fvf = 0;
    std::vector<uint8_t> vertices, indices;
    std::vector<DWORD> attributes;
    std::vector<std::string> records; // the material bytes and the texture name
};

LoadedX LoadX(const std::string& path) {
    LoadedX out;
    FakeDevice device;
    LPD3DXBUFFER materials = nullptr;
    DWORD count = 0;
    LPD3DXMESH mesh = nullptr;
    if (D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, &device, nullptr, &materials, &count,
                          &mesh) != D3D_OK)
        return out;
    out.fvf = mesh->GetFVF();
    BYTE* p = nullptr;
    mesh->LockVertexBuffer(0, &p);
    out.vertices.assign(p, p + mesh->GetNumVertices() * D3DXGetFVFVertexSize(out.fvf));
    mesh->UnlockVertexBuffer();
    mesh->LockIndexBuffer(0, &p);
    out.indices.assign(p, p + mesh->GetNumFaces() * 6);
    mesh->UnlockIndexBuffer();
    DWORD* attributes = nullptr;
    mesh->LockAttributeBuffer(0, &attributes);
    out.attributes.assign(attributes, attributes + mesh->GetNumFaces());
    mesh->UnlockAttributeBuffer();
    auto* records = static_cast<D3DXMATERIAL*>(materials->GetBufferPointer());
    for (DWORD i = 0; i < count; ++i) {
        std::string record(reinterpret_cast<const char*>(&records[i].MatD3D), sizeof(D3DMATERIAL8));
        out.records.push_back(record + "|" +
                              (records[i].pTextureFilename ? records[i].pTextureFilename : "-"));
    }
    materials->Release();
    mesh->Release();
    return out;
}

} // namespace

TEST(LevelBuilder, BinaryXFileLoadsToExactlyTheTextFilesMesh) {
    // Two quads, odd coordinates and colours, two materials (one without a texture), and each
    // of the layouts the game's models use.
    Mesh mesh;
    Vec3 p[4] = {{-0.1f, 0, 1e-7f}, {0, 1.3f, 0}, {1, 1, -0.0f}, {1.0f / 3, 0, 0}};
    float uv[4][2] = {{0, 1}, {0.1f, 0}, {1, -2.5f}, {1, 1}};
    AddQuad(mesh, p, uv, 0);
    for (Vec3& v : p)
        v.z += 2.0f;
    AddQuad(mesh, p, uv, 1);
    for (size_t i = 0; i < mesh.vertices.size(); ++i)
        mesh.vertices[i].color = 0x01020304u * static_cast<uint32_t>(i + 1) | 0x80000000u;
    Material brick, glass;
    brick.name = "brick";
    brick.texture = "brick.dds";
    glass.name = "glass";
    glass.r = 0.7f;
    glass.a = 0.4f;
    for (const VertexLayout layout :
         {VertexLayout{true, true, true}, VertexLayout{true, false, true},
          VertexLayout{true, false, false}}) {
        const std::string text = TempPath("text.x"), binary = TempPath("binary.x");
        ASSERT_TRUE(WriteXFile(text, "Quads", mesh, {brick, glass}, layout, "data\\tex\\"));
        ASSERT_TRUE(WriteBinaryXFile(binary, "Quads", mesh, {brick, glass}, layout, "data\\tex\\"));
        const std::vector<uint8_t> bytes = ReadAll(binary);
        ASSERT_GE(bytes.size(), 16u);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 16), "xof 0303bin 0032");
        const LoadedX a = LoadX(text), b = LoadX(binary);
        ASSERT_NE(a.fvf, 0u);
        EXPECT_EQ(b.fvf, a.fvf);
        EXPECT_EQ(b.vertices, a.vertices);
        EXPECT_EQ(b.indices, a.indices);
        EXPECT_EQ(b.attributes, a.attributes);
        EXPECT_EQ(b.records, a.records);
        ASSERT_EQ(a.records.size(), 2u);
        // The loader keeps the text file's escaped backslashes as they stand.
        EXPECT_EQ(a.records[0].substr(sizeof(D3DMATERIAL8)), "|data\\\\tex\\\\brick.dds");
    }
}

TEST(LevelBuilder, WallCutsTheOpeningOfItsDoubleDoor) {
    // The entrance wall holds doors 3 and 4 side by side (x 3.25 to 4.75, 2.53 to 4.30 high).
    std::string text = std::string(MATERIALS) +
                       "wall plaster plaster 2.0 20.05 6.0 20.05 2.53 4.83 0.1 door 3 door 4\n";
    LevelScene scene = BuildScene(Parse(text));
    for (const Triangle& t : scene.level.triangles) {
        Vec3 c = (scene.level.vertices[t.a].position + scene.level.vertices[t.b].position +
                  scene.level.vertices[t.c].position) *
                 (1.0f / 3);
        bool inOpening =
            c.x > 3.3f && c.x < 4.7f && c.y > 2.6f && c.y < 4.25f && c.z > 19.99f && c.z < 20.11f;
        ASSERT_FALSE(inOpening) << "a wall face closes the door opening at (" << c.x << ", " << c.y
                                << ", " << c.z << ")";
    }
    // Above the doors the wall is solid, in the model and in the hull.
    bool lintel = false;
    for (const Triangle& t : scene.level.triangles) {
        Vec3 c = (scene.level.vertices[t.a].position + scene.level.vertices[t.b].position +
                  scene.level.vertices[t.c].position) *
                 (1.0f / 3);
        lintel =
            lintel || (c.x > 3.3f && c.x < 4.7f && c.y > 4.35f && std::fabs(c.z - 20.0f) < 1e-3f);
    }
    EXPECT_TRUE(lintel);
    // Hull: a piece above the opening, none across it below the lintel.
    for (const Triangle& t : scene.hull.triangles) {
        for (uint32_t i : {t.a, t.b, t.c}) {
            Vec3 p = scene.hull.vertices[i].position;
            EXPECT_FALSE(p.x > 3.4f && p.x < 4.6f && p.y > 2.6f && p.y < 4.25f)
                << "hull corner inside the opening";
        }
    }
}

TEST(LevelBuilder, TheRangesInFrontOfTheObjectBoxesAreFilledExactly) {
    // Hull pieces: a 2 by 2 slab (3 x 3 grid corners and 8 box corners: 17), a 1 by 1 slab
    // (12) and boxes of 8; 4301 = 17 + 12 + 534 x 8 can be met exactly.
    std::string text = std::string(MATERIALS) + "hullcell 1.0\n" +
                       "paving grass -11 -2.5 17.5 14 0 0.52 0\n" + "filler -10 3 -3 9 0\n" +
                       "hullslab 0 0 2 2 -1 0\n" + "hullslab 5 5 6 6 -1 0\n";
    for (int i = 0; i < 560; ++i) {
        std::string x = std::to_string(i % 28), z = std::to_string(20 + i / 28);
        text += "hullbox " + x + " 0 " + z + " " + x + ".5 1 " + z + ".5\n";
    }
    LevelScene scene = BuildScene(Parse(text));
    LevelModels models = AssembleModels(scene);
    // Object 0's first box corner is vertex 9250 and its first face is face 5474.
    Vec3 pos[24], nrm[24];
    ObjectBox(0, 0, pos, nrm);
    ASSERT_GE(models.level.vertices.size(), 10306u);
    EXPECT_EQ(models.level.vertices[9250].position.x, pos[0].x);
    EXPECT_EQ(models.level.vertices[9250].position.z, pos[0].z);
    const Triangle& first = models.level.triangles[5474];
    EXPECT_EQ(first.a, 9250u);
    EXPECT_EQ(models.level.triangles[5473].a < 9250u, true);
    // Hull: object 0's first hull corner (1, 0, 0) is vertex 4301.
    Vec3 corners[8];
    ObjectHullCorners(0, 0, corners);
    EXPECT_EQ(models.hull.vertices[4301].position.x, corners[0].x);
    EXPECT_EQ(models.hull.vertices[4301].position.z, corners[0].z);
    // Nothing in front of the boxes is left unused.
    std::vector<bool> used(models.level.vertices.size(), false);
    for (const Triangle& t : models.level.triangles) {
        used[t.a] = used[t.b] = used[t.c] = true;
    }
    for (size_t v = 0; v < 9250; ++v) {
        ASSERT_TRUE(used[v]) << v;
    }
}

TEST(LevelBuilder, DescriptionErrorsNameTheirLine) {
    std::string text = std::string(MATERIALS) + "box marble 0 0 0 1 1 1\n";
    try {
        BuildScene(Parse(text));
        FAIL() << "an unknown material was accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("line 6"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("marble"), std::string::npos) << e.what();
    }
    EXPECT_THROW(BuildScene(Parse(std::string(MATERIALS) + "box plaster 0 0 zero 1 1 1\n")),
                 std::runtime_error);
    EXPECT_THROW(BuildScene(Parse("teleport 1 2 3\n")), std::runtime_error);
    // A door that does not stand in the wall is refused rather than cut somewhere else.
    EXPECT_THROW(BuildScene(Parse(std::string(MATERIALS) +
                                  "wall plaster plaster 2 25 6 25 2.53 4.83 0.1 door 3\n")),
                 std::runtime_error);
}

TEST(LevelBuilder, LampsGlowAtTheirCoronaWithItsRangeAndTint) {
    const std::string lampMaterials = std::string(MATERIALS) + "material metal - 1 1 1 1 1\n"
                                                               "material lampshade - 1 1 1 1 1\n";
    // Corona 12 is the reddish wall lamp of the back hall; the arm reaches the wall at z 32.
    LevelScene scene = BuildScene(Parse(lampMaterials + "lamp wall 12 0.65 32.0\nlamp sun 28\n"));
    ASSERT_EQ(scene.lamps.size(), 2u);
    const LampInfo& lamp = scene.lamps[0];
    EXPECT_EQ(lamp.position.x, 0.65f);
    EXPECT_EQ(lamp.position.y, 4.49f);
    EXPECT_EQ(lamp.position.z, 31.68f);
    EXPECT_EQ(lamp.range, 6.0f);
    EXPECT_EQ(lamp.r, 1.0f);
    EXPECT_LT(lamp.b, lamp.g);
    EXPECT_LT(lamp.g, 0.75f);
    // The sun hangs nothing; the wall lamp's cap sits just above its glow.
    EXPECT_EQ(scene.lamps[1].range, 100.0f);
    ASSERT_FALSE(scene.detail.vertices.empty());
    float lowest = 1e9f;
    for (const Vertex& v : scene.detail.vertices) {
        lowest = std::min(lowest, v.position.y);
        EXPECT_LT(std::fabs(v.position.x - 0.65f), 0.1f);
        EXPECT_GT(v.position.z, 31.58f);
        EXPECT_LT(v.position.z, 32.02f);
    }
    EXPECT_NEAR(lowest, 4.49f + 0.1f, 1e-4f);

    for (const char* bad : {"lamp pendant 29 4.73\n", "lamp pendant -1 4.73\n",
                            "lamp pendant 2.5 4.73\n", "lamp pendant four 4.73\n"}) {
        try {
            BuildScene(Parse(lampMaterials + bad));
            ADD_FAILURE() << "accepted " << bad;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("line 8"), std::string::npos) << e.what();
        }
    }
}

TEST(LevelBuilder, FontDrawsTheGlyphPixels) {
    Image image(12, 7);
    int width = DrawText(image, 0, 0, "A", 1, 1, 1, 1);
    EXPECT_EQ(width, 6);
    // 'A' top row is ".###.": pixels 1 to 3 set, 0 and 4 clear; its middle row is full.
    EXPECT_EQ(image.At(0, 0)[3], 0);
    EXPECT_EQ(image.At(1, 0)[0], 255);
    EXPECT_EQ(image.At(3, 0)[0], 255);
    EXPECT_EQ(image.At(4, 0)[3], 0);
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(image.At(x, 3)[0], 255) << x;
    }
    EXPECT_EQ(TextWidth("press any key", 2), 13 * 12 - 2);
}
