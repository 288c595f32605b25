// Turns the English and French string tables (id<TAB>text, C escapes allowed in
// text, '#' starts a comment line) into one compiled-in table sorted by id.
// Fails when the two tables do not carry exactly the same ids, so a missing
// translation is a build error rather than an empty menu item.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

namespace {

bool readTable(const char* path, std::map<unsigned long, std::string>& out) {
  std::ifstream in(path);
  if (!in) {
    std::cerr << path << ": cannot open\n";
    return false;
  }
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const auto tab = line.find('\t');
    if (tab == std::string::npos) {
      std::cerr << path << ":" << lineNo << ": expected id<TAB>text\n";
      return false;
    }
    char* end = nullptr;
    const unsigned long id = std::strtoul(line.c_str(), &end, 10);
    if (end != line.c_str() + tab) {
      std::cerr << path << ":" << lineNo << ": bad id\n";
      return false;
    }
    std::string text = line.substr(tab + 1);
    // A bare quote would end the C++ literal early; an odd trailing backslash
    // would swallow the closing quote.
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\\') {
        if (i + 1 == text.size()) {
          std::cerr << path << ":" << lineNo << ": dangling backslash\n";
          return false;
        }
        ++i;
      } else if (text[i] == '"') {
        std::cerr << path << ":" << lineNo << ": unescaped quote\n";
        return false;
      }
    }
    if (!out.emplace(id, text).second) {
      std::cerr << path << ":" << lineNo << ": duplicate id " << id << "\n";
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: gen_string_table en.tsv fr.tsv out.cpp\n";
    return 2;
  }
  std::map<unsigned long, std::string> en, fr;
  if (!readTable(argv[1], en) || !readTable(argv[2], fr)) return 1;
  bool ok = true;
  for (const auto& [id, text] : en)
    if (!fr.count(id)) {
      std::cerr << argv[2] << ": no French text for id " << id << "\n";
      ok = false;
    }
  for (const auto& [id, text] : fr)
    if (!en.count(id)) {
      std::cerr << argv[1] << ": no English text for id " << id << "\n";
      ok = false;
    }
  if (!ok) return 1;

  std::ostringstream os;
  os << "// Generated from data/strings/*.tsv; edit those instead.\n"
        "#include \"hostlib/string_table_data.h\"\n\n"
        "namespace vex3d::strings {\n\n"
        "const StringEntry kStringTable[] = {\n";
  for (const auto& [id, text] : en)
    os << "    {" << id << "u, \"" << text << "\", \"" << fr[id] << "\"},\n";
  if (en.empty()) os << "    {0u, \"\", \"\"},\n";
  os << "};\n\nconst std::size_t kStringTableSize = " << en.size() << ";\n\n"
     << "}  // namespace vex3d::strings\n";

  const std::string text = os.str();
  // Rewrite only on change so an untouched table does not relink everything.
  {
    std::ifstream old(argv[3]);
    std::stringstream current;
    current << old.rdbuf();
    if (old && current.str() == text) return 0;
  }
  std::ofstream out(argv[3], std::ios::trunc);
  out << text;
  return out ? 0 : 1;
}
