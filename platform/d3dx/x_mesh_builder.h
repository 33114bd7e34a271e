// Turns the data objects of an X file into one triangle mesh: every Mesh of the file, moved
// by its frames' transforms, merged in file order, with the vertex layout the templates
// present call for and one material list. Needs no device, so loaders and tools share it.
#pragma once

#include "d3d8/d3d8types.h"
#include "d3dx/x_parser.h"

#include <string>
#include <vector>

struct XMaterialData {
    D3DMATERIAL8 material{};
    bool hasTexture = false;
    std::string textureName; // as stored in the file
};

struct XMeshData {
    DWORD fvf = 0;
    UINT vertexSize = 0;
    uint32_t vertexCount = 0;
    std::vector<uint8_t> vertices;    // vertexCount * vertexSize bytes in the fvf layout
    std::vector<uint32_t> indices;    // three per face, in face order
    std::vector<uint32_t> attributes; // material index of each face
    std::vector<XMaterialData> materials;
    uint32_t meshCount = 0; // Mesh objects merged

    uint32_t FaceCount() const { return static_cast<uint32_t>(attributes.size()); }
};

// Builds the mesh of a parsed file. False with a one-line reason for inconsistent data
// (indices out of range, counts that disagree); a file without any Mesh is an error too.
bool BuildXMesh(const XDocument& document, XMeshData& mesh, std::string& error);

// Parses and builds in one step.
bool LoadXMeshFromMemory(const uint8_t* data, size_t size, XMeshData& mesh, XHeader& header,
                         std::string& error);
