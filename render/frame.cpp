// RenderFrame: the in-game frame as a list of steps in a fixed order, each with the render
// states its models need.
#include "render/frame.h"

#include "core/engine_state.h"
#include "player/coronas.h"
#include "player/player_state.h"
#include "world/world_models.h"

namespace {

constexpr D3DCOLOR SKY_CLEAR_COLOR = 0xFF281450;
constexpr D3DCOLOR OPAQUE_WHITE = 0xFFFFFFFF;

// HUD images in spriteTextures.
constexpr int HUD_ICON_SLOT = 2;
constexpr int COLLECTIBLE_ICON_SLOT = 4;
constexpr int FADE_SLOT = 5;
constexpr int CROSSHAIR_SLOT = 6;

// Turned per frame, independent of the game speed.
constexpr float HUD_ICON_TURN = 0.01f;
// Big enough to cover any back buffer with the small fade image.
constexpr float FADE_SCALE_X = 1600.0f;
constexpr float FADE_SCALE_Y = 1200.0f;

// The sky box is drawn behind everything and never fogged.
void DrawSky() {
    IDirect3DDevice8* device = engine.device;
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_ALWAYS);
    if (engine.fogEnabled != 0)
        device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    if (engine.skyBoxEnabled != 0)
        skyBoxModel.DrawMeshModel(1);
    if (engine.fogEnabled != 0)
        device->SetRenderState(D3DRS_FOGENABLE, TRUE);
    device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL);
}

// The shadow markers are clamped so their dark patches do not repeat at the edges.
void DrawShadowMarkers() {
    IDirect3DDevice8* device = engine.device;
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_CLAMP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
    if (engine.trueShadows != 0)
        levelModels[SHADOW_MARKER_MODEL].DrawMeshModel(1);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
}

// One unrotated, unscaled copy of the collectible model per active collectible.
void DrawCollectibles() {
    Matrix4 world;
    D3DXMatrixIdentity(&world);
    for (int i = 0; i < COLLECTIBLE_COUNT; ++i) {
        if (engine.collectibleActive[i] == 0)
            continue;
        world._41 = engine.collectiblePositions[i].x;
        world._42 = engine.collectiblePositions[i].y;
        world._43 = engine.collectiblePositions[i].z;
        engine.device->SetTransform(D3DTS_WORLD, &world);
        collectibleModel.DrawMeshModel(1);
    }
}

// The detail model (cut-out), the water (blended) and the last extra model. The first two
// are seen from both sides.
void DrawExtraModels(Vec3 eye, Vec3 direction, Vec3 up) {
    IDirect3DDevice8* device = engine.device;
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    // Also puts back the identity world transform after the collectibles.
    levelModels[DETAIL_MODEL].SetupCamera(eye, direction, up);
    levelModels[DETAIL_MODEL].DrawMeshModel(0);
    levelModels[WATER_MODEL].DrawMeshModel(1);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    levelModels[EXTRA_MODEL].DrawMeshModel(1);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void DrawSprite(int slot, const D3DXVECTOR2* scaling, const D3DXVECTOR2* centre, float rotation,
                const D3DXVECTOR2* translation, D3DCOLOR color) {
    engine.sprite->Draw(engine.spriteTextures[slot], nullptr, scaling, centre, rotation,
                        translation, color);
}

// The sprite keeps its own blend and depth states, so the states set here do not change how
// the images look.
void DrawHud() {
    IDirect3DDevice8* device = engine.device;
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);

    engine.hudIconAngle += HUD_ICON_TURN;
    // Without a sprite (its creation is not checked) there is nothing to draw the HUD with.
    if (engine.sprite == nullptr) {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        return;
    }

    const D3DXVECTOR2 iconCentre(32.0f, 32.0f);
    const D3DXVECTOR2 iconPosition(static_cast<float>(engine.screenWidth) - 88.0f, 8.0f);
    DrawSprite(HUD_ICON_SLOT, nullptr, &iconCentre, engine.hudIconAngle, &iconPosition,
               OPAQUE_WHITE);

    // The crosshair and the collected-items row belong to walking, not to the camera flights.
    if (engine.cameraSequenceActive == 0) {
        const D3DXVECTOR2 crosshair(static_cast<float>(engine.screenWidth / 2) - 4.0f,
                                    static_cast<float>(engine.screenHeight / 2) - 4.0f);
        DrawSprite(CROSSHAIR_SLOT, nullptr, nullptr, 0.0f, &crosshair, OPAQUE_WHITE);
        // Icons keep their column when other collectibles are gone.
        for (int i = 0; i < COLLECTIBLE_COUNT; ++i) {
            if (engine.collectibleActive[i] == 0)
                continue;
            const D3DXVECTOR2 slot(static_cast<float>(16 * i) + 8.0f, 8.0f);
            DrawSprite(COLLECTIBLE_ICON_SLOT, nullptr, nullptr, 0.0f, &slot, OPAQUE_WHITE);
        }
    }

    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);

    if (engine.fadeLevel > 0.0f) {
        const D3DXVECTOR2 scaling(FADE_SCALE_X, FADE_SCALE_Y);
        const uint32_t alpha =
            static_cast<uint32_t>(static_cast<int32_t>(engine.fadeLevel * 255.0f)) & 0xFFu;
        DrawSprite(FADE_SLOT, &scaling, nullptr, 0.0f, nullptr, (alpha << 24) | 0x00FFFFFFu);
    }
}

} // namespace

void RenderFrame(float gameSpeed, Vec3 eye, Vec3 direction) {
    IDirect3DDevice8* device = engine.device;
    const Vec3 up = player.up;

    // The sky box overwrites colour and depth itself, so it needs no clear.
    if (engine.skyBoxEnabled == 0)
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, SKY_CLEAR_COLOR, 1.0f, 0);
    device->BeginScene();
    levelModels[LEVEL_MODEL].SetupCamera(eye, direction, up);
    DrawSky();
    levelModels[LEVEL_MODEL].DrawMeshModel(1);
    DrawShadowMarkers();
    DrawCollectibles();
    DrawExtraModels(eye, direction, up);
    if (engine.lightsEnabled != 0)
        DrawCoronas(gameSpeed, eye);
    DrawHud();
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}
