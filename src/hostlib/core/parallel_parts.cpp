#include "hostlib/core/parallel_parts.h"

#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace vex3d {

unsigned availableProcessors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0) return static_cast<unsigned>(count);
  }
  const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? static_cast<unsigned>(online) : 1u;
}

int partsFor(int count, int minPerPart) {
  if (count <= 0) return 1;
  const int processors = static_cast<int>(std::min(availableProcessors(), 8u));
  return std::clamp(count / std::max(1, minPerPart), 1, processors);
}

void forEachPart(int count, int minPerPart, const std::function<void(int, int)>& work) {
  if (count <= 0) return;
  const int parts = partsFor(count, minPerPart);
  if (parts == 1) {
    work(0, count);
    return;
  }
  const auto boundary = [count, parts](int k) { return partBegin(count, parts, k); };
  std::vector<std::exception_ptr> failures(static_cast<std::size_t>(parts));
  const auto run = [&](int k) {
    try {
      work(boundary(k), boundary(k + 1));
    } catch (...) {
      failures[static_cast<std::size_t>(k)] = std::current_exception();
    }
  };
  std::vector<std::thread> threads;
  std::vector<int> refused;
  // Room first: nothing may throw once a thread runs.
  threads.reserve(static_cast<std::size_t>(parts));
  refused.reserve(static_cast<std::size_t>(parts));
  for (int k = 1; k < parts; ++k) {
    try {
      threads.emplace_back(run, k);
    } catch (const std::system_error&) {
      refused.push_back(k);
    }
  }
  run(0);
  for (int k : refused) run(k);
  for (std::thread& t : threads) t.join();
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

}  // namespace vex3d
