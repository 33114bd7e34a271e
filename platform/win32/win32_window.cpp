// Window classes and windows over SDL. A window is an SDL window made for OpenGL; the
// Direct3D layer creates its context on it. Handles are the addresses of window records.
#include "win32/win32_local.h"
#include "win32/win32_resources.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <vector>

namespace {

struct WindowClass {
    WNDCLASSEXA description;
    std::string name;
};

std::map<std::string, WindowClass>& Classes() {
    static std::map<std::string, WindowClass> classes;
    return classes;
}

// Never destroyed: devices still held by the engine's global models are released after the
// entry point returns, and their teardown asks about their window.
std::vector<std::unique_ptr<HWND__>>& Windows() {
    static auto* windows = new std::vector<std::unique_ptr<HWND__>>;
    return *windows;
}

// The desktop is a handle of its own that no SDL window stands behind.
HWND__ desktopWindow;

// The module handle of the executable: any stable non-null value.
HINSTANCE__* const EXECUTABLE_MODULE = reinterpret_cast<HINSTANCE__*>(0x00400000);

bool IsLiveWindow(HWND hWnd) {
    if (hWnd == nullptr || hWnd == &desktopWindow) {
        return false;
    }
    for (const auto& window : Windows()) {
        if (window.get() == hWnd) {
            return !window->destroyed;
        }
    }
    return false;
}

void ReleaseSdlWindow(HWND hWnd) {
    if (hWnd->sdlWindow != nullptr && hWnd->attachedDevices == 0) {
        SDL_DestroyWindow(hWnd->sdlWindow);
        hWnd->sdlWindow = nullptr;
    }
}

// Icons are PNG images; the window shows the class icon.
SDL_Surface* DecodeIcon(const EmbeddedResource& resource) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_memory(&image, resource.data, resource.size) == 0) {
        return nullptr;
    }
    image.format = PNG_FORMAT_RGBA;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, static_cast<int>(image.width),
                                                          static_cast<int>(image.height), 32,
                                                          SDL_PIXELFORMAT_ABGR8888);
    if (surface == nullptr) {
        png_image_free(&image);
        return nullptr;
    }
    if (png_image_finish_read(&image, nullptr, surface->pixels, surface->pitch, nullptr) == 0) {
        SDL_FreeSurface(surface);
        return nullptr;
    }
    return surface;
}

} // namespace

bool Win32InitVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        return true;
    }
    // A full-screen game window must not minimise itself when another window takes focus.
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    const char* requestedDriver = SDL_getenv("SDL_VIDEODRIVER");
    const bool driverRequested = requestedDriver != nullptr && requestedDriver[0] != '\0';
    const char* x11Display = SDL_getenv("DISPLAY");
    const char* waylandDisplay = SDL_getenv("WAYLAND_DISPLAY");
    if (!driverRequested && (x11Display == nullptr || x11Display[0] == '\0') &&
        (waylandDisplay == nullptr || waylandDisplay[0] == '\0')) {
        Win32SetErrorText("no display available: set DISPLAY to an X server (for example "
                          "under Xvfb), or SDL_VIDEODRIVER=offscreen for a headless run");
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        Win32SetErrorText(std::string("no display available: ") + SDL_GetError());
        return false;
    }
    // SDL falls back to its offscreen driver when no display answers. A game nobody can see
    // must not start by accident: only a run that asks for a headless driver gets one.
    if (Win32IsHeadlessDriver() && !driverRequested) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        Win32SetErrorText("no display available: set DISPLAY to an X server (for example "
                          "under Xvfb), or SDL_VIDEODRIVER=offscreen for a headless run");
        return false;
    }
    return true;
}

bool Win32IsHeadlessDriver() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr) {
        return true;
    }
    const std::string name = driver;
    return name == "offscreen" || name == "dummy" || name == "evdev";
}

HWND Win32FindWindow(Uint32 sdlWindowId) {
    for (const auto& window : Windows()) {
        if (!window->destroyed && window->sdlWindow != nullptr &&
            SDL_GetWindowID(window->sdlWindow) == sdlWindowId) {
            return window.get();
        }
    }
    return nullptr;
}

HWND Win32MainWindow() {
    for (const auto& window : Windows()) {
        if (!window->destroyed) {
            return window.get();
        }
    }
    return nullptr;
}

SDL_Window* Win32GetSdlWindow(HWND hWnd) {
    return IsLiveWindow(hWnd) ? hWnd->sdlWindow : nullptr;
}

void Win32SetBackBufferSize(HWND hWnd, int width, int height) {
    if (IsLiveWindow(hWnd)) {
        hWnd->backBufferWidth = width;
        hWnd->backBufferHeight = height;
    }
}

void Win32AttachDevice(HWND hWnd) {
    if (IsLiveWindow(hWnd)) {
        ++hWnd->attachedDevices;
    }
}

void Win32DetachDevice(HWND hWnd) {
    for (const auto& window : Windows()) {
        if (window.get() == hWnd && window->attachedDevices > 0) {
            --window->attachedDevices;
            if (window->destroyed) {
                ReleaseSdlWindow(hWnd);
            }
        }
    }
}

// Where the device shows the back buffer in the window: scaled with its aspect kept and
// centred. False when the window has no back-buffer size to map.
static bool LetterboxOf(HWND hWnd, double& scale, double& offsetX, double& offsetY) {
    if (!IsLiveWindow(hWnd) || hWnd->backBufferWidth <= 0 || hWnd->backBufferHeight <= 0) {
        return false;
    }
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(hWnd->sdlWindow, &width, &height);
    if (width <= 0 || height <= 0) {
        return false;
    }
    scale = std::min(static_cast<double>(width) / hWnd->backBufferWidth,
                     static_cast<double>(height) / hWnd->backBufferHeight);
    offsetX = (width - hWnd->backBufferWidth * scale) / 2.0;
    offsetY = (height - hWnd->backBufferHeight * scale) / 2.0;
    return true;
}

void Win32WindowToBackBuffer(HWND hWnd, int windowX, int windowY, int& x, int& y) {
    x = windowX;
    y = windowY;
    double scale = 1.0;
    double offsetX = 0.0;
    double offsetY = 0.0;
    if (!LetterboxOf(hWnd, scale, offsetX, offsetY)) {
        return;
    }
    x = std::clamp(static_cast<int>(std::floor((windowX - offsetX) / scale)), 0,
                   hWnd->backBufferWidth - 1);
    y = std::clamp(static_cast<int>(std::floor((windowY - offsetY) / scale)), 0,
                   hWnd->backBufferHeight - 1);
}

void Win32BackBufferToWindow(HWND hWnd, int x, int y, int& windowX, int& windowY) {
    windowX = x;
    windowY = y;
    double scale = 1.0;
    double offsetX = 0.0;
    double offsetY = 0.0;
    if (!LetterboxOf(hWnd, scale, offsetX, offsetY)) {
        return;
    }
    windowX = static_cast<int>(offsetX + (x + 0.5) * scale);
    windowY = static_cast<int>(offsetY + (y + 0.5) * scale);
}

HMODULE GetModuleHandleA(LPCSTR lpModuleName) {
    return lpModuleName == nullptr ? EXECUTABLE_MODULE : nullptr;
}

HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName) {
    if (hInstance == nullptr) {
        return nullptr; // system icons are not provided
    }
    // Icons are compiled in as PNG images of type "ICON".
    return reinterpret_cast<HICON>(FindResourceA(hInstance, lpIconName, "ICON"));
}

HGDIOBJ GetStockObject(int i) {
    // Stock objects are only handed back to RegisterClassExA; any distinct value will do.
    static int stockObjects[32];
    return (i >= 0 && i < 32) ? &stockObjects[i] : nullptr;
}

ATOM RegisterClassExA(const WNDCLASSEXA* lpwcx) {
    if (lpwcx == nullptr || lpwcx->cbSize != sizeof(WNDCLASSEXA) ||
        lpwcx->lpszClassName == nullptr || lpwcx->lpfnWndProc == nullptr) {
        return 0;
    }
    if (Classes().count(lpwcx->lpszClassName) != 0) {
        return 0; // already registered
    }
    WindowClass& windowClass = Classes()[lpwcx->lpszClassName];
    windowClass.description = *lpwcx;
    windowClass.name = lpwcx->lpszClassName;
    windowClass.description.lpszClassName = windowClass.name.c_str();
    return static_cast<ATOM>(Classes().size());
}

BOOL UnregisterClassA(LPCSTR lpClassName, HINSTANCE) {
    if (lpClassName == nullptr) {
        return FALSE;
    }
    for (const auto& window : Windows()) {
        if (!window->destroyed && window->className == lpClassName) {
            return FALSE; // a window of the class still exists
        }
    }
    return Classes().erase(lpClassName) != 0 ? TRUE : FALSE;
}

HWND GetDesktopWindow() {
    return &desktopWindow;
}

HWND CreateWindowExA(DWORD, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD, int X, int Y,
                     int nWidth, int nHeight, HWND, HMENU, HINSTANCE, LPVOID) {
    if (lpClassName == nullptr) {
        return nullptr;
    }
    const auto found = Classes().find(lpClassName);
    if (found == Classes().end()) {
        return nullptr;
    }
    if (!Win32InitVideo()) {
        return nullptr;
    }
    if (nWidth <= 0 || nHeight <= 0) {
        Win32SetErrorText("a window needs a width and a height of at least one pixel");
        return nullptr;
    }
    SDL_Window* sdlWindow =
        SDL_CreateWindow(lpWindowName != nullptr ? lpWindowName : "", X, Y, nWidth, nHeight,
                         SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (sdlWindow == nullptr) {
        Win32SetErrorText(SDL_GetError());
        return nullptr;
    }
    if (found->second.description.hIcon != nullptr) {
        const auto* icon =
            reinterpret_cast<const EmbeddedResource*>(found->second.description.hIcon);
        if (SDL_Surface* surface = DecodeIcon(*icon)) {
            SDL_SetWindowIcon(sdlWindow, surface);
            SDL_FreeSurface(surface);
        }
    }
    auto& window = Windows().emplace_back(std::make_unique<HWND__>());
    window->sdlWindow = sdlWindow;
    window->windowProc = found->second.description.lpfnWndProc;
    window->className = lpClassName;
    HWND hWnd = window.get();
    SendMessageA(hWnd, WM_CREATE, 0, 0);
    return hWnd;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    if (!IsLiveWindow(hWnd)) {
        return FALSE;
    }
    const bool wasVisible = (SDL_GetWindowFlags(hWnd->sdlWindow) & SDL_WINDOW_SHOWN) != 0;
    if (nCmdShow == SW_HIDE) {
        SDL_HideWindow(hWnd->sdlWindow);
    } else {
        SDL_ShowWindow(hWnd->sdlWindow);
        SDL_RaiseWindow(hWnd->sdlWindow);
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hWnd) {
    if (!IsLiveWindow(hWnd)) {
        return FALSE;
    }
    SendMessageA(hWnd, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL DestroyWindow(HWND hWnd) {
    if (!IsLiveWindow(hWnd)) {
        return FALSE;
    }
    SendMessageA(hWnd, WM_DESTROY, 0, 0);
    hWnd->destroyed = true;
    if (hWnd->sdlWindow != nullptr) {
        SDL_HideWindow(hWnd->sdlWindow);
    }
    ReleaseSdlWindow(hWnd);
    return TRUE;
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (hWnd == nullptr || hWnd == &desktopWindow || hWnd->windowProc == nullptr) {
        return 0;
    }
    return hWnd->windowProc(hWnd, Msg, wParam, lParam);
}
