// Internals of the Direct3D 8 layer: the classes behind the interfaces, the state a device
// tracks, the OpenGL state it has issued, the vertex layouts of FVF codes, the texture format
// table and the call recorder. Only d3d8_*.cpp include this header.
#pragma once

#include "d3d8/d3d8.h"
#include "d3d8/d3d8_platform.h"
#include "d3d8/d3d8_triangle_culling.h"
#include "win32/ref_counted.h"

#include <SDL2/SDL.h>
#include <epoxy/gl.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

class D3D8Device;
class D3D8Texture;
class D3D8VertexBuffer;
class D3D8IndexBuffer;

// ---- Formats --------------------------------------------------------------------------------

// How a Direct3D format is stored in memory and uploaded to OpenGL.
struct D3D8FormatInfo {
    D3DFORMAT format;
    UINT bytes;      // per pixel, or per 4x4 block for compressed formats
    bool compressed; // DXTn: 4x4 blocks
    bool hasAlpha;   // the format carries alpha (others read alpha as 1)
    GLenum internalFormat;
    GLenum glFormat; // for uncompressed uploads
    GLenum glType;
    std::array<GLint, 4> swizzle;
};

// The format's description, or null for a format this layer does not support.
const D3D8FormatInfo* D3D8FindFormat(D3DFORMAT format);

// Bytes of one row of pixels (or of 4x4 blocks) and the number of such rows in a level.
UINT D3D8RowPitch(const D3D8FormatInfo& info, UINT width);
UINT D3D8RowCount(const D3D8FormatInfo& info, UINT height);

// ---- Vertex formats -------------------------------------------------------------------------

// Where each element of an FVF vertex lies; -1 for an element the format lacks.
struct D3D8VertexLayout {
    UINT size = 0;
    bool pretransformed = false; // XYZRHW
    int normal = -1;
    int pointSize = -1;
    int diffuse = -1;
    int specular = -1;
    int texCoordCount = 0;
    std::array<int, 8> texCoord{};
    std::array<int, 8> texCoordSize{};
};

// Decodes an FVF code; false for codes without a position.
bool D3D8DecodeFvf(DWORD fvf, D3D8VertexLayout& layout);

// ---- Call recording -------------------------------------------------------------------------

class D3D8Recorder {
  public:
    bool active = false;
    std::vector<D3D8Call> calls;

    // Records name(args...), with optional floats (matrix, viewport...) appended to args.
    void Add(const char* name, std::initializer_list<uint32_t> args, const float* extra = nullptr,
             size_t extraCount = 0);
};

// ---- Resources ------------------------------------------------------------------------------

// Identifies this layer's objects behind an interface pointer.
class D3D8Tracked {
  public:
    virtual ~D3D8Tracked() = default;
    uint32_t resourceId = 0;
};

// Reference counting for textures and buffers. A resource holds a reference on its device
// for as long as the application holds one on it. A resource still bound to the device when
// the application lets go of it lives on until it is unbound, as the platform keeps bound
// resources alive.
template <class Interface> class D3D8Resource : public RefCounted<Interface>, public D3D8Tracked {
  public:
    HRESULT GetDevice(IDirect3DDevice8** ppDevice) override;

    // The device binds a resource while it is set as a texture, stream or index source.
    void Bind() { ++bindCount; }
    void Unbind();

    D3D8Device* Owner() const { return device; }

  protected:
    explicit D3D8Resource(D3D8Device* owner);

    // A resource revived while only the device kept it takes its device reference again.
    void Revived() override;
    void LastReleased() override;

    D3D8Device* device;
    ULONG bindCount = 0;
};

// A buffer's memory: the bytes Lock hands out and the OpenGL buffer they reach on the next
// draw after Unlock.
struct D3D8BufferStore {
    std::vector<BYTE> bytes;
    GLuint glBuffer = 0;
    bool dirty = true;
    int lockCount = 0;
    // What the OpenGL buffer holds, kept once the buffer is written after its first upload.
    std::vector<BYTE> uploaded;
    size_t glBufferSize = 0;
    uint64_t rangeUploads = 0; // partial uploads so far
    uint64_t writeLocks = 0;   // locks that may have written
    // Counts the uploads that changed the contents; changed holds the byte ranges of the last.
    uint64_t generation = 0;
    std::vector<D3D8ByteRange> changed;
    // Granularity of the comparison: small enough to send little, large enough for memcmp.
    static constexpr size_t COMPARE_BLOCK = 256;

    HRESULT Lock(UINT offset, UINT size, BYTE** ppbData, DWORD flags);
    HRESULT Unlock();
    // Uploads pending writes to target; returns the OpenGL buffer. bound tracks what the
    // caller's cache believes is bound to target.
    GLuint Prepare(GLenum target, GLuint& bound);
    void Free();
};

class D3D8VertexBuffer final : public D3D8Resource<IDirect3DVertexBuffer8> {
  public:
    D3D8VertexBuffer(D3D8Device* owner, DWORD usage, DWORD fvf, D3DPOOL pool);
    ~D3D8VertexBuffer() override;
    // Makes the memory; false when there is not enough.
    bool Allocate(UINT length);
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;

    D3D8BufferStore store;

  private:
    DWORD usage;
    DWORD fvf;
    D3DPOOL pool;
};

class D3D8IndexBuffer final : public D3D8Resource<IDirect3DIndexBuffer8> {
  public:
    D3D8IndexBuffer(D3D8Device* owner, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    ~D3D8IndexBuffer() override;
    // Makes the memory; false when there is not enough.
    bool Allocate(UINT length);
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) override;

    D3D8BufferStore store;
    UINT IndexSize() const { return format == D3DFMT_INDEX32 ? 4 : 2; }
    // The largest index in count indices from start.
    uint32_t MaxIndex(UINT start, UINT count) const;
    // The largest index anywhere in the buffer, recomputed after writes.
    uint32_t MaxIndex();
    // The chunks of the large draws made from these indices.
    D3D8TriangleCulling culling;

  private:
    uint32_t maxIndex = 0;
    bool maxIndexStale = true;
    DWORD usage;
    D3DFORMAT format;
    D3DPOOL pool;
};

class D3D8Texture final : public D3D8Resource<IDirect3DTexture8> {
  public:
    D3D8Texture(D3D8Device* owner, DWORD usage, const D3D8FormatInfo& info, D3DPOOL pool);
    ~D3D8Texture() override;
    // Makes the levels (0: the whole chain); false when there is not enough memory.
    bool Allocate(UINT width, UINT height, UINT levelCount);
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
    DWORD GetLevelCount() override { return static_cast<DWORD>(levels.size()); }
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect,
                     DWORD Flags) override;
    HRESULT UnlockRect(UINT Level) override;

    // Uploads levels written since the last draw; returns the OpenGL texture. bound tracks
    // what the caller's cache believes is bound to unit 0.
    GLuint Prepare(bool compressedUpload, GLuint& bound);
    D3DFORMAT Format() const { return info.format; }

  private:
    struct MipLevel {
        UINT width;
        UINT height;
        UINT pitch;
        std::vector<BYTE> bytes;
        bool dirty = true;
        bool locked = false;
    };
    void UploadLevel(GLint index, const MipLevel& level, bool compressedUpload);

    const D3D8FormatInfo& info;
    DWORD usage;
    D3DPOOL pool;
    std::vector<MipLevel> levels;
    GLuint glTexture = 0;
    bool anyDirty = true;
    bool uploadedCompressed = false;
};

// ---- The Direct3D object --------------------------------------------------------------------

class D3D8Direct3D final : public RefCounted<IDirect3D8> {
  public:
    D3D8Direct3D();
    UINT GetAdapterCount() override { return 1; }
    UINT GetAdapterModeCount(UINT Adapter) override;
    HRESULT EnumAdapterModes(UINT Adapter, UINT Mode, D3DDISPLAYMODE* pMode) override;
    HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
    HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType, D3DFORMAT DisplayFormat,
                            D3DFORMAT BackBufferFormat, BOOL Windowed) override;
    HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) override;
    HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                         DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pPresentationParameters,
                         IDirect3DDevice8** ppReturnedDeviceInterface) override;

  private:
    ~D3D8Direct3D() override = default;
    std::vector<D3DDISPLAYMODE> modes;
};

// The capabilities this layer reports for a HAL or REF device.
void D3D8FillCaps(D3DDEVTYPE type, D3DCAPS8& caps);

// ---- The device -----------------------------------------------------------------------------

// Everything the application set, readable through the Get* methods.
struct D3D8State {
    std::array<DWORD, 256> renderStates{};
    std::array<std::array<DWORD, 32>, 8> stageStates{};
    std::map<DWORD, D3DMATRIX> transforms;
    D3DVIEWPORT8 viewport{};
    D3DMATERIAL8 material{};
    std::map<DWORD, D3DLIGHT8> lights;
    std::map<DWORD, BOOL> lightEnabled;
    DWORD vertexShader = 0;
};

// Sets the platform's documented defaults for a device with that back buffer.
void D3D8SetDefaultState(D3D8State& state, const D3DPRESENT_PARAMETERS& params,
                         DWORD behaviorFlags);

// Direct3D state values as OpenGL enums.
GLenum D3D8GlBlendFactor(DWORD blend, bool isSource);
GLenum D3D8GlBlendEquation(DWORD blendOp);
GLenum D3D8GlCompareFunc(DWORD func);
GLint D3D8GlAddressMode(DWORD address);
GLint D3D8GlMinFilter(DWORD minFilter, DWORD mipFilter);
GLint D3D8GlMagFilter(DWORD magFilter);

// The values the fixed-function programs read, one uniform each. What the pipeline does
// with them is compiled into the program chosen by D3D8ProgramKey.
struct D3D8ShaderConstants {
    float worldView[16];
    float projection[16];
    float viewport[4];      // x, y, width, height in pixels
    float depthRange[4];    // MinZ, MaxZ
    float pointSize[4];     // size, minimum, maximum, distance scaling on
    float pointScale[4];    // A, B, C, sprite texture coordinates on
    float fog[4];           // start, end, density, mode (0 off, 1 exp, 2 exp2, 3 linear)
    float fogColor[4];      // r, g, b
    float textureFactor[4]; // r, g, b, a
    int32_t alphaRef[4];    // reference of the alpha test, 0..255
};

// One texture stage's operation and its arguments (D3DTA_* with the modifier bits).
struct D3D8StageSetup {
    uint8_t op = 0;
    uint8_t arg1 = 0;
    uint8_t arg2 = 0;
    uint8_t arg0 = 0;
};

// Everything in the tracked state that changes what the fixed-function program computes, as
// opposed to the values it computes with. Fields that cannot matter for the rest of the key
// are zero, so states that draw alike share one program.
struct D3D8ProgramKey {
    bool pretransformed = false;
    uint8_t fogSource = 0; // 0 clip w, 1 projected z, 2 eye-space z, 3 distance from the eye
    uint8_t pointSize = 0; // 0 not drawing points, 1 the render state, 2 per vertex
    bool pointScale = false;
    bool textureBound = false;
    bool spriteCoords = false;
    D3D8StageSetup color;
    D3D8StageSetup alpha;
    uint8_t alphaFunc = 0; // D3DCMP_* of a test that can fail; 0 for none
    uint8_t fogMode = 0;   // 0 off, 1 exp, 2 exp2, 3 linear

    uint64_t Packed() const;
};

// The key of the draw about to be made.
D3D8ProgramKey D3D8MakeProgramKey(const D3D8State& state, const D3D8VertexLayout& layout,
                                  bool points, bool textureBound);

// GLSL of the program specialised for key: a vertex and a fragment shader body.
void D3D8ProgramSource(const D3D8ProgramKey& key, std::string& vertex, std::string& fragment);

// The programs a device draws with: one per key, built on first use. With specialisation off
// every draw uses the one general program, which branches on the key at run time; it is the
// reference the specialised programs must match pixel for pixel.
class D3D8ProgramCache {
  public:
    bool Create(std::string& error);
    void Destroy();
    // Makes the program for key current; true when that took an OpenGL call. A program that
    // cannot be built is reported once and replaced by the general one.
    bool Use(const D3D8ProgramKey& key, bool filtering);
    // Gives the current program these values; true when any uniform had to be set.
    bool SetConstants(const D3D8ShaderConstants& values, bool filtering);
    size_t SpecialisedCount() const { return programs.size(); }

    bool specialised = true;

    struct Program {
        uint64_t key = 0;
        GLuint name = 0;
        std::array<GLint, 10> locations{}; // in D3D8ShaderConstants order
        D3D8ShaderConstants values{};      // what the program's uniforms hold
        bool valuesSet = false;
    };

  private:
    Program* Find(const D3D8ProgramKey& key);
    Program* Build(const D3D8ProgramKey& key);
    Program* General();
    void SetSelection(const D3D8ProgramKey& key);

    std::vector<std::unique_ptr<Program>> programs; // few: searched from the most recent
    std::unique_ptr<Program> general;
    Program* current = nullptr;
    uint64_t selection = ~uint64_t{0};
    bool failed = false;
    bool generalFailed = false;
};

// The general program's source: branches on a uniform copy of the key (d3d8_reference_program.cpp).
const char* D3D8GeneralVertexSource();
const char* D3D8GeneralFragmentSource();
// The uniforms of D3D8ShaderConstants, shared by every program.
extern const char* const D3D8_CONSTANTS_BLOCK;
// Compiles and links a program from two bodies; 0 with error set on failure.
GLuint D3D8LinkProgram(const char* vertex, const char* fragment, std::string& error);

// The OpenGL state last issued, so that draws only change what differs.
struct D3D8GlCache {
    bool blend = false;
    GLenum blendSrc = GL_ONE;
    GLenum blendDst = GL_ZERO;
    GLenum blendEquation = GL_FUNC_ADD;
    bool depthTest = false;
    GLenum depthFunc = GL_LESS;
    bool depthMask = true;
    GLenum cullFace = 0; // 0: culling off
    std::array<bool, 4> colorMask{true, true, true, true};
    GLenum polygonMode = GL_FILL;
    bool dither = true;
    bool scissor = false;
    GLuint texture = 0;
    std::array<GLint, 5> samplerParams{};          // wrap s, wrap t, min, mag, border colour
    std::array<float, 2> samplerLod{-1.0f, -1.0f}; // lod bias, min lod
    std::array<GLint, 4> viewport{-1, -1, -1, -1};
    std::array<float, 2> depthRange{-1.0f, -1.0f};
    GLuint arrayBuffer = 0;
    GLuint elementBuffer = 0;
    std::array<int64_t, 4> layoutKey{-1, -1, -1, -1};
};

class D3D8Device final : public RefCounted<IDirect3DDevice8> {
  public:
    D3D8Device(D3D8Direct3D* direct3d, D3DDEVTYPE type, HWND window, DWORD behaviorFlags,
               const D3DPRESENT_PARAMETERS& params);

    // Creates the context, the back buffer and the program; false with error text set.
    bool Initialise(std::string& error);

    HRESULT TestCooperativeLevel() override;
    HRESULT GetDirect3D(IDirect3D8** ppD3D8) override;
    HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override;
    HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override;
    HRESULT Clear(DWORD Count, const D3DRECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                  DWORD Stencil) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                    const void* pDirtyRegion) override;

    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                          D3DPOOL Pool, IDirect3DTexture8** ppTexture) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer8** ppVertexBuffer) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer8** ppIndexBuffer) override;

    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT SetViewport(const D3DVIEWPORT8* pViewport) override;
    HRESULT GetViewport(D3DVIEWPORT8* pViewport) override;
    HRESULT SetMaterial(const D3DMATERIAL8* pMaterial) override;
    HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override;
    HRESULT SetLight(DWORD Index, const D3DLIGHT8* pLight) override;
    HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) override;
    HRESULT LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT GetLightEnable(DWORD Index, BOOL* pEnable) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture8** ppTexture) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type,
                                 DWORD* pValue) override;

    HRESULT SetVertexShader(DWORD Handle) override;
    HRESULT GetVertexShader(DWORD* pHandle) override;
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                            UINT Stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                          UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT MinIndex, UINT NumVertices,
                                 UINT StartIndex, UINT PrimitiveCount) override;
    HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                            const void* pVertexStreamZeroData,
                            UINT VertexStreamZeroStride) override;

    // Makes the device's context current if it is not.
    void MakeCurrent();
    // A resource deletes its OpenGL object: the cache must not take a reused name for it.
    void ForgetGlBuffer(GLuint name);
    void ForgetGlTexture(GLuint name);
    uint32_t NextResourceId() { return ++lastResourceId; }

    // Copies the back buffer, top row first, as 0xAARRGGBB.
    bool ReadBack(std::vector<uint32_t>& pixels, UINT& width, UINT& height);

    D3D8Recorder recorder;
    bool pacing = true;
    bool presentToWindow = true;
    bool stateFiltering = true;
    bool compressedUpload = true;
    bool culling = true;
    uint64_t culledTriangles = 0;
    D3D8ProgramCache programs;
    bool s3tcAvailable = false;
    uint64_t glStateCalls = 0;

  private:
    ~D3D8Device() override;

    // Creation steps (d3d8_present.cpp).
    bool CreateContext(std::string& error);
    bool CreateBackBuffer(std::string& error);
    void DestroyGlObjects();
    void PaceFrame();

    // Drawing (d3d8_draw.cpp).
    HRESULT Draw(D3DPRIMITIVETYPE type, UINT primitiveCount, GLuint vertexBuffer, UINT vertexStride,
                 UINT firstVertex, D3D8IndexBuffer* indices, UINT startIndex, int baseVertex);
    void ApplyPipelineState();
    void ApplyTexture();
    bool ApplyVertexLayout(GLuint buffer, UINT stride, const D3D8VertexLayout& layout);
    void ApplyConstants(const D3D8ProgramKey& key);
    void ApplyViewport();
    // Fills visibleRuns with the parts of a large triangle list that may reach the screen.
    void CullTriangles(D3D8IndexBuffer& indices, UINT vertexStride, UINT startIndex,
                       UINT indexCount, int baseVertex);
    // Draws visibleRuns from the bound index buffer.
    void DrawRuns(GLenum mode, UINT indexSize, int baseVertex);

    // Issues a cached OpenGL state change; true when the call must be made.
    template <class T> bool Differs(T& cached, const T& value) {
        if (stateFiltering && cached == value)
            return false;
        cached = value;
        ++glStateCalls;
        return true;
    }

    D3D8Direct3D* direct3d;
    D3DDEVTYPE deviceType;
    HWND window;
    DWORD behaviorFlags;
    D3DPRESENT_PARAMETERS params;
    SDL_Window* sdlWindow = nullptr;
    SDL_GLContext context = nullptr;
    bool attached = false;

    GLuint framebuffer = 0;
    GLuint colorBuffer = 0;
    GLuint depthBuffer = 0;
    bool hasStencil = false;
    GLuint vertexArray = 0;
    GLuint streamBuffer = 0;
    GLuint sampler = 0;
    D3D8GlCache cache;
    // Per-draw scratch, kept so that drawing allocates nothing once warm.
    std::vector<D3D8IndexRun> visibleRuns;
    std::vector<GLsizei> runCounts;
    std::vector<const void*> runOffsets;
    std::vector<GLint> runBases;

    D3D8State state;
    std::array<D3D8Texture*, 8> textures{};
    D3D8VertexBuffer* streamSource = nullptr;
    UINT streamStride = 0;
    D3D8IndexBuffer* indexSource = nullptr;
    UINT baseVertexIndex = 0;
    bool inScene = false;
    uint32_t lastResourceId = 0;

    std::chrono::steady_clock::time_point lastPresent{};
};

// ---- Resource reference counting ------------------------------------------------------------

template <class Interface>
D3D8Resource<Interface>::D3D8Resource(D3D8Device* owner) : device(owner) {
    device->AddRef();
    resourceId = device->NextResourceId();
}

template <class Interface> void D3D8Resource<Interface>::Revived() {
    device->AddRef();
}

template <class Interface> void D3D8Resource<Interface>::LastReleased() {
    D3D8Device* owner = device;
    if (bindCount == 0)
        delete this;
    owner->Release();
}

template <class Interface> void D3D8Resource<Interface>::Unbind() {
    if (bindCount > 0 && --bindCount == 0 && this->References() == 0)
        delete this;
}

template <class Interface> HRESULT D3D8Resource<Interface>::GetDevice(IDirect3DDevice8** ppDevice) {
    if (ppDevice == nullptr)
        return D3DERR_INVALIDCALL;
    device->AddRef();
    *ppDevice = device;
    return D3D_OK;
}
