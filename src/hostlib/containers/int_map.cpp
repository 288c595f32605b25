#include "hostlib/containers/int_map.h"

CIntMap::CIntMap(std::uint32_t slots) : CHashMap<int, int>(slots) {}
CIntMap::CIntMap(const CIntMap& other) = default;
CIntMap& CIntMap::operator=(const CIntMap& other) = default;
CIntMap::~CIntMap() = default;
