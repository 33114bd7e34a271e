// Small stand-ins for the level's data folder, written by the tests: one-colour BMP images and
// text X files with the vertex layouts and vertex and face counts the engine addresses.
#pragma once

#include "d3d8/d3d8types.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Writes a 2 by 2 24-bit BMP of one colour.
inline bool WriteBmp(const std::string& path, uint8_t r, uint8_t g, uint8_t b) {
    uint8_t file[54 + 16] = {'B', 'M'};
    auto put32 = [&file](int at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    put32(2, sizeof file);
    put32(10, 54);
    put32(14, 40);
    put32(18, 2);
    put32(22, 2);
    file[26] = 1;
    file[28] = 24;
    put32(34, 16);
    for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 2; ++x) {
            uint8_t* pixel = file + 54 + row * 8 + x * 3;
            pixel[0] = b;
            pixel[1] = g;
            pixel[2] = r;
        }
    }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        return false;
    const bool written = std::fwrite(file, sizeof file, 1, out) == 1;
    std::fclose(out);
    return written;
}

struct XMaterialSpec {
    float alpha;
    const char* texture; // null for none
};

// A text X file of `vertices` vertices on a strip along x, faces (k, k + 1, k + 2) in order,
// with the optional parts that make the layout: normals, vertex colours, texture coordinates.
inline bool WriteStripX(const std::string& path, uint32_t vertices, uint32_t faces, bool normals,
                        bool colors, bool texcoords, const std::vector<XMaterialSpec>& materials) {
    std::string x = "xof 0303txt 0032\nMesh {\n" + std::to_string(vertices) + ";\n";
    char line[128];
    for (uint32_t k = 0; k < vertices; ++k) {
        std::snprintf(line, sizeof line, "%u.0;%u.0;%u.0;%s\n", k / 2, k % 2, k % 3,
                      k + 1 < vertices ? "," : ";");
        x += line;
    }
    x += std::to_string(faces) + ";\n";
    for (uint32_t f = 0; f < faces; ++f) {
        const uint32_t a = f % (vertices - 2);
        std::snprintf(line, sizeof line, "3;%u,%u,%u;%s\n", a, a + 1, a + 2,
                      f + 1 < faces ? "," : ";");
        x += line;
    }
    if (normals) {
        x += "MeshNormals {\n" + std::to_string(vertices) + ";\n";
        for (uint32_t k = 0; k < vertices; ++k)
            x += std::string("0.0;1.0;0.0;") + (k + 1 < vertices ? ",\n" : ";\n");
        x += std::to_string(faces) + ";\n";
        for (uint32_t f = 0; f < faces; ++f) {
            const uint32_t a = f % (vertices - 2);
            std::snprintf(line, sizeof line, "3;%u,%u,%u;%s\n", a, a + 1, a + 2,
                          f + 1 < faces ? "," : ";");
            x += line;
        }
        x += "}\n";
    }
    if (texcoords) {
        x += "MeshTextureCoords {\n" + std::to_string(vertices) + ";\n";
        for (uint32_t k = 0; k < vertices; ++k)
            x += std::string("0.5;0.25;") + (k + 1 < vertices ? ",\n" : ";\n");
        x += "}\n";
    }
    if (colors) {
        x += "MeshVertexColors {\n" + std::to_string(vertices) + ";\n";
        for (uint32_t k = 0; k < vertices; ++k) {
            std::snprintf(line, sizeof line, "%u;0.2;0.4;0.6;1.0;;%s\n", k,
                          k + 1 < vertices ? "," : ";");
            x += line;
        }
        x += "}\n";
    }
    if (!materials.empty()) {
        x += "MeshMaterialList {\n" + std::to_string(materials.size()) + ";\n" +
             std::to_string(faces) + ";\n";
        for (uint32_t f = 0; f < faces; ++f)
            x += std::to_string(f % materials.size()) + (f + 1 < faces ? ",\n" : ";;\n");
        for (const XMaterialSpec& m : materials) {
            std::snprintf(line, sizeof line,
                          "Material {\n0.5;0.75;1.0;%g;;\n4.0;\n0.1;0.1;0.1;;\n0.0;0.0;0.0;;\n",
                          static_cast<double>(m.alpha));
            x += line;
            if (m.texture != nullptr)
                x += std::string("TextureFilename { \"") + m.texture + "\"; }\n";
            x += "}\n";
        }
        x += "}\n";
    }
    x += "}\n";
    FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr)
        return false;
    const bool written = std::fwrite(x.data(), x.size(), 1, out) == 1;
    std::fclose(out);
    return written;
}
