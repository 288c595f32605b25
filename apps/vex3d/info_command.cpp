#include <cstdio>
#include <string>
#include <vector>

#include "cli_files.h"
#include "commands.h"
#include "hostlib/core/fourcc.h"
#include "hostlib/files/file_class.h"
#include "hostlib/io/plugin_loader.h"
#include "hostlib/text/strings.h"
#include "io/exchange.h"
#include "io/module_info.h"
#include "option_parser.h"
#include "scene/scene_io_options.h"

namespace vex3d::cli {

namespace {

constexpr std::uint32_t k3DKind = 0x4000;

std::string kindName(std::uint32_t kind) {
  if (kind & k3DKind) return "3D scene";
  if (kind & 0x13000) return "image";
  return "unknown";
}

std::string abilities(const FileClassInfo& c) {
  if (c.kind & k3DKind) {
    if (!c.served) {
      // The authoring applications' classes are read and written by the
      // applications themselves, when their exchange runs.
      const std::string needs = exchange::exchangeRequirement(c.fileClass);
      return needs.empty() ? "no reader" : "read, write through " + needs;
    }
    return std::string(c.canRead ? "read" : "") + (c.canRead && c.canWrite ? ", " : "") +
           (c.canWrite ? "write" : "");
  }
  return std::string(c.canRead ? "read" : "") + (c.canRead && c.canWrite ? ", " : "") +
         (c.canWrite ? "write" : "");
}

}  // namespace

int runFormats() {
  for (const auto& c : fileGetClasses(k3DKind)) {
    std::printf("'%s'  %-40s %s\n", fourccToString(c.fileClass).c_str(), c.GetFilter().c_str(),
                abilities(c).c_str());
  }
  return 0;
}

int runFormats(const std::vector<std::string>& args) {
  OptionParser parser("formats", "", 0, 0);
  const OptionParser::Result parsed = parser.parse(args);
  if (parsed != OptionParser::Result::ok) return OptionParser::exitStatus(parsed);
  return runFormats();
}

int runInfo(const std::vector<std::string>& args) {
  bool json = false;
  std::uint32_t up = UP_AXIS_UNKNOWN;
  OptionParser parser("info", "[FILE...]", 0, OptionParser::kMany);
  parser.flag("json", 0, "describe the files as JSON", json)
      .value("up", 0, "AXIS", kUpAxisHelp,
             [&up](const std::string& v) { return parseUpAxis(v, up) ? "" : "wants x, y or z"; });
  const OptionParser::Result parsed = parser.parse(args);
  if (parsed != OptionParser::Result::ok) return OptionParser::exitStatus(parsed);
  if (!parser.operands().empty()) return runSceneInfo(parser.operands(), json, up);
  std::printf("vex3d %s\n", Vex3DVersion());
  std::printf("interface language: %s\n", languageName());

  std::printf("plug-in folders:\n");
  for (const auto& folder : getPluginFolders()) std::printf("  %s\n", folder.c_str());
  const auto plugins = getLoadedPlugins();
  std::printf("plug-ins loaded: %zu\n", plugins.size());
  for (const auto& p : plugins)
    std::printf("  %s %s (%s)\n", p.name.c_str(), p.version.c_str(), p.path.c_str());
  for (const auto& e : getPluginLoadErrors())
    std::printf("  refused %s: %s\n", e.path.c_str(), e.message.c_str());

  std::printf("file classes:\n");
  for (const auto& c : fileGetClasses()) {
    std::printf("  '%s'  %-8s %-40s %s\n", fourccToString(c.fileClass).c_str(),
                kindName(c.kind).c_str(), c.GetFilter().c_str(), abilities(c).c_str());
  }
  return 0;
}

}  // namespace vex3d::cli
