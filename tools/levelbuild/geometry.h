// Geometry emitters shared by the statements: gridded faces with rectangular holes, convex
// solids oriented by their centroid, and collision-hull solids.
#pragma once

#include "mesh.h"

#include <vector>

namespace levelbuild {

struct Hole {
    float s0, s1, t0, t1;
};

// Front side tag for faces that the shadow markers should copy.
struct ShadowRect {
    float x0, z0, x1, z1, y;
};

// A face origin + U*s + V*t over s in [0, sLen], t in [0, tLen], split at the given extra
// lines and every cell metres, leaving out cells inside holes. The front is along
// cross(U, V), or the opposite when flip is set. Vertices are shared within the face.
// Returns the index of the first triangle emitted.
size_t EmitFace(Mesh& mesh, Vec3 origin, Vec3 U, Vec3 V, float sLen, float tLen,
                std::vector<float> sLines, std::vector<float> tLines,
                const std::vector<Hole>& holes, bool flip, int material, float cell,
                float texScale);

// A convex polygon (3 or 4 points) turned to face away from the solid's centroid.
void EmitSolidFace(Mesh& mesh, const std::vector<Vec3>& points, Vec3 centroid, int material,
                   float texScale, float cell = 0, bool inward = false);

// A box origin + A*a + B*b + C*c with a, b, c in [0, 1], every face outwards; faces listed in
// skip (0: a=0, 1: a=1, 2: b=0, 3: b=1, 4: c=0, 5: c=1) are left out.
void EmitOrientedBox(Mesh& mesh, Vec3 origin, Vec3 A, Vec3 B, Vec3 C, int material, float texScale,
                     int skip = 0, float cell = 0);

// Collision hull: a convex solid given by its corners and faces (indices into corners),
// each face turned outwards; corners are shared between faces.
void EmitHullSolid(Mesh& hull, const std::vector<Vec3>& corners,
                   const std::vector<std::vector<int>>& faces);

// Collision hull box, like EmitOrientedBox, with eight shared corners.
void EmitHullBox(Mesh& hull, Vec3 origin, Vec3 A, Vec3 B, Vec3 C);

// Collision hull slab whose top is split into a grid of cells (for walkable floors).
void EmitHullSlab(Mesh& hull, float x0, float z0, float x1, float z1, float y0, float y1,
                  float cell);

} // namespace levelbuild
