#include "hostlib/images/layer_bitmap.h"

#include <algorithm>
#include <utility>

#include "hostlib/core/exceptions.h"

CLayerBitmap::CLayerBitmap() = default;

CLayerBitmap::CLayerBitmap(Bitmap* layer) : CLayerBitmap(std::unique_ptr<Bitmap>(layer)) {}

CLayerBitmap::CLayerBitmap(std::unique_ptr<Bitmap> layer) { AddLayer(std::move(layer)); }

CLayerBitmap::~CLayerBitmap() = default;

Bitmap* CLayerBitmap::GetLayer(int index) const {
  if (index < 0 || index >= GetLayerNbr()) AfxThrowInvalidArgException("layer index out of range");
  return m_layers[static_cast<std::size_t>(index)].get();
}

int CLayerBitmap::FindLayer(int type) const {
  for (std::size_t i = 0; i < m_layers.size(); ++i) {
    if (type == vex3d::kBitmapAnyType || m_layers[i]->GetType() == type) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int CLayerBitmap::GetWidth() const { return m_layers.empty() ? 0 : m_layers.front()->GetWidth(); }

int CLayerBitmap::GetHeight() const { return m_layers.empty() ? 0 : m_layers.front()->GetHeight(); }

int CLayerBitmap::AddLayer(Bitmap* layer) { return AddLayer(std::unique_ptr<Bitmap>(layer)); }

int CLayerBitmap::AddLayer(std::unique_ptr<Bitmap> layer) {
  if (!layer) return -1;
  m_layers.push_back(std::move(layer));
  LayersChanged();
  return GetLayerNbr() - 1;
}

Bitmap* CLayerBitmap::DetachLayer(int index) {
  if (index < 0 || index >= GetLayerNbr()) AfxThrowInvalidArgException("layer index out of range");
  Bitmap* layer = m_layers[static_cast<std::size_t>(index)].release();
  m_layers.erase(m_layers.begin() + index);
  LayersChanged();
  return layer;
}

Bitmap* CLayerBitmap::DetachLayerByType(int type) {
  const int index = FindLayer(type);
  return index < 0 ? nullptr : DetachLayer(index);
}

void CLayerBitmap::RemoveAll() {
  m_layers.clear();
  LayersChanged();
}

Bitmap* CLayerBitmap::GetRGBABitmap(bool detach) {
  if (const int rgba = FindLayer(vex3d::kBitmapRgba); rgba >= 0) {
    return detach ? DetachLayer(rgba) : GetLayer(rgba);
  }
  int colour = FindLayer(vex3d::kBitmapRgb);
  if (colour < 0) colour = FindLayer(vex3d::kBitmapGray);
  const int alpha = FindLayer(vex3d::kBitmapAlpha);
  if (colour < 0 || alpha < 0) return nullptr;
  if (!m_joined) {
    m_joined.reset(rgbaBitmap::CreateRGBABitmap(*GetLayer(colour), *GetLayer(alpha)));
    if (!m_joined) return nullptr;
  }
  if (!detach) return m_joined.get();
  Bitmap* joined = m_joined.release();
  // Erase the later index first so the earlier one stays valid.
  m_layers.erase(m_layers.begin() + std::max(colour, alpha));
  m_layers.erase(m_layers.begin() + std::min(colour, alpha));
  LayersChanged();
  return joined;
}
