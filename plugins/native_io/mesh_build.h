#pragma once
// Flat arrays, as the readers collect them, turned into a polygonal object
// in one pass: the lists are sized once and filled in place, which is what
// makes reading large files fast.
#include <cstdint>
#include <memory>
#include <vector>

#include "hostlib/huge_pages.h"
#include "mesh/model/base_object.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"

namespace vex3d::native {

// The readers' arrays hold a whole mesh: large, and written right away.
template <class T>
using MeshVector = std::vector<T, HugePageAllocator<T>>;

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
// `uvChannelId` names the texture channel (materials refer to it).
inline std::unique_ptr<C3DObject> buildObject(const MeshArrays& mesh, std::uint32_t uvChannelId) {
  auto object = std::make_unique<C3DObject>();
  object->Init(mesh.pointCount(), 0, 3, 0, 0);
  C3DPointList& points = *object->GetPointList();
  C3DPoint* p = points.GetData();
  const float* xyz = mesh.positions.data();
  for (int i = 0, n = mesh.pointCount(); i < n; ++i, xyz += 3) p[i].Init(xyz[0], xyz[1], xyz[2]);

  C3DFaceList& faces = *object->GetFaceList();
  detail::sizeLike(faces, mesh);
  detail::fillFaces(faces, mesh, mesh.corners, false);
  if (!mesh.materials.empty()) {
    for (int i = 0, n = mesh.faceCount(); i < n; ++i) {
      faces.ElementAt(i)->SetMaterialID(mesh.materials[i]);
    }
  }

  if (!mesh.uvw.empty()) {
    auto channel = std::make_unique<CUVWChannel>(uvChannelId);
    CUVWPointList& list = *channel->GetUVWPointList();
    list.SetSize(mesh.uvw.count());
    const float* v = mesh.uvw.values.data();
    for (int i = 0, n = mesh.uvw.count(); i < n; ++i, v += 3) list[i].SetUV(v[0], v[1], v[2]);
    detail::fillChannelFaces(*channel->GetUVWFaceList(), faces, mesh,
                             mesh.uvw.cornersOf(mesh.corners));
    object->AddChannel(channel.release());
  }
  if (!mesh.colors.empty()) {
    auto channel = std::make_unique<CVCChannel>();
    CVCPointList& list = *channel->GetVCPointList();
    list.SetSize(mesh.colors.count());
    const std::uint8_t* c = mesh.colors.values.data();
    for (int i = 0, n = mesh.colors.count(); i < n; ++i, c += 4) {
      list[i].SetColor(CRGBColor(c[0], c[1], c[2], c[3]));
    }
    detail::fillChannelFaces(*channel->GetVCFaceList(), faces, mesh,
                             mesh.colors.cornersOf(mesh.corners));
    const std::uint32_t id = channel->GetChannelID();
    object->AddChannel(channel.release());
    object->SetGlobalVCChannel(id, 1.0f);
  }
  if (!mesh.normals.empty()) {
    auto channel = std::make_unique<CSpecNormalChannel>();
    C3DVectorList& list = *channel->GetNormalVectorList();
    list.SetSize(mesh.normals.count());
    const float* v = mesh.normals.values.data();
    for (int i = 0, n = mesh.normals.count(); i < n; ++i, v += 3) list[i].Init(v[0], v[1], v[2]);
    detail::fillChannelFaces(*channel->GetNormalFaceList(), faces, mesh,
                             mesh.normals.cornersOf(mesh.corners));
    object->AddChannel(channel.release());
  }
  return object;
}

}  // namespace vex3d::native
