// Loading the level from a data folder the test writes: failures name the file, the models
// and images land in their slots, the lights and the corona buffer are set, the shading is
// prepared and the collectibles are placed.
#include "core/startup_warnings.h"
#include "world/corona_tables.h"
#include "world/level_loader.h"
#include "world/world_models.h"
#include "world/level_files.h"
#include "render/render_test_util.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const char* const IMAGES[] = {"sprite.obr", "test4.dds", "temp2.dds", "test10.dds", "test11.dds",
                              "point.dds",  "menu0.obr", "menu1.obr", "menu2.obr"};

class LevelLoading : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        home = fs::current_path();
        char pattern[] = "/tmp/ovrel_level_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        fs::create_directory(folder / "data");
        fs::current_path(folder);
        OpenDevice();
    }
    void TearDown() override {
        for (MeshModel& model : levelModels)
            ReleaseMeshModel(model);
        ReleaseMeshModel(skyBoxModel);
        ReleaseMeshModel(collectibleModel);
        DeviceTest::TearDown();
        fs::current_path(home);
        fs::remove_all(folder);
    }

    void WriteImages() {
        for (const char* name : IMAGES)
            ASSERT_TRUE(WriteBmp("data/" + std::string(name), 200, 100, 50));
    }
    // Every model with the layout and the vertex and face ranges the engine addresses.
    void WriteModels(bool levelColors = true) {
        ASSERT_TRUE(WriteBmp("tex.bmp", 10, 20, 30));
        ASSERT_TRUE(WriteStripX("data/L1.x", 10306, 6002, true, levelColors, true,
                                {{1.0f, "tex.bmp"}, {0.0f, "missing.bmp"}}));
        // The marker repeats the level's first triangle exactly.
        ASSERT_TRUE(WriteStripX("data/L1add0.x", 3, 1, true, false, true, {{1.0f, nullptr}}));
        ASSERT_TRUE(WriteStripX("data/L1add2.x", 4, 2, true, false, true, {{0.0f, nullptr}}));
        ASSERT_TRUE(WriteStripX("data/L1add5.x", 42, 40, true, false, true, {{0.5f, nullptr}}));
        ASSERT_TRUE(WriteStripX("data/L1add3.x", 4653, 20, true, false, false, {}));
        ASSERT_TRUE(WriteStripX("data/L1add1.x", 4, 2, true, false, true, {{1.0f, nullptr}}));
        ASSERT_TRUE(WriteStripX("data/L1add4.x", 4, 2, false, false, true, {{1.0f, nullptr}}));
        ASSERT_TRUE(WriteStripX("data/kelmar.x", 5, 3, true, false, false, {{1.0f, nullptr}}));
    }

    fs::path home;
    fs::path folder;
};

} // namespace

TEST_F(LevelLoading, MissingImageFailsAndNamesTheFile) {
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(LoadLevel(), E_FAIL);
    EXPECT_STREQ(LoadLevelFailedFile(), "data\\sprite.obr");
    EXPECT_STREQ(LoadLevelFailedNoun(), "image");
    EXPECT_FALSE(Win32GetErrorText().empty());
    EXPECT_EQ(engine.spriteTextures[0], nullptr);
}

TEST_F(LevelLoading, MissingMenuImageIsNamedAsOne) {
    ASSERT_FALSE(HasFatalFailure());
    WriteImages();
    fs::remove("data/menu1.obr");
    EXPECT_EQ(LoadLevel(), E_FAIL);
    EXPECT_STREQ(LoadLevelFailedFile(), "data\\menu1.obr");
    EXPECT_STREQ(LoadLevelFailedNoun(), "menu image");
    EXPECT_EQ(Win32GetErrorText(), "cannot read data/menu1.obr: No such file or directory");
}

TEST_F(LevelLoading, MissingModelFailsAfterTheImages) {
    ASSERT_FALSE(HasFatalFailure());
    WriteImages();
    EXPECT_EQ(LoadLevel(), E_FAIL);
    EXPECT_STREQ(LoadLevelFailedFile(), "data\\L1.x");
    EXPECT_STREQ(LoadLevelFailedNoun(), "level model");
    for (int slot : {0, 2, 3, 4, 5, 6})
        EXPECT_NE(engine.spriteTextures[slot], nullptr) << "slot " << slot;
    EXPECT_EQ(engine.spriteTextures[1], nullptr);
    for (int slot = 0; slot < 3; ++slot)
        EXPECT_NE(engine.menuTextures[slot], nullptr) << "menu slot " << slot;
}

TEST_F(LevelLoading, LevelWithoutVertexColoursIsRefused) {
    ASSERT_FALSE(HasFatalFailure());
    WriteImages();
    WriteModels(false);
    EXPECT_EQ(LoadLevel(), E_FAIL);
    EXPECT_STREQ(LoadLevelFailedFile(), "data\\L1.x");
    EXPECT_EQ(Win32GetErrorText(), "data/L1.x: vertex format 0x112 where the engine needs 0x152");
}

TEST_F(LevelLoading, ShortHullIsRefused) {
    ASSERT_FALSE(HasFatalFailure());
    WriteImages();
    WriteModels();
    ASSERT_TRUE(WriteStripX("data/L1add3.x", 4652, 20, true, false, false, {}));
    EXPECT_EQ(LoadLevel(), E_FAIL);
    EXPECT_STREQ(LoadLevelFailedFile(), "data\\L1add3.x");
    EXPECT_EQ(
        Win32GetErrorText(),
        "data/L1add3.x: 4652 vertices and 20 faces where the engine needs at least 4653 and 0");
}

TEST_F(LevelLoading, LoadsModelsLightsCoronasShadingAndCollectibles) {
    ASSERT_FALSE(HasFatalFailure());
    WriteImages();
    WriteModels();
    engine.trueShadows = 1;
    for (int i = 0; i < COLLECTIBLE_CAPACITY; ++i)
        engine.collectibleActive[i] = 0;
    ASSERT_EQ(LoadLevel(), S_OK) << LoadLevelFailedFile() << ": " << Win32GetErrorText();
    EXPECT_STREQ(LoadLevelFailedFile(), "");

    // Models, with each material's ambient copied from its diffuse colour.
    const MeshModel& level = levelModels[LEVEL_MODEL];
    EXPECT_EQ(level.faceCount, 6002u);
    ASSERT_EQ(level.materialCount, 2u);
    EXPECT_NE(level.textures[0], nullptr);
    EXPECT_EQ(level.textures[1], nullptr); // a missing texture is no error
    EXPECT_EQ(level.materials[1].Ambient.a, 0.0f);
    EXPECT_EQ(level.materials[0].Ambient.r, 0.5f);
    EXPECT_EQ(level.materials[0].Ambient.b, 1.0f);
    EXPECT_EQ(levelModels[WATER_MODEL].materials[0].Ambient.a, 0.5f);
    ASSERT_EQ(levelModels[WATER_MODEL].materialCount, 1u);
    EXPECT_EQ(levelModels[WATER_MODEL].textures[0], nullptr); // the material names no texture
    EXPECT_EQ(levelModels[HULL_MODEL].materialCount, 0u);
    EXPECT_NE(skyBoxModel.mesh, nullptr);
    EXPECT_EQ(collectibleModel.faceCount, 3u);

    // Lights: set, but left disabled.
    D3DLIGHT8 light = {};
    engine.device->GetLight(0, &light);
    EXPECT_EQ(light.Type, D3DLIGHT_DIRECTIONAL);
    EXPECT_EQ(light.Direction.y, -2.9f);
    EXPECT_EQ(light.Diffuse.g, 1.0f);
    EXPECT_EQ(light.Diffuse.a, 0.0f);
    engine.device->GetLight(1, &light);
    EXPECT_EQ(light.Type, D3DLIGHT_POINT);
    EXPECT_EQ(light.Position.x, 4.5f);
    EXPECT_EQ(light.Range, 6.0f);
    EXPECT_EQ(light.Attenuation1, 0.3f);

    // Corona buffer: positions, and colours packed by truncation with alpha 0:
    // 0.96 * 255 = 244.8 -> 0xF4, 0.76 * 255 = 193.8 -> 0xC1, 0.61 * 255 = 155.55 -> 0x9B,
    // 0.69 * 255 = 175.95 -> 0xAF.
    BYTE* data = nullptr;
    ASSERT_EQ(engine.coronaVertexBuffer->Lock(0, 0, &data, 0), S_OK);
    const auto* corona = reinterpret_cast<const CoronaVertex*>(data);
    EXPECT_EQ(corona[0].position, Vec3(-8.0f, 4.29f, 25.25f));
    EXPECT_EQ(corona[28].position, Vec3(41.0f, 32.5f, -39.5f));
    EXPECT_EQ(corona[0].color, 0x00FFF4C1u);
    EXPECT_EQ(corona[9].color, 0x00FFFFFFu);
    EXPECT_EQ(corona[7].color, 0x00FFF49Bu);
    EXPECT_EQ(corona[12].color, 0x00FFAF9Bu);
    EXPECT_EQ(corona[28].color, 0x00FFFFFFu);
    engine.coronaVertexBuffer->Unlock();
    EXPECT_EQ(coronaRanges[4], 15.0f);

    // True shadows: the level's first triangle is whitened, the rest keeps the file's colour
    // (0.2, 0.4, 0.6 -> 0x33, 0x66, 0x99).
    ASSERT_EQ(level.mesh->LockVertexBuffer(0, &data), S_OK);
    const auto* vertices = reinterpret_cast<const LevelVertex*>(data);
    EXPECT_EQ(vertices[0].diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(vertices[2].diffuse, 0xFFFFFFFFu);
    EXPECT_EQ(vertices[3].diffuse, 0xFF336699u);
    level.mesh->UnlockVertexBuffer();

    for (int i = 0; i < COLLECTIBLE_COUNT; ++i)
        EXPECT_EQ(engine.collectibleActive[i], 1) << "collectible " << i;
    EXPECT_EQ(engine.collectiblePositions[9], Vec3(-4.1f, 5.4f, 29.9f));
}

// A missing texture leaves a white surface; the player is told once per file, with the model
// that names it, and the level still loads.
TEST_F(LevelLoading, TextureThatCannotBeLoadedWarnsOncePerFile) {
    ASSERT_FALSE(HasFatalFailure());
    WriteImages();
    WriteModels();
    ASSERT_TRUE(WriteStripX("data/kelmar.x", 5, 3, true, false, false,
                            {{1.0f, "missing.bmp"}, {0.5f, "data\\gone.dds"}, {0.2f, ""}}));
    ASSERT_TRUE(WriteStripX("data/L1add1.x", 4, 2, true, false, true,
                            {{1.0f, "data\\gone.dds"}, {1.0f, "missing.bmp"}}));
    std::FILE* broken = std::fopen("broken.bmp", "wb");
    ASSERT_NE(broken, nullptr);
    std::fputs("BM not really", broken);
    std::fclose(broken);
    ASSERT_TRUE(WriteStripX("data/L1add2.x", 4, 2, true, false, true, {{0.0f, "broken.bmp"}}));
    ClearStartupWarnings();
    ASSERT_EQ(LoadLevel(), S_OK) << LoadLevelFailedFile() << ": " << Win32GetErrorText();
    const std::vector<std::string>& warnings = StartupWarnings();
    ASSERT_EQ(warnings.size(), 3u);
    EXPECT_EQ(warnings[0], "cannot load the texture missing.bmp named by data/L1.x: No such file "
                           "or directory; its surfaces are drawn without it");
    EXPECT_EQ(warnings[1].rfind("cannot load the texture broken.bmp named by data/L1add2.x: ", 0),
              0u)
        << warnings[1];
    EXPECT_EQ(warnings[2], "cannot load the texture data/gone.dds named by data/L1add1.x: No such "
                           "file or directory; its surfaces are drawn without it");
    EXPECT_EQ(collectibleModel.textures[0], nullptr);
    EXPECT_EQ(collectibleModel.textures[2], nullptr);
    ClearStartupWarnings();
}

TEST_F(LevelLoading, WithoutTrueShadowsTheLevelIsShadedFromItsNormals) {
    ASSERT_FALSE(HasFatalFailure());
    WriteImages();
    WriteModels();
    engine.trueShadows = 0;
    ASSERT_EQ(LoadLevel(), S_OK) << LoadLevelFailedFile() << ": " << Win32GetErrorText();
    BYTE* data = nullptr;
    ASSERT_EQ(levelModels[LEVEL_MODEL].mesh->LockVertexBuffer(0, &data), S_OK);
    // Normals point up: d = 0.4 / sqrt(0.41) = 0.624695, 0.624695 * 128 + 128 = 207.96.
    const auto* vertices = reinterpret_cast<const LevelVertex*>(data);
    EXPECT_EQ(vertices[0].diffuse, 0xFFCFCFCFu);
    EXPECT_EQ(vertices[6003].diffuse, 0xFFCFCFCFu); // the last vertex a face uses
    // No face gives the last vertex a normal, so it has none: d = 0, grey 128.
    EXPECT_EQ(vertices[10305].normal, Vec3(0, 0, 0));
    EXPECT_EQ(vertices[10305].diffuse, 0xFF808080u);
    levelModels[LEVEL_MODEL].mesh->UnlockVertexBuffer();
}
