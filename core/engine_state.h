// EngineState: the one global record through which the engine shares its settings, screen
// size, input, scripted-camera and overlay state, device objects, collectible tables and frame
// statistics. Members without a stated initial value start at zero.
#pragma once

#include "d3d8/d3d8.h"
#include "d3dx/d3dx8.h"
#include "core/vector_ops.h"
#include "win32/windows.h"

#include <cstdint>

// What a frame shows: the game, or one of the full-screen images (above 0). Stored in
// EngineState::screenMode as its number.
enum ScreenMode : int32_t {
    SCREEN_MODE_GAME = 0,
    SCREEN_MODE_MENU = 1,
    SCREEN_MODE_TITLE = 2,
    SCREEN_MODE_END = 3,
};

constexpr int TEXTURE_SLOT_COUNT = 7;
constexpr int COLLECTIBLE_CAPACITY = 50;
constexpr int COLLECTIBLE_COUNT = 10;

struct EngineState {
    // Settings block; Setup.txt overrides some of them.
    int32_t screenMode = SCREEN_MODE_TITLE;
    float collisionRadius = 0.48f;
    int32_t cameraSequenceActive = 1;
    float gameSpeed = 2.0f;
    int32_t trueShadows = 1;
    int32_t lightsEnabled = 1;
    int32_t skyBoxEnabled = 1;
    int32_t hardwareRendering = 1;
    int32_t soundsEnabled = 1;
    int32_t fogEnabled = 1;
    float waterLevel = 2.3f;

    // Display and input. screenRect is (0, 0, screenWidth, screenHeight).
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    RECT screenRect = {0, 0, 0, 0};
    D3DFORMAT backBufferFormat = D3DFMT_UNKNOWN;
    int32_t invertMouse = 0;
    // 1 plays in a window of the back buffer's size; 0 covers the whole display.
    int32_t windowed = 0;
    uint8_t keyState[256] = {};

    // Scripted camera, fade overlay and HUD.
    Vec3 cameraPosition = Vec3(0.0f, 0.5f, 0.0f);
    Vec3 cameraDirection = Vec3(-0.2f, 0.0f, 1.0f);
    int32_t cameraScriptStep = 0;
    float fadeLevel = 0.0f;
    float hudIconAngle = 0.0f;

    // Device objects, created by InitDevice and LoadLevel, released by ReleaseAll.
    IDirect3D8* direct3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    ID3DXSprite* sprite = nullptr;
    IDirect3DVertexBuffer8* coronaVertexBuffer = nullptr;
    IDirect3DTexture8* spriteTextures[TEXTURE_SLOT_COUNT] = {};
    IDirect3DTexture8* menuTextures[TEXTURE_SLOT_COUNT] = {};

    // The ten collectibles (entries 0 to 9 used), placed by LoadLevel.
    int32_t collectibleActive[COLLECTIBLE_CAPACITY] = {};
    Vec3 collectiblePositions[COLLECTIBLE_CAPACITY] = {};

    // Frame statistics, measured every 50 frames.
    float currentFps = 0.0f;
    float maxFps = 0.0f;
};

extern EngineState engine;
