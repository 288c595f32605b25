#include "hostlib/core/custom_data.h"

#include <algorithm>
#include <cstring>
#include <variant>

#include "hostlib/core/archive.h"
#include "hostlib/files/file_io.h"

namespace {

using Strings = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;
// One alternative per ValueType, in the same order (index + 1 == type).
using Value = std::variant<std::uint32_t, std::uint64_t, bool, std::string, Strings, Bytes, void*,
                           CCustomData>;

struct Entry {
  std::uint32_t key;
  Value value;
};

CCustomData::ValueType typeOf(const Value& v) {
  return static_cast<CCustomData::ValueType>(v.index() + 1);
}

// Preferences files start with this tag and a format version.
constexpr std::uint32_t kPrefsMagic = 0x46505856;  // "VXPF" as stored bytes
constexpr std::uint32_t kPrefsVersion = 1;
// Smallest stored entry: key, type byte and a one-byte bool.
constexpr std::size_t kMinEntryBytes = 6;

}  // namespace

struct CCustomData::Impl {
  std::vector<Entry> entries;

  Entry* find(std::uint32_t key) {
    for (auto& e : entries)
      if (e.key == key) return &e;
    return nullptr;
  }
  const Entry* find(std::uint32_t key) const { return const_cast<Impl*>(this)->find(key); }

  void set(std::uint32_t key, Value v) {
    if (Entry* e = find(key))
      e->value = std::move(v);
    else
      entries.push_back({key, std::move(v)});
  }

  template <class T>
  const T* get(std::uint32_t key) const {
    const Entry* e = find(key);
    return e ? std::get_if<T>(&e->value) : nullptr;
  }
};

CCustomData::CCustomData() : m_impl(std::make_unique<Impl>()) {}
CCustomData::CCustomData(const CCustomData& other)
    : m_impl(std::make_unique<Impl>(*other.m_impl)) {}
CCustomData::CCustomData(CCustomData&& other) noexcept : m_impl(std::make_unique<Impl>()) {
  std::swap(m_impl, other.m_impl);
}
CCustomData& CCustomData::operator=(const CCustomData& other) {
  if (this != &other) *m_impl = *other.m_impl;
  return *this;
}
CCustomData& CCustomData::operator=(CCustomData&& other) noexcept {
  std::swap(m_impl, other.m_impl);
  return *this;
}
CCustomData::~CCustomData() = default;

bool CCustomData::operator==(const CCustomData& other) const {
  const auto& a = m_impl->entries;
  const auto& b = other.m_impl->entries;
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i].key != b[i].key || a[i].value != b[i].value) return false;
  return true;
}

void CCustomData::SetUInt(std::uint32_t key, std::uint32_t value) { m_impl->set(key, value); }
void CCustomData::SetULong(std::uint32_t key, std::uint64_t value) { m_impl->set(key, value); }
void CCustomData::SetBool(std::uint32_t key, bool value) { m_impl->set(key, value); }
void CCustomData::SetString(std::uint32_t key, const std::string& value) {
  m_impl->set(key, value);
}
void CCustomData::SetStringArray(std::uint32_t key, const std::vector<std::string>& value) {
  m_impl->set(key, value);
}
void CCustomData::SetBinary(std::uint32_t key, const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  m_impl->set(key, Bytes(p, p + size));
}
void CCustomData::SetPtr(std::uint32_t key, void* value) { m_impl->set(key, value); }
void CCustomData::SetCustomData(std::uint32_t key, const CCustomData& value) {
  // Copy first: value may be one of our own nested records.
  CCustomData copy(value);
  m_impl->set(key, std::move(copy));
}

std::uint32_t CCustomData::GetUInt(std::uint32_t key, std::uint32_t def) const {
  const auto* v = m_impl->get<std::uint32_t>(key);
  return v ? *v : def;
}
std::uint64_t CCustomData::GetULong(std::uint32_t key, std::uint64_t def) const {
  const auto* v = m_impl->get<std::uint64_t>(key);
  return v ? *v : def;
}
bool CCustomData::GetBool(std::uint32_t key, bool def) const {
  const auto* v = m_impl->get<bool>(key);
  return v ? *v : def;
}
std::string CCustomData::GetString(std::uint32_t key, const std::string& def) const {
  const auto* v = m_impl->get<std::string>(key);
  return v ? *v : def;
}
bool CCustomData::GetString(std::uint32_t key, std::string& out) const {
  const auto* v = m_impl->get<std::string>(key);
  if (v) out = *v;
  return v != nullptr;
}
bool CCustomData::GetStringArray(std::uint32_t key, std::vector<std::string>& out) const {
  const auto* v = m_impl->get<Strings>(key);
  if (v) out = *v;
  return v != nullptr;
}
const std::vector<std::uint8_t>* CCustomData::GetBinary(std::uint32_t key) const {
  return m_impl->get<Bytes>(key);
}
void* CCustomData::GetPtr(std::uint32_t key, void* def) const {
  const auto* v = m_impl->get<void*>(key);
  return v ? *v : def;
}
const CCustomData* CCustomData::GetCustomData(std::uint32_t key) const {
  return m_impl->get<CCustomData>(key);
}
CCustomData* CCustomData::GetCustomData(std::uint32_t key, bool create) {
  if (Entry* e = m_impl->find(key)) {
    if (auto* v = std::get_if<CCustomData>(&e->value)) return v;
    if (!create) return nullptr;
    e->value = CCustomData();
    return std::get_if<CCustomData>(&e->value);
  }
  if (!create) return nullptr;
  m_impl->entries.push_back({key, CCustomData()});
  return std::get_if<CCustomData>(&m_impl->entries.back().value);
}

bool CCustomData::HasKey(std::uint32_t key) const { return m_impl->find(key) != nullptr; }
CCustomData::ValueType CCustomData::GetType(std::uint32_t key) const {
  const Entry* e = m_impl->find(key);
  return e ? typeOf(e->value) : typeNone;
}
bool CCustomData::RemoveKey(std::uint32_t key) {
  auto& v = m_impl->entries;
  auto it = std::find_if(v.begin(), v.end(), [key](const Entry& e) { return e.key == key; });
  if (it == v.end()) return false;
  v.erase(it);
  return true;
}
void CCustomData::RemoveAll() { m_impl->entries.clear(); }
std::size_t CCustomData::GetCount() const { return m_impl->entries.size(); }
std::vector<std::uint32_t> CCustomData::GetKeys() const {
  std::vector<std::uint32_t> keys;
  keys.reserve(m_impl->entries.size());
  for (const auto& e : m_impl->entries) keys.push_back(e.key);
  return keys;
}
void CCustomData::Merge(const CCustomData& other) {
  if (this == &other) return;
  for (const auto& e : other.m_impl->entries) m_impl->set(e.key, e.value);
}

// Stored form: entry count, then per entry the key (u32), the type (u8) and
// the value: u32, u64, bool byte, string, counted strings, counted bytes,
// pointer as 8 bytes, or a nested record in this same form.
void CCustomData::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(m_impl->entries.size());
    for (auto& e : m_impl->entries) {
      ar << e.key << static_cast<std::uint8_t>(typeOf(e.value));
      std::visit(
          [&ar](auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, Strings>) {
              ar.WriteCount(v.size());
              for (const auto& s : v) ar << s;
            } else if constexpr (std::is_same_v<T, Bytes>) {
              ar.WriteCount(v.size());
              ar.Write(v.data(), v.size());
            } else if constexpr (std::is_same_v<T, void*>) {
              ar << static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(v));
            } else if constexpr (std::is_same_v<T, CCustomData>) {
              CArchive::NestingGuard guard(ar);
              v.Serialize(ar);
            } else {
              ar << v;
            }
          },
          e.value);
    }
    return;
  }

  // Loaded into a fresh record so that a malformed archive loses nothing.
  CCustomData loaded;
  const std::uint64_t count = ar.ReadCount(kMinEntryBytes);
  for (std::uint64_t i = 0; i < count; ++i) {
    std::uint32_t key = 0;
    std::uint8_t type = 0;
    ar >> key >> type;
    switch (type) {
      case typeUInt: {
        std::uint32_t v = 0;
        ar >> v;
        loaded.m_impl->set(key, v);
        break;
      }
      case typeULong: {
        std::uint64_t v = 0;
        ar >> v;
        loaded.m_impl->set(key, v);
        break;
      }
      case typeBool: {
        bool v = false;
        ar >> v;
        loaded.m_impl->set(key, v);
        break;
      }
      case typeString: {
        std::string v;
        ar >> v;
        loaded.m_impl->set(key, std::move(v));
        break;
      }
      case typeStringArray: {
        const std::uint64_t n = ar.ReadCount(1);
        Strings v(static_cast<std::size_t>(n));
        for (auto& s : v) ar >> s;
        loaded.m_impl->set(key, std::move(v));
        break;
      }
      case typeBinary: {
        const std::uint64_t n = ar.ReadCount(1);
        Bytes v(static_cast<std::size_t>(n));
        ar.ReadExact(v.data(), v.size());
        loaded.m_impl->set(key, std::move(v));
        break;
      }
      case typePtr: {
        std::uint64_t v = 0;
        ar >> v;
        loaded.m_impl->set(key, reinterpret_cast<void*>(static_cast<std::uintptr_t>(v)));
        break;
      }
      case typeCustomData: {
        CArchive::NestingGuard guard(ar);
        CCustomData nested;
        nested.Serialize(ar);
        loaded.m_impl->set(key, std::move(nested));
        break;
      }
      default:
        AfxThrowArchiveException(CArchiveException::genericException, "unknown value type");
    }
  }
  *this = std::move(loaded);
}

std::vector<std::uint8_t> CCustomData::GetData() const {
  std::vector<std::uint8_t> bytes;
  CArchive ar(bytes, CArchive::store);
  const_cast<CCustomData*>(this)->Serialize(ar);
  return bytes;
}

bool CCustomData::SetData(const void* data, std::size_t size) {
  CArchive ar(std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(data), size));
  CCustomData loaded;
  try {
    loaded.Serialize(ar);
  } catch (const CArchiveException&) {
    return false;
  }
  *this = std::move(loaded);
  return true;
}

namespace {

// Whole preferences file: sections -> entries -> records. A file that is
// missing, from another format version or damaged reads as empty.
CCustomData readPrefsFile(const std::string& file) {
  CCustomData root;
  std::vector<std::uint8_t> bytes;
  if (!vex3d::readWholeFile(file, bytes)) return root;
  try {
    CArchive ar(bytes, CArchive::load);
    std::uint32_t magic = 0, version = 0;
    ar >> magic >> version;
    if (magic != kPrefsMagic || version != kPrefsVersion) return root;
    CCustomData loaded;
    loaded.Serialize(ar);
    root = std::move(loaded);
  } catch (const CArchiveException&) {
  }
  return root;
}

}  // namespace

bool CCustomData::SaveToPrefs(const std::string& file, std::uint32_t section,
                              std::uint32_t entry) const {
  const vex3d::SettingsFileLock lock(file);
  CCustomData root = readPrefsFile(file);
  root.GetCustomData(section, true)->SetCustomData(entry, *this);
  std::vector<std::uint8_t> bytes;
  CArchive ar(bytes, CArchive::store);
  ar << kPrefsMagic << kPrefsVersion;
  root.Serialize(ar);
  return vex3d::writeSettingsFile(file, bytes.data(), bytes.size());
}

bool CCustomData::LoadFromPrefs(const std::string& file, std::uint32_t section,
                                std::uint32_t entry) {
  const CCustomData root = readPrefsFile(file);
  const CCustomData* sec = root.GetCustomData(section);
  const CCustomData* rec = sec ? sec->GetCustomData(entry) : nullptr;
  if (!rec) {
    RemoveAll();
    return false;
  }
  *this = *rec;
  return true;
}
