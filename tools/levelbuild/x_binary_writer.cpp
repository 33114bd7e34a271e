// Binary X-file writer. Numbers go out in lists (integers and floats apart, as the format
// keeps them), little-endian; every float is the mesh's own value, so a binary file loads to
// exactly the vertices of the text file.
#include "x_binary_writer.h"

#include <cstdint>
#include <cstring>
#include <fstream>

namespace levelbuild {

namespace {

constexpr uint16_t TOKEN_NAME = 1;
constexpr uint16_t TOKEN_STRING = 2;
constexpr uint16_t TOKEN_INTEGER_LIST = 6;
constexpr uint16_t TOKEN_FLOAT_LIST = 7;
constexpr uint16_t TOKEN_OBRACE = 10;
constexpr uint16_t TOKEN_CBRACE = 11;
constexpr uint16_t TOKEN_SEMICOLON = 20;

class TokenWriter {
  public:
    void Word(uint16_t v) { Bytes(&v, 2); }
    void Dword(uint32_t v) { Bytes(&v, 4); }
    void Name(const std::string& name) {
        Word(TOKEN_NAME);
        Dword(static_cast<uint32_t>(name.size()));
        Bytes(name.data(), name.size());
    }
    void String(const std::string& text) {
        Word(TOKEN_STRING);
        Dword(static_cast<uint32_t>(text.size()));
        Bytes(text.data(), text.size());
        Word(TOKEN_SEMICOLON);
    }
    void Open(const std::string& type, const std::string& name = {}) {
        Name(type);
        if (!name.empty()) {
            Name(name);
        }
        Word(TOKEN_OBRACE);
    }
    void Close() { Word(TOKEN_CBRACE); }
    void Integers(const std::vector<uint32_t>& values) {
        Word(TOKEN_INTEGER_LIST);
        Dword(static_cast<uint32_t>(values.size()));
        Bytes(values.data(), values.size() * 4);
    }
    void Floats(const std::vector<float>& values) {
        Word(TOKEN_FLOAT_LIST);
        Dword(static_cast<uint32_t>(values.size()));
        Bytes(values.data(), values.size() * 4);
    }
    const std::string& Text() const { return out; }

  private:
    // The builder runs on little-endian machines only, as the game does.
    void Bytes(const void* p, size_t n) { out.append(static_cast<const char*>(p), n); }
    std::string out;
};

// The text files double each backslash and the loader keeps the text as written; binary
// strings are stored as they are, so they carry the same doubled backslashes and every
// material names its texture exactly as the text file's did.
std::string AsInTextFiles(const std::string& path) {
    std::string out;
    for (char c : path) {
        out += c;
        if (c == '\\') {
            out += c;
        }
    }
    return out;
}

float Clean(float v) {
    return v == 0.0f ? 0.0f : v; // no negative zero, as in the text files
}

void Faces(TokenWriter& w, const Mesh& mesh) {
    std::vector<uint32_t> faces{static_cast<uint32_t>(mesh.triangles.size())};
    for (const Triangle& t : mesh.triangles) {
        faces.insert(faces.end(), {3u, t.a, t.b, t.c});
    }
    w.Integers(faces);
}

void Vectors(TokenWriter& w, const Mesh& mesh, bool normals) {
    w.Integers({static_cast<uint32_t>(mesh.vertices.size())});
    std::vector<float> values;
    for (const Vertex& v : mesh.vertices) {
        const Vec3& p = normals ? v.normal : v.position;
        values.insert(values.end(), {Clean(p.x), Clean(p.y), Clean(p.z)});
    }
    w.Floats(values);
    Faces(w, mesh);
}

} // namespace

bool WriteBinaryXFile(const std::string& path, const std::string& frameName, const Mesh& mesh,
                      const std::vector<Material>& materials, const VertexLayout& layout,
                      const std::string& texturePrefix) {
    if (mesh.vertices.size() > 65535 || mesh.triangles.empty()) {
        return false;
    }
    TokenWriter w;
    w.Open("Frame", frameName);
    w.Open("FrameTransformMatrix");
    w.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
    w.Close();
    w.Open("Mesh", frameName + "Mesh");
    Vectors(w, mesh, false);
    if (layout.normals) {
        w.Open("MeshNormals");
        Vectors(w, mesh, true);
        w.Close();
    }
    if (layout.texcoords) {
        w.Open("MeshTextureCoords");
        w.Integers({static_cast<uint32_t>(mesh.vertices.size())});
        std::vector<float> uv;
        for (const Vertex& v : mesh.vertices) {
            uv.insert(uv.end(), {Clean(v.u), Clean(v.v)});
        }
        w.Floats(uv);
        w.Close();
    }
    if (layout.colors) {
        // Each indexed colour is an integer and four floats: two lists a vertex.
        w.Open("MeshVertexColors");
        w.Integers({static_cast<uint32_t>(mesh.vertices.size())});
        for (size_t i = 0; i < mesh.vertices.size(); ++i) {
            const uint32_t c = mesh.vertices[i].color;
            auto ch = [&](int shift) { return ((c >> shift) & 0xFF) / 255.0f; };
            w.Integers({static_cast<uint32_t>(i)});
            w.Floats({ch(16), ch(8), ch(0), ch(24)});
        }
        w.Close();
    }
    w.Open("MeshMaterialList");
    std::vector<uint32_t> list{static_cast<uint32_t>(materials.size()),
                               static_cast<uint32_t>(mesh.triangles.size())};
    for (const Triangle& t : mesh.triangles) {
        list.push_back(static_cast<uint32_t>(t.material));
    }
    w.Integers(list);
    for (const Material& m : materials) {
        w.Open("Material", m.name);
        w.Floats({Clean(m.r), Clean(m.g), Clean(m.b), Clean(m.a), 10, 0, 0, 0, 0, 0, 0});
        if (!m.texture.empty()) {
            w.Open("TextureFilename");
            w.String(AsInTextFiles(texturePrefix + m.texture));
            w.Close();
        }
        w.Close();
    }
    w.Close(); // material list
    w.Close(); // mesh
    w.Close(); // frame

    std::ofstream file(path, std::ios::binary);
    file << "xof 0303bin 0032" << w.Text();
    return static_cast<bool>(file);
}

} // namespace levelbuild
