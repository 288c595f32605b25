#include "hostlib/core/parallel_parts.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace vex3d {

int partsFor(int count, int minPerPart) {
  if (count <= 0) return 1;
  const int processors = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  return std::clamp(count / std::max(1, minPerPart), 1, std::min(processors, 8));
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
