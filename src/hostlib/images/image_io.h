#pragma once
// 2D image files: reading an image into a CLayerBitmap and writing the frames
// of a CFrameBitmap.
#include <cstdint>
#include <functional>
#include <string>

#include "hostlib/hostlib_export.h"

class C2DIo;
class CFrameBitmap;
class CLayerBitmap;

namespace vex3d {
enum class ImageFormat;

// The largest image, in pixels, that reading accepts: one budget for every
// image, textures included, checked on the header before decoding. A
// program with a memory budget (the thumbnailer) lowers it; 0 restores the
// default (2^28 pixels).
VEXHOST_EXPORT void setImagePixelLimit(std::uint64_t pixels);
VEXHOST_EXPORT std::uint64_t imagePixelLimit();
}  // namespace vex3d

// Reads PNG, JPEG, BMP, GIF, PSD, HDR, PNM (binary) and PIC files, recognised
// by their content, and TGA files, recognised by their .tga extension. Writes
// PNG, JPEG, BMP and TGA, chosen by the extension of the file name.
//
// Files are written atomically: a temporary file beside the target is renamed
// over it once complete. A series of several frames is written as numbered
// files beside the name: "shot.png" gives "shot_0001.png", "shot_0002.png"...
// (GetSeriesFileName).
class VEXHOST_EXPORT C2DIo {
 public:
  // Shows a file dialog of `kind` (for instance 0x13000, the image files) and,
  // when the user picks a file, stores it with io.SetFileName and returns
  // non-zero; 0 when cancelled.
  using FileDialogHook = std::function<int(C2DIo& io, std::uint32_t kind)>;

  // `flags` are kept for the caller (GetFlags) and change nothing here;
  // `window` is the owner of any dialog and is only handed to the hook.
  C2DIo(std::string fileName, std::uint32_t flags, void* window);
  ~C2DIo();
  C2DIo(const C2DIo&) = delete;
  C2DIo& operator=(const C2DIo&) = delete;

  const std::string& GetFileName() const { return m_fileName; }
  // Forgets what PrepareReading learned of the previous file.
  void SetFileName(const std::string& fileName);
  std::uint32_t GetFlags() const { return m_flags; }
  void* GetWindow() const { return m_window; }
  // Why the last failing call failed; empty after a success.
  const std::string& GetLastError() const { return m_error; }

  // 1 when the file is an image this library reads; its header gives the
  // size and channel count (GetImageWidth...) without decoding pixels.
  // 0 otherwise (missing, unreadable, not an image, too large).
  int PrepareReading();
  int GetImageWidth() const { return m_imageWidth; }
  int GetImageHeight() const { return m_imageHeight; }
  // Channels stored in the file: 1 grey, 2 grey and alpha, 3 colour, 4 colour
  // and alpha.
  int GetImageChannelNbr() const { return m_imageChannels; }

  // The caller wants at most cx x cy pixels: a larger image is scaled down
  // with the area filter to the largest size that fits, keeping its aspect
  // ratio (each side at least 1); a smaller one is never enlarged. 0 or
  // 0xFFFFFFFF leaves that side free.
  void SetNeededBitmapSize(std::uint32_t cx, std::uint32_t cy);

  // Image `frame` of the file (above 0 only for animated GIFs): a colour layer
  // (type 1; grey images expanded, 16-bit channels rounded to 8 bits, HDR
  // tone-mapped) followed by an alpha layer (type 5) when the file has alpha.
  // Calls PrepareReading first when it has not succeeded. Null on any
  // failure; the caller owns the result.
  CLayerBitmap* Read(int frame);

  // Checks that the first `frameCount` frames can be written in the format of
  // the file name: 1 yes; 0 the extension names no format this library
  // writes; -1 there are not that many frames or one holds no image.
  int PrepareSaving(const CFrameBitmap& frames, int frameCount);
  // Writes the frames counted by the last successful PrepareSaving (all of
  // them without one): one frame to the file name, several to numbered files.
  // A frame with alpha keeps it in PNG, BMP and TGA; JPEG drops it. `flags`
  // are reserved, pass 0. 1 on success, 0 on failure (files of the series
  // written before the failure stay).
  int Save(const CFrameBitmap& frames, std::uint32_t flags);

  // The file of frame `index` (from 0) of a series written on `fileName`.
  static std::string GetSeriesFileName(const std::string& fileName, int index);

  // Runs the hook set by the user interface; 0 (cancelled) without one.
  int FileDialogBox(std::uint32_t kind);
  // Replaces the file dialog; an empty hook removes it.
  static void SetFileDialogHook(FileDialogHook hook);

 private:
  bool Fail(std::string error);
  void FitToNeededSize(CLayerBitmap& image) const;

  std::string m_fileName;
  std::uint32_t m_flags;
  void* m_window;
  std::string m_error;

  bool m_prepared = false;
  vex3d::ImageFormat m_format;
  int m_imageWidth = 0;
  int m_imageHeight = 0;
  int m_imageChannels = 0;
  std::uint32_t m_neededWidth = 0;
  std::uint32_t m_neededHeight = 0;

  int m_saveFrameCount = 0;
};
