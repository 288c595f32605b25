// `vex3d info` without files and `vex3d formats`: what this installation
// reads and writes.
#include <cstdio>
#include <string>
#include <vector>

#include "cli_files.h"
#include "cli_text.h"
#include "commands.h"
#include "hostlib/core/fourcc.h"
#include "hostlib/files/file_class.h"
#include "hostlib/io/plugin_loader.h"
#include "hostlib/text/strings.h"
#include "io/exchange.h"
#include "io/module_info.h"
#include "json_text.h"
#include "option_parser.h"
#include "scene/scene_io_options.h"

namespace vex3d::cli {

namespace {

std::string kindName(std::uint32_t kind) {
  if (kind & kFileKind3D) return listItem(kStrCliKinds, 0);
  if (kind & kFileKindImages) return listItem(kStrCliKinds, 1);
  return listItem(kStrCliKinds, 2);
}

// The authoring applications' classes are read and written by the
// applications themselves, when their exchange runs.
bool throughExchange(const FileClassInfo& c) { return (c.kind & kFileKind3D) && !c.served; }

std::string abilities(const FileClassInfo& c) {
  if (throughExchange(c)) {
    const std::string needs = exchange::exchangeRequirement(c.fileClass);
    return needs.empty() ? listItem(kStrCliAbilities, 3) : text(kStrCliWriteThrough, needs.c_str());
  }
  if (c.canRead && c.canWrite) return listItem(kStrCliAbilities, 2);
  if (c.canRead) return listItem(kStrCliAbilities, 0);
  return c.canWrite ? listItem(kStrCliAbilities, 1) : listItem(kStrCliAbilities, 3);
}

void printFormatsJson() {
  std::printf("[");
  bool first = true;
  for (const FileClassInfo& c : fileGetClasses(kFileKind3D)) {
    const bool exchanged = throughExchange(c);
    const bool canRead =
        exchanged ? !exchange::exchangeRequirement(c.fileClass).empty() : c.canRead;
    const bool canWrite = exchanged ? canRead : c.canWrite;
    std::printf(
        "%s\n  {\"class\": %s, \"description\": %s, \"extensions\": %s, "
        "\"mime_types\": %s, \"read\": %s, \"write\": %s",
        first ? "" : ",", jsonString(fourccToString(c.fileClass)).c_str(),
        jsonString(c.description).c_str(), jsonStringList(c.extensions).c_str(),
        jsonStringList(c.mimeTypes).c_str(), canRead ? "true" : "false",
        canWrite ? "true" : "false");
    if (exchanged) {
      std::printf(", \"through\": %s",
                  jsonString(exchange::exchangeRequirement(c.fileClass)).c_str());
    }
    std::printf("}");
    first = false;
  }
  std::printf("%s]\n", first ? "" : "\n");
}

}  // namespace

int runFormats(bool json) {
  if (json) {
    printFormatsJson();
    return 0;
  }
  for (const auto& c : fileGetClasses(kFileKind3D)) {
    std::printf("'%s'  %-40s %s\n", fourccToString(c.fileClass).c_str(), c.GetFilter().c_str(),
                abilities(c).c_str());
  }
  return 0;
}

int runFormats(const std::vector<std::string>& args) {
  bool json = false;
  OptionParser parser("formats", "", 0, 0);
  parser.flag("json", 0, LoadStringW(kStrCliJsonFormatsHelp), json);
  const OptionParser::Result parsed = parser.parse(args);
  if (parsed != OptionParser::Result::ok) return OptionParser::exitStatus(parsed);
  return runFormats(json);
}

int runInfo(const std::vector<std::string>& args) {
  SceneInfoOptions options;
  OptionParser parser("info", LoadStringW(kStrCliInfoOperands), 0, OptionParser::kMany);
  parser.flag("json", 0, LoadStringW(kStrCliJsonInfoHelp), options.json)
      .value("up", 0, LoadStringW(kStrCliValueAxis), LoadStringW(kStrCliUpHelp),
             [&options](const std::string& v) { return upAxisValue(v, options.upAxis); })
      .value("format", 'f', LoadStringW(kStrCliValueFormat), LoadStringW(kStrCliFormatHelp),
             [&options](const std::string& v) {
               options.format = v;
               return std::string();
             })
      .flag("verbose", 'v', LoadStringW(kStrCliVerboseHelp), options.verbose);
  const OptionParser::Result parsed = parser.parse(args);
  if (parsed != OptionParser::Result::ok) return OptionParser::exitStatus(parsed);
  if (!parser.operands().empty()) return runSceneInfo(parser.operands(), options);
  printText(stdout, kStrCliVersion, Vex3DVersion());
  printText(stdout, kStrCliInterfaceLanguage, languageName());

  printText(stdout, kStrCliPluginFolders);
  for (const auto& folder : getPluginFolders()) std::printf("  %s\n", folder.c_str());
  const auto plugins = getLoadedPlugins();
  printText(stdout, kStrCliPluginsLoaded, static_cast<int>(plugins.size()));
  for (const auto& p : plugins) {
    printText(stdout, kStrCliPluginLine, p.name.c_str(), p.version.c_str(), p.path.c_str());
  }
  for (const auto& e : getPluginLoadErrors()) {
    printText(stdout, kStrCliPluginRefused, e.path.c_str(), e.message.c_str());
  }

  printText(stdout, kStrCliFileClasses);
  for (const auto& c : fileGetClasses()) {
    std::printf("  '%s'  %-8s %-40s %s\n", fourccToString(c.fileClass).c_str(),
                kindName(c.kind).c_str(), c.GetFilter().c_str(), abilities(c).c_str());
  }
  return 0;
}

}  // namespace vex3d::cli
