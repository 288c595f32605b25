#include "stl_writer.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "hostlib/text/strings.h"
#include "math/point3d.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "mesh_format_kit/buffered_writer.h"
#include "mesh_format_kit/scene_walk.h"

namespace vex3d::stl {

namespace {

using native::BufferedWriter;
using native::NamedObject;

C3DVector triangleNormal(const C3DPoint& a, const C3DPoint& b, const C3DPoint& c) {
  const float ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z;
  const float vx = c.x - a.x, vy = c.y - a.y, vz = c.z - a.z;
  float nx = uy * vz - uz * vy, ny = uz * vx - ux * vz, nz = ux * vy - uy * vx;
  const float length = std::sqrt(nx * nx + ny * ny + nz * nz);
  if (length > 0.0f && std::isfinite(length)) {
    nx /= length;
    ny /= length;
    nz /= length;
  } else {
    nx = ny = nz = 0.0f;
  }
  C3DVector n;
  n.Init(nx, ny, nz);
  return n;
}

// Calls `emit(a, b, c)` for every triangle of every writable face.
template <class Emit>
void forEachTriangle(const std::vector<NamedObject>& objects, Emit&& emit) {
  for (const NamedObject& named : objects) {
    const C3DPointList& points = *named.object->GetPointList();
    const C3DFaceList& faces = *named.object->GetFaceList();
    const int pointCount = points.GetSize();
    for (int i = 0, n = faces.GetSize(); i < n; ++i) {
      const C3DFace& face = *faces.ElementAt(i);
      if (!native::writableFace(face, pointCount)) continue;
      for (std::uint32_t k = 1; k + 1 < face.GetSize(); ++k) {
        emit(points[face[0]], points[face[k]], points[face[k + 1]]);
      }
    }
  }
}

void putPoint(BufferedWriter& out, const C3DPoint& p) {
  out.putBinary(p.x, false);
  out.putBinary(p.y, false);
  out.putBinary(p.z, false);
}

void putText(BufferedWriter& out, float x, float y, float z) {
  out.putFloat(x);
  out.put(' ');
  out.putFloat(y);
  out.put(' ');
  out.putFloat(z);
  out.put('\n');
}

// Solid names end at the line; spaces inside them are fine.
std::string solidName(const std::string& name) {
  std::string clean = name.empty() ? "mesh" : name;
  for (char& c : clean) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return clean;
}

}  // namespace

bool writeStl(const C3DScene& scene, const std::string& path, bool text, std::string& error) {
  const std::vector<NamedObject> objects = native::polygonalObjects(scene);
  BufferedWriter out;
  if (!out.open(path, error)) return false;
  if (text) {
    for (const NamedObject& named : objects) {
      const std::string name = solidName(named.name);
      out.put("solid ");
      out.put(name);
      out.put('\n');
      forEachTriangle({named}, [&](const C3DPoint& a, const C3DPoint& b, const C3DPoint& c) {
        const C3DVector n = triangleNormal(a, b, c);
        out.put("facet normal ");
        putText(out, n.x, n.y, n.z);
        out.put("outer loop\n");
        for (const C3DPoint* p : {&a, &b, &c}) {
          out.put("vertex ");
          putText(out, p->x, p->y, p->z);
        }
        out.put("endloop\nendfacet\n");
      });
      out.put("endsolid ");
      out.put(name);
      out.put('\n');
    }
    return out.finish(error);
  }
  std::uint64_t count = 0;
  forEachTriangle(objects, [&](const C3DPoint&, const C3DPoint&, const C3DPoint&) { ++count; });
  if (count > std::numeric_limits<std::uint32_t>::max()) {
    error = LoadStringW(kStrStlTooManyTriangles);
    return false;
  }
  char header[80] = {};
  std::memcpy(header, "binary STL", 10);
  out.put(std::string_view(header, sizeof header));
  out.putBinary(static_cast<std::uint32_t>(count), false);
  forEachTriangle(objects, [&](const C3DPoint& a, const C3DPoint& b, const C3DPoint& c) {
    const C3DVector n = triangleNormal(a, b, c);
    out.putBinary(n.x, false);
    out.putBinary(n.y, false);
    out.putBinary(n.z, false);
    putPoint(out, a);
    putPoint(out, b);
    putPoint(out, c);
    out.putBinary(std::uint16_t{0}, false);
  });
  return out.finish(error);
}

}  // namespace vex3d::stl
