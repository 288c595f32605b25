#include "hostlib/images/bitmap_resize.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <numeric>
#include <vector>

#include "hostlib/images/bitmap.h"

namespace vex3d {
namespace {

// Overlaps along one axis, measured in units where a source pixel is
// `dstSize / g` long and a destination pixel `srcSize / g` long (g their
// gcd): every overlap is then an integer and the overlaps of one destination
// pixel add up to `total`, so the sums stay exact.
struct AxisWeights {
  std::vector<int> first;              // first source index of each destination index
  std::vector<std::uint32_t> offset;   // into weights, one more than the destination size
  std::vector<std::uint32_t> weights;  // overlap of each contributing source pixel
  std::uint32_t total = 0;
};

AxisWeights areaWeights(int srcSize, int dstSize) {
  const int g = std::gcd(srcSize, dstSize);
  const std::int64_t dstLength = srcSize / g;
  const std::int64_t srcLength = dstSize / g;
  AxisWeights w;
  w.total = static_cast<std::uint32_t>(dstLength);
  w.first.resize(static_cast<std::size_t>(dstSize));
  w.offset.resize(static_cast<std::size_t>(dstSize) + 1);
  w.weights.reserve(static_cast<std::size_t>(srcSize) + static_cast<std::size_t>(dstSize));
  for (int j = 0; j < dstSize; ++j) {
    const std::int64_t begin = j * dstLength;
    const std::int64_t end = begin + dstLength;
    int i = static_cast<int>(begin / srcLength);
    w.first[static_cast<std::size_t>(j)] = i;
    w.offset[static_cast<std::size_t>(j)] = static_cast<std::uint32_t>(w.weights.size());
    for (; i < srcSize && i * srcLength < end; ++i) {
      const std::int64_t lo = std::max(begin, i * srcLength);
      const std::int64_t hi = std::min(end, (i + 1) * srcLength);
      w.weights.push_back(static_cast<std::uint32_t>(hi - lo));
    }
  }
  w.offset.back() = static_cast<std::uint32_t>(w.weights.size());
  return w;
}

template <int kChannels>
void horizontalPass(const std::uint8_t* row, const AxisWeights& ax, int dstWidth,
                    std::uint32_t* out) {
  const std::uint32_t* weights = ax.weights.data();
  for (int x = 0; x < dstWidth; ++x) {
    const std::uint8_t* p = row + static_cast<std::size_t>(ax.first[x]) * kChannels;
    const std::uint32_t begin = ax.offset[x];
    const std::uint32_t end = ax.offset[x + 1];
    std::uint32_t acc[kChannels] = {};
    for (std::uint32_t k = begin; k < end; ++k, p += kChannels) {
      const std::uint32_t w = weights[k];
      for (int c = 0; c < kChannels; ++c) acc[c] += w * p[c];
    }
    for (int c = 0; c < kChannels; ++c) out[x * kChannels + c] = acc[c];
  }
}

using HorizontalFn = void (*)(const std::uint8_t*, const AxisWeights&, int, std::uint32_t*);

HorizontalFn horizontalFor(int channels) {
  switch (channels) {
    case 1:
      return &horizontalPass<1>;
    case 2:
      return &horizontalPass<2>;
    case 3:
      return &horizontalPass<3>;
    default:
      return &horizontalPass<4>;
  }
}

// Rounded division of the accumulated sums by the total weight: a shift when
// the total is a power of two, else a multiplication by a reciprocal whose
// estimate is at most one too large, then corrected to the exact quotient.
template <typename Acc>
void normaliseRow(const Acc* acc, std::size_t count, std::uint64_t divisor, std::uint8_t* out) {
  const std::uint64_t half = divisor / 2;
  if ((divisor & (divisor - 1)) == 0) {
    const int shift = std::countr_zero(divisor);
    for (std::size_t i = 0; i < count; ++i) {
      out[i] = static_cast<std::uint8_t>((static_cast<std::uint64_t>(acc[i]) + half) >> shift);
    }
    return;
  }
  if constexpr (sizeof(Acc) == 4) {
    // With n below 2^32 and m = ceil(2^32 / divisor), n * m / 2^32 exceeds
    // n / divisor by less than 1.
    const std::uint64_t m = ((std::uint64_t{1} << 32) + divisor - 1) / divisor;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint64_t n = acc[i] + half;
      std::uint64_t q = (n * m) >> 32;
      q -= q * divisor > n ? 1 : 0;
      out[i] = static_cast<std::uint8_t>(q);
    }
  } else {
    const double inverse = 1.0 / static_cast<double>(divisor);
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint64_t n = acc[i] + half;
      auto q = static_cast<std::uint64_t>(static_cast<double>(n) * inverse);
      if (q * divisor > n) {
        --q;
      } else if ((q + 1) * divisor <= n) {
        ++q;
      }
      out[i] = static_cast<std::uint8_t>(q);
    }
  }
}

// Halving, the antialiasing case: each output byte is the rounded mean of a
// 2 x 2 block.
template <int kChannels>
void halve(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, int dstWidth,
           int dstHeight, std::size_t dstStride) {
  for (int y = 0; y < dstHeight; ++y) {
    const std::uint8_t* top = src + static_cast<std::size_t>(2 * y) * srcStride;
    const std::uint8_t* bottom = top + srcStride;
    std::uint8_t* out = dst + static_cast<std::size_t>(y) * dstStride;
    for (int x = 0; x < dstWidth; ++x, top += 2 * kChannels, bottom += 2 * kChannels) {
      for (int c = 0; c < kChannels; ++c) {
        out[x * kChannels + c] = static_cast<std::uint8_t>(
            (unsigned{top[c]} + top[c + kChannels] + bottom[c] + bottom[c + kChannels] + 2) >> 2);
      }
    }
  }
}

using HalveFn = void (*)(const std::uint8_t*, std::size_t, std::uint8_t*, int, int, std::size_t);

HalveFn halveFor(int channels) {
  switch (channels) {
    case 1:
      return &halve<1>;
    case 2:
      return &halve<2>;
    case 3:
      return &halve<3>;
    default:
      return &halve<4>;
  }
}

// Horizontal rows of source rows, computed once each: a destination row needs
// consecutive source rows and the next one starts at most at the last of
// them, so two slots are enough both up and down.
class RowCache {
 public:
  RowCache(const std::uint8_t* src, std::size_t srcStride, const AxisWeights& ax, int dstWidth,
           int channels)
      : m_src(src),
        m_srcStride(srcStride),
        m_ax(ax),
        m_dstWidth(dstWidth),
        m_fn(horizontalFor(channels)) {
    const std::size_t len = static_cast<std::size_t>(dstWidth) * static_cast<std::size_t>(channels);
    for (auto& slot : m_slots) slot.resize(len);
  }

  const std::uint32_t* Row(int sourceRow) {
    for (int i = 0; i < 2; ++i) {
      if (m_rows[i] == sourceRow) return m_slots[i].data();
    }
    const int slot = m_rows[0] < m_rows[1] ? 0 : 1;
    m_fn(m_src + static_cast<std::size_t>(sourceRow) * m_srcStride, m_ax, m_dstWidth,
         m_slots[slot].data());
    m_rows[slot] = sourceRow;
    return m_slots[slot].data();
  }

 private:
  const std::uint8_t* m_src;
  std::size_t m_srcStride;
  const AxisWeights& m_ax;
  int m_dstWidth;
  HorizontalFn m_fn;
  std::vector<std::uint32_t> m_slots[2];
  int m_rows[2] = {-1, -1};
};

template <typename Acc>
void resizeArea(const std::uint8_t* src, std::size_t srcStride, std::uint8_t* dst, int dstWidth,
                int dstHeight, std::size_t dstStride, int channels, const AxisWeights& wx,
                const AxisWeights& wy) {
  const std::size_t len = static_cast<std::size_t>(dstWidth) * static_cast<std::size_t>(channels);
  const std::uint64_t divisor = std::uint64_t{wx.total} * wy.total;
  RowCache rows(src, srcStride, wx, dstWidth, channels);
  std::vector<Acc> acc(len);
  for (int y = 0; y < dstHeight; ++y) {
    const std::uint32_t begin = wy.offset[y];
    const std::uint32_t end = wy.offset[y + 1];
    for (std::uint32_t k = begin; k < end; ++k) {
      const std::uint32_t* h = rows.Row(wy.first[y] + static_cast<int>(k - begin));
      const Acc w = wy.weights[k];
      if (k == begin) {
        for (std::size_t i = 0; i < len; ++i) acc[i] = w * static_cast<Acc>(h[i]);
      } else {
        for (std::size_t i = 0; i < len; ++i) acc[i] += w * static_cast<Acc>(h[i]);
      }
    }
    normaliseRow(acc.data(), len, divisor, dst + static_cast<std::size_t>(y) * dstStride);
  }
}

void resizeNearest(const std::uint8_t* src, int srcWidth, int srcHeight, std::size_t srcStride,
                   std::uint8_t* dst, int dstWidth, int dstHeight, std::size_t dstStride,
                   int channels) {
  // Source pixel under the centre of each output pixel.
  std::vector<std::size_t> columns(static_cast<std::size_t>(dstWidth));
  for (int x = 0; x < dstWidth; ++x) {
    const std::int64_t sx = (2 * std::int64_t{x} + 1) * srcWidth / (2 * std::int64_t{dstWidth});
    columns[static_cast<std::size_t>(x)] =
        static_cast<std::size_t>(sx) * static_cast<std::size_t>(channels);
  }
  const auto bytes = static_cast<std::size_t>(channels);
  for (int y = 0; y < dstHeight; ++y) {
    const std::int64_t sy = (2 * std::int64_t{y} + 1) * srcHeight / (2 * std::int64_t{dstHeight});
    const std::uint8_t* in = src + static_cast<std::size_t>(sy) * srcStride;
    std::uint8_t* out = dst + static_cast<std::size_t>(y) * dstStride;
    for (std::size_t x = 0; x < columns.size(); ++x, out += bytes) {
      std::memcpy(out, in + columns[x], bytes);
    }
  }
}

bool validSide(int side) { return side >= 1 && side <= kMaxBitmapSide; }

}  // namespace

bool resizePixels(const std::uint8_t* src, int srcWidth, int srcHeight, std::size_t srcStride,
                  std::uint8_t* dst, int dstWidth, int dstHeight, std::size_t dstStride,
                  int channels, int mode) {
  if (src == nullptr || dst == nullptr || channels < 1 || channels > 4) return false;
  if (!validSide(srcWidth) || !validSide(srcHeight) || !validSide(dstWidth) ||
      !validSide(dstHeight)) {
    return false;
  }
  const auto bytes = static_cast<std::size_t>(channels);
  if (srcStride < static_cast<std::size_t>(srcWidth) * bytes ||
      dstStride < static_cast<std::size_t>(dstWidth) * bytes) {
    return false;
  }
  if (mode == kResizeNearest) {
    resizeNearest(src, srcWidth, srcHeight, srcStride, dst, dstWidth, dstHeight, dstStride,
                  channels);
    return true;
  }
  if (mode != kResizeArea) return false;
  if (srcWidth == 2 * dstWidth && srcHeight == 2 * dstHeight) {
    halveFor(channels)(src, srcStride, dst, dstWidth, dstHeight, dstStride);
    return true;
  }
  const AxisWeights wx = areaWeights(srcWidth, dstWidth);
  const AxisWeights wy = areaWeights(srcHeight, dstHeight);
  // 32-bit sums are enough unless both ratios are awkward fractions of large
  // sizes; the 64-bit path only costs wider adds.
  const std::uint64_t largest = 255 * std::uint64_t{wx.total} * wy.total;
  if (largest + std::uint64_t{wx.total} * wy.total < std::numeric_limits<std::uint32_t>::max()) {
    resizeArea<std::uint32_t>(src, srcStride, dst, dstWidth, dstHeight, dstStride, channels, wx,
                              wy);
  } else {
    resizeArea<std::uint64_t>(src, srcStride, dst, dstWidth, dstHeight, dstStride, channels, wx,
                              wy);
  }
  return true;
}

}  // namespace vex3d
