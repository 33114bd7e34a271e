// The collectible's model, and the grey shading it shares with the object boxes.
#include "model_assembly.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace levelbuild {

uint32_t Grey(Vec3 n, Vec3 light) {
    float d = Dot(n, light);
    int g = static_cast<int>(d * 64 + 192);
    g = std::clamp(g, 0, 255);
    return 0xFF000000u | (g << 16) | (g << 8) | g;
}

Mesh MakeCollectible(int material) {
    // A small floating crystal: two pyramids of eight sides, point up and point down.
    Mesh mesh;
    const int n = 8;
    const float r = 0.1f, mid = 0.2f, top = 0.38f, bottom = 0.05f;
    Vec3 light = Normalize({0.4f, 0.8f, -0.3f});
    for (int k = 0; k < n; ++k) {
        float a0 = k * 6.2831853f / n, a1 = (k + 1) * 6.2831853f / n;
        Vec3 p0{r * std::cos(a0), mid, r * std::sin(a0)},
            p1{r * std::cos(a1), mid, r * std::sin(a1)};
        Vec3 tris[2][3] = {{{0, top, 0}, p1, p0}, {{0, bottom, 0}, p0, p1}};
        for (auto& t : tris) {
            Vec3 nn = Normalize(Cross(t[1] - t[0], t[2] - t[0]));
            uint32_t idx[3];
            for (int i = 0; i < 3; ++i) {
                Vertex v;
                v.position = t[i];
                v.normal = nn;
                v.color = Grey(nn, light);
                v.u = 0.5f + t[i].x * 2, v.v = 1.0f - t[i].y * 2;
                idx[i] = mesh.Add(v);
            }
            mesh.Tri(idx[0], idx[1], idx[2], material);
        }
    }
    return mesh;
}

} // namespace levelbuild
