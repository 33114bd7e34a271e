// Splitting by light: edges across a light step are split until they are short, the surface
// keeps its area and stays closed (every inner edge between exactly two triangles, so no
// T-junction), frozen triangles and their edges stay whole, and the vertex limit holds.
#include "tools/levelbuild/light_subdivide.h"
#include "tools/levelbuild/mesh_seams.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <map>

using namespace levelbuild;

namespace {

Mesh Floor(float size, float cell) {
    Mesh mesh;
    Vec3 p[4] = {{0, 0, 0}, {0, 0, size}, {size, 0, size}, {size, 0, 0}};
    AddGridQuad(mesh, p, 0, cell, 1.0f);
    return mesh;
}

// Light that steps from dark to bright at x = 1.3.
Rgb Step(Vec3 p, Vec3) {
    float l = p.x > 1.3f ? 1.0f : 0.0f;
    return {l, l, l};
}

using Edge = std::array<uint32_t, 6>;

Edge KeyOf(Vec3 a, Vec3 b) {
    std::array<uint32_t, 3> ka, kb;
    std::memcpy(ka.data(), &a, 12);
    std::memcpy(kb.data(), &b, 12);
    if (kb < ka) {
        std::swap(ka, kb);
    }
    return {ka[0], ka[1], ka[2], kb[0], kb[1], kb[2]};
}

// How many triangles use each edge, by position.
std::map<Edge, int> EdgeUse(const Mesh& mesh) {
    std::map<Edge, int> use;
    for (const Triangle& t : mesh.triangles) {
        uint32_t v[3] = {t.a, t.b, t.c};
        for (int e = 0; e < 3; ++e) {
            ++use[KeyOf(mesh.vertices[v[e]].position, mesh.vertices[v[(e + 1) % 3]].position)];
        }
    }
    return use;
}

float TotalArea(const Mesh& mesh) {
    float area = 0;
    for (const Triangle& t : mesh.triangles) {
        const Vec3& a = mesh.vertices[t.a].position;
        area += 0.5f * Cross(mesh.vertices[t.b].position - a, mesh.vertices[t.c].position - a).y;
    }
    return area;
}

// A quad in the y = 0 plane from (x0, z0) to (x1, z1), facing up.
void Cell(Mesh& mesh, float x0, float z0, float x1, float z1) {
    Vec3 p[4] = {{x0, 0, z0}, {x0, 0, z1}, {x1, 0, z1}, {x1, 0, z0}};
    float uv[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    AddQuad(mesh, p, uv, 0);
}

void Triangle3(Mesh& mesh, Vec3 a, Vec3 b, Vec3 c) {
    Vertex v;
    v.normal = {0, 1, 0};
    v.position = a;
    uint32_t ia = mesh.Add(v);
    v.position = b;
    uint32_t ib = mesh.Add(v);
    v.position = c;
    mesh.Tri(ia, ib, mesh.Add(v), 0);
}

} // namespace

TEST(SubdivideByLight, SplitsAcrossALightStepAndStaysClosed) {
    Mesh mesh = Floor(4, 1);
    size_t before = mesh.triangles.size();
    SubdivideOptions options;
    options.rounds = 4;
    size_t split = SubdivideByLight(mesh, {}, Step, options);
    EXPECT_GT(split, 0u);
    EXPECT_GT(mesh.triangles.size(), before);
    EXPECT_NEAR(TotalArea(mesh), 16.0f, 1e-4f); // every part faces up, none overlaps
    // Closed: edges on the square's border have one triangle, every other edge two.
    for (const auto& [edge, count] : EdgeUse(mesh)) {
        Vec3 a, b;
        std::memcpy(static_cast<void*>(&a), edge.data(), 12);
        std::memcpy(static_cast<void*>(&b), edge.data() + 3, 12);
        bool border = (a.x == 0 && b.x == 0) || (a.x == 4 && b.x == 4) || (a.z == 0 && b.z == 0) ||
                      (a.z == 4 && b.z == 4);
        EXPECT_EQ(count, border ? 1 : 2)
            << "edge " << a.x << "," << a.z << " to " << b.x << "," << b.z;
    }
    // The triangles that straddle the step are now narrow across it; far from it none split.
    for (const Triangle& t : mesh.triangles) {
        float lo = 1e9f, hi = -1e9f;
        for (uint32_t i : {t.a, t.b, t.c}) {
            lo = std::min(lo, mesh.vertices[i].position.x);
            hi = std::max(hi, mesh.vertices[i].position.x);
        }
        if (lo < 1.3f && hi > 1.3f) {
            EXPECT_LE(hi - lo, 0.26f) << "a triangle from x " << lo << " to " << hi;
        }
        if (lo >= 3.0f) {
            EXPECT_EQ(hi - lo, 1.0f) << "a triangle far from the step was split";
        }
    }
}

TEST(SubdivideByLight, FrozenTrianglesKeepTheirEdgesAndTheLimitHolds) {
    Mesh mesh = Floor(4, 1);
    std::vector<bool> frozen(mesh.triangles.size(), false);
    std::vector<Triangle> kept;
    for (size_t t = 0; t < mesh.triangles.size(); ++t) {
        const Vec3& a = mesh.vertices[mesh.triangles[t].a].position;
        if (a.x >= 1.0f && a.x < 2.0f) { // the column of cells across the step
            frozen[t] = true;
        }
    }
    Mesh original = mesh;
    SubdivideByLight(mesh, frozen, Step);
    for (size_t t = 0; t < frozen.size(); ++t) {
        if (frozen[t]) {
            EXPECT_EQ(mesh.triangles[t].a, original.triangles[t].a);
            EXPECT_EQ(mesh.triangles[t].b, original.triangles[t].b);
            EXPECT_EQ(mesh.triangles[t].c, original.triangles[t].c);
        }
    }
    // Nothing else straddles the step, so nothing is split, and no edge of the frozen column
    // gained a vertex in its middle: the mesh is still closed.
    EXPECT_EQ(mesh.triangles.size(), original.triangles.size());
    for (const auto& [edge, count] : EdgeUse(mesh)) {
        EXPECT_LE(count, 2);
    }

    // With room for only a few vertices the mesh stops growing there.
    Mesh limited = Floor(4, 1);
    SubdivideOptions options;
    options.vertexLimit = limited.vertices.size() + 6;
    SubdivideByLight(limited, {}, Step, options);
    EXPECT_LE(limited.vertices.size(), options.vertexLimit);
    EXPECT_GT(limited.vertices.size(), Floor(4, 1).vertices.size());
}

TEST(SubdivideByLight, OpensNoTJunctionWherePiecesMeetEdgeToMiddle) {
    {
        // A 2 m piece meets two 1 m pieces whose corners lie 10 µm off its edge, as pieces
        // placed by different sums do. After the T-junction split both sides share the
        // corners only within the tolerance; the frozen pair must still hold the edge.
        Mesh mesh;
        Cell(mesh, 0, 0, 2, 1);
        Cell(mesh, 0, 1.00001f, 1, 2);
        Cell(mesh, 1, 1.00001f, 2, 2);
        std::vector<bool> frozen(mesh.triangles.size(), true);
        frozen[0] = frozen[1] = false;
        SplitTJunctions(mesh, &frozen);
        ASSERT_EQ(CountSeams(mesh).tJunctions, 0u);
        SubdivideOptions options;
        options.shortestEdge = 0.05f;
        EXPECT_GT(SubdivideByLight(mesh, frozen, Step, options), 0u);
        EXPECT_EQ(CountSeams(mesh).tJunctions, 0u);
    }
    {
        // A strip 1 mm wide beside a floor: halving its sides would leave corners closer
        // to its long edges than the tolerance, so it stays whole while the floor splits.
        Mesh mesh = Floor(2, 1);
        Cell(mesh, 0, 2, 2, 2.001f);
        SplitTJunctions(mesh);
        ASSERT_EQ(CountSeams(mesh).tJunctions, 0u);
        SubdivideOptions options;
        options.shortestEdge = 0.05f;
        EXPECT_GT(SubdivideByLight(mesh, {}, Step, options), 0u);
        EXPECT_EQ(CountSeams(mesh).tJunctions, 0u);
    }
    {
        // A piece lies along the middle of a longer edge it does not share (two T-junctions
        // that stay); cutting its edge there would add a third corner inside the long edge.
        // A floor apart from them still splits.
        Mesh mesh;
        Cell(mesh, 0, 5, 2, 6);
        Triangle3(mesh, {0, 0, 0}, {0, 0, 1}, {2, 0, 0});
        Triangle3(mesh, {-1, 0, 0}, {3.4f, 0, 0}, {1, 0, -2});
        ASSERT_EQ(CountSeams(mesh).tJunctions, 2u);
        EXPECT_GT(SubdivideByLight(mesh, {}, Step), 0u);
        EXPECT_EQ(CountSeams(mesh).tJunctions, 2u);
    }
}
