#include "mesh/model/int_coord_map.h"

#include <cassert>
#include <cmath>
#include <limits>

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
  std::vector<std::uint32_t> sizes;
  for (std::size_t p = 0; p < n; ++p) {
    const vex3d::IntCell cell = CellOf(points[p]);
    // Numbers are kept one up, so that the value-initialised 0 of a new
    // entry means "not seen yet" and one lookup suffices.
    std::uint32_t& numberPlusOne = m_index[cell];
    if (numberPlusOne == 0) {
      m_cells.push_back(cell);
      sizes.push_back(0);
      numberPlusOne = static_cast<std::uint32_t>(m_cells.size());
    }
    m_pointCell[p] = numberPlusOne - 1;
    ++sizes[numberPlusOne - 1];
  }
  m_cellStart.resize(m_cells.size() + 1);
  std::uint32_t at = 0;
  for (std::size_t c = 0; c < m_cells.size(); ++c) {
    m_cellStart[c] = at;
    at += sizes[c];
  }
  m_cellStart[m_cells.size()] = at;
  // `sizes` becomes the write position of each cell; filling in point order
  // keeps each cell's points increasing.
  for (std::size_t c = 0; c < m_cells.size(); ++c) sizes[c] = m_cellStart[c];
  m_points.resize(n);
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

std::int32_t CIntCoordMap::cellNumber(const vex3d::IntCell& c) const {
  const std::uint32_t* numberPlusOne = m_index.Find(c);
  return numberPlusOne != nullptr ? static_cast<std::int32_t>(*numberPlusOne - 1) : -1;
}

const int* CIntCoordMap::Find(std::int32_t i, std::int32_t j, std::int32_t k, int& n) const {
  const std::int32_t number = cellNumber({i, j, k});
  if (number < 0) {
    n = 0;
    return nullptr;
  }
  const std::uint32_t start = m_cellStart[static_cast<std::size_t>(number)];
  n = static_cast<int>(m_cellStart[static_cast<std::size_t>(number) + 1] - start);
  return m_points.data() + start;
}

int CIntCoordMap::GetNeighbourhood(const vex3d::IntCell& c, Neighbourhood& cells) const {
  int total = 0;
  std::size_t slot = 0;
  for (int di = -1; di <= 1; ++di) {
    for (int dj = -1; dj <= 1; ++dj) {
      for (int dk = -1; dk <= 1; ++dk) {
        CellPoints& out = cells[slot++];
        out = {};
        const std::int64_t i = static_cast<std::int64_t>(c.i) + di;
        const std::int64_t j = static_cast<std::int64_t>(c.j) + dj;
        const std::int64_t k = static_cast<std::int64_t>(c.k) + dk;
        if (!inIntRange(i) || !inIntRange(j) || !inIntRange(k)) continue;
        out.points = Find(static_cast<std::int32_t>(i), static_cast<std::int32_t>(j),
                          static_cast<std::int32_t>(k), out.n);
        total += out.n;
      }
    }
  }
  return total;
}
