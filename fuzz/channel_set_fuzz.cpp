// Loads a channel set from arbitrary bytes. A set that loads must hold only
// channels whose corners all name one of their own points, and must store
// again; CArchiveException is the only accepted way to refuse the input, and
// a refused set is left empty.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "hostlib/core/archive.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_list.h"
#include "mesh/model/point_list.h"

namespace {

void checkChannel(const CChannel& c) {
  const CFaceList* faces = c.GetFaceList();
  if (faces == nullptr) return;
  const int points = c.GetPointList() != nullptr ? c.GetPointList()->GetSize() : 0;
  for (int i = 0; i < faces->GetSize(); ++i) {
    const CFace* f = faces->ElementAt(i);
    for (std::uint32_t k = 0; k < f->GetSize(); ++k) {
      if (f->GetPointIndex(k) < 0 || f->GetPointIndex(k) >= points) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CArchive ar(std::span<const std::uint8_t>(data, size));
  CDependentChannels set;
  try {
    set.Serialize(ar);
  } catch (const CArchiveException&) {
    if (set.GetSize() != 0) std::abort();
    return 0;
  }
  for (int i = 0; i < set.GetSize(); ++i) checkChannel(*set.GetChannelByIndex(i));
  std::vector<std::uint8_t> again;
  CArchive out(again, CArchive::store);
  set.Serialize(out);
  return 0;
}
