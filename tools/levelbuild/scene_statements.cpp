// The level description's statements: the table that sends each keyword to its handler, and
// the statements that only set up the scene (materials, grid sizes, shadow, indoor and filler
// areas, bare hull solids).
#include "scene_statements.h"

#include <functional>
#include <map>
#include <string>

namespace levelbuild {

LevelScene BuildScene(const std::vector<Statement>& statements) {
    LevelScene scene;
    using Handler = std::function<void(LevelScene&, const Statement&)>;
    const std::map<std::string, Handler> handlers = {
        {"wall", BuildWall},
        {"slab", BuildSlab},
        {"stairs", BuildStairs},
        {"ramp", BuildRamp},
        {"box", BuildBox},
        {"table", BuildTable},
        {"cabinet", BuildCabinet},
        {"pool", BuildPool},
        {"water", BuildWater},
        {"lamp", BuildLamp},
        {"tree", BuildTree},
        {"paving", BuildPaving},
        {"sky", BuildSky},
        {"hedge",
         [](LevelScene& sc, const Statement& s) { BuildFence(sc, s, "hedge", 0.7f, false); }},
        {"railing",
         [](LevelScene& sc, const Statement& s) { BuildFence(sc, s, "railing", 1.2f, true); }},
        {"hullbox",
         [](LevelScene& sc, const Statement& s) {
             Vec3 lo{s.Num(0), s.Num(1), s.Num(2)}, hi{s.Num(3), s.Num(4), s.Num(5)};
             EmitHullBox(sc.hull, lo, {hi.x - lo.x, 0, 0}, {0, hi.y - lo.y, 0},
                         {0, 0, hi.z - lo.z});
         }},
        {"hullslab",
         [](LevelScene& sc, const Statement& s) {
             EmitHullSlab(sc.hull, s.Num(0), s.Num(1), s.Num(2), s.Num(3), s.Num(4), s.Num(5),
                          sc.hullCell);
         }},
        {"shadow",
         [](LevelScene& sc, const Statement& s) {
             sc.shadowRects.push_back({s.Num(0), s.Num(1), s.Num(2), s.Num(3), s.Num(4)});
         }},
        {"indoors",
         [](LevelScene& sc, const Statement& s) {
             sc.indoors.push_back({{s.Num(0), s.Num(1), s.Num(2)}, {s.Num(3), s.Num(4), s.Num(5)}});
         }},
        {"filler",
         [](LevelScene& sc, const Statement& s) {
             sc.fillers.push_back({s.Num(0), s.Num(1), s.Num(2), s.Num(3), s.Num(4)});
         }},
        {"cell", [](LevelScene& sc, const Statement& s) { sc.cell = s.Num(0); }},
        {"hullcell", [](LevelScene& sc, const Statement& s) { sc.hullCell = s.Num(0); }},
        {"material",
         [](LevelScene& sc, const Statement& s) {
             Material m;
             m.name = s.Name(0);
             m.texture = s.Name(1) == "-" ? "" : s.Name(1);
             m.r = s.Num(2), m.g = s.Num(3), m.b = s.Num(4), m.a = s.Num(5);
             sc.materialIds[m.name] = static_cast<int>(sc.materials.size());
             sc.materials.push_back(m);
             sc.texScales.push_back(s.Num(6));
             sc.beforeBoxes.push_back(s.Has("before"));
         }},
    };
    for (const Statement& s : statements) {
        auto it = handlers.find(s.keyword);
        if (it == handlers.end()) {
            Fail(s, "unknown statement");
        }
        it->second(scene, s);
    }
    scene.levelShadowed.resize(scene.level.triangles.size(), false);
    return scene;
}

} // namespace levelbuild
