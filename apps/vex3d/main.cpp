// The vex3d command: inspects, converts and renders 3D files from a shell.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.h"
#include "io/module_info.h"

namespace {

void printUsage(std::FILE* out) {
  std::fprintf(out,
               "usage: vex3d COMMAND [ARGS]\n"
               "\n"
               "commands:\n"
               "  info [FILE...]   version, interface language, plug-ins and file classes;\n"
               "                   with files, what each file is\n"
               "  --version        the version\n"
               "  --help           this text\n");
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    printUsage(args.empty() ? stderr : stdout);
    return args.empty() ? 2 : 0;
  }
  if (args[0] == "--version") {
    std::printf("vex3d %s\n", Vex3DVersion());
    return 0;
  }
  if (args[0] == "info") return vex3d::cli::runInfo({args.begin() + 1, args.end()});
  std::fprintf(stderr, "vex3d: unknown command '%s'\n\n", args[0].c_str());
  printUsage(stderr);
  return 2;
}
