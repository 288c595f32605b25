// Export preparation: a copy of the user's scene is brought, step by step,
// to what the target format can hold, and every change is logged so that
// the user learns what the file lost. The user's scene is never touched
// unless the caller asks to prepare in place.
#include <memory>
#include <string>
#include <vector>

#include "hostlib/containers/next_prime.h"
#include "hostlib/files/file_utils.h"
#include "hostlib/text/strings.h"
#include "material/material.h"
#include "mesh/algorithms/patch.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "scene/object_creator.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"

namespace {

// A face flag of the preparation's own: faces to be cut.
constexpr std::uint32_t kCutFace = 0x80;

C3DSceneNode* asNode(CTreeNode* node) { return static_cast<C3DSceneNode*>(node); }

void logChange(CSceneExportOptions& options, unsigned id, const std::string& name) {
  options.AddLogInfo(CIoOptions::logChange, FormatString(id, name.c_str()));
}

bool holdsGeometry(const C3DScene& scene) {
  for (C3DSceneNode* node = scene.GetFirstNode(); node;
       node = asNode(scene.CTree::GetNextNode(nullptr, node))) {
    if (node->GetObject() != nullptr && node->GetObject()->GetKindOf() != OBJECT_GROUP) {
      return true;
    }
  }
  return false;
}

// Every object of the scene, in traversal order.
template <class F>
void forEachObject(C3DScene& scene, F&& f) {
  for (C3DSceneNode* node = scene.GetFirstNode(); node;
       node = asNode(scene.CTree::GetNextNode(nullptr, node))) {
    if (node->GetObject() != nullptr) f(*node, *node->GetObject());
  }
}

// Deletes the nodes `doomed` picks, with their sub-trees.
template <class F>
void deleteNodes(C3DScene& scene, F&& doomed) {
  for (C3DSceneNode* node = scene.GetFirstNode(); node;) {
    node = doomed(*node) ? asNode(scene.DeleteNode(node))
                         : asNode(scene.CTree::GetNextNode(nullptr, node));
  }
}

std::unique_ptr<C3DScene> copyForExport(const C3DScene& user) {
  auto scene = std::make_unique<C3DScene>();
  C3DObjectCreator creator;
  for (C3DSceneNode* child = user.GetChildNode(user.GetSceneRoot()); child;
       child = user.GetRightNode(child)) {
    C3DSceneNode* copy = user.CopySingleNode(scene.get(), nullptr, child, 0, &creator);
    const C3DBaseObject* object = child->GetObject();
    if (copy != nullptr && object != nullptr && object->GetKindOf() == OBJECT_GROUP) {
      user.CopyChilds(scene.get(), copy, COPY_NO_MATERIALS | COPY_NO_CUSTOM_DATA, child, &creator);
    }
  }
  user.Inherit(scene.get(), user.GetSceneRoot(), 0);
  if (!holdsGeometry(*scene)) return nullptr;
  return scene;
}

// Only the materials the user's objects use, each of them present.
void matchMaterials(const C3DScene& user, C3DScene& scene) {
  CHashTable<std::uint32_t> used(NextPrime(101));
  user.GetMaterials(nullptr, used, 1);
  std::vector<std::uint32_t> unused;
  std::uint32_t index = 0;
  for (C3DMaterial* m = scene.GetFirstMaterial(index); m; m = scene.GetNextMaterial(index)) {
    if (!used.Contains(m->GetMaterialID())) unused.push_back(m->GetMaterialID());
  }
  for (std::uint32_t id : unused) scene.GetMaterials().RemoveMaterial(id);
  for (std::uint32_t id : used) {
    if (scene.GetMaterials().GetMap().Find(id) == nullptr) {
      scene.GetMaterials().CreateNewMaterial(id);
    }
  }
}

bool removedByFlags(const C3DSceneNode& node, const C3DBaseObject& object, std::uint32_t flags) {
  if (object.IsFlagSet(OBJECT_EMPTY)) return true;
  const std::uint32_t kind = object.GetKindOf();
  if (kind == OBJECT_POLYGONAL && (flags & EXPORT_REMOVE_POLYGONAL)) return true;
  if (kind == OBJECT_CURVE && (flags & EXPORT_REMOVE_CURVES)) return true;
  if (kind == OBJECT_PATCH && (flags & EXPORT_REMOVE_PATCHES)) return true;
  return node.IsFlagSet(NODE_HIDDEN) && !(flags & EXPORT_KEEP_HIDDEN);
}

void prepareObject(C3DSceneNode& node, CSceneExportOptions& options) {
  const std::uint32_t flags = options.m_flags;
  C3DBaseObject* object = node.GetObject();
  // Patches first: a control mesh brings its own channels, which the
  // removals below must reach too.
  if (object->GetKindOf() == OBJECT_PATCH &&
      (flags & (EXPORT_PATCHES_TO_MESHES | EXPORT_PATCHES_TO_SOURCE))) {
    std::unique_ptr<C3DBaseObject> replacement;
    if (flags & EXPORT_PATCHES_TO_SOURCE) {
      replacement = static_cast<C3DPatch*>(object)->GetSourceObject();
    } else {
      C3DMeshObjectCreator meshes;
      replacement = object->Copy(0, &meshes);
    }
    if (replacement) {
      logChange(options, vex3d::kStrConvertingPatch, node.GetName());
      node.SetObject(replacement.release());
      delete object;
      object = node.GetObject();
    }
  }
  CDependentChannels& channels = *object->GetChannels();
  if ((flags & EXPORT_REMOVE_UVW) && channels.RemoveChannels(CHANNEL_UVW, 0, 0) > 0) {
    logChange(options, vex3d::kStrRemovingUV, node.GetName());
  }
  if ((flags & EXPORT_REMOVE_VC) && channels.RemoveChannels(CHANNEL_VC, 0, 0) > 0) {
    logChange(options, vex3d::kStrRemovingVC, node.GetName());
  }
  if ((flags & EXPORT_REMOVE_SPEC_NORMALS) &&
      channels.RemoveChannels(CHANNEL_SPEC_NORMAL, 0, 0) > 0) {
    logChange(options, vex3d::kStrRemovingNormals, node.GetName());
  }
  object->Clean();
  object->CleanChannels(0xFFFFFFFF, 1);
}

void triangulate(C3DScene& scene, CSceneExportOptions& options) {
  const std::uint32_t flags = options.m_flags;
  if (!(flags & (EXPORT_TRIANGULATE | EXPORT_TRIANGULATE_POLYGONS))) return;
  forEachObject(scene, [&](C3DSceneNode& node, C3DBaseObject& object) {
    int cut = 0;
    if (flags & EXPORT_TRIANGULATE) {
      cut = object.Triangulate(static_cast<_FACE_PROPERTIES>(0), 1);
    } else if (C3DFaceList* faces = object.GetFaceList()) {
      faces->SetFacesFlags(kCutFace, 0);
      for (int f = 0; f < faces->GetSize(); ++f) {
        C3DFace* face = faces->ElementAt(f);
        if (face->GetSize() > 4) face->SetFlags(kCutFace, 1);
      }
      cut = object.Triangulate(static_cast<_FACE_PROPERTIES>(kCutFace), 1);
    }
    if (cut) logChange(options, vex3d::kStrTriangulating, node.GetName());
  });
}

void applyLimits(C3DScene& scene, CSceneExportOptions& options) {
  const std::uint32_t maxPoints = options.m_maxPoints;
  const std::uint32_t maxFaces = options.m_maxFaces;
  if (maxPoints == 0xFFFFFFFF && maxFaces == 0xFFFFFFFF) return;
  // Counts are never negative, so "no limit" (all bits set) is never passed.
  deleteNodes(scene, [&](C3DSceneNode& node) {
    const C3DBaseObject* object = node.GetObject();
    if (object == nullptr) return false;
    unsigned id = 0;
    std::uint32_t limit = 0;
    if (static_cast<std::uint32_t>(object->GetPointNbr()) > maxPoints) {
      id = vex3d::kStrTooManyPoints;
      limit = maxPoints;
    } else if (static_cast<std::uint32_t>(object->GetFaceNbr()) > maxFaces) {
      id = vex3d::kStrTooManyFaces;
      limit = maxFaces;
    } else {
      return false;
    }
    options.AddLogInfo(CIoOptions::logWarning,
                       FormatString(id, node.GetName().c_str(), static_cast<int>(limit)));
    return true;
  });
}

// A name following a rule word: spaces, a default for empty names, a
// length limit with unique names.
std::string ruledName(std::string name, std::uint32_t rule, vex3d::UniqueNameSet& names,
                      const std::string& fallback) {
  if (name.empty() && (rule & NAME_RULE_DEFAULT_NAME)) name = fallback;
  if (rule & NAME_RULE_NO_SPACES) {
    for (char& c : name) {
      if (c == ' ') c = '_';
    }
  }
  const unsigned limit = rule & NAME_RULE_LIMIT_MASK;
  return limit != 0 ? GetUniqueName(names, name, limit) : name;
}

void applyNameRules(C3DScene& scene, CSceneExportOptions& options) {
  if (!(options.m_flags & EXPORT_NAME_RULES) && options.m_objectNameRule == 0 &&
      options.m_materialNameRule == 0) {
    return;
  }
  vex3d::UniqueNameSet names;
  forEachObject(scene, [&](C3DSceneNode& node, C3DBaseObject& object) {
    const std::string old = node.GetName();
    const std::string renamed =
        ruledName(old, options.m_objectNameRule, names, object.GetTypeString());
    if (renamed == old) return;
    node.SetName(renamed);
    options.AddLogInfo(CIoOptions::logChange,
                       FormatString(vex3d::kStrObjectRenamed, old.c_str(), renamed.c_str()));
  });
  vex3d::UniqueNameSet materialNames;
  std::uint32_t index = 0;
  for (C3DMaterial* m = scene.GetFirstMaterial(index); m; m = scene.GetNextMaterial(index)) {
    const std::string old = m->GetName();
    const std::string renamed =
        ruledName(old, options.m_materialNameRule, materialNames, LoadStringW(vex3d::kStrMaterial));
    if (renamed == old) continue;
    m->SetName(renamed);
    options.AddLogInfo(CIoOptions::logChange,
                       FormatString(vex3d::kStrMaterialRenamed, old.c_str(), renamed.c_str()));
  }
}

}  // namespace

C3DScene* C3DScene::InitExport(CSceneExportOptions& options) {
  ReleaseExport(options);
  const std::uint32_t flags = options.m_flags;
  C3DScene* scene = this;
  if (!(flags & EXPORT_IN_PLACE)) {
    std::unique_ptr<C3DScene> copy = copyForExport(*this);
    if (!copy) {
      options.AddLogInfo(CIoOptions::logError, LoadStringW(vex3d::kStrNothingToSave));
      return nullptr;
    }
    scene = copy.get();
    options.SetExportScene(std::move(copy));
  }

  matchMaterials(*this, *scene);
  deleteNodes(*scene, [&](C3DSceneNode& node) {
    C3DBaseObject* object = node.GetObject();
    if (object == nullptr) return false;
    if (removedByFlags(node, *object, flags)) {
      logChange(options, vex3d::kStrRemovingObject, node.GetName());
      return true;
    }
    prepareObject(node, options);
    return false;
  });

  if (flags & EXPORT_WORLD_COORDINATES) {
    std::string last;
    forEachObject(*scene, [&](C3DSceneNode& node, C3DBaseObject& object) {
      last = node.GetName();
      if (object.GetPointList() == nullptr) return;
      C4x4Matrix world;
      node.GetNodeTM(GetTickCount(), world, 1);
      node.MatrixTransform(world);
    });
    scene->DeleteAllKeys();
    if (!last.empty()) logChange(options, vex3d::kStrToGlobal, last);
  }

  if (flags & EXPORT_CLEAN_GROUPS) {
    scene->CleanGroups();
  } else if (flags & EXPORT_REMOVE_GROUPS) {
    scene->RemoveGroups();
  }

  if (flags & EXPORT_GENERATE_UVW) {
    forEachObject(*scene, [&](C3DSceneNode& node, C3DBaseObject& object) {
      if (object.GenerateUVW(scene, 1)) logChange(options, vex3d::kStrCreatingUV, node.GetName());
    });
  }
  triangulate(*scene, options);
  if (options.m_swap != 0) {
    forEachObject(
        *scene, [&](C3DSceneNode& node, C3DBaseObject&) { node.SwapCoordinates(options.m_swap); });
  }
  if (flags & EXPORT_CONCATENATE) {
    scene->Concatenate(fileStripPath(options.m_fileName, 0));
    options.AddLogInfo(CIoOptions::logChange, LoadStringW(vex3d::kStrConcatenating));
  }
  if (flags & EXPORT_GLOBAL_UVW) {
    forEachObject(*scene, [&](C3DSceneNode& node, C3DBaseObject& object) {
      if (object.GlobalizeChannels(scene, 1))
        logChange(options, vex3d::kStrUnifyingUV, node.GetName());
    });
  }
  if (flags & EXPORT_DISCONNECT_SEAMS) {
    forEachObject(*scene, [&](C3DSceneNode& node, C3DBaseObject& object) {
      if (object.DisconnectBorderFaces())
        logChange(options, vex3d::kStrDisconnecting, node.GetName());
    });
  }
  applyLimits(*scene, options);
  applyNameRules(*scene, options);

  if (holdsGeometry(*scene)) return scene;
  options.AddLogInfo(CIoOptions::logError, LoadStringW(vex3d::kStrNothingToSave));
  ReleaseExport(options);
  return nullptr;
}

void C3DScene::ReleaseExport(CSceneExportOptions& options) { options.SetExportScene(nullptr); }
