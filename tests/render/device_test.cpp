// Device set-up and teardown: the fixed states in their order, the objects handed to the
// models, the player and the animated objects, the back-buffer size, and a release that is
// safe to repeat.
#include "player/player_state.h"
#include "world/animated_objects.h"
#include "world/world_models.h"
#include "render/render_test_util.h"

namespace {

// The calls of the device's set-up that are state, lights and the corona buffer, as text.
std::vector<std::string> SetUpCalls(const std::vector<D3D8Call>& calls) {
    std::vector<std::string> out;
    char text[96];
    for (const D3D8Call& call : calls) {
        const std::vector<uint32_t>& a = call.args;
        if (call.name == "SetRenderState")
            std::snprintf(text, sizeof text, "RS %u=0x%X", a[0], a[1]);
        else if (call.name == "SetTextureStageState")
            std::snprintf(text, sizeof text, "TSS %u %u=%u", a[0], a[1], a[2]);
        else if (call.name == "LightEnable")
            std::snprintf(text, sizeof text, "Light %u=%u", a[0], a[1]);
        else if (call.name == "CreateVertexBuffer")
            std::snprintf(text, sizeof text, "VB %u %u 0x%X %u", a[0], a[1], a[2], a[3]);
        else
            continue;
        out.push_back(text);
    }
    return out;
}

class DeviceSetUp : public DeviceTest {
  protected:
    // Re-runs the set-up after InitDevice on a fresh recording, with the sprite and the
    // corona buffer released first so they are made again.
    std::vector<std::string> RecordSetUp() {
        engine.sprite->Release();
        engine.sprite = nullptr;
        engine.coronaVertexBuffer->Release();
        engine.coronaVertexBuffer = nullptr;
        D3D8StartRecording(engine.device);
        EXPECT_EQ(SetUpDeviceObjects(), S_OK);
        return SetUpCalls(D3D8StopRecording(engine.device));
    }
};

} // namespace

TEST_F(DeviceSetUp, SetsTheFixedStatesInOrderAndMakesTheCoronaBuffer) {
    OpenDevice();
    ASSERT_FALSE(HasFatalFailure());
    const std::vector<std::string> expected = {
        "RS 7=0x1",   "RS 139=0x2F2F2F6F", "RS 137=0x0",       "RS 28=0x1",
        "RS 35=0x3",  "RS 34=0xFF7D5E3F",  "RS 36=0x41700000", "RS 37=0x42040000",
        "TSS 0 17=2", "TSS 0 16=2",        "TSS 0 18=2",       "TSS 0 14=2",
        "Light 0=0",  "Light 1=0",         "Light 2=1",        "VB 480 0 0x42 0"};
    EXPECT_EQ(Joined(RecordSetUp()), Joined(expected));
    EXPECT_NE(engine.sprite, nullptr);
    EXPECT_NE(engine.coronaVertexBuffer, nullptr);
}

TEST_F(DeviceSetUp, FogOffStillSetsTheFogParameters) {
    engine.fogEnabled = 0;
    OpenDevice();
    ASSERT_FALSE(HasFatalFailure());
    const std::vector<std::string> calls = RecordSetUp();
    ASSERT_GE(calls.size(), 7u);
    EXPECT_EQ(calls[2], "RS 137=0x0");
    EXPECT_EQ(calls[3], "RS 35=0x3");
    EXPECT_EQ(calls[4], "RS 34=0xFF7D5E3F");
    for (const std::string& call : calls)
        EXPECT_NE(call.rfind("RS 28=", 0), 0u) << call;
    DWORD fog = 1;
    engine.device->GetRenderState(D3DRS_FOGENABLE, &fog);
    EXPECT_EQ(fog, 0u);
}

TEST_F(DeviceSetUp, HandsTheDeviceAndTheModelHoldersOut) {
    player.collisionModel = nullptr;
    animatedObjects.levelModelMesh = nullptr;
    animatedObjects.hullModelMesh = nullptr;
    OpenDevice();
    ASSERT_FALSE(HasFatalFailure());
    for (const MeshModel& model : levelModels)
        EXPECT_EQ(model.device, engine.device);
    EXPECT_EQ(skyBoxModel.device, engine.device);
    EXPECT_EQ(collectibleModel.device, engine.device);
    EXPECT_EQ(player.collisionModel, &levelModels[HULL_MODEL]);
    EXPECT_EQ(animatedObjects.levelModelMesh, &levelModels[LEVEL_MODEL].mesh);
    EXPECT_EQ(animatedObjects.hullModelMesh, &levelModels[HULL_MODEL].mesh);
    // Lighting stays off for the whole run; only light 2 is switched on.
    BOOL enabled = TRUE;
    engine.device->GetLightEnable(0, &enabled);
    EXPECT_EQ(enabled, FALSE);
    engine.device->GetLightEnable(2, &enabled);
    EXPECT_EQ(enabled, TRUE);
}

TEST_F(DeviceSetUp, BackBufferHasTheConfiguredSize) {
    for (const auto& [width, height] : {std::make_pair(640, 480), std::make_pair(1024, 768)}) {
        engine.screenWidth = width;
        engine.screenHeight = height;
        OpenDevice();
        ASSERT_FALSE(HasFatalFailure());
        std::vector<uint32_t> pixels;
        UINT w = 0;
        UINT h = 0;
        ASSERT_TRUE(D3D8ReadBackBuffer(engine.device, pixels, w, h));
        EXPECT_EQ(w, static_cast<UINT>(width));
        EXPECT_EQ(h, static_cast<UINT>(height));
        ReleaseAll();
        DestroyWindow(window);
        window = nullptr;
    }
}

TEST_F(DeviceSetUp, ListedModeIsTakenExactlyOtherwiseTheDesktopFormat) {
    struct Case {
        int width;
        int height;
        D3DFORMAT format;
        bool listed; // the layer lists 640 by 480 in both formats it offers
    };
    const Case cases[] = {{640, 480, D3DFMT_R5G6B5, true},
                          {640, 480, D3DFMT_X8R8G8B8, true},
                          {640, 480, D3DFMT_X1R5G5B5, false},
                          {700, 500, D3DFMT_R5G6B5, false}};
    for (const Case& c : cases) {
        engine.screenWidth = c.width;
        engine.screenHeight = c.height;
        engine.backBufferFormat = c.format;
        OpenDevice();
        ASSERT_FALSE(HasFatalFailure());
        D3DDISPLAYMODE desktop = {};
        ASSERT_EQ(engine.direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &desktop), S_OK);
        D3DDISPLAYMODE mode = {};
        ASSERT_EQ(engine.device->GetDisplayMode(&mode), S_OK);
        EXPECT_EQ(mode.Width, static_cast<UINT>(c.width));
        EXPECT_EQ(mode.Height, static_cast<UINT>(c.height));
        EXPECT_EQ(mode.Format, c.listed ? c.format : desktop.Format)
            << c.width << " by " << c.height << " format " << c.format;
        ReleaseAll();
        DestroyWindow(window);
        window = nullptr;
    }
}

TEST_F(DeviceSetUp, ReferenceRenderingAlsoGivesADevice) {
    engine.hardwareRendering = 0;
    OpenDevice();
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_NE(engine.device, nullptr);
}

TEST_F(DeviceSetUp, ReleaseAllClearsEverythingAndIsSafeTwice) {
    OpenDevice();
    ASSERT_FALSE(HasFatalFailure());
    ReleaseAll();
    EXPECT_EQ(engine.device, nullptr);
    EXPECT_EQ(engine.direct3d, nullptr);
    EXPECT_EQ(engine.sprite, nullptr);
    EXPECT_EQ(engine.coronaVertexBuffer, nullptr);
    for (IDirect3DTexture8* texture : engine.spriteTextures)
        EXPECT_EQ(texture, nullptr);
    ReleaseAll();
    EXPECT_EQ(engine.device, nullptr);
}
