// The desktop sees every format: the MIME types written by `vex3d
// desktop-files`, installed beside the system's own database in a private
// data folder, must make each readable file resolve to a type the
// thumbnailer entry lists.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string run(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  std::array<char, 4096> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
  ::pclose(pipe);
  return out;
}

// The <mediatype> entries of a metainfo file.
std::set<std::string> metainfoTypes(const fs::path& metainfo) {
  std::ifstream in(metainfo);
  std::set<std::string> types;
  const std::string open = "<mediatype>";
  const std::string close = "</mediatype>";
  for (std::string line; std::getline(in, line);) {
    const std::size_t start = line.find(open);
    const std::size_t end = line.find(close);
    if (start == std::string::npos || end == std::string::npos) continue;
    types.insert(line.substr(start + open.size(), end - start - open.size()));
  }
  return types;
}

std::set<std::string> listedTypes(const fs::path& thumbnailer) {
  std::ifstream in(thumbnailer);
  std::set<std::string> types;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("MimeType=", 0) != 0) continue;
    std::stringstream list(line.substr(9));
    for (std::string type; std::getline(list, type, ';');) {
      if (!type.empty()) types.insert(type);
    }
  }
  return types;
}

TEST(DesktopFilesTest, EveryReadableFormatResolvesToAThumbnailedType) {
  const fs::path data = fs::path(VEX3D_TEST_BINARY_DIR) / "desktop-files-test";
  fs::remove_all(data);
  const fs::path packages = data / "mime" / "packages";
  fs::create_directories(packages);
  const fs::path out = data / "generated";
  fs::create_directories(out);
  ASSERT_EQ(std::system((std::string(VEX3D_CLI) + " desktop-files " + out.string()).c_str()), 0);

  // The system's rules and ours, compiled together as a desktop would.
  const fs::path system = "/usr/share/mime/packages/freedesktop.org.xml";
  ASSERT_TRUE(fs::exists(system)) << "shared-mime-info is installed by the project's script";
  fs::copy_file(system, packages / "freedesktop.org.xml");
  fs::copy_file(out / "vex3d-mime.xml", packages / "vex3d-mime.xml");
  ASSERT_EQ(std::system(("update-mime-database " + (data / "mime").string()).c_str()), 0);

  const std::set<std::string> listed = listedTypes(out / "vex3d.thumbnailer");
  ASSERT_GT(listed.size(), 30u);
  // One file per extension whose class has a type; content that says
  // nothing, so that the name decides as it does for most 3D files.
  const char* extensions[] = {"obj", "stl", "ply",   "v3d",     "fbx",     "gltf", "glb", "dae",
                              "3ds", "x3d", "3mf",   "lwo",     "lws",     "off",  "md2", "md3",
                              "mdl", "ac",  "ase",   "ms3d",    "irrmesh", "q3o",  "b3d", "dxf",
                              "nff", "hmp", "ter",   "ogex",    "ifc",     "xgl",  "amf", "iqm",
                              "sib", "lxo", "blend", "md5mesh", "zgl"};
  const fs::path samples = data / "files";
  fs::create_directories(samples);
  for (const char* ext : extensions) {
    const fs::path file = samples / (std::string("model.") + ext);
    // A 3D Studio mesh is told from a game cartridge by its first chunk.
    std::ofstream(file) << (std::string(ext) == "3ds" ? "MM\x10\0\0\0" : "0 1 2\n");
    const std::string type =
        run("env XDG_DATA_HOME=" + data.string() + " XDG_DATA_DIRS=" + data.string() +
            " gio info -a standard::content-type " + file.string() +
            " | sed -n 's/.*standard::content-type: //p'");
    const std::string trimmed = type.substr(0, type.find('\n'));
    EXPECT_EQ(listed.count(trimmed), 1u) << "." << ext << " resolves to '" << trimmed << "'";
  }
  // "Open with" offers the viewer for the same types.
  EXPECT_EQ(listedTypes(out / "vex3d-viewer.desktop"), listed);
  // Software centres learn the same types from the metainfo.
  EXPECT_EQ(metainfoTypes(out / "vex3d-viewer.metainfo.xml"), listed);
  std::ifstream entry(out / "vex3d-viewer.desktop");
  const std::string text((std::istreambuf_iterator<char>(entry)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Exec=vex3d-viewer %F\n"), std::string::npos);
  if (std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0) {
    EXPECT_EQ(
        std::system(("desktop-file-validate " + (out / "vex3d-viewer.desktop").string()).c_str()),
        0);
  }
}

}  // namespace
