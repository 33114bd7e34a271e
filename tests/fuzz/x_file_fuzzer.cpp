// The X-file reader on any bytes: header, text, binary and compressed bodies, templates and
// the mesh built from them. A built mesh must be consistent, whatever the file said.
#include "d3dx/x_mesh_builder.h"
#include "fuzz_entry.h"

#include <cstdlib>

int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    XMeshData mesh;
    XHeader header;
    std::string error;
    if (!LoadXMeshFromMemory(data, size, mesh, header, error))
        return 0;
    if (mesh.indices.size() != 3u * mesh.FaceCount() ||
        mesh.vertices.size() != static_cast<size_t>(mesh.vertexCount) * mesh.vertexSize)
        std::abort();
    for (uint32_t index : mesh.indices)
        if (index >= mesh.vertexCount)
            std::abort();
    return 0;
}
