#include "mtl_reader.h"

#include <algorithm>

#include "hostlib/text/strings.h"
#include "material/material.h"
#include "mesh_format_kit/text_scan.h"
#include "scene/scene.h"

namespace vex3d::obj {

namespace {

CRGBColor color(const char* p, const char* end) {
  float rgb[3] = {0, 0, 0};
  for (float& c : rgb) {
    if (!native::scanFloat(p, end, c)) break;
  }
  auto byte = [](float v) {
    v = std::clamp(v, 0.0f, 1.0f);
    return static_cast<std::uint8_t>(v * 255.0f + 0.5f);
  };
  return CRGBColor(byte(rgb[0]), byte(rgb[1]), byte(rgb[2]));
}

// The file of a map statement: what follows the options ("-s 1 1 1",
// "-clamp on"...). Options take one to three values; the file is the last
// thing on the line, and may contain spaces.
std::string mapFile(const char* p, const char* end) {
  std::string_view rest = native::trimmed(p, end);
  while (!rest.empty() && rest.front() == '-') {
    const char* q = rest.data();
    const char* e = q + rest.size();
    native::token(q, e);
    float value = 0;
    int values = 0;
    const char* before = q;
    while (values < 3 && native::scanFloat(q, e, value)) {
      before = q;
      ++values;
    }
    q = before;
    if (values == 0) native::token(q, e);  // "on" / "off" and the like
    rest = native::trimmed(q, e);
  }
  return std::string(rest);
}

}  // namespace

C3DMaterial* newMaterial(C3DScene& scene) {
  std::uint32_t id = vex3d::nextMaterialId();
  if (id == 0) id = 1;
  vex3d::raiseMaterialIdCounter(id);
  return scene.GetMaterials().CreateNewMaterial(id);
}

void readMtl(std::string_view text, C3DScene& scene, MaterialIds& ids, std::uint32_t uvChannelId,
             std::vector<std::string>& warnings) {
  const char* p = native::skipBom(text.data(), text.data() + text.size());
  const char* end = text.data() + text.size();
  C3DMaterial* material = nullptr;
  while (p < end) {
    const char* eol = native::lineEnd(p, end);
    const char* q = p;
    const std::string_view word = native::token(q, eol);
    p = eol < end ? eol + 1 : end;
    if (word == "newmtl") {
      const std::string name(native::trimmed(q, eol));
      auto found = ids.find(name);
      material = found != ids.end() ? scene.GetMaterial(found->second) : nullptr;
      if (material == nullptr) {
        material = newMaterial(scene);
        ids[name] = material->GetMaterialID();
      }
      material->SetName(name);
      continue;
    }
    if (material == nullptr) continue;
    if (word == "Kd") {
      material->SetDiffuseColor(color(q, eol));
    } else if (word == "Ka") {
      material->SetAmbientColor(color(q, eol));
    } else if (word == "Ks") {
      material->SetSpecularColor(color(q, eol));
    } else if (word == "d" || word == "Tr") {
      float value = 1.0f;
      if (native::scanFloat(q, eol, value)) {
        value = std::clamp(value, 0.0f, 1.0f);
        material->SetTransparencyFactor(word == "d" ? 1.0f - value : value);
      }
    } else if (word == "map_Kd" || word == "map_Ka" || word == "map_Ks" || word == "map_d") {
      const std::string file = mapFile(q, eol);
      if (file.empty()) {
        warnings.push_back(FormatString(kStrMtlMapWithoutFile, material->GetName().c_str()));
        continue;
      }
      const MapType type = word == "map_Kd"   ? MAP_DIFFUSE
                           : word == "map_Ka" ? MAP_AMBIENT
                           : word == "map_Ks" ? MAP_SPECULAR
                                              : MAP_TRANSPARENCY;
      material->AddMaterialMap(file, uvChannelId, type, PROJECTION_EXPLICIT);
    }
  }
}

}  // namespace vex3d::obj
