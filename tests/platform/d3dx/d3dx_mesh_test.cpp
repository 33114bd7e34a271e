// D3DXLoadMeshFromX, ID3DXMesh and ID3DXBuffer against the in-memory device: the buffers the
// engine locks, the material records, subsets drawn by attribute, and load failures.
#include "support/fake_device.h"
#include "support/temp_path.h"

#include "win32/win32_platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

std::string WriteTemp(const std::string& name, const std::string& contents) {
    const std::filesystem::path path = TestTempPath(name);
    std::ofstream(path, std::ios::binary) << contents;
    return path.string();
}

// The level's layout: position, normal, colour, texture coordinate (36 bytes), faces grouped
// by material, a textured first material.
const char* LEVEL_LIKE = R"(xof 0303txt 0032
Mesh level {
 5;
 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;, 2;0;0;;
 4;
 3;0,1,2;, 3;0,2,3;, 3;1,4,2;, 4;0,1,4,2;;
 MeshNormals { 1; 0;0;-1;; 4; 3;0,0,0;, 3;0,0,0;, 3;0,0,0;, 4;0,0,0,0;; }
 MeshVertexColors { 5; 0;1;0;0;1;;, 1;0;1;0;1;;, 2;0;0;1;1;;, 3;1;1;1;1;;, 4;0;0;0;1;;; }
 MeshTextureCoords { 5; 0;0;, 1;0;, 1;1;, 0;1;, 0.5;0.5;; }
 MeshMaterialList { 2; 4; 0, 0, 1, 1;;
  Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { "data\\tex\\brick.png"; } }
  Material { 0.5;0.5;0.5;0;; 0; 0;0;0;; 0;0;0;; }
 }
})";

TEST(D3DXMesh, LoadsIntoSystemMemoryBuffersWithMaterials) {
    const std::string path = WriteTemp("level.x", LEVEL_LIKE);
    // The engine names files with backslashes.
    std::string windowsPath = path;
    windowsPath[windowsPath.rfind('/')] = '\\';
    FakeDevice device;
    LPD3DXBUFFER materials = nullptr;
    DWORD materialCount = 0;
    LPD3DXMESH mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromX(windowsPath.c_str(), D3DXMESH_SYSTEMMEM, &device, nullptr,
                                &materials, &materialCount, &mesh),
              D3D_OK)
        << Win32GetErrorText();
    EXPECT_EQ(mesh->GetNumVertices(), 5u);
    EXPECT_EQ(mesh->GetNumFaces(), 5u);
    EXPECT_EQ(mesh->GetFVF(), D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1);

    LPDIRECT3DVERTEXBUFFER8 vb = nullptr;
    ASSERT_EQ(mesh->GetVertexBuffer(&vb), D3D_OK);
    D3DVERTEXBUFFER_DESC vbDesc;
    vb->GetDesc(&vbDesc);
    EXPECT_EQ(vbDesc.Pool, D3DPOOL_SYSTEMMEM);
    EXPECT_EQ(vbDesc.Size, 5u * 36u);
    BYTE* vertices = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &vertices, 0), D3D_OK);
    float p[3];
    DWORD color;
    float uv[2];
    std::memcpy(p, vertices + 4 * 36, 12);
    std::memcpy(&color, vertices + 2 * 36 + 24, 4);
    std::memcpy(uv, vertices + 4 * 36 + 28, 8);
    EXPECT_EQ(p[0], 2.0f);
    EXPECT_EQ(color, 0xFF0000FFu);
    EXPECT_EQ(uv[0], 0.5f);
    vb->Unlock();
    EXPECT_EQ(vb->Release(), 1u); // the mesh still holds it

    LPDIRECT3DINDEXBUFFER8 ib = nullptr;
    ASSERT_EQ(mesh->GetIndexBuffer(&ib), D3D_OK);
    D3DINDEXBUFFER_DESC ibDesc;
    ib->GetDesc(&ibDesc);
    EXPECT_EQ(ibDesc.Format, D3DFMT_INDEX16);
    EXPECT_EQ(ibDesc.Pool, D3DPOOL_SYSTEMMEM);
    BYTE* indexBytes = nullptr;
    ib->Lock(0, 0, &indexBytes, 0);
    uint16_t indices[15];
    std::memcpy(indices, indexBytes, sizeof indices);
    const uint16_t expected[15] = {0, 1, 2, 0, 2, 3, 1, 4, 2, 0, 1, 4, 0, 4, 2};
    EXPECT_EQ(std::memcmp(indices, expected, sizeof expected), 0);
    ib->Unlock();
    ib->Release();

    ASSERT_EQ(materialCount, 2u);
    ASSERT_NE(materials, nullptr);
    const auto* records = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    EXPECT_STREQ(records[0].pTextureFilename, "data\\\\tex\\\\brick.png");
    EXPECT_EQ(records[1].pTextureFilename, nullptr);
    EXPECT_EQ(records[1].MatD3D.Diffuse.a, 0.0f);
    EXPECT_EQ(records[1].MatD3D.Diffuse.r, 0.5f);
    // The names live inside the buffer.
    const auto* begin = static_cast<const char*>(materials->GetBufferPointer());
    EXPECT_GE(records[0].pTextureFilename, begin);
    EXPECT_LT(records[0].pTextureFilename, begin + materials->GetBufferSize());
    EXPECT_EQ(materials->Release(), 0u);
    EXPECT_EQ(mesh->Release(), 0u);
    EXPECT_EQ(device.references, 1u); // the mesh let go of the device
}

TEST(D3DXMesh, DrawSubsetDrawsTheRunsOfItsAttribute) {
    FakeDevice device;
    LPD3DXMESH mesh = nullptr;
    ASSERT_EQ(D3DXCreateMeshFVF(6, 8, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, &device, &mesh), D3D_OK);
    DWORD* attributes = nullptr;
    ASSERT_EQ(mesh->LockAttributeBuffer(0, &attributes), D3D_OK);
    const DWORD values[6] = {0, 0, 1, 0, 1, 1};
    std::memcpy(attributes, values, sizeof values);
    mesh->UnlockAttributeBuffer();

    mesh->DrawSubset(1);
    ASSERT_EQ(device.draws.size(), 2u);
    EXPECT_EQ(device.draws[0].type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(device.draws[0].startIndex, 6u);
    EXPECT_EQ(device.draws[0].primitiveCount, 1u);
    EXPECT_EQ(device.draws[1].startIndex, 12u);
    EXPECT_EQ(device.draws[1].primitiveCount, 2u);
    EXPECT_EQ(device.draws[1].numVertices, 8u);
    EXPECT_EQ(device.draws[1].vertexShader, D3DFVF_XYZ);
    EXPECT_NE(device.draws[1].stream, nullptr);
    EXPECT_NE(device.draws[1].indices, nullptr);

    // Rewritten attributes take effect after unlocking.
    mesh->LockAttributeBuffer(0, &attributes);
    attributes[2] = 0;
    mesh->UnlockAttributeBuffer();
    device.draws.clear();
    mesh->DrawSubset(0);
    ASSERT_EQ(device.draws.size(), 1u);
    EXPECT_EQ(device.draws[0].startIndex, 0u);
    EXPECT_EQ(device.draws[0].primitiveCount, 4u);
    device.draws.clear();
    mesh->DrawSubset(7);
    EXPECT_TRUE(device.draws.empty());
    mesh->Release();
}

TEST(D3DXMesh, KeepsTheFileOrderOfALargeLevel) {
    // A level-sized mesh whose vertex i sits at x = i and whose face f is (f, f + 1, f + 2):
    // the object boxes the engine addresses by number must be where the file put them.
    std::string text = "xof 0303txt 0032\nMesh {\n 12000;\n";
    for (int i = 0; i < 12000; ++i)
        text += std::to_string(i) + ";0;0;" + (i + 1 < 12000 ? ",\n" : ";\n");
    text += "6500;\n";
    for (int f = 0; f < 6500; ++f)
        text += "3;" + std::to_string(f) + "," + std::to_string(f + 1) + "," +
                std::to_string(f + 2) + (f + 1 < 6500 ? ";,\n" : ";;\n");
    text += "}\n";
    const std::string path = WriteTemp("big.x", text);
    FakeDevice device;
    LPD3DXMESH mesh = nullptr;
    DWORD materialCount = 99;
    ASSERT_EQ(D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, &device, nullptr, nullptr,
                                &materialCount, &mesh),
              D3D_OK);
    EXPECT_EQ(materialCount, 0u);
    BYTE* vertices = nullptr;
    BYTE* indices = nullptr;
    mesh->LockVertexBuffer(0, &vertices);
    mesh->LockIndexBuffer(0, &indices);
    for (int object = 0; object < 44; ++object) {
        const int v = 9250 + 24 * object;
        const int f = 5474 + 12 * object;
        float x;
        std::memcpy(&x, vertices + 12 * v, 4);
        EXPECT_EQ(x, static_cast<float>(v));
        uint16_t first;
        std::memcpy(&first, indices + 6 * f, 2);
        EXPECT_EQ(first, f);
    }
    mesh->UnlockIndexBuffer();
    mesh->UnlockVertexBuffer();
    mesh->Release();
}

TEST(D3DXMesh, LoadFailuresReturnErrorsAndNameTheFile) {
    FakeDevice device;
    LPD3DXMESH mesh = reinterpret_cast<LPD3DXMESH>(&device);
    DWORD count = 0;
    EXPECT_LT(D3DXLoadMeshFromX("no\\such\\file.x", D3DXMESH_SYSTEMMEM, &device, nullptr, nullptr,
                                &count, &mesh),
              0);
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(Win32GetErrorText(), "cannot read no/such/file.x: No such file or directory");

    const std::string bad = WriteTemp("bad.x", "xof 0303txt 0032\nMesh { 3; 0;0;0;; }");
    EXPECT_EQ(D3DXLoadMeshFromX(bad.c_str(), D3DXMESH_SYSTEMMEM, &device, nullptr, nullptr, &count,
                                &mesh),
              D3DXERR_INVALIDDATA);
    EXPECT_NE(Win32GetErrorText().find(bad + ": "), std::string::npos) << Win32GetErrorText();

    EXPECT_EQ(D3DXLoadMeshFromX(nullptr, 0, &device, nullptr, nullptr, &count, &mesh),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXLoadMeshFromX(bad.c_str(), 0, nullptr, nullptr, nullptr, &count, &mesh),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device.references, 1u);
}

TEST(D3DXMesh, AdjacencyLinksFacesSharingAnEdgePosition) {
    // Two triangles share the edge (1,0,0)-(0,1,0) through different vertices at the same
    // positions; the third triangle stands alone.
    const std::string path = WriteTemp("adjacent.x", R"(xof 0303txt 0032
Mesh { 7; 0;0;0;, 1;0;0;, 0;1;0;, 0;1;0;, 1;0;0;, 1;1;0;, 5;5;5;;
 3; 3;0,1,2;, 3;3,4,5;, 3;6,6,6;; })");
    FakeDevice device;
    LPD3DXMESH mesh = nullptr;
    LPD3DXBUFFER adjacency = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromX(path.c_str(), D3DXMESH_SYSTEMMEM, &device, &adjacency, nullptr,
                                nullptr, &mesh),
              D3D_OK);
    ASSERT_EQ(adjacency->GetBufferSize(), 9u * 4u);
    const auto* links = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    // Face 0's edge 1 is (1,0,0)->(0,1,0); face 1's edge 0 is (0,1,0)->(1,0,0).
    const DWORD expected[9] = {0xFFFFFFFF, 1,          0xFFFFFFFF, 0,         0xFFFFFFFF,
                               0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(links[i], expected[i]) << i;
    adjacency->Release();
    mesh->Release();
}

TEST(D3DXMesh, VertexSizesAndBuffers) {
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1), 36u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1), 32u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_NORMAL), 24u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1), 28u);
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_DIFFUSE), 16u);
    // Two sets: the first 3 floats (size code 1), the second 1 float (code 3).
    EXPECT_EQ(D3DXGetFVFVertexSize(D3DFVF_XYZ | D3DFVF_TEX2 | (1u << 16) | (3u << 18)), 28u);
    EXPECT_EQ(D3DXGetFVFVertexSize(0x006 | D3DFVF_SPECULAR), 20u); // one blend weight

    LPD3DXBUFFER buffer = nullptr;
    ASSERT_EQ(D3DXCreateBuffer(100, &buffer), D3D_OK);
    EXPECT_EQ(buffer->GetBufferSize(), 100u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(buffer->GetBufferPointer()) % alignof(double), 0u);
    std::memset(buffer->GetBufferPointer(), 0xAB, 100);
    EXPECT_EQ(buffer->AddRef(), 2u);
    EXPECT_EQ(buffer->Release(), 1u);
    EXPECT_EQ(buffer->Release(), 0u);
    EXPECT_EQ(D3DXCreateBuffer(4, nullptr), D3DERR_INVALIDCALL);
}

} // namespace
