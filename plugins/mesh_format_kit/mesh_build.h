#pragma once
// Flat arrays, as the readers collect them, turned into a polygonal object
// in one pass: the lists are sized once and filled in place, which is what
// makes reading large files fast.
#include <cstdint>
#include <memory>
#include <vector>

#include "mesh/model/base_object.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"

namespace vex3d::native {

// The readers' arrays hold a whole mesh: large, and written in order.
template <class T>
using MeshVector = std::vector<T>;

// One per-corner layer: its own values and, per corner of the mesh, the
// value the corner takes. A layer of one value per mesh point takes the
// mesh's own corners rather than a copy of them.
template <int kWidth, class T>
struct CornerLayer {
  MeshVector<T> values;     // kWidth per value
  MeshVector<int> corners;  // one per mesh corner, same order as the mesh
  bool perPoint = false;    // corners are the mesh's
  bool empty() const { return corners.empty() && !perPoint; }
  int count() const { return static_cast<int>(values.size() / kWidth); }
  const MeshVector<int>& cornersOf(const MeshVector<int>& meshCorners) const {
    return perPoint ? meshCorners : corners;
  }
};

// A face keeps its corner count in 16 bits: readers refuse longer faces
// rather than let the face list throw.
inline constexpr std::size_t kMaxFaceCorners = 65535;

struct MeshArrays {
  MeshVector<float> positions;          // x y z per point
  MeshVector<int> corners;              // mesh point per corner
  MeshVector<std::uint32_t> faceSizes;  // corners per face; empty: all triangles
  MeshVector<std::uint32_t> materials;  // per face; empty: all 0
  CornerLayer<3, float> uvw;
  CornerLayer<3, float> normals;
  CornerLayer<4, std::uint8_t> colors;  // r g b a

  int pointCount() const { return static_cast<int>(positions.size() / 3); }
  int faceCount() const {
    return faceSizes.empty() ? static_cast<int>(corners.size() / 3)
                             : static_cast<int>(faceSizes.size());
  }
  void clear() { *this = MeshArrays(); }
};

namespace detail {

// `sized`: the records already have their corner counts (made from the
// mesh's shape), only the indices are written.
template <class TList>
void fillFaces(TList& faces, const MeshArrays& mesh, const MeshVector<int>& corners, bool sized) {
  const int n = mesh.faceCount();
  const int* source = corners.data();
  for (int i = 0; i < n; ++i) {
    const std::uint32_t size = mesh.faceSizes.empty() ? 3u : mesh.faceSizes[i];
    auto* face = faces.ElementAt(i);
    if (!sized) face->SetSize(size);
    int* out = face->GetIndices();
    for (std::uint32_t k = 0; k < size; ++k) out[k] = source[k];
    source += size;
  }
}

template <class TList>
void sizeLike(TList& faces, const MeshArrays& mesh) {
  if (mesh.faceSizes.empty()) {
    faces.SetSize(mesh.faceCount(), 3);
  } else {
    std::vector<int> capacities(mesh.faceSizes.begin(), mesh.faceSizes.end());
    faces.SetSize(mesh.faceCount(), capacities.data());
  }
}

template <class TList>
void fillChannelFaces(TList& faces, const C3DFaceList& shape, const MeshArrays& mesh,
                      const MeshVector<int>& corners) {
  faces.SetSize(shape);
  fillFaces(faces, mesh, corners, true);
}

}  // namespace detail

// The caller has checked every corner index against its value count.
// `uvChannelId` names the texture channel (materials refer to it). `mesh`
// is emptied on the way: each array goes as soon as the list made from it
// is built, so that the next list takes its memory rather than fresh pages.
std::unique_ptr<C3DObject> buildObject(MeshArrays& mesh, std::uint32_t uvChannelId);

}  // namespace vex3d::native
