#include "hostlib/containers/simple_collection.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "hostlib/core/archive.h"

namespace {

using Store = CSimpleCollection<int, unsigned short>;

std::vector<int> recordValues(const Store& s, std::uint32_t i) {
  const int* v = s.GetRecordValues(i);
  return std::vector<int>(v, v + s.GetRecordSize(i));
}

void fill(Store& s, std::uint32_t i, std::initializer_list<int> values) {
  s.SetRecordSize(i, static_cast<std::uint32_t>(values.size()));
  std::copy(values.begin(), values.end(), s.GetRecordValues(i));
}

std::vector<std::uint8_t> stored(Store& s) {
  std::vector<std::uint8_t> bytes;
  CArchive ar(bytes, CArchive::store);
  s.Serialize(ar);
  return bytes;
}

void loadInto(Store& s, std::span<const std::uint8_t> bytes) {
  CArchive ar(bytes);
  s.Serialize(ar);
}

TEST(SimpleCollection, RecordsGrowAtTheEndAndLeaveHoles) {
  Store s;  // default capacity 4: records of 20 bytes
  EXPECT_EQ(s.AddRecord(3), 0u);
  EXPECT_EQ(s.GetUsedBytes(), 20u);
  EXPECT_EQ(s.GetBufferBytes(), 40u);  // 20 needed + max(0 / 4, 20)
  EXPECT_EQ(s.AddRecord(2), 1u);
  EXPECT_EQ(s.GetBufferBytes(), 40u);  // fits exactly
  EXPECT_EQ(s.AddRecord(1), 2u);
  EXPECT_EQ(s.GetBufferBytes(), 80u);  // 60 needed + max(40 / 4, 20)
  fill(s, 0, {1, 2, 3});
  fill(s, 1, {4, 5});
  fill(s, 2, {6});
  EXPECT_EQ(s.GetRecordOffset(1), 20u);
  EXPECT_EQ(s.GetRecordCapacity(1), 4u);

  // Within the capacity the record stays; new values are 0.
  s.SetRecordSize(0, 4);
  EXPECT_EQ(s.GetRecordOffset(0), 0u);
  EXPECT_EQ(recordValues(s, 0), (std::vector<int>{1, 2, 3, 0}));
  // Past it, the record moves to the end with exactly the new capacity.
  s.SetRecordSize(0, 6);
  EXPECT_EQ(s.GetRecordOffset(0), 60u);
  EXPECT_EQ(s.GetRecordCapacity(0), 6u);
  EXPECT_EQ(s.GetUsedBytes(), 88u);
  EXPECT_EQ(s.GetBufferBytes(), 108u);  // 88 needed + max(60 / 4, 20)
  EXPECT_EQ(recordValues(s, 0), (std::vector<int>{1, 2, 3, 0, 0, 0}));
  EXPECT_EQ(recordValues(s, 1), (std::vector<int>{4, 5}));
  EXPECT_EQ(recordValues(s, 2), (std::vector<int>{6}));

  // Shrinking lowers the count only; growing back clears what was dropped.
  s.SetRecordSize(1, 1);
  EXPECT_EQ(s.GetRecordCapacity(1), 4u);
  s.SetRecordSize(1, 2);
  EXPECT_EQ(recordValues(s, 1), (std::vector<int>{4, 0}));

  s.Compact();
  EXPECT_EQ(s.GetRecordOffset(0), 0u);
  EXPECT_EQ(s.GetRecordOffset(1), 28u);
  EXPECT_EQ(s.GetRecordOffset(2), 40u);
  EXPECT_EQ(s.GetUsedBytes(), 48u);
  EXPECT_EQ(s.GetBufferBytes(), 48u);
  for (std::uint32_t i = 0; i < 3; ++i) EXPECT_EQ(s.GetRecordCapacity(i), s.GetRecordSize(i));
  EXPECT_EQ(recordValues(s, 0), (std::vector<int>{1, 2, 3, 0, 0, 0}));
  EXPECT_EQ(recordValues(s, 2), (std::vector<int>{6}));
}

TEST(SimpleCollection, GrowingOneRecordKeepsAllOthers) {
  Store s;
  std::mt19937 rng(7);
  std::vector<std::vector<int>> expected;
  for (int r = 0; r < 500; ++r) {
    const auto n = static_cast<std::uint32_t>(rng() % 6);
    s.AddRecord(n);
    expected.emplace_back(n);
    for (std::uint32_t k = 0; k < n; ++k) {
      s.GetRecordValues(r)[k] = expected[r][k] = static_cast<int>(rng());
    }
  }
  for (int step = 0; step < 2000; ++step) {
    const auto r = static_cast<std::uint32_t>(rng() % 500);
    const auto n = static_cast<std::uint32_t>(rng() % 40);
    s.SetRecordSize(r, n);
    expected[r].resize(n, 0);
    if (n > 0) s.GetRecordValues(r)[n - 1] = expected[r][n - 1] = step;
  }
  for (std::uint32_t r = 0; r < 500; ++r) ASSERT_EQ(recordValues(s, r), expected[r]) << r;
  s.FreeExtra();
  EXPECT_EQ(s.GetUsedBytes(), s.GetBufferBytes());
  for (std::uint32_t r = 0; r < 500; ++r) ASSERT_EQ(recordValues(s, r), expected[r]) << r;
}

TEST(SimpleCollection, ViewsRecordCountsAndBadIndices) {
  Store s(3);
  s.AddRecord(2);
  const int triangle[] = {7, 8, 9};
  EXPECT_EQ(s.AddRecord(triangle, 3), 1u);
  EXPECT_EQ(s.GetRecordCapacity(1), 3u);  // copies come without spare room

  Store::Element e = s.GetRecord(1);
  EXPECT_EQ(e.GetStore(), &s);
  EXPECT_EQ(e.GetIndex(), 1u);
  ASSERT_EQ(e.GetSize(), 3u);
  EXPECT_EQ(e.GetValues()[2], 9);
  e.ResizeRecord(5);  // moves; the view follows
  EXPECT_EQ(e.GetSize(), 5u);
  EXPECT_EQ(e.GetValues()[0], 7);
  EXPECT_EQ(e.GetValues()[4], 0);

  s.SetRecordCount(5);
  EXPECT_EQ(s.GetRecordNbr(), 5u);
  EXPECT_EQ(s.GetRecordSize(4), 0u);
  EXPECT_EQ(s.GetRecordCapacity(4), 3u);
  s.SetRecordCount(6, 8);
  EXPECT_EQ(s.GetRecordCapacity(5), 8u);
  s.SetRecordCount(2);
  EXPECT_EQ(s.GetRecordNbr(), 2u);
  s.InsertRecord(0, 1);
  EXPECT_EQ(s.GetRecordSize(0), 1u);
  EXPECT_EQ(recordValues(s, 2), (std::vector<int>{7, 8, 9, 0, 0}));
  s.RemoveRecord(0);
  EXPECT_EQ(recordValues(s, 1), (std::vector<int>{7, 8, 9, 0, 0}));

  EXPECT_THROW(s.GetRecord(2), CInvalidArgException);
  EXPECT_THROW(s.GetRecordValues(2), CInvalidArgException);
  EXPECT_THROW(s.SetRecordSize(9, 1), CInvalidArgException);
  EXPECT_THROW(s.SetRecordSize(0, 65536), CInvalidArgException);
  EXPECT_THROW(s.InsertRecord(3), CInvalidArgException);
  s.SetRecordSize(0, 65535);  // the largest count fits
  EXPECT_EQ(s.GetRecordSize(0), 65535u);

  Store copy(s);
  s.RemoveAll();
  EXPECT_EQ(s.GetRecordNbr(), 0u);
  EXPECT_EQ(s.GetUsedBytes(), 0u);
  EXPECT_EQ(recordValues(copy, 1), (std::vector<int>{7, 8, 9, 0, 0}));
  Store moved(std::move(copy));
  EXPECT_EQ(moved.GetRecordNbr(), 2u);
  EXPECT_EQ(copy.GetRecordNbr(), 0u);  // NOLINT(bugprone-use-after-move)
}

TEST(SimpleCollection, StoresCompactedGoldenBytes) {
  Store s;
  fill(s, s.AddRecord(), {5, 6, 7});
  fill(s, s.AddRecord(), {9});
  s.SetRecordSize(0, 5);  // leaves a hole that storing removes
  s.SetRecordSize(0, 3);
  const std::vector<std::uint8_t> golden{
      2,  0, 0, 0,                           // records
      24, 0, 0, 0,                           // used bytes
      24, 0, 0, 0,                           // buffer bytes
      3,  0, 3, 0,                           // record 0: count 3, capacity 3
      5,  0, 0, 0, 6,  0, 0, 0, 7, 0, 0, 0,  // values 5, 6, 7
      1,  0, 1, 0,                           // record 1: count 1, capacity 1
      9,  0, 0, 0,                           // value 9
      2,  0,                                 // offset count
      0,  0, 0, 0, 16, 0, 0, 0,              // offsets
  };
  EXPECT_EQ(stored(s), golden);
  EXPECT_EQ(s.GetUsedBytes(), 24u);  // storing compacted the store itself

  Store back;
  back.AddRecord(2);
  loadInto(back, golden);
  ASSERT_EQ(back.GetRecordNbr(), 2u);
  EXPECT_EQ(recordValues(back, 0), (std::vector<int>{5, 6, 7}));
  EXPECT_EQ(recordValues(back, 1), (std::vector<int>{9}));
  EXPECT_EQ(back.GetRecordCapacity(0), 3u);
  // A loaded store keeps growing normally.
  back.SetRecordSize(1, 4);
  EXPECT_EQ(back.GetRecordOffset(1), 24u);

  Store empty;
  EXPECT_EQ(stored(empty), (std::vector<std::uint8_t>{0, 0, 0, 0}));
  loadInto(back, std::vector<std::uint8_t>{0, 0, 0, 0});
  EXPECT_EQ(back.GetRecordNbr(), 0u);
}

class SimpleCollectionMalformed : public ::testing::Test {
 protected:
  void SetUp() override {
    fill(m_source, m_source.AddRecord(), {5, 6, 7});
    fill(m_source, m_source.AddRecord(), {9});
    m_bytes = stored(m_source);
  }
  void putU32(std::size_t at, std::uint32_t v) {
    for (int b = 0; b < 4; ++b) m_bytes[at + b] = static_cast<std::uint8_t>(v >> (8 * b));
  }
  // A failed load throws and leaves the target as it was.
  void expectRejected(CArchiveException::Cause cause) {
    Store target;
    fill(target, target.AddRecord(), {42});
    try {
      loadInto(target, m_bytes);
      ADD_FAILURE() << "accepted";
    } catch (const CArchiveException& e) {
      EXPECT_EQ(e.m_cause, cause);
    }
    ASSERT_EQ(target.GetRecordNbr(), 1u);
    EXPECT_EQ(recordValues(target, 0), (std::vector<int>{42}));
  }

  Store m_source;
  std::vector<std::uint8_t> m_bytes;
};

TEST_F(SimpleCollectionMalformed, TruncationAnywhereIsEndOfFile) {
  const std::vector<std::uint8_t> whole = m_bytes;
  for (std::size_t n = 1; n < whole.size(); ++n) {
    m_bytes.assign(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
    SCOPED_TRACE(n);
    expectRejected(CArchiveException::endOfFile);
  }
}

TEST_F(SimpleCollectionMalformed, InconsistentSizesAndOffsets) {
  const std::vector<std::uint8_t> whole = m_bytes;
  putU32(4, 28);  // used bytes beyond the buffer bytes
  expectRejected(CArchiveException::genericException);
  m_bytes = whole;
  putU32(4, 0xFFFFFFF0u);
  putU32(8, 0xFFFFFFF0u);  // a buffer larger than the input: refused unread
  expectRejected(CArchiveException::endOfFile);
  m_bytes = whole;
  putU32(42, 2);  // misaligned offset
  expectRejected(CArchiveException::genericException);
  m_bytes = whole;
  putU32(42, 24);  // offset at the end of the used bytes
  expectRejected(CArchiveException::genericException);
  m_bytes = whole;
  putU32(42, 20);  // header fits, values do not
  expectRejected(CArchiveException::genericException);
  m_bytes = whole;
  m_bytes[12] = 4;  // count 4 above capacity 3
  expectRejected(CArchiveException::genericException);
  m_bytes = whole;
  m_bytes[30] = 2;  // capacity 2 runs past the used bytes
  m_bytes[28] = 2;
  expectRejected(CArchiveException::genericException);
  m_bytes = whole;
  putU32(0, 3);  // three records, two offsets
  expectRejected(CArchiveException::genericException);
  m_bytes = whole;
  m_bytes[36] = 1;  // offset table of one entry for two records
  expectRejected(CArchiveException::genericException);
  m_bytes = whole;
  putU32(0, 0xFFFFFFFFu);
  expectRejected(CArchiveException::genericException);
}

TEST_F(SimpleCollectionMalformed, RandomCorruptionNeverCrashes) {
  std::mt19937 rng(99);
  const std::vector<std::uint8_t> whole = m_bytes;
  int accepted = 0;
  for (int round = 0; round < 3000; ++round) {
    m_bytes = whole;
    const int flips = 1 + static_cast<int>(rng() % 3);
    for (int f = 0; f < flips; ++f)
      m_bytes[rng() % m_bytes.size()] = static_cast<std::uint8_t>(rng());
    Store target;
    try {
      loadInto(target, m_bytes);
      ++accepted;
      // Whatever was accepted can be walked, grown and stored again.
      for (std::uint32_t r = 0; r < target.GetRecordNbr(); ++r) {
        const int* v = target.GetRecordValues(r);
        for (std::uint32_t k = 0; k < target.GetRecordSize(r); ++k) (void)v[k];
        target.SetRecordSize(r, target.GetRecordSize(r) + 1);
      }
      stored(target);
    } catch (const CArchiveException&) {
    }
  }
  EXPECT_GT(accepted, 0);  // value bytes may change freely
}

}  // namespace

TEST(SimpleCollection, AssignRecordsLaysThemOutAsCompactDoes) {
  Store built;
  built.AddRecord(3);
  built.AddRecord(0);
  built.AddRecord(2);
  fill(built, 0, {1, 2, 3});
  fill(built, 2, {4, 5});
  built.Compact();

  Store assigned;
  assigned.AddRecord(7);
  const std::vector<std::uint32_t> sizes{3, 0, 2};
  const std::vector<int> values{1, 2, 3, 4, 5};
  assigned.AssignRecords(sizes, values);
  ASSERT_EQ(assigned.GetRecordNbr(), 3u);
  EXPECT_TRUE(assigned.IsTight());
  EXPECT_EQ(recordValues(assigned, 0), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(recordValues(assigned, 1), std::vector<int>{});
  EXPECT_EQ(recordValues(assigned, 2), (std::vector<int>{4, 5}));
  EXPECT_EQ(stored(assigned), stored(built));
}
