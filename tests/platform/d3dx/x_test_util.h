// Helpers for the X-file tests: reading corpus files, building meshes from text, and reading
// vertices back out of the packed layout.
#pragma once

#include "d3dx/x_mesh_builder.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::string CorpusPath(const std::string& relative) {
    return std::string(OVREL_CORPUS_DIR) + "/" + relative;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

inline bool BuildFromText(const std::string& text, XMeshData& mesh, std::string& error) {
    XHeader header;
    return LoadXMeshFromMemory(reinterpret_cast<const uint8_t*>(text.data()), text.size(), mesh,
                               header, error);
}

inline bool BuildFromBytes(const std::vector<uint8_t>& bytes, XMeshData& mesh, std::string& error) {
    XHeader header;
    return LoadXMeshFromMemory(bytes.data(), bytes.size(), mesh, header, error);
}

struct Vec {
    float x, y, z;
};

// Reads three floats at a byte offset inside vertex v.
inline Vec VertexVec(const XMeshData& mesh, uint32_t v, size_t offset) {
    Vec out;
    std::memcpy(&out, mesh.vertices.data() + static_cast<size_t>(v) * mesh.vertexSize + offset, 12);
    return out;
}

inline uint32_t VertexDword(const XMeshData& mesh, uint32_t v, size_t offset) {
    uint32_t out;
    std::memcpy(&out, mesh.vertices.data() + static_cast<size_t>(v) * mesh.vertexSize + offset, 4);
    return out;
}
