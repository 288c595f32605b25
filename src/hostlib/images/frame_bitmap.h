#pragma once
// A sequence of images: the frames of an image series to write, or the
// thumbnails of a list.
#include <memory>
#include <vector>

#include "hostlib/hostlib_export.h"
#include "hostlib/images/layer_bitmap.h"

// Owns its frames until they are detached.
class VEXHOST_EXPORT CFrameBitmap {
 public:
  CFrameBitmap();
  ~CFrameBitmap();
  CFrameBitmap(const CFrameBitmap&) = delete;
  CFrameBitmap& operator=(const CFrameBitmap&) = delete;

  int GetFrameNbr() const { return static_cast<int>(m_frames.size()); }
  // Still owned by the frame bitmap. Throws CInvalidArgException outside
  // [0, GetFrameNbr()).
  CLayerBitmap* GetFrame(int index) const;
  // Index of `frame`, -1 when it is not one of the frames.
  int FindFrame(const CLayerBitmap* frame) const;

  // Take ownership of `frame` (null is ignored and gives -1) and return its
  // index. InsertFrame puts it before the frame at `index`, or at the end
  // when `index` is -1 or the frame count; another index throws
  // CInvalidArgException (the frame is deleted).
  int AddTailFrame(CLayerBitmap* frame);
  int InsertFrame(CLayerBitmap* frame, int index);

  // Removes the frame and hands it to the caller. Throws CInvalidArgException
  // outside [0, GetFrameNbr()).
  CLayerBitmap* DetachFrame(int index);
  // Empties the sequence and hands every frame, in order, to the caller.
  [[nodiscard]] std::vector<std::unique_ptr<CLayerBitmap>> DetachAll();
  // Deletes every frame.
  void RemoveAll();

 private:
  std::vector<std::unique_ptr<CLayerBitmap>> m_frames;
};
