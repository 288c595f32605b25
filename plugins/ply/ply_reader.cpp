#include "ply_reader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "hostlib/text/strings.h"
#include "mesh_format_kit/mesh_build.h"
#include "mesh_format_kit/read_progress.h"
#include "mesh_format_kit/text_scan.h"
#include "ply_header.h"
#include "scene/scene.h"
#include "scene/scene_node.h"

namespace vex3d::ply {

namespace {

// Values one after the other, whatever the encoding; every read is checked
// against the end of the bytes.
class ValueSource {
 public:
  ValueSource(Format format, const char* begin, const char* end)
      : m_format(format), m_p(begin), m_end(end) {}

  bool read(Type type, double& out) {
    if (m_format == Format::text) return readText(out);
    const std::size_t size = typeSize(type);
    if (static_cast<std::size_t>(m_end - m_p) < size) return false;
    unsigned char b[8];
    std::memcpy(b, m_p, size);
    m_p += size;
    if ((m_format == Format::binaryBig) == (std::endian::native == std::endian::little)) {
      std::reverse(b, b + size);
    }
    switch (type) {
      case Type::int8:
        out = static_cast<std::int8_t>(b[0]);
        break;
      case Type::uint8:
        out = b[0];
        break;
      case Type::int16:
        out = load<std::int16_t>(b);
        break;
      case Type::uint16:
        out = load<std::uint16_t>(b);
        break;
      case Type::int32:
        out = load<std::int32_t>(b);
        break;
      case Type::uint32:
        out = load<std::uint32_t>(b);
        break;
      case Type::float32:
        out = load<float>(b);
        break;
      case Type::float64:
        out = load<double>(b);
        break;
    }
    return true;
  }

  std::size_t remaining() const { return static_cast<std::size_t>(m_end - m_p); }
  bool isText() const { return m_format == Format::text; }
  bool swapped() const {
    return (m_format == Format::binaryBig) == (std::endian::native == std::endian::little);
  }
  const unsigned char* raw() const { return reinterpret_cast<const unsigned char*>(m_p); }
  void advance(std::size_t n) { m_p += n; }

 private:
  template <class T>
  static T load(const unsigned char* b) {
    T value;
    std::memcpy(&value, b, sizeof value);
    return value;
  }

  bool readText(double& out) {
    while (m_p < m_end && (native::isBlank(*m_p) || *m_p == '\n')) ++m_p;
    return native::scanDouble(m_p, m_end, out);
  }

  Format m_format;
  const char* m_p;
  const char* m_end;
};

// One binary value of `type` at `b`, byte order already known.
double decode(const unsigned char* b, Type type, bool swap) {
  unsigned char v[8];
  const std::size_t size = typeSize(type);
  std::memcpy(v, b, size);
  if (swap) std::reverse(v, v + size);
  switch (type) {
    case Type::int8:
      return static_cast<std::int8_t>(v[0]);
    case Type::uint8:
      return v[0];
    case Type::int16: {
      std::int16_t x;
      std::memcpy(&x, v, 2);
      return x;
    }
    case Type::uint16: {
      std::uint16_t x;
      std::memcpy(&x, v, 2);
      return x;
    }
    case Type::int32: {
      std::int32_t x;
      std::memcpy(&x, v, 4);
      return x;
    }
    case Type::uint32: {
      std::uint32_t x;
      std::memcpy(&x, v, 4);
      return x;
    }
    case Type::float32: {
      float x;
      std::memcpy(&x, v, 4);
      return x;
    }
    case Type::float64: {
      double x;
      std::memcpy(&x, v, 8);
      return x;
    }
  }
  return 0;
}

// Least bytes one item of the element takes, so that counts can be checked
// against what the file holds before anything is allocated.
std::size_t minimumItemBytes(const Element& element, Format format) {
  std::size_t bytes = 0;
  for (const Property& property : element.properties) {
    if (format == Format::text) {
      bytes += 2;
    } else {
      bytes += typeSize(property.isList ? property.countType : property.type);
    }
  }
  return std::max<std::size_t>(bytes, 1);
}

enum Role : int {
  kSkip = -1,
  kX,
  kY,
  kZ,
  kNx,
  kNy,
  kNz,
  kRed,
  kGreen,
  kBlue,
  kAlpha,
  kU,
  kV,
  kRoleCount
};

Role vertexRole(std::string_view name) {
  static const struct {
    std::string_view name;
    Role role;
  } kNames[] = {{"x", kX},
                {"y", kY},
                {"z", kZ},
                {"nx", kNx},
                {"ny", kNy},
                {"nz", kNz},
                {"red", kRed},
                {"green", kGreen},
                {"blue", kBlue},
                {"alpha", kAlpha},
                {"r", kRed},
                {"g", kGreen},
                {"b", kBlue},
                {"a", kAlpha},
                {"diffuse_red", kRed},
                {"diffuse_green", kGreen},
                {"diffuse_blue", kBlue},
                {"u", kU},
                {"v", kV},
                {"s", kU},
                {"t", kV},
                {"texture_u", kU},
                {"texture_v", kV},
                {"texture_s", kU},
                {"texture_t", kV}};
  for (const auto& entry : kNames) {
    if (entry.name == name) return entry.role;
  }
  return kSkip;
}

// Doubles beyond the float range saturate rather than overflow.
float toFloat(double value) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (value > kMax) return std::numeric_limits<float>::infinity();
  if (value < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

std::uint8_t colorByte(double value, Type type) {
  if (type == Type::float32 || type == Type::float64) value *= 255.0;
  if (type == Type::uint16) value /= 257.0;
  if (!(value > 0.0)) return 0;
  if (value >= 255.0) return 255;
  return static_cast<std::uint8_t>(std::lround(value));
}

struct Reader {
  Reader(const Header& h, ValueSource& s, native::ReadProgress* p)
      : header(h), source(s), progress(p) {}

  const Header& header;
  ValueSource& source;
  native::ReadProgress* progress;
  native::MeshArrays mesh;
  std::uint64_t vertexCount = 0;
  bool hasNormals = false, hasColors = false, hasVertexUV = false, hasFaceUV = false;
  std::string error;

  bool fail(const std::string& what) {
    error = what;
    return false;
  }

  // A list length from the file (text gives any number): no more items
  // than bytes left.
  bool listCount(double value, std::uint64_t& count) const {
    if (!(value >= 0 && value <= static_cast<double>(source.remaining()))) return false;
    count = static_cast<std::uint64_t>(value);
    return true;
  }

  bool skipProperty(const Property& property) {
    double value = 0;
    if (!property.isList) return source.read(property.type, value);
    std::uint64_t count = 0;
    if (!source.read(property.countType, value) || !listCount(value, count)) return false;
    for (std::uint64_t i = 0; i < count; ++i) {
      if (!source.read(property.type, value)) return false;
    }
    return true;
  }

  bool vertices(const Element& element) {
    if (vertexCount != 0) return fail(LoadStringW(kStrPlyTwoVertexElements));
    if (element.count > 0x7FFFFFFF) return fail(LoadStringW(kStrPlyTooManyVertices));
    std::vector<Role> roles;
    bool seen[kRoleCount] = {};
    for (const Property& property : element.properties) {
      const Role role = property.isList ? kSkip : vertexRole(property.name);
      roles.push_back(role);
      if (role != kSkip) seen[role] = true;
    }
    if (!seen[kX] || !seen[kY] || !seen[kZ]) return fail(LoadStringW(kStrPlyVertexWithoutXyz));
    hasNormals = seen[kNx] && seen[kNy] && seen[kNz];
    hasColors = seen[kRed] && seen[kGreen] && seen[kBlue];
    hasVertexUV = seen[kU] && seen[kV];
    const std::size_t n = static_cast<std::size_t>(element.count);
    vertexCount = element.count;
    mesh.positions.resize(3 * n);
    if (hasNormals) mesh.normals.values.resize(3 * n);
    if (hasColors) mesh.colors.values.resize(4 * n);
    if (hasVertexUV) mesh.uvw.values.resize(3 * n);
    // Binary items without lists have one size: their values are decoded
    // in place, the count having been checked against the bytes left.
    const bool fixed =
        !source.isText() && std::none_of(element.properties.begin(), element.properties.end(),
                                         [](const Property& p) { return p.isList; });
    std::vector<std::size_t> offsets;
    std::size_t stride = 0;
    for (const Property& property : element.properties) {
      offsets.push_back(stride);
      stride += typeSize(property.type);
    }
    const bool swap = source.swapped();
    for (std::size_t i = 0; i < n; ++i) {
      if (native::cancelled(progress, source.raw())) return fail(native::readingCancelledText());
      float values[kRoleCount] = {};
      // Without an alpha property colours are opaque: alpha is a vertex
      // colour's weight against the material, and 0 would hide it.
      std::uint8_t alpha = 255;
      std::uint8_t rgb[3] = {};
      if (fixed && source.remaining() < stride) return truncated("vertex", i);
      const unsigned char* item = source.raw();
      for (std::size_t k = 0; k < roles.size(); ++k) {
        const Property& property = element.properties[k];
        const Role role = roles[k];
        double value = 0;
        if (fixed) {
          if (role == kSkip) continue;
          value = decode(item + offsets[k], property.type, swap);
        } else if (role == kSkip) {
          if (!skipProperty(property)) return truncated("vertex", i);
          continue;
        } else if (!source.read(property.type, value)) {
          return truncated("vertex", i);
        }
        if (role >= kRed && role <= kBlue) {
          rgb[role - kRed] = colorByte(value, property.type);
        } else if (role == kAlpha) {
          alpha = colorByte(value, property.type);
        } else {
          values[role] = toFloat(value);
        }
      }
      if (fixed) source.advance(stride);
      std::copy(values + kX, values + kZ + 1, mesh.positions.data() + 3 * i);
      if (hasNormals) std::copy(values + kNx, values + kNz + 1, mesh.normals.values.data() + 3 * i);
      if (hasVertexUV) {
        mesh.uvw.values[3 * i] = values[kU];
        mesh.uvw.values[3 * i + 1] = values[kV];
      }
      if (hasColors) {
        std::uint8_t* c = mesh.colors.values.data() + 4 * i;
        c[0] = rgb[0];
        c[1] = rgb[1];
        c[2] = rgb[2];
        c[3] = alpha;
      }
    }
    return true;
  }

  // The usual binary face element: one list of uchar counts and 32-bit
  // indices. Triangles go straight into the corner array.
  bool plainFaces(const Element& element) {
    const Property& list = element.properties.front();
    const bool swap = source.swapped();
    const bool isSigned = list.type == Type::int32;
    mesh.corners.reserve(static_cast<std::size_t>(element.count) * 3);
    for (std::uint64_t i = 0; i < element.count; ++i) {
      if (native::cancelled(progress, source.raw())) return fail(native::readingCancelledText());
      if (source.remaining() < 1) return truncated("face", i);
      const unsigned count = *source.raw();
      if (source.remaining() < 1 + 4 * std::size_t{count}) return truncated("face", i);
      const unsigned char* b = source.raw() + 1;
      source.advance(1 + 4 * std::size_t{count});
      if (count < 3) continue;
      const bool polygon = count != 3;
      if (polygon && mesh.faceSizes.empty()) mesh.faceSizes.assign(mesh.corners.size() / 3, 3u);
      if (polygon || !mesh.faceSizes.empty()) mesh.faceSizes.push_back(count);
      for (unsigned k = 0; k < count; ++k, b += 4) {
        std::uint32_t v;
        std::memcpy(&v, b, 4);
        if (swap) v = (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
        if (v > 0x7FFFFFFFu || (isSigned && static_cast<std::int32_t>(v) < 0)) {
          return fail(FormatString(kStrPlyBadVertexIndex, static_cast<unsigned long long>(i)));
        }
        mesh.corners.push_back(static_cast<int>(v));
      }
    }
    return true;
  }

  bool faces(const Element& element) {
    if (!source.isText() && element.properties.size() == 1) {
      const Property& only = element.properties.front();
      if (only.isList && only.countType == Type::uint8 &&
          (only.type == Type::int32 || only.type == Type::uint32) &&
          (only.name == "vertex_indices" || only.name == "vertex_index")) {
        return plainFaces(element);
      }
    }
    std::vector<int> faceCorners;
    std::vector<float> faceUV;
    const bool withTexcoord =
        std::any_of(element.properties.begin(), element.properties.end(),
                    [](const Property& p) { return p.isList && p.name == "texcoord"; });
    for (std::uint64_t i = 0; i < element.count; ++i) {
      if (native::cancelled(progress, source.raw())) return fail(native::readingCancelledText());
      faceCorners.clear();
      faceUV.clear();
      for (const Property& property : element.properties) {
        const bool indices = property.name == "vertex_indices" || property.name == "vertex_index";
        const bool texcoord = property.name == "texcoord";
        if (!property.isList || (!indices && !texcoord)) {
          if (!skipProperty(property)) return truncated("face", i);
          continue;
        }
        double value = 0;
        std::uint64_t count = 0;
        if (!source.read(property.countType, value) || !listCount(value, count)) {
          return truncated("face", i);
        }
        if (indices && count > native::kMaxFaceCorners) {
          return fail(FormatString(kStrPlyTooManyCorners, static_cast<unsigned long long>(i),
                                   static_cast<unsigned long long>(count),
                                   native::kMaxFaceCorners));
        }
        for (std::uint64_t k = 0; k < count; ++k) {
          if (!source.read(property.type, value)) return truncated("face", i);
          if (indices) {
            if (!(value >= 0 && value < 2147483647.0)) {
              return fail(FormatString(kStrPlyBadVertexIndex, static_cast<unsigned long long>(i)));
            }
            faceCorners.push_back(static_cast<int>(value));
          } else {
            faceUV.push_back(toFloat(value));
          }
        }
      }
      if (faceCorners.size() < 3) continue;
      const bool polygon = faceCorners.size() != 3;
      if (polygon && mesh.faceSizes.empty()) mesh.faceSizes.assign(mesh.corners.size() / 3, 3u);
      if (polygon || !mesh.faceSizes.empty()) {
        mesh.faceSizes.push_back(static_cast<std::uint32_t>(faceCorners.size()));
      }
      if (withTexcoord) {
        hasFaceUV = true;
        // Corners without texture coordinates of their own take (0, 0).
        const bool given = faceUV.size() == 2 * faceCorners.size();
        for (std::size_t k = 0; k < faceCorners.size(); ++k) {
          faceUVs.push_back(given ? faceUV[2 * k] : 0.0f);
          faceUVs.push_back(given ? faceUV[2 * k + 1] : 0.0f);
        }
      }
      mesh.corners.insert(mesh.corners.end(), faceCorners.begin(), faceCorners.end());
    }
    return true;
  }

  bool truncated(const char* what, std::uint64_t i) {
    return fail(FormatString(kStrPlyCutShort, what, static_cast<unsigned long long>(i)));
  }

  std::vector<float> faceUVs;
};

}  // namespace

ReadResult readPly(std::span<const unsigned char> bytes, native::ReadProgress* progress) {
  ReadResult result;
  const std::string_view all(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  Header header;
  if (!parseHeader(all, header, result.error)) return result;
  result.warnings = header.warnings;
  ValueSource source(header.format, all.data() + header.size, all.data() + all.size());
  Reader reader(header, source, progress);
  for (const Element& element : header.elements) {
    const std::size_t itemBytes = minimumItemBytes(element, header.format);
    if (element.count > source.remaining() / itemBytes) {
      result.error = FormatString(kStrPlyElementTooLarge, element.name.c_str(),
                                  static_cast<unsigned long long>(element.count));
      return result;
    }
    bool ok = true;
    if (element.name == "vertex") {
      ok = reader.vertices(element);
    } else if (element.name == "face") {
      ok = reader.faces(element);
    } else {
      for (std::uint64_t i = 0; i < element.count && ok; ++i) {
        if (native::cancelled(progress, source.raw())) {
          ok = reader.fail(native::readingCancelledText());
          break;
        }
        for (const Property& property : element.properties) {
          if (!reader.skipProperty(property)) {
            ok = reader.truncated(element.name.c_str(), i);
            break;
          }
        }
      }
    }
    if (!ok) {
      result.error = reader.error;
      return result;
    }
  }
  native::MeshArrays& mesh = reader.mesh;
  for (std::size_t i = 0; i < mesh.corners.size(); ++i) {
    if (static_cast<std::uint64_t>(mesh.corners[i]) >= reader.vertexCount) {
      result.error =
          FormatString(kStrPlyVertexIndexOutOfRange, static_cast<long long>(mesh.corners[i]),
                       static_cast<unsigned long long>(reader.vertexCount));
      return result;
    }
  }
  if (reader.vertexCount == 0) {
    result.error = LoadStringW(kStrPlyNoVertex);
    return result;
  }
  mesh.normals.perPoint = reader.hasNormals;
  mesh.colors.perPoint = reader.hasColors;
  if (reader.hasFaceUV) {
    mesh.uvw.values.clear();
    mesh.uvw.values.reserve(reader.faceUVs.size() / 2 * 3);
    for (std::size_t i = 0; i < reader.faceUVs.size(); i += 2) {
      mesh.uvw.values.insert(mesh.uvw.values.end(),
                             {reader.faceUVs[i], reader.faceUVs[i + 1], 0.0f});
    }
    mesh.uvw.corners.resize(mesh.corners.size());
    for (std::size_t i = 0; i < mesh.corners.size(); ++i) {
      mesh.uvw.corners[i] = static_cast<int>(i);
    }
  } else if (reader.hasVertexUV) {
    mesh.uvw.perPoint = true;
  }
  native::parsed(progress);
  result.scene = std::make_unique<C3DScene>();
  auto node = std::make_unique<C3DSceneNode>();
  node->SetName({});
  node->SetObject(native::buildObject(mesh, vex3d::kNoChannelId).release());
  result.scene->AddNode(nullptr, node.release());
  return result;
}

}  // namespace vex3d::ply
