// The build's crack check: seams of the models the player sees, against what the level
// description allows.
#include "level_builder.h"
#include "world/object_table.h"

#include <sstream>
#include <stdexcept>

namespace levelbuild {

std::string CheckModelSeams(const LevelScene& scene, const LevelModels& models) {
    struct Checked {
        const char* file;
        const Mesh* mesh;
        size_t skipFirst, skipEnd;
    };
    // The object boxes move and are closed solids of their own; the walls around them are
    // what must meet.
    const Checked checked[] = {
        {"L1.x", &models.level, FIRST_OBJECT_LEVEL_FACE,
         FIRST_OBJECT_LEVEL_FACE + OBJECT_FACES * OBJECT_COUNT},
        {"L1add1.x", &models.detail, 0, 0},
        {"L1add2.x", &models.cutout, 0, 0},
        {"L1add5.x", &models.water, 0, 0},
    };
    std::ostringstream log, failures;
    for (const Checked& c : checked) {
        SeamCount found = CountSeams(*c.mesh, c.skipFirst, c.skipEnd);
        auto it = scene.seamAllowances.find(c.file);
        SeamCount allowed = it == scene.seamAllowances.end() ? SeamCount{} : it->second;
        std::string line = SeamReport(c.file, found, allowed);
        log << "seams of " << line << "\n";
        if (found.openEdges > allowed.openEdges || found.tJunctions > allowed.tJunctions) {
            failures << "\n  " << line;
        }
    }
    if (!failures.str().empty()) {
        throw std::runtime_error("new cracks in the visible models (close them, or allow them "
                                 "in a seams statement):" +
                                 failures.str());
    }
    return log.str();
}

} // namespace levelbuild
