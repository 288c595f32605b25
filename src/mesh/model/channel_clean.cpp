// A channel follows a mesh clean on its own lists: the mesh's face remap
// says which channel faces go, but the channel's point list is shared by its
// corners in its own way, so its points are cleaned against its own faces.
#include "hostlib/containers/int_map.h"
#include "mesh/model/channel.h"
#include "mesh/model/face_list.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_list.h"

int CChannel::Clean(CGeomInfo* geom, CIntMap* faceRemap, CIntMap* pointRemap) {
  CFaceList* faces = GetFaceList();
  CPointList* points = GetPointList();
  // The channel's lists as a mesh of their own, without channels: cleaning
  // them must not reach back into the mesh's channel set.
  CGeomInfo own(faces, points);
  if (faces != nullptr) {
    if (faceRemap != nullptr) faces->InvalidateFaces(&own, faceRemap);
    faces->Clean(&own, CleanRemoveDuplicateIndex(), nullptr);
    if (points != nullptr) {
      CIntMap remap;
      if (points->Clean(faces, &remap)) faces->UpdateIndex(remap);
    }
  } else if (points != nullptr && pointRemap != nullptr) {
    // Channel point i stands for mesh point i, so it goes exactly when the
    // mesh point went.
    points->InvalidatePoints(&own, pointRemap);
    points->Clean(nullptr, nullptr);
  }
  DeleteGraph();

  const CFaceList* meshFaces = geom != nullptr ? geom->GetSrcFaceList() : nullptr;
  if (faces != nullptr && meshFaces != nullptr && faces->GetSize() != meshFaces->GetSize()) {
    SetFlag(CHANNEL_INVALID, 1);
    return 0;
  }
  return 1;
}
