#include "hostlib/text/strings.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "hostlib/text/internal/string_table_data.h"

namespace vex3d {

namespace {

// -1 until the first lookup decides; the thumbnail worker thread reads
// strings too, hence the atomic.
std::atomic<int> g_language{-1};

// LANGUAGE is a priority list such as "fr:en"; only its head matters here.
std::string_view firstNonEmptyEntry(std::string_view list) {
  while (!list.empty()) {
    const auto colon = list.find(':');
    if (colon != 0) return list.substr(0, colon);
    list.remove_prefix(1);
  }
  return {};
}

bool isUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

Language languageFromEnvironment() {
  std::string_view value;
  if (const char* list = std::getenv("LANGUAGE")) value = firstNonEmptyEntry(list);
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    if (!value.empty()) break;
    if (const char* v = std::getenv(name)) value = v;
  }
  return value.starts_with("fr") ? Language::French : Language::English;
}

Language currentStringLanguage() {
  int value = g_language.load(std::memory_order_acquire);
  if (value < 0) {
    int expected = -1;
    const int decided = static_cast<int>(languageFromEnvironment());
    // A concurrent first use or an explicit choice may have won the race.
    value = g_language.compare_exchange_strong(expected, decided, std::memory_order_acq_rel)
                ? decided
                : expected;
  }
  return static_cast<Language>(value);
}

void setStringLanguage(Language language) {
  g_language.store(static_cast<int>(language), std::memory_order_release);
}

const char* languageName(Language language) {
  return language == Language::French ? "Français" : "English";
}

const char* languageName() { return languageName(currentStringLanguage()); }

const char* findString(unsigned id, Language language) {
  const strings::StringEntry* begin = strings::kStringTable;
  const strings::StringEntry* end = begin + strings::kStringTableSize;
  const auto* it = std::lower_bound(
      begin, end, id, [](const strings::StringEntry& e, unsigned key) { return e.id < key; });
  if (it == end || it->id != id) return nullptr;
  return language == Language::French ? it->french : it->english;
}

std::vector<unsigned> stringTableIds() {
  std::vector<unsigned> ids;
  ids.reserve(strings::kStringTableSize);
  for (std::size_t i = 0; i < strings::kStringTableSize; ++i)
    ids.push_back(strings::kStringTable[i].id);
  return ids;
}

std::string formatTextV(const char* format, std::va_list args) {
  if (format == nullptr) return {};
  std::va_list measure;
  va_copy(measure, args);
  const int needed = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (needed <= 0) return {};
  std::string out(static_cast<std::size_t>(needed), '\0');
  // The string's buffer holds needed + 1 bytes, the terminator included.
  std::vsnprintf(out.data(), out.size() + 1, format, args);
  return out;
}

std::string formatText(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::string out = formatTextV(format, args);
  va_end(args);
  return out;
}

std::string utf8Prefix(const std::string& text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  // Back up to the lead byte of the character the cut would split. More than
  // three continuation bytes in a row is not UTF-8; such text is cut as asked.
  std::size_t cut = maxBytes;
  for (int back = 0; back < 3 && cut > 0 && isUtf8Continuation(text[cut]); ++back) --cut;
  if (isUtf8Continuation(text[cut])) cut = maxBytes;
  return text.substr(0, cut);
}

std::string UniqueNameSet::makeUnique(const std::string& candidate, unsigned limit) {
  const std::string base = limit == 0 ? candidate : utf8Prefix(candidate, limit);
  if (m_names.insert(base).second) return base;
  unsigned& next = m_nextSuffix[std::to_string(limit) + '\0' + candidate];
  if (next == 0) next = 1;
  for (;; ++next) {
    const std::string suffix = "_" + std::to_string(next);
    std::string name;
    if (limit == 0)
      name = base + suffix;
    else if (suffix.size() >= limit)
      name = suffix;
    else
      name = utf8Prefix(base, limit - suffix.size()) + suffix;
    if (m_names.insert(name).second) {
      ++next;
      return name;
    }
  }
}

}  // namespace vex3d

std::string LoadStringW(unsigned id) {
  const char* text = vex3d::findString(id, vex3d::currentStringLanguage());
  return text != nullptr ? std::string(text) : std::string();
}

bool LoadStringW(unsigned id, std::string& out) {
  const char* text = vex3d::findString(id, vex3d::currentStringLanguage());
  if (text == nullptr) {
    out.clear();
    return false;
  }
  out = text;
  return true;
}

std::string FormatString(unsigned id, ...) {
  const char* format = vex3d::findString(id, vex3d::currentStringLanguage());
  if (format == nullptr) return {};
  std::va_list args;
  va_start(args, id);
  std::string out = vex3d::formatTextV(format, args);
  va_end(args);
  return out;
}

std::string ExtractString(const std::string& list, int index) {
  if (index < 0) return {};
  std::size_t start = 0;
  for (int i = 0; i < index; ++i) {
    const auto bar = list.find('|', start);
    if (bar == std::string::npos) return {};
    start = bar + 1;
  }
  const auto end = list.find('|', start);
  return list.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string ExtractString(unsigned listId, int index) {
  return ExtractString(LoadStringW(listId), index);
}

std::string GetUniqueName(vex3d::UniqueNameSet& names, const std::string& candidate,
                          unsigned limit) {
  return names.makeUnique(candidate, limit);
}

std::string YesNoString(bool yes) { return LoadStringW(yes ? vex3d::kStrYes : vex3d::kStrNo); }
