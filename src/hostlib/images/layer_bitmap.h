#pragma once
// An image made of layers: what reading an image file gives, and one frame of
// a CFrameBitmap.
#include <memory>
#include <vector>

#include "hostlib/hostlib_export.h"
#include "hostlib/images/bitmap.h"

// Layers are bitmaps whose type (Bitmap::GetType) is the layer's type: an
// image file reads as a colour layer (type 1) followed, when the file has
// one, by its alpha layer (type 5); a rendering wrapped whole is one RGB or
// RGBA layer. The layer bitmap owns its layers; a detached layer belongs to
// the caller.
class VEXHOST_EXPORT CLayerBitmap {
 public:
  CLayerBitmap();
  // Takes ownership of `layer`; null gives an image without layers.
  explicit CLayerBitmap(Bitmap* layer);
  explicit CLayerBitmap(std::unique_ptr<Bitmap> layer);
  ~CLayerBitmap();
  CLayerBitmap(const CLayerBitmap&) = delete;
  CLayerBitmap& operator=(const CLayerBitmap&) = delete;

  int GetLayerNbr() const { return static_cast<int>(m_layers.size()); }
  // Still owned by the layer bitmap. Throws CInvalidArgException outside
  // [0, GetLayerNbr()).
  Bitmap* GetLayer(int index) const;
  // Index of the first layer of `type` (vex3d::kBitmapAnyType: the first
  // layer); -1 when there is none.
  int FindLayer(int type) const;
  // Size of the first layer; 0 without layers.
  int GetWidth() const;
  int GetHeight() const;

  // Takes ownership of `layer` and appends it; returns its index, or -1 for
  // null.
  int AddLayer(Bitmap* layer);
  int AddLayer(std::unique_ptr<Bitmap> layer);
  // Removes the layer and hands it to the caller. Throws CInvalidArgException
  // outside [0, GetLayerNbr()).
  Bitmap* DetachLayer(int index);
  // Removes the first layer of `type` (1 colour, 2 colour with alpha, 4 grey,
  // 5 alpha, 255 whichever comes first) and hands it to the caller; null when
  // there is none.
  Bitmap* DetachLayerByType(int type);
  // Deletes every layer.
  void RemoveAll();

  // The image as one RGBA bitmap: its RGBA layer, or its colour layer (type 1,
  // else 4) joined with its alpha layer (type 5). Null when the image has no
  // alpha, so that callers fall back to the colour layer.
  // detach false: the bitmap stays owned by the layer bitmap and lives until
  // its layers change. detach true: the layers it was made from are removed
  // and the caller owns the result.
  Bitmap* GetRGBABitmap(bool detach);

 private:
  void LayersChanged() { m_joined.reset(); }

  std::vector<std::unique_ptr<Bitmap>> m_layers;
  // Colour and alpha joined by a non-detaching GetRGBABitmap.
  std::unique_ptr<Bitmap> m_joined;
};
