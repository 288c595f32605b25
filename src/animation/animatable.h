#pragma once
// What the viewer and the commands ask of anything that holds keys: a single
// node's key container, or the whole scene combining its nodes' answers.
#include <cstdint>

#include "animation/time_range.h"
#include "vex3d_export.h"

class C3DKeyframe;

namespace vex3d {
// Key selection flags; they combine (kFindAtOrBefore is previous | exact).
inline constexpr unsigned kFindPrevious = 0x1;  // the last key strictly before the time
inline constexpr unsigned kFindNext = 0x2;      // the first key strictly after the time
inline constexpr unsigned kFindExact = 0x4;     // a key at the time
inline constexpr unsigned kFindAtOrBefore = kFindPrevious | kFindExact;
// Key class id matching every class.
inline constexpr std::uint32_t kAnyKeyClass = 0;
}  // namespace vex3d

class VEX3D_EXPORT C3DAnimatable {
 public:
  C3DAnimatable() = default;
  C3DAnimatable(const C3DAnimatable&) = default;
  C3DAnimatable& operator=(const C3DAnimatable&) = default;
  virtual ~C3DAnimatable();

  // The time of the key GetConstKey finds, or `time` itself when none.
  virtual int GetKeyTime(int time, unsigned flags, std::uint32_t classID) const;
  // Holds no keys: (0, 0).
  virtual CTimeRange GetTimeRange() const;
  // Holds no keys: null, and -1 in `keyTime` when given.
  virtual const C3DKeyframe* GetConstKey(int time, unsigned flags, std::uint32_t classID,
                                         int* keyTime = nullptr) const;
};
