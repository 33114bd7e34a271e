// Text X-file writer. Normals are stored one per vertex with the faces repeated, so that a
// reader never has to split vertices and keeps the file's vertex order.
#include "x_writer.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace levelbuild {

std::string FloatText(float value) {
    if (value == 0.0f) {
        value = 0.0f; // no negative zero in the files
    }
    char buffer[32];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    if (text.find('.') == std::string::npos && text.find('e') == std::string::npos) {
        text += ".0";
    }
    return text;
}

namespace {

void WriteFaces(std::ostringstream& out, const Mesh& mesh) {
    out << "  " << mesh.triangles.size() << ";\n";
    for (size_t i = 0; i < mesh.triangles.size(); ++i) {
        const Triangle& t = mesh.triangles[i];
        out << "  3;" << t.a << "," << t.b << "," << t.c << ";"
            << (i + 1 < mesh.triangles.size() ? "," : ";") << "\n";
    }
}

std::string Escaped(const std::string& path) {
    std::string out;
    for (char c : path) {
        if (c == '\\') {
            out += "\\\\";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

bool WriteXFile(const std::string& path, const std::string& frameName, const Mesh& mesh,
                const std::vector<Material>& materials, const VertexLayout& layout,
                const std::string& texturePrefix) {
    if (mesh.vertices.size() > 65535 || mesh.triangles.empty()) {
        return false;
    }
    std::ostringstream out;
    out << "xof 0303txt 0032\n\n";
    out << "Frame " << frameName << " {\n";
    out << " FrameTransformMatrix {\n  1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,1.0,0.0,0.0,0.0,0.0,"
           "1.0;;\n }\n";
    out << " Mesh " << frameName << "Mesh {\n";
    out << "  " << mesh.vertices.size() << ";\n";
    for (size_t i = 0; i < mesh.vertices.size(); ++i) {
        const Vec3& p = mesh.vertices[i].position;
        out << "  " << FloatText(p.x) << ";" << FloatText(p.y) << ";" << FloatText(p.z) << ";"
            << (i + 1 < mesh.vertices.size() ? "," : ";") << "\n";
    }
    WriteFaces(out, mesh);

    if (layout.normals) {
        out << "  MeshNormals {\n  " << mesh.vertices.size() << ";\n";
        for (size_t i = 0; i < mesh.vertices.size(); ++i) {
            const Vec3& n = mesh.vertices[i].normal;
            out << "  " << FloatText(n.x) << ";" << FloatText(n.y) << ";" << FloatText(n.z) << ";"
                << (i + 1 < mesh.vertices.size() ? "," : ";") << "\n";
        }
        WriteFaces(out, mesh);
        out << "  }\n";
    }
    if (layout.texcoords) {
        out << "  MeshTextureCoords {\n  " << mesh.vertices.size() << ";\n";
        for (size_t i = 0; i < mesh.vertices.size(); ++i) {
            const Vertex& v = mesh.vertices[i];
            out << "  " << FloatText(v.u) << ";" << FloatText(v.v) << ";"
                << (i + 1 < mesh.vertices.size() ? "," : ";") << "\n";
        }
        out << "  }\n";
    }
    if (layout.colors) {
        out << "  MeshVertexColors {\n  " << mesh.vertices.size() << ";\n";
        for (size_t i = 0; i < mesh.vertices.size(); ++i) {
            uint32_t c = mesh.vertices[i].color;
            auto ch = [&](int shift) { return FloatText(((c >> shift) & 0xFF) / 255.0f); };
            out << "  " << i << ";" << ch(16) << ";" << ch(8) << ";" << ch(0) << ";" << ch(24)
                << ";;" << (i + 1 < mesh.vertices.size() ? "," : ";") << "\n";
        }
        out << "  }\n";
    }

    out << "  MeshMaterialList {\n  " << materials.size() << ";\n  " << mesh.triangles.size()
        << ";\n";
    for (size_t i = 0; i < mesh.triangles.size(); ++i) {
        out << "  " << mesh.triangles[i].material << (i + 1 < mesh.triangles.size() ? "," : ";")
            << "\n";
    }
    for (const Material& m : materials) {
        out << "  Material " << m.name << " {\n";
        out << "   " << FloatText(m.r) << ";" << FloatText(m.g) << ";" << FloatText(m.b) << ";"
            << FloatText(m.a) << ";;\n";
        out << "   10.0;\n   0.0;0.0;0.0;;\n   0.0;0.0;0.0;;\n";
        if (!m.texture.empty()) {
            out << "   TextureFilename {\n    \"" << Escaped(texturePrefix + m.texture)
                << "\";\n   }\n";
        }
        out << "  }\n";
    }
    out << "  }\n";
    out << " }\n}\n";

    std::ofstream file(path, std::ios::binary);
    file << out.str();
    return static_cast<bool>(file);
}

} // namespace levelbuild
