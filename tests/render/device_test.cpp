// Device set-up and teardown: the fixed states in their order, the objects handed to the
// models, the player and the animated objects, the back-buffer size, and a release that is
// safe to repeat.
#include "player/player_state.h"
#include "world/animated_objects.h"
#include "world/world_models.h"
#include "render/render_test_util.h"
#include "world/corona_tables.h"

#include <algorithm>

namespace {

// The calls of the device's set-up that are state, lights and the corona buffer, as text.
std::vector<std::string> SetUpCalls(const std::vector<D3D8Call>& calls) {
    std::vector<std::string> out;
    for (const D3D8Call& call : calls) {
        const std::vector<uint32_t>& a = call.args;
        if (call.name == "SetRenderState")
            out.push_back(RenderStateToken(a[0], a[1]));
        else if (call.name == "SetTextureStageState")
            out.push_back(StageStateToken(a[0], a[1], a[2]));
        else if (call.name == "LightEnable")
            out.push_back("LIGHT" + std::to_string(a[0]) + (a[1] ? "=ON" : "=OFF"));
        else if (call.name == "CreateVertexBuffer")
            out.push_back("CreateVertexBuffer");
    }
    return out;
}

bool Has(const std::vector<std::string>& calls, const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

float FloatState(IDirect3DDevice8* device, D3DRENDERSTATETYPE state) {
    DWORD bits = 0;
    device->GetRenderState(state, &bits);
    return BitsFloat(bits);
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
    const std::vector<std::string> expected = {"ZENABLE=TRUE",
                                               "AMBIENT=0x2F2F2F6F",
                                               "LIGHTING=FALSE",
                                               "FOGENABLE=TRUE",
                                               "FOGTABLEMODE=LINEAR",
                                               "FOGCOLOR=0xFF7D5E3F",
                                               "FOGSTART=15",
                                               "FOGEND=33",
                                               "TSS0 MINFILTER=LINEAR",
                                               "TSS0 MAGFILTER=LINEAR",
                                               "TSS0 MIPFILTER=LINEAR",
                                               "TSS0 ADDRESSV=MIRROR",
                                               "LIGHT0=OFF",
                                               "LIGHT1=OFF",
                                               "LIGHT2=ON",
                                               "CreateVertexBuffer"};
    EXPECT_EQ(Joined(RecordSetUp()), Joined(expected));
    EXPECT_NE(engine.sprite, nullptr);

    // The states hold on the device afterwards; fog fades in over a positive distance.
    const float fogStart = FloatState(engine.device, D3DRS_FOGSTART);
    EXPECT_GT(fogStart, 0.0f);
    EXPECT_GT(FloatState(engine.device, D3DRS_FOGEND), fogStart);
    DWORD addressU = 0;
    engine.device->GetTextureStageState(0, D3DTSS_ADDRESSU, &addressU);
    EXPECT_EQ(addressU, static_cast<DWORD>(D3DTADDRESS_WRAP)) << "only v mirrors";

    // The corona buffer takes a point of the corona format for every corona.
    ASSERT_NE(engine.coronaVertexBuffer, nullptr);
    D3DVERTEXBUFFER_DESC desc = {};
    ASSERT_EQ(engine.coronaVertexBuffer->GetDesc(&desc), S_OK);
    EXPECT_EQ(desc.FVF, CORONA_FVF);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(desc.Size % sizeof(CoronaVertex), 0u);
    EXPECT_GE(desc.Size / sizeof(CoronaVertex), static_cast<UINT>(CORONA_COUNT));
}

TEST_F(DeviceSetUp, FogOffStillSetsTheFogParameters) {
    engine.fogEnabled = 0;
    OpenDevice();
    ASSERT_FALSE(HasFatalFailure());
    const std::vector<std::string> calls = RecordSetUp();
    for (const char* call :
         {"FOGTABLEMODE=LINEAR", "FOGCOLOR=0xFF7D5E3F", "FOGSTART=15", "FOGEND=33"})
        EXPECT_TRUE(Has(calls, call)) << call;
    for (const std::string& call : calls)
        EXPECT_NE(call.rfind("FOGENABLE=", 0), 0u) << call;
    DWORD fog = 1;
    engine.device->GetRenderState(D3DRS_FOGENABLE, &fog);
    EXPECT_EQ(fog, static_cast<DWORD>(FALSE));
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
