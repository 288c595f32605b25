#include "ply_writer.h"

#include <array>
#include <unordered_map>
#include <vector>

#include "mesh_format_kit/buffered_writer.h"
#include "mesh_format_kit/corner_channels.h"
#include "mesh_format_kit/scene_walk.h"

namespace vex3d::ply {

namespace {

// A PLY vertex is one combination of point, texture coordinate, colour and
// normal. Most points have a few combinations, so each point chains the
// vertices made from it; past kChainLimit of them (a hub point of a fan, a
// crafted file) the rest go to a hash map, so that no file turns the
// lookup quadratic.
using Key = std::array<int, 3>;  // uv, colour, normal
using PointKey = std::array<int, 4>;

// Element by element: array equality becomes a call to memcmp for three
// ints, once per corner and candidate vertex.
bool sameKey(const Key& a, const Key& b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

constexpr int kChainLimit = 16;

struct PointKeyHash {
  std::size_t operator()(const PointKey& k) const {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (int v : k) h = (h ^ static_cast<std::uint32_t>(v)) * 0x100000001B3ull;
    return static_cast<std::size_t>(h ^ (h >> 32));
  }
};

struct Vertex {
  float xyz[3];
  float normal[3];
  float uv[2];
  std::uint8_t rgba[4];
};

struct Collected {
  std::vector<Vertex> vertices;
  std::vector<int> corners;
  std::vector<std::uint32_t> sizes;
  bool uv = false, colors = false, normals = false;
  bool alpha = false;  // some colour is not opaque
};

Collected collect(const std::vector<native::NamedObject>& objects) {
  Collected out;
  for (const auto& named : objects) {
    const native::CornerChannels channels(*named.object);
    out.uv |= channels.uv() != nullptr;
    out.colors |= channels.colors() != nullptr;
    out.normals |= channels.normals() != nullptr;
  }
  std::size_t faceCount = 0;
  std::size_t pointCount = 0;
  for (const auto& named : objects) {
    faceCount += static_cast<std::size_t>(named.object->GetFaceList()->GetSize());
    pointCount += static_cast<std::size_t>(named.object->GetPointList()->GetSize());
  }
  // Usually a vertex per point and three or four corners per face.
  out.vertices.reserve(pointCount);
  out.sizes.reserve(faceCount);
  out.corners.reserve(faceCount * 3);
  std::vector<int> firstOfPoint;
  std::vector<int> nextOfVertex;  // per vertex of the current object
  std::vector<Key> keyOfVertex;
  std::vector<int> chainLength;  // per point
  std::unordered_map<PointKey, int, PointKeyHash> overflow;
  for (std::size_t o = 0; o < objects.size(); ++o) {
    const C3DObject& object = *objects[o].object;
    const native::CornerChannels channels(object);
    const C3DPointList& points = *object.GetPointList();
    const C3DFaceList& faces = *object.GetFaceList();
    const int base = static_cast<int>(out.vertices.size());
    firstOfPoint.assign(static_cast<std::size_t>(points.GetSize()), -1);
    chainLength.assign(static_cast<std::size_t>(points.GetSize()), 0);
    nextOfVertex.clear();
    keyOfVertex.clear();
    overflow.clear();
    for (int f = 0, n = faces.GetSize(); f < n; ++f) {
      const C3DFace& face = *faces.ElementAt(f);
      if (!native::writableFace(face, points.GetSize())) continue;
      out.sizes.push_back(face.GetSize());
      for (std::uint32_t k = 0; k < face.GetSize(); ++k) {
        const int point = face[k];
        const Key key = {channels.uvAt(f, k), channels.colorAt(f, k), channels.normalAt(f, k)};
        const auto at = static_cast<std::size_t>(point);
        int found = firstOfPoint[at];
        while (found >= 0 && !sameKey(keyOfVertex[static_cast<std::size_t>(found)], key)) {
          found = nextOfVertex[static_cast<std::size_t>(found)];
        }
        const bool chained = chainLength[at] < kChainLimit;
        if (found < 0 && !chained) {
          const auto hit = overflow.find(PointKey{point, key[0], key[1], key[2]});
          if (hit != overflow.end()) found = hit->second;
        }
        if (found >= 0) {
          out.corners.push_back(base + found);
          continue;
        }
        const int local = static_cast<int>(keyOfVertex.size());
        keyOfVertex.push_back(key);
        nextOfVertex.push_back(-1);
        if (chained) {
          nextOfVertex.back() = firstOfPoint[at];
          firstOfPoint[at] = local;
          ++chainLength[at];
        } else {
          overflow.emplace(PointKey{point, key[0], key[1], key[2]}, local);
        }
        out.corners.push_back(base + local);
        Vertex v{};
        const C3DPoint& p = points[point];
        v.xyz[0] = p.x;
        v.xyz[1] = p.y;
        v.xyz[2] = p.z;
        if (key[0] >= 0) {
          const CUVWPoint& uv = (*channels.uv())[key[0]];
          v.uv[0] = uv.u;
          v.uv[1] = uv.v;
        }
        if (out.colors) {
          // A corner without colour weighs nothing against its material
          // (an object without colours beside one that has them).
          const CRGBColor c =
              key[1] >= 0 ? (*channels.colors())[key[1]].GetColor() : CRGBColor(255, 255, 255, 0);
          for (int i = 0; i < 4; ++i) v.rgba[i] = c[i];
          out.alpha |= c.GetAlpha() != 255;
        }
        if (key[2] >= 0) {
          const C3DVector& nv = (*channels.normals())[key[2]];
          v.normal[0] = nv.x;
          v.normal[1] = nv.y;
          v.normal[2] = nv.z;
        }
        out.vertices.push_back(v);
      }
    }
  }
  return out;
}

class ValueWriter {
 public:
  ValueWriter(native::BufferedWriter& out, bool text) : m_out(out), m_text(text) {}
  void real(float v) {
    if (m_text) {
      separate();
      m_out.putFloat(v);
    } else {
      m_out.putBinary(v, false);
    }
  }
  void byte(std::uint8_t v) {
    if (m_text) {
      separate();
      m_out.putInt(v);
    } else {
      m_out.putBinary(v, false);
    }
  }
  void integer(std::int32_t v) {
    if (m_text) {
      separate();
      m_out.putInt(v);
    } else {
      m_out.putBinary(v, false);
    }
  }
  void endItem() {
    if (m_text) m_out.put('\n');
    m_first = true;
  }

 private:
  void separate() {
    if (!m_first) m_out.put(' ');
    m_first = false;
  }
  native::BufferedWriter& m_out;
  bool m_text;
  bool m_first = true;
};

}  // namespace

bool writePly(const C3DScene& scene, const std::string& path, bool text, std::string& error) {
  const Collected mesh = collect(native::polygonalObjects(scene));
  std::uint32_t largest = 0;
  for (std::uint32_t size : mesh.sizes) largest = std::max(largest, size);
  const bool wideCounts = largest > 255;

  native::BufferedWriter out;
  if (!out.open(path, error)) return false;
  out.put(text ? "ply\nformat ascii 1.0\n" : "ply\nformat binary_little_endian 1.0\n");
  out.put("element vertex ");
  out.putInt(static_cast<std::int64_t>(mesh.vertices.size()));
  out.put("\nproperty float x\nproperty float y\nproperty float z\n");
  if (mesh.normals) out.put("property float nx\nproperty float ny\nproperty float nz\n");
  if (mesh.colors) out.put("property uchar red\nproperty uchar green\nproperty uchar blue\n");
  // Opaque colours, the common case, need no alpha: it reads back as 255.
  if (mesh.alpha) out.put("property uchar alpha\n");
  if (mesh.uv) out.put("property float s\nproperty float t\n");
  out.put("element face ");
  out.putInt(static_cast<std::int64_t>(mesh.sizes.size()));
  out.put(wideCounts ? "\nproperty list int int vertex_indices\nend_header\n"
                     : "\nproperty list uchar int vertex_indices\nend_header\n");

  ValueWriter values(out, text);
  for (const Vertex& v : mesh.vertices) {
    for (float c : v.xyz) values.real(c);
    if (mesh.normals) {
      for (float c : v.normal) values.real(c);
    }
    if (mesh.colors) {
      for (int i = 0; i < 3; ++i) values.byte(v.rgba[i]);
      if (mesh.alpha) values.byte(v.rgba[3]);
    }
    if (mesh.uv) {
      values.real(v.uv[0]);
      values.real(v.uv[1]);
    }
    values.endItem();
  }
  const int* corner = mesh.corners.data();
  for (std::uint32_t size : mesh.sizes) {
    if (wideCounts) {
      values.integer(static_cast<std::int32_t>(size));
    } else {
      values.byte(static_cast<std::uint8_t>(size));
    }
    for (std::uint32_t k = 0; k < size; ++k) values.integer(*corner++);
    values.endItem();
  }
  return out.finish(error);
}

}  // namespace vex3d::ply
