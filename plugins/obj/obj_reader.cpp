#include "obj_reader.h"

#include <string_view>

#include "hostlib/text/strings.h"
#include "material/material.h"
#include "mesh/model/channel.h"
#include "mesh_format_kit/mesh_build.h"
#include "mesh_format_kit/read_progress.h"
#include "mesh_format_kit/text_scan.h"
#include "mtl_reader.h"
#include "scene/scene.h"
#include "scene/scene_node.h"

namespace vex3d::obj {

namespace {

// Items of the out-of-range message list, by what the index points at.
constexpr int kPointIndex = 0;
constexpr int kTextureIndex = 1;
constexpr int kNormalIndex = 2;

using native::MeshArrays;

// File-wide values (OBJ numbers them across objects) and, per object, the
// local index each one took in the object being built.
template <int kWidth, class T>
struct Pool {
  native::MeshVector<T> values;
  native::MeshVector<int> local;
  native::MeshVector<std::uint32_t> stamp;

  std::int64_t count() const { return static_cast<std::int64_t>(values.size() / kWidth); }
  void reserve(std::size_t n) {
    values.reserve(n * kWidth);
    local.reserve(n);
    stamp.reserve(n);
  }
  void push(const T* v) {
    values.insert(values.end(), v, v + kWidth);
    local.push_back(-1);
    stamp.push_back(0);
  }
  // The object's index for file value `i`, copying it into `out` once.
  int use(std::int64_t i, std::uint32_t object, native::MeshVector<T>& out) {
    const auto at = static_cast<std::size_t>(i);
    if (stamp[at] != object) {
      stamp[at] = object;
      local[at] = static_cast<int>(out.size() / kWidth);
      out.insert(out.end(), values.begin() + at * kWidth, values.begin() + (at + 1) * kWidth);
    }
    return local[at];
  }
};

class Reader {
 public:
  Reader(const MaterialLoader& loader, native::ReadProgress* progress)
      : m_loader(loader), m_progress(progress) {}

  ReadResult run(std::span<const unsigned char> bytes) {
    const char* p = reinterpret_cast<const char*>(bytes.data());
    const char* end = p + bytes.size();
    p = native::skipBom(p, end);
    reserve(p, end);
    m_result.scene = std::make_unique<C3DScene>();
    while (p < end) {
      ++m_line;
      const char* eol = native::lineEnd(p, end);
      if (native::cancelled(m_progress, p)) {
        m_result.error = native::readingCancelledText();
        m_result.scene.reset();
        return std::move(m_result);
      }
      if (!line(p, eol)) {
        m_result.scene.reset();
        return std::move(m_result);
      }
      p = eol < end ? eol + 1 : end;
    }
    // The last object's values are its own by now: the file-wide ones go
    // before its lists are built.
    native::parsed(m_progress);
    m_points = {};
    m_colors = {};
    m_uvs = {};
    m_normals = {};
    flush();
    return std::move(m_result);
  }

 private:
  // Counting the statements first costs one quick pass and saves growing
  // (copying) every array as the file is read.
  void reserve(const char* p, const char* end) {
    std::size_t v = 0, vt = 0, vn = 0, corners = 0;
    while (p < end) {
      p = native::skipBlanks(p, end);
      if (end - p > 2 && p[0] == 'v') {
        if (native::isBlank(p[1])) ++v;
        if (p[1] == 't' && native::isBlank(p[2])) ++vt;
        if (p[1] == 'n' && native::isBlank(p[2])) ++vn;
      } else if (end - p > 2 && p[0] == 'f' && native::isBlank(p[1])) {
        corners += 3;
      }
      p = native::nextLine(p, end);
    }
    m_points.reserve(v);
    m_uvs.reserve(vt);
    m_normals.reserve(vn);
    m_mesh.positions.reserve(3 * v);
    m_mesh.corners.reserve(corners);
    if (vt > 0) m_mesh.uvw.corners.reserve(corners);
    if (vn > 0) m_mesh.normals.corners.reserve(corners);
  }

  bool fail(const std::string& what) {
    m_result.error = FormatString(kStrObjLineError, static_cast<long long>(m_line), what.c_str());
    return false;
  }
  bool fail(unsigned id) { return fail(LoadStringW(id)); }

  bool line(const char* p, const char* eol) {
    p = native::skipBlanks(p, eol);
    if (p == eol || *p == '#') return true;
    // The frequent statements first, without building a token.
    if (p[0] == 'v' && eol - p > 1 && native::isBlank(p[1])) return vertex(p + 2, eol);
    if (p[0] == 'f' && eol - p > 1 && native::isBlank(p[1])) return face(p + 2, eol);
    const char* q = p;
    const std::string_view word = native::token(q, eol);
    if (word == "vt") {
      float uvw[3] = {0, 0, 0};
      if (!native::scanFloat(q, eol, uvw[0])) return fail(kStrObjTexturePointNeedsNumber);
      if (native::scanFloat(q, eol, uvw[1])) native::scanFloat(q, eol, uvw[2]);
      m_uvs.push(uvw);
    } else if (word == "vn") {
      float n[3];
      if (!native::scanFloat(q, eol, n[0]) || !native::scanFloat(q, eol, n[1]) ||
          !native::scanFloat(q, eol, n[2])) {
        return fail(kStrObjNormalNeedsNumbers);
      }
      m_normals.push(n);
    } else if (word == "o") {
      flush();
      m_name = std::string(native::trimmed(q, eol));
    } else if (word == "g") {
      const std::string name(native::trimmed(q, eol));
      if (!m_mesh.corners.empty()) {
        flush();
        m_name = name;
      } else if (m_name.empty()) {
        m_name = name;
      }
    } else if (word == "usemtl") {
      m_material = materialId(std::string(native::trimmed(q, eol)));
    } else if (word == "mtllib") {
      materialLibraries(q, eol);
    }
    // Smoothing groups, lines, points, curves: nothing a mesh keeps.
    return true;
  }

  bool vertex(const char* q, const char* eol) {
    float v[3];
    if (!native::scanFloat(q, eol, v[0]) || !native::scanFloat(q, eol, v[1]) ||
        !native::scanFloat(q, eol, v[2])) {
      return fail(kStrObjPointNeedsNumbers);
    }
    m_points.push(v);
    // "v x y z r g b" (colours 0 to 1) is a common extension; "v x y z w"
    // carries a weight we do not keep. Alpha is how much a vertex colour
    // outweighs the material: a colour given is opaque, and a point without
    // one in a file that has some weighs nothing, so its faces keep their
    // material.
    float rgb[3];
    const char* r = q;
    std::uint8_t color[4] = {255, 255, 255, 0};
    if (native::scanFloat(r, eol, rgb[0]) && native::scanFloat(r, eol, rgb[1]) &&
        native::scanFloat(r, eol, rgb[2])) {
      for (int i = 0; i < 3; ++i) {
        const float c = rgb[i] < 0 ? 0 : rgb[i] > 1 ? 1 : rgb[i];
        color[i] = static_cast<std::uint8_t>(c * 255.0f + 0.5f);
      }
      color[3] = 255;
      m_anyColor = true;
    }
    m_colors.push(color);
    return true;
  }

  // One index of a corner: 1-based, or negative counting back from the
  // last value defined.
  bool resolve(std::int64_t raw, std::int64_t count, int what, std::int64_t& index) {
    if (raw > 0 && raw <= count) {
      index = raw - 1;
      return true;
    }
    // Compared as raw >= -count: the negation of the most negative 64-bit
    // value does not exist.
    if (raw < 0 && raw >= -count) {
      index = count + raw;
      return true;
    }
    return fail(formatText(ExtractString(kStrObjIndexOutOfRange, what).c_str(),
                           static_cast<long long>(raw), static_cast<long long>(count)));
  }

  bool face(const char* q, const char* eol) {
    m_face.clear();
    for (;;) {
      q = native::skipBlanks(q, eol);
      if (q == eol) break;
      std::int64_t raw = 0;
      if (!native::scanInt(q, eol, raw)) return fail(kStrObjBadFaceCorner);
      Corner corner;
      if (!resolve(raw, m_points.count(), kPointIndex, corner.point)) return false;
      if (q < eol && *q == '/') {
        ++q;
        if (q < eol && *q != '/') {
          if (!native::scanInt(q, eol, raw)) return fail(kStrObjBadTextureIndex);
          if (!resolve(raw, m_uvs.count(), kTextureIndex, corner.uv)) return false;
        }
        if (q < eol && *q == '/') {
          ++q;
          if (!native::scanInt(q, eol, raw)) return fail(kStrObjBadNormalIndex);
          if (!resolve(raw, m_normals.count(), kNormalIndex, corner.normal)) return false;
        }
      }
      if (q < eol && !native::isBlank(*q)) return fail(kStrObjBadFaceCorner);
      m_face.push_back(corner);
    }
    if (m_face.size() > native::kMaxFaceCorners) {
      return fail(FormatString(kStrObjTooManyCorners, m_face.size(), native::kMaxFaceCorners));
    }
    if (m_face.size() < 3) {
      m_result.warnings.push_back(
          FormatString(kStrObjShortFaceSkipped, static_cast<long long>(m_line)));
      return true;
    }
    const int previousFaces = m_mesh.faceCount();
    const bool polygon = m_face.size() != 3;
    if (polygon && m_mesh.faceSizes.empty()) m_mesh.faceSizes.assign(m_mesh.corners.size() / 3, 3u);
    if (polygon || !m_mesh.faceSizes.empty()) {
      m_mesh.faceSizes.push_back(static_cast<std::uint32_t>(m_face.size()));
    }
    // Material ids are only kept once a face has one.
    if (m_material != 0 || !m_mesh.materials.empty()) {
      m_mesh.materials.resize(static_cast<std::size_t>(previousFaces), 0u);
      m_mesh.materials.push_back(m_material);
    }
    for (const Corner& c : m_face) {
      m_mesh.corners.push_back(m_points.use(c.point, m_object, m_mesh.positions));
      if (m_anyColor)
        m_colorCorners.push_back(m_colors.use(c.point, m_object, m_mesh.colors.values));
      m_mesh.uvw.corners.push_back(c.uv >= 0 ? m_uvs.use(c.uv, m_object, m_mesh.uvw.values) : -1);
      m_mesh.normals.corners.push_back(
          c.normal >= 0 ? m_normals.use(c.normal, m_object, m_mesh.normals.values) : -1);
      m_anyUV |= c.uv >= 0;
      m_anyNormal |= c.normal >= 0;
    }
    return true;
  }

  // Corners without a value of their own point at one added default.
  template <class Layer>
  static void complete(Layer& layer, bool any, int width) {
    if (!any) {
      layer = Layer();
      return;
    }
    int fallback = -1;
    for (int& c : layer.corners) {
      if (c >= 0) continue;
      if (fallback < 0) {
        fallback = layer.count();
        layer.values.resize(layer.values.size() + static_cast<std::size_t>(width));
      }
      c = fallback;
    }
  }

  void flush() {
    if (!m_mesh.corners.empty()) {
      complete(m_mesh.uvw, m_anyUV, 3);
      complete(m_mesh.normals, m_anyNormal, 3);
      if (m_anyColor && m_colorCorners.size() == m_mesh.corners.size()) {
        m_mesh.colors.corners = std::move(m_colorCorners);
      } else {
        m_mesh.colors = {};
      }
      if (m_uvChannel == vex3d::kNoChannelId) m_uvChannel = CChannel::CreateID();
      auto node = std::make_unique<C3DSceneNode>();
      node->SetName(m_name);
      node->SetObject(native::buildObject(m_mesh, m_uvChannel).release());
      m_result.scene->AddNode(nullptr, node.release());
      m_mesh.clear();
    }
    // An object without faces built nothing: the arrays keep their room.
    m_colorCorners.clear();
    m_anyUV = m_anyNormal = false;
    m_name.clear();
    ++m_object;
  }

  std::uint32_t materialId(const std::string& name) {
    if (name.empty()) return 0;
    auto found = m_materialIds.find(name);
    if (found != m_materialIds.end()) return found->second;
    // Used without a definition: the name alone keeps faces apart.
    C3DMaterial* material = newMaterial(*m_result.scene);
    material->SetName(name);
    m_materialIds[name] = material->GetMaterialID();
    return material->GetMaterialID();
  }

  void materialLibraries(const char* q, const char* eol) {
    if (m_uvChannel == vex3d::kNoChannelId) m_uvChannel = CChannel::CreateID();
    // Usually one name; several are separated by blanks.
    std::string_view all = native::trimmed(q, eol);
    std::vector<std::string> names;
    std::string whole(all);
    std::string bytes;
    if (m_loader && m_loader(whole, bytes)) {
      names.push_back(whole);
    } else {
      while (q < eol) {
        const std::string_view name = native::token(q, eol);
        if (!name.empty()) names.emplace_back(name);
      }
    }
    for (const std::string& name : names) {
      if (name != whole || bytes.empty()) {
        bytes.clear();
        if (!m_loader || !m_loader(name, bytes)) {
          m_result.warnings.push_back(FormatString(kStrObjLibraryNotFound, name.c_str()));
          continue;
        }
      }
      readMtl(bytes, *m_result.scene, m_materialIds, m_uvChannel, m_result.warnings);
      bytes.clear();
    }
  }

  struct Corner {
    std::int64_t point = -1;
    std::int64_t uv = -1;
    std::int64_t normal = -1;
  };

  const MaterialLoader& m_loader;
  native::ReadProgress* m_progress;
  ReadResult m_result;
  int m_line = 0;
  Pool<3, float> m_points;
  Pool<4, std::uint8_t> m_colors;
  Pool<3, float> m_uvs;
  Pool<3, float> m_normals;
  bool m_anyColor = false, m_anyUV = false, m_anyNormal = false;
  native::MeshVector<int> m_colorCorners;
  std::vector<Corner> m_face;
  MeshArrays m_mesh;
  std::string m_name;
  std::uint32_t m_object = 1;
  std::uint32_t m_material = 0;
  std::uint32_t m_uvChannel = vex3d::kNoChannelId;
  MaterialIds m_materialIds;
};

}  // namespace

ReadResult readObj(std::span<const unsigned char> bytes, const MaterialLoader& loader,
                   native::ReadProgress* progress) {
  return Reader(loader, progress).run(bytes);
}

}  // namespace vex3d::obj
