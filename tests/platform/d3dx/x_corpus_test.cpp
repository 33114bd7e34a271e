// Every X file of the public corpus either loads or is refused with a clear reason. Counts
// come from the files' own declarations (vertex and face counts of their Mesh objects, fans
// counted by hand from the corner counts); heli.x has faces sharing positions with several
// normals, and its 780 vertices were counted separately as the distinct (position, normal)
// pairs its faces use plus its unused positions.
#include "x_test_util.h"

#include <gtest/gtest.h>

namespace {

struct CorpusCase {
    const char* file;
    const char* refusal; // null: loads
    uint32_t vertices;
    uint32_t faces;
    DWORD fvf;
};

constexpr DWORD P = D3DFVF_XYZ, N = D3DFVF_NORMAL, C = D3DFVF_DIFFUSE, T = D3DFVF_TEX1;

const CorpusCase CASES[] = {
    {"test_cube_text.x", nullptr, 24, 12, P | N | T},
    {"test_cube_binary.x", nullptr, 24, 12, P | N | T},
    {"test_cube_compressed.x", nullptr, 24, 12, P | N | T},
    {"OV_GetNextToken", "inflates to 2797 bytes, its header says 2800", 0, 0, 0},
    {"kwxport_test_cubewithvcolors.x", nullptr, 24, 12, P | N | C | T},
    {"malformed_skinweights_oob.x", nullptr, 24, 12, P | N | T}, // skin data is skipped
    {"test.x", nullptr, 24, 12, P | N | T},
    {"BCN_Epileptic.X", nullptr, 3014, 5126, P | N | T},
    {"empty.x", "empty file", 0, 0, 0},
    {"tiger.x", nullptr, 303, 602, P | T},
    {"Cube.x", nullptr, 24, 12, P | C},
    // FVFData 0x10100: one texture coordinate set of three floats, TEXCOORDSIZE3(0).
    {"alley_skybox.x", nullptr, 24, 12, P | T | 0x10000u},
    {"heli.x", nullptr, 780, 793, P | N},
    {"tiny.x", nullptr, 4432, 6841, P | N | T},
    {"scene.x", "holds no mesh", 0, 0, 0},
    {"acropolis_ground.x", nullptr, 15, 16, P | N | C | T},
    {"rock.x", nullptr, 285, 445, P | N | T},
    {"cell.x", nullptr, 24, 12, P | N | T},
    {"anim_test.x", nullptr, 1720, 840, P | N | T},
    {"airplane 2.x", nullptr, 1282, 596, P | N | T},
};

// Binary and compressed files: loaded and checked for sane, consistent results.
const char* const BINARY_FILES[] = {
    "fromtruespace_bin32.x", "cube_on_plane.x", "Dwarf.x", "teapot.x", "sphere0.x", "vinestart.x"};

TEST(XCorpus, EveryFileLoadsOrIsRefusedWithAReason) {
    for (const CorpusCase& c : CASES) {
        const std::vector<uint8_t> bytes = ReadBytes(CorpusPath(std::string("x/") + c.file));
        XMeshData mesh;
        std::string error;
        const bool ok = BuildFromBytes(bytes, mesh, error);
        if (c.refusal != nullptr) {
            EXPECT_FALSE(ok) << c.file;
            EXPECT_NE(error.find(c.refusal), std::string::npos) << c.file << ": " << error;
            continue;
        }
        ASSERT_TRUE(ok) << c.file << ": " << error;
        EXPECT_EQ(mesh.vertexCount, c.vertices) << c.file;
        EXPECT_EQ(mesh.FaceCount(), c.faces) << c.file;
        EXPECT_EQ(mesh.fvf, c.fvf) << c.file;
    }
    for (const char* file : BINARY_FILES) {
        const std::vector<uint8_t> bytes = ReadBytes(CorpusPath(std::string("x/") + file));
        XMeshData mesh;
        std::string error;
        ASSERT_TRUE(BuildFromBytes(bytes, mesh, error)) << file << ": " << error;
        EXPECT_GT(mesh.FaceCount(), 0u) << file;
        EXPECT_EQ(mesh.indices.size(), 3u * mesh.FaceCount()) << file;
        for (uint32_t index : mesh.indices)
            ASSERT_LT(index, mesh.vertexCount) << file;
        for (uint32_t attribute : mesh.attributes)
            ASSERT_LT(attribute, std::max<size_t>(mesh.materials.size(), 1)) << file;
    }
}

TEST(XCorpus, TextBinaryAndCompressedCubesAreIdentical) {
    XMeshData text, binary, compressed;
    std::string error;
    ASSERT_TRUE(BuildFromBytes(ReadBytes(CorpusPath("x/test_cube_text.x")), text, error)) << error;
    ASSERT_TRUE(BuildFromBytes(ReadBytes(CorpusPath("x/test_cube_binary.x")), binary, error))
        << error;
    ASSERT_TRUE(
        BuildFromBytes(ReadBytes(CorpusPath("x/test_cube_compressed.x")), compressed, error))
        << error;
    for (const XMeshData* other : {&binary, &compressed}) {
        EXPECT_EQ(other->fvf, text.fvf);
        EXPECT_EQ(other->vertices, text.vertices);
        EXPECT_EQ(other->indices, text.indices);
        EXPECT_EQ(other->attributes, text.attributes);
        ASSERT_EQ(other->materials.size(), text.materials.size());
        EXPECT_EQ(other->materials[0].material.Power, text.materials[0].material.Power);
    }
    // The root frame swaps y and z: file vertex 0 (-1, -1, 1) lands at (-1, 1, -1), and its
    // normal (0, -1, 0) at (0, 0, -1). Face 0 is the file's first face (0, 2, 1).
    const Vec p = VertexVec(text, 0, 0);
    EXPECT_FLOAT_EQ(p.x, -1.0f);
    EXPECT_FLOAT_EQ(p.y, 1.0f);
    EXPECT_FLOAT_EQ(p.z, -1.0f);
    const Vec n = VertexVec(text, 0, 12);
    EXPECT_FLOAT_EQ(n.x, 0.0f);
    EXPECT_FLOAT_EQ(n.y, 0.0f);
    EXPECT_FLOAT_EQ(n.z, -1.0f);
    EXPECT_EQ(text.indices[0], 0u);
    EXPECT_EQ(text.indices[1], 2u);
    EXPECT_EQ(text.indices[2], 1u);
    EXPECT_FLOAT_EQ(text.materials[0].material.Diffuse.r, 0.639216f);
    EXPECT_FLOAT_EQ(text.materials[0].material.Power, 96.07843f);
}

TEST(XCorpus, TexturedMaterialsKeepTheirNamesAsStored) {
    XMeshData mesh;
    std::string error;
    // test.x writes the template name as "TextureFileName".
    ASSERT_TRUE(BuildFromBytes(ReadBytes(CorpusPath("x/test.x")), mesh, error)) << error;
    ASSERT_FALSE(mesh.materials.empty());
    EXPECT_TRUE(mesh.materials[0].hasTexture);
    ASSERT_TRUE(BuildFromBytes(ReadBytes(CorpusPath("x/cell.x")), mesh, error)) << error;
    ASSERT_EQ(mesh.materials.size(), 3u);
    for (const XMaterialData& material : mesh.materials)
        EXPECT_TRUE(material.hasTexture);
}

// Truncations and single-byte corruptions of each encoding never crash or read out of bounds
// (run under the sanitizer build); truncations before the last closing brace are refused.
TEST(XCorpus, TruncatedAndCorruptFilesAreRefusedCleanly) {
    for (const char* file : {"test_cube_text.x", "test_cube_binary.x", "test_cube_compressed.x"}) {
        const std::vector<uint8_t> bytes = ReadBytes(CorpusPath(std::string("x/") + file));
        ASSERT_FALSE(bytes.empty());
        for (size_t length = 0; length + 1 < bytes.size(); ++length) {
            std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + static_cast<long>(length));
            XMeshData mesh;
            std::string error;
            const bool ok = BuildFromBytes(prefix, mesh, error);
            // Only the text file ends in white space that may be cut without harm.
            if (ok)
                EXPECT_GT(length + 8, bytes.size()) << file << " prefix " << length;
            else
                EXPECT_FALSE(error.empty());
        }
        uint32_t seed = 12345;
        for (int round = 0; round < 2000; ++round) {
            std::vector<uint8_t> corrupt = bytes;
            for (int k = 0; k < 3; ++k) {
                seed = seed * 1103515245u + 12345u;
                const size_t at = 16 + (seed >> 8) % (corrupt.size() - 16);
                corrupt[at] = static_cast<uint8_t>(seed >> 3);
            }
            XMeshData mesh;
            std::string error;
            if (BuildFromBytes(corrupt, mesh, error)) {
                for (uint32_t index : mesh.indices)
                    ASSERT_LT(index, mesh.vertexCount);
            }
        }
    }
}

} // namespace
