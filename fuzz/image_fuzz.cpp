// Feeds arbitrary bytes to the 2D image reader as a file of each readable
// kind: a broken texture must give no bitmap, never a crash.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "hostlib/files/file_io.h"
#include "hostlib/images/image_io.h"
#include "hostlib/images/layer_bitmap.h"

namespace {

const char* const kExtensions[] = {"png", "jpg", "bmp", "tga", "gif", "psd", "hdr", "pnm"};

std::string scratchPath(const char* extension) {
  return "/tmp/vex3d_image_fuzz_" + std::to_string(::getpid()) + "." + extension;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const char* extension = kExtensions[data[0] % (sizeof kExtensions / sizeof *kExtensions)];
  const std::string path = scratchPath(extension);
  if (!vex3d::writeSettingsFile(path, data + 1, size - 1)) return 0;
  C2DIo io(path, 3, nullptr);
  // Huge but valid headers are refused by the reader's own size limit; here
  // they would only make the fuzzer explore memory instead of formats.
  if (io.PrepareReading() == 1 &&
      static_cast<std::uint64_t>(io.GetImageWidth()) * io.GetImageHeight() <= (1u << 22)) {
    io.SetNeededBitmapSize(64, 64);
    std::unique_ptr<CLayerBitmap> bitmap(io.Read(0));
  }
  std::remove(path.c_str());
  return 0;
}
