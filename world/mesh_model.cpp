// MeshModel: loading one X-file model with its materials and textures, and releasing it.
#include "world/mesh_model.h"

#include "core/startup_warnings.h"
#include "win32/win32_platform.h"

namespace {

// A surface drawn plain white says nothing about why; the player is told once per file.
void WarnMissingTexture(const char* textureName, const char* modelPath) {
    if (textureName[0] == '\0') {
        return; // the material names no texture
    }
    const std::string shown = ShownPath(textureName);
    const std::string cause = CauseWithoutPath(Win32GetErrorText(), shown);
    StartupWarningOnce("texture " + shown, "cannot load the texture " + shown + " named by " +
                                               ShownPath(modelPath) + ": " +
                                               (cause.empty() ? "unknown cause" : cause) +
                                               "; its surfaces are drawn without it");
}

} // namespace

MeshModel::MeshModel() : materials(nullptr), textures(nullptr), materialCount(0), mesh(nullptr) {
    // device and faceCount are left alone: the global models get zero from static storage,
    // and InitDevice sets the device before anything is loaded.
}

MeshModel::~MeshModel() {
    ReleaseMeshModel(*this);
}

HRESULT MeshModel::LoadMeshModel(const char* path) {
    ID3DXBuffer* materialBuffer = nullptr;
    DWORD count = 0;
    if (FAILED(D3DXLoadMeshFromX(path, D3DXMESH_SYSTEMMEM, device, nullptr, &materialBuffer, &count,
                                 &mesh)))
        return E_FAIL;
    materialCount = count;
    materials = new D3DMATERIAL8[materialCount];
    textures = new IDirect3DTexture8*[materialCount];

    const D3DXMATERIAL* records =
        materialBuffer != nullptr
            ? static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer())
            : nullptr;
    for (uint32_t i = 0; i < materialCount; ++i) {
        textures[i] = nullptr;
        if (records == nullptr) {
            materials[i] = D3DMATERIAL8{};
            continue;
        }
        materials[i] = records[i].MatD3D;
        // Lighting stays off, so the ambient colour is free to carry the material alpha that
        // drawing sorts subsets by.
        materials[i].Ambient = materials[i].Diffuse;
        // Texture names are resolved against the working folder, exactly as stored. A missing
        // texture is not an error: the subset is drawn untextured.
        const char* textureName = records[i].pTextureFilename;
        if (textureName != nullptr &&
            FAILED(D3DXCreateTextureFromFileA(device, textureName, &textures[i]))) {
            textures[i] = nullptr;
            WarnMissingTexture(textureName, path);
        }
    }
    if (materialBuffer != nullptr)
        materialBuffer->Release();

    faceCount = mesh->GetNumFaces();
    return S_OK;
}

void ReleaseMeshModel(MeshModel& model) {
    if (model.materials != nullptr)
        delete[] model.materials;
    if (model.textures != nullptr) {
        for (uint32_t i = 0; i < model.materialCount; ++i) {
            if (model.textures[i] != nullptr)
                model.textures[i]->Release();
        }
        delete[] model.textures;
    }
    if (model.mesh != nullptr)
        model.mesh->Release();
    // Cleared so that a model released early is not released again by its destructor.
    model.materials = nullptr;
    model.textures = nullptr;
    model.materialCount = 0;
    model.mesh = nullptr;
}

ColorValue MakeColor(float alpha, float red, float green, float blue) {
    return ColorValue(red, green, blue, alpha);
}
