// Check-out of a freshly read scene: readers deliver what the file held,
// and files hold unnamed objects, NaN coordinates, faces naming points that
// do not exist and memory reserved for more than was read. Everything here
// repairs rather than refuses: a damaged face is dropped, a bad coordinate
// becomes 0.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "hostlib/core/parallel_parts.h"
#include "hostlib/text/strings.h"
#include "material/material.h"
#include "material/material_map.h"
#include "math/matrix4x4.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/point_lists.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"

namespace {

constexpr int kElementsPerPart = 65536;

C3DSceneNode* asNode(CTreeNode* node) { return static_cast<C3DSceneNode*>(node); }

bool lessIgnoringCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lx = static_cast<unsigned char>(x >= 'A' && x <= 'Z' ? x - 'A' + 'a' : x);
    const auto ly = static_cast<unsigned char>(y >= 'A' && y <= 'Z' ? y - 'A' + 'a' : y);
    return lx < ly;
  });
}

// NaN coordinates become 0 and faces naming missing points are flagged;
// true when a face was.
// Both walks write only the element they are at, so a large object's
// elements are shared among the processors.
bool repairGeometry(C3DBaseObject& object) {
  if (C3DPointList* points = object.GetPointList()) {
    vex3d::forEachPart(points->GetSize(), kElementsPerPart, [points](int begin, int end) {
      for (int i = begin; i < end; ++i) {
        C3DPoint& p = points->ElementAt(i);
        for (float* v : {&p.x, &p.y, &p.z}) {
          if (std::isnan(*v)) *v = 0.0f;
        }
      }
    });
  }
  C3DFaceList* faces = object.GetFaceList();
  if (faces == nullptr) return false;
  const int count = object.GetPointNbr();
  std::atomic<bool> damaged{false};
  vex3d::forEachPart(faces->GetSize(), kElementsPerPart, [&](int begin, int end) {
    for (int f = begin; f < end; ++f) {
      C3DFace* face = faces->ElementAt(f);
      for (std::uint32_t k = 0; k < face->GetSize(); ++k) {
        if ((*face)[k] < 0 || (*face)[k] >= count) {
          face->SetFlags(FACE_INVALID, 1);
          damaged.store(true, std::memory_order_relaxed);
          break;
        }
      }
    }
  });
  return damaged.load();
}

void releaseSpareRoom(C3DBaseObject& object) {
  if (object.GetFaceList() != nullptr) object.GetFaceList()->FreeExtra();
  if (object.GetPointList() != nullptr) object.GetPointList()->FreeExtra();
  CDependentChannels& channels = *object.GetChannels();
  for (int i = 0; i < channels.GetSize(); ++i) {
    CChannel* c = channels.GetChannelByIndex(i);
    if (c->GetPointList() != nullptr) c->GetPointList()->FreeExtra();
    if (c->GetFaceList() != nullptr) c->GetFaceList()->FreeExtra();
  }
}

}  // namespace

void C3DScene::CheckoutNode(int flags, unsigned swap) {
  std::map<std::uint32_t, int> kindCount;
  std::vector<C3DSceneNode*> nodes;
  for (C3DSceneNode* node = GetFirstNode(); node;
       node = asNode(CTree::GetNextNode(nullptr, node))) {
    nodes.push_back(node);
    C3DBaseObject* object = node->GetObject();
    if (object == nullptr) continue;
    const int n = ++kindCount[object->GetKindOf()];
    if (node->GetName().empty()) {
      node->SetName(vex3d::formatText("%s %d", object->GetTypeString().c_str(), n));
    }
    if (swap != 0) node->SwapCoordinates(swap);
    if (object->GetKindOf() == OBJECT_GROUP) continue;
    const bool damaged = repairGeometry(*object);
    CDependentChannels& channels = *object->GetChannels();
    if (CSpecNormalChannel* normals = channels.GetSpecNormalChannel()) {
      if (!normals->Normalize()) channels.RemoveChannel(normals);
    }
    if (damaged) object->Clean();
    releaseSpareRoom(*object);
    if ((flags & IMPORT_WELD_POINTS) && object->GetPointList() != nullptr) {
      int points = 0;
      int faces = 0;
      object->Weld3DPoints(0.0f, points, faces, 0xFFFF);
    }
  }

  // Siblings in case-insensitive name order: moving each child, in order,
  // to the end of its parent's children rebuilds the links.
  std::stable_sort(nodes.begin(), nodes.end(), [this](C3DSceneNode* a, C3DSceneNode* b) {
    const std::uint32_t da = GetNodeDepth(a);
    const std::uint32_t db = GetNodeDepth(b);
    if (da != db) return da < db;
    const C3DSceneNode* pa = GetParent(a);
    const C3DSceneNode* pb = GetParent(b);
    if (pa != pb) return std::less<const C3DSceneNode*>()(pa, pb);
    return lessIgnoringCase(a->GetName(), b->GetName());
  });
  for (C3DSceneNode* node : nodes) MoveNode(node, GetParent(node));
}

void C3DScene::CheckoutImport(CSceneImportOptions& options, unsigned swap) {
  CheckoutNode(static_cast<int>(options.m_flags), swap);
  std::uint32_t index = 0;
  int n = 1;
  for (C3DMaterial* m = GetFirstMaterial(index); m; m = GetNextMaterial(index), ++n) {
    if (m->GetName().empty()) {
      m->SetName(vex3d::formatText("%s %d", LoadStringW(vex3d::kStrMaterial).c_str(), n));
    }
  }
  if (swap == 0) return;
  C4x4Matrix permutation;
  C4x4Matrix mirror;
  permutation.InitSwap(swap & 7);
  mirror.InitSwap(swap & 0x38);
  index = 0;
  for (C3DMaterial* m = GetFirstMaterial(index); m; m = GetNextMaterial(index)) {
    for (MapType type : {MAP_DIFFUSE, MAP_AMBIENT, MAP_SPECULAR, MAP_TRANSPARENCY}) {
      CMaterialMap* map = m->GetMaterialMap(type);
      if (map == nullptr || map->GetProjection() <= PROJECTION_EXPLICIT) continue;
      C4x4Matrix matrix = map->GetMatrix();
      matrix *= permutation;
      matrix *= mirror;
      map->SetMatrix(matrix);
    }
  }
}
