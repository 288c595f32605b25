// Turns the English and French string tables (id<TAB>text, C escapes allowed in
// text, '#' starts a comment line) into one compiled-in table sorted by id,
// and the names the English table gives some ids (id<TAB>name<TAB>text) into
// a header of constants, so that the code never writes an id itself.
// Fails when the two tables do not carry exactly the same ids, so a missing
// translation is a build error rather than an empty menu item; likewise when a
// translation's printf conversions or '|' list items differ from the English
// ones, since either would break the callers that format or split the text.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Location {
  const char* path;
  int line;
};

std::ostream& operator<<(std::ostream& os, const Location& at) {
  return os << at.path << ":" << at.line << ": ";
}

// Octal and hex escapes are refused: they run on into the following
// characters, so a translator's "\x41BC" would silently change meaning.
bool checkEscapes(const std::string& text, const Location& at) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') {
      std::cerr << at << "unescaped quote\n";
      return false;
    }
    if (text[i] != '\\') continue;
    if (i + 1 == text.size()) {
      std::cerr << at << "dangling backslash\n";
      return false;
    }
    const char next = text[++i];
    if (std::strchr("ntr\\\"", next) == nullptr) {
      std::cerr << at << "unsupported escape \\" << next << " (use \\n \\t \\r \\\\ \\\")\n";
      return false;
    }
  }
  return true;
}

// Raw control characters would end up inside the C++ literal unseen; they
// must be written as escapes.
bool checkUtf8(const std::string& text, const Location& at) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = s[i];
    if (c < 0x20 || c == 0x7F) {
      std::cerr << at << "raw control character; write it as an escape\n";
      return false;
    }
    std::size_t len = 0;
    std::uint32_t cp = 0;
    if (c < 0x80) {
      len = 1;
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      len = 2;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      len = 3;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      len = 4;
      cp = c & 0x07;
    } else {
      std::cerr << at << "invalid UTF-8\n";
      return false;
    }
    if (i + len > n) {
      std::cerr << at << "truncated UTF-8 sequence\n";
      return false;
    }
    for (std::size_t k = 1; k < len; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) {
        std::cerr << at << "invalid UTF-8\n";
        return false;
      }
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    static constexpr std::uint32_t kMinForLength[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMinForLength[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      std::cerr << at << "invalid UTF-8\n";
      return false;
    }
    i += len;
  }
  return true;
}

// The printf conversions of a text in order ("%d", "%5.2f", ...); "%%" is
// not a conversion. Returns false on a '%' that starts no valid conversion.
bool formatSpecifiers(const std::string& text, std::vector<std::string>& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    const std::size_t start = i++;
    if (i < text.size() && text[i] == '%') continue;
    while (i < text.size() && std::strchr("-+ #0'", text[i]) != nullptr) ++i;
    while (i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '*'))
      ++i;
    if (i < text.size() && text[i] == '.') {
      ++i;
      while (i < text.size() &&
             (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '*'))
        ++i;
    }
    while (i < text.size() && std::strchr("hlLqjzt", text[i]) != nullptr) ++i;
    if (i >= text.size() || std::strchr("diouxXeEfFgGaAcsp", text[i]) == nullptr) return false;
    out.push_back(text.substr(start, i - start + 1));
  }
  return true;
}

// A constant's name: kStr followed by an upper-case letter, then letters and
// digits.
bool validName(const std::string& name) {
  if (name.size() < 5 || name.compare(0, 4, "kStr") != 0 ||
      !std::isupper(static_cast<unsigned char>(name[4])))
    return false;
  return std::all_of(name.begin(), name.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// `names`, when given, receives the optional name column; without it a
// name column is an error (translations carry none).
bool readTable(const char* path, std::map<unsigned long, std::string>& out,
               std::map<unsigned long, std::string>* names) {
  std::ifstream in(path);
  if (!in) {
    std::cerr << path << ": cannot open\n";
    return false;
  }
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    const Location at{path, lineNo};
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const auto tab = line.find('\t');
    if (tab == std::string::npos) {
      std::cerr << at << "expected id<TAB>text\n";
      return false;
    }
    char* end = nullptr;
    errno = 0;
    const unsigned long id = std::strtoul(line.c_str(), &end, 10);
    if (tab == 0 || end != line.c_str() + tab || errno == ERANGE || id == 0 || id > 0xFFFFFFFFul ||
        !std::isdigit(static_cast<unsigned char>(line[0]))) {
      std::cerr << at << "bad id\n";
      return false;
    }
    std::string text = line.substr(tab + 1);
    // Texts hold no raw tab, so a second tab ends a name.
    if (const auto second = text.find('\t'); second != std::string::npos) {
      const std::string name = text.substr(0, second);
      if (names == nullptr) {
        std::cerr << at << "names belong in the English table only\n";
        return false;
      }
      if (!validName(name)) {
        std::cerr << at << "bad name '" << name << "' (kStr followed by a capital)\n";
        return false;
      }
      for (const auto& [otherId, otherName] : *names) {
        if (otherName == name) {
          std::cerr << at << "name " << name << " already names id " << otherId << "\n";
          return false;
        }
      }
      names->emplace(id, name);
      text = text.substr(second + 1);
    }
    if (text.empty()) {
      std::cerr << at << "empty text for id " << id << "\n";
      return false;
    }
    if (!checkEscapes(text, at) || !checkUtf8(text, at)) return false;
    std::vector<std::string> specs;
    if (!formatSpecifiers(text, specs)) {
      std::cerr << at << "stray '%' (write a literal percent sign as %%)\n";
      return false;
    }
    if (!out.emplace(id, text).second) {
      std::cerr << at << "duplicate id " << id << "\n";
      return false;
    }
  }
  return true;
}

std::string joined(const std::vector<std::string>& items) {
  std::string s;
  for (const auto& item : items) s += (s.empty() ? "" : " ") + item;
  return s.empty() ? "none" : s;
}

// Both tables hold the same ids with compatible texts.
bool tablesAgree(const std::map<unsigned long, std::string>& en, const char* enPath,
                 const std::map<unsigned long, std::string>& fr, const char* frPath) {
  bool ok = true;
  for (const auto& [id, text] : en)
    if (!fr.count(id)) {
      std::cerr << frPath << ": no French text for id " << id << "\n";
      ok = false;
    }
  for (const auto& [id, text] : fr)
    if (!en.count(id)) {
      std::cerr << enPath << ": no English text for id " << id << "\n";
      ok = false;
    }
  if (!ok) return false;
  for (const auto& [id, english] : en) {
    const std::string& french = fr.at(id);
    std::vector<std::string> enSpecs, frSpecs;
    formatSpecifiers(english, enSpecs);
    formatSpecifiers(french, frSpecs);
    if (enSpecs != frSpecs) {
      std::cerr << frPath << ": id " << id << " converts " << joined(frSpecs) << ", English "
                << joined(enSpecs) << "\n";
      ok = false;
    }
    const auto bars = [](const std::string& s) { return std::count(s.begin(), s.end(), '|'); };
    if (bars(english) != bars(french)) {
      std::cerr << frPath << ": id " << id << " has " << bars(french) + 1 << " '|' items, English "
                << bars(english) + 1 << "\n";
      ok = false;
    }
  }
  return ok;
}

// Rewrites only on change so an untouched table does not rebuild everything.
bool writeIfChanged(const char* path, const std::string& text) {
  {
    std::ifstream old(path);
    std::stringstream current;
    current << old.rdbuf();
    if (old && current.str() == text) return true;
  }
  std::ofstream out(path, std::ios::trunc);
  out << text;
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: gen_string_table en.tsv fr.tsv out.cpp out_ids.h\n";
    return 2;
  }
  std::map<unsigned long, std::string> en, fr, names;
  if (!readTable(argv[1], en, &names) || !readTable(argv[2], fr, nullptr)) return 1;
  if (!tablesAgree(en, argv[1], fr, argv[2])) return 1;

  std::ostringstream os;
  os << "// Generated from data/strings/*.tsv; edit those instead.\n"
        "#include \"hostlib/text/internal/string_table_data.h\"\n\n"
        "namespace vex3d::strings {\n\n"
        "const StringEntry kStringTable[] = {\n";
  for (const auto& [id, text] : en)
    os << "    {" << id << "u, \"" << text << "\", \"" << fr[id] << "\"},\n";
  if (en.empty()) os << "    {0u, \"\", \"\"},\n";
  os << "};\n\nconst std::size_t kStringTableSize = " << en.size() << ";\n\n"
     << "}  // namespace vex3d::strings\n";

  std::ostringstream ids;
  ids << "#pragma once\n"
         "// Generated from data/strings/en.tsv; edit that instead.\n"
         "namespace vex3d {\n\n";
  for (const auto& [id, name] : names)
    ids << "inline constexpr unsigned " << name << " = " << id << ";\n";
  ids << "\n}  // namespace vex3d\n";
  return writeIfChanged(argv[3], os.str()) && writeIfChanged(argv[4], ids.str()) ? 0 : 1;
}
