// The X-file report: encoding, vertex layout, counts, bounding box and materials.
#include "dump.h"

#include "d3dx/x_mesh_builder.h"

#include <cfloat>
#include <cstring>

namespace {

void PrintLayout(DWORD fvf, UINT size, FILE* out) {
    std::fprintf(out, "  vertex format: 0x%03X (XYZ%s%s%s), %u bytes\n", fvf,
                 (fvf & D3DFVF_NORMAL) ? " | NORMAL" : "",
                 (fvf & D3DFVF_DIFFUSE) ? " | DIFFUSE" : "", (fvf & D3DFVF_TEX1) ? " | TEX1" : "",
                 size);
}

} // namespace

bool DumpXFile(const char* path, const std::vector<uint8_t>& bytes, FILE* out, FILE* err) {
    XMeshData mesh;
    XHeader header;
    std::string error;
    if (!LoadXMeshFromMemory(bytes.data(), bytes.size(), mesh, header, error)) {
        std::fprintf(err, "%s: %s\n", path, error.c_str());
        return false;
    }
    std::fprintf(out, "%s: X file, version %02d%02d, %s, %d-bit floats\n", path,
                 header.versionMajor, header.versionMinor, XEncodingName(header.encoding),
                 header.floatBits);
    PrintLayout(mesh.fvf, mesh.vertexSize, out);
    std::fprintf(out, "  meshes: %u, vertices: %u, faces: %u, indices: %s\n", mesh.meshCount,
                 mesh.vertexCount, mesh.FaceCount(),
                 mesh.vertexCount > 65535 ? "32-bit" : "16-bit");
    float lo[3] = {FLT_MAX, FLT_MAX, FLT_MAX}, hi[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    for (uint32_t v = 0; v < mesh.vertexCount; ++v) {
        float p[3];
        std::memcpy(p, mesh.vertices.data() + static_cast<size_t>(v) * mesh.vertexSize, 12);
        for (int i = 0; i < 3; ++i) {
            lo[i] = p[i] < lo[i] ? p[i] : lo[i];
            hi[i] = p[i] > hi[i] ? p[i] : hi[i];
        }
    }
    if (mesh.vertexCount > 0)
        std::fprintf(out, "  bounds: (%g, %g, %g) to (%g, %g, %g)\n", lo[0], lo[1], lo[2], hi[0],
                     hi[1], hi[2]);
    std::vector<uint32_t> faceCounts(mesh.materials.size(), 0);
    for (uint32_t attribute : mesh.attributes)
        if (attribute < faceCounts.size())
            ++faceCounts[attribute];
    std::fprintf(out, "  materials: %zu\n", mesh.materials.size());
    for (size_t i = 0; i < mesh.materials.size(); ++i) {
        const XMaterialData& m = mesh.materials[i];
        const D3DCOLORVALUE& d = m.material.Diffuse;
        std::fprintf(out, "    %zu: diffuse (%g, %g, %g, %g), power %g, %u faces, texture %s%s%s\n",
                     i, d.r, d.g, d.b, d.a, m.material.Power, faceCounts[i],
                     m.hasTexture ? "\"" : "", m.hasTexture ? m.textureName.c_str() : "none",
                     m.hasTexture ? "\"" : "");
    }
    return true;
}
