// Charts of level floors, shelf packing into pages, texel lighting and the marker copies.
#include "light_maps.h"

#include "parallel_for.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <numeric>
#include <tuple>

namespace levelbuild {

namespace {

// Floors closer than this along the plane join one chart (paving slabs with their gaps).
constexpr float JOIN_CELL = 0.5f;

Vec3 FaceNormal(const Mesh& mesh, const Triangle& t) {
    const Vec3& a = mesh.vertices[t.a].position;
    return Normalize(Cross(mesh.vertices[t.b].position - a, mesh.vertices[t.c].position - a));
}

float Area(const Mesh& mesh, const Triangle& t) {
    const Vec3& a = mesh.vertices[t.a].position;
    return 0.5f * Length(Cross(mesh.vertices[t.b].position - a, mesh.vertices[t.c].position - a));
}

float Along(Vec3 p, int axis) {
    return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

// The two plane coordinates of a point on a chart across the given axis.
void PlaneCoordinates(Vec3 p, int axis, float& s, float& t) {
    s = axis == 0 ? p.z : p.x;
    t = axis == 1 ? p.z : p.y;
}

Vec3 FromPlane(int axis, float plane, float s, float t) {
    if (axis == 0) {
        return {plane, t, s};
    }
    if (axis == 1) {
        return {s, plane, t};
    }
    return {s, t, plane};
}

// The axis a triangle lies across when it is flat in an axis plane, else -1.
int FlatAxis(const Mesh& mesh, const Triangle& t) {
    Vec3 n = FaceNormal(mesh, t);
    for (int axis = 0; axis < 3; ++axis) {
        float c = Along(mesh.vertices[t.a].position, axis);
        if (std::fabs(Along(n, axis)) > 0.999f && Along(mesh.vertices[t.b].position, axis) == c &&
            Along(mesh.vertices[t.c].position, axis) == c) {
            return axis;
        }
    }
    return -1;
}

struct Rect {
    float x0, z0, x1, z1; // the plane coordinates s (x0, x1) and t (z0, z1)
};

Rect Bounds(const Mesh& mesh, const std::vector<size_t>& triangles, int axis) {
    Rect r{1e30f, 1e30f, -1e30f, -1e30f};
    for (size_t t : triangles) {
        const Triangle& tri = mesh.triangles[t];
        for (uint32_t i : {tri.a, tri.b, tri.c}) {
            float s, u;
            PlaneCoordinates(mesh.vertices[i].position, axis, s, u);
            r.x0 = std::min(r.x0, s), r.x1 = std::max(r.x1, s);
            r.z0 = std::min(r.z0, u), r.z1 = std::max(r.z1, u);
        }
    }
    return r;
}

size_t Find(std::vector<size_t>& parent, size_t x) {
    while (parent[x] != x) {
        parent[x] = parent[parent[x]];
        x = parent[x];
    }
    return x;
}

// Where a chart lies: its rectangle in the plane and its place on a page, in texels.
struct Placement {
    Rect rect;
    int axis;
    float plane;
    int width, height; // texels, padding included
    int page, x, y0;
};

// Shelf packing, tallest first; the order depends only on the sizes and chart numbers.
int Pack(std::vector<Placement>& places, int pageSize) {
    std::vector<size_t> order(places.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return places[a].height > places[b].height; });
    int page = 0, x = 0, shelf = 0, shelfHeight = 0;
    for (size_t i : order) {
        Placement& p = places[i];
        if (x + p.width > pageSize) {
            shelf += shelfHeight;
            x = 0, shelfHeight = 0;
        }
        if (shelf + p.height > pageSize) {
            ++page;
            x = 0, shelf = 0, shelfHeight = 0;
        }
        p.page = page, p.x = x, p.y0 = shelf;
        x += p.width;
        shelfHeight = std::max(shelfHeight, p.height);
    }
    return places.empty() ? 0 : page + 1;
}

struct Texel {
    int page, x, y;
    Vec3 point, normal;
    Vec3 stepS, stepT; // one texel along the page's two directions, in the world
    Rgb soft, direct;
};

// Light differences above this between neighbouring texels mark a shadow's edge, where a
// texel is lit from four points instead of one so that the edge does not show steps.
constexpr float EDGE_DIFFERENCE = 0.04f;

float Difference(Rgb a, Rgb b) {
    return std::max({std::fabs(a.r - b.r), std::fabs(a.g - b.g), std::fabs(a.b - b.b)});
}

} // namespace

LightMapCharts ChooseCharts(const Mesh& level, const std::vector<bool>& eligible,
                            const LightMapOptions& options) {
    size_t n = level.triangles.size();
    std::vector<size_t> parent(n);
    std::iota(parent.begin(), parent.end(), 0);
    std::vector<int> axes(n, -1);
    // Cells of a plane: the plane's axis and side, its place along the axis, two cell numbers.
    std::map<std::tuple<int, long, long, long>, size_t> cells;
    for (size_t t = 0; t < n; ++t) {
        const Triangle& tri = level.triangles[t];
        if (t >= eligible.size() || !eligible[t]) {
            continue;
        }
        int axis = FlatAxis(level, tri);
        if (axis < 0) {
            continue;
        }
        Vec3 normal = FaceNormal(level, tri);
        bool floor = axis == 1 && normal.y > 0;
        if (!floor && !(options.walls && axis != 1 && Dot(normal, options.wallFacing) > 0.05f)) {
            continue;
        }
        axes[t] = axis;
        Rect r = Bounds(level, {t}, axis);
        int side = axis * 2 + (Along(normal, axis) > 0 ? 1 : 0);
        long plane = std::lround(Along(level.vertices[tri.a].position, axis) * 1000);
        for (long cz = std::lround(std::floor(r.z0 / JOIN_CELL));
             cz <= std::lround(std::floor(r.z1 / JOIN_CELL)); ++cz) {
            for (long cx = std::lround(std::floor(r.x0 / JOIN_CELL));
                 cx <= std::lround(std::floor(r.x1 / JOIN_CELL)); ++cx) {
                auto [it, fresh] = cells.try_emplace({side, plane, cx, cz}, t);
                if (!fresh) {
                    parent[Find(parent, t)] = Find(parent, it->second);
                }
            }
        }
    }
    std::map<size_t, std::vector<size_t>> groups;
    for (size_t t = 0; t < n; ++t) {
        if (axes[t] >= 0) {
            groups[Find(parent, t)].push_back(t);
        }
    }
    // Charts larger than half a page are cut into tiles, so that every chart fits a page.
    float tile = (options.pageSize / 2 - 2 * options.padding) * options.texel;
    LightMapCharts out;
    out.marked.assign(n, false);
    for (auto& [root, tris] : groups) {
        int axis = axes[tris.front()];
        Rect whole = Bounds(level, tris, axis);
        std::map<std::pair<long, long>, std::vector<size_t>> tiles;
        for (size_t t : tris) {
            const Triangle& tri = level.triangles[t];
            Vec3 c = (level.vertices[tri.a].position + level.vertices[tri.b].position +
                      level.vertices[tri.c].position) *
                     (1.0f / 3.0f);
            float cs, ct;
            PlaneCoordinates(c, axis, cs, ct);
            tiles[{std::lround(std::floor((cs - whole.x0) / tile)),
                   std::lround(std::floor((ct - whole.z0) / tile))}]
                .push_back(t);
        }
        for (auto& [key, chart] : tiles) {
            float area = 0;
            for (size_t t : chart) {
                area += Area(level, level.triangles[t]);
            }
            Rect r = Bounds(level, chart, axis);
            float box = std::max(1e-6f, (r.x1 - r.x0) * (r.z1 - r.z0));
            float least = axis == 1 ? options.minArea : options.minWallArea;
            if (area < least || area / box < options.minFill) {
                continue;
            }
            for (size_t t : chart) {
                out.marked[t] = true;
            }
            out.charts.push_back(chart);
            out.axes.push_back(axis);
        }
    }
    return out;
}

void SeparateMarkedVertices(Mesh& level, const std::vector<bool>& marked) {
    std::vector<bool> usedUnmarked(level.vertices.size(), false);
    for (size_t t = 0; t < level.triangles.size(); ++t) {
        if (!marked[t]) {
            const Triangle& tri = level.triangles[t];
            usedUnmarked[tri.a] = usedUnmarked[tri.b] = usedUnmarked[tri.c] = true;
        }
    }
    std::map<uint32_t, uint32_t> copies;
    for (size_t t = 0; t < level.triangles.size(); ++t) {
        if (!marked[t]) {
            continue;
        }
        Triangle& tri = level.triangles[t];
        for (uint32_t* corner : {&tri.a, &tri.b, &tri.c}) {
            if (!usedUnmarked[*corner]) {
                continue;
            }
            auto it = copies.find(*corner);
            if (it == copies.end()) {
                Vertex copy = level.vertices[*corner];
                it = copies.emplace(*corner, level.Add(copy)).first;
            }
            *corner = it->second;
        }
    }
}

void EncodeLightTexel(Rgb light, uint8_t out[4]) {
    Rgb c = ToneMap(light);
    c = {std::clamp(c.r, 0.0f, 1.0f), std::clamp(c.g, 0.0f, 1.0f), std::clamp(c.b, 0.0f, 1.0f)};
    float lowest = std::min({c.r, c.g, c.b});
    float alpha = 1 - lowest;
    // The surface keeps `lowest` of its own colour; the rest of each channel is added as a
    // tint, sized for a surface of middle brightness.
    auto tint = [&](float channel) {
        return alpha > 1.0f / 255 ? std::clamp(0.5f * (channel - lowest) / alpha, 0.0f, 1.0f)
                                  : 0.0f;
    };
    auto byte = [](float f) { return static_cast<uint8_t>(std::lround(f * 255.0f)); };
    out[0] = byte(tint(c.r));
    out[1] = byte(tint(c.g));
    out[2] = byte(tint(c.b));
    out[3] = byte(alpha);
}

LightMapResult BakeLightMaps(const LightRig& rig, const RayScene& rays, const Mesh& level,
                             const LightMapCharts& charts, const std::vector<Rgb>& vertexSoft,
                             const LightMapOptions& options) {
    LightMapResult out;
    out.texel = options.texel;
    const float texel = options.texel;
    const int pad = options.padding;
    std::vector<Placement> places;
    for (size_t c = 0; c < charts.charts.size(); ++c) {
        const auto& chart = charts.charts[c];
        Placement p{};
        p.axis = charts.axes[c];
        p.rect = Bounds(level, chart, p.axis);
        p.plane = Along(level.vertices[level.triangles[chart.front()].a].position, p.axis);
        p.width = static_cast<int>(std::ceil((p.rect.x1 - p.rect.x0) / texel)) + 2 * pad;
        p.height = static_cast<int>(std::ceil((p.rect.z1 - p.rect.z0) / texel)) + 2 * pad;
        places.push_back(p);
    }
    int pages = Pack(places, options.pageSize);
    for (int i = 0; i < pages; ++i) {
        out.pages.emplace_back(options.pageSize, options.pageSize);
    }
    // Texel centres inside the charts' triangles, with the soft light between the vertices.
    std::vector<Texel> texels;
    std::vector<std::vector<bool>> covered(
        pages, std::vector<bool>(static_cast<size_t>(options.pageSize) * options.pageSize));
    for (size_t c = 0; c < charts.charts.size(); ++c) {
        const Placement& p = places[c];
        for (size_t t : charts.charts[c]) {
            const Triangle& tri = level.triangles[t];
            const Vertex* v[3] = {&level.vertices[tri.a], &level.vertices[tri.b],
                                  &level.vertices[tri.c]};
            const Rgb* s[3] = {&vertexSoft[tri.a], &vertexSoft[tri.b], &vertexSoft[tri.c]};
            float x[3], z[3];
            for (int k = 0; k < 3; ++k) {
                PlaneCoordinates(v[k]->position, p.axis, x[k], z[k]);
                x[k] = (x[k] - p.rect.x0) / texel + pad;
                z[k] = (z[k] - p.rect.z0) / texel + pad;
            }
            float det = (x[1] - x[0]) * (z[2] - z[0]) - (x[2] - x[0]) * (z[1] - z[0]);
            if (std::fabs(det) < 1e-9f) {
                continue;
            }
            int i0 = std::max(0, static_cast<int>(std::floor(std::min({x[0], x[1], x[2]}))));
            int i1 =
                std::min(p.width - 1, static_cast<int>(std::ceil(std::max({x[0], x[1], x[2]}))));
            int j0 = std::max(0, static_cast<int>(std::floor(std::min({z[0], z[1], z[2]}))));
            int j1 =
                std::min(p.height - 1, static_cast<int>(std::ceil(std::max({z[0], z[1], z[2]}))));
            for (int j = j0; j <= j1; ++j) {
                for (int i = i0; i <= i1; ++i) {
                    float px = i + 0.5f, pz = j + 0.5f;
                    float b1 = ((px - x[0]) * (z[2] - z[0]) - (x[2] - x[0]) * (pz - z[0])) / det;
                    float b2 = ((x[1] - x[0]) * (pz - z[0]) - (px - x[0]) * (z[1] - z[0])) / det;
                    float b0 = 1 - b1 - b2;
                    const float eps = -1e-5f;
                    if (b0 < eps || b1 < eps || b2 < eps) {
                        continue;
                    }
                    int gx = p.x + i, gy = p.y0 + j;
                    size_t at = static_cast<size_t>(gy) * options.pageSize + gx;
                    if (covered[p.page][at]) {
                        continue;
                    }
                    covered[p.page][at] = true;
                    Texel tx;
                    tx.page = p.page, tx.x = gx, tx.y = gy;
                    tx.point = FromPlane(p.axis, p.plane, p.rect.x0 + (i - pad + 0.5f) * texel,
                                         p.rect.z0 + (j - pad + 0.5f) * texel);
                    tx.normal =
                        Normalize(v[0]->normal * b0 + v[1]->normal * b1 + v[2]->normal * b2);
                    tx.soft = *s[0] * b0 + *s[1] * b1 + *s[2] * b2;
                    tx.stepS = FromPlane(p.axis, 0, texel, 0);
                    tx.stepT = FromPlane(p.axis, 0, 0, texel);
                    texels.push_back(tx);
                }
            }
        }
    }
    ParallelFor(texels.size(), 256, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            texels[i].direct = DirectLight(rig, rays, texels[i].point, texels[i].normal);
        }
    });
    // Which texel lies at each page position, to find a texel's neighbours.
    std::vector<std::vector<int32_t>> at(pages, std::vector<int32_t>(covered[0].size(), -1));
    for (size_t i = 0; i < texels.size(); ++i) {
        at[texels[i].page][static_cast<size_t>(texels[i].y) * options.pageSize + texels[i].x] =
            static_cast<int32_t>(i);
    }
    ParallelFor(texels.size(), 256, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            const Texel& t = texels[i];
            bool edge = false;
            const int dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
            for (int d = 0; d < 4 && !edge; ++d) {
                int nx = t.x + dx[d], ny = t.y + dy[d];
                if (nx < 0 || ny < 0 || nx >= options.pageSize || ny >= options.pageSize) {
                    continue;
                }
                int32_t n = at[t.page][static_cast<size_t>(ny) * options.pageSize + nx];
                edge = n >= 0 && Difference(texels[n].direct, t.direct) > EDGE_DIFFERENCE;
            }
            Rgb direct = t.direct;
            if (edge) {
                direct = {};
                for (float fs : {-0.25f, 0.25f}) {
                    for (float ft : {-0.25f, 0.25f}) {
                        Vec3 q = t.point + t.stepS * fs + t.stepT * ft;
                        direct = direct + DirectLight(rig, rays, q, t.normal) * 0.25f;
                    }
                }
            }
            EncodeLightTexel(t.soft + direct, out.pages[t.page].At(t.x, t.y));
        }
    });
    // Texels of a chart's border and between its triangles take the mean of their lit
    // neighbours, ring by ring, so that filtering never reaches an unlit texel.
    for (size_t c = 0; c < places.size(); ++c) {
        const Placement& p = places[c];
        Image& img = out.pages[p.page];
        std::vector<bool>& done = covered[p.page];
        for (int ring = 0; ring < pad + 1; ++ring) {
            std::vector<std::pair<int, int>> fresh;
            for (int y = p.y0; y < p.y0 + p.height; ++y) {
                for (int x = p.x; x < p.x + p.width; ++x) {
                    if (!done[static_cast<size_t>(y) * options.pageSize + x]) {
                        fresh.push_back({x, y});
                    }
                }
            }
            std::vector<std::array<uint8_t, 4>> values(fresh.size());
            std::vector<bool> found(fresh.size(), false);
            for (size_t k = 0; k < fresh.size(); ++k) {
                auto [x, y] = fresh[k];
                int sum[4] = {0, 0, 0, 0}, count = 0;
                const int dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
                for (int d = 0; d < 4; ++d) {
                    int nx = x + dx[d], ny = y + dy[d];
                    if (nx < p.x || ny < p.y0 || nx >= p.x + p.width || ny >= p.y0 + p.height ||
                        !done[static_cast<size_t>(ny) * options.pageSize + nx]) {
                        continue;
                    }
                    const uint8_t* q = img.At(nx, ny);
                    for (int ch = 0; ch < 4; ++ch) {
                        sum[ch] += q[ch];
                    }
                    ++count;
                }
                if (count > 0) {
                    found[k] = true;
                    for (int ch = 0; ch < 4; ++ch) {
                        values[k][ch] = static_cast<uint8_t>((sum[ch] + count / 2) / count);
                    }
                }
            }
            for (size_t k = 0; k < fresh.size(); ++k) {
                if (found[k]) {
                    auto [x, y] = fresh[k];
                    std::copy(values[k].begin(), values[k].end(), img.At(x, y));
                    done[static_cast<size_t>(y) * options.pageSize + x] = true;
                }
            }
        }
    }
    // Marker copies of the chart triangles with their page coordinates.
    for (size_t c = 0; c < charts.charts.size(); ++c) {
        const Placement& p = places[c];
        std::map<uint32_t, uint32_t> shared; // level vertex to marker vertex, in this chart
        for (size_t t : charts.charts[c]) {
            const Triangle& tri = level.triangles[t];
            uint32_t idx[3];
            int k = 0;
            for (uint32_t i : {tri.a, tri.b, tri.c}) {
                auto it = shared.find(i);
                if (it == shared.end()) {
                    Vertex v = level.vertices[i];
                    float ps, pt;
                    PlaneCoordinates(v.position, p.axis, ps, pt);
                    v.u = (p.x + pad + (ps - p.rect.x0) / texel) / options.pageSize;
                    v.v = (p.y0 + pad + (pt - p.rect.z0) / texel) / options.pageSize;
                    it = shared.emplace(i, out.markers.Add(v)).first;
                }
                idx[k++] = it->second;
            }
            out.markers.Tri(idx[0], idx[1], idx[2], p.page);
        }
    }
    return out;
}

} // namespace levelbuild
