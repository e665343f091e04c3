#include "base/threads.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace pim {

unsigned Cores() { return std::max(1u, std::thread::hardware_concurrency()); }

void InParallel(size_t count, const std::function<void(size_t)>& job) {
  std::vector<std::thread> threads;
  size_t k = 0;
  for (; k + 1 < count; ++k) {
    try {
      threads.emplace_back(job, k);
    } catch (const std::system_error&) {
      break;
    }
  }
  for (; k < count; ++k) job(k);
  for (std::thread& thread : threads) thread.join();
}

}  // namespace pim
