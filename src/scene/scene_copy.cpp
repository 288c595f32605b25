// Copying nodes and sub-trees between scenes. Every new object comes from
// a creator, so that a caller (export preparation, above all) can convert
// objects on the way; one node that cannot be copied is left out without
// stopping the rest.
#include <cstdint>
#include <cstring>
#include <memory>

#include "hostlib/containers/next_prime.h"
#include "mesh/model/base_object.h"
#include "scene/object_creator.h"
#include "scene/scene.h"

namespace {

constexpr std::uint32_t kSourceNodeKey = 0x52464E4F;  // 'RFNO'
constexpr unsigned int kKeepTogether = COPY_NO_MATERIALS | COPY_NO_CUSTOM_DATA;

C3DSceneNode* asNode(CTreeNode* node) { return static_cast<C3DSceneNode*>(node); }

bool isGroup(const C3DSceneNode* node) {
  return node->GetObject() != nullptr && node->GetObject()->GetKindOf() == OBJECT_GROUP;
}

// Whether the flags leave the node out; the tests run in this order.
bool skipped(const C3DSceneNode& node, unsigned int flags) {
  if ((flags & COPY_SKIP_HIDDEN) && node.IsFlagSet(NODE_HIDDEN)) return true;
  const C3DBaseObject* object = node.GetObject();
  const std::uint32_t kind =
      object != nullptr ? static_cast<std::uint32_t>(object->GetKindOf()) : 0u;
  if ((flags & COPY_SKIP_POLYGONAL) && kind == OBJECT_POLYGONAL) return true;
  if ((flags & COPY_SKIP_PATCHES) && kind == OBJECT_PATCH) return true;
  if ((flags & COPY_SKIP_CURVES) && kind == OBJECT_CURVE) return true;
  // Flattening leaves no group behind, the top-level ones included.
  return (flags & (COPY_SKIP_GROUPS | COPY_FLATTEN)) && kind == OBJECT_GROUP;
}

// Nodes that changed trees follow their new scene.
void adopt(C3DScene* scene, C3DSceneNode* top) {
  top->SetScene(scene);
  for (CTreeNode* n = scene->CTree::GetFirstNode(top); n; n = scene->CTree::GetNextNode(top, n)) {
    asNode(n)->SetScene(scene);
  }
}

bool holdsGeometry(const C3DScene& scene) {
  for (C3DSceneNode* node = scene.GetFirstNode(); node;
       node = asNode(scene.CTree::GetNextNode(nullptr, node))) {
    if (node->GetObject() != nullptr && !isGroup(node)) return true;
  }
  return false;
}

}  // namespace

C3DSceneNode* C3DScene::CopySingleNode(C3DScene* dest, C3DSceneNode* destParent,
                                       const C3DSceneNode* node, unsigned int flags,
                                       C3DObjectCreator* creator) const {
  if (dest == nullptr || node == nullptr) return nullptr;
  C3DObjectCreator fallback;
  if (creator == nullptr) creator = &fallback;
  if (node->GetObject() != nullptr && !creator->IsCopyAllowed(*node->GetObject())) return nullptr;
  if (skipped(*node, flags)) return nullptr;
  std::unique_ptr<C3DSceneNode> copy =
      node->Copy((flags & COPY_TAG_SOURCE_OBJECT) ? 0x10 : 0, creator);
  if (!copy) return nullptr;
  C3DSceneNode* added = copy.release();
  dest->AddNode(destParent, added);
  if (flags & COPY_TAG_SOURCE_NODE) {
    const std::uint64_t address = reinterpret_cast<std::uintptr_t>(node);
    added->GetCustomData().SetBinary(kSourceNodeKey, &address, sizeof address);
  }
  Inherit(dest, node, flags);
  return added;
}

void C3DScene::CopyChilds(C3DScene* dest, C3DSceneNode* destParent, unsigned int flags,
                          const C3DSceneNode* srcParent, C3DObjectCreator* creator) const {
  if (dest == nullptr) return;
  if (srcParent == nullptr) srcParent = GetSceneRoot();
  if (destParent == nullptr) destParent = dest->GetSceneRoot();
  if (srcParent == nullptr) return;
  for (C3DSceneNode* child = GetChildNode(srcParent); child; child = GetRightNode(child)) {
    C3DSceneNode* copy = CopySingleNode(dest, destParent, child, flags, creator);
    if (!isGroup(child) || (flags & COPY_FIRST_LEVEL)) continue;
    if (flags & COPY_FLATTEN) {
      CopyChilds(dest, destParent, flags | kKeepTogether | COPY_SKIP_GROUPS, child, creator);
    } else if (copy != nullptr) {
      CopyChilds(dest, copy, flags | kKeepTogether, child, creator);
    }
  }
  Inherit(dest, srcParent, flags);
}

C3DSceneNode* C3DScene::CopyNode(C3DScene* dest, C3DSceneNode* destParent, const C3DSceneNode* node,
                                 unsigned int flags, C3DObjectCreator* creator) const {
  C3DSceneNode* copy = CopySingleNode(dest, destParent, node, flags | kKeepTogether, creator);
  if (copy != nullptr) CopyChilds(dest, copy, flags | kKeepTogether, node, creator);
  Inherit(dest, node, flags);
  return copy;
}

std::unique_ptr<C3DScene> C3DScene::Copy(unsigned int flags, const C3DSceneNode* srcParent,
                                         C3DObjectCreator* creator) const {
  auto scene = std::make_unique<C3DScene>();
  C3DObjectCreator fallback;
  CopyChilds(scene.get(), scene->GetSceneRoot(), flags, srcParent,
             creator != nullptr ? creator : &fallback);
  if (!holdsGeometry(*scene)) return nullptr;
  return scene;
}

std::unique_ptr<C3DScene> C3DScene::Clone(const C3DSceneNode* node, unsigned int flags) const {
  if (node == nullptr) return nullptr;
  auto scene = std::make_unique<C3DScene>();
  CTreeNode* top =
      scene->CloneNode(scene->GetSceneRoot(), node, (flags & COPY_CLONE_SHARE) ? 1 : 0);
  if (top != nullptr) adopt(scene.get(), asNode(top));
  Inherit(scene.get(), node, flags);
  if (!holdsGeometry(*scene)) return nullptr;
  return scene;
}

C3DSceneNode* C3DScene::Clone(C3DScene* dest, C3DSceneNode* destParent, const C3DSceneNode* node,
                              unsigned int flags) const {
  if (dest == nullptr || node == nullptr) return nullptr;
  CTreeNode* top = dest->CloneNode(destParent != nullptr ? destParent : dest->GetSceneRoot(), node,
                                   (flags & COPY_CLONE_SHARE) ? 1 : 0);
  if (top == nullptr) return nullptr;
  adopt(dest, asNode(top));
  Inherit(dest, node, flags);
  return asNode(top);
}

C3DSceneNode* C3DScene::Move(C3DScene* dest, C3DSceneNode* destParent, C3DSceneNode* node,
                             unsigned int flags) const {
  if (dest == nullptr || node == nullptr) return nullptr;
  // The materials are gathered while the node still sits in this scene.
  Inherit(dest, node, flags);
  if (!dest->MoveNode(node, destParent != nullptr ? destParent : dest->GetSceneRoot())) {
    return nullptr;
  }
  adopt(dest, node);
  return node;
}

void C3DScene::Inherit(C3DScene* dest, const C3DSceneNode* node, unsigned int flags) const {
  if (dest == nullptr || dest == this) return;
  if (!(flags & COPY_NO_MATERIALS) && node != nullptr) {
    CHashTable<std::uint32_t> used(NextPrime(101));
    GetMaterials(node, used, 0);
    if (C3DBaseObject* object = node->GetObject()) {
      if (const CHashTable<unsigned int>* own = object->GetMaterialsHash()) {
        for (unsigned int id : *own) used.Insert(id);
      }
    }
    if (!used.IsEmpty())
      dest->CopyMaterials(m_materials, COPY_MATERIALS_ASSIGN | COPY_MATERIALS_FILTER, &used);
  }
  if (!(flags & COPY_NO_CUSTOM_DATA)) dest->m_customData = m_customData;
}
