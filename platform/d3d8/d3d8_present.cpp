// The device's OpenGL side: the 3.3 core context on the window, the back buffer (a
// framebuffer object at the configured size and format), Present (scaled with its aspect
// kept into the window, then a swap paced to the retrace or to 60 Hz; without a window the
// frame is only finished) and read-back.
#include "d3d8/d3d8_local.h"
#include "win32/win32_platform.h"

#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

// Mesa's software rasterisers decode a compressed texel again on every fetch, for every pixel
// drawn: a frame of the level costs about a quarter more than with 32-bit textures. Blocks
// decoded once at upload draw as fast as 32-bit textures do.
bool SoftwareRasteriser() {
    const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    if (renderer == nullptr)
        return false;
    for (const char* name : {"llvmpipe", "softpipe", "swrast"})
        if (std::strstr(renderer, name) != nullptr)
            return true;
    return false;
}

GLenum ColourStorage(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_A8R8G8B8:
        return GL_RGBA8;
    case D3DFMT_R5G6B5:
        return GL_RGB565;
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
        return GL_RGB5_A1;
    default:
        return GL_RGB8;
    }
}

GLenum DepthStorage(D3DFORMAT format, bool& stencil) {
    stencil = false;
    switch (format) {
    case D3DFMT_D24S8:
    case D3DFMT_D15S1:
        stencil = true;
        return GL_DEPTH24_STENCIL8;
    case D3DFMT_D24X8:
        return GL_DEPTH_COMPONENT24;
    case D3DFMT_D32:
        return GL_DEPTH_COMPONENT32;
    default:
        return GL_DEPTH_COMPONENT16;
    }
}

// One frame at 60 Hz, for swaps that do not wait for the retrace.
constexpr std::chrono::microseconds FRAME_PERIOD{16667};
constexpr std::chrono::microseconds NO_WAIT_THRESHOLD{15000};

} // namespace

bool D3D8Device::Initialise(std::string& error) {
    sdlWindow = Win32GetSdlWindow(window);
    if (sdlWindow == nullptr) {
        error = "the device window is not a live window";
        return false;
    }
    // A windowed device with no size or format takes the window's.
    if (params.BackBufferWidth == 0 || params.BackBufferHeight == 0) {
        int w = 0, h = 0;
        SDL_GetWindowSize(sdlWindow, &w, &h);
        params.BackBufferWidth = static_cast<UINT>(std::max(w, 1));
        params.BackBufferHeight = static_cast<UINT>(std::max(h, 1));
    }
    if (params.BackBufferFormat == D3DFMT_UNKNOWN)
        params.BackBufferFormat = D3DFMT_X8R8G8B8;
    if (!CreateContext(error) || !CreateBackBuffer(error))
        return false;
    D3D8SetDefaultState(state, params, behaviorFlags);
    Win32AttachDevice(window);
    attached = true;
    Win32SetBackBufferSize(window, static_cast<int>(params.BackBufferWidth),
                           static_cast<int>(params.BackBufferHeight));
    // A full-screen device covers the whole display with its window.
    if (!params.Windowed && !Win32IsHeadlessDriver())
        Win32CoverDisplay(window);
    return true;
}

bool D3D8Device::CreateContext(std::string& error) {
    // The reference device is the same layer on Mesa's software rasteriser. The variable
    // only takes effect before the first context of the process loads the driver, and it
    // is put back afterwards so that programs started later are not affected.
    const char* previous = std::getenv("LIBGL_ALWAYS_SOFTWARE");
    const std::string saved = previous != nullptr ? previous : "";
    if (deviceType == D3DDEVTYPE_REF)
        setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    context = SDL_GL_CreateContext(sdlWindow);
    if (deviceType == D3DDEVTYPE_REF) {
        if (previous != nullptr)
            setenv("LIBGL_ALWAYS_SOFTWARE", saved.c_str(), 1);
        else
            unsetenv("LIBGL_ALWAYS_SOFTWARE");
    }
    if (context == nullptr) {
        error = SDL_GetError();
        return false;
    }
    if (SDL_GL_MakeCurrent(sdlWindow, context) != 0) {
        error = SDL_GetError();
        return false;
    }
    if (epoxy_gl_version() < 33) {
        error = "the OpenGL context is older than 3.3";
        return false;
    }
    // The default interval waits for the retrace, as the platform's full-screen Present does.
    const bool immediate = params.FullScreen_PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE;
    SDL_GL_SetSwapInterval(immediate ? 0 : 1);
    if (immediate)
        pacing = false;
    s3tcAvailable = epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc");
    compressedUpload = s3tcAvailable && !SoftwareRasteriser();
    return true;
}

bool D3D8Device::CreateBackBuffer(std::string& error) {
    const GLsizei width = static_cast<GLsizei>(params.BackBufferWidth);
    const GLsizei height = static_cast<GLsizei>(params.BackBufferHeight);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenRenderbuffers(1, &colorBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, ColourStorage(params.BackBufferFormat), width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        // Every implementation renders to RGBA8; the format's precision is then lost.
        glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    }
    if (params.EnableAutoDepthStencil) {
        glGenRenderbuffers(1, &depthBuffer);
        glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
        glRenderbufferStorage(GL_RENDERBUFFER,
                              DepthStorage(params.AutoDepthStencilFormat, hasStencil), width,
                              height);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER,
                                  hasStencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                                  GL_RENDERBUFFER, depthBuffer);
    }
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        error = "the back buffer cannot be created";
        return false;
    }
    if (!programs.Create(error))
        return false;
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &streamBuffer);
    glGenSamplers(1, &sampler);
    glBindSampler(0, sampler);
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_PROGRAM_POINT_SIZE);
    // With the rows stored top first, OpenGL's lower left is the screen's upper left.
    glPointParameteri(GL_POINT_SPRITE_COORD_ORIGIN, GL_LOWER_LEFT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glDisable(GL_DITHER);
    cache = D3D8GlCache{};
    cache.dither = false;
    // The back buffer starts black with the far depth.
    glViewport(0, 0, width, height);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClearDepth(1.0);
    glClear(GL_COLOR_BUFFER_BIT | (depthBuffer != 0 ? GL_DEPTH_BUFFER_BIT : 0));
    if (glGetError() != GL_NO_ERROR) {
        error = "OpenGL reported an error while setting up the device";
        return false;
    }
    return true;
}

void D3D8Device::DestroyGlObjects() {
    programs.Destroy();
    if (sampler != 0)
        glDeleteSamplers(1, &sampler);
    if (streamBuffer != 0)
        glDeleteBuffers(1, &streamBuffer);
    if (vertexArray != 0)
        glDeleteVertexArrays(1, &vertexArray);
    if (depthBuffer != 0)
        glDeleteRenderbuffers(1, &depthBuffer);
    if (colorBuffer != 0)
        glDeleteRenderbuffers(1, &colorBuffer);
    if (framebuffer != 0)
        glDeleteFramebuffers(1, &framebuffer);
    sampler = streamBuffer = vertexArray = depthBuffer = colorBuffer = framebuffer = 0;
}

HRESULT D3D8Device::Present(const RECT* pSourceRect, const RECT* pDestRect,
                            HWND hDestWindowOverride, const void* pDirtyRegion) {
    recorder.Add("Present",
                 {pSourceRect != nullptr ? 1u : 0u, pDestRect != nullptr ? 1u : 0u,
                  hDestWindowOverride != nullptr ? 1u : 0u, pDirtyRegion != nullptr ? 1u : 0u});
    if (context == nullptr)
        return D3DERR_INVALIDCALL;
    MakeCurrent();
    if (presentToWindow) {
        int drawableWidth = 0, drawableHeight = 0;
        SDL_GL_GetDrawableSize(sdlWindow, &drawableWidth, &drawableHeight);
        const double bw = params.BackBufferWidth, bh = params.BackBufferHeight;
        const double scale = std::min(drawableWidth / bw, drawableHeight / bh);
        const int outWidth = static_cast<int>(bw * scale + 0.5);
        const int outHeight = static_cast<int>(bh * scale + 0.5);
        const int left = (drawableWidth - outWidth) / 2;
        const int bottom = (drawableHeight - outHeight) / 2;

        // Blits and clears obey the scissor test and colour mask.
        if (Differs(cache.scissor, false))
            glDisable(GL_SCISSOR_TEST);
        if (Differs(cache.colorMask, {true, true, true, true}))
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        const bool exact = outWidth == static_cast<int>(bw) && outHeight == static_cast<int>(bh);
        // The back buffer's first row is the top one; the window's is the bottom one.
        glBlitFramebuffer(0, 0, static_cast<GLint>(bw), static_cast<GLint>(bh), left,
                          bottom + outHeight, left + outWidth, bottom, GL_COLOR_BUFFER_BIT,
                          exact ? GL_NEAREST : GL_LINEAR);
        SDL_GL_SwapWindow(sdlWindow);
        glBindFramebuffer(GL_DRAW_FRAMEBUFFER, framebuffer);
    } else {
        // Nothing is shown, but the frame is finished here as a swap would finish it: frames
        // do not pile up in the driver's queue, and their cost falls in the frame that made it.
        glFinish();
    }
    if (pacing)
        PaceFrame();
    return D3D_OK;
}

void D3D8Device::PaceFrame() {
    using Clock = std::chrono::steady_clock;
    Clock::time_point now = Clock::now();
    // A swap that waited for the retrace leaves a full frame since the last Present; one
    // that returned at once is held back to 60 Hz.
    if (lastPresent != Clock::time_point{} && now - lastPresent < NO_WAIT_THRESHOLD) {
        std::this_thread::sleep_until(lastPresent + FRAME_PERIOD);
        now = Clock::now();
    }
    lastPresent = now;
}

bool D3D8Device::ReadBack(std::vector<uint32_t>& pixels, UINT& width, UINT& height) {
    if (context == nullptr)
        return false;
    MakeCurrent();
    width = params.BackBufferWidth;
    height = params.BackBufferHeight;
    std::vector<uint32_t> rows(static_cast<size_t>(width) * height);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    // Little-endian BGRA bytes read as one 32-bit value are 0xAARRGGBB.
    glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
    // Rows are stored top first already.
    pixels.swap(rows);
    return glGetError() == GL_NO_ERROR;
}
