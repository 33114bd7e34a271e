// FVFData and DeclData: per-vertex elements beside a Mesh's own templates join the vertex
// format, the templates win where both carry an element, and what a fixed-function format
// cannot hold is dropped. Float values are written as the DWORD bit patterns exporters use:
// 0.25 = 1048576000, 0.5 = 1056964608, 0.75 = 1061158912, 1 = 1065353216, 2 = 1073741824,
// 3 = 1077936128.
#include "x_test_util.h"

#include <gtest/gtest.h>

namespace {

const char* HEADER = "xof 0303txt 0032\n";

float VertexFloat(const XMeshData& mesh, uint32_t v, size_t offset) {
    const uint32_t bits = VertexDword(mesh, v, offset);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

TEST(XVertexData, FvfDataAddsItsElementsAndFollowsSplitVertices) {
    // Specular, a three-float set 0 and a two-float set 1 (0x10280). Face 1 gives vertex 0 a
    // second normal, so vertex 0 is copied to vertex 4 and the copy keeps its data.
    const std::string text = std::string(HEADER) + R"(
Mesh {
 4; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;
 2; 3;0,1,2;, 3;0,2,3;;
 MeshNormals { 2; 0;0;-1;, 0;1;0;; 2; 3;0,0,0;, 3;1,0,0;; }
 FVFData { 66176; 24;
  4278190080, 0, 1056964608, 1073741824, 1048576000, 1061158912,
  4278190081, 1065353216, 1056964608, 1073741824, 1048576000, 1061158912,
  4278190082, 1073741824, 1056964608, 1073741824, 1048576000, 1061158912,
  4278190083, 1077936128, 1056964608, 1073741824, 1048576000, 1061158912; }
})";
    XMeshData mesh;
    std::string error;
    ASSERT_TRUE(BuildFromText(text, mesh, error)) << error;
    EXPECT_EQ(mesh.fvf, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_SPECULAR | D3DFVF_TEX2 | 0x10000u);
    ASSERT_EQ(mesh.vertexSize, 48u); // 12 position, 12 normal, 4 specular, 12 + 8 coordinates
    ASSERT_EQ(mesh.vertexCount, 5u);
    EXPECT_EQ(mesh.indices, (std::vector<uint32_t>{0, 1, 2, 4, 2, 3}));
    EXPECT_EQ(VertexDword(mesh, 3, 24), 0xFF000003u);
    EXPECT_EQ(VertexFloat(mesh, 3, 28), 3.0f);
    EXPECT_EQ(VertexFloat(mesh, 3, 36), 2.0f);
    EXPECT_EQ(VertexFloat(mesh, 2, 40), 0.25f);
    EXPECT_EQ(VertexFloat(mesh, 2, 44), 0.75f);
    // The copy: vertex 0's position and data with the second normal.
    EXPECT_EQ(VertexVec(mesh, 4, 12).y, 1.0f);
    EXPECT_EQ(VertexDword(mesh, 4, 24), 0xFF000000u);
    EXPECT_EQ(VertexFloat(mesh, 4, 28), 0.0f);
    EXPECT_EQ(VertexFloat(mesh, 4, 32), 0.5f);
}

TEST(XVertexData, DeclDataFillsWhatTheTemplatesLackAndDropsWhatNoFormatHolds) {
    // Elements: a tangent (dropped), texture set 0 (two floats), a colour, a normal of length
    // 2, texture set 1 (one float): ten DWORDs a vertex. MeshVertexColors is there, so the
    // colour element is not used.
    const std::string text = std::string(HEADER) + R"(
Mesh {
 3; 0;0;0;, 1;0;0;, 0;1;0;;
 1; 3;0,1,2;;
 MeshVertexColors { 1; 0; 1;0;0;1;;; }
 DeclData { 5; 2;0;6;0;, 1;0;5;0;, 4;0;10;0;, 2;0;3;0;, 0;0;5;1;;
  30;
  1065353216,0,0, 1056964608,0,          4278255360, 0,0,1073741824, 1048576000,
  1065353216,0,0, 1056964608,1065353216, 4278255360, 0,0,1073741824, 1048576000,
  1065353216,0,0, 1056964608,1073741824, 4278255360, 0,0,1073741824, 1048576000; }
})";
    XMeshData mesh;
    std::string error;
    ASSERT_TRUE(BuildFromText(text, mesh, error)) << error;
    // Set 1 holds one float: size code 3 at bits 18-19.
    EXPECT_EQ(mesh.fvf, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX2 | (3u << 18));
    ASSERT_EQ(mesh.vertexSize, 40u);
    EXPECT_EQ(VertexVec(mesh, 1, 12).z, 1.0f); // normalised
    EXPECT_EQ(VertexDword(mesh, 0, 24), 0xFFFF0000u);
    EXPECT_EQ(VertexDword(mesh, 1, 24), 0x00FFFFFFu);
    EXPECT_EQ(VertexFloat(mesh, 2, 28), 0.5f);
    EXPECT_EQ(VertexFloat(mesh, 2, 32), 2.0f);
    EXPECT_EQ(VertexFloat(mesh, 1, 36), 0.25f);

    // With MeshTextureCoords the template's coordinates stand.
    std::string withCoordinates = text;
    withCoordinates.insert(withCoordinates.find(" DeclData"),
                           " MeshTextureCoords { 3; 0.75;0;, 0.75;0;, 0.75;0;; }\n");
    ASSERT_TRUE(BuildFromText(withCoordinates, mesh, error)) << error;
    EXPECT_EQ(VertexFloat(mesh, 2, 28), 0.75f);
    EXPECT_EQ(VertexFloat(mesh, 2, 36), 0.25f);
}

TEST(XVertexData, MergedMeshesWidenSetsAndShortDataLeavesZeros) {
    // The first mesh's set 0 has three floats but data for two of its three vertices; the
    // second has two-float MeshTextureCoords, which gain a zero third float.
    const std::string text = std::string(HEADER) + R"(
Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;
 FVFData { 65792; 6; 1065353216,1065353216,1065353216, 1073741824,1073741824,1073741824; } }
Mesh { 3; 5;0;0;, 6;0;0;, 5;1;0;; 1; 3;0,1,2;;
 MeshTextureCoords { 3; 0.5;0.25;, 0.5;0.25;, 0.5;0.25;; } })";
    XMeshData mesh;
    std::string error;
    ASSERT_TRUE(BuildFromText(text, mesh, error)) << error;
    EXPECT_EQ(mesh.fvf, D3DFVF_XYZ | D3DFVF_TEX1 | 0x10000u);
    ASSERT_EQ(mesh.vertexSize, 24u);
    EXPECT_EQ(VertexFloat(mesh, 1, 20), 2.0f);
    EXPECT_EQ(VertexFloat(mesh, 2, 12), 0.0f);
    EXPECT_EQ(VertexFloat(mesh, 3, 12), 0.5f);
    EXPECT_EQ(VertexFloat(mesh, 3, 16), 0.25f);
    EXPECT_EQ(VertexFloat(mesh, 3, 20), 0.0f);

    // Only set 2 given, one float: sets 0 and 1 below it are two zeros each.
    const std::string third = std::string(HEADER) + R"(
Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;
 DeclData { 1; 0;0;5;2;; 3; 1065353216, 1065353216, 1065353216; } })";
    ASSERT_TRUE(BuildFromText(third, mesh, error)) << error;
    EXPECT_EQ(mesh.fvf, D3DFVF_XYZ | 0x300u | (3u << 20));
    ASSERT_EQ(mesh.vertexSize, 32u);
    for (size_t offset = 12; offset < 28; offset += 4)
        EXPECT_EQ(VertexDword(mesh, 1, offset), 0u) << offset;
    EXPECT_EQ(VertexFloat(mesh, 1, 28), 1.0f);
}

TEST(XVertexData, SkyBoxWhoseCoordinatesLiveOnlyInFvfDataKeepsThem) {
    XMeshData mesh;
    std::string error;
    ASSERT_TRUE(BuildFromBytes(ReadBytes(CorpusPath("x/alley_skybox.x")), mesh, error)) << error;
    ASSERT_EQ(mesh.vertexSize, 24u);
    // Cube-map directions: vertex 0 (-1, -1, -1), vertex 3 (1, -1, 1), untouched by the
    // frame's scale of 3, which moves the positions only.
    EXPECT_EQ(VertexVec(mesh, 0, 0).x, -3.0f);
    const Vec first = VertexVec(mesh, 0, 12);
    EXPECT_EQ(first.x, -1.0f);
    EXPECT_EQ(first.y, -1.0f);
    EXPECT_EQ(first.z, -1.0f);
    const Vec fourth = VertexVec(mesh, 3, 12);
    EXPECT_EQ(fourth.x, 1.0f);
    EXPECT_EQ(fourth.y, -1.0f);
    EXPECT_EQ(fourth.z, 1.0f);
}

TEST(XVertexData, RefusesMalformedBlocks) {
    const std::string mesh = "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; ";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"DeclData { 1; 18;0;5;0;; 0;; } }", "unknown type 18"},
        {"DeclData { 2; 1;0;5;0;; 0;; } }", "element count 2 exceeds the data given"},
        {"DeclData { 1; 1;0;5;0;; 7; 1,2; } }", "DWORD count 7 exceeds the data given"},
        {"FVFData { 260; 0;; } }", "transformed vertex format"},
        {"FVFData { 2304; 0;; } }", "9 texture coordinate sets"},
        {"FVFData { 256; 2; 1.5, 0; } }", "vertex data is not a whole number"},
    };
    for (const auto& [block, expected] : cases) {
        XMeshData built;
        std::string error;
        EXPECT_FALSE(BuildFromText(HEADER + mesh + block, built, error)) << block;
        EXPECT_NE(error.find(expected), std::string::npos) << block << " gave: " << error;
    }
}

} // namespace
