#pragma once
// User texts by string id, in English or French, and the small string helpers
// built on them. Every text is UTF-8.
#include <cstdarg>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "hostlib/hostlib_export.h"
// The ids the code refers to, by name (generated from data/strings/en.tsv).
#include "hostlib/text/string_ids.h"

namespace vex3d {

enum class Language { English, French };

// French when the first non-empty of LANGUAGE (its first non-empty
// colon-separated entry), LC_ALL, LC_MESSAGES and LANG begins with "fr";
// English otherwise. Reads the environment on every call.
VEXHOST_EXPORT Language languageFromEnvironment();
// The language of LoadStringW and friends: languageFromEnvironment() on first
// use, then cached for the life of the process unless set explicitly.
VEXHOST_EXPORT Language currentStringLanguage();
VEXHOST_EXPORT void setStringLanguage(Language language);
// The language's own name: "English", "Français".
VEXHOST_EXPORT const char* languageName(Language language);
VEXHOST_EXPORT const char* languageName();

// The text of `id` in `language`, or null when the table has no such id.
VEXHOST_EXPORT const char* findString(unsigned id, Language language);
// Every id of the table, in increasing order.
VEXHOST_EXPORT std::vector<unsigned> stringTableIds();

// printf into a std::string of exactly the needed size.
[[gnu::format(printf, 1, 2)]] VEXHOST_EXPORT std::string formatText(const char* format, ...);
[[gnu::format(printf, 1, 0)]] VEXHOST_EXPORT std::string formatTextV(const char* format,
                                                                     std::va_list args);

// The names already given within one scope (the objects of a scene, its
// materials). Besides the names it remembers, per candidate and limit, the
// last suffix handed out, so that naming n objects that share one name costs
// O(n) rather than O(n²).
class VEXHOST_EXPORT UniqueNameSet {
 public:
  bool contains(const std::string& name) const { return m_names.count(name) != 0; }
  // False when the name was already there.
  bool insert(const std::string& name) { return m_names.insert(name).second; }
  std::size_t size() const { return m_names.size(); }
  void clear() {
    m_names.clear();
    m_nextSuffix.clear();
  }
  // See GetUniqueName.
  std::string makeUnique(const std::string& candidate, unsigned limit);

 private:
  std::unordered_set<std::string> m_names;
  std::unordered_map<std::string, unsigned> m_nextSuffix;
};

// The longest prefix of `text` of at most `maxBytes` bytes that ends on a
// UTF-8 character boundary.
VEXHOST_EXPORT std::string utf8Prefix(const std::string& text, std::size_t maxBytes);

}  // namespace vex3d

// The text of string `id` in the current language; empty when unknown.
VEXHOST_EXPORT std::string LoadStringW(unsigned id);
// As above; false (and `out` emptied) when the id is unknown.
VEXHOST_EXPORT bool LoadStringW(unsigned id, std::string& out);

// printf with the text of string `id` as the format. The format is only known
// at run time, so the compiler cannot check the arguments: the table
// generator guarantees that every language of an id has the same conversions.
VEXHOST_EXPORT std::string FormatString(unsigned id, ...);

// Item `index` (from 0) of a '|'-separated list; empty when out of range.
// "a||b" has an empty item 1, and "" has one empty item.
VEXHOST_EXPORT std::string ExtractString(const std::string& list, int index);
VEXHOST_EXPORT std::string ExtractString(unsigned listId, int index);

// A name not yet in `names`, which is then added to them. The candidate itself
// when it is free; otherwise the candidate followed by "_1", "_2", ... (the
// first free one). `limit` is a maximum length in UTF-8 bytes, 0 meaning none:
// the candidate is cut to fit, and before a suffix its base is cut further so
// that base and suffix fit together; cuts never split a UTF-8 character.
// Names compare exactly (case-sensitive). When the limit is too small even for
// a bare suffix, the suffix alone is returned whatever its length: a name
// longer than asked is a lesser harm than two objects sharing one.
// Equivalent to names.makeUnique(candidate, limit).
VEXHOST_EXPORT std::string GetUniqueName(vex3d::UniqueNameSet& names, const std::string& candidate,
                                         unsigned limit);

// The localized "yes" or "no".
VEXHOST_EXPORT std::string YesNoString(bool yes);
