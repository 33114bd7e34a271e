// In-memory triangle meshes the level builder assembles before writing them as X files:
// vertices with position, normal, colour and texture coordinates, triangles tagged with a
// material, and the material list shared by every model.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace levelbuild {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline float Dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(Vec3 a) {
    return std::sqrt(Dot(a, a));
}
inline Vec3 Normalize(Vec3 a) {
    float l = Length(a);
    return l > 0 ? a * (1.0f / l) : Vec3{};
}

struct Vertex {
    Vec3 position;
    Vec3 normal;
    uint32_t color = 0xFFFFFFFF;
    float u = 0, v = 0;
};

struct Triangle {
    uint32_t a, b, c;
    int material;
};

struct Material {
    std::string name;
    std::string texture; // file name under data/tex, empty for none
    float r = 1, g = 1, b = 1, a = 1;
};

// Which vertex components a model file carries.
struct VertexLayout {
    bool normals = true;
    bool colors = true;
    bool texcoords = true;
};

struct Mesh {
    std::vector<Vertex> vertices;
    std::vector<Triangle> triangles;

    // Appends a vertex and returns its index.
    uint32_t Add(const Vertex& v) {
        vertices.push_back(v);
        return static_cast<uint32_t>(vertices.size() - 1);
    }
    // Appends a triangle; front side is where cross(b - a, c - a) points.
    void Tri(uint32_t a, uint32_t b, uint32_t c, int material) {
        triangles.push_back({a, b, c, material});
    }
    // Appends another mesh's vertices and triangles.
    void Append(const Mesh& other);
};

// A quad p0..p3 whose front is along cross(p1 - p0, p2 - p0), with per-corner uv, as two
// triangles (p0, p1, p2) and (p0, p2, p3) sharing four vertices.
void AddQuad(Mesh& mesh, const Vec3 p[4], const float uv[4][2], int material);

// A quad with planar world-space texture mapping chosen from its normal, scaled by texScale.
void AddQuadWorldUv(Mesh& mesh, const Vec3 p[4], int material, float texScale);

// A quad split into a grid of cells no larger than cell, with shared vertices and world uv.
void AddGridQuad(Mesh& mesh, const Vec3 p[4], int material, float cell, float texScale);

// An axis-aligned box with outward faces; faces whose bit is set in skipFaces are left out
// (bit 0 -x, 1 +x, 2 -y, 3 +y, 4 -z, 5 +z).
void AddBox(Mesh& mesh, Vec3 lo, Vec3 hi, int material, float texScale, int skipFaces = 0,
            float cell = 0);

// World-space planar uv of a point on a face with the given normal.
void WorldUv(Vec3 p, Vec3 n, float texScale, float& u, float& v);

} // namespace levelbuild
