// The D3DX utility operations the engine uses: buffers, meshes loaded from X files, textures
// loaded from image files, ray casts against meshes and the 2D sprite. Implemented in
// d3dx_*.cpp on top of the Direct3D 8 layer.
#pragma once

#include "d3d8/d3d8.h"
#include "d3dx/d3dx8math.h"

#include <climits>

struct ID3DXBuffer;
struct ID3DXBaseMesh;
struct ID3DXMesh;
struct ID3DXSprite;
using LPD3DXBUFFER = ID3DXBuffer*;
using LPD3DXBASEMESH = ID3DXBaseMesh*;
using LPD3DXMESH = ID3DXMesh*;
using LPD3DXSPRITE = ID3DXSprite*;

constexpr UINT D3DX_DEFAULT = UINT_MAX;

// Mesh creation options.
constexpr DWORD D3DXMESH_32BIT = 0x001;
constexpr DWORD D3DXMESH_DONOTCLIP = 0x002;
constexpr DWORD D3DXMESH_POINTS = 0x004;
constexpr DWORD D3DXMESH_RTPATCHES = 0x008;
constexpr DWORD D3DXMESH_NPATCHES = 0x4000;
constexpr DWORD D3DXMESH_VB_SYSTEMMEM = 0x010;
constexpr DWORD D3DXMESH_VB_MANAGED = 0x020;
constexpr DWORD D3DXMESH_VB_WRITEONLY = 0x040;
constexpr DWORD D3DXMESH_VB_DYNAMIC = 0x080;
constexpr DWORD D3DXMESH_IB_SYSTEMMEM = 0x100;
constexpr DWORD D3DXMESH_IB_MANAGED = 0x200;
constexpr DWORD D3DXMESH_IB_WRITEONLY = 0x400;
constexpr DWORD D3DXMESH_IB_DYNAMIC = 0x800;
constexpr DWORD D3DXMESH_SYSTEMMEM = 0x110;
constexpr DWORD D3DXMESH_MANAGED = 0x220;

// Image filters.
constexpr DWORD D3DX_FILTER_NONE = 1u << 0;
constexpr DWORD D3DX_FILTER_POINT = 2u << 0;
constexpr DWORD D3DX_FILTER_LINEAR = 3u << 0;
constexpr DWORD D3DX_FILTER_TRIANGLE = 4u << 0;
constexpr DWORD D3DX_FILTER_BOX = 5u << 0;
constexpr DWORD D3DX_FILTER_DITHER = 1u << 19;

// D3DX result codes: MAKE_HRESULT(1, 0x876, 2900 + n).
constexpr HRESULT D3DXERR_CANNOTMODIFYINDEXBUFFER = MAKE_D3DHRESULT(2900);
constexpr HRESULT D3DXERR_INVALIDMESH = MAKE_D3DHRESULT(2901);
constexpr HRESULT D3DXERR_CANNOTATTRSORT = MAKE_D3DHRESULT(2902);
constexpr HRESULT D3DXERR_SKINNINGNOTSUPPORTED = MAKE_D3DHRESULT(2903);
constexpr HRESULT D3DXERR_TOOMANYINFLUENCES = MAKE_D3DHRESULT(2904);
constexpr HRESULT D3DXERR_INVALIDDATA = MAKE_D3DHRESULT(2905);
constexpr HRESULT D3DXERR_LOADEDMESHASNODATA = MAKE_D3DHRESULT(2906);

// One material of a loaded mesh: the material, then its texture file name as stored in the
// file (null when the material names none). The name lives in the same buffer.
struct D3DXMATERIAL {
    D3DMATERIAL8 MatD3D;
    LPSTR pTextureFilename;
};

// One hit of a ray cast: face index, barycentric u and v, distance in units of the direction.
struct D3DXINTERSECTINFO {
    DWORD FaceIndex;
    FLOAT U;
    FLOAT V;
    FLOAT Dist;
};
static_assert(sizeof(D3DXINTERSECTINFO) == 16);

// A block of memory handed out by D3DX calls (materials, hits).
struct ID3DXBuffer : IUnknown {
    virtual LPVOID GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};

struct ID3DXBaseMesh : IUnknown {
    // Draws the faces whose attribute is AttribId (material AttribId of the file).
    virtual HRESULT DrawSubset(DWORD AttribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(LPDIRECT3DDEVICE8* ppDevice) = 0;
    // The mesh's own buffers, with one reference added for the caller.
    virtual HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* ppVB) = 0;
    virtual HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* ppIB) = 0;
    virtual HRESULT LockVertexBuffer(DWORD Flags, BYTE** ppData) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD Flags, BYTE** ppData) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
};

struct ID3DXMesh : ID3DXBaseMesh {
    // One attribute (material index) per face.
    virtual HRESULT LockAttributeBuffer(DWORD Flags, DWORD** ppData) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
};

struct ID3DXSprite : IUnknown {
    virtual HRESULT GetDevice(LPDIRECT3DDEVICE8* ppDevice) = 0;
    virtual HRESULT Begin() = 0;
    // Draws the texture as a screen-space rectangle: scaled, rotated about the centre, moved
    // by the translation, modulated by the colour; the caller's device states are restored.
    virtual HRESULT Draw(LPDIRECT3DTEXTURE8 pSrcTexture, const RECT* pSrcRect,
                         const D3DXVECTOR2* pScaling, const D3DXVECTOR2* pRotationCenter,
                         FLOAT Rotation, const D3DXVECTOR2* pTranslation, D3DCOLOR Color) = 0;
    virtual HRESULT End() = 0;
};

HRESULT D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer);

HRESULT D3DXCreateMeshFVF(DWORD NumFaces, DWORD NumVertices, DWORD Options, DWORD FVF,
                          LPDIRECT3DDEVICE8 pDevice, LPD3DXMESH* ppMesh);

// Loads an X file (text, binary or compressed) into one mesh with one subset per material.
HRESULT D3DXLoadMeshFromX(LPCSTR pFilename, DWORD Options, LPDIRECT3DDEVICE8 pDevice,
                          LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials,
                          DWORD* pNumMaterials, LPD3DXMESH* ppMesh);

// Loads an image file (DDS, BMP, TGA, PNG, JPEG, recognised by content) into a managed
// texture with a full mip chain.
HRESULT D3DXCreateTextureFromFileA(LPDIRECT3DDEVICE8 pDevice, LPCSTR pSrcFile,
                                   LPDIRECT3DTEXTURE8* ppTexture);

// Casts a ray against every face of the mesh; see the platform notes for the hit rules.
HRESULT D3DXIntersect(LPD3DXBASEMESH pMesh, const D3DXVECTOR3* pRayPos, const D3DXVECTOR3* pRayDir,
                      BOOL* pHit, DWORD* pFaceIndex, FLOAT* pU, FLOAT* pV, FLOAT* pDist,
                      LPD3DXBUFFER* ppAllHits, DWORD* pCountOfHits);

HRESULT D3DXCreateSprite(LPDIRECT3DDEVICE8 pDevice, LPD3DXSPRITE* ppSprite);

// Size in bytes of one vertex of the fixed-function format.
UINT D3DXGetFVFVertexSize(DWORD FVF);
