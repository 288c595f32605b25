#include "assimp_read.h"

#include <assimp/scene.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "animation/matrix_key.h"
#include "animation/vector_key.h"
#include "assimp_common.h"
#include "embedded_textures.h"
#include "gathered_object.h"
#include "hostlib/io/io_options.h"
#include "hostlib/text/strings.h"
#include "material/embedded_image.h"
#include "material/material.h"
#include "mesh/model/base_object.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "mesh_gather.h"
#include "scene/object_kinds.h"
#include "scene/scene.h"

namespace vex3d::assimp {

namespace {

using Triple = std::array<float, 3>;
using TripleBits = std::array<std::uint32_t, 3>;

// Coordinates compared by their bits: files do hold NaN, under which the
// ordering of the values themselves is no ordering at all.
TripleBits bitsOf(const Triple& t) { return std::bit_cast<TripleBits>(t); }

// The lines and bare points of one node's meshes. Lines come as segments,
// even where the file drew one polyline; a curve is one line strip, so
// segments that meet end to end are joined again into the fewest strips.
struct LooseGather {
  struct Segment {
    Triple a, b;
    std::uint32_t material;
  };
  std::vector<Segment> segments;
  std::vector<Triple> points;

  void AddMesh(const aiMesh& mesh) {
    const std::uint32_t material = mesh.mMaterialIndex + 1;
    auto at = [&mesh](unsigned v) {
      const aiVector3D& p = mesh.mVertices[v];
      return Triple{p.x, p.y, p.z};
    };
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      const aiFace& face = mesh.mFaces[f];
      if (face.mIndices == nullptr || face.mNumIndices == 0 || face.mNumIndices > 2) continue;
      const unsigned a = face.mIndices[0];
      const unsigned b = face.mIndices[face.mNumIndices - 1];
      if (a >= mesh.mNumVertices || b >= mesh.mNumVertices) continue;
      if (face.mNumIndices == 1) {
        points.push_back(at(a));
      } else {
        segments.push_back({at(a), at(b), material});
      }
    }
  }

  struct Polyline {
    std::vector<Triple> points;
    std::uint32_t material;
  };

  // Greedy: each strip grows from a segment at both ends for as long as an
  // unused segment of the same material starts or ends where it stops.
  std::vector<Polyline> Polylines() const {
    using End = std::pair<std::uint32_t, TripleBits>;
    std::map<End, std::vector<std::size_t>> ends;
    for (std::size_t i = 0; i < segments.size(); ++i) {
      ends[{segments[i].material, bitsOf(segments[i].a)}].push_back(i);
      ends[{segments[i].material, bitsOf(segments[i].b)}].push_back(i);
    }
    std::vector<bool> used(segments.size(), false);
    auto unusedAt = [&](std::uint32_t material, const Triple& p) -> std::size_t {
      auto found = ends.find({material, bitsOf(p)});
      if (found == ends.end()) return segments.size();
      std::vector<std::size_t>& list = found->second;
      // Used segments are dropped from the back as they are met, so each
      // list is walked once in all.
      while (!list.empty() && used[list.back()]) list.pop_back();
      return list.empty() ? segments.size() : list.back();
    };
    auto grow = [&](std::vector<Triple>& run, std::uint32_t material) {
      for (;;) {
        const std::size_t next = unusedAt(material, run.back());
        if (next == segments.size()) return;
        used[next] = true;
        const Segment& s = segments[next];
        run.push_back(bitsOf(s.a) == bitsOf(run.back()) ? s.b : s.a);
      }
    };
    std::vector<Polyline> out;
    for (std::size_t i = 0; i < segments.size(); ++i) {
      if (used[i]) continue;
      used[i] = true;
      const Segment& s = segments[i];
      std::vector<Triple> forward{s.a, s.b};
      grow(forward, s.material);
      std::vector<Triple> backward{s.a};
      grow(backward, s.material);
      Polyline line{std::vector<Triple>(backward.rbegin(), backward.rend()), s.material};
      line.points.insert(line.points.end(), forward.begin() + 1, forward.end());
      out.push_back(std::move(line));
    }
    return out;
  }
};

std::unique_ptr<C3DCurve> curveOf(const LooseGather::Polyline& line) {
  auto curve = std::make_unique<C3DCurve>();
  auto* points = new C3DPointList;
  points->Reserve(static_cast<int>(line.points.size()));
  for (const Triple& p : line.points) points->Add(C3DPoint(p[0], p[1], p[2]));
  curve->SetPointList(points);
  curve->SetMaterialID(line.material);
  return curve;
}

// Bare points have no kind of their own: a polygonal object without faces
// holds them, as the PLY reader gives a point cloud.
std::unique_ptr<C3DObject> pointObjectOf(const std::vector<Triple>& points) {
  auto object = std::make_unique<C3DObject>(new C3DPointList, new C3DFaceList);
  object->GetPointList()->Reserve(static_cast<int>(points.size()));
  for (const Triple& p : points) object->GetPointList()->Add(C3DPoint(p[0], p[1], p[2]));
  return object;
}

C4x4Matrix matrixOf(const aiMatrix4x4& m) { return C4x4Matrix(&m.a1, 0); }

C3DRotateKey rotationKey(const aiQuaternion& q) {
  const aiMatrix3x3 r = q.GetMatrix();
  aiMatrix4x4 full(r);
  C3DRotateKey key;
  key.SetMatrix(matrixOf(full));
  return key;
}

bool nearlyEqual(const aiMatrix4x4& a, const aiMatrix4x4& b) {
  const float* x = &a.a1;
  const float* y = &b.a1;
  for (int i = 0; i < 16; ++i) {
    if (std::fabs(x[i] - y[i]) > 1e-4f * std::max(1.0f, std::fabs(x[i]))) return false;
  }
  return true;
}

// How many of the `count` keys the library reports can be believed. On a
// malformed CSM file it reports more than it allocated: growing a key
// array, it counts the new slots (still at time 0) as keys and writes the
// next ones past the array's end. Keys are taken while each comes later
// than the one before, the order the library's own validation asks for,
// which stops at the first of those slots.
template <class Key>
unsigned trustedKeyCount(const Key* keys, unsigned count) {
  if (keys == nullptr) return 0;
  for (unsigned i = 0; i < count; ++i) {
    if (!std::isfinite(keys[i].mTime) || (i > 0 && !(keys[i].mTime > keys[i - 1].mTime))) return i;
  }
  return count;
}

// The node's rest transform as keys at time 0, leaving out the kinds the
// animation sets and the parts that change nothing.
void addRestKeys(C3DSceneNode& node, const aiMatrix4x4& transform, const aiNodeAnim* anim) {
  if (transform.IsIdentity()) return;
  aiVector3D scaling, position;
  aiQuaternion rotation;
  transform.Decompose(scaling, rotation, position);
  if (!nearlyEqual(aiMatrix4x4(scaling, rotation, position), transform)) {
    node.AddKey(0, C3DMatrixKey(matrixOf(transform)));
    return;
  }
  const bool animT =
      anim != nullptr && trustedKeyCount(anim->mPositionKeys, anim->mNumPositionKeys) > 0;
  const bool animR =
      anim != nullptr && trustedKeyCount(anim->mRotationKeys, anim->mNumRotationKeys) > 0;
  const bool animS =
      anim != nullptr && trustedKeyCount(anim->mScalingKeys, anim->mNumScalingKeys) > 0;
  if (!animT && position.SquareLength() > 0.0f)
    node.AddKey(0, C3DTranslateKey(C3DVector(position.x, position.y, position.z)));
  if (!animR && std::fabs(std::fabs(rotation.w) - 1.0f) > 1e-7f)
    node.AddKey(0, rotationKey(rotation));
  if (!animS && (scaling - aiVector3D(1, 1, 1)).SquareLength() > 1e-12f)
    node.AddKey(0, C3DScaleKey(C3DVector(scaling.x, scaling.y, scaling.z)));
}

// `scale` turns the file's ticks into the module's.
int tickOf(double time, double scale) {
  const double ticks = time * scale;
  if (!std::isfinite(ticks)) return 0;
  return static_cast<int>(std::clamp(std::round(ticks), -2.0e9, 2.0e9));
}

void addAnimationKeys(C3DSceneNode& node, const aiNodeAnim& anim, double scale) {
  const unsigned positions = trustedKeyCount(anim.mPositionKeys, anim.mNumPositionKeys);
  for (unsigned i = 0; i < positions; ++i) {
    const aiVectorKey& k = anim.mPositionKeys[i];
    node.AddKey(tickOf(k.mTime, scale),
                C3DTranslateKey(C3DVector(k.mValue.x, k.mValue.y, k.mValue.z)));
  }
  const unsigned rotations = trustedKeyCount(anim.mRotationKeys, anim.mNumRotationKeys);
  for (unsigned i = 0; i < rotations; ++i) {
    const aiQuatKey& k = anim.mRotationKeys[i];
    node.AddKey(tickOf(k.mTime, scale), rotationKey(k.mValue));
  }
  const unsigned scalings = trustedKeyCount(anim.mScalingKeys, anim.mNumScalingKeys);
  for (unsigned i = 0; i < scalings; ++i) {
    const aiVectorKey& k = anim.mScalingKeys[i];
    node.AddKey(tickOf(k.mTime, scale), C3DScaleKey(C3DVector(k.mValue.x, k.mValue.y, k.mValue.z)));
  }
}

// The library's arrays of a mesh no node will gather again. A large file's
// vertices and faces take as much memory as the lists built from them;
// freed as soon as they are read, they make room for those lists, which
// then need no fresh pages.
void releaseArrays(aiMesh& mesh) {
  delete[] mesh.mVertices;
  mesh.mVertices = nullptr;
  delete[] mesh.mNormals;
  mesh.mNormals = nullptr;
  delete[] mesh.mTangents;
  mesh.mTangents = nullptr;
  delete[] mesh.mBitangents;
  mesh.mBitangents = nullptr;
  for (aiVector3D*& uv : mesh.mTextureCoords) {
    delete[] uv;
    uv = nullptr;
  }
  for (aiColor4D*& colours : mesh.mColors) {
    delete[] colours;
    colours = nullptr;
  }
  delete[] mesh.mFaces;
  mesh.mFaces = nullptr;
  mesh.mNumFaces = 0;
  mesh.mNumVertices = 0;
}

// Calls `visit` (node, depth) on every node the scene is built from, in
// the order it is built; what lies deeper than a model goes comes from a
// damaged file and is left out.
template <class Visit>
void forEachBuiltNode(const aiNode& node, int depth, Visit& visit) {
  visit(node, depth);
  if (depth > 1000) return;
  for (unsigned c = 0; c < node.mNumChildren && node.mChildren != nullptr; ++c) {
    if (node.mChildren[c] != nullptr) forEachBuiltNode(*node.mChildren[c], depth + 1, visit);
  }
}

template <class Visit>
void forEachBuiltNode(const aiScene& scene, Visit visit) {
  const aiNode* root = scene.mRootNode;
  if (root == nullptr) return;
  // The library's own root stands for the file; it becomes a node only when
  // it carries something of its own.
  if (root->mNumMeshes == 0 && root->mTransformation.IsIdentity()) {
    for (unsigned c = 0; c < root->mNumChildren && root->mChildren != nullptr; ++c) {
      if (root->mChildren[c] != nullptr) forEachBuiltNode(*root->mChildren[c], 1, visit);
    }
  } else {
    forEachBuiltNode(*root, 0, visit);
  }
}

class SceneBuilder {
 public:
  SceneBuilder(aiScene& source, C3DScene& target, SceneUse use)
      : m_source(source), m_target(target), m_use(use), m_uses(source.mNumMeshes, 0) {
    forEachBuiltNode(source, [this](const aiNode& node, int) {
      for (unsigned i = 0; i < node.mNumMeshes && node.mMeshes != nullptr; ++i) {
        if (node.mMeshes[i] < m_uses.size()) ++m_uses[node.mMeshes[i]];
      }
    });
    for (unsigned a = 0; a < source.mNumAnimations && source.mAnimations != nullptr; ++a) {
      const aiAnimation* anim = source.mAnimations[a];
      if (anim == nullptr) continue;
      for (unsigned c = 0; c < anim->mNumChannels && anim->mChannels != nullptr; ++c) {
        if (const aiNodeAnim* channel = anim->mChannels[c])
          m_animations.emplace(channel->mNodeName.C_Str(), Channel{channel, scaleOf(*anim)});
      }
    }
  }

  // Builds `source` under `parent`; its children follow through
  // forEachBuiltNode, parents before their children.
  void AddNode(const aiNode& source, int depth) {
    C3DSceneNode* parent = depth == 0 ? nullptr : parentAt(depth);
    auto node = std::make_unique<C3DSceneNode>();
    node->SetName(source.mName.C_Str());
    std::vector<const aiMesh*> meshes;
    for (unsigned i = 0; i < source.mNumMeshes && source.mMeshes != nullptr; ++i) {
      const unsigned index = source.mMeshes[i];
      if (index < m_source.mNumMeshes && m_source.mMeshes != nullptr &&
          usable(m_source.mMeshes[index]))
        meshes.push_back(m_source.mMeshes[index]);
    }
    auto gather = std::make_unique<MeshGather>(meshes);
    LooseGather loose;
    for (const aiMesh* mesh : meshes) {
      gather->AddMesh(*mesh);
      loose.AddMesh(*mesh);
    }
    const bool hasFaces = !gather->Empty();
    for (unsigned i = 0; i < source.mNumMeshes && source.mMeshes != nullptr; ++i) {
      const unsigned index = source.mMeshes[i];
      if (index < m_uses.size() && m_source.mMeshes[index] != nullptr && --m_uses[index] == 0)
        releaseArrays(*m_source.mMeshes[index]);
    }
    // One object per node: faces stay on the node, and the strips and the
    // points go to unnamed children of it unless one of them is all there is.
    std::vector<std::unique_ptr<C3DBaseObject>> objects;
    if (hasFaces) objects.push_back(objectOf(std::move(gather)));
    for (const LooseGather::Polyline& line : loose.Polylines()) {
      if (m_curves >= kMaxCurves) break;
      ++m_curves;
      objects.push_back(curveOf(line));
    }
    if (!loose.points.empty()) objects.push_back(pointObjectOf(loose.points));
    if (objects.size() == 1) {
      node->SetObject(objects.front().release());
      objects.clear();
    } else if (hasFaces) {
      node->SetObject(objects.front().release());
      objects.erase(objects.begin());
    } else {
      node->SetObject(new C3DGroup);
    }
    const auto anim = m_animations.find(source.mName.C_Str());
    const aiNodeAnim* channel = anim == m_animations.end() ? nullptr : anim->second.keys;
    addRestKeys(*node, source.mTransformation, channel);
    if (channel != nullptr) addAnimationKeys(*node, *channel, anim->second.scale);
    C3DSceneNode* added = node.release();
    m_target.AddNode(parent, added);
    for (std::unique_ptr<C3DBaseObject>& object : objects) {
      auto child = std::make_unique<C3DSceneNode>();
      child->SetName({});  // named by its kind at check-out
      child->SetObject(object.release());
      m_target.AddNode(added, child.release());
    }
    m_path.resize(static_cast<std::size_t>(depth) + 1);
    m_path[static_cast<std::size_t>(depth)] = added;
  }

 private:
  std::unique_ptr<C3DBaseObject> objectOf(std::unique_ptr<MeshGather> gather) const {
    if (m_use == SceneUse::archive && gather->FitsRecords())
      return std::make_unique<GatheredObject>(std::move(gather));
    return gather->ToObject();
  }

  // A mesh whose counts come with the arrays they count.
  static bool usable(const aiMesh* mesh) {
    return mesh != nullptr && (mesh->mNumVertices == 0 || mesh->mVertices != nullptr) &&
           (mesh->mNumFaces == 0 || mesh->mFaces != nullptr);
  }

  // The node built last at `depth - 1`: the parent of a node at `depth`.
  // The library's root, left out, has none.
  C3DSceneNode* parentAt(int depth) const {
    const auto above = static_cast<std::size_t>(depth - 1);
    return above < m_path.size() ? m_path[above] : nullptr;
  }

  aiScene& m_source;
  C3DScene& m_target;
  SceneUse m_use;
  // How many nodes still to build use each mesh.
  std::vector<unsigned> m_uses;
  // The nodes built last at each depth.
  std::vector<C3DSceneNode*> m_path;
  struct Channel {
    const aiNodeAnim* keys;
    double scale;
  };

  // Files that give no rate count in the module's own ticks.
  static double scaleOf(const aiAnimation& anim) {
    const double rate = anim.mTicksPerSecond;
    return std::isfinite(rate) && rate > 0.0 ? kTicksPerSecond / rate : 1.0;
  }

  std::map<std::string, Channel> m_animations;
  // Each strip is a node: past this many, further strips are left out,
  // rather than a file of millions of loose segments that meet nowhere
  // costing a node apiece.
  static constexpr int kMaxCurves = 100000;
  int m_curves = 0;
};

// One image per embedded texture, however many maps use it, so that it is
// sent, stored and written once.
using EmbeddedImages = std::map<const aiTexture*, std::shared_ptr<const CEmbeddedImage>>;

void addMaterial(const aiScene& scene, const aiMaterial& source, std::uint32_t id, C3DScene& target,
                 EmbeddedImages& images, CIoOptions& log) {
  C3DMaterial* material = target.GetMaterials().CreateNewMaterial(id);
  if (material == nullptr) return;
  aiString name;
  if (source.Get(AI_MATKEY_NAME, name) == AI_SUCCESS) material->SetName(name.C_Str());
  aiColor4D colour;
  if (source.Get(AI_MATKEY_COLOR_DIFFUSE, colour) == AI_SUCCESS)
    material->SetDiffuseColor(colourOf(colour));
  if (source.Get(AI_MATKEY_COLOR_AMBIENT, colour) == AI_SUCCESS)
    material->SetAmbientColor(colourOf(colour));
  if (source.Get(AI_MATKEY_COLOR_SPECULAR, colour) == AI_SUCCESS)
    material->SetSpecularColor(colourOf(colour));
  float value = 0.0f;
  if (source.Get(AI_MATKEY_OPACITY, value) == AI_SUCCESS && std::isfinite(value))
    material->SetTransparencyFactor(1.0f - value);
  if (source.Get(AI_MATKEY_SHININESS_STRENGTH, value) == AI_SUCCESS && std::isfinite(value))
    material->SetSpecularFactor(value);
  for (const MapSlot& slot : kMapSlots) {
    aiString file;
    if (source.GetTexture(slot.assimpType, 0, &file) != AI_SUCCESS || file.length == 0) continue;
    std::string fileName = file.C_Str();
    // Embedded pictures keep their reference, or the name they were stored
    // under when the file gives one, and travel as the map's own image.
    const aiTexture* embedded = scene.GetEmbeddedTexture(file.C_Str());
    std::shared_ptr<const CEmbeddedImage> image;
    if (embedded != nullptr) {
      if (embedded->mFilename.length > 0) fileName = embedded->mFilename.C_Str();
      const auto [known, added] = images.emplace(embedded, nullptr);
      if (added) {
        std::string error;
        known->second = embeddedImageOf(*embedded, error);
        if (known->second == nullptr)
          log.AddLogInfo(CIoOptions::logWarning,
                         FormatString(kStrEmbeddedImageSkipped, fileName.c_str(), error.c_str()));
      }
      image = known->second;
    }
    CMaterialMap* map =
        material->AddMaterialMap(fileName, 0xFFFFFFFF, slot.type, PROJECTION_EXPLICIT);
    if (map != nullptr && image != nullptr) map->SetEmbeddedImage(std::move(image));
  }
}

}  // namespace

std::unique_ptr<C3DScene> sceneFromAssimp(aiScene& source, CIoOptions& log, SceneUse use) {
  auto scene = std::make_unique<C3DScene>();
  EmbeddedImages images;
  for (unsigned m = 0; m < source.mNumMaterials && source.mMaterials != nullptr; ++m) {
    if (source.mMaterials[m] != nullptr)
      addMaterial(source, *source.mMaterials[m], m + 1, *scene, images, log);
  }
  SceneBuilder builder(source, *scene, use);
  forEachBuiltNode(source,
                   [&builder](const aiNode& node, int depth) { builder.AddNode(node, depth); });
  return scene;
}

}  // namespace vex3d::assimp
