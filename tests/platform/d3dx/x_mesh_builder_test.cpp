// The X-file reader and mesh builder on small hand-written files: polygon fans, vertex
// splitting, colours, frames, materials and the binary and compressed encodings.
#include "x_test_util.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

const char* HEADER = "xof 0303txt 0032\n";

TEST(XMeshBuilder, PolygonsBecomeFansInFaceOrder) {
    const std::string text = std::string(HEADER) + R"(
Mesh {
 9;
 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;,
 5;0;0;, 6;0;0;, 7;1;0;, 6;2;0;, 5;1;0;;
 3;
 4;0,1,2,3;,
 5;4,5,6,7,8;,
 3;8,1,0;;
 MeshMaterialList { 2; 3; 1, 0, 1;;
  Material { 1;0;0;1;; 0; 0;0;0;; 0;0;0;; }
  Material { 0;1;0;0.5;; 8; 1;1;1;; 0;0;0;; }
 }
})";
    XMeshData mesh;
    std::string error;
    ASSERT_TRUE(BuildFromText(text, mesh, error)) << error;
    EXPECT_EQ(mesh.vertexCount, 9u);
    const std::vector<uint32_t> indices = {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7, 4, 7, 8, 8, 1, 0};
    EXPECT_EQ(mesh.indices, indices);
    const std::vector<uint32_t> attributes = {1, 1, 0, 0, 0, 1};
    EXPECT_EQ(mesh.attributes, attributes);
    EXPECT_EQ(mesh.fvf, D3DFVF_XYZ);
    EXPECT_EQ(mesh.vertexSize, 12u);
    ASSERT_EQ(mesh.materials.size(), 2u);
    EXPECT_FLOAT_EQ(mesh.materials[1].material.Diffuse.a, 0.5f);
    EXPECT_FLOAT_EQ(mesh.materials[1].material.Power, 8.0f);
    EXPECT_FLOAT_EQ(mesh.materials[1].material.Specular.r, 1.0f);
    EXPECT_FALSE(mesh.materials[0].hasTexture);
}

TEST(XMeshBuilder, SplitsVerticesOnlyWhereNormalsDisagree) {
    // Two triangles share vertices 0 and 2. The second triangle gives vertex 0 the same
    // normal value through another normal index (no split) and vertex 2 a new normal (split);
    // triangle three gives vertex 1 a second new normal and vertex 2 the copy's normal again.
    const std::string text = std::string(HEADER) + R"(
Mesh {
 4;
 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;;
 3;
 3;0,1,2;,
 3;0,2,3;,
 3;1,2,3;;
 MeshNormals {
  5;
  0;0;-1;, 0;0;-2;, 0;1;0;, 1;0;0;, 0;0;-1;;
  3;
  3;0,0,0;,
  3;4,2,0;,
  3;3,2,0;;
 }
 MeshTextureCoords { 4; 0;0;, 1;0;, 1;1;, 0;1;; }
})";
    XMeshData mesh;
    std::string error;
    ASSERT_TRUE(BuildFromText(text, mesh, error)) << error;
    ASSERT_EQ(mesh.vertexCount, 6u);
    EXPECT_EQ(mesh.fvf, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    EXPECT_EQ(mesh.vertexSize, 32u);
    // Vertex 3 first appears with (0,0,-1) in face 1, so it keeps its slot.
    const std::vector<uint32_t> indices = {0, 1, 2, 0, 4, 3, 5, 4, 3};
    EXPECT_EQ(mesh.indices, indices);
    const Vec copy = VertexVec(mesh, 4, 0);
    EXPECT_EQ(copy.x, 1.0f);
    EXPECT_EQ(copy.y, 1.0f);
    const Vec copyNormal = VertexVec(mesh, 4, 12);
    EXPECT_EQ(copyNormal.y, 1.0f);
    const Vec second = VertexVec(mesh, 5, 0);
    EXPECT_EQ(second.x, 1.0f);
    EXPECT_EQ(second.y, 0.0f);
    EXPECT_EQ(VertexVec(mesh, 5, 12).x, 1.0f);
    // The copy keeps the texture coordinate of its original.
    float uv[2];
    std::memcpy(uv, mesh.vertices.data() + 4 * 32 + 24, 8);
    EXPECT_EQ(uv[0], 1.0f);
    EXPECT_EQ(uv[1], 1.0f);
    // Normals are unit length: (0,0,-2) came back as (0,0,-1).
    EXPECT_EQ(VertexVec(mesh, 0, 12).z, -1.0f);
}

TEST(XMeshBuilder, VertexColoursAreClampedRoundedAndDefaultToWhiteWithZeroAlpha) {
    const std::string text = std::string(HEADER) + R"(
Mesh {
 3;
 0;0;0;, 1;0;0;, 0;1;0;;
 1;
 3;0,1,2;;
 MeshVertexColors {
  2;
  0; 1.0; 0.5; 0.0; 1.0;;,
  2; 2.0; -1.0; 0.2; 0.25;;;
 }
})";
    XMeshData mesh;
    std::string error;
    ASSERT_TRUE(BuildFromText(text, mesh, error)) << error;
    ASSERT_EQ(mesh.fvf, D3DFVF_XYZ | D3DFVF_DIFFUSE);
    // 0.5 * 255 + 0.5 = 128; 0.2 * 255 + 0.5 = 51.5 -> 51; 0.25 * 255 + 0.5 = 64.25 -> 64.
    EXPECT_EQ(VertexDword(mesh, 0, 12), 0xFFFF8000u);
    EXPECT_EQ(VertexDword(mesh, 1, 12), 0x00FFFFFFu);
    EXPECT_EQ(VertexDword(mesh, 2, 12), 0x40FF0033u);
}

TEST(XMeshBuilder, FramesAreBakedAndMeshesMergedInFileOrder) {
    // Frame A moves by (10, 0, 0); its child B scales by 2 then inherits A's move. The third
    // mesh sits at top level with no transform and has texture coordinates, the others not.
    const std::string text = std::string(HEADER) + R"(
Material Shared { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFileName { "Tex\\Brick.PNG"; } }
Frame A {
 FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,0,1;; }
 Frame B {
  FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 0,0,0,1;; }
  Mesh { 3; 1;1;1;, 2;1;1;, 1;2;1;; 1; 3;0,1,2;;
   MeshNormals { 1; 0;0;1;; 1; 3;0,0,0;; }
   MeshMaterialList { 1; 1; 0;; { Shared } } }
 }
 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }
}
Mesh { 3; 5;5;5;, 6;5;5;, 5;6;5;; 1; 3;2,1,0;;
 MeshTextureCoords { 3; 0.25;0.5;, 1;0;, 0;1;; }
 MeshMaterialList { 1; 1; 0;; Material { 0;0;1;0;; 2; 0;0;0;; 0;0;0;; } } })";
    XMeshData mesh;
    std::string error;
    ASSERT_TRUE(BuildFromText(text, mesh, error)) << error;
    EXPECT_EQ(mesh.meshCount, 3u);
    EXPECT_EQ(mesh.fvf, D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1);
    ASSERT_EQ(mesh.vertexCount, 9u);
    // (1,1,1) scaled by 2 then moved by 10 in x.
    const Vec first = VertexVec(mesh, 0, 0);
    EXPECT_FLOAT_EQ(first.x, 12.0f);
    EXPECT_FLOAT_EQ(first.y, 2.0f);
    EXPECT_FLOAT_EQ(first.z, 2.0f);
    EXPECT_FLOAT_EQ(VertexVec(mesh, 0, 12).z, 1.0f); // normal stays unit length
    EXPECT_FLOAT_EQ(VertexVec(mesh, 3, 0).x, 10.0f);
    EXPECT_FLOAT_EQ(VertexVec(mesh, 6, 0).x, 5.0f);
    float uv[2];
    std::memcpy(uv, mesh.vertices.data() + 6 * 32 + 24, 8);
    EXPECT_EQ(uv[0], 0.25f);
    EXPECT_EQ(uv[1], 0.5f);
    const std::vector<uint32_t> indices = {0, 1, 2, 3, 4, 5, 8, 7, 6};
    EXPECT_EQ(mesh.indices, indices);
    // Materials: the shared one, a plain one for the mesh without a list, the inline one.
    ASSERT_EQ(mesh.materials.size(), 3u);
    EXPECT_TRUE(mesh.materials[0].hasTexture);
    EXPECT_EQ(mesh.materials[0].textureName, "Tex\\\\Brick.PNG");
    EXPECT_FALSE(mesh.materials[1].hasTexture);
    EXPECT_FLOAT_EQ(mesh.materials[2].material.Diffuse.b, 1.0f);
    EXPECT_FLOAT_EQ(mesh.materials[2].material.Diffuse.a, 0.0f);
    const std::vector<uint32_t> attributes = {0, 1, 2};
    EXPECT_EQ(mesh.attributes, attributes);
}

TEST(XMeshBuilder, RefusesInconsistentData) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,3;; }", "uses index 3"},
        {"Mesh { 4; 0;0;0;, 1;0;0;, 0;1;0;; }", "exceeds the data"},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 1;; "
         "Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } } }",
         "material 1 of 1"},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshMaterialList { 1; 1; 0;; "
         "{ Missing } } }",
         "unknown material \"Missing\""},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; MeshNormals { 1; 0;0;1;; 2; "
         "3;0,0,0;, 3;0,0,0;; } }",
         "MeshNormals has 2 faces"},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;", "unexpected end of file"},
        {"Frame { }", "holds no mesh"},
        {"Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; } }", "expected a template"},
        {"Mesh { 1; 0;0;0;; 0;; \"open }", "unterminated string"},
    };
    for (const auto& [body, expected] : cases) {
        XMeshData mesh;
        std::string error;
        EXPECT_FALSE(BuildFromText(std::string(HEADER) + body, mesh, error)) << body;
        EXPECT_NE(error.find(expected), std::string::npos) << body << " gave: " << error;
    }
    XMeshData mesh;
    std::string error;
    // Nesting deep enough to exhaust the stack is refused; a deep but sane hierarchy is not.
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "Frame {";
    EXPECT_FALSE(BuildFromText(HEADER + deep, mesh, error));
    EXPECT_NE(error.find("nested too deeply"), std::string::npos) << error;
    std::string chain, close;
    for (int i = 0; i < 200; ++i) {
        chain += "Frame { FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 0.5,0,0,1;; }\n";
        close += "}";
    }
    chain += "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; }";
    ASSERT_TRUE(BuildFromText(HEADER + chain + close, mesh, error)) << error;
    EXPECT_FLOAT_EQ(VertexVec(mesh, 0, 0).x, 100.0f); // 200 frames each moving by 0.5
    EXPECT_FALSE(BuildFromText("xof 0303zip 0032", mesh, error));
    EXPECT_NE(error.find("unknown X file format"), std::string::npos) << error;
    EXPECT_FALSE(BuildFromText("", mesh, error));
    EXPECT_EQ(error, "empty file");
}

// Binary token writers for hand-made binary files.
void Word(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}
void Dword(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void Name(std::vector<uint8_t>& out, const std::string& name) {
    Word(out, 1);
    Dword(out, static_cast<uint32_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
}
void Integers(std::vector<uint8_t>& out, const std::vector<uint32_t>& values) {
    Word(out, 6);
    Dword(out, static_cast<uint32_t>(values.size()));
    for (uint32_t v : values)
        Dword(out, v);
}

TEST(XMeshBuilder, ReadsBinaryWithDoubleFloatsAndStrings) {
    const std::string header = "xof 0302bin 0064";
    std::vector<uint8_t> file(header.begin(), header.end());
    Word(file, 31); // a template the reader skips
    Name(file, "Dummy");
    Word(file, 10);
    Word(file, 5);
    file.insert(file.end(), 16, 0);
    Word(file, 41);
    Name(file, "value");
    Word(file, 20);
    Word(file, 11);
    Name(file, "Mesh");
    Name(file, "tri");
    Word(file, 10);
    Integers(file, {3});
    Word(file, 7);
    Dword(file, 9);
    const double coordinates[9] = {0.5, 0, 0, 1, 0, 0, 0, 1.25, 0};
    for (double c : coordinates) {
        uint64_t bits;
        std::memcpy(&bits, &c, 8);
        for (int i = 0; i < 8; ++i)
            file.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
    Integers(file, {1, 3, 0, 1, 2});
    Name(file, "MeshMaterialList");
    Word(file, 10);
    Integers(file, {1, 1, 0});
    Name(file, "Material");
    Word(file, 10);
    Word(file, 7);
    Dword(file, 11);
    for (int i = 0; i < 11; ++i) {
        const double one = 1.0;
        uint64_t bits;
        std::memcpy(&bits, &one, 8);
        for (int k = 0; k < 8; ++k)
            file.push_back(static_cast<uint8_t>(bits >> (8 * k)));
    }
    Name(file, "TextureFilename");
    Word(file, 10);
    Word(file, 2);
    Dword(file, 9);
    for (char c : std::string("brick.dds"))
        file.push_back(static_cast<uint8_t>(c));
    Word(file, 20);
    Word(file, 11);
    Word(file, 11);
    Word(file, 11);
    Word(file, 11);

    XMeshData mesh;
    std::string error;
    ASSERT_TRUE(BuildFromBytes(file, mesh, error)) << error;
    ASSERT_EQ(mesh.vertexCount, 3u);
    EXPECT_EQ(VertexVec(mesh, 0, 0).x, 0.5f);
    EXPECT_EQ(VertexVec(mesh, 2, 0).y, 1.25f);
    ASSERT_EQ(mesh.materials.size(), 1u);
    EXPECT_EQ(mesh.materials[0].textureName, "brick.dds");

    // Every shorter prefix is refused, without reading past the end.
    for (size_t length = 16; length < file.size(); ++length) {
        std::vector<uint8_t> prefix(file.begin(), file.begin() + static_cast<long>(length));
        EXPECT_FALSE(BuildFromBytes(prefix, mesh, error)) << "prefix " << length;
    }
}

// Compresses data as MSZIP chunks of at most chunkSize bytes, each chunk deflated with the
// data before it as dictionary, the way the compressed encoding expects.
std::vector<uint8_t> Compress(const std::string& header, const std::string& body,
                              size_t chunkSize) {
    std::vector<uint8_t> out(header.begin(), header.end());
    Dword(out, static_cast<uint32_t>(body.size() + 16));
    for (size_t start = 0; start < body.size(); start += chunkSize) {
        const size_t length = std::min(chunkSize, body.size() - start);
        z_stream stream{};
        deflateInit2(&stream, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        const size_t history = std::min<size_t>(start, 32768);
        if (history > 0)
            deflateSetDictionary(&stream,
                                 reinterpret_cast<const Bytef*>(body.data() + start - history),
                                 static_cast<uInt>(history));
        std::vector<uint8_t> packed(deflateBound(&stream, static_cast<uLong>(length)) + 16);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data() + start));
        stream.avail_in = static_cast<uInt>(length);
        stream.next_out = packed.data();
        stream.avail_out = static_cast<uInt>(packed.size());
        deflate(&stream, Z_FINISH);
        packed.resize(stream.total_out);
        deflateEnd(&stream);
        Word(out, static_cast<uint16_t>(length));
        Word(out, static_cast<uint16_t>(packed.size() + 2));
        out.push_back('C');
        out.push_back('K');
        out.insert(out.end(), packed.begin(), packed.end());
    }
    return out;
}

TEST(XMeshBuilder, CompressedChunksShareHistory) {
    // A text body of well over 32 KiB, so it spans three chunks whose deflate data refers
    // back into earlier chunks.
    std::string body = "Mesh {\n 4000;\n";
    for (int i = 0; i < 4000; ++i)
        body += " " + std::to_string(i) + ".5;0.25;-1;" + (i + 1 < 4000 ? ",\n" : ";\n");
    body += " 1;\n 3;0,1,3999;;\n}\n";
    ASSERT_GT(body.size(), 65536u);
    const std::vector<uint8_t> file = Compress("xof 0303tzip0032", body, 32768);
    XMeshData mesh;
    std::string error;
    ASSERT_TRUE(BuildFromBytes(file, mesh, error)) << error;
    EXPECT_EQ(mesh.vertexCount, 4000u);
    EXPECT_EQ(VertexVec(mesh, 3999, 0).x, 3999.5f);
    EXPECT_EQ(VertexVec(mesh, 2000, 0).z, -1.0f);

    // A first chunk that claims one byte less than it inflates to is refused.
    std::vector<uint8_t> bad = file;
    bad[20] = 0xFF;
    bad[21] = 0x7F;
    EXPECT_FALSE(BuildFromBytes(bad, mesh, error));
    EXPECT_NE(error.find("header says"), std::string::npos) << error;
}

} // namespace
