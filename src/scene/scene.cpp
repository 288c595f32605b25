#include "scene/scene.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "hostlib/core/archive.h"
#include "hostlib/files/profile.h"
#include "mesh/algorithms/patch.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "scene/object_kinds.h"

IMPLEMENT_SERIAL(C3DScene, CTree, 1)

_SceneData GlobalSceneData;

unsigned int GetGlobalPatchLevel() { return GlobalSceneData.patchLevel; }

namespace {

constexpr std::uint32_t kFileNameKey = 0x534E464C;   // 'SNFL'
constexpr std::uint32_t kFileClassKey = 0x534E4643;  // 'SNFC'
constexpr std::uint32_t kSceneVersion = 1;

C3DSceneNode* asNode(CTreeNode* node) { return static_cast<C3DSceneNode*>(node); }

bool isGroupNode(const C3DSceneNode* node) {
  return node->GetObject() != nullptr && node->GetObject()->GetKindOf() == OBJECT_GROUP;
}

}  // namespace

C3DScene::C3DScene() { makeRoot(); }

C3DScene::~C3DScene() = default;

void C3DScene::makeRoot() {
  auto* root = new C3DSceneNode;
  root->SetName("Scene");
  root->SetObject(new C3DGroup);
  root->SetScene(this);
  SetRoot(root);
}

C3DSceneNode* C3DScene::GetSceneRoot() const { return asNode(GetRoot()); }

C3DSceneNode* C3DScene::GetFirstNode(const C3DSceneNode* start) const {
  return asNode(CTree::GetFirstNode(start));
}

C3DSceneNode* C3DScene::GetNextNode(C3DBaseObject*& object, CSceneIterator& it,
                                    const C3DSceneNode* start) const {
  C3DSceneNode* node = it.next;
  object = node != nullptr ? node->GetObject() : nullptr;
  if (node != nullptr) it.next = asNode(CTree::GetNextNode(start, node));
  return node;
}

C3DSceneNode* C3DScene::GetChildNode(const C3DSceneNode* node) const {
  return asNode(CTree::GetChild(node));
}

C3DSceneNode* C3DScene::GetRightNode(const C3DSceneNode* node) const {
  return node != nullptr ? asNode(CTree::GetRight(node)) : nullptr;
}

C3DSceneNode* C3DScene::GetParent(const C3DSceneNode* node) const {
  return node != nullptr ? asNode(CTree::GetParent(node)) : nullptr;
}

std::uint32_t C3DScene::GetNodeDepth(const C3DSceneNode* node) const {
  return node != nullptr ? GetDepth(node) - 1 : 0xFFFFFFFF;
}

C3DSceneNode* C3DScene::FindSceneNode(C3DBaseObject* object) const {
  const C3DSceneNode key(object, 1);
  return asNode(FindNode(key));
}

void C3DScene::AddNode(C3DSceneNode* parent, C3DSceneNode* node) {
  if (node == nullptr) return;
  node->SetScene(this);
  AddChild(parent != nullptr ? parent : GetSceneRoot(), node);
}

C3DSceneNode* C3DScene::RemoveNode(C3DSceneNode* node, int deleteIt) {
  if (node == nullptr || IsSceneRoot(node) || !NodeExist(node)) return nullptr;
  if (deleteIt) {
    DeleteNode(node);
    return nullptr;
  }
  CTree::RemoveNode(node);
  return node;
}

void C3DScene::RemoveAllNodes() { DeleteChildren(GetSceneRoot()); }

int C3DScene::GetNodeNbr(int excludeGroups) const {
  int n = 0;
  for (C3DSceneNode* node = GetFirstNode(); node;
       node = asNode(CTree::GetNextNode(nullptr, node))) {
    if (!excludeGroups || !isGroupNode(node)) ++n;
  }
  return n;
}

int C3DScene::GetPointNbr() const {
  int n = 0;
  for (C3DSceneNode* node = GetFirstNode(); node;
       node = asNode(CTree::GetNextNode(nullptr, node))) {
    if (node->GetObject() != nullptr) n += node->GetObject()->GetPointNbr();
  }
  return n;
}

int C3DScene::GetFaceNbr() const {
  int n = 0;
  for (C3DSceneNode* node = GetFirstNode(); node;
       node = asNode(CTree::GetNextNode(nullptr, node))) {
    if (node->GetObject() != nullptr) n += node->GetObject()->GetFaceNbr();
  }
  return n;
}

int C3DScene::GetNodesByMaterial(std::uint32_t materialID,
                                 CArrayID<C3DSceneNode*, C3DSceneNode*>& nodes, int clear) const {
  if (clear) nodes.SetSize(0);
  for (C3DSceneNode* node = GetFirstNode(); node;
       node = asNode(CTree::GetNextNode(nullptr, node))) {
    C3DBaseObject* object = node->GetObject();
    const CHashTable<unsigned int>* hash = object != nullptr ? object->GetMaterialsHash() : nullptr;
    if (hash != nullptr && hash->Contains(materialID)) nodes.Add(node);
  }
  return nodes.GetSize();
}

void C3DScene::GetMaterials(const C3DSceneNode* start, CHashTable<std::uint32_t>& hash,
                            int clear) const {
  if (clear) hash.Clear();
  for (C3DSceneNode* node = GetFirstNode(start); node;
       node = asNode(CTree::GetNextNode(start, node))) {
    C3DBaseObject* object = node->GetObject();
    const CHashTable<unsigned int>* used = object != nullptr ? object->GetMaterialsHash() : nullptr;
    if (used == nullptr) continue;
    for (unsigned int id : *used) hash.Insert(id);
  }
}

int C3DScene::GetLinkedFiles(CArrayID<std::string>& files) const {
  files.SetSize(0);
  for (const auto& entry : m_materials.GetMap()) {
    const CMaterialMap* map = entry.value ? entry.value->GetDiffuseMaps() : nullptr;
    if (map != nullptr && !map->GetFileName().empty()) files.Add(map->GetFileName());
  }
  return files.GetSize();
}

// The index is the slot of the material's entry, so the walk is linear.
C3DMaterial* C3DScene::GetFirstMaterial(std::uint32_t& index) const {
  const vex3d::HashPosition first = m_materials.GetMap().GetFirst();
  index = first.Slot();
  return first ? m_materials.GetMap().GetValueAt(first).get() : nullptr;
}

C3DMaterial* C3DScene::GetNextMaterial(std::uint32_t& index) const {
  if (index == vex3d::HashPosition::kNone) return nullptr;
  const vex3d::HashPosition next = m_materials.GetMap().GetNext(vex3d::HashPosition(index));
  index = next.Slot();
  return next ? m_materials.GetMap().GetValueAt(next).get() : nullptr;
}

C3DMaterial* C3DScene::FindMaterial(const C3DMaterial& material, int exact) const {
  for (const auto& entry : m_materials.GetMap()) {
    C3DMaterial* candidate = entry.value.get();
    if (candidate == nullptr) continue;
    if (exact ? *candidate == material : candidate->HasSameParameters(material)) return candidate;
  }
  return nullptr;
}

void C3DScene::SetFilename(const CFileNameSpec& file) {
  m_customData.SetString(kFileNameKey, file.GetName());
  m_customData.SetUInt(kFileClassKey, file.GetFileClass());
}

CFileNameSpec C3DScene::GetFilename() const {
  return CFileNameSpec(m_customData.GetString(kFileNameKey), m_customData.GetUInt(kFileClassKey));
}

std::string C3DScene::GetFilepath() const {
  const std::string name = m_customData.GetString(kFileNameKey);
  const std::size_t slash = name.find_last_of('/');
  return slash == std::string::npos ? std::string() : name.substr(0, slash + 1);
}

int C3DScene::SetCurrentTime(int t) {
  const int clamped = GetTimeRange().AdjustTime(t);
  if (clamped == m_time) return 0;
  m_time = clamped;
  return 1;
}

CTimeRange C3DScene::GetTimeRange() const {
  CTimeRange range(0, 0);
  for (C3DSceneNode* node = GetFirstNode(); node;
       node = asNode(CTree::GetNextNode(nullptr, node))) {
    range |= node->GetTimeRange(vex3d::kAnyKeyClass);
  }
  return range;
}

const C3DKeyframe* C3DScene::GetConstKey(int time, unsigned flags, std::uint32_t classID,
                                         int* keyTime) const {
  const C3DKeyframe* held = nullptr;
  int heldTime = 0;
  for (C3DSceneNode* node = GetFirstNode(); node;
       node = asNode(CTree::GetNextNode(nullptr, node))) {
    int t = 0;
    const C3DKeyframe* key = node->GetConstKey(time, flags, classID, &t);
    if (key == nullptr) continue;
    if (held == nullptr) {
      held = key;
      heldTime = t;
    } else if ((flags & vex3d::kFindExact) && t == time) {
      held = key;
      heldTime = t;
    } else if ((flags & vex3d::kFindPrevious) ? t > heldTime
                                              : ((flags & vex3d::kFindNext) && t < heldTime)) {
      held = key;
      heldTime = t;
    }
    if ((flags & vex3d::kFindExact) && heldTime == time) break;
  }
  if (keyTime != nullptr && held != nullptr) *keyTime = heldTime;
  return held;
}

void C3DScene::DeleteAllKeys() {
  for (C3DSceneNode* node = GetFirstNode(); node;
       node = asNode(CTree::GetNextNode(nullptr, node))) {
    node->DeleteAllKeys();
  }
}

void C3DScene::SetGlobalSmoothAngle(float angle) {
  for (C3DSceneNode* node = GetFirstNode(); node;
       node = asNode(CTree::GetNextNode(nullptr, node))) {
    C3DBaseObject* object = node->GetObject();
    if (object != nullptr && object->GetSmoothAngle() != angle) {
      object->GetChannels()->Invalidate(CHANNEL_POINT_NORMAL);
    }
  }
  GlobalSceneData.smoothAngle = angle;
  vex3d::setGlobalSmoothAngle(angle);
  CAppProfile::Get().WriteProfileInt("Render", "smooth",
                                     static_cast<int>(angle * 180.0f / 3.1415927f));
}

float C3DScene::GetGlobalSmoothAngle() const { return GlobalSceneData.smoothAngle; }

void C3DScene::SetGlobalPatchLevel(unsigned int level) {
  const int clamped = static_cast<int>(std::min<unsigned int>(level, C3DPatch::kMaxLevel));
  for (C3DSceneNode* node = GetFirstNode(); node;
       node = asNode(CTree::GetNextNode(nullptr, node))) {
    C3DBaseObject* object = node->GetObject();
    if (object == nullptr) continue;
    if (C3DPatch* patch = *object) patch->SetLevel(clamped);
  }
  GlobalSceneData.patchLevel = level;
  CAppProfile::Get().WriteProfileInt("Render", "patchlevel", static_cast<int>(level));
}

void C3DScene::Clean() {
  for (C3DSceneNode* node = GetFirstNode(); node;
       node = asNode(CTree::GetNextNode(nullptr, node))) {
    if (node->GetObject() != nullptr) node->GetObject()->Clean();
  }
}

int C3DScene::DisconnectBorderFaces() {
  int split = 0;
  for (C3DSceneNode* node = GetFirstNode(); node;
       node = asNode(CTree::GetNextNode(nullptr, node))) {
    if (node->GetObject() != nullptr) split |= node->GetObject()->DisconnectBorderFaces();
  }
  return split;
}

void C3DScene::Concatenate(const std::string& name) {
  std::vector<C3DBaseObject*> sources;
  int points = 0;
  int faces = 0;
  std::uint64_t corners = 0;
  for (C3DSceneNode* node = GetFirstNode(); node;
       node = asNode(CTree::GetNextNode(nullptr, node))) {
    C3DBaseObject* object = node->GetObject();
    if (object == nullptr || node->IsFlagSet(NODE_HIDDEN) || object->IsFlagSet(OBJECT_EMPTY) ||
        object->GetKindOf() == OBJECT_CURVE || object->GetKindOf() == OBJECT_GROUP) {
      continue;
    }
    sources.push_back(object);
    points += object->GetPointNbr();
    faces += object->GetFaceNbr();
    if (const C3DFaceList* f = object->GetFaceList()) {
      for (int i = 0; i < f->GetSize(); ++i) corners += f->ElementAt(i)->GetSize();
    }
  }
  // A lone mesh is what appending it would give: its lists move over
  // instead of being copied.
  std::unique_ptr<C3DObject> merged = sources.size() == 1 ? sources.front()->TakeMesh() : nullptr;
  if (!merged) {
    // Sized once, and each source emptied once appended: the whole scene
    // never exists twice, which matters for scenes of millions of faces.
    merged = std::make_unique<C3DObject>(new C3DPointList, new C3DFaceList);
    merged->GetPointList()->Reserve(points);
    merged->GetFaceList()->Reserve(faces, corners);
    for (C3DBaseObject* object : sources) {
      merged->Concatenate(object, 0);
      if (object->GetPointList() != nullptr) object->GetPointList()->RemoveAll();
      if (object->GetFaceList() != nullptr) object->GetFaceList()->RemoveAll();
      object->GetChannels()->RemoveAll();
    }
  }
  RemoveAllNodes();
  if (merged->GetPointNbr() == 0 || merged->GetFaceNbr() == 0) return;
  auto* node = new C3DSceneNode;
  node->SetName(name);
  node->SetObject(merged.release());
  AddNode(nullptr, node);
}

void C3DScene::CleanGroups() {
  C3DSceneNode* node = GetFirstNode();
  while (node != nullptr) {
    if (!isGroupNode(node)) {
      node = asNode(CTree::GetNextNode(nullptr, node));
      continue;
    }
    const unsigned int children = GetChildNbr(node);
    if (children == 0) {
      node = asNode(DeleteNode(node));
    } else if (children == 1) {
      MoveNode(GetChildNode(node), GetParent(node));
      node = asNode(DeleteNode(node));
    } else {
      node = asNode(CTree::GetNextNode(nullptr, node));
    }
  }
}

void C3DScene::RemoveGroups() {
  C3DSceneNode* node = GetFirstNode();
  while (node != nullptr) {
    if (!isGroupNode(node)) {
      node = asNode(CTree::GetNextNode(nullptr, node));
    } else if (GetChildNbr(node) > 0) {
      MoveNode(GetChildNode(node), GetSceneRoot());
      node = GetFirstNode();
    } else {
      node = asNode(DeleteNode(node));
    }
  }
}

void C3DScene::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << kSceneVersion;
    m_customData.Serialize(ar);
    m_materials.Serialize(ar);
    CTree::Serialize(ar);
    return;
  }
  std::uint32_t version = 0;
  ar >> version;
  if (version != kSceneVersion) return;
  CCustomData customData;
  customData.Serialize(ar);
  CMaterials materials;
  materials.Serialize(ar);
  CTree tree;
  tree.Serialize(ar);
  // Every node must be a scene node holding an object.
  for (CTreeNode* n = tree.GetRoot(); n != nullptr;
       n = n == tree.GetRoot() ? tree.GetFirstNode() : tree.GetNextNode(nullptr, n)) {
    const auto* node = dynamic_cast<const C3DSceneNode*>(n);
    if (node == nullptr || node->GetObject() == nullptr) {
      AfxThrowArchiveException(CArchiveException::badClass, "scene: a node is not a scene node");
    }
  }
  m_customData = std::move(customData);
  m_materials.CopyMaterials(materials, COPY_MATERIALS_CLEAR, nullptr);
  if (CTreeNode* root = tree.GetRoot()) {
    tree.RemoveNode(root);
    SetRoot(root);
  } else {
    makeRoot();
  }
  GetSceneRoot()->SetScene(this);
  for (C3DSceneNode* node = GetFirstNode(); node;
       node = asNode(CTree::GetNextNode(nullptr, node))) {
    node->SetScene(this);
  }
  m_time = 0;
}
