#include "hostlib/files/profile.h"

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "hostlib/files/file_io.h"
#include "hostlib/files/user_paths.h"

namespace {

constexpr std::uintmax_t kMaxProfileBytes = 1u << 20;
constexpr const char* kProfileFileName = "vex3d.ini";

struct Entry {
  std::string name;
  std::string value;  // as stored, without quotes
};

struct Section {
  std::string name;
  std::vector<Entry> entries;
};

using Ini = std::vector<Section>;

std::mutex& profileMutex() {
  static std::mutex m;
  return m;
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  return true;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Valid UTF-8 without control characters other than tab.
bool isCleanText(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      if ((c < 0x20 && c != '\t') || c == 0x7F) return false;
      ++i;
      continue;
    }
    std::size_t len = 0;
    std::uint32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      len = 3;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (s.size() - i < len) return false;
    for (std::size_t k = 1; k < len; ++k) {
      const auto cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF.
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += len;
  }
  return true;
}

bool isValidName(std::string_view name) {
  return !name.empty() && trim(name).size() == name.size() && isCleanText(name);
}

bool isValidSectionName(std::string_view name) {
  return isValidName(name) && name.find(']') == std::string_view::npos;
}

bool isValidEntryName(std::string_view name) {
  return isValidName(name) && name.find('=') == std::string_view::npos && name[0] != '[' &&
         name[0] != ';' && name[0] != '#';
}

bool isValidValue(std::string_view value) { return isCleanText(value); }

Section* findSection(Ini& ini, std::string_view name) {
  for (auto& s : ini)
    if (sameName(s.name, name)) return &s;
  return nullptr;
}

Entry* findEntry(Section& section, std::string_view name) {
  for (auto& e : section.entries)
    if (sameName(e.name, name)) return &e;
  return nullptr;
}

std::string_view unquote(std::string_view value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  return value;
}

bool needsQuotes(std::string_view value) {
  return !value.empty() && (isBlank(value.front()) || isBlank(value.back()) ||
                            value.front() == '"' || value.back() == '"');
}

// Keeps the first of duplicated sections and entries, as lookups would see
// them, and drops every line that is not a well-formed header or entry.
Ini parseIni(std::string_view text) {
  Ini ini;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Section* current = nullptr;
  while (!text.empty()) {
    const std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = eol == std::string_view::npos ? std::string_view() : text.substr(eol + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#' || !isCleanText(line)) continue;

    if (line[0] == '[') {
      current = nullptr;
      if (line.back() != ']') continue;
      const std::string_view name = trim(line.substr(1, line.size() - 2));
      if (!isValidSectionName(name)) continue;
      current = findSection(ini, name);
      if (!current) current = &ini.emplace_back(Section{std::string(name), {}});
      continue;
    }
    const std::size_t eq = line.find('=');
    if (!current || eq == std::string_view::npos) continue;
    const std::string_view name = trim(line.substr(0, eq));
    if (!isValidEntryName(name) || findEntry(*current, name)) continue;
    const std::string_view value = unquote(trim(line.substr(eq + 1)));
    current->entries.push_back(Entry{std::string(name), std::string(value)});
  }
  return ini;
}

std::string formatIni(const Ini& ini) {
  std::string out;
  for (const auto& s : ini) {
    if (s.entries.empty()) continue;
    if (!out.empty()) out += '\n';
    out += '[';
    out += s.name;
    out += "]\n";
    for (const auto& e : s.entries) {
      out += e.name;
      out += '=';
      if (needsQuotes(e.value)) {
        out += '"';
        out += e.value;
        out += '"';
      } else {
        out += e.value;
      }
      out += '\n';
    }
  }
  return out;
}

// False when the file exists but cannot be read: writing over it then would
// throw away entries that were never damaged.
bool loadIni(const std::string& path, Ini& ini) {
  ini.clear();
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return ec == std::errc::no_such_file_or_directory;
  if (size > kMaxProfileBytes) return true;
  std::vector<std::uint8_t> bytes;
  if (!vex3d::readWholeFile(path, bytes)) return false;
  ini = parseIni(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  return true;
}

bool storeIni(const std::string& path, const Ini& ini) {
  const std::string text = formatIni(ini);
  return vex3d::writeSettingsFile(path, text.data(), text.size());
}

std::optional<std::string> readEntry(const std::string& path, std::string_view section,
                                     std::string_view entry) {
  if (!isValidSectionName(section) || !isValidEntryName(entry)) return std::nullopt;
  std::lock_guard lock(profileMutex());
  Ini ini;
  loadIni(path, ini);
  Section* s = findSection(ini, section);
  Entry* e = s ? findEntry(*s, entry) : nullptr;
  if (!e) return std::nullopt;
  return std::move(e->value);
}

std::optional<std::int32_t> parseInt(std::string_view text) {
  if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
  std::int64_t value = 0;
  const char* first = text.data();
  const char* last = text.data() + text.size();
  std::from_chars_result r{};
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    std::uint64_t u = 0;
    r = std::from_chars(first + 2, last, u, 16);
    if (u > 0xFFFFFFFFu) return std::nullopt;
    value = static_cast<std::int64_t>(u);
  } else {
    r = std::from_chars(first, last, value, 10);
  }
  if (text.empty() || r.ec != std::errc() || r.ptr != last) return std::nullopt;
  if (value < INT32_MIN || value > static_cast<std::int64_t>(UINT32_MAX)) return std::nullopt;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

}  // namespace

CAppProfile& CAppProfile::Get() {
  static CAppProfile profile;
  return profile;
}

std::string CAppProfile::GetFilePath() const {
  return m_filePath.empty() ? GetUserPreferencesPath() + kProfileFileName : m_filePath;
}

int CAppProfile::GetProfileInt(const std::string& section, const std::string& entry,
                               int defaultValue) const {
  const auto text = readEntry(GetFilePath(), section, entry);
  if (!text) return defaultValue;
  return parseInt(*text).value_or(defaultValue);
}

bool CAppProfile::WriteProfileInt(const std::string& section, const std::string& entry, int value) {
  return WriteProfileString(section, entry, std::to_string(value));
}

std::string CAppProfile::GetProfileString(const std::string& section, const std::string& entry,
                                          const std::string& defaultValue) const {
  return readEntry(GetFilePath(), section, entry).value_or(defaultValue);
}

bool CAppProfile::WriteProfileString(const std::string& section, const std::string& entry,
                                     const std::string& value) {
  if (!isValidSectionName(section) || !isValidEntryName(entry) || !isValidValue(value))
    return false;
  const std::string path = GetFilePath();
  std::lock_guard lock(profileMutex());
  const vex3d::SettingsFileLock fileLock(path);
  Ini ini;
  if (!loadIni(path, ini)) return false;
  Section* s = findSection(ini, section);
  if (!s) s = &ini.emplace_back(Section{section, {}});
  if (Entry* e = findEntry(*s, entry))
    e->value = value;
  else
    s->entries.push_back(Entry{entry, value});
  return storeIni(path, ini);
}

bool CAppProfile::DeleteProfileEntry(const std::string& section, const std::string& entry) {
  if (!isValidSectionName(section) || !isValidEntryName(entry)) return false;
  const std::string path = GetFilePath();
  std::lock_guard lock(profileMutex());
  const vex3d::SettingsFileLock fileLock(path);
  Ini ini;
  if (!loadIni(path, ini)) return false;
  Section* s = findSection(ini, section);
  if (!s) return true;
  const auto before = s->entries.size();
  std::erase_if(s->entries, [&](const Entry& e) { return sameName(e.name, entry); });
  if (s->entries.size() == before) return true;
  return storeIni(path, ini);
}

int GetProfileInt(const std::string& section, const std::string& entry, int defaultValue) {
  return CAppProfile::Get().GetProfileInt(section, entry, defaultValue);
}

bool WriteProfileInt(const std::string& section, const std::string& entry, int value) {
  return CAppProfile::Get().WriteProfileInt(section, entry, value);
}

std::string GetProfileString(const std::string& section, const std::string& entry,
                             const std::string& defaultValue) {
  return CAppProfile::Get().GetProfileString(section, entry, defaultValue);
}

bool WriteProfileString(const std::string& section, const std::string& entry,
                        const std::string& value) {
  return CAppProfile::Get().WriteProfileString(section, entry, value);
}
