#include "mesh/algorithms/face_graph_helper.h"

#include <algorithm>

namespace {
// A set that once held a huge neighbourhood would make every later query
// pay for clearing its slots; past this size it starts small again.
constexpr std::uint32_t kLargestKeptSlots = 4093;
}  // namespace

CFaceGraphHelper::CFaceGraphHelper() = default;
CFaceGraphHelper::~CFaceGraphHelper() = default;

int* CFaceGraphHelper::GetArray(int n) {
  if (n >= m_capacity) {
    const int capacity = std::max({n + 1, 2 * m_capacity, 16});
    m_array = std::make_unique_for_overwrite<int[]>(static_cast<std::size_t>(capacity));
    m_capacity = capacity;
  }
  return m_array.get();
}

CHashTable<int>& CFaceGraphHelper::StartSet() {
  if (m_set.GetSize() > kLargestKeptSlots) {
    m_set.InitHashTable(vex3d::kDefaultHashSize);
  } else {
    m_set.Clear();
  }
  return m_set;
}

const int* CFaceGraphHelper::SetToArray(int& n) {
  n = m_set.GetCount();
  int* out = GetArray(n);
  int i = 0;
  for (int value : m_set) out[i++] = value;
  return n > 0 ? out : nullptr;
}
