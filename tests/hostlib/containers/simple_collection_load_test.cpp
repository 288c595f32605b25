// Loading checks of the index store that the malformed-input cases next
// door do not reach: records sharing bytes, a used end out of alignment,
// and the byte-exact round trip of a compacted store.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "hostlib/containers/simple_collection.h"
#include "hostlib/core/archive.h"

namespace {

using Store = CSimpleCollection<int, unsigned short>;

// Stored form of a store of `records` records, written by hand: record
// count, used bytes, buffer bytes, the buffer, the offset table.
class StoreBytes {
 public:
  void u16(std::uint16_t v) {
    m_buffer.push_back(static_cast<std::uint8_t>(v));
    m_buffer.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  void i32(std::int32_t v) { put(m_buffer, static_cast<std::uint32_t>(v)); }
  // A record header then its values.
  void record(std::uint16_t count, std::uint16_t capacity, std::vector<std::int32_t> values) {
    u16(count);
    u16(capacity);
    for (std::int32_t v : values) i32(v);
  }
  std::vector<std::uint8_t> bytes(std::vector<std::uint32_t> offsets, std::uint32_t used) const {
    std::vector<std::uint8_t> out;
    put(out, static_cast<std::uint32_t>(offsets.size()));
    put(out, used);
    put(out, static_cast<std::uint32_t>(m_buffer.size()));
    out.insert(out.end(), m_buffer.begin(), m_buffer.end());
    out.push_back(static_cast<std::uint8_t>(offsets.size()));  // short archive count
    out.push_back(0);
    for (std::uint32_t o : offsets) put(out, o);
    return out;
  }
  std::uint32_t size() const { return static_cast<std::uint32_t>(m_buffer.size()); }

 private:
  static void put(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
  }
  std::vector<std::uint8_t> m_buffer;
};

std::vector<std::uint8_t> stored(Store& s) {
  std::vector<std::uint8_t> bytes;
  CArchive ar(bytes, CArchive::store);
  s.Serialize(ar);
  return bytes;
}

void load(Store& s, const std::vector<std::uint8_t>& bytes) {
  CArchive ar(bytes, CArchive::load);
  s.Serialize(ar);
}

// Refused with the generic cause, and the target keeps what it held.
void expectRefused(const std::vector<std::uint8_t>& bytes) {
  Store target;
  target.AddRecord(2);
  try {
    load(target, bytes);
    ADD_FAILURE() << "accepted";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::genericException);
  }
  EXPECT_EQ(target.GetRecordNbr(), 1u);
  EXPECT_EQ(target.GetRecordSize(0), 2u);
}

}  // namespace

TEST(SimpleCollectionLoad, WellFormedHandWrittenStoreLoads) {
  StoreBytes b;
  b.record(2, 3, {1, 2, 0});  // offset 0, 16 bytes, one spare slot
  b.record(1, 1, {7});        // offset 16, 8 bytes
  Store s;
  load(s, b.bytes({16, 0}, b.size()));  // records may sit in any order
  ASSERT_EQ(s.GetRecordNbr(), 2u);
  EXPECT_EQ(s.GetRecordValues(0)[0], 7);
  EXPECT_EQ(s.GetRecordCapacity(1), 3u);
}

TEST(SimpleCollectionLoad, OverlappingRecordsAreRefused) {
  StoreBytes b;
  b.record(2, 3, {1, 2, 0});  // bytes 0 to 16
  b.record(1, 1, {7});        // bytes 16 to 24
  // Both offsets on one record: growing one within its capacity would write
  // into the other.
  expectRefused(b.bytes({0, 0}, b.size()));
  // A record starting inside another, met in increasing order and out of
  // it: the value 0 at byte 12 reads as an empty record of 4 bytes within
  // the first record's values.
  expectRefused(b.bytes({0, 12}, b.size()));
  expectRefused(b.bytes({12, 0}, b.size()));
  // Overlap that only shows once the offsets are sorted.
  expectRefused(b.bytes({16, 0, 12}, b.size()));
  // Adjacent records are fine in either order.
  Store ok;
  load(ok, b.bytes({16, 0}, b.size()));
  EXPECT_EQ(ok.GetRecordNbr(), 2u);
}

TEST(SimpleCollectionLoad, UsedBytesOutOfAlignmentAreRefused) {
  StoreBytes b;
  b.record(1, 1, {5});
  b.record(1, 1, {6});
  b.u16(0);  // two spare bytes, so that a misaligned used end stays in range
  // Records appended after loading would start at byte 18 and be misaligned.
  expectRefused(b.bytes({0, 8}, 18));
  expectRefused(b.bytes({0, 8}, 17));
  Store ok;
  load(ok, b.bytes({0, 8}, 16));
  EXPECT_EQ(ok.GetUsedBytes(), 16u);
  EXPECT_EQ(ok.GetBufferBytes(), 18u);
  // The loaded store appends at its used end, aligned.
  ok.AddRecord(1);
  EXPECT_EQ(ok.GetRecordOffset(2), 16u);
}

TEST(SimpleCollectionLoad, CompactedStoreRoundTripsByteExact) {
  Store s(3);
  for (std::uint32_t r = 0; r < 50; ++r) {
    s.AddRecord(r % 7);
    for (std::uint32_t k = 0; k < r % 7; ++k)
      s.GetRecordValues(r)[k] = static_cast<int>(r * 100 + k);
  }
  s.SetRecordSize(3, 40);  // a hole, then storing compacts
  s.SetRecordSize(5, 0);
  const std::vector<std::uint8_t> first = stored(s);
  Store back;
  load(back, first);
  EXPECT_EQ(back.GetUsedBytes(), back.GetBufferBytes());
  const std::vector<std::uint8_t> second = stored(back);
  EXPECT_EQ(second, first);
  // Loading the same bytes again over a filled store gives the same bytes.
  load(back, second);
  EXPECT_EQ(stored(back), first);
}
