#include "animation/animatable.h"

C3DAnimatable::~C3DAnimatable() = default;

int C3DAnimatable::GetKeyTime(int time, unsigned flags, std::uint32_t classID) const {
  int keyTime = -1;
  return GetConstKey(time, flags, classID, &keyTime) ? keyTime : time;
}

CTimeRange C3DAnimatable::GetTimeRange() const { return CTimeRange(); }

const C3DKeyframe* C3DAnimatable::GetConstKey(int /*time*/, unsigned /*flags*/,
                                              std::uint32_t /*classID*/, int* keyTime) const {
  if (keyTime) *keyTime = -1;
  return nullptr;
}
