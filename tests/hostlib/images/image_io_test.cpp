#include "hostlib/images/image_io.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "hostlib/images/bitmap.h"
#include "hostlib/images/frame_bitmap.h"
#include "hostlib/images/layer_bitmap.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using vex3d::kBitmapAlpha;
using vex3d::kBitmapRgb;
using vex3d::kBitmapRgba;

class ImageIo : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_dir = fs::path(VEX3D_TEST_BINARY_DIR) / "image_io_test" / info->name();
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
  }
  std::string Path(const std::string& name) const { return (m_dir / name).string(); }
  fs::path m_dir;
};

void writeBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

Bytes readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes bytesOf(const Bitmap& b) { return {b.GetBits(), b.GetBits() + b.GetByteSize()}; }

std::unique_ptr<Bitmap> randomBitmap(int type, int width, int height, unsigned seed) {
  std::unique_ptr<Bitmap> b(Bitmap::Create(type, width, height));
  std::mt19937 rng(seed);
  for (std::size_t i = 0; i < b->GetByteSize(); ++i) b->GetBits()[i] = std::uint8_t(rng());
  return b;
}

// Frames that own a copy of each bitmap.
std::unique_ptr<CFrameBitmap> framesOf(std::initializer_list<const Bitmap*> images) {
  auto frames = std::make_unique<CFrameBitmap>();
  for (const Bitmap* image : images) frames->AddTailFrame(new CLayerBitmap(image->Clone()));
  return frames;
}

std::unique_ptr<CLayerBitmap> readImage(const std::string& path, int frame = 0) {
  C2DIo io(path, 3, nullptr);
  return std::unique_ptr<CLayerBitmap>(io.Read(frame));
}

// --- Hand-made files for what the writer does not produce -----------------

void put32be(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(v >> shift));
}

std::uint32_t crc32(const std::uint8_t* p, std::size_t n) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void pngChunk(Bytes& out, const char* type, const Bytes& data) {
  put32be(out, std::uint32_t(data.size()));
  Bytes body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  put32be(out, crc32(body.data(), body.size()));
}

// A PNG whose rows (without filter bytes) are `rows`, in one stored
// (uncompressed) deflate block.
Bytes makePng(int width, int height, int bitDepth, int colourType, const Bytes& rows) {
  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  put32be(ihdr, std::uint32_t(width));
  put32be(ihdr, std::uint32_t(height));
  ihdr.insert(ihdr.end(), {std::uint8_t(bitDepth), std::uint8_t(colourType), 0, 0, 0});
  pngChunk(out, "IHDR", ihdr);
  Bytes raw;
  const std::size_t rowBytes = rows.size() / std::size_t(height);
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), rows.begin() + long(y * rowBytes),
               rows.begin() + long((y + 1) * rowBytes));
  }
  Bytes z = {0x78,
             0x01,
             0x01,
             std::uint8_t(raw.size()),
             std::uint8_t(raw.size() >> 8),
             std::uint8_t(~raw.size()),
             std::uint8_t(~raw.size() >> 8)};
  z.insert(z.end(), raw.begin(), raw.end());
  std::uint32_t a = 1, b = 0;
  for (auto v : raw) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  put32be(z, (b << 16) | a);
  pngChunk(out, "IDAT", z);
  pngChunk(out, "IEND", {});
  return out;
}

// A flat (not run-length encoded) Radiance picture; flat rows need a width
// below 8.
Bytes makeHdr(int width, int height, const std::vector<float>& rgb) {
  const std::string header = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y " + std::to_string(height) +
                             " +X " + std::to_string(width) + "\n";
  Bytes out(header.begin(), header.end());
  for (std::size_t i = 0; i < rgb.size(); i += 3) {
    const float v = std::max({rgb[i], rgb[i + 1], rgb[i + 2]});
    int e = 0;
    const float scale = std::frexp(v, &e) * 256.0f / v;
    out.insert(out.end(), {std::uint8_t(rgb[i] * scale), std::uint8_t(rgb[i + 1] * scale),
                           std::uint8_t(rgb[i + 2] * scale), std::uint8_t(e + 128)});
  }
  return out;
}

// --- Round trips ------------------------------------------------------------

TEST_F(ImageIo, PngRoundTripIsExact) {
  const auto rgb = randomBitmap(kBitmapRgb, 13, 7, 1);
  const auto rgba = randomBitmap(kBitmapRgba, 5, 9, 2);
  {
    C2DIo io(Path("rgb.png"), 0, nullptr);
    auto frames = framesOf({rgb.get()});
    ASSERT_EQ(io.PrepareSaving(*frames, 1), 1);
    ASSERT_EQ(io.Save(*frames, 0), 1) << io.GetLastError();
    C2DIo io2(Path("rgba.PNG"), 0, nullptr);
    ASSERT_EQ(io2.Save(*framesOf({rgba.get()}), 0), 1) << io2.GetLastError();
  }
  C2DIo in(Path("rgb.png"), 3, nullptr);
  ASSERT_EQ(in.PrepareReading(), 1);
  EXPECT_EQ(in.GetImageWidth(), 13);
  EXPECT_EQ(in.GetImageHeight(), 7);
  EXPECT_EQ(in.GetImageChannelNbr(), 3);
  std::unique_ptr<CLayerBitmap> image(in.Read(0));
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->GetLayerNbr(), 1);
  EXPECT_EQ(image->GetLayer(0)->GetType(), kBitmapRgb);
  EXPECT_EQ(bytesOf(*image->GetLayer(0)), bytesOf(*rgb));

  image = readImage(Path("rgba.PNG"));
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->GetLayerNbr(), 2);
  EXPECT_EQ(image->GetLayer(1)->GetType(), kBitmapAlpha);
  std::unique_ptr<Bitmap> joined(image->GetRGBABitmap(true));
  ASSERT_NE(joined, nullptr);
  EXPECT_EQ(bytesOf(*joined), bytesOf(*rgba));
}

TEST_F(ImageIo, BmpAndTgaRoundTripsAreExact) {
  const auto rgb = randomBitmap(kBitmapRgb, 6, 5, 3);
  const auto rgba = randomBitmap(kBitmapRgba, 7, 3, 4);
  for (const char* ext : {".bmp", ".tga"}) {
    for (const Bitmap* source : {rgb.get(), rgba.get()}) {
      const std::string path = Path(std::string("image") + ext);
      C2DIo io(path, 0, nullptr);
      ASSERT_EQ(io.Save(*framesOf({source}), 0), 1) << ext;
      auto image = readImage(path);
      ASSERT_NE(image, nullptr) << ext;
      std::unique_ptr<Bitmap> pixels(source->GetType() == kBitmapRgba
                                         ? image->GetRGBABitmap(true)
                                         : image->DetachLayerByType(kBitmapRgb));
      ASSERT_NE(pixels, nullptr) << ext;
      EXPECT_EQ(bytesOf(*pixels), bytesOf(*source)) << ext << " type " << source->GetType();
    }
  }
}

TEST_F(ImageIo, JpegRoundTripIsClose) {
  std::unique_ptr<Bitmap> gradient(Bitmap::Create(kBitmapRgba, 32, 24));
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 32; ++x) {
      std::uint8_t* p = gradient->GetLine(y) + x * 4;
      p[0] = std::uint8_t(x * 8);
      p[1] = std::uint8_t(y * 10);
      p[2] = 128;
      p[3] = 0;  // dropped: JPEG has no alpha
    }
  }
  C2DIo io(Path("photo.jpg"), 0, nullptr);
  ASSERT_EQ(io.Save(*framesOf({gradient.get()}), 0), 1) << io.GetLastError();
  auto image = readImage(Path("photo.jpg"));
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->GetLayerNbr(), 1);
  const Bitmap& read = *image->GetLayer(0);
  ASSERT_EQ(read.GetWidth(), 32);
  ASSERT_EQ(read.GetHeight(), 24);
  double total = 0;
  int worst = 0;
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 32; ++x) {
      for (int c = 0; c < 3; ++c) {
        const int d = std::abs(read.GetLine(y)[x * 3 + c] - gradient->GetLine(y)[x * 4 + c]);
        total += d;
        worst = std::max(worst, d);
      }
    }
  }
  EXPECT_LT(total / (32 * 24 * 3), 3.0);
  EXPECT_LT(worst, 24);
}

TEST_F(ImageIo, SeriesIsWrittenAsNumberedFiles) {
  std::vector<std::unique_ptr<Bitmap>> images;
  CFrameBitmap frames;
  for (int i = 0; i < 3; ++i) {
    images.push_back(randomBitmap(kBitmapRgb, 4, 4, 10 + unsigned(i)));
    frames.AddTailFrame(new CLayerBitmap(images.back()->Clone()));
  }
  C2DIo io(Path("turn.png"), 0, nullptr);
  ASSERT_EQ(io.PrepareSaving(frames, 3), 1);
  ASSERT_EQ(io.Save(frames, 0), 1) << io.GetLastError();
  EXPECT_FALSE(fs::exists(Path("turn.png")));
  for (int i = 0; i < 3; ++i) {
    const std::string name = C2DIo::GetSeriesFileName(Path("turn.png"), i);
    auto image = readImage(name);
    ASSERT_NE(image, nullptr) << name;
    EXPECT_EQ(bytesOf(*image->GetLayer(0)), bytesOf(*images[std::size_t(i)])) << name;
  }
  EXPECT_EQ(C2DIo::GetSeriesFileName("a/b/shot.tga", 11), "a/b/shot_0012.tga");
  EXPECT_EQ(C2DIo::GetSeriesFileName("shot", 0), "shot_0001");

  // Preparing fewer frames than there are writes only those, as one file.
  C2DIo one(Path("first.bmp"), 0, nullptr);
  ASSERT_EQ(one.PrepareSaving(frames, 1), 1);
  ASSERT_EQ(one.Save(frames, 0), 1);
  EXPECT_TRUE(fs::exists(Path("first.bmp")));
  EXPECT_FALSE(fs::exists(C2DIo::GetSeriesFileName(Path("first.bmp"), 0)));
}

TEST_F(ImageIo, SavingRefusesWhatCannotBeWritten) {
  const auto rgb = randomBitmap(kBitmapRgb, 2, 2, 5);
  auto frames = framesOf({rgb.get()});
  C2DIo unknown(Path("picture.xyz"), 0, nullptr);
  EXPECT_EQ(unknown.PrepareSaving(*frames, 1), 0);
  EXPECT_FALSE(unknown.GetLastError().empty());
  EXPECT_EQ(unknown.Save(*frames, 0), 0);
  C2DIo gif(Path("picture.gif"), 0, nullptr);  // read, not written
  EXPECT_EQ(gif.PrepareSaving(*frames, 1), 0);

  C2DIo io(Path("picture.png"), 0, nullptr);
  CFrameBitmap none;
  EXPECT_EQ(io.PrepareSaving(none, 1), -1);
  EXPECT_EQ(io.Save(none, 0), 0);
  EXPECT_EQ(io.PrepareSaving(*frames, 2), -1);
  EXPECT_EQ(io.PrepareSaving(*frames, 0), -1);
  CFrameBitmap blank;
  blank.AddTailFrame(new CLayerBitmap());
  EXPECT_EQ(io.PrepareSaving(blank, 1), -1);
  EXPECT_EQ(io.Save(blank, 0), 0);
  EXPECT_TRUE(fs::is_empty(m_dir));

  // A folder in the way of the target fails cleanly.
  fs::create_directories(Path("taken.png"));
  C2DIo blocked(Path("taken.png"), 0, nullptr);
  EXPECT_EQ(blocked.Save(*frames, 0), 0);
  EXPECT_FALSE(blocked.GetLastError().empty());
}

// --- Reading what other programs write --------------------------------------

TEST_F(ImageIo, GreyAndSixteenBitPngs) {
  writeBytes(Path("grey.png"), makePng(2, 1, 8, 0, {0, 200}));
  C2DIo grey(Path("grey.png"), 3, nullptr);
  ASSERT_EQ(grey.PrepareReading(), 1);
  EXPECT_EQ(grey.GetImageChannelNbr(), 1);
  std::unique_ptr<CLayerBitmap> image(grey.Read(0));
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->GetLayerNbr(), 1);
  EXPECT_EQ(bytesOf(*image->GetLayer(0)), (Bytes{0, 0, 0, 200, 200, 200}));

  writeBytes(Path("greyalpha.png"), makePng(2, 1, 8, 4, {10, 255, 20, 7}));
  image = readImage(Path("greyalpha.png"));
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->GetLayerNbr(), 2);
  EXPECT_EQ(bytesOf(*image->GetLayer(0)), (Bytes{10, 10, 10, 20, 20, 20}));
  EXPECT_EQ(bytesOf(*image->GetLayer(1)), (Bytes{255, 7}));

  // One RGB pixel of 16-bit samples 0xFFFF, 0x0000, 0x8080: rounded, not truncated.
  writeBytes(Path("deep.png"), makePng(1, 1, 16, 2, {0xFF, 0xFF, 0x00, 0x00, 0x80, 0x80}));
  image = readImage(Path("deep.png"));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(bytesOf(*image->GetLayer(0)), (Bytes{255, 0, 128}));
  // 0x00C0 / 257 = 0.75 and 0xFF00 / 257 = 254: dropping the low byte would give 0 and 255.
  writeBytes(Path("deep2.png"), makePng(2, 1, 16, 0, {0x00, 0xC0, 0xFF, 0x00}));
  image = readImage(Path("deep2.png"));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(bytesOf(*image->GetLayer(0)), (Bytes{1, 1, 1, 254, 254, 254}));
}

TEST_F(ImageIo, HdrIsToneMappedKeepingOrderAndHue) {
  writeBytes(Path("ramp.hdr"), makeHdr(4, 1,
                                       {0.01f, 0.01f, 0.01f, 0.1f, 0.1f, 0.1f,  //
                                        1.0f, 1.0f, 1.0f, 10.0f, 10.0f, 10.0f}));
  auto image = readImage(Path("ramp.hdr"));
  ASSERT_NE(image, nullptr);
  const Bitmap& ramp = *image->GetLayer(0);
  ASSERT_EQ(ramp.GetWidth(), 4);
  for (int x = 0; x < 4; ++x) {
    const std::uint8_t* p = ramp.GetLine(0) + x * 3;
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[1], p[2]);
    if (x > 0) {
      EXPECT_GT(p[0], p[-3]);
    }
  }
  EXPECT_LT(ramp.GetLine(0)[9], 255);  // highlights are compressed, not clipped

  // Whatever its level, a flat picture comes out as middle grey.
  for (float level : {0.05f, 50.0f}) {
    writeBytes(Path("flat.hdr"), makeHdr(2, 1, {level, level, level, level, level, level}));
    image = readImage(Path("flat.hdr"));
    ASSERT_NE(image, nullptr);
    const int v = image->GetLayer(0)->GetLine(0)[0];
    EXPECT_GE(v, 100) << level;
    EXPECT_LE(v, 116) << level;
  }
}

TEST_F(ImageIo, PnmAndGifAreRead) {
  const std::string ppm = "P6\n2 1\n255\n";
  Bytes bytes(ppm.begin(), ppm.end());
  bytes.insert(bytes.end(), {1, 2, 3, 250, 251, 252});
  writeBytes(Path("pic.ppm"), bytes);
  auto image = readImage(Path("pic.ppm"));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(bytesOf(*image->GetLayer(0)), (Bytes{1, 2, 3, 250, 251, 252}));

  // One transparent pixel.
  writeBytes(Path("dot.gif"), {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80,
                               0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x21, 0xF9, 0x04,
                               0x01, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01,
                               0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B});
  image = readImage(Path("dot.gif"));
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->GetLayerNbr(), 2);
  EXPECT_EQ(image->GetLayer(1)->GetLine(0)[0], 0);
  EXPECT_EQ(readImage(Path("dot.gif"), 1), nullptr);
}

TEST_F(ImageIo, NeededSizeScalesDownKeepingAspect) {
  std::unique_ptr<Bitmap> halves(Bitmap::Create(kBitmapRgba, 40, 20));
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 40; ++x) {
      std::uint8_t* p = halves->GetLine(y) + x * 4;
      p[0] = x < 20 ? 255 : 0;
      p[2] = x < 20 ? 0 : 255;
      p[3] = y < 10 ? 255 : 64;
    }
  }
  C2DIo out(Path("halves.png"), 0, nullptr);
  ASSERT_EQ(out.Save(*framesOf({halves.get()}), 0), 1);

  struct Case {
    std::uint32_t cx, cy;
    int w, h;
  };
  for (const Case& c : {Case{10, 10, 10, 5}, Case{100, 100, 40, 20}, Case{0xFFFFFFFF, 8, 16, 8},
                        Case{3, 0, 3, 2}, Case{0, 0, 40, 20}, Case{40, 1, 2, 1}}) {
    C2DIo io(Path("halves.png"), 3, nullptr);
    ASSERT_EQ(io.PrepareReading(), 1);
    io.SetNeededBitmapSize(c.cx, c.cy);
    std::unique_ptr<CLayerBitmap> image(io.Read(0));
    ASSERT_NE(image, nullptr);
    for (int layer = 0; layer < image->GetLayerNbr(); ++layer) {
      EXPECT_EQ(image->GetLayer(layer)->GetWidth(), c.w) << c.cx << "x" << c.cy;
      EXPECT_EQ(image->GetLayer(layer)->GetHeight(), c.h) << c.cx << "x" << c.cy;
    }
  }
  C2DIo io(Path("halves.png"), 3, nullptr);
  io.SetNeededBitmapSize(10, 10);
  std::unique_ptr<CLayerBitmap> image(io.Read(0));
  ASSERT_NE(image, nullptr);
  const Bitmap& colour = *image->GetLayer(0);
  const Bitmap& alpha = *image->GetLayer(1);
  // 4 x 4 blocks fall on either side of the colour edge: pure colours stay pure.
  EXPECT_EQ(colour.GetLine(4)[4 * 3 + 0], 255);
  EXPECT_EQ(colour.GetLine(4)[5 * 3 + 2], 255);
  EXPECT_EQ(colour.GetLine(4)[5 * 3 + 0], 0);
  EXPECT_EQ(alpha.GetLine(0)[0], 255);
  EXPECT_EQ(alpha.GetLine(4)[9], 64);
}

// --- Hostile files -----------------------------------------------------------

TEST_F(ImageIo, BrokenFilesGiveNullWithoutCrashing) {
  C2DIo missing(Path("missing.png"), 3, nullptr);
  EXPECT_EQ(missing.PrepareReading(), 0);
  EXPECT_FALSE(missing.GetLastError().empty());
  EXPECT_EQ(missing.Read(0), nullptr);

  writeBytes(Path("empty.png"), {});
  EXPECT_EQ(C2DIo(Path("empty.png"), 3, nullptr).PrepareReading(), 0);
  EXPECT_EQ(readImage(Path("empty.png")), nullptr);

  std::mt19937 rng(7);
  Bytes garbage(500);
  for (auto& b : garbage) b = std::uint8_t(rng());
  garbage[0] = 'x';
  writeBytes(Path("garbage.jpg"), garbage);
  EXPECT_EQ(C2DIo(Path("garbage.jpg"), 3, nullptr).PrepareReading(), 0);
  EXPECT_EQ(readImage(Path("garbage.jpg")), nullptr);
  // TGA has no signature: garbage named .tga may decode as noise, but safely.
  writeBytes(Path("garbage.tga"), garbage);
  readImage(Path("garbage.tga"));

  writeBytes(Path("magic.png"), {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
  EXPECT_EQ(C2DIo(Path("magic.png"), 3, nullptr).PrepareReading(), 0);
  EXPECT_EQ(readImage(Path("magic.png")), nullptr);

  // Header intact, pixels cut off.
  const auto rgba = randomBitmap(kBitmapRgba, 16, 16, 8);
  C2DIo out(Path("whole.png"), 0, nullptr);
  ASSERT_EQ(out.Save(*framesOf({rgba.get()}), 0), 1);
  Bytes whole = readBytes(Path("whole.png"));
  writeBytes(Path("cut.png"), Bytes(whole.begin(), whole.begin() + long(whole.size() / 2)));
  C2DIo cut(Path("cut.png"), 3, nullptr);
  EXPECT_EQ(cut.PrepareReading(), 1);
  EXPECT_EQ(cut.Read(0), nullptr);
  EXPECT_FALSE(cut.GetLastError().empty());

  // A PNG claiming a size beyond what is read is refused from its header.
  writeBytes(Path("huge.png"), makePng(1, 1, 8, 0, {0}));
  Bytes huge = readBytes(Path("huge.png"));
  huge[16] = 0x00;
  huge[17] = 0x10;  // width 0x100001
  writeBytes(Path("huge.png"), huge);
  EXPECT_EQ(C2DIo(Path("huge.png"), 3, nullptr).PrepareReading(), 0);
  EXPECT_EQ(readImage(Path("huge.png")), nullptr);

  EXPECT_EQ(readImage(Path("whole.png"), 1), nullptr);
  EXPECT_EQ(readImage(Path("whole.png"), -1), nullptr);
}

TEST_F(ImageIo, DamagedFilesOfEveryFormatNeverCrash) {
  const auto rgba = randomBitmap(kBitmapRgba, 12, 10, 9);
  std::mt19937 rng(11);
  for (const char* ext : {".png", ".jpg", ".bmp", ".tga"}) {
    const std::string path = Path(std::string("good") + ext);
    C2DIo out(path, 0, nullptr);
    ASSERT_EQ(out.Save(*framesOf({rgba.get()}), 0), 1);
    const Bytes good = readBytes(path);
    const std::string damaged = Path(std::string("damaged") + ext);
    for (int round = 0; round < 60; ++round) {
      Bytes bytes = good;
      if (round % 2 == 0) bytes.resize(rng() % bytes.size());
      for (int flips = int(rng() % 6); flips > 0 && !bytes.empty(); --flips) {
        bytes[rng() % bytes.size()] = std::uint8_t(rng());
      }
      // Rewriting a new file, not truncating the old one, spares a flush to disk.
      fs::remove(damaged);
      writeBytes(damaged, bytes);
      std::unique_ptr<CLayerBitmap> image(readImage(damaged));
      if (image) {
        EXPECT_GE(image->GetLayerNbr(), 1);
        EXPECT_FALSE(image->GetLayer(0)->IsEmpty());
      }
    }
  }
}

}  // namespace

namespace {

// One pixel budget for every image read: a program short of memory lowers
// it and an image above it is refused on its header, before decoding.
TEST_F(ImageIo, ImagesAboveThePixelLimitAreRefusedOnTheirHeader) {
  const auto rgb = randomBitmap(kBitmapRgb, 40, 30, 3);
  C2DIo out(Path("wide.png"), 0, nullptr);
  ASSERT_EQ(out.Save(*framesOf({rgb.get()}), 0), 1) << out.GetLastError();
  vex3d::setImagePixelLimit(40 * 30 - 1);
  C2DIo refused(Path("wide.png"), 3, nullptr);
  EXPECT_NE(refused.PrepareReading(), 1);
  EXPECT_NE(refused.GetLastError().find("40 x 30 pixels is larger than allowed"), std::string::npos)
      << refused.GetLastError();
  vex3d::setImagePixelLimit(40 * 30);
  EXPECT_NE(readImage(Path("wide.png")), nullptr);
  vex3d::setImagePixelLimit(0);
  EXPECT_EQ(vex3d::imagePixelLimit(), std::uint64_t{1} << 28);
}

}  // namespace
