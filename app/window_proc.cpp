// WindowProc: keys move through the title, menu and game screens; in game they are recorded
// for walking and run the command keys; left clicks go to the object and collectible handlers.
#include "app/window_proc.h"

#include "core/engine_state.h"
#include "player/interaction.h"
#include "player/player_state.h"
#include "world/animated_objects.h"
#include "world/world_models.h"

#include <cstdio>

namespace {

constexpr WPARAM KEY_GROW_RADIUS = 'A';
constexpr WPARAM KEY_SHRINK_RADIUS = 'Y';
constexpr WPARAM KEY_STATISTICS = 'C';
constexpr float RADIUS_FACTOR = 1.5f;

// Virtual-key codes index the 256 key states; anything larger cannot be a key.
bool IsKeyCode(WPARAM key) {
    return key < sizeof(engine.keyState);
}

void HandleGameKey(WPARAM key) {
    if (IsKeyCode(key))
        engine.keyState[key] = 1;
    // Back to the main menu; the world keeps its state.
    if (key == VK_ESCAPE)
        engine.screenMode = SCREEN_MODE_MENU;
    // Any key ends a running camera flight at once.
    if (engine.cameraSequenceActive != 0) {
        engine.cameraSequenceActive = 0;
        engine.fadeLevel = 0.0f;
    }
    if (key == KEY_GROW_RADIUS)
        engine.collisionRadius *= RADIUS_FACTOR;
    if (key == KEY_SHRINK_RADIUS)
        engine.collisionRadius /= RADIUS_FACTOR;
    if (key == KEY_STATISTICS)
        WriteStatistics("Debug.txt");
}

// Auto-repeat sends every held key again, so holding one key walks from the title screen
// through the menu into the game.
void HandleKeyDown(WPARAM key) {
    if (engine.screenMode == SCREEN_MODE_MENU && key == VK_ESCAPE)
        PostQuitMessage(0);
    else if (engine.screenMode == SCREEN_MODE_END)
        PostQuitMessage(0);
    else if (engine.screenMode == SCREEN_MODE_TITLE)
        engine.screenMode = SCREEN_MODE_MENU;
    else if (engine.screenMode == SCREEN_MODE_MENU)
        engine.screenMode = SCREEN_MODE_GAME;
    else
        HandleGameKey(key);
}

} // namespace

bool WriteStatistics(const char* path) {
    // Truncated on every write, so the file never holds more than one report.
    FILE* file = std::fopen(path, "w");
    if (file == nullptr)
        return false;
    std::fprintf(file, "Faces = %d \nCurrent FPS = %.3f \nMax FPS = %.3f",
                 static_cast<int>(levelModels[LEVEL_MODEL].faceCount),
                 static_cast<double>(engine.currentFps), static_cast<double>(engine.maxFps));
    std::fclose(file);
    return true;
}

LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN:
        HandleKeyDown(wParam);
        break;
    case WM_KEYUP:
        // Released in every screen mode, so a key pressed in game and let go in the menu
        // does not stay down.
        if (IsKeyCode(wParam))
            engine.keyState[wParam] = 0;
        break;
    case WM_LBUTTONDOWN: {
        // In every screen mode and during the camera flights alike.
        const Vec3 eye = PlayerEye(player);
        animatedObjects.ObjectClick(eye, player.direction);
        CollectibleClick(eye, player.direction);
        break;
    }
    case WM_RBUTTONDOWN:
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
