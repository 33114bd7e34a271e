// D3DXLoadMeshFromX: reads the file with the X-file reader, builds one mesh from all its
// Mesh objects and hands back the mesh, its materials and, when asked, the face adjacency.
#include "d3dx/d3dx8.h"

#include "d3dx/d3dx_file.h"
#include "d3dx/x_mesh_builder.h"
#include "win32/win32_platform.h"

#include <cstring>
#include <map>
#include <tuple>

namespace {

// Material records followed by the texture names they point at, all in one buffer.
HRESULT MakeMaterialBuffer(const XMeshData& data, LPD3DXBUFFER* ppMaterials) {
    size_t size = data.materials.size() * sizeof(D3DXMATERIAL);
    for (const XMaterialData& material : data.materials)
        if (material.hasTexture)
            size += material.textureName.size() + 1;
    if (size > 0x7FFFFFFF)
        return E_OUTOFMEMORY;
    LPD3DXBUFFER buffer = nullptr;
    const HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(size), &buffer);
    if (FAILED(hr))
        return hr;
    if (size != 0) {
        auto* records = static_cast<D3DXMATERIAL*>(buffer->GetBufferPointer());
        char* names = reinterpret_cast<char*>(records + data.materials.size());
        for (size_t i = 0; i < data.materials.size(); ++i) {
            const XMaterialData& material = data.materials[i];
            records[i].MatD3D = material.material;
            records[i].pTextureFilename = nullptr;
            if (material.hasTexture) {
                std::memcpy(names, material.textureName.c_str(), material.textureName.size() + 1);
                records[i].pTextureFilename = names;
                names += material.textureName.size() + 1;
            }
        }
    }
    *ppMaterials = buffer;
    return D3D_OK;
}

// Three neighbours per face (0xFFFFFFFF for none): faces sharing an edge, where vertices at
// the same position count as the same point.
HRESULT MakeAdjacencyBuffer(const XMeshData& data, LPD3DXBUFFER* ppAdjacency) {
    const uint32_t faces = data.FaceCount();
    LPD3DXBUFFER buffer = nullptr;
    const HRESULT hr = D3DXCreateBuffer(faces * 3 * sizeof(DWORD), &buffer);
    if (FAILED(hr))
        return hr;
    std::map<std::tuple<float, float, float>, uint32_t> points;
    std::vector<uint32_t> pointOf(data.vertexCount);
    for (uint32_t v = 0; v < data.vertexCount; ++v) {
        float p[3];
        std::memcpy(p, data.vertices.data() + static_cast<size_t>(v) * data.vertexSize, 12);
        pointOf[v] = points.emplace(std::make_tuple(p[0], p[1], p[2]), v).first->second;
    }
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> edgeOwner; // directed edge -> face edge
    auto* adjacency = static_cast<DWORD*>(buffer->GetBufferPointer());
    for (uint32_t e = 0; e < faces * 3; ++e)
        adjacency[e] = 0xFFFFFFFFu;
    for (uint32_t f = 0; f < faces; ++f)
        for (uint32_t k = 0; k < 3; ++k) {
            const uint32_t a = pointOf[data.indices[3 * f + k]];
            const uint32_t b = pointOf[data.indices[3 * f + (k + 1) % 3]];
            if (a == b)
                continue; // a collapsed edge borders nothing
            const auto twin = edgeOwner.find({b, a});
            if (twin != edgeOwner.end() && adjacency[twin->second] == 0xFFFFFFFFu) {
                adjacency[twin->second] = f;
                adjacency[3 * f + k] = twin->second / 3;
            } else {
                edgeOwner.emplace(std::make_pair(a, b), 3 * f + k);
            }
        }
    *ppAdjacency = buffer;
    return D3D_OK;
}

HRESULT Fail(HRESULT hr, const std::string& text) {
    Win32SetErrorText(text);
    return hr;
}

// The loader proper; D3DXLoadMeshFromX keeps exceptions (allocation failures) inside.
HRESULT LoadMesh(LPCSTR pFilename, DWORD Options, LPDIRECT3DDEVICE8 pDevice,
                 LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials, DWORD* pNumMaterials,
                 LPD3DXMESH* ppMesh) {
    if (ppMesh != nullptr)
        *ppMesh = nullptr;
    if (ppMaterials != nullptr)
        *ppMaterials = nullptr;
    if (ppAdjacency != nullptr)
        *ppAdjacency = nullptr;
    if (pFilename == nullptr || pDevice == nullptr || ppMesh == nullptr)
        return D3DERR_INVALIDCALL;

    std::vector<uint8_t> bytes;
    std::string error;
    if (!D3DXReadFile(pFilename, bytes, error))
        return Fail(E_FAIL, error);
    XMeshData data;
    XHeader header;
    if (!LoadXMeshFromMemory(bytes.data(), bytes.size(), data, header, error))
        return Fail(D3DXERR_INVALIDDATA, D3DXNativePath(pFilename) + ": " + error);
    if (data.FaceCount() == 0 || data.vertexCount == 0)
        return Fail(D3DXERR_LOADEDMESHASNODATA,
                    D3DXNativePath(pFilename) + ": the mesh has no faces");

    // More vertices than 16-bit indices reach: the mesh gets 32-bit indices rather than
    // failing to load.
    DWORD options = Options;
    if (data.vertexCount > 0xFFFF)
        options |= D3DXMESH_32BIT;
    LPD3DXMESH mesh = nullptr;
    HRESULT hr =
        D3DXCreateMeshFVF(data.FaceCount(), data.vertexCount, options, data.fvf, pDevice, &mesh);
    if (FAILED(hr))
        return Fail(hr, D3DXNativePath(pFilename) + ": the device cannot create the mesh buffers");

    BYTE* vertices = nullptr;
    BYTE* indices = nullptr;
    DWORD* attributes = nullptr;
    if (FAILED(mesh->LockVertexBuffer(0, &vertices)) ||
        FAILED(mesh->LockIndexBuffer(0, &indices)) ||
        FAILED(mesh->LockAttributeBuffer(0, &attributes))) {
        mesh->Release();
        return Fail(E_FAIL, D3DXNativePath(pFilename) + ": cannot lock the mesh buffers");
    }
    std::memcpy(vertices, data.vertices.data(), data.vertices.size());
    if (options & D3DXMESH_32BIT) {
        std::memcpy(indices, data.indices.data(), data.indices.size() * 4);
    } else {
        auto* out = reinterpret_cast<uint16_t*>(indices);
        for (size_t i = 0; i < data.indices.size(); ++i)
            out[i] = static_cast<uint16_t>(data.indices[i]);
    }
    std::memcpy(attributes, data.attributes.data(), data.attributes.size() * 4);
    mesh->UnlockAttributeBuffer();
    mesh->UnlockIndexBuffer();
    mesh->UnlockVertexBuffer();

    if (ppMaterials != nullptr && FAILED(hr = MakeMaterialBuffer(data, ppMaterials))) {
        mesh->Release();
        return hr;
    }
    if (ppAdjacency != nullptr && FAILED(hr = MakeAdjacencyBuffer(data, ppAdjacency))) {
        if (ppMaterials != nullptr && *ppMaterials != nullptr) {
            (*ppMaterials)->Release();
            *ppMaterials = nullptr;
        }
        mesh->Release();
        return hr;
    }
    if (pNumMaterials != nullptr)
        *pNumMaterials = static_cast<DWORD>(data.materials.size());
    *ppMesh = mesh;
    return D3D_OK;
}

} // namespace

HRESULT D3DXLoadMeshFromX(LPCSTR pFilename, DWORD Options, LPDIRECT3DDEVICE8 pDevice,
                          LPD3DXBUFFER* ppAdjacency, LPD3DXBUFFER* ppMaterials,
                          DWORD* pNumMaterials, LPD3DXMESH* ppMesh) {
    try {
        return LoadMesh(pFilename, Options, pDevice, ppAdjacency, ppMaterials, pNumMaterials,
                        ppMesh);
    } catch (const std::exception&) {
        return Fail(E_OUTOFMEMORY,
                    std::string(pFilename != nullptr ? pFilename : "") + ": out of memory");
    }
}
