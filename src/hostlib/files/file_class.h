#pragma once
// File classes: which formats the application knows, what kind of data each
// holds, its extensions and who reads and writes it.
//
// Kind bits (one per class):
//   0x1000  raster images (PNG, JPEG, BMP, TGA, GIF, PNM)
//   0x2000  layered images (PSD)
//   0x4000  3D files, served by format plug-ins
//   0x10000 high dynamic range images (HDR)
// 0x13000 is therefore "any image".
//
// The image classes, and the 3D classes 'MAYA' and '3MAX' (known to the
// application but served by no plug-in until one claims them), are built in;
// every other 3D class exists while the plug-in serving it is loaded.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostlib/hostlib_export.h"
#include "hostlib/io/file_parser.h"

class CFileIo;

namespace vex3d {

constexpr std::uint32_t kFileKindRasterImage = 0x1000;
constexpr std::uint32_t kFileKindLayeredImage = 0x2000;
constexpr std::uint32_t kFileKind3D = 0x4000;
constexpr std::uint32_t kFileKindHdrImage = 0x10000;
constexpr std::uint32_t kFileKindImages = 0x13000;

// Makes parsers for the classes it serves. Whoever holds a reference to the
// factory keeps the code of its parsers loaded, so an IO keeps one for as
// long as its parser lives.
class VEXHOST_EXPORT ParserFactory {
 public:
  virtual ~ParserFactory();
  // A new parser for `fileClass` working on `io`, owned by the caller; null
  // when the factory cannot make one.
  virtual std::unique_ptr<CFileParser> CreateParser(std::uint32_t fileClass, CFileIo& io) = 0;
  // The module the parsers come from, for messages; empty when built in.
  virtual std::string GetModulePath() const { return {}; }
};

struct VEXHOST_EXPORT FileClassInfo {
  std::uint32_t fileClass = 0;          // four characters, e.g. 'OBJ '
  std::uint32_t kind = 0;               // one of the kind bits above
  std::vector<std::string> extensions;  // lower case, no dot; the first is the main one
  std::string description;              // "Wavefront OBJ"
  std::vector<std::string> mimeTypes;
  bool canRead = false;
  bool canWrite = false;
  // The module of the plug-in serving the class; empty for built-in classes.
  std::string modulePath;
  // Whether a parser factory serves the class (built-in image classes are
  // read by the image IO, not through a factory).
  bool served = false;

  // A file-dialog filter: "Wavefront OBJ (*.obj *.objz)".
  std::string GetFilter() const;
};

// Adds classes served by `factory` (null for classes without one). All or
// nothing: on any conflict (a class code or an extension already in use)
// nothing is registered, false is returned and `error` says why. A class
// already known without a factory, of the same kind, may be claimed by a
// factory; it is restored when the factory is unregistered.
VEXHOST_EXPORT bool registerFileClasses(const std::vector<FileClassInfo>& classes,
                                        std::shared_ptr<ParserFactory> factory,
                                        std::string* error = nullptr);
// Removes (or gives back to their built-in description) every class served
// by `factory`; answers how many.
VEXHOST_EXPORT int unregisterFileClasses(const ParserFactory* factory);
// The factory serving a class, null when none. Holding the result keeps
// the parsers' code loaded.
VEXHOST_EXPORT std::shared_ptr<ParserFactory> findParserFactory(std::uint32_t fileClass);

}  // namespace vex3d

// Kind bits of a file, found by its extension (case-insensitive); 0 when the
// extension is unknown or the name has none.
VEXHOST_EXPORT std::uint32_t fileGetKindOf(const std::string& fileName);
// Kind bits of a class; 0 when unknown.
VEXHOST_EXPORT std::uint32_t fileGetKindOf(std::uint32_t fileClass);
// The class of a file by its extension; 0 when unknown.
VEXHOST_EXPORT std::uint32_t fileGetClassOf(const std::string& fileName);
// Whether the class is known; fills `info` (when given) with its record,
// whose description, extensions and abilities are what an options or format
// dialog shows.
VEXHOST_EXPORT bool fileGetExtensionInfo(std::uint32_t fileClass,
                                         vex3d::FileClassInfo* info = nullptr);
// The main extension, lower case without the dot ("obj"); empty when unknown.
VEXHOST_EXPORT std::string fileGetMainExtension(std::uint32_t fileClass);
// Registered classes whose kind has a bit of `kindMask`, in registration
// order (built-in ones first, then plug-ins in load order).
VEXHOST_EXPORT std::vector<vex3d::FileClassInfo> fileGetClasses(
    std::uint32_t kindMask = 0xFFFFFFFFu);
