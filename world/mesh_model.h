// MeshModel: one model loaded from an X file with its materials and textures, and the vertex
// layouts the model files must carry because the engine writes into their vertex memory.
#pragma once

#include "d3d8/d3d8.h"
#include "d3dx/d3dx8.h"
#include "core/vector_ops.h"

#include <cstdint>

// data\L1.x: position, normal, diffuse ARGB, texture coordinates.
struct LevelVertex {
    Vec3 position;
    Vec3 normal;
    D3DCOLOR diffuse;
    float u;
    float v;
};
static_assert(sizeof(LevelVertex) == 36);

// data\L1add0.x and data\L1add5.x: position, normal, texture coordinates.
struct TexturedVertex {
    Vec3 position;
    Vec3 normal;
    float u;
    float v;
};
static_assert(sizeof(TexturedVertex) == 32);

// data\L1add3.x, the collision hull: position, normal.
struct HullVertex {
    Vec3 position;
    Vec3 normal;
};
static_assert(sizeof(HullVertex) == 24);

// The light-corona vertex buffer: position, ARGB colour.
struct CoronaVertex {
    Vec3 position;
    D3DCOLOR color;
};
static_assert(sizeof(CoronaVertex) == 16);

constexpr DWORD CORONA_FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE;

// The vertex formats that give the layouts above.
constexpr DWORD LEVEL_VERTEX_FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD TEXTURED_VERTEX_FVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
constexpr DWORD HULL_VERTEX_FVF = D3DFVF_XYZ | D3DFVF_NORMAL;

struct MeshModel {
    D3DMATERIAL8* materials;
    IDirect3DTexture8** textures;
    uint32_t materialCount;
    ID3DXMesh* mesh;
    IDirect3DDevice8* device; // not owned; set by InitDevice before loading
    uint32_t faceCount;

    MeshModel();
    ~MeshModel();
    MeshModel(const MeshModel&) = delete;
    MeshModel& operator=(const MeshModel&) = delete;

    // Loads the X file at path (a working-folder path as the engine writes it).
    HRESULT LoadMeshModel(const char* path);
    // Sets the world, view and projection transforms on the model's device.
    HRESULT SetupCamera(Vec3 eye, Vec3 direction, Vec3 up);
    // Draws the cut-out half, then the translucent half with the chosen blend mode (0 or 1).
    HRESULT DrawMeshModel(int blend);
};

// Frees the materials, releases the textures and the mesh; safe on a model never loaded.
void ReleaseMeshModel(MeshModel& model);

// Makes a colour from alpha, red, green, blue.
ColorValue MakeColor(float alpha, float red, float green, float blue);
