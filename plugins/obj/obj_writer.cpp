#include "obj_writer.h"

#include <filesystem>
#include <set>
#include <unordered_map>

#include "material/material.h"
#include "mesh_format_kit/buffered_writer.h"
#include "mesh_format_kit/corner_channels.h"
#include "mesh_format_kit/scene_walk.h"

namespace vex3d::obj {

namespace {

using native::BufferedWriter;

// Names go to the end of their line: line breaks would start statements.
std::string lineSafe(std::string name, const std::string& fallback) {
  for (char& c : name) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return name.empty() ? fallback : name;
}

void putColor(BufferedWriter& out, const char* key, const CRGBColor& c) {
  out.put(key);
  for (std::uint8_t v : {c.GetRed(), c.GetGreen(), c.GetBlue()}) {
    out.put(' ');
    out.putFloat(static_cast<float>(v) / 255.0f);
  }
  out.put('\n');
}

// Image names relative to the library's folder, whatever the scene held:
// the model, its library and its images then move together, and other
// programs read "textures/wood.png" where they would not read a path of
// this machine.
std::string relativeName(const std::string& name, const std::filesystem::path& folder) {
  const std::filesystem::path image(name);
  if (!image.is_absolute() || folder.empty()) return name;
  const std::filesystem::path relative = image.lexically_normal().lexically_relative(folder);
  return relative.empty() ? name : relative.generic_string();
}

void putMap(BufferedWriter& out, const char* key, const CMaterialMap* map,
            const std::filesystem::path& folder) {
  if (map == nullptr || map->GetFileName().empty()) return;
  out.put(key);
  out.put(' ');
  out.put(lineSafe(relativeName(map->GetFileName(), folder), {}));
  out.put('\n');
}

// Unique names for the materials the faces use, in id order.
std::unordered_map<std::uint32_t, std::string> materialNames(
    C3DScene& scene, const std::vector<native::NamedObject>& objects) {
  std::set<std::uint32_t> used;
  for (const auto& named : objects) {
    const C3DFaceList& faces = *named.object->GetFaceList();
    for (int i = 0; i < faces.GetSize(); ++i) used.insert(faces.ElementAt(i)->GetMaterialID());
  }
  std::unordered_map<std::uint32_t, std::string> names;
  std::set<std::string> taken;
  for (std::uint32_t id : used) {
    C3DMaterial* material = scene.GetMaterial(id);
    std::string base = lineSafe(material != nullptr ? material->GetName() : std::string(),
                                "material_" + std::to_string(id));
    std::string name = base;
    for (int n = 2; !taken.insert(name).second; ++n) name = base + "_" + std::to_string(n);
    names[id] = name;
  }
  return names;
}

bool writeMtl(C3DScene& scene, const std::unordered_map<std::uint32_t, std::string>& names,
              const std::string& path, BufferedWriter& out, std::string& error) {
  if (!out.open(path, error)) return false;
  std::error_code failed;
  std::filesystem::path folder =
      std::filesystem::absolute(std::filesystem::path(path).parent_path(), failed);
  if (failed) folder.clear();
  folder = folder.lexically_normal();
  std::set<std::uint32_t> ids;
  for (const auto& [id, name] : names) ids.insert(id);
  for (std::uint32_t id : ids) {
    out.put("newmtl ");
    out.put(names.at(id));
    out.put('\n');
    C3DMaterial* material = scene.GetMaterial(id);
    if (material == nullptr) continue;
    putColor(out, "Ka", material->GetAmbientColor());
    putColor(out, "Kd", material->GetDiffuseColor());
    putColor(out, "Ks", material->GetSpecularColor());
    out.put("d ");
    out.putFloat(1.0f - material->GetTransparencyFactor());
    out.put('\n');
    putMap(out, "map_Kd", material->GetDiffuseMaps(), folder);
    putMap(out, "map_Ka", material->GetAmbientMaps(), folder);
    putMap(out, "map_Ks", material->GetSpecularMaps(), folder);
    putMap(out, "map_d", material->GetTransparencyMaps(), folder);
    out.put('\n');
  }
  return out.complete(error);
}

void putIndex(BufferedWriter& out, std::int64_t index) { out.putInt(index + 1); }

}  // namespace

bool writeObj(C3DScene& scene, const std::string& path, std::string& error) {
  const std::vector<native::NamedObject> objects = native::polygonalObjects(scene);
  const auto names = materialNames(scene, objects);
  const std::filesystem::path target(path);
  const std::string library = target.stem().string() + ".mtl";
  // The library and the model replace the old ones together, once both
  // are written.
  BufferedWriter mtl;
  if (!writeMtl(scene, names, (target.parent_path() / library).string(), mtl, error)) {
    return false;
  }

  BufferedWriter out;
  if (!out.open(path, error)) return false;
  out.put("mtllib ");
  out.put(library);
  out.put('\n');
  std::int64_t pointBase = 0, uvBase = 0, normalBase = 0;
  for (const auto& named : objects) {
    const C3DObject& object = *named.object;
    const native::CornerChannels channels(object);
    const C3DPointList& points = *object.GetPointList();
    const C3DFaceList& faces = *object.GetFaceList();
    out.put("o ");
    out.put(lineSafe(named.name, "object"));
    out.put('\n');
    for (int i = 0; i < points.GetSize(); ++i) {
      out.put("v ");
      out.putFloat(points[i].x);
      out.put(' ');
      out.putFloat(points[i].y);
      out.put(' ');
      out.putFloat(points[i].z);
      out.put('\n');
    }
    const int uvCount = channels.uv() != nullptr ? channels.uv()->GetSize() : 0;
    for (int i = 0; i < uvCount; ++i) {
      const CUVWPoint& t = (*channels.uv())[i];
      out.put("vt ");
      out.putFloat(t.u);
      out.put(' ');
      out.putFloat(t.v);
      if (t.w != 0.0f) {
        out.put(' ');
        out.putFloat(t.w);
      }
      out.put('\n');
    }
    const int normalCount = channels.normals() != nullptr ? channels.normals()->GetSize() : 0;
    for (int i = 0; i < normalCount; ++i) {
      const C3DVector& n = (*channels.normals())[i];
      out.put("vn ");
      out.putFloat(n.x);
      out.put(' ');
      out.putFloat(n.y);
      out.put(' ');
      out.putFloat(n.z);
      out.put('\n');
    }
    std::uint32_t material = 0xFFFFFFFF;
    for (int f = 0; f < faces.GetSize(); ++f) {
      const C3DFace& face = *faces.ElementAt(f);
      if (!native::writableFace(face, points.GetSize())) continue;
      if (face.GetMaterialID() != material) {
        material = face.GetMaterialID();
        out.put("usemtl ");
        out.put(names.at(material));
        out.put('\n');
      }
      out.put('f');
      for (std::uint32_t k = 0; k < face.GetSize(); ++k) {
        out.put(' ');
        putIndex(out, pointBase + face[k]);
        const int uv = channels.uvAt(f, k);
        const int normal = channels.normalAt(f, k);
        if (uv < 0 && normal < 0) continue;
        out.put('/');
        if (uv >= 0) putIndex(out, uvBase + uv);
        if (normal >= 0) {
          out.put('/');
          putIndex(out, normalBase + normal);
        }
      }
      out.put('\n');
    }
    pointBase += points.GetSize();
    uvBase += uvCount;
    normalBase += normalCount;
  }
  return out.complete(error) && mtl.commit(error) && out.commit(error);
}

}  // namespace vex3d::obj
