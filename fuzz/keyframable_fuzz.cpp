// Loads a key container from arbitrary bytes. A container that loads must be
// in time order with at most one key per (time, class), store and reload to
// the same bytes, copy, and answer lookups and evaluations of every class;
// one that is refused must be empty. CArchiveException is the only accepted
// way to refuse the input.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <span>
#include <vector>

#include "animation/keyframable.h"
#include "hostlib/core/archive.h"

namespace {

constexpr std::uint32_t kClasses[] = {vex3d::kKeyMatrix, vex3d::kKeyRotation, vex3d::kKeyScale,
                                      vex3d::kKeyTranslation, vex3d::kKeyPivot};

void check(const C3DKeyframable& k) {
  int previousTime = 0;
  std::uint32_t previousClass = 0;
  const int n = k.GetKeyNbr();
  int byClass = 0;
  for (std::uint32_t c : kClasses) byClass += k.GetKeyNbr(c);
  if (byClass != n) std::abort();
  for (int i = 0; i < n; ++i) {
    int time = 0;
    const C3DKeyframe* key = k.GetKeyByIndex(i, &time);
    if (!key || key->GetClassID() == 0) std::abort();
    if (i > 0 &&
        (time < previousTime || (time == previousTime && key->GetClassID() == previousClass)))
      std::abort();
    previousTime = time;
    previousClass = key->GetClassID();
  }
}

// t + d without overflowing: times from the input span the whole int line.
int shifted(int t, int d) {
  const std::int64_t v = static_cast<std::int64_t>(t) + d;
  return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

std::vector<std::uint8_t> store(C3DKeyframable& k) {
  std::vector<std::uint8_t> bytes;
  CArchive ar(bytes, CArchive::store);
  k.Serialize(ar);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CArchive ar(std::span<const std::uint8_t>(data, size));
  C3DKeyframable k;
  k.AddKey(1, C3DKeyframe::CreateKey(vex3d::kKeyScale, vex3d::kCurveTCB));
  try {
    k.Serialize(ar);
  } catch (const CArchiveException&) {
    if (k.GetKeyNbr() != 0) std::abort();
    return 0;
  }
  check(k);

  const std::vector<std::uint8_t> bytes = store(k);
  C3DKeyframable reloaded;
  CArchive in(bytes, CArchive::load);
  reloaded.Serialize(in);
  if (in.Remaining() != 0 || store(reloaded) != bytes) std::abort();

  C3DKeyframable copy;
  copy = k;
  if (copy.GetKeyNbr() != k.GetKeyNbr()) std::abort();

  const CTimeRange range = k.GetTimeRange(0);
  const int times[] = {range.GetStart(), range.GetEnd(), range.GetStart() / 2 + range.GetEnd() / 2,
                       shifted(range.GetStart(), -1), shifted(range.GetEnd(), 1)};
  for (std::uint32_t c : kClasses) {
    std::unique_ptr<C3DKeyframe> key = C3DKeyframe::CreateKey(c, 0);
    for (int t : times) {
      if (k.Evaluate(t, *key) != (k.GetKeyNbr(c) > 0 ? 1 : 0)) std::abort();
      for (unsigned flags = 0; flags < 8; ++flags) {
        int keyTime = 0;
        const C3DKeyframe* found = k.GetConstKey(t, flags, c, &keyTime);
        if (found && found->GetClassID() != c) std::abort();
        if (!found && keyTime != -1) std::abort();
      }
    }
  }
  return 0;
}
