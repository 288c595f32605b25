#include "hostlib/files/file_class.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>

#include "hostlib/core/fourcc.h"

namespace vex3d {

ParserFactory::~ParserFactory() = default;

std::string FileClassInfo::GetFilter() const {
  std::string filter = description + " (";
  for (std::size_t i = 0; i < extensions.size(); ++i) {
    if (i > 0) filter += ' ';
    filter += "*." + extensions[i];
  }
  return filter + ")";
}

namespace {

struct Entry {
  FileClassInfo info;
  std::shared_ptr<ParserFactory> factory;
  // What a factory claiming a built-in class replaced, given back when the
  // factory goes.
  std::optional<FileClassInfo> builtIn;
};

FileClassInfo makeClass(std::string_view code, std::uint32_t kind,
                        std::vector<std::string> extensions, std::string description,
                        std::vector<std::string> mimeTypes, bool canWrite) {
  FileClassInfo c;
  c.fileClass = fourcc(code);
  c.kind = kind;
  c.extensions = std::move(extensions);
  c.description = std::move(description);
  c.mimeTypes = std::move(mimeTypes);
  c.canRead = true;
  c.canWrite = canWrite;
  return c;
}

// Writable image classes are those the image writers produce.
std::vector<Entry> builtInClasses() {
  const std::vector<FileClassInfo> classes = {
      makeClass("PNG ", kFileKindRasterImage, {"png"}, "PNG image", {"image/png"}, true),
      makeClass("JPEG", kFileKindRasterImage, {"jpg", "jpeg", "jpe"}, "JPEG image", {"image/jpeg"},
                true),
      makeClass("BMP ", kFileKindRasterImage, {"bmp", "dib"}, "Windows bitmap",
                {"image/bmp", "image/x-bmp"}, true),
      makeClass("TGA ", kFileKindRasterImage, {"tga"}, "Targa image",
                {"image/x-tga", "image/x-targa"}, true),
      makeClass("GIF ", kFileKindRasterImage, {"gif"}, "GIF image", {"image/gif"}, false),
      makeClass("PSD ", kFileKindLayeredImage, {"psd"}, "Photoshop image",
                {"image/vnd.adobe.photoshop"}, false),
      makeClass("HDR ", kFileKindHdrImage, {"hdr"}, "Radiance HDR image", {"image/vnd.radiance"},
                false),
      makeClass("PNM ", kFileKindRasterImage, {"pnm", "ppm", "pgm"}, "Portable any map",
                {"image/x-portable-anymap", "image/x-portable-pixmap", "image/x-portable-graymap"},
                false),
      makeClass("MAYA", kFileKind3D, {"mb", "ma"}, "Maya scene", {}, true),
      makeClass("3MAX", kFileKind3D, {"max"}, "3DS Max scene", {}, true),
  };
  std::vector<Entry> entries;
  for (const auto& c : classes) entries.push_back(Entry{c, nullptr, std::nullopt});
  return entries;
}

class Registry {
 public:
  Registry() : m_entries(builtInClasses()) {}

  std::mutex& Mutex() { return m_mutex; }

  const Entry* Find(std::uint32_t fileClass) const {
    for (const auto& e : m_entries)
      if (e.info.fileClass == fileClass) return &e;
    return nullptr;
  }
  Entry* Find(std::uint32_t fileClass) {
    return const_cast<Entry*>(std::as_const(*this).Find(fileClass));
  }

  // Owner of an extension, skipping `ignore` (a class about to be claimed).
  const Entry* FindExtension(const std::string& ext, std::uint32_t ignore = 0) const {
    for (const auto& e : m_entries) {
      if (e.info.fileClass == ignore) continue;
      if (std::find(e.info.extensions.begin(), e.info.extensions.end(), ext) !=
          e.info.extensions.end())
        return &e;
    }
    return nullptr;
  }

  std::vector<Entry>& Entries() { return m_entries; }

 private:
  std::mutex m_mutex;
  std::vector<Entry> m_entries;
};

// Never destroyed: IOs and plug-ins may still reach it while statics of
// other libraries are being torn down.
Registry& registry() {
  static Registry& r = *new Registry;
  return r;
}

char toLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string lowerAscii(std::string s) {
  for (char& c : s) c = toLowerAscii(c);
  return s;
}

// The text after the last dot of the last path component; a leading dot
// marks a hidden file, not an extension.
std::string extensionOf(const std::string& fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = fileName.find_last_of('.');
  if (dot == std::string::npos || dot <= start) return {};
  return lowerAscii(fileName.substr(dot + 1));
}

bool isPrintableCode(std::uint32_t code) {
  for (int shift = 0; shift < 32; shift += 8) {
    const unsigned c = (code >> shift) & 0xFF;
    if (c < 0x20 || c > 0x7E) return false;
  }
  return code != fourcc("    ");
}

bool isValidExtension(const std::string& ext) {
  if (ext.empty() || ext.size() > 32) return false;
  return std::all_of(ext.begin(), ext.end(), [](char c) {
    return c > 0x20 && c < 0x7F && c != '.' && c != '/' && c != '*' && c != '|';
  });
}

std::optional<std::string> checkClass(const FileClassInfo& c) {
  const std::string name = "class '" + fourccToString(c.fileClass) + "'";
  if (!isPrintableCode(c.fileClass)) return name + ": the code is not four printable characters";
  if (c.kind == 0) return name + ": no kind";
  if (c.extensions.empty()) return name + ": no extension";
  for (const auto& ext : c.extensions)
    if (!isValidExtension(ext)) return name + ": bad extension \"" + ext + "\"";
  if (c.description.empty()) return name + ": no description";
  if (!c.canRead && !c.canWrite) return name + ": neither read nor written";
  return std::nullopt;
}

}  // namespace

bool registerFileClasses(const std::vector<FileClassInfo>& classes,
                         std::shared_ptr<ParserFactory> factory, std::string* error) {
  auto fail = [error](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  std::vector<FileClassInfo> adding = classes;
  for (auto& c : adding) {
    for (auto& ext : c.extensions) ext = lowerAscii(ext);
    c.served = factory != nullptr;
    c.modulePath = factory ? factory->GetModulePath() : std::string();
    if (auto why = checkClass(c)) return fail(*why);
  }

  Registry& reg = registry();
  std::lock_guard lock(reg.Mutex());
  for (std::size_t i = 0; i < adding.size(); ++i) {
    const FileClassInfo& c = adding[i];
    const std::string name = "class '" + fourccToString(c.fileClass) + "'";
    for (std::size_t j = 0; j < i; ++j)
      if (adding[j].fileClass == c.fileClass) return fail(name + " is declared twice");
    bool claiming = false;
    if (const Entry* existing = reg.Find(c.fileClass)) {
      claiming =
          factory && !existing->factory && !existing->info.served && existing->info.kind == c.kind;
      if (!claiming) return fail(name + " is already registered");
    }
    for (const auto& ext : c.extensions) {
      if (const Entry* owner = reg.FindExtension(ext, claiming ? c.fileClass : 0))
        return fail(name + ": extension \"" + ext + "\" already belongs to class '" +
                    fourccToString(owner->info.fileClass) + "'");
      for (std::size_t j = 0; j < i; ++j) {
        const auto& other = adding[j].extensions;
        if (std::find(other.begin(), other.end(), ext) != other.end())
          return fail(name + ": extension \"" + ext + "\" is declared twice");
      }
    }
  }

  for (const auto& c : adding) {
    if (Entry* existing = reg.Find(c.fileClass)) {
      existing->builtIn = existing->info;
      existing->info = c;
      existing->factory = factory;
    } else {
      reg.Entries().push_back(Entry{c, factory, std::nullopt});
    }
  }
  return true;
}

int unregisterFileClasses(const ParserFactory* factory) {
  if (!factory) return 0;
  Registry& reg = registry();
  std::vector<std::shared_ptr<ParserFactory>> released;
  int count = 0;
  {
    std::lock_guard lock(reg.Mutex());
    auto& entries = reg.Entries();
    for (auto it = entries.begin(); it != entries.end();) {
      if (it->factory.get() != factory) {
        ++it;
        continue;
      }
      ++count;
      // The last reference may unload a module: drop it outside the lock.
      released.push_back(std::move(it->factory));
      if (it->builtIn) {
        it->info = *it->builtIn;
        it->builtIn.reset();
        ++it;
      } else {
        it = entries.erase(it);
      }
    }
  }
  return count;
}

std::shared_ptr<ParserFactory> findParserFactory(std::uint32_t fileClass) {
  Registry& reg = registry();
  std::lock_guard lock(reg.Mutex());
  const Entry* e = reg.Find(fileClass);
  return e ? e->factory : nullptr;
}

}  // namespace vex3d

using vex3d::registry;

std::uint32_t fileGetClassOf(const std::string& fileName) {
  const std::string ext = vex3d::extensionOf(fileName);
  if (ext.empty()) return 0;
  auto& reg = registry();
  std::lock_guard lock(reg.Mutex());
  const auto* e = reg.FindExtension(ext);
  return e ? e->info.fileClass : 0;
}

std::uint32_t fileGetKindOf(const std::string& fileName) {
  const std::string ext = vex3d::extensionOf(fileName);
  if (ext.empty()) return 0;
  auto& reg = registry();
  std::lock_guard lock(reg.Mutex());
  const auto* e = reg.FindExtension(ext);
  return e ? e->info.kind : 0;
}

std::uint32_t fileGetKindOf(std::uint32_t fileClass) {
  auto& reg = registry();
  std::lock_guard lock(reg.Mutex());
  const auto* e = reg.Find(fileClass);
  return e ? e->info.kind : 0;
}

bool fileGetExtensionInfo(std::uint32_t fileClass, vex3d::FileClassInfo* info) {
  auto& reg = registry();
  std::lock_guard lock(reg.Mutex());
  const auto* e = reg.Find(fileClass);
  if (!e) return false;
  if (info) *info = e->info;
  return true;
}

std::string fileGetMainExtension(std::uint32_t fileClass) {
  auto& reg = registry();
  std::lock_guard lock(reg.Mutex());
  const auto* e = reg.Find(fileClass);
  return e ? e->info.extensions.front() : std::string();
}

std::vector<vex3d::FileClassInfo> fileGetClasses(std::uint32_t kindMask) {
  auto& reg = registry();
  std::lock_guard lock(reg.Mutex());
  std::vector<vex3d::FileClassInfo> out;
  for (const auto& e : reg.Entries())
    if (e.info.kind & kindMask) out.push_back(e.info);
  return out;
}
