// The built level as the tests see it: each model file loaded through D3DXLoadMeshFromX on an
// in-memory device and copied into plain arrays, plus the geometric queries the checks use
// (ray casts, sphere clearance, box overlap) over a grid of buckets.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace leveltest {

struct V3 {
    double x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline V3 operator*(V3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline double Dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline V3 Cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Length(V3 a);
V3 Normalize(V3 a);

struct LoadedModel {
    bool loaded = false;
    std::string error;
    uint32_t fvf = 0;
    uint32_t stride = 0;
    std::vector<std::array<float, 3>> positions; // exact floats as loaded
    std::vector<std::array<float, 3>> normals;
    std::vector<uint32_t> colors;
    std::vector<uint16_t> indices;     // three per face
    std::vector<uint32_t> attributes;  // material per face
    std::vector<std::string> textures; // per material, empty when none
    std::vector<float> materialAlpha;

    size_t Faces() const { return indices.size() / 3; }
    V3 P(size_t vertex) const {
        return {positions[vertex][0], positions[vertex][1], positions[vertex][2]};
    }
    V3 Corner(size_t face, int k) const { return P(indices[face * 3 + k]); }
};

// Loads data\<file> (relative to the data folder) through the D3DX loader.
LoadedModel LoadModel(const std::string& file);

// Whether D3DXCreateTextureFromFileA accepts the file (path relative to the working folder,
// backslashes allowed), and the size of its first level.
bool LoadsAsTexture(const std::string& path, unsigned& width, unsigned& height);

struct Tri {
    V3 a, b, c;
};

// Triangles bucketed on the x-z plane for fast local queries.
class TriangleGrid {
  public:
    explicit TriangleGrid(std::vector<Tri> triangles, double cell = 1.0);
    // Distance along the ray (unit direction) to the nearest triangle hit within maxT, or a
    // negative number when nothing is hit. Both sides of a triangle count.
    double Ray(V3 origin, V3 dir, double maxT) const;
    // Smallest distance from p to any triangle within reach (reach + 1 when none).
    double Clearance(V3 p, double reach) const;
    // Upward triangles (normal.y above minNormalY) directly above or below (x, z): their
    // heights there and their normals' y, lowest first.
    std::vector<std::pair<double, double>> FloorsAt(double x, double z, double minNormalY) const;
    // Indices of triangles whose bounds touch the box [lo, hi].
    std::vector<size_t> Near(V3 lo, V3 hi) const;
    const std::vector<Tri>& Triangles() const { return triangles_; }

  private:
    std::vector<Tri> triangles_;
    double cell_;
    double x0_ = -20, z0_ = -10;
    int nx_ = 0, nz_ = 0;
    std::vector<std::vector<uint32_t>> buckets_;
};

// Closest distance between point p and triangle t.
double PointTriangleDistance(V3 p, const Tri& t);
// Ray against triangle from both sides: distance along dir or negative.
double RayTriangle(V3 origin, V3 dir, const Tri& t);

// An oriented box: centre, three unit axes and half extents.
struct Obb {
    V3 centre;
    V3 axis[3];
    double half[3];
};
// Separating-axis overlap test of an oriented box and a triangle.
bool BoxTouchesTriangle(const Obb& box, const Tri& t);

// The box of animated object i at an opening amount (0 closed, 1 open) from the engine's
// compiled-in table, worked out from the hinge: the leaf runs from half a thickness behind
// the hinge along its width, and half a thickness either side of the hinge across it.
// Corners follow the unit selectors given (0 or 1 along width, height, thickness).
V3 ObjectCorner(int object, double openAmount, double cx, double cy, double cz);
Obb ObjectObb(int object, double openAmount, double shrink);

} // namespace leveltest
