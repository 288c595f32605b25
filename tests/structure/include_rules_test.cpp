// The layering of the tree, checked on every include line: the host layer
// stands for the maker's libraries and knows nothing of the 3D module; the
// scene model knows nothing of drawing, the IO dispatch, the viewer or the
// command line; only drawing code sees GL, only window code sees Qt. A
// private header (a folder named internal/) is for its own subsystem. And a
// text's id is written once, in the string table, never in the code.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::set<std::string> kModel = {"hostlib",  "math",      "shared", "mesh",
                                      "material", "animation", "scene"};

std::set<std::string> with(std::set<std::string> base, std::initializer_list<const char*> more) {
  for (const char* m : more) base.insert(m);
  return base;
}

// The part of the tree a file belongs to: "hostlib", "hostlib/ui", a
// subsystem of src/, "plugins/<folder>", "apps/<program>" or
// "tests/<subsystem>" ("tests/hostlib/ui" for the window controls' tests).
std::string partOf(const std::string& path) {
  std::vector<std::string> parts;
  for (const auto& p : fs::path(path)) parts.push_back(p.string());
  if (parts.size() < 2) return path;
  if (parts[0] == "src") {
    if (parts[1] == "hostlib" && parts.size() > 3 && parts[2] == "ui") return "hostlib/ui";
    return parts[1];
  }
  if (parts[0] == "tests" && parts[1] == "hostlib" && parts.size() > 3 && parts[2] == "ui") {
    return "tests/hostlib/ui";
  }
  if (parts[0] == "plugins" || parts[0] == "tests" || parts[0] == "apps") {
    return parts[0] + "/" + parts[1];
  }
  return parts[0];
}

// The top folders of src/ a part may include from; null when the part may
// include anything (the command line, tests).
const std::set<std::string>* allowedFolders(const std::string& part) {
  static const std::set<std::string> hostlib = {"hostlib"};
  static const std::set<std::string> math = {"hostlib", "math"};
  static const std::set<std::string> shared = {"hostlib", "math", "shared"};
  static const std::set<std::string> model = kModel;
  static const std::set<std::string> io = with(kModel, {"io"});
  static const std::set<std::string> render = with(kModel, {"render"});
  static const std::set<std::string> viewer = with(kModel, {"io", "render", "viewer"});
  if (part == "hostlib" || part == "hostlib/ui") return &hostlib;
  if (part == "math") return &math;
  if (part == "shared") return &shared;
  if (kModel.count(part) != 0) return &model;
  if (part == "io") return &io;
  if (part == "render") return &render;
  if (part == "viewer") return &viewer;
  if (part.rfind("plugins/", 0) == 0) return &io;
  return nullptr;
}

// Tests of a subsystem may use what their subsystem uses.
std::string ownerOf(const std::string& part) {
  return part.rfind("tests/", 0) == 0 ? part.substr(6) : part;
}
bool mayUseGl(const std::string& part) {
  const std::string owner = ownerOf(part);
  return owner == "render" || owner == "viewer" || owner == "hostlib/ui";
}
bool mayUseQt(const std::string& part) {
  const std::string owner = ownerOf(part);
  return owner == "viewer" || owner == "hostlib/ui" || owner == "apps/viewer";
}

// The window code of the viewer: Qt, and only the viewer program loads it.
bool isWindowHeader(const std::string& target) {
  for (const char* prefix :
       {"hostlib/ui/", "viewer/frame/", "viewer/commands/", "viewer/panes/", "viewer/dialogs/"}) {
    if (target.rfind(prefix, 0) == 0) return true;
  }
  return false;
}

// Files that libraries and programs without Qt build from.
bool staysFreeOfWindows(const std::string& path, const std::string& part) {
  if (part == "apps/vex3d") return true;
  // The command bases at the top of viewer/ serve scripts and the command
  // line as well.
  const fs::path p(path);
  return part == "viewer" && p.parent_path() == fs::path("src/viewer");
}

// The broken rules of one include line of the file at `path` (relative to
// the source root); empty when the line is fine.
std::vector<std::string> check(const std::string& path, const std::string& line) {
  static const std::regex kInclude(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  std::smatch m;
  if (!std::regex_search(line, m, kInclude)) return {};
  const bool quoted = m[1] == "\"";
  const std::string target = m[2];
  const std::string part = partOf(path);
  const std::string where =
      path + ": #include " + (quoted ? "\"" + target + "\"" : "<" + target + ">");
  std::vector<std::string> broken;

  if (!quoted) {
    const bool gl = target.rfind("GL/", 0) == 0 || target.rfind("EGL/", 0) == 0;
    const bool qt = target.rfind("Qt", 0) == 0 ||
                    (target.size() > 1 && target[0] == 'Q' && std::isupper(target[1]) != 0);
    if (gl && !mayUseGl(part)) broken.push_back(where + " (GL outside drawing code)");
    if (qt && !mayUseQt(part)) broken.push_back(where + " (Qt outside window code)");
    if (target.rfind("assimp/", 0) == 0 && part != "plugins/assimp") {
      broken.push_back(where + " (the general-format library outside its plug-in)");
    }
    return broken;
  }

  if (isWindowHeader(target) && staysFreeOfWindows(path, part)) {
    broken.push_back(where + " (window code where Qt is never loaded)");
  }
  if (target.find("..") != std::string::npos) {
    broken.push_back(where + " (a relative path: use the target's include folder)");
  }
  const std::size_t slash = target.find('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash);
  if (target.find("/internal/") != std::string::npos) {
    const std::string owner = ownerOf(part);
    if (owner != folder && owner.rfind(folder + "/", 0) != 0) {
      broken.push_back(where + " (a private header of another subsystem)");
    }
  }
  const std::set<std::string>* allowed = allowedFolders(part);
  if (allowed == nullptr) return broken;
  // The 3D module's export header belongs to the module, not the host layer.
  if (target == "vex3d_export.h" && part.rfind("hostlib", 0) == 0) {
    broken.push_back(where + " (the host layer includes the 3D module)");
  }
  if (folder.empty()) return broken;
  const bool srcFolder = fs::is_directory(fs::path(VEX3D_SOURCE_DIR) / "src" / folder);
  if (srcFolder && allowed->count(folder) == 0) {
    broken.push_back(where + " (" + part + " may not depend on " + folder + ")");
  }
  if (part.rfind("plugins/", 0) == 0 && !srcFolder) {
    // A plug-in includes its own files and the shared format kit only.
    const std::string own = part.substr(8);
    if (folder != own && folder != "mesh_format_kit") {
      broken.push_back(where + " (another plug-in's files)");
    }
  }
  return broken;
}

// A string id written as a number in the code rather than taken from the
// constants the string table generates.
bool writesStringId(const std::string& line) {
  static const std::regex kDefined(R"(\bkStr[A-Z]\w*\s*=\s*[0-9])");
  static const std::regex kLiteral(R"(\b(LoadStringW|FormatString|LoadCommandString)\(\s*[0-9])");
  return std::regex_search(line, kDefined) || std::regex_search(line, kLiteral);
}

std::vector<std::string> checkTree(const std::vector<std::string>& roots, int& filesSeen) {
  std::vector<std::string> broken;
  const fs::path top(VEX3D_SOURCE_DIR);
  for (const std::string& root : roots) {
    for (const auto& entry : fs::recursive_directory_iterator(top / root)) {
      const std::string ext = entry.path().extension().string();
      if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
      ++filesSeen;
      const std::string rel = fs::relative(entry.path(), top).string();
      std::ifstream in(entry.path());
      for (std::string line; std::getline(in, line);) {
        // The patterns are slow to match; most lines are neither kind.
        if (line.find("include") != std::string::npos) {
          for (std::string& b : check(rel, line)) broken.push_back(std::move(b));
        }
        if (rel.rfind("tests/", 0) != 0 && line.find("Str") != std::string::npos &&
            writesStringId(line)) {
          broken.push_back(rel + ": " + line + " (a string id belongs in data/strings/en.tsv)");
        }
      }
    }
  }
  return broken;
}

std::string joined(const std::vector<std::string>& lines) {
  std::ostringstream out;
  for (const std::string& l : lines) out << "\n  " << l;
  return out.str();
}

TEST(IncludeRules, TheTreeKeepsItsLayers) {
  int files = 0;
  const auto broken = checkTree({"src", "plugins", "apps", "tests"}, files);
  // A wrong root would find nothing and pass.
  EXPECT_GT(files, 300);
  EXPECT_TRUE(broken.empty()) << broken.size() << " line(s) break the rules:" << joined(broken);
}

TEST(IncludeRules, EachKindOfCrossingIsCaught) {
  struct Case {
    const char* path;
    const char* line;
    bool broken;
  };
  const Case cases[] = {
      {"src/scene/preferences.cpp", "#include \"render/view.h\"", true},
      {"src/mesh/model/face.cpp", "#include \"io/io.h\"", true},
      {"src/material/material.cpp", "#include \"viewer/command_3d.h\"", true},
      {"src/hostlib/core/archive.cpp", "#include \"math/point.h\"", true},
      {"src/hostlib/core/archive.cpp", "#include \"scene/scene.h\"", true},
      {"src/hostlib/io/plugin_loader.cpp", "#include \"vex3d_export.h\"", true},
      {"src/hostlib/core/object.cpp", "#include <QObject>", true},
      {"src/scene/scene.h", "#include <GL/gl.h>", true},
      {"src/math/point.h", "#include \"mesh/model/edge.h\"", true},
      {"plugins/ply/ply_reader.cpp", "#include \"../mesh_format_kit/text_scan.h\"", true},
      {"plugins/ply/ply_reader.cpp", "#include \"render/view.h\"", true},
      {"plugins/ply/ply_reader.cpp", "#include \"obj/obj_reader.h\"", true},
      {"src/mesh/algorithms/face_graphs.cpp", "#include \"mesh/model/internal/seam_walk.h\"",
       false},
      {"src/scene/scene.cpp", "#include \"mesh/model/internal/seam_walk.h\"", true},
      {"src/render/view.cpp", "#include \"mesh/model/internal/seam_walk.h\"", true},
      {"tests/render/view_test.cpp", "#include \"mesh/algorithms/internal/triangulate.h\"", true},
      {"tests/mesh/model/x_test.cpp", "#include \"mesh/algorithms/internal/triangulate.h\"", false},
      {"src/scene/preferences.cpp", "#include \"shared/gl_view_settings.h\"", false},
      {"src/render/view.h", "#include <GL/glew.h>", false},
      {"src/hostlib/ui/tree_ctrl.cpp", "#include <QTreeWidget>", false},
      {"src/hostlib/ui/tree_ctrl.cpp", "#include \"scene/scene.h\"", true},
      {"plugins/ply/ply_reader.cpp", "#include \"mesh_format_kit/text_scan.h\"", false},
      {"apps/vex3d/render_command.cpp", "#include \"render/view.h\"", false},
      {"apps/vex3d/main.cpp", "#include <QApplication>", true},
      {"apps/vex3d/main.cpp", "#include \"viewer/frame/frame_viewer.h\"", true},
      {"apps/viewer/main.cpp", "#include <QApplication>", false},
      {"src/viewer/save_as_bitmap.cpp", "#include \"hostlib/ui/command_dlg.h\"", true},
      {"src/viewer/commands/file_commands.cpp", "#include \"hostlib/ui/command_dlg.h\"", false},
      {"tests/hostlib/ui/rich_text_test.cpp", "#include <QString>", false},
      {"tests/hostlib/core/archive_test.cpp", "#include <QString>", true},
      {"src/scene/scene.cpp", "// #include \"render/view.h\" is a comment", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(!check(c.path, c.line).empty(), c.broken) << c.path << ": " << c.line;
  }
  EXPECT_TRUE(writesStringId("enum : unsigned { kStrTitle = 9113 };"));
  EXPECT_TRUE(writesStringId("  info.title = LoadStringW(9175);"));
  EXPECT_FALSE(writesStringId("  info.title = LoadStringW(vex3d::kStrMergingTitle);"));
  EXPECT_FALSE(writesStringId("  static constexpr unsigned kStride = 0xFFF;"));
}

}  // namespace
