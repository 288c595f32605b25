#include "command_table.h"

#include <algorithm>

#include "cli_text.h"
#include "hostlib/text/strings.h"

namespace vex3d::cli {

const std::vector<CommandInfo>& commandTable() {
  static const std::vector<CommandInfo> kCommands = {
      {"info", kStrCliInfoOperands, kStrCliInfoSummary, kStrCliInfoExample},
      {"formats", 0, kStrCliFormatsSummary, kStrCliFormatsExample},
      {"convert", kStrCliConvertOperands, kStrCliConvertSummary, kStrCliConvertExample},
      {"render", kStrCliRenderOperands, kStrCliRenderSummary, kStrCliRenderExample},
      {"thumbnail", kStrCliThumbnailOperands, kStrCliThumbnailSummary, kStrCliThumbnailExample},
      {"view", kStrCliViewOperands, kStrCliViewSummary, kStrCliViewExample},
      {"desktop-files", kStrCliDesktopOperands, kStrCliDesktopSummary, kStrCliDesktopExample},
      {"help", kStrCliHelpOperands, kStrCliHelpSummary, kStrCliHelpExample},
  };
  return kCommands;
}

const CommandInfo* findCommand(const std::string& name) {
  for (const CommandInfo& c : commandTable()) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

void printMainUsage(std::FILE* out) {
  printText(out, kStrCliUsageLine, LoadStringW(kStrCliCommandArgs).c_str());
  std::fprintf(out, "\n%s\n", LoadStringW(kStrCliCommandsTitle).c_str());
  std::vector<std::string> left;
  std::size_t width = 0;
  for (const CommandInfo& c : commandTable()) {
    std::string syntax = c.name;
    if (c.operands != 0) syntax += " " + LoadStringW(c.operands);
    width = std::max(width, syntax.size());
    left.push_back(std::move(syntax));
  }
  for (std::size_t i = 0; i < left.size(); ++i) {
    std::fprintf(out, "  %-*s  %s\n", static_cast<int>(width), left[i].c_str(),
                 LoadStringW(commandTable()[i].summary).c_str());
  }
  std::fprintf(out, "\n%s\n", LoadStringW(kStrCliUsageFooter).c_str());
}

}  // namespace vex3d::cli
