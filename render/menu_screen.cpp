// RenderMenuScreen: one 512 by 512 image stretched over the back buffer.
#include "render/menu_screen.h"

#include "core/engine_state.h"

namespace {

constexpr D3DCOLOR MENU_CLEAR_COLOR = 0xFF646464;
constexpr float MENU_IMAGE_SIZE = 512.0f;

// The menuTextures slot of a screen mode, or null for the game itself.
IDirect3DTexture8* MenuImage(int32_t screenMode) {
    switch (screenMode) {
    case SCREEN_MODE_TITLE:
        return engine.menuTextures[0];
    case SCREEN_MODE_MENU:
        return engine.menuTextures[1];
    case SCREEN_MODE_END:
        return engine.menuTextures[2];
    default:
        return nullptr;
    }
}

} // namespace

HRESULT RenderMenuScreen() {
    IDirect3DDevice8* device = engine.device;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, MENU_CLEAR_COLOR, 1.0f, 0);
    device->BeginScene();
    const D3DXVECTOR2 scaling(static_cast<float>(engine.screenWidth) / MENU_IMAGE_SIZE,
                              static_cast<float>(engine.screenHeight) / MENU_IMAGE_SIZE);
    // The sprite's creation result is not checked at start-up; without one there is no image.
    if (engine.sprite != nullptr)
        engine.sprite->Draw(MenuImage(engine.screenMode), nullptr, &scaling, nullptr, 0.0f, nullptr,
                            0xFFFFFFFF);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
    return S_OK;
}
