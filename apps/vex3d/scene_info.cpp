// `vex3d info FILE...`: what each file holds, as text or JSON.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "cli_files.h"
#include "cli_text.h"
#include "commands.h"
#include "hostlib/core/fourcc.h"
#include "hostlib/files/file_utils.h"
#include "hostlib/text/strings.h"
#include "json_text.h"
#include "material/embedded_image.h"
#include "material/material.h"
#include "material/material_map.h"
#include "math/matrix4x4.h"
#include "math/point3d.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/point_lists.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"
#include "terminal_progress.h"

namespace vex3d::cli {

namespace {

// The index of an object's kind in the kind lists.
int kindIndex(const C3DBaseObject* object) {
  if (object == nullptr) return 4;
  switch (object->GetKindOf()) {
    case OBJECT_POLYGONAL:
      return 0;
    case OBJECT_CURVE:
      return 1;
    case OBJECT_PATCH:
      return 2;
    case OBJECT_GROUP:
      return 3;
  }
  return 5;
}

// JSON is read by programs: its words are the same in every language.
const char* kJsonKinds[] = {"mesh", "curve", "patch", "group", "none", "unknown"};
const char* kJsonChannels[] = {"uv", "colors", "normals"};

std::vector<std::string> channelNames(const C3DBaseObject& object, bool json) {
  auto named = [json](int index) {
    return json ? std::string(kJsonChannels[index]) : listItem(kStrCliChannels, index);
  };
  std::vector<std::string> names;
  const CDependentChannels& channels = *object.GetChannels();
  for (int i = 0; i < channels.GetSize(); ++i) {
    const CChannel* c = channels.GetChannelByIndex(i);
    if (c->IsFlagSet(CHANNEL_COMPUTED)) continue;
    switch (c->GetType()) {
      case CHANNEL_UVW:
        names.push_back(named(0));
        break;
      case CHANNEL_VC:
        names.push_back(named(1));
        break;
      case CHANNEL_SPEC_NORMAL:
        names.push_back(named(2));
        break;
      default:
        names.push_back(c->GetTypeString());
    }
  }
  return names;
}

struct MaterialInfo {
  std::string name;
  std::string texture;
  bool found = false;
  // Found outside the model's folder tree: a thumbnail would not read it.
  bool outside = false;
  // Carried inside the file, with its size in pixels.
  bool embedded = false;
  int width = 0;
  int height = 0;
};

std::vector<MaterialInfo> materials(const C3DScene& scene) {
  std::vector<MaterialInfo> out;
  std::uint32_t index = 0;
  for (C3DMaterial* m = scene.GetFirstMaterial(index); m; m = scene.GetNextMaterial(index)) {
    MaterialInfo info{m->GetName(), {}, false, false};
    if (const CMaterialMap* map = m->GetDiffuseMaps(); map != nullptr && map->GetEmbeddedImage()) {
      info.texture = map->GetFileName().empty() ? std::string("*") : map->GetFileName();
      info.embedded = info.found = true;
      info.width = map->GetEmbeddedImage()->GetWidth();
      info.height = map->GetEmbeddedImage()->GetHeight();
    } else if (map != nullptr) {
      info.texture = map->GetFileName();
      std::string path;
      info.found = !info.texture.empty() &&
                   CMaterialMap::FindBitmap(info.texture, path, scene.GetFilepath());
      if (info.found) {
        const std::string folder = scene.GetFilepath();
        const std::string absolute =
            (std::filesystem::path(folder.empty() ? "." : folder) / path).string();
        info.outside = !vex3d::fileIsInside(absolute, folder.empty() ? "." : folder);
        info.texture = path;
      }
    }
    out.push_back(info);
  }
  return out;
}

// Depths of the nodes in walk order, each from its parent's: asking the
// scene for each node's depth climbs to the root every time, which a chain
// of 100,000 nested nodes (a damaged file) turns into billions of steps.
class DepthWalk {
 public:
  std::uint32_t depthOf(const C3DSceneNode* node) {
    const auto parent = m_depths.find(node->GetParent());
    // The scene's root is no node of its own: its children are at depth 1.
    const std::uint32_t depth = parent != m_depths.end() ? parent->second + 1 : 1;
    m_depths[node] = depth;
    return depth;
  }

 private:
  std::unordered_map<const CTreeNode*, std::uint32_t> m_depths;
};

// Past this depth the tree is drawn flat with the depth written out, so
// that the output stays proportional to the node count.
constexpr std::uint32_t kMaxIndentDepth = 32;

std::string indentFor(std::uint32_t depth) {
  std::string indent(2 * std::min(depth, kMaxIndentDepth), ' ');
  if (depth > kMaxIndentDepth) indent += text(kStrCliDepth, depth);
  return indent;
}

bool isFinite(const C3DPoint& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

// The scene's box at its current time, over the points that are finite
// where the scene puts them. Check-out zeroes NaN but keeps infinities,
// which turn the scene's own box into NaN or infinite bounds.
struct SceneBox {
  C3DPoint min;
  C3DPoint max;
  bool any = false;
  long long nonFinite = 0;  // points left out
};

SceneBox sceneBox(const C3DScene& scene) {
  SceneBox box;
  const int time = scene.GetTickCount();
  if (scene.GetSceneRoot()->GetBoundingBox(time, box.min, box.max, 0) && isFinite(box.min) &&
      isFinite(box.max)) {
    box.any = true;
    return box;
  }
  for (C3DSceneNode* node = scene.GetFirstNode(); node;
       node = static_cast<C3DSceneNode*>(scene.CTree::GetNextNode(nullptr, node))) {
    const C3DBaseObject* object = node->GetObject();
    const C3DPointList* points = object != nullptr ? object->GetPointList() : nullptr;
    if (points == nullptr || object->IsFlagSet(OBJECT_EMPTY)) continue;
    C4x4Matrix world;
    node->GetNodeTM(time, world, 1);
    for (int i = 0; i < points->GetSize(); ++i) {
      const C3DPoint& local = points->ElementAt(i);
      const C3DPoint p = local * world;
      if (!isFinite(local) || !isFinite(p)) {
        ++box.nonFinite;
        continue;
      }
      if (!box.any) {
        box.min = p;
        box.max = p;
        box.any = true;
        continue;
      }
      box.min.Init(std::fmin(box.min.x, p.x), std::fmin(box.min.y, p.y), std::fmin(box.min.z, p.z));
      box.max.Init(std::fmax(box.max.x, p.x), std::fmax(box.max.y, p.y), std::fmax(box.max.z, p.z));
    }
  }
  return box;
}

void printScene(const std::string& path, const C3DScene& scene) {
  std::printf("%s\n", path.c_str());
  DepthWalk depths;
  for (C3DSceneNode* node = scene.GetFirstNode(); node;
       node = static_cast<C3DSceneNode*>(scene.CTree::GetNextNode(nullptr, node))) {
    const std::string indent = indentFor(depths.depthOf(node));
    const C3DBaseObject* object = node->GetObject();
    std::string details = listItem(kStrCliObjectKinds, kindIndex(object));
    if (object != nullptr && object->GetKindOf() != OBJECT_GROUP) {
      details += text(kStrCliPointsFacesCount, object->GetPointNbr(), object->GetFaceNbr());
      for (const std::string& c : channelNames(*object, false)) details += ", " + c;
    }
    if (node->IsFlagSet(NODE_HIDDEN)) details += LoadStringW(kStrCliHidden);
    std::printf("%s%s [%s]\n", indent.c_str(), node->GetName().c_str(), details.c_str());
  }
  printText(stdout, kStrCliTotals, scene.GetNodeNbr(1), scene.GetPointNbr(), scene.GetFaceNbr());
  for (const MaterialInfo& m : materials(scene)) {
    if (m.embedded) {
      printText(stdout, kStrCliMaterialEmbedded, m.name.c_str(), m.texture.c_str(), m.width,
                m.height);
      continue;
    }
    if (m.texture.empty()) {
      printText(stdout, kStrCliMaterialLine, m.name.c_str());
      continue;
    }
    const std::string state = listItem(kStrCliTextureStates, !m.found ? 0 : m.outside ? 2 : 1);
    printText(stdout, kStrCliMaterialTexture, m.name.c_str(), m.texture.c_str(), state.c_str());
  }
  const CTimeRange range = scene.GetTimeRange();
  printText(stdout, kStrCliTimeRange, range.GetStart(), range.GetEnd());
  const SceneBox box = sceneBox(scene);
  if (box.any && box.nonFinite > 0) {
    printText(stdout,
              box.nonFinite == 1 ? kStrCliBoundingBoxNonFiniteOne : kStrCliBoundingBoxNonFinite,
              box.min.x, box.min.y, box.min.z, box.max.x, box.max.y, box.max.z, box.nonFinite);
  } else if (box.any) {
    printText(stdout, kStrCliBoundingBox, box.min.x, box.min.y, box.min.z, box.max.x, box.max.y,
              box.max.z);
  } else if (box.nonFinite > 0) {
    printText(stdout, kStrCliNoFinitePoints);
  }
}

void printJson(const std::string& path, const C3DScene& scene, bool firstFile) {
  std::printf("%s  {\"file\": %s, \"nodes\": [", firstFile ? "" : ",\n", jsonString(path).c_str());
  bool first = true;
  DepthWalk depths;
  for (C3DSceneNode* node = scene.GetFirstNode(); node;
       node = static_cast<C3DSceneNode*>(scene.CTree::GetNextNode(nullptr, node))) {
    const C3DBaseObject* object = node->GetObject();
    std::printf("%s\n    {\"name\": %s, \"depth\": %u, \"kind\": \"%s\", \"hidden\": %s",
                first ? "" : ",", jsonString(node->GetName()).c_str(), depths.depthOf(node),
                kJsonKinds[kindIndex(object)], node->IsFlagSet(NODE_HIDDEN) ? "true" : "false");
    first = false;
    if (object != nullptr && object->GetKindOf() != OBJECT_GROUP) {
      std::printf(", \"points\": %d, \"faces\": %d, \"channels\": [", object->GetPointNbr(),
                  object->GetFaceNbr());
      const std::vector<std::string> channels = channelNames(*object, true);
      for (std::size_t i = 0; i < channels.size(); ++i) {
        std::printf("%s\"%s\"", i ? ", " : "", channels[i].c_str());
      }
      std::printf("]");
    }
    std::printf("}");
  }
  std::printf("],\n   \"materials\": [");
  const std::vector<MaterialInfo> list = materials(scene);
  for (std::size_t i = 0; i < list.size(); ++i) {
    std::printf("%s{\"name\": %s", i ? ", " : "", jsonString(list[i].name).c_str());
    if (!list[i].texture.empty()) {
      std::printf(", \"texture\": %s, \"found\": %s, \"outside\": %s",
                  jsonString(list[i].texture).c_str(), list[i].found ? "true" : "false",
                  list[i].outside ? "true" : "false");
      if (list[i].embedded)
        std::printf(", \"embedded\": {\"width\": %d, \"height\": %d}", list[i].width,
                    list[i].height);
    }
    std::printf("}");
  }
  const CTimeRange range = scene.GetTimeRange();
  std::printf("],\n   \"points\": %d, \"faces\": %d, \"time\": [%d, %d]", scene.GetPointNbr(),
              scene.GetFaceNbr(), range.GetStart(), range.GetEnd());
  // JSON has no literal for NaN or infinity: a box without finite points is
  // null.
  const SceneBox box = sceneBox(scene);
  if (box.any) {
    std::printf(", \"box\": [[%g, %g, %g], [%g, %g, %g]]", box.min.x, box.min.y, box.min.z,
                box.max.x, box.max.y, box.max.z);
  } else if (box.nonFinite > 0) {
    std::printf(", \"box\": null");
  }
  if (box.nonFinite > 0) std::printf(", \"non_finite_points\": %lld", box.nonFinite);
  std::printf("}");
}

}  // namespace

int runSceneInfo(const std::vector<std::string>& files, const SceneInfoOptions& options) {
  int status = 0;
  int printed = 0;
  TerminalProgress progress;
  if (options.json) std::printf("[\n");
  for (std::size_t i = 0; i < files.size(); ++i) {
    std::string error;
    CSceneImportOptions importOptions;
    importOptions.m_upAxis = options.upAxis;
    std::unique_ptr<C3DScene> scene =
        readInput(files[i], options.format, options.verbose, &importOptions, error);
    if (!scene) {
      printText(stderr, kStrCliFileError, files[i].c_str(), error.c_str());
      status = 1;
      continue;
    }
    // Readers give an empty scene for bytes in which they found nothing they
    // know (random bytes, an empty or UTF-16 file): describing it is still
    // an answer, but not a silent one.
    if (scene->GetPointNbr() == 0) printText(stderr, kStrCliNoGeometryWarning, files[i].c_str());
    if (options.json) {
      printJson(files[i], *scene, printed == 0);
    } else {
      printScene(files[i], *scene);
    }
    ++printed;
    if (i + 1 == files.size()) keepToExit(std::move(scene));
  }
  if (options.json) std::printf("%s]\n", printed > 0 ? "\n" : "");
  return status;
}

}  // namespace vex3d::cli
