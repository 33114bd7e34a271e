// Merging the meshes of an X file: the combined vertex format, each part written into it
// with zeros for what it lacks, and the material list with a plain material for parts that
// have none while others do.
#include "d3dx/x_mesh_part.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

void PutFloat(uint8_t*& out, float value) {
    std::memcpy(out, &value, 4);
    out += 4;
}

void PutDword(uint8_t*& out, uint32_t value) {
    std::memcpy(out, &value, 4);
    out += 4;
}

// The merged meshes' vertex format: every element any of them has.
struct VertexFormat {
    bool normals = false, pointSize = false, colors = false, specular = false;
    uint32_t texSets = 0;
    std::array<uint32_t, 8> texFloats{}; // floats of each texture coordinate set

    void Include(const XMeshPart& part) {
        normals |= part.hasNormals;
        colors |= part.hasColors;
        if (part.hasUV)
            AddSet(0, 2);
        for (const XVertexElement& extra : part.extras) {
            pointSize |= extra.usage == XVertexUsage::PointSize;
            specular |= extra.usage == XVertexUsage::Specular;
            if (extra.usage == XVertexUsage::TexCoord)
                AddSet(extra.set, extra.components);
        }
    }
    void AddSet(uint32_t set, uint32_t floats) {
        texSets = std::max(texSets, set + 1);
        texFloats[set] = std::max(texFloats[set], floats);
    }
    // Sets below the highest that no mesh has are two zeros, the format's default size.
    void CloseGaps() {
        for (uint32_t s = 0; s < texSets; ++s)
            if (texFloats[s] == 0)
                texFloats[s] = 2;
    }
    DWORD Fvf() const {
        constexpr DWORD SIZE_CODES[5] = {0, 3, 0, 1, 2}; // by floats: 1 = 3, 2 = 0, 3 = 1, 4 = 2
        DWORD fvf = D3DFVF_XYZ | (normals ? D3DFVF_NORMAL : 0) | (pointSize ? D3DFVF_PSIZE : 0) |
                    (colors ? D3DFVF_DIFFUSE : 0) | (specular ? D3DFVF_SPECULAR : 0) |
                    (texSets << D3DFVF_TEXCOUNT_SHIFT);
        for (uint32_t s = 0; s < texSets; ++s)
            fvf |= SIZE_CODES[texFloats[s]] << (16 + 2 * s);
        return fvf;
    }
    UINT Size() const {
        UINT size =
            12 + (normals ? 12 : 0) + (pointSize ? 4 : 0) + (colors ? 4 : 0) + (specular ? 4 : 0);
        for (uint32_t s = 0; s < texSets; ++s)
            size += 4 * texFloats[s];
        return size;
    }
};

// Writes one mesh's vertices in the merged format; what it lacks is zero, except the
// diffuse colour, which its own reading already defaulted.
class VertexWriter {
  public:
    VertexWriter(const XMeshPart& mesh, const VertexFormat& vertexFormat)
        : part(mesh), format(vertexFormat) {
        for (const XVertexElement& extra : part.extras) {
            if (extra.usage == XVertexUsage::PointSize)
                pointSize = &extra;
            else if (extra.usage == XVertexUsage::Specular)
                specular = &extra;
            else if (extra.usage == XVertexUsage::TexCoord)
                texSet[extra.set] = &extra;
        }
    }

    void Write(size_t v, uint8_t*& out) const {
        PutFloat(out, part.positions[v].x);
        PutFloat(out, part.positions[v].y);
        PutFloat(out, part.positions[v].z);
        if (format.normals) {
            PutFloat(out, part.normals[v].x);
            PutFloat(out, part.normals[v].y);
            PutFloat(out, part.normals[v].z);
        }
        if (format.pointSize)
            PutDword(out, pointSize != nullptr ? pointSize->values[v] : 0);
        if (format.colors)
            PutDword(out, part.colors[v]);
        if (format.specular)
            PutDword(out, specular != nullptr ? specular->values[v] : 0);
        for (uint32_t s = 0; s < format.texSets; ++s) {
            uint32_t written = 0;
            if (s == 0 && part.hasUV) {
                PutFloat(out, part.uvs[2 * v]);
                PutFloat(out, part.uvs[2 * v + 1]);
                written = 2;
            } else if (texSet[s] != nullptr) {
                for (; written < texSet[s]->components; ++written)
                    PutDword(out, texSet[s]->values[v * texSet[s]->components + written]);
            }
            for (; written < format.texFloats[s]; ++written)
                PutFloat(out, 0.0f);
        }
    }

  private:
    const XMeshPart& part;
    const VertexFormat& format;
    const XVertexElement* pointSize = nullptr;
    const XVertexElement* specular = nullptr;
    std::array<const XVertexElement*, 8> texSet{};
};

// Meshes without materials of their own get a plain white one when others have some.
void AppendMaterials(const XMeshPart& part, bool anyMaterials, XMeshData& mesh) {
    const auto materialBase = static_cast<uint32_t>(mesh.materials.size());
    if (part.materials.empty() && anyMaterials) {
        XMaterialData plain;
        plain.material.Diffuse = {1.0f, 1.0f, 1.0f, 1.0f};
        plain.material.Specular.a = 1.0f;
        plain.material.Emissive.a = 1.0f;
        mesh.materials.push_back(plain);
    }
    for (const XMaterialData& material : part.materials)
        mesh.materials.push_back(material);
    for (uint32_t attribute : part.attributes)
        mesh.attributes.push_back(materialBase + attribute);
}

} // namespace

void MergeXMeshParts(const std::vector<XMeshPart>& parts, XMeshData& mesh) {
    VertexFormat format;
    bool anyMaterials = false;
    size_t vertexTotal = 0, faceTotal = 0;
    for (const XMeshPart& part : parts) {
        format.Include(part);
        anyMaterials |= !part.materials.empty();
        vertexTotal += part.positions.size();
        faceTotal += part.attributes.size();
    }
    format.CloseGaps();
    mesh.fvf = format.Fvf();
    mesh.vertexSize = format.Size();
    mesh.vertexCount = static_cast<uint32_t>(vertexTotal);
    mesh.meshCount = static_cast<uint32_t>(parts.size());
    mesh.vertices.resize(vertexTotal * mesh.vertexSize);
    mesh.indices.reserve(faceTotal * 3);
    mesh.attributes.reserve(faceTotal);
    uint8_t* out = mesh.vertices.data();
    uint32_t base = 0;
    for (const XMeshPart& part : parts) {
        const VertexWriter writer(part, format);
        for (size_t v = 0; v < part.positions.size(); ++v)
            writer.Write(v, out);
        for (uint32_t index : part.indices)
            mesh.indices.push_back(base + index);
        AppendMaterials(part, anyMaterials, mesh);
        base += static_cast<uint32_t>(part.positions.size());
    }
}
