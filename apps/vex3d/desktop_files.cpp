// `vex3d desktop-files DIR`: the freedesktop thumbnailer entry and the
// MIME types the 3D formats need, written from what the loaded plug-ins
// declare, so that a new plug-in is thumbnailed without editing anything.
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "commands.h"
#include "hostlib/files/file_class.h"
#include "option_parser.h"

namespace vex3d::cli {

namespace {

constexpr std::uint32_t k3DKind = 0x4000;

// Types a desktop already knows need no declaration of ours.
bool isPrivateType(const std::string& type) {
  return type.find("/x-") != std::string::npos || type.rfind("application/vnd.", 0) == 0;
}

std::string xmlEscape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace

int runDesktopFiles(const std::vector<std::string>& args) {
  OptionParser parser("desktop-files", "DIR", 1, 1);
  const OptionParser::Result parsed = parser.parse(args);
  if (parsed != OptionParser::Result::ok) return OptionParser::exitStatus(parsed);
  const std::string dir = parser.operands()[0];
  std::set<std::string> types;
  std::string mime =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
  std::set<std::string> declared;
  for (const FileClassInfo& c : fileGetClasses(k3DKind)) {
    if (!c.served || !c.canRead) continue;
    for (const std::string& type : c.mimeTypes) {
      types.insert(type);
      if (!isPrivateType(type) || !declared.insert(type).second) continue;
      mime += "  <mime-type type=\"" + xmlEscape(type) + "\">\n";
      mime += "    <comment>" + xmlEscape(c.description) + "</comment>\n";
      for (const std::string& ext : c.extensions) {
        mime += "    <glob pattern=\"*." + xmlEscape(ext) + "\"/>\n";
      }
      mime += "  </mime-type>\n";
    }
  }
  mime += "</mime-info>\n";

  std::string thumbnailer =
      "[Thumbnailer Entry]\n"
      "TryExec=vex3d\n"
      "Exec=vex3d thumbnail --time-limit 20 %i %o %s\n"
      "MimeType=";
  for (const std::string& type : types) thumbnailer += type + ";";
  thumbnailer += "\n";

  std::ofstream(dir + "/vex3d.thumbnailer") << thumbnailer;
  std::ofstream out(dir + "/vex3d-mime.xml");
  out << mime;
  if (!out) {
    std::fprintf(stderr, "vex3d: cannot write into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}

}  // namespace vex3d::cli
