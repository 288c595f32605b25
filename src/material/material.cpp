#include "material/material.h"

#include <atomic>

#include "hostlib/core/archive.h"
#include "hostlib/core/flag_word.h"
#include "mesh/model/base_object.h"

IMPLEMENT_SERIAL(C3DMaterial, CObject, 1)

namespace {

std::atomic<std::uint32_t> g_materialIdCounter{0};

constexpr float kPi = 3.1415927f;

float clampFactor(float f) { return f > 1.0f ? 1.0f : f; }

bool sameMap(const CMaterialMap* a, const CMaterialMap* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return *a == *b;
}

void colourFloats(const CRGBColor& c, float factor, float out[4]) {
  c.GetFloats(out);
  for (int i = 0; i < 3; ++i) out[i] *= factor;
}

void storeMap(CArchive& ar, const std::unique_ptr<CMaterialMap>& map) {
  ar << static_cast<std::uint32_t>(map != nullptr ? 1 : 0);
  if (map != nullptr) map->Serialize(ar);
}

std::unique_ptr<CMaterialMap> loadMap(CArchive& ar) {
  std::uint32_t present = 0;
  ar >> present;
  if (present == 0) return nullptr;
  auto map = std::make_unique<CMaterialMap>();
  map->Serialize(ar);
  return map;
}

}  // namespace

std::uint32_t vex3d::nextMaterialId() { return g_materialIdCounter.load(); }

void vex3d::raiseMaterialIdCounter(std::uint32_t readId) {
  // 0xFFFFFFFF + 1 would wrap to 0 and hand out used ids again.
  if (readId == 0xFFFFFFFFu) return;
  std::uint32_t current = g_materialIdCounter.load();
  while (current <= readId && !g_materialIdCounter.compare_exchange_weak(current, readId + 1)) {
  }
}

C3DMaterial::C3DMaterial() : m_id(g_materialIdCounter.fetch_add(1)) {}

C3DMaterial::~C3DMaterial() = default;

void C3DMaterial::InitMaterialId() { m_id = g_materialIdCounter.fetch_add(1); }

C3DMaterial& C3DMaterial::operator=(const C3DMaterial& other) {
  if (this == &other) return *this;
  m_name = other.m_name;
  m_ambientFactor = other.m_ambientFactor;
  m_ambientColor = other.m_ambientColor;
  m_diffuseFactor = other.m_diffuseFactor;
  m_diffuseColor = other.m_diffuseColor;
  m_specularFactor = other.m_specularFactor;
  m_specularColor = other.m_specularColor;
  m_transparencyFactor = other.m_transparencyFactor;
  m_vertexColorFactor = other.m_vertexColorFactor;
  m_vertexColorChannel = other.m_vertexColorChannel;
  m_smoothAngle = other.m_smoothAngle;
  for (MapType type : {MAP_DIFFUSE, MAP_AMBIENT, MAP_SPECULAR, MAP_TRANSPARENCY}) {
    const CMaterialMap* source = other.GetMaterialMap(type);
    if (source != nullptr) *Slot(type) = std::make_unique<CMaterialMap>(*source);
  }
  return *this;
}

bool C3DMaterial::HasSameParameters(const C3DMaterial& o) const {
  return m_ambientFactor == o.m_ambientFactor && m_ambientColor == o.m_ambientColor &&
         sameMap(m_ambientMap.get(), o.m_ambientMap.get()) &&
         m_diffuseFactor == o.m_diffuseFactor && m_diffuseColor == o.m_diffuseColor &&
         sameMap(m_diffuseMap.get(), o.m_diffuseMap.get()) &&
         m_specularFactor == o.m_specularFactor && m_specularColor == o.m_specularColor &&
         sameMap(m_specularMap.get(), o.m_specularMap.get()) &&
         m_transparencyFactor == o.m_transparencyFactor &&
         sameMap(m_transparencyMap.get(), o.m_transparencyMap.get()) &&
         m_vertexColorFactor == o.m_vertexColorFactor &&
         m_vertexColorChannel == o.m_vertexColorChannel && m_smoothAngle == o.m_smoothAngle;
}

bool C3DMaterial::operator==(const C3DMaterial& other) const {
  return m_name == other.m_name && HasSameParameters(other);
}

void C3DMaterial::SetFlags(std::uint32_t mask, int on) { vex3d::setFlagBits(m_flags, mask, on); }

bool C3DMaterial::IsFlagSet(std::uint32_t flag) const {
  return vex3d::allFlagBitsSet(m_flags, flag);
}

bool C3DMaterial::IsOneFlagSet(std::uint32_t mask) const {
  return vex3d::anyFlagBitSet(m_flags, mask);
}

void C3DMaterial::SetAmbientFactor(float f) { m_ambientFactor = clampFactor(f); }
void C3DMaterial::SetDiffuseFactor(float f) { m_diffuseFactor = clampFactor(f); }
void C3DMaterial::SetSpecularFactor(float f) { m_specularFactor = clampFactor(f); }
void C3DMaterial::SetTransparencyFactor(float f) { m_transparencyFactor = clampFactor(f); }

void C3DMaterial::FloatGetAmbientColor(float out[4]) const {
  colourFloats(m_ambientColor, m_ambientFactor, out);
}

void C3DMaterial::FloatGetDiffuseColor(float out[4]) const {
  colourFloats(m_diffuseColor, m_diffuseFactor, out);
}

void C3DMaterial::FloatGetSpecularColor(float out[4]) const { m_specularColor.GetFloats(out); }

void C3DMaterial::SetSmoothAngle(float angle) {
  const float degrees = angle * 180.0f / kPi;
  if (degrees >= 0.0f && degrees <= 180.0f) m_smoothAngle = angle;
}

float C3DMaterial::GetSmoothAngle() const {
  return m_smoothAngle == -1.0f ? vex3d::globalSmoothAngle() : m_smoothAngle;
}

void C3DMaterial::SetVertexColor(std::uint32_t channelId, float factor) {
  m_vertexColorChannel = channelId;
  m_vertexColorFactor = factor;
}

std::uint32_t C3DMaterial::GetVertexColor(float& factor) const {
  factor = m_vertexColorFactor;
  return m_vertexColorChannel;
}

std::unique_ptr<CMaterialMap>* C3DMaterial::Slot(MapType type) {
  switch (type) {
    case MAP_DIFFUSE:
      return &m_diffuseMap;
    case MAP_AMBIENT:
      return &m_ambientMap;
    case MAP_SPECULAR:
      return &m_specularMap;
    case MAP_TRANSPARENCY:
      return &m_transparencyMap;
    default:
      return nullptr;
  }
}

CMaterialMap* C3DMaterial::GetMaterialMap(MapType type) const {
  switch (type) {
    case MAP_DIFFUSE:
      return m_diffuseMap.get();
    case MAP_AMBIENT:
      return m_ambientMap.get();
    case MAP_SPECULAR:
      return m_specularMap.get();
    case MAP_TRANSPARENCY:
      return m_transparencyMap.get();
    default:
      return nullptr;
  }
}

CMaterialMap* C3DMaterial::AddMaterialMap(const std::string& fileName, std::uint32_t channelId,
                                          MapType type, MapProjection projection) {
  std::unique_ptr<CMaterialMap>* slot = Slot(type);
  if (slot == nullptr) return nullptr;
  if (*slot == nullptr) *slot = CMaterialMap::Create(fileName, channelId, type, projection);
  return slot->get();
}

void C3DMaterial::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_flags << m_name;
    ar << m_ambientFactor;
    m_ambientColor.Serialize(ar);
    storeMap(ar, m_ambientMap);
    ar << m_diffuseFactor;
    m_diffuseColor.Serialize(ar);
    storeMap(ar, m_diffuseMap);
    ar << m_specularFactor;
    m_specularColor.Serialize(ar);
    storeMap(ar, m_specularMap);
    ar << m_transparencyFactor;
    storeMap(ar, m_transparencyMap);
    ar << m_vertexColorFactor << m_vertexColorChannel << m_smoothAngle << m_id;
    return;
  }
  // Read into locals so that a record cut short leaves this material as it
  // was.
  std::uint32_t flags = 0;
  std::string name;
  float ambientFactor = 0.0f;
  float diffuseFactor = 0.0f;
  float specularFactor = 0.0f;
  float transparencyFactor = 0.0f;
  CRGBColor ambient;
  CRGBColor diffuse;
  CRGBColor specular;
  ar >> flags >> name >> ambientFactor;
  ambient.Serialize(ar);
  std::unique_ptr<CMaterialMap> ambientMap = loadMap(ar);
  ar >> diffuseFactor;
  diffuse.Serialize(ar);
  std::unique_ptr<CMaterialMap> diffuseMap = loadMap(ar);
  ar >> specularFactor;
  specular.Serialize(ar);
  std::unique_ptr<CMaterialMap> specularMap = loadMap(ar);
  ar >> transparencyFactor;
  std::unique_ptr<CMaterialMap> transparencyMap = loadMap(ar);
  float vertexColorFactor = 0.0f;
  std::uint32_t vertexColorChannel = 0;
  float smoothAngle = 0.0f;
  std::uint32_t id = 0;
  ar >> vertexColorFactor >> vertexColorChannel >> smoothAngle >> id;

  m_flags = flags;
  m_name = std::move(name);
  m_ambientFactor = ambientFactor;
  m_ambientColor = ambient;
  m_ambientMap = std::move(ambientMap);
  m_diffuseFactor = diffuseFactor;
  m_diffuseColor = diffuse;
  m_diffuseMap = std::move(diffuseMap);
  m_specularFactor = specularFactor;
  m_specularColor = specular;
  m_specularMap = std::move(specularMap);
  m_transparencyFactor = transparencyFactor;
  m_transparencyMap = std::move(transparencyMap);
  m_vertexColorFactor = vertexColorFactor;
  m_vertexColorChannel = vertexColorChannel;
  m_smoothAngle = smoothAngle;
  m_id = id;
  vex3d::raiseMaterialIdCounter(id);
}
