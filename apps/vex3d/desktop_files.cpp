// `vex3d desktop-files DIR`: the freedesktop thumbnailer entry, the
// viewer's application entry and the MIME types the 3D formats need, written from what the loaded
// plug-ins declare, so that a new plug-in is thumbnailed without editing anything.
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "cli_text.h"
#include "commands.h"
#include "hostlib/files/file_class.h"
#include "hostlib/text/strings.h"
#include "io/module_info.h"
#include "option_parser.h"

namespace vex3d::cli {

namespace {

constexpr std::uint32_t k3DKind = 0x4000;

// The types of the desktop's shared MIME database (shared-mime-info 2.2,
// Debian 12) that the plug-ins use. They are described there already; here
// they only gain the extensions the system does not give them (.lxo) and,
// where another type shares their extension, the magic that tells a real
// file apart. Every other type is ours and declared in full.
bool isSystemType(const std::string& type) {
  static const std::set<std::string> kKnown = {
      "model/obj",   "model/stl",     "model/gltf+json",       "model/gltf-binary",
      "model/3mf",   "model/vrml",    "image/x-3ds",           "image/x-lwo",
      "image/x-lws", "image/vnd.dxf", "application/x-blender",
  };
  return kKnown.count(type) != 0;
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

// Magic rules for types whose extension another type claims too: a 3D
// Studio mesh begins with its main chunk, 0x4D4D, where a game cartridge
// image named .3ds has no such rule.
const char* magicOf(const std::string& type) {
  if (type == "image/x-3ds") {
    return "    <magic priority=\"60\">\n"
           "      <match type=\"little16\" value=\"0x4d4d\" offset=\"0\"/>\n"
           "    </magic>\n";
  }
  return nullptr;
}

}  // namespace

int runDesktopFiles(const std::vector<std::string>& args) {
  OptionParser parser("desktop-files", LoadStringW(kStrCliDesktopOperands), 1, 1);
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
      if (!declared.insert(type).second) continue;
      mime += "  <mime-type type=\"" + xmlEscape(type) + "\">\n";
      if (!isSystemType(type)) {
        mime += "    <comment>" + xmlEscape(c.description) + "</comment>\n";
      }
      if (const char* magic = magicOf(type)) mime += magic;
      // An XML dialect is XML to everything that does not know it.
      if (type.size() > 4 && type.compare(type.size() - 4, 4, "+xml") == 0) {
        mime += "    <sub-class-of type=\"application/xml\"/>\n";
      }
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

  // "Open with" in file managers: the viewer takes every type it reads.
  std::string viewer =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Vex3D\n"
      "GenericName=3D Viewer\n"
      "GenericName[fr]=Visionneuse 3D\n"
      "Comment=View 3D files\n"
      "Comment[fr]=Afficher des fichiers 3D\n"
      "TryExec=vex3d-viewer\n"
      "Exec=vex3d-viewer %F\n"
      "Icon=vex3d\n"
      "Terminal=false\n"
      "Categories=Graphics;3DGraphics;Viewer;\n"
      "MimeType=";
  for (const std::string& type : types) viewer += type + ";";
  viewer += "\n";

  // Software centres list the viewer, with the types it opens, from this.
  std::string metainfo =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<component type=\"desktop-application\">\n"
      "  <id>vex3d-viewer</id>\n"
      "  <metadata_license>FSFAP</metadata_license>\n"
      "  <name>Vex3D</name>\n"
      "  <summary>View 3D files</summary>\n"
      "  <summary xml:lang=\"fr\">Afficher des fichiers 3D</summary>\n"
      "  <description>\n"
      "    <p>Vex3D opens 3D files of many formats in an OpenGL window, shows their "
      "objects and materials, plays their animation, and saves them in other formats "
      "or as images. It also draws the thumbnails file managers show for these files.</p>\n"
      "    <p xml:lang=\"fr\">Vex3D ouvre des fichiers 3D de nombreux formats dans une "
      "fenêtre OpenGL, montre leurs objets et leurs matières, joue leur animation, et "
      "les enregistre dans d'autres formats ou en images. Il dessine aussi les vignettes "
      "que les gestionnaires de fichiers montrent pour ces fichiers.</p>\n"
      "  </description>\n"
      "  <launchable type=\"desktop-id\">vex3d-viewer.desktop</launchable>\n"
      "  <content_rating type=\"oars-1.1\"/>\n"
      "  <provides>\n"
      "    <binary>vex3d</binary>\n"
      "    <binary>vex3d-viewer</binary>\n";
  for (const std::string& type : types) {
    metainfo += "    <mediatype>" + xmlEscape(type) + "</mediatype>\n";
  }
  metainfo +=
      "  </provides>\n"
      "  <releases>\n"
      "    <release version=\"" +
      std::string(Vex3DVersion()) +
      "\" date=\"2026-12-06\"/>\n"
      "  </releases>\n"
      "</component>\n";

  std::ofstream(dir + "/vex3d-viewer.metainfo.xml") << metainfo;
  std::ofstream(dir + "/vex3d-viewer.desktop") << viewer;
  std::ofstream(dir + "/vex3d.thumbnailer") << thumbnailer;
  std::ofstream out(dir + "/vex3d-mime.xml");
  out << mime;
  if (!out) {
    printText(stderr, kStrCliCannotWriteInto, dir.c_str());
    return 1;
  }
  return 0;
}

}  // namespace vex3d::cli
