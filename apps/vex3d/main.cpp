// The vex3d command: inspects, converts and renders 3D files from a shell.
#include <cstdio>
#include <cstring>

#include "io/module_info.h"

int main(int argc, char** argv) {
  if (argc > 1 && (std::strcmp(argv[1], "--version") == 0)) {
    std::printf("vex3d %s\n", Vex3DVersion());
    return 0;
  }
  std::printf("vex3d %s\n", Vex3DVersion());
  return 0;
}
