#pragma once
// CSimpleCollection: many small variable-size records (the point indices of
// every face of a list, the corners around every point of a channel) in one
// byte buffer.
//
// A record is a count, a capacity (both TCount) and then `capacity` values;
// for <int, unsigned short> it takes 4 + 4 * capacity bytes. An offset table
// (32-bit byte offsets, one per record) locates the records, so a record may
// sit anywhere in the buffer. Growing a record past its capacity moves it to
// the end of the buffer with exactly the new capacity and leaves its old
// bytes as a hole; shrinking only lowers the count. When the buffer must
// grow it gains max(used / 4, one record of the default capacity) bytes
// beyond what is needed. Compact() rewrites the records tightly in record
// order with capacity equal to count.
//
// Stored form: record count (u32); when not 0: used bytes (u32), buffer
// bytes (u32), the buffer bytes, then the offsets as an array of u32 (archive
// count, then the values). Storing compacts first, so the two sizes are
// equal and every capacity equals its count.
#include <algorithm>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

#include "hostlib/containers/huge_pages.h"
#include "hostlib/core/archive.h"
#include "hostlib/core/exceptions.h"

template <class TValue, class TCount>
class CSimpleCollection;

// A view on one record: the store, the record's position, its count and its
// first value. Values move when any record of the store grows, so a view is
// refreshed (Refresh, or fetched again) before use after such a change.
template <class TValue, class TCount>
class CCollectionElement {
 public:
  using Store = CSimpleCollection<TValue, TCount>;

  CCollectionElement() = default;
  CCollectionElement(Store* store, std::uint32_t index) { Attach(store, index); }

  void Attach(Store* store, std::uint32_t index) {
    // A view bound already is only read, so that threads reading one list
    // together do not write its elements.
    if (store != nullptr && store == m_store && index == m_index &&
        m_size == store->GetRecordSize(index) && m_values == store->GetRecordValues(index)) {
      return;
    }
    m_store = store;
    m_index = index;
    Refresh();
  }
  void Refresh() {
    if (m_store == nullptr) {
      m_size = 0;
      m_values = nullptr;
      return;
    }
    m_size = m_store->GetRecordSize(m_index);
    m_values = m_store->GetRecordValues(m_index);
  }
  // Resizes the record (new values are 0) and refreshes the view.
  void ResizeRecord(std::uint32_t size) {
    m_store->SetRecordSize(m_index, size);
    Refresh();
  }

  Store* GetStore() const { return m_store; }
  std::uint32_t GetIndex() const { return m_index; }
  std::uint32_t GetSize() const { return m_size; }
  TValue* GetValues() const { return m_values; }

 protected:
  Store* m_store = nullptr;
  std::uint32_t m_index = 0;
  std::uint32_t m_size = 0;
  TValue* m_values = nullptr;
};

template <class TValue, class TCount>
class CSimpleCollection {
  static_assert(std::is_trivially_copyable_v<TValue> && std::is_default_constructible_v<TValue>);
  static_assert(std::unsigned_integral<TCount> && sizeof(TCount) <= 4);
  static_assert(alignof(TCount) <= alignof(TValue), "records would lose their alignment");
  static_assert(alignof(TValue) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);

 public:
  using Element = CCollectionElement<TValue, TCount>;

  static constexpr std::size_t kAlignment = alignof(TValue);
  static constexpr std::size_t kHeaderBytes =
      (2 * sizeof(TCount) + kAlignment - 1) / kAlignment * kAlignment;
  static constexpr std::uint32_t kMaxRecordSize = std::numeric_limits<TCount>::max();

  static constexpr std::uint64_t RecordBytes(std::uint64_t capacity) {
    return kHeaderBytes + capacity * sizeof(TValue);
  }

  explicit CSimpleCollection(std::uint32_t defaultCapacity = 4) {
    SetDefaultCapacity(defaultCapacity);
  }
  CSimpleCollection(const CSimpleCollection& other)
      : m_buffer(copyBytes(other.m_buffer.get(), other.m_used)),
        m_offsets(other.m_offsets),
        m_used(other.m_used),
        m_allocated(other.m_used),
        m_defaultCapacity(other.m_defaultCapacity) {}
  CSimpleCollection& operator=(const CSimpleCollection& other) {
    if (this != &other) {
      CSimpleCollection copy(other);
      swap(copy);
    }
    return *this;
  }
  CSimpleCollection(CSimpleCollection&& other) noexcept { swap(other); }
  CSimpleCollection& operator=(CSimpleCollection&& other) noexcept {
    if (this != &other) {
      CSimpleCollection taken(std::move(other));
      swap(taken);
    }
    return *this;
  }
  ~CSimpleCollection() = default;

  void swap(CSimpleCollection& other) noexcept {
    std::swap(m_buffer, other.m_buffer);
    std::swap(m_offsets, other.m_offsets);
    std::swap(m_used, other.m_used);
    std::swap(m_allocated, other.m_allocated);
    std::swap(m_defaultCapacity, other.m_defaultCapacity);
  }

  // Capacity of records added without one.
  void SetDefaultCapacity(std::uint32_t capacity) { m_defaultCapacity = checkedSize(capacity); }
  std::uint32_t GetDefaultCapacity() const { return m_defaultCapacity; }

  std::uint32_t GetRecordNbr() const { return static_cast<std::uint32_t>(m_offsets.size()); }
  std::uint32_t GetUsedBytes() const { return m_used; }
  std::uint32_t GetBufferBytes() const { return m_allocated; }

  // Appends a record of `count` zero values with room for max(count,
  // capacity) values (the default capacity when none is given); returns
  // its position. A size beyond TCount raises the invalid-argument exception.
  std::uint32_t AddRecord(std::uint32_t count = 0) { return AddRecord(count, m_defaultCapacity); }
  std::uint32_t AddRecord(std::uint32_t count, std::uint32_t capacity) {
    checkedSize(count);
    const std::uint32_t offset = appendRecord(count, std::max(count, checkedSize(capacity)));
    m_offsets.push_back(offset);
    return GetRecordNbr() - 1;
  }
  // Appends a record holding a copy of `values`, with no spare room.
  std::uint32_t AddRecord(const TValue* values, std::uint32_t count) {
    const std::uint32_t index = AddRecord(count, count);
    if (count > 0) std::memcpy(valuesAt(m_offsets[index]), values, count * sizeof(TValue));
    return index;
  }
  // A new record of `count` zero values at position i (0 <= i <= record
  // count); later records move up one position.
  void InsertRecord(std::uint32_t i, std::uint32_t count = 0) {
    if (i > GetRecordNbr()) AfxThrowInvalidArgException("record position out of range");
    const std::uint32_t last = AddRecord(count);
    const std::uint32_t offset = m_offsets[last];
    m_offsets.pop_back();
    m_offsets.insert(m_offsets.begin() + i, offset);
  }
  // Later records move down one position; the record's bytes stay as a hole.
  void RemoveRecord(std::uint32_t i) {
    checkedIndex(i);
    m_offsets.erase(m_offsets.begin() + i);
    if (m_offsets.empty()) m_used = 0;
  }
  // Drops trailing records (their bytes stay as holes) or appends records
  // of count 0 with the given capacity (the default one when none is given).
  void SetRecordCount(std::uint32_t n) { SetRecordCount(n, m_defaultCapacity); }
  void SetRecordCount(std::uint32_t n, std::uint32_t capacity) {
    checkedSize(capacity);
    if (n <= GetRecordNbr()) {
      m_offsets.resize(n);
      if (n == 0) m_used = 0;
      return;
    }
    reserveRecords(n - GetRecordNbr(), capacity);
    m_offsets.reserve(n);
    while (GetRecordNbr() < n) m_offsets.push_back(appendRecord(0, capacity));
  }
  // Replaces every record at once: record i takes the next sizes[i] of
  // `values`, tightly, in record order (as Compact leaves them). The sizes
  // must add up to the values given. Nothing changes when it throws.
  void AssignRecords(std::span<const std::uint32_t> sizes, std::span<const TValue> values) {
    std::uint64_t total = 0;
    std::uint64_t corners = 0;
    for (std::uint32_t size : sizes) {
      total += RecordBytes(checkedSize(size));
      corners += size;
    }
    if (corners != values.size()) AfxThrowInvalidArgException("record sizes do not match values");
    if (total > kMaxBufferBytes || sizes.size() > kMaxBufferBytes) throw std::bad_alloc();
    Offsets offsets(sizes.size());
    // Every byte is written below: no zero fill.
    Buffer buffer(total > 0 ? allocate(total) : nullptr);
    std::uint32_t at = 0;
    const TValue* next = values.data();
    for (std::size_t i = 0; i < sizes.size(); ++i) {
      const std::uint32_t size = sizes[i];
      std::byte* record = buffer.get() + at;
      std::memset(record, 0, kHeaderBytes);
      writeCount(record, size);
      writeCount(record + sizeof(TCount), size);
      if (size > 0) std::memcpy(record + kHeaderBytes, next, size * sizeof(TValue));
      next += size;
      offsets[i] = at;
      at += static_cast<std::uint32_t>(RecordBytes(size));
    }
    m_buffer = std::move(buffer);
    m_offsets = std::move(offsets);
    m_used = at;
    m_allocated = at;
  }
  // Count of record i becomes `size`; values beyond the old count are 0. A
  // record that outgrows its capacity moves to the end of the buffer.
  void SetRecordSize(std::uint32_t i, std::uint32_t size) {
    checkedSize(size);
    std::uint32_t offset = m_offsets[checkedIndex(i)];
    const std::uint32_t count = countAt(offset);
    if (size > capacityAt(offset)) {
      reserveBytes(RecordBytes(size));
      const std::uint32_t moved = appendRecord(size, size);
      std::memcpy(valuesAt(moved), valuesAt(offset), count * sizeof(TValue));
      m_offsets[i] = moved;
      return;
    }
    if (size > count) std::memset(valuesAt(offset) + count, 0, (size - count) * sizeof(TValue));
    setHeader(offset, size, capacityAt(offset));
  }
  // Makes room for `bytes` more bytes of records without growing again.
  void ReserveBytes(std::uint32_t bytes) { reserveBytes(bytes); }
  // Room for `records` records in the offset table, before adding them.
  void ReserveRecords(std::uint32_t records) { m_offsets.reserve(records); }

  std::uint32_t GetRecordSize(std::uint32_t i) const { return countAt(m_offsets[checkedIndex(i)]); }
  std::uint32_t GetRecordCapacity(std::uint32_t i) const {
    return capacityAt(m_offsets[checkedIndex(i)]);
  }
  std::uint32_t GetRecordOffset(std::uint32_t i) const { return m_offsets[checkedIndex(i)]; }
  TValue* GetRecordValues(std::uint32_t i) { return valuesAt(m_offsets[checkedIndex(i)]); }
  const TValue* GetRecordValues(std::uint32_t i) const {
    return valuesAt(m_offsets[checkedIndex(i)]);
  }
  Element GetRecord(std::uint32_t i) {
    checkedIndex(i);
    return Element(this, i);
  }

  // No records, no buffer; the default capacity stays.
  void RemoveAll() {
    m_buffer.reset();
    Offsets().swap(m_offsets);
    m_used = 0;
    m_allocated = 0;
  }

  // Records rewritten tightly in record order, capacity = count, in a buffer
  // of exactly the bytes they take.
  void Compact() {
    if (IsTight()) {
      // Already in order: only the spare bytes go, without copying records
      // (a shrinking realloc stays in place).
      resizeBuffer(m_used);
      return;
    }
    std::uint64_t total = 0;
    for (std::uint32_t offset : m_offsets) total += RecordBytes(countAt(offset));
    if (total > kMaxBufferBytes) throw std::bad_alloc();
    // Every byte is written below: no zero fill.
    Buffer tight(total > 0 ? allocate(total) : nullptr);
    std::uint32_t at = 0;
    for (std::uint32_t& offset : m_offsets) {
      const std::uint32_t count = countAt(offset);
      const std::size_t bytes = RecordBytes(count);
      std::memcpy(tight.get() + at, m_buffer.get() + offset, bytes);
      writeCount(tight.get() + at + sizeof(TCount), count);
      offset = at;
      at += static_cast<std::uint32_t>(bytes);
    }
    m_buffer = std::move(tight);
    m_used = at;
    m_allocated = at;
  }
  void FreeExtra() {
    Compact();
    m_offsets.shrink_to_fit();
  }
  // Records in record order, back to back, each with capacity = count.
  bool IsTight() const {
    std::uint64_t at = 0;
    for (std::uint32_t offset : m_offsets) {
      const std::uint32_t count = countAt(offset);
      if (offset != at || capacityAt(offset) != count) return false;
      at += RecordBytes(count);
    }
    return at == m_used;
  }

  void Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
      store(ar);
    } else {
      load(ar);
    }
  }

 private:
  static constexpr std::uint64_t kMaxBufferBytes = std::numeric_limits<std::uint32_t>::max();

  static std::uint32_t checkedSize(std::uint32_t size) {
    if (size > kMaxRecordSize) AfxThrowInvalidArgException("record size beyond its count type");
    return size;
  }
  std::uint32_t checkedIndex(std::uint32_t i) const {
    if (i >= m_offsets.size()) AfxThrowInvalidArgException("record index out of range");
    return i;
  }
  using Offsets = std::vector<std::uint32_t>;
  // Malloc'd, so that growing and shrinking can be done in place.
  struct FreeBytes {
    void operator()(std::byte* p) const { std::free(p); }
  };
  using Buffer = std::unique_ptr<std::byte[], FreeBytes>;
  static std::byte* allocate(std::uint64_t size) {
    void* p = vex3d::allocateBlock(static_cast<std::size_t>(size));
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<std::byte*>(p);
  }
  // The buffer resized to `size` bytes (at least m_used), contents kept.
  // Bytes past m_used are never read: appending a record writes all of it.
  void resizeBuffer(std::uint64_t size) {
    if (size == m_allocated) return;
    if (size == 0) {
      m_buffer.reset();
    } else {
      void* p = vex3d::resizeBlock(m_buffer.get(), m_allocated, static_cast<std::size_t>(size));
      if (p == nullptr) throw std::bad_alloc();
      (void)m_buffer.release();
      m_buffer.reset(static_cast<std::byte*>(p));
    }
    m_allocated = static_cast<std::uint32_t>(size);
  }
  static Buffer copyBytes(const std::byte* bytes, std::uint32_t size) {
    if (size == 0) return nullptr;
    Buffer copy(allocate(size));
    std::memcpy(copy.get(), bytes, size);
    return copy;
  }

  static TCount readCount(const std::byte* p) {
    TCount value;
    std::memcpy(&value, p, sizeof value);
    return value;
  }
  static void writeCount(std::byte* p, std::uint32_t value) {
    const auto narrow = static_cast<TCount>(value);
    std::memcpy(p, &narrow, sizeof narrow);
  }
  std::uint32_t countAt(std::uint32_t offset) const { return readCount(m_buffer.get() + offset); }
  std::uint32_t capacityAt(std::uint32_t offset) const {
    return readCount(m_buffer.get() + offset + sizeof(TCount));
  }
  void setHeader(std::uint32_t offset, std::uint32_t count, std::uint32_t capacity) {
    writeCount(m_buffer.get() + offset, count);
    writeCount(m_buffer.get() + offset + sizeof(TCount), capacity);
  }
  TValue* valuesAt(std::uint32_t offset) const {
    return reinterpret_cast<TValue*>(m_buffer.get() + offset + kHeaderBytes);
  }

  void reserveRecords(std::uint64_t records, std::uint32_t capacity) {
    reserveBytes(records * RecordBytes(capacity));
  }
  void reserveBytes(std::uint64_t bytes) {
    const std::uint64_t needed = m_used + bytes;
    if (needed <= m_allocated) return;
    if (needed > kMaxBufferBytes) throw std::bad_alloc();
    const std::uint64_t slack = std::max<std::uint64_t>(m_used / 4, RecordBytes(m_defaultCapacity));
    const std::uint64_t size = std::min(needed + slack, kMaxBufferBytes);
    resizeBuffer(size);
  }
  // Writes a record at the end of the used bytes; room must be reserved.
  std::uint32_t appendRecord(std::uint32_t count, std::uint32_t capacity) {
    const std::uint32_t offset = m_used;
    const std::uint64_t bytes = RecordBytes(capacity);
    reserveBytes(bytes);
    setHeader(offset, count, capacity);
    std::memset(valuesAt(offset), 0, capacity * sizeof(TValue));
    m_used = static_cast<std::uint32_t>(offset + bytes);
    return offset;
  }

  // A store that is already tight is written as it stands (its spare bytes
  // are not part of the stored form), which spares a copy of the buffer.
  void store(CArchive& ar) {
    if (!IsTight()) Compact();
    ar << GetRecordNbr();
    if (m_offsets.empty()) return;
    ar << m_used << m_used;
    ar.Write(m_buffer.get(), m_used);
    ar.WriteCount(m_offsets.size());
    for (std::uint32_t offset : m_offsets) ar << offset;
  }

  [[noreturn]] static void malformed(const char* what) {
    AfxThrowArchiveException(CArchiveException::genericException, what);
  }

  // Records that share bytes would let one record's values overwrite
  // another's header when it grows within its capacity. Stored stores are
  // compacted, so offsets normally come in order and one pass suffices.
  static void checkDisjoint(const std::byte* buffer, const Offsets& offsets) {
    auto end = [buffer](std::uint32_t offset) {
      return offset + RecordBytes(readCount(buffer + offset + sizeof(TCount)));
    };
    std::uint64_t reached = 0;
    bool ordered = true;
    for (std::uint32_t offset : offsets) {
      if (offset < reached) {
        ordered = false;
        break;
      }
      reached = end(offset);
    }
    if (ordered) return;
    std::vector<std::uint32_t> sorted(offsets.begin(), offsets.end());
    std::sort(sorted.begin(), sorted.end());
    reached = 0;
    for (std::uint32_t offset : sorted) {
      if (offset < reached) malformed("index store: records overlap");
      reached = end(offset);
    }
  }

  // Everything is read and checked before the store changes.
  void load(CArchive& ar) {
    std::uint32_t records = 0;
    ar >> records;
    if (records == 0) {
      RemoveAll();
      return;
    }
    std::uint32_t used = 0;
    std::uint32_t bufferBytes = 0;
    ar >> used >> bufferBytes;
    if (used > bufferBytes) malformed("index store: used bytes beyond the buffer");
    // New records are appended at the used end and must stay aligned.
    if (used % kAlignment != 0) malformed("index store: used bytes out of alignment");
    if (bufferBytes > ar.Remaining()) {
      AfxThrowArchiveException(CArchiveException::endOfFile, "index store: buffer truncated");
    }
    // ReadExact fills every byte: no zero fill.
    Buffer buffer(allocate(std::max<std::uint32_t>(bufferBytes, 1)));
    ar.ReadExact(buffer.get(), bufferBytes);
    const std::uint64_t count = ar.ReadCount(sizeof(std::uint32_t));
    if (count != records) malformed("index store: offset table does not match the record count");
    Offsets offsets(records);
    for (std::uint32_t& offset : offsets) {
      ar >> offset;
      if (offset % kAlignment != 0 || offset > used || used - offset < kHeaderBytes) {
        malformed("index store: record offset out of place");
      }
      const TCount recordCount = readCount(buffer.get() + offset);
      const TCount recordCapacity = readCount(buffer.get() + offset + sizeof(TCount));
      if (recordCount > recordCapacity || RecordBytes(recordCapacity) > used - offset) {
        malformed("index store: record beyond the used bytes");
      }
    }
    checkDisjoint(buffer.get(), offsets);
    m_buffer = std::move(buffer);
    m_offsets = std::move(offsets);
    m_used = used;
    m_allocated = bufferBytes;
  }

  Buffer m_buffer;
  Offsets m_offsets;
  std::uint32_t m_used = 0;
  std::uint32_t m_allocated = 0;
  std::uint32_t m_defaultCapacity = 4;
};
