// The built level opened as the game opens it, for the tests and the benchmark that run on the
// real data: a headless window and device, LoadLevel from the output folder, and the object
// boxes written into the level and hull models once.
#pragma once

#include "core/engine_state.h"
#include "d3d8/d3d8_platform.h"
#include "player/player_state.h"
#include "render/device.h"
#include "win32/win32_platform.h"
#include "world/animated_objects.h"
#include "world/level_loader.h"
#include "world/world_models.h"

#include <string>
#include <unistd.h>

class LevelSession {
  public:
    // Opens everything; false with error set when a step fails.
    bool Open() {
        if (chdir(OVREL_OUTPUT_DIR) != 0) {
            error = "cannot enter " OVREL_OUTPUT_DIR;
            return false;
        }
        engine.screenWidth = 640;
        engine.screenHeight = 480;
        engine.screenRect = RECT{0, 0, 640, 480};
        engine.backBufferFormat = D3DFMT_X8R8G8B8;
        engine.soundsEnabled = 0;
        if (!Win32InitVideo()) {
            error = Win32GetErrorText();
            return false;
        }
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.lpszClassName = "player level test";
        RegisterClassExA(&windowClass);
        window = CreateWindowExA(0, "player level test", "player level test", 8, 0, 0, 640, 480,
                                 GetDesktopWindow(), nullptr, GetModuleHandleA(nullptr), nullptr);
        if (window == nullptr || FAILED(InitDevice(window))) {
            error = "device: " + Win32GetErrorText();
            return false;
        }
        D3D8SetPresentPacing(engine.device, false);
        if (FAILED(LoadLevel())) {
            error = std::string("level file ") + LoadLevelFailedFile();
            return false;
        }
        // Every object starts moving, so one update builds all the boxes at their closed
        // places.
        animatedObjects.UpdateAnimatedObjects();
        return true;
    }

    void Close() {
        for (MeshModel& model : levelModels) {
            ReleaseMeshModel(model);
        }
        ReleaseMeshModel(skyBoxModel);
        ReleaseMeshModel(collectibleModel);
        ReleaseAll();
        if (window != nullptr) {
            DestroyWindow(window);
            window = nullptr;
        }
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) != 0) {
        }
        UnregisterClassA("player level test", GetModuleHandleA(nullptr));
    }

    HWND window = nullptr;
    std::string error;
};
