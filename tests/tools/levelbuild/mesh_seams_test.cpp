// Open edges and T-junctions counted on small meshes whose seams are known by hand, and the
// split that closes T-junctions: coverage, facing, attributes and flags of the new triangles.
#include "tools/levelbuild/mesh_seams.h"

#include <gtest/gtest.h>

using namespace levelbuild;

namespace {

// A square in the z = 0 plane from (x0, y0) to (x1, y1), facing -z, with uv = position.
void Square(Mesh& mesh, float x0, float y0, float x1, float y1, int material = 0) {
    Vec3 p[4] = {{x0, y0, 0}, {x0, y1, 0}, {x1, y1, 0}, {x1, y0, 0}};
    float uv[4][2] = {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}};
    AddQuad(mesh, p, uv, material);
}

Vertex At(float x, float y) {
    Vertex v;
    v.position = {x, y, 0};
    return v;
}

float TwiceArea(const Mesh& mesh, const Triangle& t) {
    Vec3 n = Cross(mesh.vertices[t.b].position - mesh.vertices[t.a].position,
                   mesh.vertices[t.c].position - mesh.vertices[t.a].position);
    return n.z; // signed: the squares face -z, so their triangles give negative values
}

} // namespace

TEST(MeshSeams, CountsOpenEdgesAndCornersInsideEdges) {
    {
        // Two squares side by side share an edge: the outline of six edges stays open.
        Mesh m;
        Square(m, 0, 0, 1, 1);
        Square(m, 1, 0, 2, 1);
        SeamCount c = CountSeams(m);
        EXPECT_EQ(c.openEdges, 6u);
        EXPECT_EQ(c.tJunctions, 0u);
    }
    {
        // A tall piece beside two short ones: their shared corner (1, 1) lies inside the tall
        // piece's edge from (1, 0) to (1, 2). Open: the two halves of that edge, the tall
        // edge itself and the seven outline edges.
        Mesh m;
        Square(m, 0, 0, 1, 2);
        Square(m, 1, 0, 2, 1);
        Square(m, 1, 1, 2, 2);
        SeamCount c = CountSeams(m);
        EXPECT_EQ(c.tJunctions, 1u);
        EXPECT_EQ(c.openEdges, 10u);
    }
    {
        // A box made of six separate faces is closed once corners are compared by position.
        Mesh m;
        AddBox(m, {0, 0, 0}, {1, 2, 3}, 0, 1.0f);
        SeamCount c = CountSeams(m);
        EXPECT_EQ(c.openEdges, 0u);
        EXPECT_EQ(c.tJunctions, 0u);
    }
}

TEST(MeshSeams, ToleranceDecidesWhatLiesOnAnEdge) {
    struct Case {
        float x, y;
        size_t tJunctions;
    };
    // A tall square's edge x = 1 runs from y 0 to 2; a small triangle's edge runs along it
    // from (x, y) up to the tall square's top corner.
    const Case cases[] = {
        {1.0001f, 1.0f, 1}, // a tenth of a millimetre off the edge: on it
        {1.001f, 1.0f, 0},  // a millimetre off: a separate piece
        {1.0f, 0.0001f, 0}, // at the edge's end, within the tolerance: the same corner
        {1.0f, 0.002f, 1},  // 2 mm from the end: inside
    };
    for (const Case& k : cases) {
        Mesh m;
        Square(m, 0, 0, 1, 2);
        uint32_t a = m.Add(At(k.x, k.y)), b = m.Add(At(k.x, 2)), c = m.Add(At(k.x + 0.5f, 1.5f));
        m.Tri(a, b, c, 0);
        EXPECT_EQ(CountSeams(m).tJunctions, k.tJunctions) << "corner at " << k.x << ", " << k.y;
    }
    // A corner that only lies close to the long diagonal of a thin face is no crack: none of
    // its edges runs along the diagonal.
    Mesh thin;
    Square(thin, 0, 0, 10, 0.1f);
    uint32_t a = thin.Add(At(5, 0.05f)), b = thin.Add(At(5, 0.5f)), c = thin.Add(At(6, 0.5f));
    thin.Tri(a, b, c, 0);
    EXPECT_EQ(CountSeams(thin).tJunctions, 0u);

    // A strip 2 cm wide and 2 m long whose diagonal passes 0.1 mm from a corner on its side,
    // 1 cm from the end: the sliver between the diagonal and that corner fills the gap, so
    // the corner is no crack; without the sliver it is.
    for (bool sliver : {true, false}) {
        Mesh strip;
        uint32_t bottom = strip.Add(At(0, 0)), right = strip.Add(At(2, 0));
        uint32_t top = strip.Add(At(2, 0.02f)), side = strip.Add(At(1.99f, 0.02f));
        uint32_t left = strip.Add(At(0, 0.02f)), above = strip.Add(At(2, 1));
        strip.Tri(bottom, right, top, 0);
        if (sliver) {
            strip.Tri(bottom, top, side, 0);
        }
        strip.Tri(bottom, side, left, 0);
        strip.Tri(side, top, above, 0);
        EXPECT_EQ(CountSeams(strip).tJunctions, sliver ? 0u : 1u) << "sliver " << sliver;
    }
}

TEST(MeshSeams, LeavesOutTheSkippedTriangles) {
    Mesh m;
    Square(m, 0, 0, 1, 2);
    Square(m, 1, 0, 2, 1); // triangles 2 and 3: their corner (1, 1) is the T-junction
    EXPECT_EQ(CountSeams(m).tJunctions, 1u);
    SeamCount c = CountSeams(m, 2, 4);
    EXPECT_EQ(c.tJunctions, 0u);
    EXPECT_EQ(c.openEdges, 4u);
}

TEST(MeshSeams, SplitClosesTheJunctionAndKeepsTheSurface) {
    Mesh m;
    Square(m, 0, 0, 1, 2, 5);
    Square(m, 1, 0, 2, 1, 6);
    Square(m, 1, 1, 2, 2, 6);
    std::vector<bool> flags = {true, true, false, false, false, false};
    float before = 0;
    for (const Triangle& t : m.triangles) {
        before += TwiceArea(m, t);
    }
    EXPECT_EQ(SplitTJunctions(m, &flags), 1u);
    // Only the tall piece's triangle along x = 1 splits, into two.
    ASSERT_EQ(m.triangles.size(), 7u);
    ASSERT_EQ(flags.size(), 7u);
    float after = 0;
    for (size_t t = 0; t < m.triangles.size(); ++t) {
        float a = TwiceArea(m, m.triangles[t]);
        EXPECT_LT(a, -1e-4f) << "triangle " << t << " is degenerate or turned over";
        after += a;
        bool tall = m.triangles[t].material == 5;
        EXPECT_EQ(flags[t], tall) << "triangle " << t;
    }
    EXPECT_NEAR(after, before, 1e-5f);
    SeamCount c = CountSeams(m);
    EXPECT_EQ(c.tJunctions, 0u);
    EXPECT_EQ(c.openEdges, 7u);
    // The tall piece's new corner sits on the short pieces' corner with the tall piece's own
    // texture coordinates there.
    const Vertex& added = m.vertices[12];
    EXPECT_EQ(added.position.x, 1.0f);
    EXPECT_EQ(added.position.y, 1.0f);
    EXPECT_NEAR(added.u, 1.0f, 1e-6f);
    EXPECT_NEAR(added.v, 1.0f, 1e-6f);
}

TEST(MeshSeams, CornersOnTwoEdgesSplitWithoutPointsInsideTheFace) {
    // One big triangle; two small ones meet the middles of two of its edges.
    Mesh m;
    uint32_t a = m.Add(At(0, 0)), b = m.Add(At(0, 4)), c = m.Add(At(4, 0));
    m.Tri(a, b, c, 0);
    // Each small triangle has an edge along the big one's, from the middle to a corner.
    uint32_t p = m.Add(At(0, 2)), q = m.Add(At(0, 4)), r = m.Add(At(-1, 3));
    m.Tri(p, r, q, 0);
    uint32_t s = m.Add(At(2, 2)), u = m.Add(At(4, 0)), v = m.Add(At(3, 3));
    m.Tri(s, u, v, 0);
    EXPECT_EQ(CountSeams(m).tJunctions, 2u);
    float before = TwiceArea(m, m.triangles[0]);
    SplitTJunctions(m);
    EXPECT_EQ(CountSeams(m).tJunctions, 0u);
    // Five corners around the big triangle's outline make three triangles; the only new
    // vertices are the two on its edges, so nothing can land inside an overlapping face.
    ASSERT_EQ(m.triangles.size(), 5u);
    EXPECT_EQ(m.vertices.size(), 11u);
    float after = 0;
    for (size_t t = 0; t < 3; ++t) {
        float area = TwiceArea(m, m.triangles[t]);
        EXPECT_LT(area, -1e-4f) << "triangle " << t;
        after += area;
    }
    EXPECT_NEAR(after, before, 1e-4f);
}
