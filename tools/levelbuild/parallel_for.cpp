// ParallelFor over std::thread: workers take the next chunk from a shared counter.
#include "parallel_for.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace levelbuild {

void ParallelFor(size_t count, size_t chunk, const std::function<void(size_t, size_t)>& work) {
    chunk = std::max<size_t>(1, chunk);
    size_t chunks = (count + chunk - 1) / chunk;
    size_t threads = std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()), chunks);
    std::atomic<size_t> next{0};
    auto worker = [&] {
        for (size_t c = next++; c < chunks; c = next++) {
            work(c * chunk, std::min(count, (c + 1) * chunk));
        }
    };
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads; ++t) {
        pool.emplace_back(worker);
    }
    worker();
    for (std::thread& t : pool) {
        t.join();
    }
}

} // namespace levelbuild
