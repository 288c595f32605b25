#include "mesh_gather.h"

#include <assimp/mesh.h>

#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <new>

#include "hostlib/core/archive.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"

namespace vex3d::assimp {

namespace {

using Triple = std::array<float, 3>;

ValueIndex<3>::Key bitsOf(const aiVector3D& v) {
  return std::bit_cast<ValueIndex<3>::Key>(Triple{v.x, v.y, v.z});
}

Triple floatsOf(const ValueIndex<3>::Key& bits) { return std::bit_cast<Triple>(bits); }

std::uint8_t colourByte(float value) {
  if (!(value > 0.0f)) return 0;
  if (value >= 1.0f) return 255;
  return static_cast<std::uint8_t>(std::lround(value * 255.0f));
}

// Each channel value as its list's element, whether the list is filled
// or the element stores itself.
CUVWPoint uvwOf(const ValueIndex<3>::Key& bits) {
  const Triple t = floatsOf(bits);
  return CUVWPoint(t[0], t[1], t[2]);
}
CVCPoint colourPointOf(const ValueIndex<1>::Key& rgba) { return CVCPoint(CRGBColor(rgba[0])); }
C3DVector normalOf(const ValueIndex<3>::Key& bits) {
  const Triple n = floatsOf(bits);
  return C3DVector(n[0], n[1], n[2]);
}

// Each list is sized once and its points written in place: appending a
// million points one by one grows and copies the list again and again.
template <class List, class Values, class Make>
void fill(List& list, const Values& values, Make make) {
  list.SetSize(static_cast<int>(values.size()));
  auto* points = list.GetData();
  for (std::size_t i = 0; i < values.size(); ++i) points[i] = make(values[i]);
}

}  // namespace

CRGBColor colourOf(const aiColor4D& c) {
  return CRGBColor(colourByte(c.r), colourByte(c.g), colourByte(c.b), 255);
}

MeshGather::MeshGather(const std::vector<const aiMesh*>& meshes) {
  std::size_t faces = 0, vertices = 0;
  for (const aiMesh* mesh : meshes) {
    faces += mesh->mNumFaces;
    vertices += mesh->mNumVertices;
  }
  if (vertices > UINT32_MAX) throw std::bad_alloc();
  // Most files come triangulated; larger faces only grow the corners.
  m_sizes.reserve(faces);
  m_materials.reserve(faces);
  m_corners.reserve(3 * faces);
  m_vertices.reserve(vertices);
  // Points are seldom shared between vertices; the other channels' values
  // often are, and their tables grow as they need.
  m_points.Reserve(vertices);
}

void MeshGather::AddMesh(const aiMesh& mesh) {
  const bool uv = mesh.HasTextureCoords(0);
  const bool vc = mesh.HasVertexColors(0);
  const bool normals3 = mesh.HasNormals();
  m_hasUV |= uv;
  m_hasColours |= vc;
  m_hasNormals |= normals3;
  m_firstVertex = m_vertices.size();
  m_vertices.resize(m_firstVertex + mesh.mNumVertices);
  // A vertex is shared by several corners: each channel looks it up once,
  // at the vertex's first corner.
  for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
    const aiFace& face = mesh.mFaces[f];
    if (face.mNumIndices < 3 || face.mIndices == nullptr) continue;
    const std::size_t first = m_corners.size();
    bool valid = true;
    for (unsigned k = 0; k < face.mNumIndices; ++k) {
      const unsigned v = face.mIndices[k];
      if (v >= mesh.mNumVertices) {
        valid = false;
        break;
      }
      Values& values = m_vertices[m_firstVertex + v];
      if (values.point < 0) {
        values.point = m_points.Add(bitsOf(mesh.mVertices[v]));
        values.uv = m_uvs.Add(bitsOf(uv ? mesh.mTextureCoords[0][v] : aiVector3D()));
        // A mesh without colours in a node whose other meshes have them
        // gets colours that weigh nothing, so its faces keep their material.
        const CRGBColor rgba = vc ? colourOf(mesh.mColors[0][v]) : CRGBColor(255, 255, 255, 0);
        values.colour = m_colours.Add({rgba.GetColorRef()});
        values.normal = m_normals.Add(bitsOf(normals3 ? mesh.mNormals[v] : aiVector3D(0, 0, 1)));
      }
      m_corners.push_back(static_cast<std::uint32_t>(m_firstVertex + v));
    }
    if (!valid) {
      // The values its good corners added stay numbered, as they would
      // have been had a later face used them first.
      m_corners.resize(first);
      continue;
    }
    m_sizes.push_back(face.mNumIndices);
    m_materials.push_back(mesh.mMaterialIndex + 1);
  }
}

template <class Member>
void MeshGather::channelCorners(Member member, Array<int>& corners) const {
  corners.resize(m_corners.size());
  for (std::size_t k = 0; k < m_corners.size(); ++k) corners[k] = m_vertices[m_corners[k]].*member;
}

std::unique_ptr<C3DObject> MeshGather::ToObject() const {
  auto object = std::make_unique<C3DObject>();
  Shape(*object);
  Fill(*object);
  return object;
}

void MeshGather::Shape(C3DObject& object) const {
  object.Init(0, 0, 4, 0, 0);
  if (m_hasUV) {
    auto* uvw = new CUVWChannel;
    object.AddChannel(uvw);
    object.SetGlobalUVWChannel(uvw->GetChannelID());
  }
  if (m_hasColours) {
    auto* colours = new CVCChannel;
    object.AddChannel(colours);
    object.SetGlobalVCChannel(colours->GetChannelID(), 1.0f);
  }
  if (m_hasNormals) object.AddChannel(new CSpecNormalChannel);
}

void MeshGather::Fill(C3DObject& object) const {
  const auto& points = m_points.Values();
  C3DPointList& pointList = *object.GetPointList();
  pointList.SetSize(static_cast<int>(points.size()));
  C3DPoint* point = pointList.GetData();
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Triple p = floatsOf(points[i]);
    point[i].Init(p[0], p[1], p[2]);
  }
  // One buffer serves every channel in turn.
  Array<int> corners;
  channelCorners(&Values::point, corners);
  C3DFaceList& faces = *object.GetFaceList();
  faces.AssignFaces(m_sizes, corners);
  for (std::size_t f = 0; f < m_materials.size(); ++f)
    faces.ElementAt(static_cast<int>(f))->SetMaterialID(m_materials[f]);
  const CDependentChannels& channels = *object.GetChannels();
  for (int c = 0; c < channels.GetSize(); ++c) {
    CChannel* channel = channels.GetChannelByIndex(c);
    if (auto* uvw = dynamic_cast<CUVWChannel*>(channel)) {
      fill(*uvw->GetUVWPointList(), m_uvs.Values(), uvwOf);
      channelCorners(&Values::uv, corners);
      uvw->GetUVWFaceList()->AssignFaces(m_sizes, corners);
    } else if (auto* colours = dynamic_cast<CVCChannel*>(channel)) {
      fill(*colours->GetVCPointList(), m_colours.Values(), colourPointOf);
      channelCorners(&Values::colour, corners);
      colours->GetVCFaceList()->AssignFaces(m_sizes, corners);
    } else if (auto* normals = dynamic_cast<CSpecNormalChannel*>(channel)) {
      fill(*normals->GetNormalVectorList(), m_normals.Values(), normalOf);
      channelCorners(&Values::normal, corners);
      normals->GetNormalFaceList()->AssignFaces(m_sizes, corners);
    }
  }
}

void MeshGather::FinishAdding() {
  m_points.ReleaseTable();
  m_uvs.ReleaseTable();
  m_normals.ReleaseTable();
  m_colours.ReleaseTable();
}

bool MeshGather::FitsRecords() const {
  std::uint64_t bytes = 0;
  for (const std::uint32_t size : m_sizes) {
    if (size > IndexStore::kMaxRecordSize) return false;
    bytes += IndexStore::RecordBytes(size);
  }
  return bytes <= UINT32_MAX && m_sizes.size() <= static_cast<std::size_t>(INT_MAX);
}

template <class Member>
void MeshGather::storeFaceList(CArchive& ar, Member member, bool materials) const {
  const std::size_t faces = m_sizes.size();
  ar.WriteCount(faces);
  // Gathered faces carry no flags: they all have three corners or more.
  for (std::size_t f = 0; f < faces; ++f) {
    ar << std::uint32_t{0};
    if (materials) ar << m_materials[f];
  }
  ar << static_cast<std::uint32_t>(faces);
  if (faces == 0) return;
  std::uint64_t used = 0;
  for (const std::uint32_t size : m_sizes) used += IndexStore::RecordBytes(size);
  ar << static_cast<std::uint32_t>(used) << static_cast<std::uint32_t>(used);
  // The records tightly, as a compacted store holds them: count, capacity
  // (the same), then the corners.
  static_assert(IndexStore::kHeaderBytes == 2 * sizeof(std::uint16_t));
  const std::uint32_t* corner = m_corners.data();
  for (const std::uint32_t size : m_sizes) {
    ar << static_cast<std::uint16_t>(size) << static_cast<std::uint16_t>(size);
    for (std::uint32_t k = 0; k < size; ++k)
      ar << static_cast<std::int32_t>(m_vertices[corner[k]].*member);
    corner += size;
  }
  ar.WriteCount(faces);
  std::uint32_t at = 0;
  for (const std::uint32_t size : m_sizes) {
    ar << at;
    at += static_cast<std::uint32_t>(IndexStore::RecordBytes(size));
  }
}

void MeshGather::StoreFaces(CArchive& ar) const { storeFaceList(ar, &Values::point, true); }

void MeshGather::StorePoints(CArchive& ar) const {
  const auto& points = m_points.Values();
  ar.WriteCount(points.size());
  C3DPoint point;
  for (const auto& bits : points) {
    const Triple p = floatsOf(bits);
    point.Init(p[0], p[1], p[2]);
    point.Serialize(ar);
  }
}

void MeshGather::StoreChannelFaces(CArchive& ar, const CChannel& channel) const {
  if (dynamic_cast<const CUVWChannel*>(&channel) != nullptr) {
    storeFaceList(ar, &Values::uv, false);
  } else if (dynamic_cast<const CVCChannel*>(&channel) != nullptr) {
    storeFaceList(ar, &Values::colour, false);
  } else if (dynamic_cast<const CSpecNormalChannel*>(&channel) != nullptr) {
    storeFaceList(ar, &Values::normal, false);
  }
}

void MeshGather::StoreChannelPoints(CArchive& ar, const CChannel& channel) const {
  // Each element as the list's own element type stores itself.
  auto store = [&ar](const auto& values, auto make) {
    ar.WriteCount(values.size());
    for (const auto& value : values) make(value).Serialize(ar);
  };
  if (dynamic_cast<const CUVWChannel*>(&channel) != nullptr) {
    store(m_uvs.Values(), uvwOf);
  } else if (dynamic_cast<const CVCChannel*>(&channel) != nullptr) {
    store(m_colours.Values(), colourPointOf);
  } else if (dynamic_cast<const CSpecNormalChannel*>(&channel) != nullptr) {
    store(m_normals.Values(), normalOf);
  }
}

}  // namespace vex3d::assimp
