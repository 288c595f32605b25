// One language at a time: every command run in French, on its success and
// its failure paths, says nothing that is not in the French string table.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli_run.h"

namespace {

namespace fs = std::filesystem;
using cli_run::sample;

// A text of the table as literal pieces between its printf conversions:
// "%d points" matches "8 points".
struct Pattern {
  std::vector<std::string> pieces;  // a conversion between each two
  bool hasLetters = false;
};

Pattern toPattern(const std::string& text) {
  Pattern p;
  std::string piece;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      piece += text[i];
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '%') {
      piece += '%';
      ++i;
      continue;
    }
    ++i;
    while (i < text.size() &&
           std::string("-+ #0'.*0123456789hlLqjzt").find(text[i]) != std::string::npos) {
      ++i;
    }
    p.pieces.push_back(piece);
    piece.clear();
  }
  p.pieces.push_back(piece);
  for (const std::string& s : p.pieces) {
    for (const char c : s)
      p.hasLetters = p.hasLetters || std::isalpha(static_cast<unsigned char>(c));
  }
  return p;
}

// Whether `line` is the pattern with something (possibly nothing) in place
// of each conversion.
bool matches(const Pattern& p, const std::string& line) {
  const std::vector<std::string>& s = p.pieces;
  if (line.compare(0, s[0].size(), s[0]) != 0) return false;
  if (s.size() == 1) return line.size() == s[0].size();
  std::size_t at = s[0].size();
  for (std::size_t i = 1; i + 1 < s.size(); ++i) {
    at = line.find(s[i], at);
    if (at == std::string::npos) return false;
    at += s[i].size();
  }
  const std::string& last = s.back();
  return line.size() >= at + last.size() &&
         line.compare(line.size() - last.size(), last.size(), last) == 0;
}

std::string unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      const char c = text[++i];
      out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
    } else {
      out += text[i];
    }
  }
  return out;
}

// The texts of a table, each line of a text and each item of a list on
// its own.
std::vector<std::string> tableTexts(const char* file, bool named) {
  std::ifstream in(std::string(VEX3D_TEST_DATA_DIR) + "/strings/" + file);
  std::vector<std::string> texts;
  std::string row;
  while (std::getline(in, row)) {
    if (row.empty() || row[0] == '#') continue;
    std::size_t tab = row.find('\t');
    if (named && row.find('\t', tab + 1) != std::string::npos &&
        row.compare(tab + 1, 4, "kStr") == 0) {
      tab = row.find('\t', tab + 1);
    }
    std::stringstream lines(unescape(row.substr(tab + 1)));
    std::string line;
    while (std::getline(lines, line)) {
      texts.push_back(line);
      if (line.find('|') == std::string::npos) continue;
      std::stringstream items(line);
      std::string item;
      while (std::getline(items, item, '|')) texts.push_back(item);
    }
  }
  return texts;
}

class FrenchCheck {
 public:
  FrenchCheck() {
    for (const std::string& t : tableTexts("fr.tsv", false)) {
      Pattern p = toPattern(t);
      if (p.hasLetters) m_french.push_back(std::move(p));
      m_frenchTexts += t + "\n";
    }
    // English words the French table does not share: a line holding one
    // came from the English table, through a placeholder if not whole.
    for (const std::string& t : tableTexts("en.tsv", true)) {
      for (const std::string& piece : toPattern(t).pieces) {
        if (piece.size() >= 12 && piece.find(' ') != std::string::npos &&
            m_frenchTexts.find(piece) == std::string::npos) {
          m_english.push_back(piece);
        }
      }
    }
  }

  // Empty when the line is French or data, else why it is not.
  std::string judge(const std::string& line) const {
    for (const std::string& piece : m_english) {
      if (line.find(piece) != std::string::npos) return "English: \"" + piece + "\"";
    }
    std::string text = line;
    text.erase(0, text.find_first_not_of(' '));
    if (text.empty() || french(text)) return {};
    // The rows of a help: option or command, two spaces, its French text.
    const std::size_t gap = text.find("  ");
    if (gap != std::string::npos) {
      const std::size_t start = text.find_first_not_of(' ', gap);
      if (start != std::string::npos && french(text.substr(start))) return {};
    }
    // A French label before a French text: "changement : Triangulation...".
    const std::size_t colon = text.find(" : ");
    if (colon != std::string::npos && french(text.substr(0, colon)) &&
        french(text.substr(colon + 3))) {
      return {};
    }
    // Rows of data: the file classes ('OBJ ' and its filter), node rows
    // whose details begin with a French kind, paths.
    if (text.size() > 6 && text[0] == '\'' && text[5] == '\'') return {};
    const std::size_t open = text.rfind(" [");
    if (open != std::string::npos && text.back() == ']' && french(kindOf(text.substr(open + 2)))) {
      return {};
    }
    // Plug-in rows: name, version and (its module's path).
    if (text.back() == ')' && text.find(" (/") != std::string::npos) return {};
    if (text[0] == '/' || text == "-" || fs::exists(text)) return {};
    return "not from the French table";
  }

 private:
  static std::string kindOf(const std::string& details) {
    return details.substr(0, std::min(details.find(','), details.size() - 1));
  }
  bool french(const std::string& text) const {
    for (const Pattern& p : m_french) {
      if (matches(p, text)) return true;
    }
    return false;
  }

  std::vector<Pattern> m_french;
  std::string m_frenchTexts;
  std::vector<std::string> m_english;
};

TEST(CliFrenchTest, EveryLineComesFromTheFrenchTable) {
  const fs::path dir = cli_run::testDir();
  const std::string cube = sample("textured_cube.v3d");
  const std::string animated = sample("animated_groups.v3d");
  const std::string out = dir.string();
  fs::create_directories(dir / "folder.obj");
  std::ofstream(dir / "empty.obj").flush();
  std::ofstream(dir / "notes.xyz") << "v 0 0 0\n";
  std::ofstream(dir / "broken.obj") << "v 0 0 0\nv 1 0 0\nf 1 2\nf 1 2 40\n";
  std::ofstream(dir / "lost.obj") << "mtllib lost.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
  const std::vector<std::string> runs = {
      // Help, usage and unknown words.
      "",
      "--help",
      "help",
      "frobnicate",
      "help frobnicate",
      "info --help",
      "formats --help",
      "convert --help",
      "render --help",
      "thumbnail --help",
      "view --help",
      "desktop-files --help",
      "help help",
      "formats --bogus",
      "convert onlyone",
      "convert a b c",
      "info --json=yes",
      "render " + cube,
      "render " + cube + " -o",
      // Reading and describing.
      "--version",
      "info",
      "formats",
      "info " + cube,
      "info " + animated,
      "info /nonexistent/x.v3d",
      "info " + out + "/folder.obj",
      "info " + out + "/notes.xyz",
      "info " + out + "/empty.obj",
      "info - < " + cube,
      "info -f nosuch " + cube,
      "info --up w " + cube,
      "info " + out + "/lost.obj",
      "info " + out + "/broken.obj",
      // Converting.
      "convert --triangulate " + cube + " " + out + "/t.v3d",
      "convert -v " + cube + " " + out + "/t.ply",
      "convert " + cube + " " + cube,
      "convert " + cube + " " + out + "/x.off",
      "convert " + cube + " " + out + "/x.xyz",
      "convert " + cube + " " + out + "/absent/x.obj",
      "convert " + out + "/empty.obj " + out + "/e.v3d",
      "convert " + cube + " - -f obj",
      // Drawing.
      "render " + cube + " -o " + out + "/r.png --size 32x32 --azimuth 30",
      "render " + cube + " -o " + out + "/r.png --size 99999x1",
      "render " + cube + " -o " + out + "/r.png --mode chalk",
      "render " + cube + " -o " + out + "/r.xyz --size 16x16",
      "render " + animated + " -o " + out + "/f.png --size 16x16 --frame 900",
      "thumbnail " + cube + " " + out + "/t.png 32",
      "thumbnail " + cube + " " + out + "/t.png 0",
      "thumbnail /nonexistent/x.v3d " + out + "/t.png",
      "thumbnail " + out + "/empty.obj " + out + "/t.png",
      "desktop-files " + out,
      "desktop-files /nonexistent/folder",
      // Batches.
      "convert " + cube + " " + animated + " " + out + "/empty.obj --to ply --output-dir " + out,
      "convert " + cube + " --to ply --output-dir /nonexistent/folder",
      "convert " + cube + " --output-dir " + out,
      "convert " + cube + " --to nosuch",
      "convert " + cube + " " + cube + " --to stl --output-dir " + out + " -j 0",
      "thumbnail " + cube + " /nonexistent/x.v3d --output-dir " + out + " -s 16",
  };
  const FrenchCheck check;
  for (const std::string& args : runs) {
    const cli_run::Run run =
        cli_run::vex3d(args, "LANGUAGE= LC_ALL= LC_MESSAGES= LANG=fr_FR.UTF-8");
    std::stringstream lines(run.out + run.err);
    std::string line;
    while (std::getline(lines, line)) {
      const std::string why = check.judge(line);
      EXPECT_TRUE(why.empty()) << "vex3d " << args << "\n  " << line << "\n  " << why;
    }
  }
}

}  // namespace
