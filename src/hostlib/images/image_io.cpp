#include "hostlib/images/image_io.h"

#include <stb_image.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "hostlib/files/atomic_file.h"
#include "hostlib/files/file_io.h"
#include "hostlib/images/bitmap.h"
#include "hostlib/images/frame_bitmap.h"
#include "hostlib/images/internal/image_codec.h"
#include "hostlib/images/layer_bitmap.h"
#include "hostlib/text/strings.h"

namespace {

using vex3d::ImageFormat;

struct FileDialogHookSlot {
  std::mutex mutex;
  C2DIo::FileDialogHook hook;
};

FileDialogHookSlot& fileDialogHook() {
  static FileDialogHookSlot slot;
  return slot;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// 0 and all ones both mean that the caller sets no limit on a side.
std::uint64_t limitOf(std::uint32_t needed, std::uint64_t side) {
  return needed == 0 || needed == 0xFFFFFFFFu ? side : needed;
}

}  // namespace

C2DIo::C2DIo(std::string fileName, std::uint32_t flags, void* window)
    : m_fileName(std::move(fileName)),
      m_flags(flags),
      m_window(window),
      m_format(ImageFormat::kUnknown) {}

C2DIo::~C2DIo() = default;

void C2DIo::SetFileName(const std::string& fileName) {
  m_fileName = fileName;
  m_prepared = false;
  m_format = ImageFormat::kUnknown;
  m_imageWidth = m_imageHeight = m_imageChannels = 0;
}

bool C2DIo::Fail(std::string error) {
  m_error = std::move(error);
  return false;
}

int C2DIo::PrepareReading() {
  m_prepared = false;
  m_error.clear();
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(m_fileName.c_str(), "rb"));
  if (!file) return Fail(FormatString(vex3d::kStrImageCannotOpen, m_fileName.c_str()));
  std::uint8_t head[16];
  const std::size_t got = std::fread(head, 1, sizeof head, file.get());
  const ImageFormat format = vex3d::detectImageFormat(head, got, m_fileName);
  if (format == ImageFormat::kUnknown) {
    return Fail(FormatString(vex3d::kStrImageNotAnImage, m_fileName.c_str()));
  }
  std::rewind(file.get());
  int width = 0, height = 0, channels = 0;
  if (!stbi_info_from_file(file.get(), &width, &height, &channels)) {
    const char* reason = stbi_failure_reason();
    return Fail("unreadable image header" + (reason ? std::string(": ") + reason : std::string()));
  }
  if (width < 1 || height < 1 || width > vex3d::kMaxBitmapSide || height > vex3d::kMaxBitmapSide ||
      std::uint64_t(width) * std::uint64_t(height) > vex3d::imagePixelLimit()) {
    return Fail("image of " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels is larger than allowed");
  }
  m_format = format;
  m_imageWidth = width;
  m_imageHeight = height;
  m_imageChannels = channels;
  m_prepared = true;
  return 1;
}

void C2DIo::SetNeededBitmapSize(std::uint32_t cx, std::uint32_t cy) {
  m_neededWidth = cx;
  m_neededHeight = cy;
}

void C2DIo::FitToNeededSize(CLayerBitmap& image) const {
  const auto w = static_cast<std::uint64_t>(image.GetWidth());
  const auto h = static_cast<std::uint64_t>(image.GetHeight());
  if (w == 0 || h == 0) return;
  const std::uint64_t limitX = limitOf(m_neededWidth, w);
  const std::uint64_t limitY = limitOf(m_neededHeight, h);
  if (w <= limitX && h <= limitY) return;
  std::uint64_t newW = 0, newH = 0;
  if (w * limitY > h * limitX) {
    newW = limitX;
    newH = std::max<std::uint64_t>(1, (h * limitX + w / 2) / w);
  } else {
    newH = limitY;
    newW = std::max<std::uint64_t>(1, (w * limitY + h / 2) / h);
  }
  for (int i = 0; i < image.GetLayerNbr(); ++i) {
    image.GetLayer(i)->Resize(static_cast<int>(newW), static_cast<int>(newH), vex3d::kResizeArea);
  }
}

CLayerBitmap* C2DIo::Read(int frame) {
  if (!m_prepared && PrepareReading() != 1) return nullptr;
  m_error.clear();
  std::vector<std::uint8_t> bytes;
  if (!vex3d::readWholeFile(m_fileName, bytes)) {
    Fail(FormatString(vex3d::kStrImageCannotRead, m_fileName.c_str()));
    return nullptr;
  }
  // The file may have changed since PrepareReading: what is decoded must
  // still be a recognised image.
  const ImageFormat format = vex3d::detectImageFormat(bytes.data(), bytes.size(), m_fileName);
  if (format == ImageFormat::kUnknown) {
    Fail(FormatString(vex3d::kStrImageNotAnImage, m_fileName.c_str()));
    return nullptr;
  }
  std::unique_ptr<CLayerBitmap> image =
      vex3d::decodeImage(bytes.data(), bytes.size(), format, frame, m_error);
  if (!image) return nullptr;
  FitToNeededSize(*image);
  return image.release();
}

int C2DIo::PrepareSaving(const CFrameBitmap& frames, int frameCount) {
  m_error.clear();
  m_saveFrameCount = 0;
  if (vex3d::writeFormatForName(m_fileName) == ImageFormat::kUnknown) {
    Fail(FormatString(vex3d::kStrImageFormatNotWritable, m_fileName.c_str()));
    return 0;
  }
  if (frameCount < 1 || frameCount > frames.GetFrameNbr()) {
    Fail("there are no " + std::to_string(frameCount) + " images to write");
    return -1;
  }
  for (int i = 0; i < frameCount; ++i) {
    std::unique_ptr<Bitmap> holder;
    if (!vex3d::flattenFrame(*frames.GetFrame(i), holder)) {
      Fail("image " + std::to_string(i + 1) + " is empty");
      return -1;
    }
  }
  m_saveFrameCount = frameCount;
  return 1;
}

int C2DIo::Save(const CFrameBitmap& frames, std::uint32_t /*flags*/) {
  const int count = m_saveFrameCount > 0 && m_saveFrameCount <= frames.GetFrameNbr()
                        ? m_saveFrameCount
                        : frames.GetFrameNbr();
  if (PrepareSaving(frames, count) != 1) return 0;
  const ImageFormat format = vex3d::writeFormatForName(m_fileName);
  std::vector<std::uint8_t> encoded;
  for (int i = 0; i < count; ++i) {
    std::unique_ptr<Bitmap> holder;
    const Bitmap* image = vex3d::flattenFrame(*frames.GetFrame(i), holder);
    if (!vex3d::encodeImage(format, *image, encoded, m_error)) return 0;
    const std::string name = count == 1 ? m_fileName : GetSeriesFileName(m_fileName, i);
    std::string why;
    if (!vex3d::writeFileAtomically(name, encoded.data(), encoded.size(), why)) {
      Fail(why);
      return 0;
    }
  }
  return 1;
}

std::string C2DIo::GetSeriesFileName(const std::string& fileName, int index) {
  std::filesystem::path path(fileName);
  char number[16];
  std::snprintf(number, sizeof number, "_%04d", index + 1);
  path.replace_filename(path.stem().string() + number + path.extension().string());
  return path.string();
}

int C2DIo::FileDialogBox(std::uint32_t kind) {
  FileDialogHook hook;
  {
    auto& slot = fileDialogHook();
    std::lock_guard lock(slot.mutex);
    hook = slot.hook;
  }
  return hook ? hook(*this, kind) : 0;
}

void C2DIo::SetFileDialogHook(FileDialogHook hook) {
  auto& slot = fileDialogHook();
  std::lock_guard lock(slot.mutex);
  slot.hook = std::move(hook);
}

namespace {
std::atomic<std::uint64_t> g_pixelLimit{vex3d::kMaxImagePixels};
}  // namespace

void vex3d::setImagePixelLimit(std::uint64_t pixels) {
  g_pixelLimit.store(pixels == 0 ? kMaxImagePixels : std::min(pixels, kMaxImagePixels));
}

std::uint64_t vex3d::imagePixelLimit() { return g_pixelLimit.load(); }
