#include "assimp_write.h"

#include <assimp/scene.h>

#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "assimp_common.h"
#include "embedded_textures.h"
#include "material/material.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"
#include "scene/scene.h"
#include "scene/scene_node.h"
#include "value_index.h"

namespace vex3d::assimp {

namespace {

aiMatrix4x4 toAssimp(const C4x4Matrix& m) {
  aiMatrix4x4 out;
  float* values = &out.a1;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) values[4 * r + c] = m(r, c);
  return out;
}

aiColor4D toAssimp(const CRGBColor& c, float factor) {
  return aiColor4D(c.GetRed() / 255.0f * factor, c.GetGreen() / 255.0f * factor,
                   c.GetBlue() / 255.0f * factor, 1.0f);
}

template <class T>
T* copyArray(const std::vector<T>& values) {
  if (values.empty()) return nullptr;
  T* out = new T[values.size()];
  std::copy(values.begin(), values.end(), out);
  return out;
}

aiMaterial* makeMaterial(const C3DMaterial* material, const EmbeddedTextures& embedded) {
  auto* out = new aiMaterial;
  if (material == nullptr) {
    const aiString name("Default");
    out->AddProperty(&name, AI_MATKEY_NAME);
    return out;
  }
  const aiString name(material->GetName());
  out->AddProperty(&name, AI_MATKEY_NAME);
  const aiColor4D diffuse = toAssimp(material->GetDiffuseColor(), material->GetDiffuseFactor());
  const aiColor4D ambient = toAssimp(material->GetAmbientColor(), material->GetAmbientFactor());
  const aiColor4D specular = toAssimp(material->GetSpecularColor(), 1.0f);
  out->AddProperty(&diffuse, 1, AI_MATKEY_COLOR_DIFFUSE);
  out->AddProperty(&diffuse, 1, AI_MATKEY_BASE_COLOR);
  out->AddProperty(&ambient, 1, AI_MATKEY_COLOR_AMBIENT);
  out->AddProperty(&specular, 1, AI_MATKEY_COLOR_SPECULAR);
  const float opacity = 1.0f - material->GetTransparencyFactor();
  out->AddProperty(&opacity, 1, AI_MATKEY_OPACITY);
  const float strength = material->GetSpecularFactor();
  out->AddProperty(&strength, 1, AI_MATKEY_SHININESS_STRENGTH);
  for (const MapSlot& slot : kMapSlots) {
    const CMaterialMap* map = material->GetMaterialMap(slot.type);
    if (map == nullptr) continue;
    // An embedded image is named by its place among the scene's textures.
    std::string reference = embedded.referenceOf(map->GetEmbeddedImage().get());
    if (reference.empty()) reference = map->GetFileName();
    if (reference.empty()) continue;
    const aiString file(reference);
    out->AddProperty(&file, AI_MATKEY_TEXTURE(slot.assimpType, 0));
    if (slot.type == MAP_DIFFUSE)
      out->AddProperty(&file, AI_MATKEY_TEXTURE(aiTextureType_BASE_COLOR, 0));
    const int uvIndex = 0;
    out->AddProperty(&uvIndex, 1, AI_MATKEY_UVWSRC(slot.assimpType, 0));
  }
  return out;
}

// One mesh per material of an object: the library's vertices are the
// distinct (point, texture point, colour, normal) corners.
class MeshWriter {
 public:
  explicit MeshWriter(const C3DObject& object) : m_object(object) {
    const CDependentChannels* channels = object.GetChannels();
    if (channels == nullptr) return;
    if (object.GetGlobalUVWChannel() != kNoChannelId)
      m_uv = channels->GetUVWChannelByID(object.GetGlobalUVWChannel());
    if (m_uv == nullptr) m_uv = channels->GetUVWChannelByIndex(0, 1);
    m_vc = channels->GetVCChannelByIndex(0, 1);
    m_normals = channels->GetSpecNormalChannel();
  }

  aiMesh* Write(const std::vector<int>& faceIndices, unsigned materialIndex,
                const std::string& name) const {
    // The library's vertices in order of first use, and each face's as
    // their numbers, all faces in one array.
    ValueIndex<4> vertexOf;
    vertexOf.Reserve(faceIndices.size());
    std::vector<unsigned> indices;
    std::vector<unsigned> sizes;
    indices.reserve(faceIndices.size() * 3);
    sizes.reserve(faceIndices.size());
    const C3DFaceList& list = *m_object.GetFaceList();
    const int pointCount = m_object.GetPointNbr();
    for (int f : faceIndices) {
      const C3DFace* face = list.ElementAt(f);
      const std::uint32_t n = face->GetSize();
      bool valid = n >= 3;
      for (std::uint32_t k = 0; k < n && valid; ++k) {
        const int point = face->GetPointIndex(k);
        valid = point >= 0 && point < pointCount;
      }
      if (!valid) continue;
      for (std::uint32_t k = 0; k < n; ++k) {
        const ValueIndex<4>::Key corner{static_cast<std::uint32_t>(face->GetPointIndex(k)),
                                        static_cast<std::uint32_t>(channelPoint(m_uv, f, k)),
                                        static_cast<std::uint32_t>(channelPoint(m_vc, f, k)),
                                        static_cast<std::uint32_t>(channelPoint(m_normals, f, k))};
        indices.push_back(static_cast<unsigned>(vertexOf.Add(corner)));
      }
      sizes.push_back(n);
    }
    if (sizes.empty()) return nullptr;
    // Corner channel values as written: -1 is none.
    const auto& values = vertexOf.Values();
    std::vector<std::array<int, 4>> corners(values.size());
    for (std::size_t v = 0; v < values.size(); ++v) {
      for (int c = 0; c < 4; ++c) corners[v][c] = static_cast<int>(values[v][c]);
    }
    auto* mesh = new aiMesh;
    mesh->mName = name;
    mesh->mMaterialIndex = materialIndex;
    mesh->mNumVertices = static_cast<unsigned>(corners.size());
    mesh->mVertices = new aiVector3D[corners.size()];
    const C3DPointList& points = *m_object.GetPointList();
    for (std::size_t v = 0; v < corners.size(); ++v) {
      const C3DPoint& p = points[corners[v][0]];
      mesh->mVertices[v] = aiVector3D(p.x, p.y, p.z);
    }
    if (m_uv != nullptr) {
      const CUVWPointList& uvs = *m_uv->GetUVWPointList();
      mesh->mTextureCoords[0] = new aiVector3D[corners.size()];
      mesh->mNumUVComponents[0] = 2;
      for (std::size_t v = 0; v < corners.size(); ++v) {
        const int i = corners[v][1];
        mesh->mTextureCoords[0][v] =
            i >= 0 && i < uvs.GetSize() ? aiVector3D(uvs[i].u, uvs[i].v, uvs[i].w) : aiVector3D();
      }
    }
    if (m_vc != nullptr) {
      const CVCPointList& colours = *m_vc->GetVCPointList();
      mesh->mColors[0] = new aiColor4D[corners.size()];
      for (std::size_t v = 0; v < corners.size(); ++v) {
        const int i = corners[v][2];
        mesh->mColors[0][v] = i >= 0 && i < colours.GetSize()
                                  ? aiColor4D(colours[i][0] / 255.0f, colours[i][1] / 255.0f,
                                              colours[i][2] / 255.0f, 1.0f)
                                  : aiColor4D(1, 1, 1, 1);
      }
    }
    if (m_normals != nullptr) {
      const C3DVectorList& normals = *m_normals->GetNormalVectorList();
      mesh->mNormals = new aiVector3D[corners.size()];
      for (std::size_t v = 0; v < corners.size(); ++v) {
        const int i = corners[v][3];
        mesh->mNormals[v] = i >= 0 && i < normals.GetSize()
                                ? aiVector3D(normals[i].x, normals[i].y, normals[i].z)
                                : aiVector3D(0, 0, 1);
      }
    }
    mesh->mNumFaces = static_cast<unsigned>(sizes.size());
    mesh->mFaces = new aiFace[sizes.size()];
    const unsigned* next = indices.data();
    for (std::size_t f = 0; f < sizes.size(); ++f) {
      aiFace& out = mesh->mFaces[f];
      out.mNumIndices = sizes[f];
      out.mIndices = new unsigned[sizes[f]];
      std::copy(next, next + sizes[f], out.mIndices);
      next += sizes[f];
      mesh->mPrimitiveTypes |=
          out.mNumIndices == 3 ? aiPrimitiveType_TRIANGLE : aiPrimitiveType_POLYGON;
    }
    return mesh;
  }

 private:
  static int channelPoint(const CChannel* channel, int face, std::uint32_t corner) {
    if (channel == nullptr) return -1;
    return channel->GetChannelPointIndex(face, static_cast<int>(corner));
  }

  const C3DObject& m_object;
  CUVWChannel* m_uv = nullptr;
  CVCChannel* m_vc = nullptr;
  CSpecNormalChannel* m_normals = nullptr;
};

class SceneWriter {
 public:
  SceneWriter(const C3DScene& scene, aiScene& out) : m_scene(scene), m_out(out), m_embedded(scene) {
    std::uint32_t index = 0;
    for (C3DMaterial* m = scene.GetFirstMaterial(index); m != nullptr;
         m = scene.GetNextMaterial(index)) {
      m_materialIndex.emplace(m->GetMaterialID(), static_cast<unsigned>(m_materials.size()));
      m_materials.push_back(makeMaterial(m, m_embedded));
    }
  }

  aiNode* WriteNode(const C3DSceneNode& node) {
    auto* out = new aiNode(node.GetName());
    C4x4Matrix local;
    node.GetLocalTM(0, local);
    out->mTransformation = toAssimp(local);
    if (auto* object = dynamic_cast<const C3DObject*>(node.GetObject()))
      WriteMeshes(node, *object, *out);
    WriteAnimation(node);
    std::vector<aiNode*> children;
    for (C3DSceneNode* child = m_scene.GetChildNode(&node); child != nullptr;
         child = m_scene.GetRightNode(child)) {
      aiNode* written = WriteNode(*child);
      written->mParent = out;
      children.push_back(written);
    }
    out->mNumChildren = static_cast<unsigned>(children.size());
    out->mChildren = copyArray(children);
    return out;
  }

  // Hands the gathered meshes, materials and animation to the scene.
  void Finish() {
    if (m_materials.empty() || m_needsDefault) {
      m_defaultMaterial = static_cast<unsigned>(m_materials.size());
      m_materials.push_back(makeMaterial(nullptr, m_embedded));
    }
    for (aiMesh* mesh : m_meshes) {
      if (mesh->mMaterialIndex == kUnknownMaterial) mesh->mMaterialIndex = m_defaultMaterial;
    }
    m_out.mNumMeshes = static_cast<unsigned>(m_meshes.size());
    m_out.mMeshes = copyArray(m_meshes);
    m_out.mNumMaterials = static_cast<unsigned>(m_materials.size());
    m_out.mMaterials = copyArray(m_materials);
    m_embedded.moveInto(m_out);
    if (!m_channels.empty()) {
      auto* animation = new aiAnimation;
      animation->mName = "Animation";
      // Exporters disagree on whether key times are ticks or seconds; with
      // one tick a second both readings agree.
      animation->mTicksPerSecond = 1.0;
      animation->mDuration = m_duration;
      animation->mNumChannels = static_cast<unsigned>(m_channels.size());
      animation->mChannels = copyArray(m_channels);
      m_out.mNumAnimations = 1;
      m_out.mAnimations = new aiAnimation* [1] { animation };
    }
    m_meshes.clear();
    m_materials.clear();
    m_channels.clear();
  }

  bool HasMeshes() const { return !m_meshes.empty(); }

  ~SceneWriter() {
    for (aiMesh* mesh : m_meshes) delete mesh;
    for (aiMaterial* material : m_materials) delete material;
    for (aiNodeAnim* channel : m_channels) delete channel;
  }
  SceneWriter(const SceneWriter&) = delete;
  SceneWriter& operator=(const SceneWriter&) = delete;

 private:
  static constexpr unsigned kUnknownMaterial = 0xFFFFFFFFu;

  void WriteMeshes(const C3DSceneNode& node, const C3DObject& object, aiNode& out) {
    if (object.GetFaceList() == nullptr || object.GetPointList() == nullptr) return;
    std::vector<std::uint32_t> order;
    std::map<std::uint32_t, std::vector<int>> byMaterial;
    const C3DFaceList& faces = *object.GetFaceList();
    for (int f = 0; f < faces.GetSize(); ++f) {
      const std::uint32_t id = faces.ElementAt(f)->GetMaterialID();
      auto& list = byMaterial[id];
      if (list.empty()) order.push_back(id);
      list.push_back(f);
    }
    const MeshWriter writer(object);
    std::vector<unsigned> meshIndices;
    for (std::uint32_t id : order) {
      const auto known = m_materialIndex.find(id);
      const unsigned material = known == m_materialIndex.end() ? kUnknownMaterial : known->second;
      aiMesh* mesh = writer.Write(byMaterial[id], material, node.GetName());
      if (mesh == nullptr) continue;
      m_needsDefault |= material == kUnknownMaterial;
      meshIndices.push_back(static_cast<unsigned>(m_meshes.size()));
      m_meshes.push_back(mesh);
    }
    out.mNumMeshes = static_cast<unsigned>(meshIndices.size());
    out.mMeshes = copyArray(meshIndices);
  }

  // Keys at other times than 0 make the node an animated one. Its channel
  // samples the node's local transform at every key time, so that the
  // three key lists share their times whatever kinds of keys there are.
  void WriteAnimation(const C3DSceneNode& node) {
    const CTimeRange range = node.GetTimeRange(vex3d::kAnyKeyClass);
    if (range.GetStart() == range.GetEnd()) return;
    std::set<int> times;
    int time = 0;
    for (int i = 0; i < node.GetKeyNbr(); ++i) {
      if (node.GetKeyByIndex(i, &time) != nullptr) times.insert(time);
    }
    auto* channel = new aiNodeAnim;
    m_channels.push_back(channel);
    channel->mNodeName = node.GetName();
    std::vector<aiVectorKey> positions, scalings;
    std::vector<aiQuatKey> rotations;
    for (int t : times) {
      C4x4Matrix local;
      node.GetLocalTM(t, local);
      aiVector3D scaling, position;
      aiQuaternion rotation;
      toAssimp(local).Decompose(scaling, rotation, position);
      const double seconds = t / kTicksPerSecond;
      positions.emplace_back(seconds, position);
      scalings.emplace_back(seconds, scaling);
      rotations.emplace_back(seconds, rotation);
    }
    channel->mNumPositionKeys = static_cast<unsigned>(positions.size());
    channel->mPositionKeys = copyArray(positions);
    channel->mNumScalingKeys = static_cast<unsigned>(scalings.size());
    channel->mScalingKeys = copyArray(scalings);
    channel->mNumRotationKeys = static_cast<unsigned>(rotations.size());
    channel->mRotationKeys = copyArray(rotations);
    m_duration = std::max(m_duration, range.GetEnd() / kTicksPerSecond);
  }

  const C3DScene& m_scene;
  aiScene& m_out;
  std::map<std::uint32_t, unsigned> m_materialIndex;
  EmbeddedTextures m_embedded;
  std::vector<aiMaterial*> m_materials;
  std::vector<aiMesh*> m_meshes;
  std::vector<aiNodeAnim*> m_channels;
  bool m_needsDefault = false;
  unsigned m_defaultMaterial = 0;
  double m_duration = 0.0;
};

}  // namespace

std::unique_ptr<aiScene> sceneToAssimp(const C3DScene& scene) {
  auto out = std::make_unique<aiScene>();
  SceneWriter writer(scene, *out);
  std::vector<aiNode*> children;
  auto* root = new aiNode("Scene");
  out->mRootNode = root;
  const C3DSceneNode* sceneRoot = scene.GetSceneRoot();
  for (C3DSceneNode* child = scene.GetChildNode(sceneRoot); child != nullptr;
       child = scene.GetRightNode(child)) {
    aiNode* written = writer.WriteNode(*child);
    written->mParent = root;
    children.push_back(written);
  }
  root->mNumChildren = static_cast<unsigned>(children.size());
  root->mChildren = copyArray(children);
  if (!writer.HasMeshes()) return nullptr;
  writer.Finish();
  // Faces share their vertices.
  out->mFlags |= AI_SCENE_FLAGS_NON_VERBOSE_FORMAT;
  return out;
}

}  // namespace vex3d::assimp
