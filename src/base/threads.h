// Work shared among the cores, for the few jobs large enough to gain from it.
#pragma once

#include <cstddef>
#include <functional>

namespace pim {

// The cores there are, at least one.
unsigned Cores();

// Runs job(0) to job(count - 1) side by side, the last on the calling thread, and returns
// when all are done. A thread that cannot be had leaves its job to the calling thread.
void InParallel(size_t count, const std::function<void(size_t)>& job);

}  // namespace pim
