// LoadLevel: everything the level needs, read once at start-up from the data folder.
#include "world/level_loader.h"

#include "core/engine_state.h"
#include "core/startup_warnings.h"
#include "world/animated_objects.h"
#include "world/collectible_candidates.h"
#include "world/corona_tables.h"
#include "world/level_shading.h"
#include "world/world_models.h"
#include "win32/win32_platform.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string failedFile;
const char* failedNoun = "";

constexpr const char* MODEL_NOUN = "level model";

struct ImageFile {
    const char* path;
    IDirect3DTexture8** slot;
    const char* noun;
};

struct ModelFile {
    const char* path;
    MeshModel* model;
    DWORD fvf;            // the layout the engine writes into, or 0 when it only draws
    uint32_t minVertices; // vertices the engine addresses by index
    uint32_t minFaces;    // faces the engine addresses by index
};

// Past the last object box: vertex 9250 + 24 * 44, face 5474 + 12 * 44, hull 4301 + 8 * 44.
constexpr uint32_t LEVEL_VERTICES_NEEDED = FIRST_OBJECT_LEVEL_VERTEX + 24 * 44;
constexpr uint32_t LEVEL_FACES_NEEDED = FIRST_OBJECT_LEVEL_FACE + 12 * 44;
constexpr uint32_t HULL_VERTICES_NEEDED = FIRST_OBJECT_HULL_VERTEX + 8 * 44;
constexpr uint32_t WATER_VERTICES_NEEDED = 42;

HRESULT Fail(const char* path, const char* noun) {
    failedFile = path;
    failedNoun = noun;
    return E_FAIL;
}

HRESULT LoadImages() {
    const ImageFile images[] = {
        {"data\\sprite.obr", &engine.spriteTextures[0], "image"},
        {"data\\test4.dds", &engine.spriteTextures[2], "image"},
        {"data\\temp2.dds", &engine.spriteTextures[3], "image"},
        {"data\\test10.dds", &engine.spriteTextures[4], "image"},
        {"data\\test11.dds", &engine.spriteTextures[5], "image"},
        {"data\\point.dds", &engine.spriteTextures[6], "image"},
        {"data\\menu0.obr", &engine.menuTextures[0], "menu image"},
        {"data\\menu1.obr", &engine.menuTextures[1], "menu image"},
        {"data\\menu2.obr", &engine.menuTextures[2], "menu image"},
    };
    for (const ImageFile& image : images) {
        if (FAILED(D3DXCreateTextureFromFileA(engine.device, image.path, image.slot)))
            return Fail(image.path, image.noun);
    }
    return S_OK;
}

// Both lights only set device state: lighting stays off and lights 0 and 1 disabled.
void SetLights() {
    D3DLIGHT8 sun = {};
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    sun.Direction = {10.0f, -2.9f, 13.0f};
    engine.device->SetLight(0, &sun);

    D3DLIGHT8 lamp = {};
    lamp.Type = D3DLIGHT_POINT;
    lamp.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
    lamp.Position = {4.5f, 1.8f, 2.5f};
    lamp.Range = 6.0f;
    lamp.Attenuation1 = 0.3f;
    engine.device->SetLight(1, &lamp);
}

// The engine writes into some models' vertex memory at fixed positions and addresses object
// boxes by vertex and face number, so a model without that layout or those ranges would be
// overrun; it is refused instead.
bool HasExpectedShape(const ModelFile& file) {
    ID3DXMesh* mesh = file.model->mesh;
    char reason[160];
    if (file.fvf != 0 && mesh->GetFVF() != file.fvf) {
        std::snprintf(reason, sizeof reason, ": vertex format 0x%X where the engine needs 0x%X",
                      static_cast<unsigned>(mesh->GetFVF()), static_cast<unsigned>(file.fvf));
        Win32SetErrorText(ShownPath(file.path) + reason);
        return false;
    }
    if (mesh->GetNumVertices() < file.minVertices || mesh->GetNumFaces() < file.minFaces) {
        std::snprintf(reason, sizeof reason,
                      ": %u vertices and %u faces where the engine needs at least %u and %u",
                      static_cast<unsigned>(mesh->GetNumVertices()),
                      static_cast<unsigned>(mesh->GetNumFaces()), file.minVertices, file.minFaces);
        Win32SetErrorText(ShownPath(file.path) + reason);
        return false;
    }
    return true;
}

HRESULT LoadModels() {
    const ModelFile models[] = {
        {"data\\L1.x", &levelModels[LEVEL_MODEL], LEVEL_VERTEX_FVF, LEVEL_VERTICES_NEEDED,
         LEVEL_FACES_NEEDED},
        {"data\\L1add0.x", &levelModels[SHADOW_MARKER_MODEL], 0, 0, 0},
        {"data\\L1add2.x", &levelModels[DETAIL_MODEL], 0, 0, 0},
        {"data\\L1add5.x", &levelModels[WATER_MODEL], TEXTURED_VERTEX_FVF, WATER_VERTICES_NEEDED,
         0},
        {"data\\L1add3.x", &levelModels[HULL_MODEL], HULL_VERTEX_FVF, HULL_VERTICES_NEEDED, 0},
        {"data\\L1add1.x", &levelModels[EXTRA_MODEL], 0, 0, 0},
        {"data\\L1add4.x", &skyBoxModel, 0, 0, 0},
        {"data\\kelmar.x", &collectibleModel, 0, 0, 0},
    };
    for (const ModelFile& file : models) {
        if (FAILED(file.model->LoadMeshModel(file.path)) || !HasExpectedShape(file))
            return Fail(file.path, MODEL_NOUN);
    }
    return S_OK;
}

D3DCOLOR PackColor(const ColorValue& color) {
    auto channel = [](float value) {
        return static_cast<uint32_t>(static_cast<int32_t>(value * 255.0f)) & 0xFFu;
    };
    return (channel(color.a) << 24) | (channel(color.r) << 16) | (channel(color.g) << 8) |
           channel(color.b);
}

// Vertex 29 of the buffer is never written.
void FillCoronaVertices(CoronaVertex* vertices) {
    FillCoronaPlaces();
    for (int i = 0; i < CORONA_COUNT; ++i)
        vertices[i].position = coronaPositions[i];
    FillCoronaColors();
    for (int i = 0; i < CORONA_COUNT; ++i)
        vertices[i].color = PackColor(coronaColors[i]);
}

} // namespace

void PlaceCollectibles() {
    bool taken[COLLECTIBLE_CANDIDATE_COUNT] = {};
    int placed = 0;
    // Keeps drawing until nine distinct candidates are taken; a taken one changes nothing.
    while (placed < COLLECTIBLE_COUNT - 1) {
        const int k = std::rand() % COLLECTIBLE_CANDIDATE_COUNT;
        if (taken[k])
            continue;
        engine.collectiblePositions[placed] = collectibleCandidates[k];
        engine.collectibleActive[placed] = 1;
        taken[k] = true;
        ++placed;
    }
    // The last one may coincide with one of the nine.
    engine.collectiblePositions[COLLECTIBLE_COUNT - 1] =
        collectibleCandidates[FIXED_COLLECTIBLE_CANDIDATE];
    engine.collectibleActive[COLLECTIBLE_COUNT - 1] = 1;
}

HRESULT LoadLevel() {
    failedFile.clear();
    failedNoun = "";
    if (FAILED(LoadImages()))
        return E_FAIL;
    SetLights();
    if (FAILED(LoadModels()))
        return E_FAIL;

    BYTE* coronaData = nullptr;
    if (engine.coronaVertexBuffer == nullptr ||
        FAILED(engine.coronaVertexBuffer->Lock(0, 0, &coronaData, 0))) {
        Win32SetErrorText("the light-corona vertex buffer cannot be locked");
        return E_FAIL;
    }
    FillCoronaVertices(reinterpret_cast<CoronaVertex*>(coronaData));
    PrepareLevelShading();
    engine.coronaVertexBuffer->Unlock();

    PlaceCollectibles();
    return S_OK;
}

const char* LoadLevelFailedFile() {
    return failedFile.c_str();
}

const char* LoadLevelFailedNoun() {
    return failedNoun;
}
