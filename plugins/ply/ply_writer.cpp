#include "ply_writer.h"

#include <array>
#include <unordered_map>
#include <vector>

#include "../native_io/buffered_writer.h"
#include "../native_io/corner_channels.h"
#include "../native_io/scene_walk.h"

namespace vex3d::ply {

namespace {

using Key = std::array<int, 5>;  // object, point, uv, colour, normal

struct KeyHash {
  std::size_t operator()(const Key& k) const {
    std::uint64_t h = 0xCBF29CE484222325ull;
    for (int v : k) h = (h ^ static_cast<std::uint32_t>(v)) * 0x100000001B3ull;
    return static_cast<std::size_t>(h ^ (h >> 32));
  }
};

struct Vertex {
  float xyz[3];
  float normal[3];
  float uv[2];
  std::uint8_t rgb[3];
};

struct Collected {
  std::vector<Vertex> vertices;
  std::vector<int> corners;
  std::vector<std::uint32_t> sizes;
  bool uv = false, colors = false, normals = false;
};

Collected collect(const std::vector<native::NamedObject>& objects) {
  Collected out;
  for (const auto& named : objects) {
    const native::CornerChannels channels(*named.object);
    out.uv |= channels.uv() != nullptr;
    out.colors |= channels.colors() != nullptr;
    out.normals |= channels.normals() != nullptr;
  }
  std::unordered_map<Key, int, KeyHash> seen;
  for (std::size_t o = 0; o < objects.size(); ++o) {
    const C3DObject& object = *objects[o].object;
    const native::CornerChannels channels(object);
    const C3DPointList& points = *object.GetPointList();
    const C3DFaceList& faces = *object.GetFaceList();
    for (int f = 0, n = faces.GetSize(); f < n; ++f) {
      const C3DFace& face = *faces.ElementAt(f);
      if (!native::writableFace(face, points.GetSize())) continue;
      out.sizes.push_back(face.GetSize());
      for (std::uint32_t k = 0; k < face.GetSize(); ++k) {
        const Key key = {static_cast<int>(o), face[k], channels.uvAt(f, k), channels.colorAt(f, k),
                         channels.normalAt(f, k)};
        const auto [it, added] = seen.try_emplace(key, static_cast<int>(out.vertices.size()));
        out.corners.push_back(it->second);
        if (!added) continue;
        Vertex v{};
        const C3DPoint& p = points[key[1]];
        v.xyz[0] = p.x;
        v.xyz[1] = p.y;
        v.xyz[2] = p.z;
        if (key[2] >= 0) {
          const CUVWPoint& uv = (*channels.uv())[key[2]];
          v.uv[0] = uv.u;
          v.uv[1] = uv.v;
        }
        if (key[3] >= 0) {
          const CRGBColor& c = (*channels.colors())[key[3]].GetColor();
          v.rgb[0] = c.GetRed();
          v.rgb[1] = c.GetGreen();
          v.rgb[2] = c.GetBlue();
        }
        if (key[4] >= 0) {
          const C3DVector& nv = (*channels.normals())[key[4]];
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
      for (std::uint8_t c : v.rgb) values.byte(c);
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
