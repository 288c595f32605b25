#pragma once
// CIntCoordMap: the points of a list sorted into cubic cells of one size, so
// that welding and the symmetry search look only at a point's own cell and
// its neighbours instead of at every other point.
//
// Cell coordinates are the quotients coordinate / cell size truncated toward
// zero, so the cells on either side of 0 share index 0 and are twice as wide
// as the others; welding results depend on that, keep it. Quotients beyond
// the int range are clamped; a NaN coordinate gets the index kNaNCell, which
// no finite or infinite coordinate reaches nor neighbours.
//
// Built in time linear in the point count: one hash lookup per point, then
// the point indices laid out cell by cell in one array. The cell hash is an
// open-addressing table of its own rather than CHashMap: a weld asks for 27
// cells per point, so lookups are issued in batches with the table slots
// prefetched, and the table grows by powers of two without a division per
// probe.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "math/point3d.h"
#include "vex3d_export.h"

namespace vex3d {

struct IntCell {
  std::int32_t i = 0;
  std::int32_t j = 0;
  std::int32_t k = 0;
  friend bool operator==(const IntCell&, const IntCell&) = default;
};

}  // namespace vex3d

class VEX3D_EXPORT CIntCoordMap {
 public:
  static constexpr std::int32_t kNaNCell = INT32_MIN;

  // Cells of `cellSize` (0, negative or not finite: every finite point in
  // cell (0, 0, 0)) for the `count` points.
  CIntCoordMap(const C3DPoint* points, int count, double cellSize);
  CIntCoordMap(const CIntCoordMap&) = delete;
  CIntCoordMap& operator=(const CIntCoordMap&) = delete;
  ~CIntCoordMap();

  // The cell size behind a tolerance for points whose box has this diagonal:
  // diagonal x t / 50 x 0.5, with t = 0.001 for a tolerance of 0.
  static double CellSizeFor(double diagonal, float tolerance);

  // 0 when every finite point shares one cell.
  double GetCellSize() const { return m_cellSize; }
  int GetPointNbr() const { return static_cast<int>(m_pointCell.size()); }
  int GetCellNbr() const { return static_cast<int>(m_cells.size()); }
  // Bytes the map holds, for memory reports.
  std::size_t GetMemoryBytes() const {
    return m_slots.capacity() * sizeof(Slot) + m_cells.capacity() * sizeof(vex3d::IntCell) +
           m_points.capacity() * sizeof(int) + m_pointCell.capacity() * sizeof(std::uint32_t);
  }

  // Index of one coordinate along any axis.
  std::int32_t CellIndex(float v) const;
  vex3d::IntCell CellOf(const C3DPoint& p) const {
    return {CellIndex(p.x), CellIndex(p.y), CellIndex(p.z)};
  }
  // Cell number c (0 <= c < GetCellNbr()), in order of first use.
  const vex3d::IntCell& GetCell(int c) const { return m_cells[static_cast<std::size_t>(c)]; }
  // Cell of point i of the list the map was built from; i must be in range.
  vex3d::IntCell GetPointCell(int i) const;

  // Brings the table slot of cell c towards the cache, so that a Find issued
  // a little later, after other work, does not wait for it.
  void PrefetchCell(const vex3d::IntCell& c) const {
    if (!m_slots.empty()) prefetchSlot(homeSlot(c));
  }
  // The points of cell (i, j, k) in increasing order, n of them; null with
  // n = 0 for an empty cell. Valid as long as the map.
  const int* Find(std::int32_t i, std::int32_t j, std::int32_t k, int& n) const;
  const int* Find(const vex3d::IntCell& c, int& n) const { return Find(c.i, c.j, c.k, n); }

  // The points of one cell, as Find gives them.
  struct CellPoints {
    const int* points = nullptr;
    int n = 0;
  };
  using Neighbourhood = std::array<CellPoints, 27>;
  // Where the centre cell sits in a Neighbourhood.
  static constexpr std::size_t kOwnCell = 13;
  // The 27 cells around `c` (offsets -1, 0, +1 on each axis; i slowest, k
  // fastest); returns the number of points they hold together. Offsets
  // beyond the int range give empty cells.
  int GetNeighbourhood(const vex3d::IntCell& c, Neighbourhood& cells) const;

 private:
  // An empty slot has valuePlusOne 0. While the map is built the value is
  // the cell's number, afterwards the position of the cell's record in
  // m_points.
  struct Slot {
    vex3d::IntCell cell;
    std::uint32_t valuePlusOne = 0;
  };

  std::size_t homeSlot(const vex3d::IntCell& c) const;
  void prefetchSlot(std::size_t slot) const;
  // The value of cell c looked up from its home slot, or -1.
  std::int64_t probe(const vex3d::IntCell& c, std::size_t home) const;
  // Number of cell c, which gets the next number when it is new.
  std::uint32_t insert(const vex3d::IntCell& c, std::size_t home);
  // Room for `more` new cells without passing half full.
  void reserveCells(std::size_t more);

  double m_cellSize = 0.0;
  std::vector<Slot> m_slots;               // a power of two of them, at most half used
  int m_shift = 64;                        // 64 - log2(slot count)
  std::vector<vex3d::IntCell> m_cells;     // by number
  std::vector<int> m_points;               // per cell: its point count, then its points
  std::vector<std::uint32_t> m_pointCell;  // cell number of each point
};
