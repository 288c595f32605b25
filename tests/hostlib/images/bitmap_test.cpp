#include "hostlib/images/bitmap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "hostlib/core/exceptions.h"
#include "hostlib/images/bitmap_resize.h"
#include "hostlib/images/frame_bitmap.h"
#include "hostlib/images/layer_bitmap.h"
#include "hostlib/images/ntbitmap.h"

namespace {

using vex3d::kBitmapAlpha;
using vex3d::kBitmapAnyType;
using vex3d::kBitmapGray;
using vex3d::kBitmapRgb;
using vex3d::kBitmapRgba;
using vex3d::kResizeArea;
using vex3d::kResizeNearest;

std::unique_ptr<Bitmap> makeBitmap(int type, int width, int height,
                                   const std::vector<std::uint8_t>& bytes) {
  std::unique_ptr<Bitmap> b(Bitmap::Create(type, width, height));
  EXPECT_EQ(b->GetByteSize(), bytes.size());
  std::memcpy(b->GetBits(), bytes.data(), bytes.size());
  return b;
}

std::vector<std::uint8_t> bytesOf(const Bitmap& b) {
  return {b.GetBits(), b.GetBits() + b.GetByteSize()};
}

std::vector<std::uint8_t> randomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::uint8_t> v(n);
  for (auto& x : v) x = static_cast<std::uint8_t>(rng() & 0xFF);
  return v;
}

// Straightforward area-weighted mean of output pixel (x, y), channel c, in
// doubles, to check the integer resampler against.
double referenceArea(const std::uint8_t* src, int sw, int sh, int ch, int dw, int dh, int x, int y,
                     int c) {
  const double fx = double(sw) / dw, fy = double(sh) / dh;
  double sum = 0;
  for (int sy = int(y * fy); sy < sh && sy < (y + 1) * fy; ++sy) {
    const double oy = std::min(sy + 1.0, (y + 1) * fy) - std::max(double(sy), y * fy);
    for (int sx = int(x * fx); sx < sw && sx < (x + 1) * fx; ++sx) {
      const double ox = std::min(sx + 1.0, (x + 1) * fx) - std::max(double(sx), x * fx);
      sum += ox * oy * src[(std::size_t(sy) * sw + sx) * ch + c];
    }
  }
  return sum / (fx * fy);
}

TEST(BitmapResize, AreaTwoByTwoToOneIsRoundedMean) {
  auto b = makeBitmap(kBitmapRgba, 2, 2,
                      {10, 0, 255, 0,                     //
                       20, 1, 255, 255, 30, 2, 255, 255,  //
                       41, 2, 254, 255});
  ASSERT_TRUE(b->Resize(1, 1, kResizeArea));
  EXPECT_EQ(b->GetWidth(), 1);
  EXPECT_EQ(b->GetHeight(), 1);
  // 101 / 4 = 25.25, 5 / 4 = 1.25, 1019 / 4 = 254.75, 765 / 4 = 191.25
  EXPECT_EQ(bytesOf(*b), (std::vector<std::uint8_t>{25, 1, 255, 191}));
}

TEST(BitmapResize, AreaMatchesExactReferenceForAnyRatio) {
  const int sizes[][4] = {{7, 5, 3, 2}, {5, 7, 9, 11}, {16, 9, 5, 4}, {13, 17, 13, 4},
                          {3, 3, 8, 8}, {12, 8, 6, 4}, {8, 6, 2, 3},  {37, 23, 16, 11}};
  unsigned seed = 1;
  for (const auto& s : sizes) {
    for (int ch : {1, 3, 4}) {
      const int type = ch == 1 ? kBitmapGray : ch == 3 ? kBitmapRgb : kBitmapRgba;
      const auto src = randomBytes(std::size_t(s[0]) * s[1] * ch, seed++);
      auto b = makeBitmap(type, s[0], s[1], src);
      ASSERT_TRUE(b->Resize(s[2], s[3], kResizeArea));
      double meanSrc = 0, meanDst = 0;
      for (int y = 0; y < s[3]; ++y) {
        for (int x = 0; x < s[2]; ++x) {
          for (int c = 0; c < ch; ++c) {
            const double ref = referenceArea(src.data(), s[0], s[1], ch, s[2], s[3], x, y, c);
            const int got = b->GetLine(y)[x * ch + c];
            meanDst += got;
            ASSERT_LE(std::abs(got - ref), 0.5 + 1e-9)
                << s[0] << "x" << s[1] << " -> " << s[2] << "x" << s[3] << " ch " << ch;
          }
        }
      }
      for (auto v : src) meanSrc += v;
      EXPECT_NEAR(meanDst / double(b->GetByteSize()), meanSrc / double(src.size()), 0.5);
    }
  }
}

TEST(BitmapResize, AreaStaysExactWhenSumsNeedSixtyFourBits) {
  // 65536 -> 65535 and 258 -> 257 share no factor: the total weight per output
  // pixel is 65536 * 258, and 255 times that overflows 32 bits.
  const int sw = 65536, sh = 258, dw = 65535, dh = 257;
  std::vector<std::uint8_t> src(std::size_t(sw) * sh, 255);
  for (int y = 0; y < sh; ++y) {
    for (int x = 0; x < sw; ++x) {
      if (x % 97 == 0 || y % 31 == 0) src[std::size_t(y) * sw + x] = std::uint8_t(x * 7 + y * 13);
    }
  }
  std::vector<std::uint8_t> dst(std::size_t(dw) * dh);
  ASSERT_TRUE(vex3d::resizePixels(src.data(), sw, sh, sw, dst.data(), dw, dh, dw, 1, kResizeArea));
  std::mt19937 rng(3);
  for (int i = 0; i < 500; ++i) {
    const int x = int(rng() % dw), y = int(rng() % dh);
    const double ref = referenceArea(src.data(), sw, sh, 1, dw, dh, x, y, 0);
    ASSERT_LE(std::abs(dst[std::size_t(y) * dw + x] - ref), 0.5 + 1e-6) << x << "," << y;
  }
}

TEST(BitmapResize, NearestTakesPixelUnderCentre) {
  auto b = makeBitmap(kBitmapGray, 4, 1, {1, 2, 3, 4});
  ASSERT_TRUE(b->Resize(2, 1, kResizeNearest));
  EXPECT_EQ(bytesOf(*b), (std::vector<std::uint8_t>{2, 4}));
  ASSERT_TRUE(b->Resize(4, 2, kResizeNearest));
  EXPECT_EQ(bytesOf(*b), (std::vector<std::uint8_t>{2, 2, 4, 4, 2, 2, 4, 4}));
}

TEST(BitmapResize, RefusesBadArgumentsAndLeavesBitmapAlone) {
  auto b = makeBitmap(kBitmapRgb, 2, 1, {1, 2, 3, 4, 5, 6});
  EXPECT_FALSE(b->Resize(0, 1, kResizeArea));
  EXPECT_FALSE(b->Resize(1, -3, kResizeArea));
  EXPECT_FALSE(b->Resize(vex3d::kMaxBitmapSide + 1, 1, kResizeArea));
  EXPECT_FALSE(b->Resize(1, 1, 7));
  EXPECT_EQ(b->GetWidth(), 2);
  EXPECT_EQ(bytesOf(*b), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(b->Resize(2, 1, kResizeArea));
  EXPECT_EQ(bytesOf(*b), (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
  rgbBitmap empty(0, 0);
  EXPECT_FALSE(empty.Resize(1, 1, kResizeArea));

  std::uint8_t src[4] = {}, dst[4] = {};
  EXPECT_FALSE(vex3d::resizePixels(src, 2, 2, 1, dst, 1, 1, 1, 1, kResizeArea));  // short stride
  EXPECT_FALSE(vex3d::resizePixels(src, 1, 1, 5, dst, 1, 1, 5, 5, kResizeArea));  // 5 channels
}

TEST(BitmapConvert, ExactChannelValues) {
  auto rgb = makeBitmap(kBitmapRgb, 2, 1, {10, 200, 30, 7, 7, 7});
  std::unique_ptr<Bitmap> rgba(rgb->ConvertToType(kBitmapRgba));
  EXPECT_EQ(rgba->GetType(), kBitmapRgba);
  EXPECT_EQ(bytesOf(*rgba), (std::vector<std::uint8_t>{10, 200, 30, 255, 7, 7, 7, 255}));
  std::unique_ptr<Bitmap> gray(rgb->ConvertToType(kBitmapGray));
  // (299 * 10 + 587 * 200 + 114 * 30) / 1000 = 123.81; a grey pixel keeps its value.
  EXPECT_EQ(bytesOf(*gray), (std::vector<std::uint8_t>{124, 7}));
  std::unique_ptr<Bitmap> back(gray->ConvertToType(kBitmapRgb));
  EXPECT_EQ(bytesOf(*back), (std::vector<std::uint8_t>{124, 124, 124, 7, 7, 7}));
  std::unique_ptr<Bitmap> grayRgba(gray->ConvertToType(kBitmapRgba));
  EXPECT_EQ(bytesOf(*grayRgba), (std::vector<std::uint8_t>{124, 124, 124, 255, 7, 7, 7, 255}));

  auto withAlpha = makeBitmap(kBitmapRgba, 2, 1, {1, 2, 3, 40, 200, 100, 50, 0});
  std::unique_ptr<Bitmap> dropped(withAlpha->ConvertToType(kBitmapRgb));
  EXPECT_EQ(bytesOf(*dropped), (std::vector<std::uint8_t>{1, 2, 3, 200, 100, 50}));
  std::unique_ptr<Bitmap> mask(withAlpha->ConvertToType(kBitmapAlpha));
  EXPECT_EQ(mask->GetType(), kBitmapAlpha);
  EXPECT_EQ(mask->GetBaseClass(), kBitmapGray);
  EXPECT_EQ(bytesOf(*mask), (std::vector<std::uint8_t>{40, 0}));
  std::unique_ptr<Bitmap> maskAsGray(mask->ConvertToType(kBitmapGray));
  EXPECT_EQ(maskAsGray->GetType(), kBitmapGray);
  EXPECT_EQ(bytesOf(*maskAsGray), (std::vector<std::uint8_t>{40, 0}));

  EXPECT_EQ(rgb->ConvertToType(3), nullptr);
  EXPECT_EQ(rgb->ConvertToType(kBitmapAnyType), nullptr);
  // A conversion to the same type is an independent copy.
  std::unique_ptr<Bitmap> copy(rgb->ConvertToType(kBitmapRgb));
  copy->GetLine(0)[0] = 99;
  EXPECT_EQ(rgb->GetLine(0)[0], 10);
}

TEST(BitmapBasics, TypesLinesAndFlip) {
  EXPECT_EQ(Bitmap::Create(3, 1, 1), nullptr);
  EXPECT_EQ(Bitmap::Create(kBitmapRgb, -1, 1), nullptr);
  EXPECT_THROW(grayBitmap(1, 1, kBitmapRgb), CInvalidArgException);
  EXPECT_THROW(rgbBitmap(vex3d::kMaxBitmapSide + 1, 1), CInvalidArgException);

  auto b = makeBitmap(kBitmapRgb, 1, 3, {1, 1, 1, 2, 2, 2, 3, 3, 3});
  EXPECT_EQ(b->GetBaseClass(), kBitmapRgb);
  EXPECT_EQ(b->GetStride(), 3u);
  EXPECT_EQ(b->GetLine(2)[0], 3);
  EXPECT_THROW(b->GetLine(3), CInvalidArgException);
  EXPECT_THROW(b->GetLine(-1), CInvalidArgException);
  b->FlipVertical();
  EXPECT_EQ(bytesOf(*b), (std::vector<std::uint8_t>{3, 3, 3, 2, 2, 2, 1, 1, 1}));
  b->Release();
  EXPECT_TRUE(b->IsEmpty());
  EXPECT_EQ(b->GetType(), kBitmapRgb);
  Bitmap::DeleteBitmap(b.release());
  Bitmap::DeleteBitmap(nullptr);
}

TEST(BitmapJoin, CreateRgbaFromColourAndAlpha) {
  auto colour = makeBitmap(kBitmapRgb, 2, 1, {1, 2, 3, 4, 5, 6});
  auto mask = makeBitmap(kBitmapGray, 2, 1, {9, 250});
  std::unique_ptr<rgbaBitmap> joined(rgbaBitmap::CreateRGBABitmap(*colour, *mask));
  ASSERT_NE(joined, nullptr);
  EXPECT_EQ(bytesOf(*joined), (std::vector<std::uint8_t>{1, 2, 3, 9, 4, 5, 6, 250}));

  // An RGBA alpha image lends its alpha; one of another size is resized.
  auto rgbaMask = makeBitmap(kBitmapRgba, 1, 1, {0, 0, 0, 128});
  joined.reset(rgbaBitmap::CreateRGBABitmap(*colour, *rgbaMask));
  EXPECT_EQ(bytesOf(*joined), (std::vector<std::uint8_t>{1, 2, 3, 128, 4, 5, 6, 128}));
  // A colour alpha image lends its luminance.
  auto rgbMask = makeBitmap(kBitmapRgb, 2, 1, {60, 60, 60, 0, 0, 0});
  joined.reset(rgbaBitmap::CreateRGBABitmap(*colour, *rgbMask));
  EXPECT_EQ(bytesOf(*joined), (std::vector<std::uint8_t>{1, 2, 3, 60, 4, 5, 6, 0}));
  // An empty alpha leaves it opaque; a grey colour is expanded.
  auto grayColour = makeBitmap(kBitmapGray, 1, 1, {77});
  joined.reset(rgbaBitmap::CreateRGBABitmap(*grayColour, rgbBitmap(0, 0)));
  EXPECT_EQ(bytesOf(*joined), (std::vector<std::uint8_t>{77, 77, 77, 255}));
  EXPECT_EQ(rgbaBitmap::CreateRGBABitmap(rgbBitmap(0, 0), *mask), nullptr);
}

std::unique_ptr<CLayerBitmap> colourAndAlpha() {
  auto image = std::make_unique<CLayerBitmap>(makeBitmap(kBitmapRgb, 1, 1, {10, 20, 30}));
  image->AddLayer(makeBitmap(kBitmapAlpha, 1, 1, {40}));
  return image;
}

TEST(LayerBitmap, GetRgbaKeepsOrHandsOverOwnership) {
  auto image = colourAndAlpha();
  EXPECT_EQ(image->GetWidth(), 1);
  Bitmap* kept = image->GetRGBABitmap(false);
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->GetType(), kBitmapRgba);
  EXPECT_EQ(bytesOf(*kept), (std::vector<std::uint8_t>{10, 20, 30, 40}));
  EXPECT_EQ(image->GetRGBABitmap(false), kept);
  EXPECT_EQ(image->GetLayerNbr(), 2);

  std::unique_ptr<Bitmap> detached(image->GetRGBABitmap(true));
  ASSERT_NE(detached, nullptr);
  EXPECT_EQ(bytesOf(*detached), (std::vector<std::uint8_t>{10, 20, 30, 40}));
  EXPECT_EQ(image->GetLayerNbr(), 0);
  EXPECT_EQ(image->GetRGBABitmap(true), nullptr);

  // Without alpha there is no RGBA picture: callers fall back to the colour.
  CLayerBitmap opaque(makeBitmap(kBitmapRgb, 1, 1, {1, 2, 3}));
  EXPECT_EQ(opaque.GetRGBABitmap(true), nullptr);
  EXPECT_EQ(opaque.GetLayerNbr(), 1);

  // A whole RGBA layer is handed over as it is.
  auto rgba = makeBitmap(kBitmapRgba, 1, 1, {1, 2, 3, 4});
  Bitmap* raw = rgba.get();
  CLayerBitmap wrapped(rgba.release());
  EXPECT_EQ(wrapped.GetRGBABitmap(false), raw);
  std::unique_ptr<Bitmap> owned(wrapped.GetRGBABitmap(true));
  EXPECT_EQ(owned.get(), raw);
  EXPECT_EQ(wrapped.GetLayerNbr(), 0);
}

TEST(LayerBitmap, DetachByType) {
  auto image = colourAndAlpha();
  EXPECT_EQ(image->DetachLayerByType(kBitmapRgba), nullptr);
  EXPECT_EQ(image->DetachLayerByType(kBitmapGray), nullptr);
  std::unique_ptr<Bitmap> alpha(image->DetachLayerByType(kBitmapAlpha));
  ASSERT_NE(alpha, nullptr);
  EXPECT_EQ(alpha->GetType(), kBitmapAlpha);
  std::unique_ptr<Bitmap> any(image->DetachLayerByType(kBitmapAnyType));
  ASSERT_NE(any, nullptr);
  EXPECT_EQ(any->GetType(), kBitmapRgb);
  EXPECT_EQ(image->DetachLayerByType(kBitmapAnyType), nullptr);

  image = colourAndAlpha();
  EXPECT_EQ(image->FindLayer(kBitmapAlpha), 1);
  EXPECT_THROW(image->GetLayer(2), CInvalidArgException);
  EXPECT_THROW(image->DetachLayer(-1), CInvalidArgException);
  EXPECT_EQ(image->AddLayer(static_cast<Bitmap*>(nullptr)), -1);
  // A cached join is dropped with the layers it came from.
  ASSERT_NE(image->GetRGBABitmap(false), nullptr);
  std::unique_ptr<Bitmap> colour(image->DetachLayerByType(kBitmapRgb));
  EXPECT_EQ(image->GetRGBABitmap(false), nullptr);
}

TEST(FrameBitmap, OrderAndOwnership) {
  CFrameBitmap frames;
  auto* a = new CLayerBitmap();
  auto* b = new CLayerBitmap();
  auto* c = new CLayerBitmap();
  EXPECT_EQ(frames.AddTailFrame(a), 0);
  EXPECT_EQ(frames.AddTailFrame(c), 1);
  EXPECT_EQ(frames.InsertFrame(b, 1), 1);
  EXPECT_EQ(frames.InsertFrame(new CLayerBitmap(), -1), 3);
  EXPECT_EQ(frames.AddTailFrame(nullptr), -1);
  EXPECT_THROW(frames.InsertFrame(new CLayerBitmap(), 9), CInvalidArgException);
  ASSERT_EQ(frames.GetFrameNbr(), 4);
  EXPECT_EQ(frames.GetFrame(0), a);
  EXPECT_EQ(frames.GetFrame(1), b);
  EXPECT_EQ(frames.GetFrame(2), c);
  EXPECT_EQ(frames.FindFrame(c), 2);
  EXPECT_THROW(frames.GetFrame(4), CInvalidArgException);

  std::unique_ptr<CLayerBitmap> detached(frames.DetachFrame(3));
  auto all = frames.DetachAll();
  EXPECT_EQ(frames.GetFrameNbr(), 0);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].get(), a);
  EXPECT_EQ(all[2].get(), c);

  frames.AddTailFrame(all[1].release());
  frames.RemoveAll();
  EXPECT_EQ(frames.GetFrameNbr(), 0);
}

TEST(NTBitmapTest, BottomUpPaddedRowsConvertTopDown) {
  NTBitmap nt;
  EXPECT_FALSE(nt.Create(2, 2, 16));
  EXPECT_FALSE(nt.Create(0, 2, 24));
  EXPECT_TRUE(nt.IsEmpty());
  ASSERT_TRUE(nt.Create(3, 2, 24));
  EXPECT_EQ(nt.GetStride(), 12u);  // 9 bytes padded to 4
  // As glReadPixels writes: the bottom row first.
  std::uint8_t* bits = nt.GetBits();
  for (int i = 0; i < 9; ++i) bits[i] = static_cast<std::uint8_t>(100 + i);
  for (int i = 0; i < 9; ++i) bits[12 + i] = static_cast<std::uint8_t>(i);
  EXPECT_EQ(nt.GetLine(0), bits + 12);

  std::unique_ptr<Bitmap> b(nt.ConvertToBitmap());
  ASSERT_EQ(b->GetType(), kBitmapRgb);
  EXPECT_EQ(b->GetLine(0)[0], 0);
  EXPECT_EQ(b->GetLine(1)[8], 108);

  NTBitmap copy;
  ASSERT_TRUE(copy.CreateFromBitmap(*b));
  EXPECT_EQ(copy.GetDepth(), 24);
  EXPECT_EQ(std::memcmp(copy.GetBits(), nt.GetBits(), 12 + 9), 0);

  auto rgba = makeBitmap(kBitmapRgba, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8});
  ASSERT_TRUE(copy.CreateFromBitmap(*rgba));
  EXPECT_EQ(copy.GetDepth(), 32);
  EXPECT_EQ(copy.GetBits()[0], 5);
  std::unique_ptr<Bitmap> back(copy.ConvertToBitmap());
  EXPECT_EQ(bytesOf(*back), bytesOf(*rgba));
  EXPECT_FALSE(copy.CreateFromBitmap(rgbBitmap(0, 0)));
  EXPECT_EQ(copy.ConvertToBitmap(), nullptr);
}

}  // namespace
