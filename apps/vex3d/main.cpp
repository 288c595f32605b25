// The vex3d command: inspects, converts and renders 3D files from a shell.
#include <malloc.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "hostlib/files/atomic_file.h"
#include "hostlib/io/plugin_loader.h"
#include "io/module_info.h"

namespace {

void printUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: vex3d COMMAND [ARGS]\n"
               "\n"
               "commands:\n"
               "  info               version, interface language, plug-ins and file classes\n"
               "  info FILE...       the node tree, objects, materials and textures, time\n"
               "                     range and bounding box of each file (--json)\n"
               "  formats            the 3D file classes, their extensions and abilities\n"
               "  convert IN OUT     reads IN and writes OUT in the format of its extension\n"
               "  render IN -o OUT   an image of the scene, or a turntable series\n"
               "  thumbnail IN OUT   a square PNG with transparency\n"
               "  view FILE...       opens the files in the viewer window\n"
               "  desktop-files DIR  writes the thumbnailer entry and the MIME types of\n"
               "                     the 3D formats into DIR\n"
               "  --version          the version\n"
               "  --help             this text\n"
               "\n"
               "vex3d COMMAND --help lists the options of a command.\n"
               "exit status: 0 success, 1 a file could not be read or written, 2 wrong usage\n");
}

// The format plug-ins for the length of one command. Nothing is written to
// the user's configuration: thumbnailers run where nothing may be.
class PluginScope {
 public:
  PluginScope() { RegisterIOPlugins(0x4000); }
  ~PluginScope() { FreeIOPlugins(0x4000); }
  PluginScope(const PluginScope&) = delete;
  PluginScope& operator=(const PluginScope&) = delete;
};

// One command is one short job whose large blocks come and go (a reader's
// arrays, then the lists built from them, then a writer's). Kept in the
// heap rather than handed back to the kernel at once, a freed block is
// reused as it is; a fresh one is paid for again, page by page, in faults
// and zeroing.
void keepFreedMemory() {
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
}

// Replaces this process with the viewer installed beside it.
int runViewer(char** argv) {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string viewer = "vex3d-viewer";
  if (n > 0) {
    self[n] = '\0';
    std::string dir(self);
    dir.erase(dir.find_last_of('/') + 1);
    viewer = dir + "vex3d-viewer";
  }
  std::vector<char*> args{viewer.data()};
  for (char** a = argv + 2; *a != nullptr; ++a) args.push_back(*a);
  args.push_back(nullptr);
  execv(viewer.c_str(), args.data());
  std::fprintf(stderr, "vex3d: cannot start the viewer %s: %s\n", viewer.c_str(),
               std::strerror(errno));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  keepFreedMemory();
  // Ctrl+C, a kill or a thumbnailer's time limit leaves no half-written
  // temporary file behind.
  vex3d::removeTemporaryFilesOnSignals();
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    printUsage(args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  if (args[0] == "--version") {
    std::printf("vex3d %s\n", Vex3DVersion());
    return 0;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  // The window lives in a program of its own, so that this one never loads
  // the window toolkit.
  if (args[0] == "view") return runViewer(argv);
  PluginScope plugins;
  if (args[0] == "info") return vex3d::cli::runInfo(rest);
  if (args[0] == "formats") return vex3d::cli::runFormats(rest);
  if (args[0] == "convert") return vex3d::cli::runConvert(rest);
  if (args[0] == "render") return vex3d::cli::runRender(rest);
  if (args[0] == "thumbnail") return vex3d::cli::runThumbnail(rest);
  if (args[0] == "desktop-files") return vex3d::cli::runDesktopFiles(rest);
  std::fprintf(stderr, "vex3d: unknown command '%s'\n\n", args[0].c_str());
  printUsage(stderr);
  return 2;
}
