// InitDevice and ReleaseAll: the one rendering device of the program and its fixed states.
#include "render/device.h"

#include "core/engine_state.h"
#include "core/float_ops.h"
#include "player/player_state.h"
#include "sound/sound.h"
#include "world/animated_objects.h"
#include "world/world_models.h"

namespace {

constexpr DWORD AMBIENT_COLOR = 0x2F2F2F6F;
constexpr DWORD FOG_COLOR = 0xFF7D5E3F;
constexpr float FOG_START = 15.0f;
constexpr float FOG_END = 33.0f;
constexpr UINT CORONA_BUFFER_BYTES = 30 * sizeof(CoronaVertex);

// The first adapter mode with the configured size and format; otherwise the desktop's format
// at the configured size. False when the adapter cannot be asked.
bool ChooseBackBufferFormat(IDirect3D8* direct3d, D3DFORMAT& format) {
    D3DDISPLAYMODE mode = {};
    const UINT modeCount = direct3d->GetAdapterModeCount(D3DADAPTER_DEFAULT);
    for (UINT i = 0; i < modeCount; ++i) {
        if (FAILED(direct3d->EnumAdapterModes(D3DADAPTER_DEFAULT, i, &mode)))
            return false;
        // The refresh rate is not compared: any rate of the right mode will do.
        if (mode.Width == static_cast<UINT>(engine.screenWidth) &&
            mode.Height == static_cast<UINT>(engine.screenHeight) &&
            mode.Format == engine.backBufferFormat) {
            format = mode.Format;
            return true;
        }
    }
    if (FAILED(direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)))
        return false;
    format = mode.Format;
    return true;
}

void SetFixedStates(IDirect3DDevice8* device) {
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_AMBIENT, AMBIENT_COLOR);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    if (engine.fogEnabled != 0)
        device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    // The fog parameters are set even with fog off; only the switch stays off.
    device->SetRenderState(D3DRS_FOGTABLEMODE, D3DFOG_LINEAR);
    device->SetRenderState(D3DRS_FOGCOLOR, FOG_COLOR);
    device->SetRenderState(D3DRS_FOGSTART, FloatBits(FOG_START));
    device->SetRenderState(D3DRS_FOGEND, FloatBits(FOG_END));

    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_MIRROR);

    // Lighting stays off for the whole run; the shading is baked into the vertex colours.
    device->LightEnable(0, FALSE);
    device->LightEnable(1, FALSE);
    device->LightEnable(2, TRUE);
}

// The models keep the device pointer; the player and the objects keep pointers to the model
// holders, which LoadLevel fills in place, so they stay valid.
void HandOutDevice(IDirect3DDevice8* device) {
    for (MeshModel& model : levelModels)
        model.device = device;
    skyBoxModel.device = device;
    collectibleModel.device = device;
    player.collisionModel = &levelModels[HULL_MODEL];
    animatedObjects.levelModelMesh = &levelModels[LEVEL_MODEL].mesh;
    animatedObjects.hullModelMesh = &levelModels[HULL_MODEL].mesh;
}

template <typename T> void ReleaseObject(T*& object) {
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

} // namespace

HRESULT InitDevice(HWND window) {
    engine.direct3d = Direct3DCreate8(D3D_SDK_VERSION);
    if (engine.direct3d == nullptr)
        return E_FAIL;

    const D3DDEVTYPE deviceType = engine.hardwareRendering != 0 ? D3DDEVTYPE_HAL : D3DDEVTYPE_REF;
    // Only asked so that a device type the adapter cannot give fails here; the caps are unused.
    D3DCAPS8 caps = {};
    if (engine.direct3d->GetDeviceCaps(D3DADAPTER_DEFAULT, deviceType, &caps) != D3D_OK)
        return E_FAIL;

    D3DFORMAT format = D3DFMT_UNKNOWN;
    if (!ChooseBackBufferFormat(engine.direct3d, format))
        return E_FAIL;

    D3DPRESENT_PARAMETERS parameters = {};
    parameters.BackBufferWidth = static_cast<UINT>(engine.screenWidth);
    parameters.BackBufferHeight = static_cast<UINT>(engine.screenHeight);
    parameters.BackBufferFormat = format;
    parameters.BackBufferCount = 0;
    parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = nullptr;
    // Full screen unless Setup.txt asks for a window; either way Alt+Enter switches.
    parameters.Windowed = engine.windowed != 0 ? TRUE : FALSE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    parameters.Flags = 0;
    parameters.FullScreen_RefreshRateInHz = D3DPRESENT_RATE_DEFAULT;
    parameters.FullScreen_PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;

    const DWORD behaviour = engine.hardwareRendering != 0 ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                                          : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    if (FAILED(engine.direct3d->CreateDevice(D3DADAPTER_DEFAULT, deviceType, window, behaviour,
                                             &parameters, &engine.device)))
        return E_FAIL;

    return SetUpDeviceObjects();
}

HRESULT SetUpDeviceObjects() {
    // The sprite's result is not checked; drawing skips the 2D images without one.
    D3DXCreateSprite(engine.device, &engine.sprite);
    SetFixedStates(engine.device);
    HandOutDevice(engine.device);
    if (FAILED(engine.device->CreateVertexBuffer(CORONA_BUFFER_BYTES, 0, CORONA_FVF,
                                                 D3DPOOL_DEFAULT, &engine.coronaVertexBuffer)))
        return E_FAIL;
    return S_OK;
}

void ReleaseAll() {
    if (engine.soundsEnabled != 0) {
        for (SoundObject*& sound : soundTable) {
            SoundDestroy(sound);
            sound = nullptr;
        }
        SoundDeviceRelease();
    }
    for (IDirect3DTexture8*& texture : engine.spriteTextures)
        ReleaseObject(texture);
    for (IDirect3DTexture8*& texture : engine.menuTextures)
        ReleaseObject(texture);
    ReleaseObject(engine.coronaVertexBuffer);
    ReleaseObject(engine.sprite);
    ReleaseObject(engine.device);
    ReleaseObject(engine.direct3d);
}
