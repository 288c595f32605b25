#include "mesh/model/int_coord_map.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

#include "hostlib/containers/prefetch.h"

namespace {

// Lowest index of a non-NaN coordinate: two above kNaNCell, so that no
// neighbour of a real cell is the NaN cell.
constexpr std::int32_t kMinCell = CIntCoordMap::kNaNCell + 2;
constexpr std::int32_t kMaxCell = std::numeric_limits<std::int32_t>::max();

bool inIntRange(std::int64_t v) {
  return v >= std::numeric_limits<std::int32_t>::min() && v <= kMaxCell;
}

}  // namespace

CIntCoordMap::CIntCoordMap(const C3DPoint* points, int count, double cellSize)
    : m_cellSize(cellSize > 0.0 && std::isfinite(cellSize) ? cellSize : 0.0) {
  assert(count >= 0 && (count == 0 || points != nullptr));
  const auto n = static_cast<std::size_t>(count);
  m_pointCell.resize(n);
  // Welding inputs repeat each position a few times: start at a quarter of
  // the points and double from there.
  reserveCells(n / 4);
  std::vector<std::uint32_t> sizes;
  // Cells are computed and their slots prefetched a batch ahead of the
  // insertions, so that the cache misses of a batch overlap.
  constexpr std::size_t kBatch = 16;
  vex3d::IntCell cells[kBatch];
  std::size_t homes[kBatch];
  for (std::size_t base = 0; base < n; base += kBatch) {
    const std::size_t m = std::min(kBatch, n - base);
    reserveCells(m);  // no growth inside the batch: the homes stay valid
    for (std::size_t t = 0; t < m; ++t) {
      cells[t] = CellOf(points[base + t]);
      homes[t] = homeSlot(cells[t]);
      prefetchSlot(homes[t]);
    }
    for (std::size_t t = 0; t < m; ++t) {
      const std::uint32_t number = insert(cells[t], homes[t]);
      if (number == sizes.size()) sizes.push_back(0);
      m_pointCell[base + t] = number;
      ++sizes[number];
    }
  }
  // Each cell becomes a record of m_points: its point count, then its
  // points. The slots then hold the record's position instead of the cell
  // number, so that a lookup reads the count next to the points.
  std::uint32_t at = 0;
  for (std::uint32_t& size : sizes) {
    const std::uint32_t inCell = size;
    size = at;
    at += 1 + inCell;
  }
  m_points.resize(at);
  for (Slot& slot : m_slots) {
    if (slot.valuePlusOne == 0) continue;
    const std::uint32_t record = sizes[slot.valuePlusOne - 1];
    slot.valuePlusOne = record + 1;
  }
  for (std::size_t c = 0; c < sizes.size(); ++c) {
    const std::uint32_t next = c + 1 < sizes.size() ? sizes[c + 1] : at;
    m_points[sizes[c]] = static_cast<int>(next - sizes[c] - 1);
    ++sizes[c];  // where the cell's next point goes
  }
  // Point order within each cell.
  for (std::size_t p = 0; p < n; ++p) m_points[sizes[m_pointCell[p]]++] = static_cast<int>(p);
}

CIntCoordMap::~CIntCoordMap() = default;

double CIntCoordMap::CellSizeFor(double diagonal, float tolerance) {
  const double t = tolerance == 0.0f ? 0.001 : std::fabs(static_cast<double>(tolerance));
  return diagonal * t / 50.0 * 0.5;
}

std::int32_t CIntCoordMap::CellIndex(float v) const {
  if (std::isnan(v)) return kNaNCell;
  if (m_cellSize == 0.0) {
    if (std::isfinite(v)) return 0;
    return v > 0.0f ? kMaxCell : kMinCell;
  }
  const double q = static_cast<double>(v) / m_cellSize;
  if (q >= kMaxCell) return kMaxCell;
  if (q <= kMinCell) return kMinCell;
  return static_cast<std::int32_t>(q);  // truncates toward zero
}

vex3d::IntCell CIntCoordMap::GetPointCell(int i) const {
  assert(i >= 0 && i < GetPointNbr());
  return m_cells[m_pointCell[static_cast<std::size_t>(i)]];
}

std::size_t CIntCoordMap::homeSlot(const vex3d::IntCell& c) const {
  // Neighbouring cells differ by 1 in one index (and a whole plane shares
  // i + j + k): every index is spread over all 64 bits before the top bits
  // pick the slot.
  std::uint64_t h = static_cast<std::uint32_t>(c.i) * 0x9E3779B97F4A7C15ull;
  h ^= static_cast<std::uint32_t>(c.j) * 0xC2B2AE3D27D4EB4Full;
  h ^= static_cast<std::uint32_t>(c.k) * 0x165667B19E3779F9ull;
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  return static_cast<std::size_t>(h >> m_shift);
}

void CIntCoordMap::prefetchSlot(std::size_t slot) const { vex3d::prefetchForRead(&m_slots[slot]); }

std::int64_t CIntCoordMap::probe(const vex3d::IntCell& c, std::size_t home) const {
  const std::size_t mask = m_slots.size() - 1;
  for (std::size_t s = home;; s = (s + 1) & mask) {
    const Slot& slot = m_slots[s];
    if (slot.valuePlusOne == 0) return -1;
    if (slot.cell == c) return static_cast<std::int64_t>(slot.valuePlusOne) - 1;
  }
}

std::uint32_t CIntCoordMap::insert(const vex3d::IntCell& c, std::size_t home) {
  const std::size_t mask = m_slots.size() - 1;
  for (std::size_t s = home;; s = (s + 1) & mask) {
    Slot& slot = m_slots[s];
    if (slot.valuePlusOne == 0) {
      m_cells.push_back(c);
      slot.cell = c;
      slot.valuePlusOne = static_cast<std::uint32_t>(m_cells.size());
      return slot.valuePlusOne - 1;
    }
    if (slot.cell == c) return slot.valuePlusOne - 1;
  }
}

void CIntCoordMap::reserveCells(std::size_t more) {
  const std::size_t wanted = 2 * (m_cells.size() + more);
  if (wanted <= m_slots.size()) return;
  std::size_t size = 16;
  int bits = 4;
  while (size < wanted) {
    size *= 2;
    ++bits;
  }
  m_slots.assign(size, Slot{});
  m_shift = 64 - bits;
  // Numbers are kept: the cells go back in number order.
  for (std::size_t number = 0; number < m_cells.size(); ++number) {
    const vex3d::IntCell& c = m_cells[number];
    for (std::size_t s = homeSlot(c);; s = (s + 1) & (size - 1)) {
      if (m_slots[s].valuePlusOne == 0) {
        m_slots[s] = {c, static_cast<std::uint32_t>(number + 1)};
        break;
      }
    }
  }
}

const int* CIntCoordMap::Find(std::int32_t i, std::int32_t j, std::int32_t k, int& n) const {
  const vex3d::IntCell c{i, j, k};
  const std::int64_t record = m_slots.empty() ? -1 : probe(c, homeSlot(c));
  if (record < 0) {
    n = 0;
    return nullptr;
  }
  const int* counted = m_points.data() + record;
  n = counted[0];
  return counted + 1;
}

int CIntCoordMap::GetNeighbourhood(const vex3d::IntCell& c, Neighbourhood& cells) const {
  // Passes that each prefetch what the next one reads: the 27 slots, then
  // the records of the cells found. The misses of a pass overlap.
  std::array<std::int64_t, 27> records;
  std::array<vex3d::IntCell, 27> keys;
  std::array<std::size_t, 27> homes;
  std::size_t slot = 0;
  for (int di = -1; di <= 1; ++di) {
    for (int dj = -1; dj <= 1; ++dj) {
      for (int dk = -1; dk <= 1; ++dk, ++slot) {
        records[slot] = -1;
        const std::int64_t i = static_cast<std::int64_t>(c.i) + di;
        const std::int64_t j = static_cast<std::int64_t>(c.j) + dj;
        const std::int64_t k = static_cast<std::int64_t>(c.k) + dk;
        if (m_slots.empty() || !inIntRange(i) || !inIntRange(j) || !inIntRange(k)) continue;
        keys[slot] = {static_cast<std::int32_t>(i), static_cast<std::int32_t>(j),
                      static_cast<std::int32_t>(k)};
        homes[slot] = homeSlot(keys[slot]);
        prefetchSlot(homes[slot]);
        records[slot] = 0;
      }
    }
  }
  for (std::size_t s = 0; s < 27; ++s) {
    if (records[s] < 0) continue;
    records[s] = probe(keys[s], homes[s]);
    if (records[s] >= 0) vex3d::prefetchForRead(m_points.data() + records[s]);
  }
  int total = 0;
  for (std::size_t s = 0; s < 27; ++s) {
    cells[s] = {};
    if (records[s] < 0) continue;
    const int* counted = m_points.data() + records[s];
    cells[s].points = counted + 1;
    cells[s].n = counted[0];
    total += counted[0];
  }
  return total;
}
