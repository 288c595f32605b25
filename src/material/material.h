#pragma once
// One material: the shading description faces refer to by material id.
#include <cstdint>
#include <memory>
#include <string>

#include "hostlib/core/object.h"
#include "hostlib/core/rgb_color.h"
#include "material/material_map.h"
#include "vex3d_export.h"

enum _MATERIAL_FLAGS : std::uint32_t {
  MATERIAL_RENAMED = 0x100,          // the user gave the material a new name
  MATERIAL_TEXTURE_CHANGED = 0x200,  // a texture file was replaced
  MATERIAL_COLOR_CHANGED = 0x400,    // a colour was changed
  MATERIAL_CHANGED = 0xFF00,         // any of the changes the view has to apply
};

namespace vex3d {
// The id the next constructed material takes.
VEX3D_EXPORT std::uint32_t nextMaterialId();
// Ids read from files must never collide with ids handed out later.
VEX3D_EXPORT void raiseMaterialIdCounter(std::uint32_t readId);
}  // namespace vex3d

class VEX3D_EXPORT C3DMaterial : public CObject {
  DECLARE_SERIAL(C3DMaterial)

 public:
  C3DMaterial();
  C3DMaterial(const C3DMaterial&) = delete;
  ~C3DMaterial() override;

  // Parameters and maps; a slot the source leaves empty keeps its map. Name
  // is copied, flags and id are not.
  C3DMaterial& operator=(const C3DMaterial& other);
  bool operator==(const C3DMaterial& other) const;
  // Every parameter and map, not the name, flags or id. Floats compare
  // exactly.
  bool HasSameParameters(const C3DMaterial& other) const;

  void SetFlags(std::uint32_t mask, int on);
  void SetFlag(_MATERIAL_FLAGS flag, int on) { SetFlags(flag, on); }
  bool IsFlagSet(std::uint32_t flag) const;
  bool IsOneFlagSet(std::uint32_t mask) const;
  std::uint32_t GetFlags() const { return m_flags; }

  void SetAmbientColor(const CRGBColor& c) { m_ambientColor = c; }
  void SetDiffuseColor(const CRGBColor& c) { m_diffuseColor = c; }
  void SetSpecularColor(const CRGBColor& c) { m_specularColor = c; }
  const CRGBColor& GetAmbientColor() const { return m_ambientColor; }
  const CRGBColor& GetDiffuseColor() const { return m_diffuseColor; }
  const CRGBColor& GetSpecularColor() const { return m_specularColor; }

  // Above 1 is stored as 1; anything else, negative values included, as is.
  void SetAmbientFactor(float f);
  void SetDiffuseFactor(float f);
  void SetSpecularFactor(float f);
  void SetTransparencyFactor(float f);
  float GetAmbientFactor() const { return m_ambientFactor; }
  float GetDiffuseFactor() const { return m_diffuseFactor; }
  float GetSpecularFactor() const { return m_specularFactor; }
  float GetTransparencyFactor() const { return m_transparencyFactor; }

  // Red, green, blue scaled by the component's factor; alpha unscaled.
  void FloatGetAmbientColor(float out[4]) const;
  void FloatGetDiffuseColor(float out[4]) const;
  // Unscaled: the renderer applies the specular factor itself.
  void FloatGetSpecularColor(float out[4]) const;

  // Radians; ignored outside [0, 180] degrees.
  void SetSmoothAngle(float angle);
  // The stored angle, or the global one while the material has none.
  float GetSmoothAngle() const;
  float GetOwnSmoothAngle() const { return m_smoothAngle; }

  void SetVertexColor(std::uint32_t channelId, float factor);
  std::uint32_t GetVertexColor(float& factor) const;

  void SetName(const std::string& name) { m_name = name; }
  const std::string& GetName() const { return m_name; }
  std::uint32_t GetMaterialID() const { return m_id; }
  void SetMaterialID(std::uint32_t id) { m_id = id; }
  // Takes a fresh id from the counter.
  void InitMaterialId();

  CMaterialMap* GetAmbientMaps() const { return m_ambientMap.get(); }
  CMaterialMap* GetDiffuseMaps() const { return m_diffuseMap.get(); }
  CMaterialMap* GetSpecularMaps() const { return m_specularMap.get(); }
  CMaterialMap* GetTransparencyMaps() const { return m_transparencyMap.get(); }
  CMaterialMap* GetMaterialMap(MapType type) const;
  // The slot's map when it has one (the arguments are then ignored), else a
  // new one; null for a type without a slot.
  CMaterialMap* AddMaterialMap(const std::string& fileName, std::uint32_t channelId, MapType type,
                               MapProjection projection);

  void Serialize(CArchive& ar) override;

 private:
  std::unique_ptr<CMaterialMap>* Slot(MapType type);

  std::uint32_t m_flags = 0;
  std::string m_name;
  float m_ambientFactor = 1.0f;
  CRGBColor m_ambientColor{30, 30, 30, 255};
  std::unique_ptr<CMaterialMap> m_ambientMap;
  float m_diffuseFactor = 1.0f;
  CRGBColor m_diffuseColor{192, 192, 192, 255};
  std::unique_ptr<CMaterialMap> m_diffuseMap;
  float m_specularFactor = 1.0f;
  CRGBColor m_specularColor{192, 192, 192, 255};
  std::unique_ptr<CMaterialMap> m_specularMap;
  float m_transparencyFactor = 0.0f;
  std::unique_ptr<CMaterialMap> m_transparencyMap;
  float m_vertexColorFactor = 1.0f;
  std::uint32_t m_vertexColorChannel = 0xFFFFFFFFu;
  float m_smoothAngle = -1.0f;
  std::uint32_t m_id;
};
