// Loads every point list kind from arbitrary bytes. CArchiveException is the
// only accepted way to refuse the input; a list that loads must store, load
// back and store again to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "hostlib/core/archive.h"
#include "mesh/model/point_lists.h"

namespace {

template <class TList>
std::vector<std::uint8_t> storedForm(TList& list) {
  std::vector<std::uint8_t> bytes;
  CArchive ar(bytes, CArchive::store);
  list.Serialize(ar);
  return bytes;
}

template <class TList>
void loadAndStoreAgain(std::span<const std::uint8_t> data) {
  TList list;
  try {
    CArchive ar(data);
    list.Serialize(ar);
  } catch (const CArchiveException&) {
    return;
  }
  // Every point must be reachable and of the list's kind.
  for (int i = 0; i < list.GetSize(); ++i) {
    if (list.GetPt(i) != &list[i]) std::abort();
  }
  const std::vector<std::uint8_t> first = storedForm(list);
  TList back;
  try {
    CArchive ar(first, CArchive::load);
    back.Serialize(ar);
  } catch (const CArchiveException&) {
    std::abort();
  }
  if (back.GetSize() != list.GetSize() || storedForm(back) != first) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  loadAndStoreAgain<C3DPointList>(bytes);
  loadAndStoreAgain<CUVWPointList>(bytes);
  loadAndStoreAgain<CVCPointList>(bytes);
  loadAndStoreAgain<C2DPointList>(bytes);
  loadAndStoreAgain<C3DVectorList>(bytes);
  return 0;
}
