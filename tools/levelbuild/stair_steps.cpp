// The visible steps of a flight: each tread, riser and nosing a face of its own, with its own
// material and texture coordinates that start afresh at every step, so that the flight reads
// as steps and the pattern of one tread does not run on into the next riser.
#include "scene_statements.h"

#include <algorithm>
#include <cmath>

namespace levelbuild {

namespace {

const float NOSING_OUT = 0.02f; // how far a nosing stands proud of the riser below it
const float NOSING_HEIGHT = 0.035f;

// A quad with its own uv, turned so that its front faces outward.
void OutwardQuad(Mesh& mesh, Vec3 p[4], float uv[4][2], Vec3 outward, int material) {
    if (Dot(Cross(p[1] - p[0], p[2] - p[0]), outward) < 0) {
        std::swap(p[1], p[3]);
        std::swap(uv[1][0], uv[3][0]);
        std::swap(uv[1][1], uv[3][1]);
    }
    AddQuad(mesh, p, uv, material);
}

} // namespace

void EmitStairSteps(LevelScene& scene, const StairFlight& f) {
    Mesh& mesh = scene.level;
    const float treadScale = Scale(scene, f.tread), riserScale = Scale(scene, f.riser);
    auto P = [&](float s, float w, float y) {
        return f.origin + f.along * s + f.across * w + UP * y;
    };
    const Vec3 back = f.along * -1.0f, right = f.across, left = f.across * -1.0f;
    for (int k = 0; k < f.steps; ++k) {
        float s0 = k * f.run, s1 = (k + 1) * f.run;
        float top = f.y0 + (k + 1) * f.rise;
        float below = k == 0 ? f.base : f.y0 + k * f.rise;
        // Each step's slabs start at another place along it, so that their joints do not
        // line up down the flight; tread and riser of one step share their joints.
        float shift = std::fmod(k * 0.37f, 1.0f);
        // Tread: u across the flight, v back from its front edge.
        {
            Vec3 p[4] = {P(s0, 0, top), P(s1, 0, top), P(s1, f.width, top), P(s0, f.width, top)};
            float u1 = shift + f.width * treadScale;
            float uv[4][2] = {
                {shift, 0}, {shift, f.run * treadScale}, {u1, f.run * treadScale}, {u1, 0}};
            OutwardQuad(mesh, p, uv, UP, f.tread);
        }
        // Riser: the part above the tread below, v down from under the nosing.
        {
            float h = top - below;
            Vec3 p[4] = {P(s0, 0, top), P(s0, f.width, top), P(s0, f.width, below),
                         P(s0, 0, below)};
            float u1 = shift + f.width * riserScale;
            float uv[4][2] = {{shift, 0}, {u1, 0}, {u1, h * riserScale}, {shift, h * riserScale}};
            OutwardQuad(mesh, p, uv, back, f.riser);
        }
        // Ends of the step down to the base: the flight's side, in the tread's material
        // mapped across the whole side.
        for (float w : {0.0f, f.width}) {
            Vec3 p[4] = {P(s0, w, top), P(s1, w, top), P(s1, w, f.base), P(s0, w, f.base)};
            Vec3 outward = w == 0 ? left : right;
            float uv[4][2];
            for (int c = 0; c < 4; ++c) {
                WorldUv(p[c], outward, treadScale, uv[c][0], uv[c][1]);
            }
            OutwardQuad(mesh, p, uv, outward, f.tread);
        }
        // Nosing: a lip along the tread's front edge, proud of the riser.
        Vec3 lo = P(s0 - NOSING_OUT, 0, top - NOSING_HEIGHT);
        EmitOrientedBox(mesh, lo, f.along * NOSING_OUT, UP * NOSING_HEIGHT, f.across * f.width,
                        f.nosing, Scale(scene, f.nosing), 1 << 1);
    }
    // The back of the last step.
    float top = f.y0 + f.steps * f.rise, s1 = f.steps * f.run;
    Vec3 p[4] = {P(s1, 0, top), P(s1, f.width, top), P(s1, f.width, f.base), P(s1, 0, f.base)};
    float uv[4][2] = {{0, 0},
                      {f.width * riserScale, 0},
                      {f.width * riserScale, (top - f.base) * riserScale},
                      {0, (top - f.base) * riserScale}};
    OutwardQuad(mesh, p, uv, f.along, f.riser);
}

} // namespace levelbuild
