#pragma once
// The time-ordered key container every scene node inherits. It owns its keys;
// several keys may share a time when their classes differ, but a time holds
// at most one key of each class.
#include <cstdint>
#include <memory>
#include <vector>

#include "animation/animatable.h"
#include "animation/keyframe.h"
#include "animation/time_range.h"
#include "vex3d_export.h"

class CArchive;

namespace vex3d {
// CreateKey flag: make a new key even when the time already holds one.
inline constexpr unsigned kCreateNewKey = 0x1;
// AddKey's answer when it refused the key.
inline constexpr std::uint32_t kNoKeyIndex = 0xFFFFFFFFu;
}  // namespace vex3d

class VEX3D_EXPORT C3DKeyframable : public C3DAnimatable {
 public:
  C3DKeyframable() = default;
  // Copies of every key at the same times.
  C3DKeyframable(const C3DKeyframable& other);
  C3DKeyframable(C3DKeyframable&&) noexcept = default;
  ~C3DKeyframable() override;

  // A single pass over the records in time order, keeping the last candidate
  // (see the flags in animatable.h): with kFindExact a key at `time`, with
  // kFindNext the first later key, otherwise with kFindPrevious the last
  // earlier key. Combined as kFindAtOrBefore the key at `time` wins over
  // earlier ones. Class 0 matches every key.
  const C3DKeyframe* GetConstKey(int time, unsigned flags, std::uint32_t classID,
                                 int* keyTime = nullptr) const override;

  // Replaces the keys by copies of the other's; answers 1.
  virtual int operator=(const C3DKeyframable& other);
  // Record count (signed 64-bit), then per record its time, the key class
  // and the key's own data. Loading replaces every key; when the archive
  // turns out bad the container is left empty.
  virtual void Serialize(CArchive& ar);
  using C3DAnimatable::GetTimeRange;
  // First and last key times of `classID` (of all keys for 0); (0, 0) when
  // there is none.
  virtual CTimeRange GetTimeRange(std::uint32_t classID) const;

  int GetKeyNbr(std::uint32_t classID = vex3d::kAnyKeyClass) const;
  // For class 0 the index-th record, raising the invalid-argument exception
  // out of range; otherwise the index-th key of that class in time order,
  // null when there are fewer. `time` receives the record's time.
  C3DKeyframe* GetKeyByIndex(int index, int* time = nullptr,
                             std::uint32_t classID = vex3d::kAnyKeyClass);
  const C3DKeyframe* GetKeyByIndex(int index, int* time = nullptr,
                                   std::uint32_t classID = vex3d::kAnyKeyClass) const;

  C3DKeyframe* GetKey(int time, unsigned flags, std::uint32_t classID, int* keyTime = nullptr);
  // Looks up a key of the class of `key` and assigns it to `key`; 1 when one
  // was found.
  int GetKey(int time, unsigned flags, C3DKeyframe& key, int* keyTime = nullptr) const;

  // Takes the key. A key of the same class already at `time` is deleted and
  // the new one takes its place; otherwise the new key goes after every
  // record up to `time`. Answers the record index, kNoKeyIndex for null.
  std::uint32_t AddKey(int time, std::unique_ptr<C3DKeyframe> key);
  std::uint32_t AddKey(int time, C3DKeyframe* key) {
    return AddKey(time, std::unique_ptr<C3DKeyframe>(key));
  }
  // Adds a copy of `key` (kNoKeyIndex for a base key, which cannot be copied).
  std::uint32_t AddKey(int time, const C3DKeyframe& key) { return AddKey(time, key.Copy()); }

  // Unless `flags` has kCreateNewKey, the key of `classID` (any class for 0)
  // already at exactly `time`; otherwise, or when there is none, a new key of
  // that class with its initial values added at `time`. Null for a class no
  // key is made of.
  C3DKeyframe* CreateKey(int time, std::uint32_t classID, unsigned flags = 0);

  // Which keys a time alone should delete is undecided, so this deletes
  // nothing and answers 0; RemoveKey names the class to delete.
  int DeleteKey(int time);
  // Deletes the key of `classID` at exactly `time` (every key there for 0);
  // answers how many were deleted.
  int RemoveKey(int time, std::uint32_t classID);
  void DeleteAllKeys();

  // Sets `key` to its class's value at `time`: interpolated between the key
  // at or before `time` and the one after it, held from the only one there
  // is before the first key or after the last. 0 when the class has no key.
  int Evaluate(int time, C3DKeyframe& key) const;

 private:
  struct KeyframeInfo {
    int time = 0;
    std::unique_ptr<C3DKeyframe> key;
  };
  using Records = std::vector<KeyframeInfo>;

  static std::uint32_t insert(Records& records, int time, std::unique_ptr<C3DKeyframe> key);
  static Records copyRecords(const Records& records);
  // Index of the record GetConstKey answers, -1 for none.
  int find(int time, unsigned flags, std::uint32_t classID) const;
  int indexOfClass(int index, std::uint32_t classID) const;

  Records m_records;
};
