#include "mesh/model/point_list.h"

#include "hostlib/containers/int_map.h"
#include "hostlib/core/custom_data.h"

IMPLEMENT_DYNAMIC(CPointList, CElementArray)

CPointList::CPointList(std::size_t elementSize) : CElementArray(elementSize) {}

CPointList::~CPointList() = default;

void CPointList::RemoveAll() {
  CElementArray::RemoveAll();
  SetFlag(POINTLIST_CHANGED, 1);
}

int CPointList::UpdateList(CGeomInfo*) {
  if (!IsFlagSet(POINTLIST_CHANGED)) return 0;
  SetFlag(POINTLIST_CHANGED, 0);
  return 1;
}

void CPointList::Inherit(const CPointList& other) { m_listFlags = other.m_listFlags; }

CPointList& CPointList::operator=(const CPointList& other) {
  if (&other == this) return *this;
  if (GetRuntimeClass() == other.GetRuntimeClass()) {
    Copy(other);
  } else {
    const int n = other.GetSize();
    CElementArray::SetSize(n);
    for (int i = 0; i < n; ++i) *GetPt(i) = *other.GetPt(i);
  }
  Inherit(other);
  return *this;
}

void CPointList::SetPointsFlags(std::uint32_t mask, int on) {
  const int n = GetSize();
  for (int i = 0; i < n; ++i) GetPt(i)->SetFlags(mask, on);
}

int CPointList::GetNumberOfPoints(_POINT_PROPERTIES flag, int value) const {
  const bool wanted = value != 0;
  int count = 0;
  const int n = GetSize();
  for (int i = 0; i < n; ++i) count += GetPt(i)->IsFlagSet(flag) == wanted ? 1 : 0;
  return count;
}

int CPointList::GetNumberOfPoints(unsigned int mask, int value) const {
  const bool wanted = value != 0;
  int count = 0;
  const int n = GetSize();
  for (int i = 0; i < n; ++i) count += GetPt(i)->IsOneFlagSet(mask) == wanted ? 1 : 0;
  return count;
}

void CPointList::InvalidatePoints(CGeomInfo*, const CIntMap* keep) {
  const int n = GetSize();
  for (int i = 0; i < n; ++i) {
    if (keep == nullptr || !keep->Contains(i)) GetPt(i)->SetFlag(POINT_INVALID, 1);
  }
}

void CPointList::SavePointsIndex() {
  const int n = GetSize();
  for (int i = 0; i < n; ++i) {
    GetPt(i)->GetCustomData(1)->SetUInt(vex3d::kPointIndexKey, static_cast<std::uint32_t>(i));
  }
}
