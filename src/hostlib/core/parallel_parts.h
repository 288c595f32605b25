#pragma once
// An index range shared out among the processors, one contiguous part per
// thread, the calling thread taking the first. A range too small to repay
// starting a thread stays on the calling thread, and so does a part whose
// thread the system refuses.
#include <functional>

#include "hostlib/hostlib_export.h"

namespace vex3d {

// The processors this process may run on (its affinity, not the machine's
// count: a job pinned to one core gets one part).
VEXHOST_EXPORT unsigned availableProcessors();

// Calls work(begin, end) for parts covering 0 .. count-1, each at least
// `minPerPart` long, and returns once all are done. An exception thrown by
// a part is thrown again here, after the other parts have ended.
VEXHOST_EXPORT void forEachPart(int count, int minPerPart,
                                const std::function<void(int begin, int end)>& work);

// The number of parts forEachPart makes of `count`, and where part `k` of
// `parts` begins: for work whose parts keep results of their own.
VEXHOST_EXPORT int partsFor(int count, int minPerPart);
inline int partBegin(int count, int parts, int k) {
  return static_cast<int>(static_cast<long long>(count) * k / parts);
}

}  // namespace vex3d
