// Runs independent pieces of work on every core. Each index is handed to exactly one call and
// a call writes only what belongs to its indices, so results never depend on which thread
// ran what or when.
#pragma once

#include <cstddef>
#include <functional>

namespace levelbuild {

// Calls work(begin, end) over consecutive ranges of at most chunk indices covering [0, count).
void ParallelFor(size_t count, size_t chunk, const std::function<void(size_t, size_t)>& work);

} // namespace levelbuild
