// One in-game frame as the device sees it: every step and state in order, and what each
// switch (sky box, fog, shadows, lights, camera sequence, fade) changes.
#include "player/coronas.h"
#include "player/player_state.h"
#include "render/frame.h"
#include "world/world_models.h"
#include "render/render_test_util.h"

#include <algorithm>

namespace {

// Tags of the test models (diffuse red of their one material).
constexpr float SKY = 0.125f;
constexpr float LEVEL = 0.25f;
constexpr float MARKER = 0.375f;
constexpr float COLLECTIBLE = 0.5f;
constexpr float DETAIL = 0.625f;
constexpr float WATER = 0.75f;
constexpr float EXTRA = 0.875f;
constexpr float HULL = 0.0625f;

std::string MaterialToken(float tag) {
    char text[32];
    std::snprintf(text, sizeof text, "Material %g", static_cast<double>(tag));
    return text;
}

// The calls DrawMeshModel makes for a model with one translucent subset.
std::vector<std::string> TranslucentModel(float tag, int blend) {
    std::vector<std::string> tokens = {"ALPHATESTENABLE=TRUE", "ALPHAFUNC=GREATEREQUAL",
                                       "ALPHAREF=128", "ALPHABLENDENABLE=FALSE",
                                       "ALPHATESTENABLE=FALSE"};
    if (blend == 0)
        tokens.insert(tokens.end(), {"ALPHATESTENABLE=TRUE", "ALPHAFUNC=GREATEREQUAL",
                                     "ALPHAREF=128", "ALPHABLENDENABLE=FALSE"});
    else
        tokens.insert(tokens.end(), {"ALPHABLENDENABLE=TRUE", "SRCBLEND=SRCALPHA",
                                     "DESTBLEND=INVSRCALPHA", "ALPHATESTENABLE=FALSE"});
    tokens.insert(tokens.end(), {MaterialToken(tag), "Texture", "Draw", "ALPHABLENDENABLE=FALSE",
                                 "ALPHATESTENABLE=FALSE"});
    return tokens;
}

// The calls for a model with one cut-out subset (material alpha 0).
std::vector<std::string> CutOutModel(float tag, int blend) {
    std::vector<std::string> tokens = {"ALPHATESTENABLE=TRUE",
                                       "ALPHAFUNC=GREATEREQUAL",
                                       "ALPHAREF=128",
                                       "ALPHABLENDENABLE=FALSE",
                                       MaterialToken(tag),
                                       "Texture",
                                       "Draw",
                                       "ALPHATESTENABLE=FALSE"};
    if (blend == 0)
        tokens.insert(tokens.end(), {"ALPHATESTENABLE=TRUE", "ALPHAFUNC=GREATEREQUAL",
                                     "ALPHAREF=128", "ALPHABLENDENABLE=FALSE"});
    else
        tokens.insert(tokens.end(), {"ALPHABLENDENABLE=TRUE", "SRCBLEND=SRCALPHA",
                                     "DESTBLEND=INVSRCALPHA", "ALPHATESTENABLE=FALSE"});
    tokens.insert(tokens.end(), {"ALPHABLENDENABLE=FALSE", "ALPHATESTENABLE=FALSE"});
    return tokens;
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& tokens) {
    to.insert(to.end(), tokens.begin(), tokens.end());
}

bool Contains(const std::vector<std::string>& tokens, const std::string& token) {
    return std::find(tokens.begin(), tokens.end(), token) != tokens.end();
}

class FrameTest : public DeviceTest {
  protected:
    void SetUp() override {
        DeviceTest::SetUp();
        OpenDevice();
        if (HasFatalFailure())
            return;
        MakeTaggedModel(skyBoxModel, engine.device, SKY, 1.0f);
        MakeTaggedModel(levelModels[LEVEL_MODEL], engine.device, LEVEL, 1.0f);
        MakeTaggedModel(levelModels[SHADOW_MARKER_MODEL], engine.device, MARKER, 1.0f);
        MakeTaggedModel(collectibleModel, engine.device, COLLECTIBLE, 1.0f);
        MakeTaggedModel(levelModels[DETAIL_MODEL], engine.device, DETAIL, 0.0f);
        MakeTaggedModel(levelModels[WATER_MODEL], engine.device, WATER, 0.5f);
        MakeTaggedModel(levelModels[EXTRA_MODEL], engine.device, EXTRA, 1.0f);
        MakeTaggedModel(levelModels[HULL_MODEL], engine.device, HULL, 1.0f);
        realSprite = engine.sprite;
        engine.sprite = &sprite;
        for (int i = 0; i < COLLECTIBLE_CAPACITY; ++i)
            engine.collectibleActive[i] = 0;
        engine.collectibleActive[0] = 1;
        engine.collectiblePositions[0] = Vec3(1.5f, 2.5f, 3.5f);
        engine.collectibleActive[7] = 1;
        engine.collectiblePositions[7] = Vec3(-4.0f, 5.0f, 6.0f);
        engine.skyBoxEnabled = 1;
        engine.fogEnabled = 1;
        engine.trueShadows = 1;
        engine.lightsEnabled = 0;
        engine.cameraSequenceActive = 0;
        engine.fadeLevel = 0.0f;
        engine.hudIconAngle = 0.0f;
        for (int i = 0; i < 7; ++i)
            engine.spriteTextures[i] = nullptr;
    }
    void TearDown() override {
        engine.sprite = realSprite;
        for (IDirect3DTexture8*& texture : engine.spriteTextures)
            texture = nullptr;
        for (MeshModel& model : levelModels)
            ReleaseMeshModel(model);
        ReleaseMeshModel(skyBoxModel);
        ReleaseMeshModel(collectibleModel);
        DeviceTest::TearDown();
    }

    std::vector<D3D8Call> RecordFrame() {
        D3D8StartRecording(engine.device);
        RenderFrame(2.0f, Vec3(2.0f, 1.1f, 0.5f), Vec3(0.0f, 0.0f, 1.0f));
        return D3D8StopRecording(engine.device);
    }

    RecordingSprite sprite;
    ID3DXSprite* realSprite = nullptr;
};

} // namespace

TEST_F(FrameTest, DrawsEveryStepInOrder) {
    const std::vector<std::string> tokens = Tokens(RecordFrame());

    std::vector<std::string> expected = {"BeginScene", "World",        "View",
                                         "Projection", "ZFUNC=ALWAYS", "FOGENABLE=FALSE"};
    Append(expected, TranslucentModel(SKY, 1));
    Append(expected, {"FOGENABLE=TRUE", "ZFUNC=LESSEQUAL"});
    Append(expected, TranslucentModel(LEVEL, 1));
    Append(expected, {"TSS0 ADDRESSV=CLAMP", "TSS0 ADDRESSU=CLAMP"});
    Append(expected, TranslucentModel(MARKER, 1));
    Append(expected, {"TSS0 ADDRESSV=WRAP", "TSS0 ADDRESSU=WRAP"});
    Append(expected, {"World"});
    Append(expected, TranslucentModel(COLLECTIBLE, 1));
    Append(expected, {"World"});
    Append(expected, TranslucentModel(COLLECTIBLE, 1));
    Append(expected, {"ALPHABLENDENABLE=FALSE", "CULLMODE=NONE", "World", "View", "Projection"});
    Append(expected, CutOutModel(DETAIL, 0));
    Append(expected, TranslucentModel(WATER, 1));
    Append(expected, {"CULLMODE=CCW"});
    Append(expected, TranslucentModel(EXTRA, 1));
    Append(expected,
           {"ALPHATESTENABLE=FALSE", "ALPHABLENDENABLE=FALSE", "ALPHABLENDENABLE=TRUE",
            "SRCBLEND=ONE", "DESTBLEND=ONE", "ALPHABLENDENABLE=FALSE", "EndScene", "Present"});
    EXPECT_EQ(Joined(tokens), Joined(expected));
    EXPECT_FALSE(Contains(tokens, MaterialToken(HULL)));
}

TEST_F(FrameTest, CollectiblesAreTranslatedAndTheIdentityIsRestored) {
    const std::vector<D3D8Call> calls = RecordFrame();
    std::vector<std::vector<float>> worlds;
    for (const D3D8Call& call : calls) {
        if (call.name == "SetTransform" && call.args[0] == 256) {
            std::vector<float> m;
            for (size_t i = call.args.size() - 16; i < call.args.size(); ++i)
                m.push_back(BitsFloat(call.args[i]));
            worlds.push_back(m);
        }
    }
    ASSERT_EQ(worlds.size(), 4u);
    const std::vector<float> identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_EQ(worlds[0], identity);
    EXPECT_EQ(worlds[1],
              (std::vector<float>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1.5f, 2.5f, 3.5f, 1}));
    EXPECT_EQ(worlds[2], (std::vector<float>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -4, 5, 6, 1}));
    EXPECT_EQ(worlds[3], identity);
}

TEST_F(FrameTest, ProjectionKeepsItsShapeOnAnyScreen) {
    const std::vector<D3D8Call> calls = RecordFrame();
    for (const D3D8Call& call : calls) {
        if (call.name != "SetTransform" || call.args[0] != 3)
            continue;
        const size_t m = call.args.size() - 16;
        // h = cot(pi / 8) = 2.4142136; m11 = h / 1.3, m33 = 130 / 129.9, m43 = -13 / 129.9.
        EXPECT_NEAR(BitsFloat(call.args[m + 0]), 1.857087f, 1e-5f);
        EXPECT_NEAR(BitsFloat(call.args[m + 5]), 2.414214f, 1e-5f);
        EXPECT_NEAR(BitsFloat(call.args[m + 10]), 1.000770f, 1e-5f);
        EXPECT_EQ(BitsFloat(call.args[m + 11]), 1.0f);
        EXPECT_NEAR(BitsFloat(call.args[m + 14]), -0.100077f, 1e-5f);
    }
}

TEST_F(FrameTest, SkyBoxOffClearsInstead) {
    engine.skyBoxEnabled = 0;
    const std::vector<D3D8Call> calls = RecordFrame();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].name, "Clear");
    ASSERT_EQ(calls[0].args.size(), 6u);
    EXPECT_EQ(calls[0].args[0], 0u);
    EXPECT_EQ(calls[0].args[2], D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER);
    EXPECT_EQ(calls[0].args[3], 0xFF281450u);
    EXPECT_EQ(BitsFloat(calls[0].args[4]), 1.0f);
    EXPECT_EQ(calls[0].args[5], 0u);
    const std::vector<std::string> tokens = Tokens(calls);
    EXPECT_FALSE(Contains(tokens, MaterialToken(SKY)));
    // The depth function and fog switch around the (absent) sky box all the same.
    EXPECT_EQ(tokens[5], "ZFUNC=ALWAYS");
    EXPECT_EQ(tokens[6], "FOGENABLE=FALSE");
    EXPECT_EQ(tokens[7], "FOGENABLE=TRUE");
    EXPECT_EQ(tokens[8], "ZFUNC=LESSEQUAL");
}

TEST_F(FrameTest, FogOffLeavesTheFogSwitchAlone) {
    engine.fogEnabled = 0;
    const std::vector<std::string> tokens = Tokens(RecordFrame());
    EXPECT_FALSE(Contains(tokens, "FOGENABLE=FALSE"));
    EXPECT_FALSE(Contains(tokens, "FOGENABLE=TRUE"));
    EXPECT_TRUE(Contains(tokens, MaterialToken(SKY)));
}

TEST_F(FrameTest, ShadowsOffSkipTheMarkersButNotTheAddressModes) {
    engine.trueShadows = 0;
    const std::vector<std::string> tokens = Tokens(RecordFrame());
    EXPECT_FALSE(Contains(tokens, MaterialToken(MARKER)));
    const auto clamp = std::find(tokens.begin(), tokens.end(), "TSS0 ADDRESSU=CLAMP");
    ASSERT_NE(clamp, tokens.end());
    EXPECT_EQ(*(clamp + 1), "TSS0 ADDRESSV=WRAP");
    EXPECT_EQ(*(clamp + 2), "TSS0 ADDRESSU=WRAP");
}

TEST_F(FrameTest, LightsDrawTheCoronasAfterTheModelsAndBeforeTheHud) {
    engine.lightsEnabled = 1;
    const std::vector<std::string> tokens = Tokens(RecordFrame());
    const auto coronas = std::find(tokens.begin(), tokens.end(), "POINTSPRITEENABLE=TRUE");
    ASSERT_NE(coronas, tokens.end());
    const auto extra = std::find(tokens.begin(), tokens.end(), MaterialToken(EXTRA));
    const auto hud = std::find(coronas, tokens.end(), "SRCBLEND=ONE");
    EXPECT_LT(extra, coronas);
    EXPECT_NE(hud, tokens.end());
    EXPECT_EQ(std::count(coronas, hud, std::string("Draw")), CORONA_LIGHTS);
}

TEST_F(FrameTest, HudDuringWalkingAndDuringTheCameraSequence) {
    IDirect3DTexture8* const icon = reinterpret_cast<IDirect3DTexture8*>(0x1002);
    IDirect3DTexture8* const pickup = reinterpret_cast<IDirect3DTexture8*>(0x1004);
    IDirect3DTexture8* const crosshair = reinterpret_cast<IDirect3DTexture8*>(0x1006);
    engine.spriteTextures[2] = icon;
    engine.spriteTextures[4] = pickup;
    engine.spriteTextures[6] = crosshair;
    engine.screenWidth = 641; // odd: the crosshair uses integer halves
    engine.screenHeight = 481;

    RecordFrame();
    ASSERT_EQ(sprite.draws.size(), 4u);
    const RecordingSprite::DrawCall& turning = sprite.draws[0];
    EXPECT_EQ(turning.texture, icon);
    EXPECT_FALSE(turning.scaled);
    EXPECT_TRUE(turning.centred);
    EXPECT_EQ(turning.centre.x, 32.0f);
    EXPECT_EQ(turning.centre.y, 32.0f);
    EXPECT_FLOAT_EQ(turning.rotation, 0.01f);
    EXPECT_EQ(turning.translation.x, 553.0f);
    EXPECT_EQ(turning.translation.y, 8.0f);
    EXPECT_EQ(turning.color, 0xFFFFFFFFu);
    EXPECT_EQ(sprite.draws[1].texture, crosshair);
    EXPECT_EQ(sprite.draws[1].translation.x, 316.0f);
    EXPECT_EQ(sprite.draws[1].translation.y, 236.0f);
    EXPECT_EQ(sprite.draws[2].texture, pickup);
    EXPECT_EQ(sprite.draws[2].translation.x, 8.0f); // collectible 0
    EXPECT_EQ(sprite.draws[3].texture, pickup);
    EXPECT_EQ(sprite.draws[3].translation.x, 120.0f); // collectible 7 keeps its column
    EXPECT_EQ(sprite.draws[3].translation.y, 8.0f);

    sprite.draws.clear();
    engine.cameraSequenceActive = 1;
    RecordFrame();
    ASSERT_EQ(sprite.draws.size(), 1u);
    EXPECT_EQ(sprite.draws[0].texture, icon);
    EXPECT_FLOAT_EQ(sprite.draws[0].rotation, 0.02f); // the icon turns every frame
}

TEST_F(FrameTest, FadeOverlayCoversTheScreenWithTheFadeAsAlpha) {
    IDirect3DTexture8* const fade = reinterpret_cast<IDirect3DTexture8*>(0x1005);
    engine.spriteTextures[5] = fade;
    engine.cameraSequenceActive = 1;

    engine.fadeLevel = 0.0f;
    RecordFrame();
    EXPECT_EQ(sprite.draws.size(), 1u);

    const std::pair<float, D3DCOLOR> levels[] = {
        {1.0f, 0xFFFFFFFFu}, {0.5f, 0x7FFFFFFFu}, {0.003f, 0x00FFFFFFu}, {0.999f, 0xFEFFFFFFu}};
    for (const auto& [level, color] : levels) {
        sprite.draws.clear();
        engine.fadeLevel = level;
        RecordFrame();
        ASSERT_EQ(sprite.draws.size(), 2u) << "fade " << level;
        const RecordingSprite::DrawCall& overlay = sprite.draws[1];
        EXPECT_EQ(overlay.texture, fade);
        EXPECT_EQ(overlay.scaling.x, 1600.0f);
        EXPECT_EQ(overlay.scaling.y, 1200.0f);
        EXPECT_FALSE(overlay.translated);
        EXPECT_FALSE(overlay.centred);
        EXPECT_EQ(overlay.rotation, 0.0f);
        EXPECT_EQ(overlay.color, color) << "fade " << level;
    }
}
