#include "hostlib/core/object.h"

#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "hostlib/core/archive.h"

namespace {

// Name -> classes registered under it, most recent last, so a module
// unloaded after another one registered the same name restores the older.
struct Registry {
  std::mutex mutex;
  std::unordered_map<std::string, std::vector<const CRuntimeClass*>> byName;
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: modules unregister late
  return *r;
}

}  // namespace

const CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)),
                                             kNoSchema, nullptr, nullptr};

const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

void CObject::Serialize(CArchive&) {}

bool CObject::IsKindOf(const CRuntimeClass* rtc) const {
  return GetRuntimeClass()->IsDerivedFrom(rtc);
}

CObject* CRuntimeClass::CreateObject() const {
  if (m_pfnCreateObject == nullptr) return nullptr;
  try {
    return m_pfnCreateObject();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass)
    if (c == base) return true;
  return false;
}

const CRuntimeClass* CRuntimeClass::FromName(std::string_view name) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.byName.find(std::string(name));
  if (it == r.byName.end() || it->second.empty()) return nullptr;
  return it->second.back();
}

void CRuntimeClass::Store(CArchive& ar) const {
  const auto len = static_cast<std::uint16_t>(std::strlen(m_lpszClassName));
  ar << static_cast<std::uint16_t>(m_wSchema) << len;
  ar.Write(m_lpszClassName, len);
}

const CRuntimeClass* CRuntimeClass::Load(CArchive& ar, unsigned int* schema) {
  std::uint16_t wSchema = 0, len = 0;
  ar >> wSchema >> len;
  if (schema) *schema = wSchema;
  // Class names are identifiers; anything longer than MFC's own limit is garbage.
  if (len >= 64) AfxThrowArchiveException(CArchiveException::badClass, "class name too long");
  char name[64];
  ar.ReadExact(name, len);
  return FromName(std::string_view(name, len));
}

CRuntimeClassRegistrar::CRuntimeClassRegistrar(const CRuntimeClass* rtc) : m_class(rtc) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  r.byName[rtc->m_lpszClassName].push_back(rtc);
}

CRuntimeClassRegistrar::~CRuntimeClassRegistrar() {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.byName.find(m_class->m_lpszClassName);
  if (it == r.byName.end()) return;
  auto& v = it->second;
  for (auto i = v.end(); i != v.begin();) {
    --i;
    if (*i == m_class) {
      v.erase(i);
      break;
    }
  }
  if (v.empty()) r.byName.erase(it);
}
