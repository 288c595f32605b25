// Streaming archives: a store into a sink, piece by piece, and a load from
// a source whose bytes arrive a few at a time, hold exactly the bytes and
// values of the whole-buffer archives; a large block goes to the sink, or
// comes from the source, without a copy through the window; a source that
// ends early is the end of the file wherever it ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <span>
#include <string>
#include <vector>

#include "hostlib/core/archive.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class Pieces : public CArchiveSink {
 public:
  void Take(std::span<const std::uint8_t> bytes) override {
    pieces.emplace_back(bytes.begin(), bytes.end());
    from.push_back(bytes.data());
  }
  Bytes joined() const {
    Bytes all;
    for (const Bytes& piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
    return all;
  }
  std::vector<Bytes> pieces;
  std::vector<const std::uint8_t*> from;
};

// Hands out `bytes` at most `step` at a time, and notes where it wrote.
class Trickle : public CArchiveSource {
 public:
  Trickle(const Bytes& bytes, std::size_t step) : m_bytes(bytes), m_step(step) {}
  std::size_t Fill(std::uint8_t* data, std::size_t size) override {
    const std::size_t n = std::min({size, m_step, m_bytes.size() - m_at});
    if (n > 0) std::memcpy(data, m_bytes.data() + m_at, n);
    m_at += n;
    written.push_back(data);
    return n;
  }
  std::vector<const std::uint8_t*> written;

 private:
  const Bytes& m_bytes;
  std::size_t m_step;
  std::size_t m_at = 0;
};

// Values, strings, counts of every width and one large block.
void storeSample(CArchive& ar, const Bytes& block) {
  ar << std::uint8_t{7} << std::int32_t{-5} << 2.5 << 1.25f << std::string("héllo");
  ar.WriteCount(0xFFFFFu);
  for (std::uint32_t i = 0; i < 300; ++i) ar << i;
  ar.WriteCount(block.size());
  ar.Write(block.data(), block.size());
  ar << std::string("tail");
}

void loadSample(CArchive& ar, Bytes& block) {
  std::uint8_t u8 = 0;
  std::int32_t i32 = 0;
  double d = 0;
  float f = 0;
  std::string s;
  ar >> u8 >> i32 >> d >> f >> s;
  EXPECT_EQ(u8, 7);
  EXPECT_EQ(i32, -5);
  EXPECT_EQ(d, 2.5);
  EXPECT_EQ(f, 1.25f);
  EXPECT_EQ(s, "héllo");
  EXPECT_EQ(ar.ReadCount(), 0xFFFFFu);
  for (std::uint32_t i = 0; i < 300; ++i) {
    std::uint32_t v = 0;
    ar >> v;
    ASSERT_EQ(v, i);
  }
  block.resize(static_cast<std::size_t>(ar.ReadCount(1)));
  ar.ReadExact(block.data(), block.size());
  ar >> s;
  EXPECT_EQ(s, "tail");
}

Bytes sampleBlock() {
  Bytes block(5000);
  std::iota(block.begin(), block.end(), std::uint8_t{1});
  return block;
}

Bytes wholeSample() {
  Bytes bytes;
  CArchive ar(bytes, CArchive::store);
  storeSample(ar, sampleBlock());
  return bytes;
}

TEST(ArchiveStream, PiecesJoinToTheWholeArchiveAndALargeBlockGoesFromWhereItLies) {
  const Bytes block = sampleBlock();
  Pieces sink;
  {
    CArchive ar(sink, 256);
    storeSample(ar, block);
    ar.Flush();
    // Nothing is held back, so a second flush hands over nothing.
    ar.Flush();
  }
  EXPECT_EQ(sink.joined(), wholeSample());
  for (const Bytes& piece : sink.pieces) {
    EXPECT_FALSE(piece.empty());
    if (piece.size() != block.size()) {
      EXPECT_LE(piece.size(), 256u);
    }
  }
  EXPECT_NE(std::find(sink.from.begin(), sink.from.end(), block.data()), sink.from.end());
}

TEST(ArchiveStream, ALoadFromTrickledBytesReadsWhatAWholeLoadReads) {
  const Bytes whole = wholeSample();
  for (const std::size_t step : {std::size_t{1}, std::size_t{3}, std::size_t{64}, whole.size()}) {
    SCOPED_TRACE(step);
    Trickle source(whole, step);
    CArchive ar(source, whole.size(), 128);
    Bytes block;
    loadSample(ar, block);
    EXPECT_EQ(block, sampleBlock());
    EXPECT_EQ(ar.GetPosition(), whole.size());
    EXPECT_EQ(ar.Remaining(), 0u);
    std::uint8_t extra = 0;
    EXPECT_EQ(ar.Read(&extra, 1), 0u);
    // The block larger than the window came straight into its place.
    const auto inBlock = [&](const std::uint8_t* p) {
      return p >= block.data() && p < block.data() + block.size();
    };
    EXPECT_TRUE(std::any_of(source.written.begin(), source.written.end(), inBlock));
  }
}

TEST(ArchiveStream, ASourceThatEndsAnywhereIsTheEndOfTheFile) {
  const Bytes whole = wholeSample();
  for (std::size_t n = 0; n < whole.size(); n += 7) {
    SCOPED_TRACE(n);
    const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
    Trickle source(cut, 13);
    // The limit says more may come: only the source's end tells otherwise.
    CArchive ar(source, whole.size(), 128);
    Bytes block;
    try {
      loadSample(ar, block);
      ADD_FAILURE() << "read past the end";
    } catch (const CArchiveException& e) {
      EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
    }
  }
}

TEST(ArchiveStream, CountsAreCheckedAgainstTheLimitBeforeAnythingArrives) {
  Bytes bytes;
  {
    CArchive ar(bytes, CArchive::store);
    ar.WriteCount(1000);
    ar << std::string(20, 'x');
  }
  Trickle source(bytes, 2);
  CArchive ar(source, 100);
  // 1000 values of 4 bytes cannot come within 100 bytes.
  EXPECT_THROW(ar.ReadCount(4), CArchiveException);
  EXPECT_EQ(ar.GetPosition(), 2u);
  EXPECT_EQ(ar.Remaining(), 98u);
  // Nothing more was asked of the source than the count itself.
  EXPECT_LE(source.written.size(), 2u);
}

}  // namespace
