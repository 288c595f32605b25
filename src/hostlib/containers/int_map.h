#pragma once
// CIntMap: int -> int, the map behind index remaps and symmetry maps. A
// class of its own so that maps with a meaning can derive from it.
#include "hostlib/containers/hash_map.h"
#include "hostlib/hostlib_export.h"

class VEXHOST_EXPORT CIntMap : public CHashMap<int, int> {
 public:
  explicit CIntMap(std::uint32_t slots = vex3d::kDefaultHashSize);
  CIntMap(const CIntMap& other);
  CIntMap& operator=(const CIntMap& other);
  virtual ~CIntMap();
};
