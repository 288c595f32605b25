#include "animation/keyframable.h"

#include <algorithm>
#include <string>
#include <utility>

#include "hostlib/core/archive.h"

namespace {

// The smallest record an archive can hold: time, class id, then a vector key
// without curve or parameters (class id, empty record count, curve class id,
// point flags and three coordinates). Other kinds store more.
constexpr std::size_t kMinRecordBytes = 4 + 4 + 4 + 2 + 4 + 4 + 3 * 4;

bool matches(const C3DKeyframe& key, std::uint32_t classID) {
  return classID == vex3d::kAnyKeyClass || key.GetClassID() == classID;
}

}  // namespace

C3DKeyframable::C3DKeyframable(const C3DKeyframable& other)
    : C3DAnimatable(other), m_records(copyRecords(other.m_records)) {}

C3DKeyframable::~C3DKeyframable() = default;

const C3DKeyframe* C3DKeyframable::GetConstKey(int time, unsigned flags, std::uint32_t classID,
                                               int* keyTime) const {
  const int i = find(time, flags, classID);
  const KeyframeInfo* record = i < 0 ? nullptr : &m_records[static_cast<std::size_t>(i)];
  if (keyTime) *keyTime = record ? record->time : -1;
  return record ? record->key.get() : nullptr;
}

int C3DKeyframable::operator=(const C3DKeyframable& other) {
  // Copy first: a failed allocation then leaves this container as it was.
  if (this != &other) m_records = copyRecords(other.m_records);
  return 1;
}

void C3DKeyframable::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << static_cast<std::int64_t>(m_records.size());
    for (KeyframeInfo& record : m_records) {
      ar << static_cast<std::int32_t>(record.time) << record.key->GetClassID();
      record.key->Serialize(ar);
    }
    return;
  }
  DeleteAllKeys();
  std::int64_t count = 0;
  ar >> count;
  if (count < 1) return;
  if (static_cast<std::uint64_t>(count) > ar.Remaining() / kMinRecordBytes)
    AfxThrowArchiveException(CArchiveException::endOfFile, "key count larger than the data left");
  Records loaded;
  loaded.reserve(static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i) {
    std::int32_t time = 0;
    std::uint32_t classID = 0;
    ar >> time >> classID;
    std::unique_ptr<C3DKeyframe> key = C3DKeyframe::CreateKey(classID, 0);
    if (!key)
      AfxThrowArchiveException(CArchiveException::badIndex,
                               "unknown key class " + std::to_string(classID));
    key->Serialize(ar);
    // Records out of order or repeating a (time, class) pair are placed by
    // the same rules as keys added one by one.
    insert(loaded, time, std::move(key));
  }
  m_records = std::move(loaded);
}

CTimeRange C3DKeyframable::GetTimeRange(std::uint32_t classID) const {
  auto first = std::find_if(m_records.begin(), m_records.end(),
                            [classID](const KeyframeInfo& r) { return matches(*r.key, classID); });
  if (first == m_records.end()) return CTimeRange();
  auto last = std::find_if(m_records.rbegin(), m_records.rend(),
                           [classID](const KeyframeInfo& r) { return matches(*r.key, classID); });
  return CTimeRange(first->time, last->time);
}

int C3DKeyframable::GetKeyNbr(std::uint32_t classID) const {
  return static_cast<int>(
      std::count_if(m_records.begin(), m_records.end(),
                    [classID](const KeyframeInfo& r) { return matches(*r.key, classID); }));
}

C3DKeyframe* C3DKeyframable::GetKeyByIndex(int index, int* time, std::uint32_t classID) {
  return const_cast<C3DKeyframe*>(std::as_const(*this).GetKeyByIndex(index, time, classID));
}

const C3DKeyframe* C3DKeyframable::GetKeyByIndex(int index, int* time,
                                                 std::uint32_t classID) const {
  if (classID == vex3d::kAnyKeyClass &&
      (index < 0 || static_cast<std::size_t>(index) >= m_records.size()))
    AfxThrowInvalidArgException("key index " + std::to_string(index) + " out of range");
  const int i = indexOfClass(index, classID);
  if (i < 0) return nullptr;
  const KeyframeInfo& record = m_records[static_cast<std::size_t>(i)];
  if (time) *time = record.time;
  return record.key.get();
}

C3DKeyframe* C3DKeyframable::GetKey(int time, unsigned flags, std::uint32_t classID, int* keyTime) {
  return const_cast<C3DKeyframe*>(GetConstKey(time, flags, classID, keyTime));
}

int C3DKeyframable::GetKey(int time, unsigned flags, C3DKeyframe& key, int* keyTime) const {
  const C3DKeyframe* found = GetConstKey(time, flags, key.GetClassID(), keyTime);
  if (!found) return 0;
  key = *found;
  return 1;
}

std::uint32_t C3DKeyframable::AddKey(int time, std::unique_ptr<C3DKeyframe> key) {
  if (!key) return vex3d::kNoKeyIndex;
  return insert(m_records, time, std::move(key));
}

C3DKeyframe* C3DKeyframable::CreateKey(int time, std::uint32_t classID, unsigned flags) {
  if (!(flags & vex3d::kCreateNewKey)) {
    const int i = find(time, vex3d::kFindExact, classID);
    if (i >= 0) return m_records[static_cast<std::size_t>(i)].key.get();
  }
  std::unique_ptr<C3DKeyframe> key = C3DKeyframe::CreateKey(classID, 0);
  if (!key) return nullptr;
  C3DKeyframe* created = key.get();
  insert(m_records, time, std::move(key));
  return created;
}

int C3DKeyframable::DeleteKey(int /*time*/) { return 0; }

int C3DKeyframable::RemoveKey(int time, std::uint32_t classID) {
  const auto removed = std::erase_if(m_records, [time, classID](const KeyframeInfo& r) {
    return r.time == time && matches(*r.key, classID);
  });
  return static_cast<int>(removed);
}

void C3DKeyframable::DeleteAllKeys() { m_records.clear(); }

int C3DKeyframable::Evaluate(int time, C3DKeyframe& key) const {
  int firstTime = -1;
  int secondTime = -1;
  const C3DKeyframe* first =
      GetConstKey(time, vex3d::kFindAtOrBefore, key.GetClassID(), &firstTime);
  const C3DKeyframe* second = GetConstKey(time, vex3d::kFindNext, key.GetClassID(), &secondTime);
  if (first && second) {
    // A kind that does not interpolate (matrix keys) keeps its value; the
    // time still counts as evaluated.
    (void)key.Evaluate(*first, *second, time, CTimeRange(firstTime, secondTime));
    return 1;
  }
  if (first || second) {
    key = first ? *first : *second;
    return 1;
  }
  return 0;
}

std::uint32_t C3DKeyframable::insert(Records& records, int time, std::unique_ptr<C3DKeyframe> key) {
  // The records are sorted by time, so the ones at `time` form one run.
  auto byTime = [](const KeyframeInfo& r, int t) { return r.time < t; };
  auto it = std::lower_bound(records.begin(), records.end(), time, byTime);
  for (; it != records.end() && it->time == time; ++it) {
    if (it->key->GetClassID() == key->GetClassID()) {
      it->key = std::move(key);
      return static_cast<std::uint32_t>(it - records.begin());
    }
  }
  it = records.insert(it, KeyframeInfo{time, std::move(key)});
  return static_cast<std::uint32_t>(it - records.begin());
}

C3DKeyframable::Records C3DKeyframable::copyRecords(const Records& records) {
  Records copy;
  copy.reserve(records.size());
  for (const KeyframeInfo& record : records) {
    std::unique_ptr<C3DKeyframe> key = record.key->Copy();
    // Keys Copy cannot make (base keys) are left out.
    if (key) copy.push_back(KeyframeInfo{record.time, std::move(key)});
  }
  return copy;
}

int C3DKeyframable::find(int time, unsigned flags, std::uint32_t classID) const {
  int candidate = -1;
  const bool exactOnly = flags == vex3d::kFindExact;
  for (std::size_t i = 0; i < m_records.size(); ++i) {
    const KeyframeInfo& record = m_records[i];
    const bool match = matches(*record.key, classID);
    if (flags & vex3d::kFindExact) {
      if (match && record.time == time) candidate = static_cast<int>(i);
      if (exactOnly && record.time > time) break;
    }
    if (flags & vex3d::kFindNext) {
      if (match && record.time > time) return static_cast<int>(i);
    } else if (flags & vex3d::kFindPrevious) {
      if (record.time > time) break;
      if (match && record.time < time) candidate = static_cast<int>(i);
    }
  }
  return candidate;
}

int C3DKeyframable::indexOfClass(int index, std::uint32_t classID) const {
  if (index < 0) return -1;
  for (std::size_t i = 0; i < m_records.size(); ++i) {
    if (matches(*m_records[i].key, classID) && index-- == 0) return static_cast<int>(i);
  }
  return -1;
}
