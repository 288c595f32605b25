#pragma once
// CPointList: the element array behind meshes and channels. Points are kept
// by value; the concrete list (PointListOf<T> below) decides their class.
#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>

#include "hostlib/containers/association_map.h"
#include "hostlib/containers/element_array.h"
#include "hostlib/core/archive.h"
#include "math/point.h"
#include "mesh/model/edge.h"
#include "vex3d_export.h"

class CFaceList;
class CGeomInfo;
class CIntMap;

enum _POINTLIST_PROPERTIES : std::uint32_t {
  POINTLIST_CHANGED = 0x01,  // derived data is older than the points
};

class VEX3D_EXPORT CPointList : public CElementArray {
  DECLARE_DYNAMIC(CPointList)

 public:
  explicit CPointList(std::size_t elementSize);
  ~CPointList() override;
  CPointList(const CPointList&) = delete;

  // Empties the list and marks it changed.
  void RemoveAll() override;
  // Clears POINTLIST_CHANGED and answers 1 when it was set, else 0.
  virtual int UpdateList(CGeomInfo* geom);
  // Copies the list flags.
  virtual void Inherit(const CPointList& other);
  // Same class: element copy. Otherwise each point is assigned through the
  // exchange form, so a UVW list can be filled from a 3D one.
  virtual CPointList& operator=(const CPointList& other);

  void SetFlag(_POINTLIST_PROPERTIES flag, int on) {
    if (on)
      m_listFlags |= flag;
    else
      m_listFlags &= ~static_cast<std::uint32_t>(flag);
  }
  bool IsFlagSet(_POINTLIST_PROPERTIES flag) const { return (m_listFlags & flag) == flag; }
  std::uint32_t GetListFlags() const { return m_listFlags; }

  // Point i as its base class; out of range raises the invalid-argument
  // exception.
  CPt* GetPt(int i) { return ptAt(CElementArray::ElementAt(i)); }
  const CPt* GetPt(int i) const { return ptAt(const_cast<void*>(CElementArray::ElementAt(i))); }

  void SetPointsFlags(std::uint32_t mask, int on);
  // Points whose all-bits test of `flag` equals `value` (as a truth value).
  int GetNumberOfPoints(_POINT_PROPERTIES flag, int value) const;
  // Points whose any-bit test of `mask` equals `value`.
  int GetNumberOfPoints(unsigned int mask, int value) const;
  // Every point whose index is not a key of `keep` gets POINT_INVALID.
  void InvalidatePoints(CGeomInfo* geom, const CIntMap* keep);
  // Records each point's index under 'POOI' so that it can be traced back
  // after renumbering.
  void SavePointsIndex();
  // Removes the points no valid face uses (with a face list; without one,
  // the points already marked POINT_INVALID) and fills `remap` with old ->
  // new index for every kept point. 0 when every point stays (the remap is
  // then emptied), else 1.
  int Clean(const CFaceList* faces, CIntMap* remap);
  // POINT_BORDER on both ends of every edge of the graph used by exactly
  // one face, POINT_INNER_EDGE on those of every other edge; both flags are
  // cleared everywhere first.
  void SetBorderPointsStatus(const CAssociationMap<C3DEdge>* edgeGraph);

 protected:
  virtual CPt* ptAt(void* element) const = 0;

 private:
  std::uint32_t m_listFlags = 0;
};

namespace vex3d {

constexpr std::uint32_t kPointIndexKey = 0x504F4F49;  // 'POOI'

// Element hooks and typed access for a list of TPoint.
template <class TPoint>
class PointListOf : public CPointList {
 public:
  using Point = TPoint;

  PointListOf() : CPointList(sizeof(TPoint)) {}
  // The hooks stop dispatching here once this destructor has run, so the
  // points (and their parameter records) go now.
  ~PointListOf() override { CElementArray::SetSize(0); }
  using CPointList::operator=;

  TPoint& ElementAt(int i) { return *static_cast<TPoint*>(CElementArray::ElementAt(i)); }
  const TPoint& ElementAt(int i) const {
    return *static_cast<const TPoint*>(CElementArray::ElementAt(i));
  }
  TPoint& operator[](int i) { return ElementAt(i); }
  const TPoint& operator[](int i) const { return ElementAt(i); }
  TPoint GetAt(int i) const { return ElementAt(i); }
  void SetAt(int i, const TPoint& p) { ElementAt(i) = p; }
  int Add(const TPoint& p) { return CElementArray::Add(&p); }
  TPoint* GetData() { return static_cast<TPoint*>(CElementArray::GetData()); }
  const TPoint* GetData() const { return static_cast<const TPoint*>(CElementArray::GetData()); }

  void ConstructElement(void* element) override { ::new (element) TPoint(); }
  void DestructElement(void* element) override { static_cast<TPoint*>(element)->~TPoint(); }
  void ConstructElements(void* first, int count) override {
    if constexpr (std::is_nothrow_default_constructible_v<TPoint>) {
      auto* element = static_cast<TPoint*>(first);
      for (int i = 0; i < count; ++i) ::new (element + i) TPoint();
    } else {
      CElementArray::ConstructElements(first, count);
    }
  }
  void DestructElements(void* first, int count) override {
    // Qualified: the class is known, no virtual call per element.
    auto* element = static_cast<TPoint*>(first);
    for (int i = 0; i < count; ++i) element[i].TPoint::~TPoint();
  }
  void CopyElement(void* destination, const void* source) override {
    if (destination != source) {
      *static_cast<TPoint*>(destination) = *static_cast<const TPoint*>(source);
    }
  }
  void SerializeElement(CArchive& ar, void* element) override {
    static_cast<TPoint*>(element)->Serialize(ar);
  }

 protected:
  CPt* ptAt(void* element) const override { return static_cast<TPoint*>(element); }
};

}  // namespace vex3d
