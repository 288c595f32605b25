#include "hostlib/images/frame_bitmap.h"

#include <utility>

#include "hostlib/core/exceptions.h"

CFrameBitmap::CFrameBitmap() = default;

CFrameBitmap::~CFrameBitmap() = default;

CLayerBitmap* CFrameBitmap::GetFrame(int index) const {
  if (index < 0 || index >= GetFrameNbr()) AfxThrowInvalidArgException("frame index out of range");
  return m_frames[static_cast<std::size_t>(index)].get();
}

int CFrameBitmap::FindFrame(const CLayerBitmap* frame) const {
  for (std::size_t i = 0; i < m_frames.size(); ++i) {
    if (m_frames[i].get() == frame) return static_cast<int>(i);
  }
  return -1;
}

int CFrameBitmap::AddTailFrame(CLayerBitmap* frame) { return InsertFrame(frame, -1); }

int CFrameBitmap::InsertFrame(CLayerBitmap* frame, int index) {
  std::unique_ptr<CLayerBitmap> owned(frame);
  if (!owned) return -1;
  if (index == -1) index = GetFrameNbr();
  if (index < 0 || index > GetFrameNbr()) AfxThrowInvalidArgException("frame index out of range");
  m_frames.insert(m_frames.begin() + index, std::move(owned));
  return index;
}

CLayerBitmap* CFrameBitmap::DetachFrame(int index) {
  if (index < 0 || index >= GetFrameNbr()) AfxThrowInvalidArgException("frame index out of range");
  CLayerBitmap* frame = m_frames[static_cast<std::size_t>(index)].release();
  m_frames.erase(m_frames.begin() + index);
  return frame;
}

std::vector<std::unique_ptr<CLayerBitmap>> CFrameBitmap::DetachAll() {
  return std::exchange(m_frames, {});
}

void CFrameBitmap::RemoveAll() { m_frames.clear(); }
