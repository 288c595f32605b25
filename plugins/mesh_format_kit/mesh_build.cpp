#include "mesh_format_kit/mesh_build.h"

#include "mesh/model/channel.h"

namespace vex3d::native {

namespace {

template <class T>
void release(MeshVector<T>& values) {
  MeshVector<T>().swap(values);
}

// A layer's own arrays, once its channel is built.
template <int kWidth, class T>
void release(CornerLayer<kWidth, T>& layer) {
  release(layer.values);
  release(layer.corners);
}

}  // namespace

std::unique_ptr<C3DObject> buildObject(MeshArrays& mesh, std::uint32_t uvChannelId) {
  auto object = std::make_unique<C3DObject>();
  object->Init(mesh.pointCount(), 0, 3, 0, 0);
  C3DPointList& points = *object->GetPointList();
  C3DPoint* p = points.GetData();
  const float* xyz = mesh.positions.data();
  for (int i = 0, n = mesh.pointCount(); i < n; ++i, xyz += 3) p[i].Init(xyz[0], xyz[1], xyz[2]);
  release(mesh.positions);

  C3DFaceList& faces = *object->GetFaceList();
  detail::sizeLike(faces, mesh);
  detail::fillFaces(faces, mesh, mesh.corners, false);
  if (!mesh.materials.empty()) {
    for (int i = 0, n = mesh.faceCount(); i < n; ++i) {
      faces.ElementAt(i)->SetMaterialID(mesh.materials[i]);
    }
    release(mesh.materials);
  }

  if (!mesh.uvw.empty()) {
    auto channel = std::make_unique<CUVWChannel>(uvChannelId);
    CUVWPointList& list = *channel->GetUVWPointList();
    list.SetSize(mesh.uvw.count());
    const float* v = mesh.uvw.values.data();
    for (int i = 0, n = mesh.uvw.count(); i < n; ++i, v += 3) list[i].SetUV(v[0], v[1], v[2]);
    detail::fillChannelFaces(*channel->GetUVWFaceList(), faces, mesh,
                             mesh.uvw.cornersOf(mesh.corners));
    release(mesh.uvw);
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
    release(mesh.colors);
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
    release(mesh.normals);
    object->AddChannel(channel.release());
  }
  mesh.clear();
  return object;
}

}  // namespace vex3d::native
