// FVFData (a vertex format code, then each vertex's data minus its position) and DeclData (a
// list of declaration elements with the platform's type and usage codes, then each vertex's
// data in that order), both as DWORDs, vertex after vertex.
#include "d3dx/x_vertex_data.h"

#include "d3d8/d3d8types.h"
#include "d3dx/x_number_reader.h"

#include <strings.h>

namespace {

// Where one element sits in a vertex of the block, and what it becomes, if anything.
struct Field {
    uint32_t offset = 0; // DWORDs from the start of the vertex
    uint32_t size = 0;   // DWORDs
    bool kept = false;
    XVertexUsage usage = XVertexUsage::TexCoord;
    uint32_t set = 0;
};

void AddField(std::vector<Field>& fields, uint32_t& stride, uint32_t size) {
    fields.push_back(Field{stride, size});
    stride += size;
}

void AddKeptField(std::vector<Field>& fields, uint32_t& stride, uint32_t size, XVertexUsage usage,
                  uint32_t set = 0) {
    fields.push_back(Field{stride, size, true, usage, set});
    stride += size;
}

// The layout an FVF code gives, position left out; blend weights stay in the data.
bool FvfFields(uint32_t fvf, std::vector<Field>& fields, uint32_t& stride, std::string& error) {
    const uint32_t position = fvf & D3DFVF_POSITION_MASK;
    if (position == D3DFVF_XYZRHW) {
        error = "FVFData: a transformed vertex format cannot belong to a mesh";
        return false;
    }
    if (position >= 0x006) // XYZB1 .. XYZB5
        AddField(fields, stride, (position - 4) / 2);
    if (fvf & D3DFVF_NORMAL)
        AddKeptField(fields, stride, 3, XVertexUsage::Normal);
    if (fvf & D3DFVF_PSIZE)
        AddKeptField(fields, stride, 1, XVertexUsage::PointSize);
    if (fvf & D3DFVF_DIFFUSE)
        AddKeptField(fields, stride, 1, XVertexUsage::Diffuse);
    if (fvf & D3DFVF_SPECULAR)
        AddKeptField(fields, stride, 1, XVertexUsage::Specular);
    const uint32_t sets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (sets > 8) {
        error = "FVFData: " + std::to_string(sets) + " texture coordinate sets (at most 8)";
        return false;
    }
    // Each set's 2-bit size code above bit 16: 0 = 2 floats, 1 = 3, 2 = 4, 3 = 1.
    constexpr uint32_t FLOATS[4] = {2, 3, 4, 1};
    for (uint32_t i = 0; i < sets; ++i)
        AddKeptField(fields, stride, FLOATS[(fvf >> (16 + 2 * i)) & 3], XVertexUsage::TexCoord, i);
    return true;
}

// Declaration types and usages, with the platform's numbering.
constexpr uint32_t DECLTYPE_FLOAT1 = 0, DECLTYPE_FLOAT3 = 2, DECLTYPE_FLOAT4 = 3,
                   DECLTYPE_D3DCOLOR = 4, DECLTYPE_UNUSED = 17;
constexpr uint32_t DECLUSAGE_NORMAL = 3, DECLUSAGE_PSIZE = 4, DECLUSAGE_TEXCOORD = 5,
                   DECLUSAGE_COLOR = 10;

// Bytes of each declaration type from FLOAT1 to UNUSED, all whole DWORDs.
constexpr uint32_t DECLTYPE_DWORDS[DECLTYPE_UNUSED + 1] = {1, 2, 3, 4, 1, 1, 1, 2, 1,
                                                           1, 2, 1, 2, 1, 1, 1, 2, 0};

void AddDeclField(std::vector<Field>& fields, uint32_t& stride, uint32_t type, uint32_t usage,
                  uint32_t index) {
    const uint32_t size = DECLTYPE_DWORDS[type];
    if (usage == DECLUSAGE_NORMAL && type == DECLTYPE_FLOAT3 && index == 0)
        AddKeptField(fields, stride, size, XVertexUsage::Normal);
    else if (usage == DECLUSAGE_PSIZE && type == DECLTYPE_FLOAT1 && index == 0)
        AddKeptField(fields, stride, size, XVertexUsage::PointSize);
    else if (usage == DECLUSAGE_COLOR && type == DECLTYPE_D3DCOLOR && index <= 1)
        AddKeptField(fields, stride, size,
                     index == 0 ? XVertexUsage::Diffuse : XVertexUsage::Specular);
    else if (usage == DECLUSAGE_TEXCOORD && type <= DECLTYPE_FLOAT4 && index < 8)
        AddKeptField(fields, stride, size, XVertexUsage::TexCoord, index);
    else
        AddField(fields, stride, size);
}

bool DeclFields(XNumberReader& reader, std::vector<Field>& fields, uint32_t& stride,
                std::string& error) {
    uint32_t elementCount = 0;
    if (!reader.Count(elementCount, 4, "element count"))
        return false;
    for (uint32_t i = 0; i < elementCount; ++i) {
        uint32_t type = 0, method = 0, usage = 0, index = 0;
        if (!reader.Number(type, "element type") || !reader.Number(method, "element method") ||
            !reader.Number(usage, "element usage") || !reader.Number(index, "usage index"))
            return false;
        if (type > DECLTYPE_UNUSED) {
            error = "DeclData: element " + std::to_string(i) + " has unknown type " +
                    std::to_string(type);
            return false;
        }
        AddDeclField(fields, stride, type, usage, index);
    }
    return true;
}

} // namespace

bool IsXVertexData(const XNode& node) {
    return !node.isReference && (strcasecmp(node.type.c_str(), "FVFData") == 0 ||
                                 strcasecmp(node.type.c_str(), "DeclData") == 0);
}

bool ReadXVertexData(const XNode& node, uint32_t vertexCount, std::vector<XVertexElement>& elements,
                     std::string& error) {
    XNumberReader reader(node, error);
    std::vector<Field> fields;
    uint32_t stride = 0;
    if (strcasecmp(node.type.c_str(), "FVFData") == 0) {
        uint32_t fvf = 0;
        if (!reader.Number(fvf, "vertex format") || !FvfFields(fvf, fields, stride, error))
            return false;
    } else if (!DeclFields(reader, fields, stride, error)) {
        return false;
    }
    uint32_t dwordCount = 0;
    if (!reader.Count(dwordCount, 1, "DWORD count"))
        return false;
    std::vector<uint32_t> data(dwordCount);
    for (uint32_t& value : data)
        if (!reader.Number(value, "vertex data"))
            return false;
    for (const Field& field : fields) {
        if (!field.kept)
            continue;
        XVertexElement& element = elements.emplace_back();
        element.usage = field.usage;
        element.set = field.set;
        element.components = field.size;
        element.values.assign(static_cast<size_t>(vertexCount) * field.size, 0);
        for (uint32_t v = 0; v < vertexCount; ++v) {
            const size_t at = static_cast<size_t>(v) * stride + field.offset;
            if (at + field.size > data.size())
                break;
            for (uint32_t k = 0; k < field.size; ++k)
                element.values[static_cast<size_t>(v) * field.size + k] = data[at + k];
        }
    }
    return true;
}
