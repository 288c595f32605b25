// The vex3d command: inspects, converts and renders 3D files from a shell.
#include <malloc.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "cli_text.h"
#include "command_table.h"
#include "commands.h"
#include "hostlib/files/atomic_file.h"
#include "hostlib/files/file_utils.h"
#include "hostlib/io/plugin_loader.h"
#include "hostlib/text/strings.h"
#include "io/module_info.h"
#include "option_parser.h"

namespace {

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
  vex3d::cli::printText(stderr, vex3d::kStrCliCannotStartViewer, viewer.c_str(),
                        vex3d::systemErrorText(errno).c_str());
  return 1;
}

// `view` hands its arguments to the viewer, which has its own help; the
// command's help is this one.
int viewHelp(const std::vector<std::string>& rest) {
  vex3d::cli::OptionParser parser("view", LoadStringW(vex3d::kStrCliViewOperands), 0,
                                  vex3d::cli::OptionParser::kMany);
  return vex3d::cli::OptionParser::exitStatus(parser.parse(rest));
}

int runCommand(const std::string& command, const std::vector<std::string>& rest, char** argv);

// `vex3d help COMMAND` is `vex3d COMMAND --help`.
int runHelp(const std::vector<std::string>& rest, char** argv) {
  vex3d::cli::OptionParser parser("help", LoadStringW(vex3d::kStrCliHelpOperands), 0, 1);
  const auto parsed = parser.parse(rest);
  if (parsed != vex3d::cli::OptionParser::Result::ok) {
    return vex3d::cli::OptionParser::exitStatus(parsed);
  }
  if (parser.operands().empty()) {
    vex3d::cli::printMainUsage(stdout);
    return 0;
  }
  const std::string& command = parser.operands()[0];
  if (vex3d::cli::findCommand(command) == nullptr) {
    vex3d::cli::printText(stderr, vex3d::kStrCliUnknownCommand, command.c_str());
    return 2;
  }
  return runCommand(command, {"--help"}, argv);
}

int runCommand(const std::string& command, const std::vector<std::string>& rest, char** argv) {
  // The window lives in a program of its own, so that this one never loads
  // the window toolkit.
  if (command == "view") {
    for (const std::string& word : rest) {
      if (word == "--help" || word == "-h") return viewHelp(rest);
    }
    return runViewer(argv);
  }
  if (command == "help") return runHelp(rest, argv);
  PluginScope plugins;
  if (command == "info") return vex3d::cli::runInfo(rest);
  if (command == "formats") return vex3d::cli::runFormats(rest);
  if (command == "convert") return vex3d::cli::runConvert(rest);
  if (command == "render") return vex3d::cli::runRender(rest);
  if (command == "thumbnail") return vex3d::cli::runThumbnail(rest);
  if (command == "desktop-files") return vex3d::cli::runDesktopFiles(rest);
  vex3d::cli::printText(stderr, vex3d::kStrCliUnknownCommand, command.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  keepFreedMemory();
  // Ctrl+C, a kill or a thumbnailer's time limit leaves no half-written
  // temporary file behind.
  vex3d::removeTemporaryFilesOnSignals();
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    vex3d::cli::printMainUsage(args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  if (args[0] == "--version") {
    vex3d::cli::printText(stdout, vex3d::kStrCliVersion, Vex3DVersion());
    return 0;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  return runCommand(args[0], rest, argv);
}
