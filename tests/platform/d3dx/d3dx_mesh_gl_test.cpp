// Meshes and textures from files on the OpenGL device, headless: subsets drawn by material
// with the file's vertex colours, and textures keeping their formats and mip chains.
#include "platform/d3d8/d3d8_test_util.h"

#include "d3dx/d3dx8.h"
#include "support/temp_path.h"

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

using d3d8test::ColourNear;
using d3d8test::Scene;

// Two quads in clip space (identity transforms): the left one red with material 0, the
// right one green with material 1.
const char* TWO_QUADS = R"(xof 0303txt 0032
Mesh {
 8;
 -1;-1;0.5;, -1;1;0.5;, 0;1;0.5;, 0;-1;0.5;,
 0;-1;0.5;, 0;1;0.5;, 1;1;0.5;, 1;-1;0.5;;
 2;
 4;0,1,2,3;, 4;4,5,6,7;;
 MeshVertexColors { 8; 0;1;0;0;1;;, 1;1;0;0;1;;, 2;1;0;0;1;;, 3;1;0;0;1;;,
  4;0;1;0;1;;, 5;0;1;0;1;;, 6;0;1;0;1;;, 7;0;1;0;1;;; }
 MeshMaterialList { 2; 2; 0, 1;;
  Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }
  Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; }
 }
})";

TEST(D3DXMeshGl, SubsetsDrawTheirOwnFaces) {
    Scene scene(32, 32);
    ASSERT_TRUE(scene.Ready());
    const std::filesystem::path path = TestTempPath("quads.x");
    std::ofstream(path) << TWO_QUADS;
    LPD3DXMESH mesh = nullptr;
    DWORD materials = 0;
    LPD3DXBUFFER materialBuffer = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromX(path.string().c_str(), D3DXMESH_SYSTEMMEM, scene.device, nullptr,
                                &materialBuffer, &materials, &mesh),
              D3D_OK)
        << Win32GetErrorText();
    EXPECT_EQ(materials, 2u);
    const D3DMATRIX identity = d3d8test::Identity();
    scene.device->SetTransform(D3DTS_WORLD, &identity);
    scene.device->SetTransform(D3DTS_VIEW, &identity);
    scene.device->SetTransform(D3DTS_PROJECTION, &identity);
    scene.device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    scene.device->SetRenderState(D3DRS_ZENABLE, FALSE);

    scene.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    scene.device->BeginScene();
    mesh->DrawSubset(1);
    scene.device->EndScene();
    scene.Read();
    EXPECT_TRUE(ColourNear(scene.Pixel(8, 16), 0xFF000000, 0));
    EXPECT_TRUE(ColourNear(scene.Pixel(24, 16), 0xFF00FF00, 0));

    scene.device->BeginScene();
    mesh->DrawSubset(0);
    scene.device->EndScene();
    scene.Read();
    EXPECT_TRUE(ColourNear(scene.Pixel(8, 16), 0xFFFF0000, 0));

    // Rewritten vertex colours show in the next draw.
    BYTE* vertices = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(0, &vertices), D3D_OK);
    const DWORD blue = 0xFF0000FF;
    for (int v = 0; v < 4; ++v)
        std::memcpy(vertices + 16 * v + 12, &blue, 4);
    mesh->UnlockVertexBuffer();
    scene.device->BeginScene();
    mesh->DrawSubset(0);
    scene.device->EndScene();
    scene.Read();
    EXPECT_TRUE(ColourNear(scene.Pixel(8, 16), 0xFF0000FF, 0));
    materialBuffer->Release();
    mesh->Release();
}

// The device holds a drawn mesh's buffers, so only the buffers' own count of writing locks
// tells whether the ray-cast hierarchy is still the geometry's.
TEST(D3DXMeshGl, RayCastsSeeVerticesMovedWhileTheDeviceHoldsTheBuffer) {
    Scene scene(16, 16);
    ASSERT_TRUE(scene.Ready());
    const std::filesystem::path path = TestTempPath("quads_cast.x");
    std::ofstream(path) << TWO_QUADS;
    LPD3DXMESH mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromX(path.string().c_str(), D3DXMESH_SYSTEMMEM, scene.device, nullptr,
                                nullptr, nullptr, &mesh),
              D3D_OK);
    scene.device->BeginScene();
    mesh->DrawSubset(0);
    scene.device->EndScene();
    LPDIRECT3DVERTEXBUFFER8 vb = nullptr;
    ASSERT_EQ(mesh->GetVertexBuffer(&vb), D3D_OK);
    const D3DXVECTOR3 origin(-0.5f, 0.0f, -1.0f), ahead(0.0f, 0.0f, 1.0f);
    auto distance = [&] {
        BOOL hit = FALSE;
        float dist = -1.0f;
        EXPECT_EQ(D3DXIntersect(mesh, &origin, &ahead, &hit, nullptr, nullptr, nullptr, &dist,
                                nullptr, nullptr),
                  D3D_OK);
        return hit ? dist : -1.0f;
    };
    EXPECT_FLOAT_EQ(distance(), 1.5f);
    for (const float z : {2.0f, 3.0f}) {
        BYTE* vertices = nullptr;
        ASSERT_EQ(vb->Lock(0, 0, &vertices, 0), D3D_OK);
        for (int v = 0; v < 4; ++v)
            std::memcpy(vertices + 16 * v + 8, &z, 4);
        vb->Unlock();
        EXPECT_FLOAT_EQ(distance(), z + 1.0f);
        // A read-only lock leaves the hierarchy as it is, and still right.
        ASSERT_EQ(vb->Lock(0, 0, &vertices, D3DLOCK_READONLY), D3D_OK);
        vb->Unlock();
        EXPECT_FLOAT_EQ(distance(), z + 1.0f);
    }
    vb->Release();
    mesh->Release();
}

TEST(D3DXMeshGl, TexturesKeepTheirFormatsAndChains) {
    Scene scene(16, 16);
    ASSERT_TRUE(scene.Ready());
    struct Case {
        const char* file;
        D3DFORMAT format;
        DWORD levels;
    };
    const Case cases[] = {
        {"dds/DwarfHead.dds", D3DFMT_DXT1, 9},          {"dds/Foliage.dds", D3DFMT_DXT5, 10},
        {"dds/DX9 B5G6R5_UNORM.dds", D3DFMT_R5G6B5, 8}, {"img/basn2c08.png", D3DFMT_X8R8G8B8, 6},
        {"img/basn6a08.png", D3DFMT_A8R8G8B8, 6},       {"img/hopper.jpg", D3DFMT_X8R8G8B8, 8},
    };
    for (const Case& c : cases) {
        const std::string path = std::string(OVREL_CORPUS_DIR) + "/" + c.file;
        LPDIRECT3DTEXTURE8 texture = nullptr;
        ASSERT_EQ(D3DXCreateTextureFromFileA(scene.device, path.c_str(), &texture), D3D_OK)
            << c.file << ": " << Win32GetErrorText();
        EXPECT_EQ(texture->GetLevelCount(), c.levels) << c.file;
        D3DSURFACE_DESC desc{};
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Format, c.format) << c.file;
        EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED) << c.file;
        texture->Release();
    }
}

} // namespace
