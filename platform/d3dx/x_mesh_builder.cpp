// Mesh assembly from X-file data objects.
//
// Vertex and face order follow the file: vertex i of a Mesh stays vertex i (plus the offset
// of the meshes before it), polygons become fans (v0, v1, v2), (v0, v2, v3)... in face order.
// A position used with several distinct normals keeps its first normal in its own slot; every
// further distinct normal gets a copy of the vertex appended after the mesh's vertices, in the
// order the faces first use it. Texture coordinates and colours are per position in the
// format, so they never split a vertex.
#include "d3dx/x_mesh_builder.h"

#include "d3dx/x_mesh_part.h"
#include "d3dx/x_number_reader.h"
#include "d3dx/x_vertex_data.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <strings.h>
#include <unordered_map>

namespace {

using Matrix = std::array<float, 16>;

constexpr Matrix IDENTITY = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

bool SameName(const std::string& a, const char* b) {
    return strcasecmp(a.c_str(), b) == 0;
}

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += a[i * 4 + k] * b[k * 4 + j];
            r[i * 4 + j] = sum;
        }
    return r;
}

XFloat3 Normalized(XFloat3 v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length > 0.0f && length != 1.0f)
        return {v.x / length, v.y / length, v.z / length};
    return v;
}

DWORD ColorByte(double value) {
    const double clamped = std::clamp(value, 0.0, 1.0);
    return static_cast<DWORD>(clamped * 255.0 + 0.5);
}

// Polygons as index lists: start and corner count into a flat array.
struct Polygons {
    std::vector<uint32_t> corners;
    std::vector<std::pair<uint32_t, uint32_t>> faces;
};

bool ReadPolygons(XNumberReader& reader, uint32_t indexLimit, Polygons& polygons,
                  std::string& error, const char* what) {
    uint32_t faceCount = 0;
    if (!reader.Count(faceCount, 1, "face count"))
        return false;
    polygons.faces.reserve(faceCount);
    for (uint32_t f = 0; f < faceCount; ++f) {
        uint32_t cornerCount = 0;
        if (!reader.Count(cornerCount, 1, "corner count"))
            return false;
        const auto start = static_cast<uint32_t>(polygons.corners.size());
        for (uint32_t c = 0; c < cornerCount; ++c) {
            uint32_t index = 0;
            if (!reader.Number(index, "face index"))
                return false;
            if (index >= indexLimit) {
                error = std::string(what) + " face " + std::to_string(f) + " uses index " +
                        std::to_string(index) + " of " + std::to_string(indexLimit);
                return false;
            }
            polygons.corners.push_back(index);
        }
        polygons.faces.emplace_back(start, cornerCount);
    }
    return true;
}

class MeshBuilder {
  public:
    MeshBuilder(const XDocument& doc, std::string& errorText) : document(doc), error(errorText) {
        for (const XNode& node : document.objects)
            IndexNames(node);
    }

    bool Walk(const XNode& node, const Matrix& parent, bool isTop);
    std::vector<XMeshPart> parts;

  private:
    void IndexNames(const XNode& node) {
        if (!node.isReference && !node.name.empty())
            named.emplace(node.name, &node);
        for (const XNode& child : node.children)
            IndexNames(child);
    }
    const XNode* Resolve(const std::string& name) const {
        const auto it = named.find(name);
        if (it != named.end())
            return it->second;
        for (const auto& [key, node] : named)
            if (strcasecmp(key.c_str(), name.c_str()) == 0)
                return node;
        return nullptr;
    }
    bool ReadMesh(const XNode& node, const Matrix& transform);
    bool ReadMaterial(const XNode& node, XMaterialData& material);
    bool ReadMaterialList(const XNode& node, XMeshPart& part, size_t polygonCount,
                          std::vector<uint32_t>& polygonAttributes);

    const XDocument& document;
    std::string& error;
    std::unordered_map<std::string, const XNode*> named;
};

bool MeshBuilder::Walk(const XNode& node, const Matrix& parent, bool isTop) {
    if (node.isReference)
        return true;
    if (SameName(node.type, "Mesh"))
        return ReadMesh(node, parent);
    if (!SameName(node.type, "Frame"))
        return true; // materials at top level, animations, unknown templates
    (void)isTop;
    Matrix local = IDENTITY;
    for (const XNode& child : node.children) {
        if (!child.isReference && SameName(child.type, "FrameTransformMatrix")) {
            if (child.numbers.size() < 16) {
                error =
                    "FrameTransformMatrix of frame \"" + node.name + "\" has fewer than 16 values";
                return false;
            }
            for (int i = 0; i < 16; ++i)
                local[i] = static_cast<float>(child.numbers[i]);
        }
    }
    const Matrix world = Multiply(local, parent);
    for (const XNode& child : node.children)
        if (!Walk(child, world, false))
            return false;
    return true;
}

bool MeshBuilder::ReadMaterial(const XNode& node, XMaterialData& material) {
    XNumberReader reader(node, error);
    D3DMATERIAL8& m = material.material;
    m = D3DMATERIAL8{};
    if (!reader.Float(m.Diffuse.r, "face colour") || !reader.Float(m.Diffuse.g, "face colour") ||
        !reader.Float(m.Diffuse.b, "face colour") || !reader.Float(m.Diffuse.a, "face colour") ||
        !reader.Float(m.Power, "power") || !reader.Float(m.Specular.r, "specular colour") ||
        !reader.Float(m.Specular.g, "specular colour") ||
        !reader.Float(m.Specular.b, "specular colour") ||
        !reader.Float(m.Emissive.r, "emissive colour") ||
        !reader.Float(m.Emissive.g, "emissive colour") ||
        !reader.Float(m.Emissive.b, "emissive colour"))
        return false;
    m.Specular.a = 1.0f;
    m.Emissive.a = 1.0f;
    for (const XNode& child : node.children) {
        if (!child.isReference && SameName(child.type, "TextureFilename") &&
            !child.strings.empty()) {
            material.hasTexture = true;
            material.textureName = child.strings.front();
        }
    }
    return true;
}

bool MeshBuilder::ReadMaterialList(const XNode& node, XMeshPart& part, size_t polygonCount,
                                   std::vector<uint32_t>& polygonAttributes) {
    XNumberReader reader(node, error);
    uint32_t materialCount = 0, indexCount = 0;
    if (!reader.Number(materialCount, "material count") ||
        !reader.Count(indexCount, 1, "face index count"))
        return false;
    std::vector<uint32_t> faceMaterials(indexCount);
    for (uint32_t& m : faceMaterials)
        if (!reader.Number(m, "face material"))
            return false;
    for (const XNode& child : node.children) {
        const XNode* material = &child;
        if (child.isReference) {
            material = Resolve(child.name);
            if (material == nullptr) {
                error = "MeshMaterialList refers to unknown material \"" + child.name + "\"";
                return false;
            }
        }
        if (!SameName(material->type, "Material"))
            continue;
        XMaterialData data;
        if (!ReadMaterial(*material, data))
            return false;
        part.materials.push_back(std::move(data));
    }
    if (part.materials.size() < materialCount) {
        error = "MeshMaterialList declares " + std::to_string(materialCount) +
                " materials but has " + std::to_string(part.materials.size());
        return false;
    }
    part.materials.resize(materialCount);
    // A list shorter than the faces repeats its last entry.
    polygonAttributes.assign(polygonCount, 0);
    for (size_t f = 0; f < polygonCount; ++f) {
        if (faceMaterials.empty())
            break;
        const uint32_t m = faceMaterials[std::min(f, faceMaterials.size() - 1)];
        if (m >= materialCount) {
            error = "MeshMaterialList gives face " + std::to_string(f) + " material " +
                    std::to_string(m) + " of " + std::to_string(materialCount);
            return false;
        }
        polygonAttributes[f] = m;
    }
    return true;
}

// The children of a Mesh that the builder reads; the last of each kind counts.
struct MeshChildren {
    const XNode* normals = nullptr;
    const XNode* textureCoords = nullptr;
    const XNode* colors = nullptr;
    const XNode* materialList = nullptr;
};

MeshChildren FindMeshChildren(const XNode& node) {
    MeshChildren children;
    for (const XNode& child : node.children) {
        if (child.isReference)
            continue;
        if (SameName(child.type, "MeshNormals"))
            children.normals = &child;
        else if (SameName(child.type, "MeshTextureCoords"))
            children.textureCoords = &child;
        else if (SameName(child.type, "MeshVertexColors"))
            children.colors = &child;
        else if (SameName(child.type, "MeshMaterialList"))
            children.materialList = &child;
    }
    return children;
}

// Normal values and the faces that index them, corner for corner with the mesh's faces.
struct CornerNormals {
    std::vector<XFloat3> values;
    Polygons polygons;
};

bool ReadPositionsAndFaces(const XNode& node, XMeshPart& part, Polygons& polygons,
                           std::string& error) {
    XNumberReader reader(node, error);
    uint32_t vertexCount = 0;
    if (!reader.Count(vertexCount, 3, "vertex count"))
        return false;
    part.positions.resize(vertexCount);
    part.normals.assign(vertexCount, XFloat3{0, 0, 0});
    for (XFloat3& p : part.positions)
        if (!reader.Vector(p, "vertex"))
            return false;
    return ReadPolygons(reader, vertexCount, polygons, error, "Mesh");
}

bool ReadNormals(const XNode& node, const Polygons& polygons, CornerNormals& normals,
                 std::string& error) {
    XNumberReader reader(node, error);
    uint32_t normalCount = 0;
    if (!reader.Count(normalCount, 3, "normal count"))
        return false;
    normals.values.resize(normalCount);
    for (XFloat3& n : normals.values) {
        if (!reader.Vector(n, "normal"))
            return false;
        n = Normalized(n);
    }
    if (!ReadPolygons(reader, normalCount, normals.polygons, error, "MeshNormals"))
        return false;
    if (normals.polygons.faces.size() != polygons.faces.size()) {
        error = "MeshNormals has " + std::to_string(normals.polygons.faces.size()) +
                " faces, the mesh " + std::to_string(polygons.faces.size());
        return false;
    }
    for (size_t f = 0; f < polygons.faces.size(); ++f) {
        if (normals.polygons.faces[f].second != polygons.faces[f].second) {
            error = "MeshNormals face " + std::to_string(f) +
                    " has a different corner count from the mesh face";
            return false;
        }
    }
    return true;
}

// Coordinates past the mesh's vertices are read and dropped; missing ones stay (0, 0).
bool ReadTextureCoords(const XNode* node, XMeshPart& part, std::string& error) {
    const size_t vertexCount = part.positions.size();
    part.hasUV = node != nullptr;
    part.uvs.assign(2 * vertexCount, 0.0f);
    if (node == nullptr)
        return true;
    XNumberReader reader(*node, error);
    uint32_t uvCount = 0;
    if (!reader.Count(uvCount, 2, "texture coordinate count"))
        return false;
    for (uint32_t i = 0; i < uvCount; ++i) {
        float u = 0, v = 0;
        if (!reader.Float(u, "texture coordinate") || !reader.Float(v, "texture coordinate"))
            return false;
        if (i < vertexCount) {
            part.uvs[2 * i] = u;
            part.uvs[2 * i + 1] = v;
        }
    }
    return true;
}

// Vertices the list does not name are white with zero alpha.
bool ReadVertexColors(const XNode* node, XMeshPart& part, std::string& error) {
    const size_t vertexCount = part.positions.size();
    part.hasColors = node != nullptr;
    part.colors.assign(vertexCount, 0x00FFFFFFu);
    if (node == nullptr)
        return true;
    XNumberReader reader(*node, error);
    uint32_t colorCount = 0;
    if (!reader.Count(colorCount, 5, "vertex colour count"))
        return false;
    for (uint32_t i = 0; i < colorCount; ++i) {
        uint32_t index = 0;
        double r = 0, g = 0, b = 0, a = 0;
        if (!reader.Number(index, "colour index") || !reader.Real(r, "colour") ||
            !reader.Real(g, "colour") || !reader.Real(b, "colour") || !reader.Real(a, "colour"))
            return false;
        if (index >= vertexCount) {
            error = "MeshVertexColors names vertex " + std::to_string(index) + " of " +
                    std::to_string(vertexCount);
            return false;
        }
        part.colors[index] =
            (ColorByte(a) << 24) | (ColorByte(r) << 16) | (ColorByte(g) << 8) | ColorByte(b);
    }
    return true;
}

// Gives each corner of the mesh the vertex that carries its normal: the original while its
// normal is unset or the same, otherwise a copy appended once per further distinct normal.
class NormalSplitter {
  public:
    explicit NormalSplitter(XMeshPart& mesh) : part(mesh), normalSet(mesh.positions.size(), 0) {}

    uint32_t VertexFor(uint32_t vertex, const XFloat3& n) {
        if (!normalSet[vertex]) {
            normalSet[vertex] = 1;
            part.normals[vertex] = n;
            return vertex;
        }
        if (part.normals[vertex] == n)
            return vertex;
        std::vector<uint32_t>& list = copies[vertex];
        const auto found = std::find_if(list.begin(), list.end(),
                                        [&](uint32_t v) { return part.normals[v] == n; });
        if (found != list.end())
            return *found;
        const auto copy = static_cast<uint32_t>(part.positions.size());
        part.positions.push_back(part.positions[vertex]);
        part.normals.push_back(n);
        part.colors.push_back(part.colors[vertex]);
        part.uvs.push_back(part.uvs[2 * vertex]);
        part.uvs.push_back(part.uvs[2 * vertex + 1]);
        for (XVertexElement& extra : part.extras) {
            for (uint32_t k = 0; k < extra.components; ++k) {
                const uint32_t value = extra.values[size_t{vertex} * extra.components + k];
                extra.values.push_back(value);
            }
        }
        list.push_back(copy);
        return copy;
    }

  private:
    XMeshPart& part;
    std::vector<uint8_t> normalSet;
    std::unordered_map<uint32_t, std::vector<uint32_t>> copies;
};

// Splits vertices whose corners disagree on the normal (normals from MeshNormals, null
// without), then triangulates as fans.
void SplitAndTriangulate(XMeshPart& part, const Polygons& polygons, const CornerNormals* normals,
                         const std::vector<uint32_t>& polygonAttributes) {
    NormalSplitter splitter(part);
    std::vector<uint32_t> corner;
    for (size_t f = 0; f < polygons.faces.size(); ++f) {
        const auto [start, count] = polygons.faces[f];
        corner.resize(count);
        for (uint32_t c = 0; c < count; ++c) {
            uint32_t vertex = polygons.corners[start + c];
            if (normals != nullptr) {
                const uint32_t normal =
                    normals->polygons.corners[normals->polygons.faces[f].first + c];
                vertex = splitter.VertexFor(vertex, normals->values[normal]);
            }
            corner[c] = vertex;
        }
        for (uint32_t c = 1; c + 1 < count; ++c) {
            part.indices.push_back(corner[0]);
            part.indices.push_back(corner[c]);
            part.indices.push_back(corner[c + 1]);
            part.attributes.push_back(polygonAttributes[f]);
        }
    }
}

float FloatFromBits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

bool HasExtra(const XMeshPart& part, XVertexUsage usage, uint32_t set) {
    return std::any_of(part.extras.begin(), part.extras.end(),
                       [&](const XVertexElement& e) { return e.usage == usage && e.set == set; });
}

// A Mesh's own templates win over the same element in FVFData or DeclData, and an earlier
// block over a later one. What the templates could have carried moves into their places.
void AdoptVertexElement(XVertexElement& element, XMeshPart& part) {
    const size_t vertexCount = part.positions.size();
    switch (element.usage) {
    case XVertexUsage::Normal:
        if (part.hasNormals)
            return;
        part.hasNormals = true;
        for (size_t v = 0; v < vertexCount; ++v) {
            const uint32_t* n = &element.values[3 * v];
            part.normals[v] =
                Normalized({FloatFromBits(n[0]), FloatFromBits(n[1]), FloatFromBits(n[2])});
        }
        return;
    case XVertexUsage::Diffuse:
        if (part.hasColors)
            return;
        part.hasColors = true;
        part.colors = element.values;
        return;
    case XVertexUsage::TexCoord:
        if (element.set == 0 && part.hasUV)
            return;
        if (element.set == 0 && element.components == 2) {
            part.hasUV = true;
            for (size_t i = 0; i < 2 * vertexCount; ++i)
                part.uvs[i] = FloatFromBits(element.values[i]);
            return;
        }
        break;
    case XVertexUsage::PointSize:
    case XVertexUsage::Specular:
        break;
    }
    if (!HasExtra(part, element.usage, element.set))
        part.extras.push_back(std::move(element));
}

bool ReadVertexData(const XNode& node, XMeshPart& part, std::string& error) {
    std::vector<XVertexElement> elements;
    for (const XNode& child : node.children)
        if (IsXVertexData(child) &&
            !ReadXVertexData(child, static_cast<uint32_t>(part.positions.size()), elements, error))
            return false;
    for (XVertexElement& element : elements)
        AdoptVertexElement(element, part);
    return true;
}

// Normals take the inverse transpose so that scaling keeps them perpendicular to their faces.
void BakeTransform(XMeshPart& part, const Matrix& m) {
    if (m == IDENTITY)
        return;
    for (XFloat3& p : part.positions) {
        const XFloat3 q = p;
        p.x = q.x * m[0] + q.y * m[4] + q.z * m[8] + m[12];
        p.y = q.x * m[1] + q.y * m[5] + q.z * m[9] + m[13];
        p.z = q.x * m[2] + q.y * m[6] + q.z * m[10] + m[14];
    }
    // Cofactors of the upper 3x3 are the inverse transpose up to a scale factor, which
    // normalising removes.
    const float a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9],
                i = m[10];
    const float cof[9] = {e * i - f * h, f * g - d * i, d * h - e * g, c * h - b * i, a * i - c * g,
                          b * g - a * h, b * f - c * e, c * d - a * f, a * e - b * d};
    const float det = a * cof[0] + b * cof[1] + c * cof[2];
    const float sign = det < 0 ? -1.0f : 1.0f;
    for (XFloat3& n : part.normals) {
        const XFloat3 q = n;
        n.x = sign * (q.x * cof[0] + q.y * cof[3] + q.z * cof[6]);
        n.y = sign * (q.x * cof[1] + q.y * cof[4] + q.z * cof[7]);
        n.z = sign * (q.x * cof[2] + q.y * cof[5] + q.z * cof[8]);
        n = Normalized(n);
    }
}

bool MeshBuilder::ReadMesh(const XNode& node, const Matrix& transform) {
    XMeshPart part;
    Polygons polygons;
    if (!ReadPositionsAndFaces(node, part, polygons, error))
        return false;
    const MeshChildren children = FindMeshChildren(node);
    CornerNormals normals;
    part.hasNormals = children.normals != nullptr;
    if (part.hasNormals && !ReadNormals(*children.normals, polygons, normals, error))
        return false;
    if (!ReadTextureCoords(children.textureCoords, part, error) ||
        !ReadVertexColors(children.colors, part, error) || !ReadVertexData(node, part, error))
        return false;
    std::vector<uint32_t> polygonAttributes(polygons.faces.size(), 0);
    if (children.materialList != nullptr &&
        !ReadMaterialList(*children.materialList, part, polygons.faces.size(), polygonAttributes))
        return false;
    SplitAndTriangulate(part, polygons, children.normals != nullptr ? &normals : nullptr,
                        polygonAttributes);
    BakeTransform(part, transform);
    parts.push_back(std::move(part));
    return true;
}

} // namespace

bool BuildXMesh(const XDocument& document, XMeshData& mesh, std::string& error) {
    mesh = XMeshData{};
    MeshBuilder builder(document, error);
    for (const XNode& node : document.objects)
        if (!builder.Walk(node, IDENTITY, true))
            return false;
    const std::vector<XMeshPart>& parts = builder.parts;
    if (parts.empty()) {
        error = "the file holds no mesh";
        return false;
    }
    size_t vertexTotal = 0;
    for (const XMeshPart& part : parts)
        vertexTotal += part.positions.size();
    if (vertexTotal > 0xFFFFFFFEu) {
        error = "too many vertices";
        return false;
    }
    MergeXMeshParts(parts, mesh);
    return true;
}

bool LoadXMeshFromMemory(const uint8_t* data, size_t size, XMeshData& mesh, XHeader& header,
                         std::string& error) {
    XDocument document;
    if (!ParseXFile(data, size, document, error))
        return false;
    header = document.header;
    return BuildXMesh(document, mesh, error);
}
