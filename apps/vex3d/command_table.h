#pragma once
// The subcommands of vex3d as data: their operands, a one-line summary and
// an example, all by string id. The main usage, each command's help and any
// generated manual page or shell completion read them from here.
#include <cstdio>
#include <string>
#include <vector>

namespace vex3d::cli {

struct CommandInfo {
  const char* name;
  unsigned operands;  // string ids
  unsigned summary;
  unsigned example;
};

const std::vector<CommandInfo>& commandTable();
// Null for a name that is no command.
const CommandInfo* findCommand(const std::string& name);
// "usage: vex3d COMMAND [ARGS]" and one line per command.
void printMainUsage(std::FILE* out);

}  // namespace vex3d::cli
