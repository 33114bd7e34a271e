// Start-up, the frame loop with its three-way dispatch, and shutdown.
#include "app/winmain.h"

#include "core/engine_state.h"
#include "app/setup_file.h"
#include "core/startup_warnings.h"
#include "app/window_proc.h"
#include "player/camera_script.h"
#include "player/movement.h"
#include "player/player_state.h"
#include "render/device.h"
#include "render/frame.h"
#include "render/menu_screen.h"
#include "sound/sound.h"
#include "sound/sound_logic.h"
#include "win32/win32_platform.h"
#include "world/level_loader.h"
#include "world/world_update.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

namespace {

constexpr const char* WINDOW_CLASS_NAME = "Ovrel engine";
constexpr WORD ICON_RESOURCE = 101;
constexpr DWORD WINDOW_STYLE = 8; // no standard style bit: a plain overlapped window

HWND mainWindow = nullptr;
HINSTANCE moduleInstance = nullptr;
MSG message = {};

void RegisterWindowClass(HINSTANCE hInstance) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(WNDCLASSEXA);
    windowClass.style = CS_CLASSDC;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hIcon = LoadIconA(hInstance, MAKEINTRESOURCEA(ICON_RESOURCE));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = WINDOW_CLASS_NAME;
    RegisterClassExA(&windowClass);
}

// One line naming the failed step and its cause, as the platform layer recorded it.
std::string DescribeFailure(const std::string& step) {
    const std::string& cause = Win32GetErrorText();
    return step + ": " + (cause.empty() ? "unknown cause" : cause);
}

// The window takes its size from the first two settings lines, so a size the system refuses
// is named together with where it was set.
std::string DescribeWindowFailure(const char* setupPath) {
    if (!Win32InitVideo()) {
        return DescribeFailure("cannot open the game window");
    }
    return DescribeFailure("cannot open a game window of " + std::to_string(engine.screenWidth) +
                           " by " + std::to_string(engine.screenHeight) +
                           " pixels (WIDTH and HEIGHT, the first two lines of " +
                           std::string(setupPath) + ")");
}

std::string DescribeLevelFailure() {
    std::error_code failed;
    const std::filesystem::path folder = std::filesystem::current_path(failed);
    if (!std::filesystem::is_directory("data", failed)) {
        return "there is no data/ folder in " + folder.string() + " (looked for " +
               (folder / "data").string() +
               "); the game runs from the folder that holds data/ and Setup.txt";
    }
    const std::string shown = ShownPath(LoadLevelFailedFile());
    const std::string& cause = Win32GetErrorText();
    if (shown.empty()) {
        return DescribeFailure("cannot load the level");
    }
    return "cannot load the " + std::string(LoadLevelFailedNoun()) + " " + shown + ": " +
           (cause.empty() ? "unknown cause" : CauseWithoutPath(cause, shown));
}

} // namespace

HRESULT EngineStartUp(HINSTANCE hInstance, const EngineStartOptions& options,
                      std::string& failure) {
    moduleInstance = GetModuleHandleA(nullptr);
    RegisterWindowClass(hInstance);
    for (const std::string& warning : ReadSetup(options.setupPath, engine)) {
        StartupWarning(warning);
    }
    std::srand(options.fixedSeed ? options.seed : static_cast<unsigned>(std::time(nullptr)));
    mainWindow = CreateWindowExA(0, WINDOW_CLASS_NAME, WINDOW_CLASS_NAME, WINDOW_STYLE, 0, 0,
                                 engine.screenWidth, engine.screenHeight, GetDesktopWindow(),
                                 nullptr, moduleInstance, nullptr);
    if (mainWindow == nullptr) {
        failure = DescribeWindowFailure(options.setupPath);
        return E_FAIL;
    }
    if (FAILED(InitDevice(mainWindow))) {
        failure = DescribeFailure("cannot create the Direct3D device");
        return E_FAIL;
    }
    if (FAILED(SoundInit(mainWindow))) {
        failure = DescribeFailure("cannot start the sound");
        return E_FAIL;
    }
    if (FAILED(LoadLevel())) {
        failure = DescribeLevelFailure();
        return E_FAIL;
    }
    ShowWindow(mainWindow, SW_SHOWDEFAULT);
    UpdateWindow(mainWindow);
    message = {};
    return S_OK;
}

void RunFrame() {
    const float speed = engine.gameSpeed;
    if (engine.screenMode == SCREEN_MODE_GAME && engine.cameraSequenceActive == 0) {
        // Walking.
        engine.fadeLevel = 0.0f;
        UpdatePlayer(player, engine.keyState, speed);
        UpdateWorld(speed);
        const Vec3 eye = PlayerEye(player);
        RenderFrame(speed, eye, player.direction);
        SoundUpdate(speed, eye, player.direction);
    } else if (engine.screenMode > SCREEN_MODE_GAME) {
        // Title, main menu or end screen: the world stands still, the sound logic goes on.
        RenderMenuScreen();
        SoundUpdate(speed, PlayerEye(player), player.direction);
    } else {
        // Scripted camera flight.
        CameraSequenceStep(speed);
        SoundUpdate(speed, engine.cameraPosition, engine.cameraDirection);
        UpdateWorld(speed);
        RenderFrame(speed, engine.cameraPosition, engine.cameraDirection);
    }
}

bool EnginePass(bool& frameRan) {
    frameRan = false;
    if (message.message == WM_QUIT) {
        return false;
    }
    SetCursor(nullptr);
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) != 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
        return message.message != WM_QUIT;
    }
    RunFrame();
    frameRan = true;
    return true;
}

void EngineShutdown() {
    ReleaseAll();
    if (mainWindow != nullptr) {
        DestroyWindow(mainWindow);
        mainWindow = nullptr;
    }
    UnregisterClassA(WINDOW_CLASS_NAME, moduleInstance);
}

HWND EngineWindow() {
    return mainWindow;
}

int WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    std::string failure;
    const HRESULT started = EngineStartUp(hInstance, EngineStartOptions(), failure);
    if (SUCCEEDED(started)) {
        bool frameRan = false;
        while (EnginePass(frameRan)) {
        }
    }
    EngineShutdown();
    if (FAILED(started)) {
        std::fprintf(stderr, "ovrel: %s\n", failure.c_str());
        return 1;
    }
    return 0;
}
