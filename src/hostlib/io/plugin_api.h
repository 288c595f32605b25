#pragma once
// What a format plug-in module exports. The loader opens every "*.so" of the
// plug-in folders and calls one C entry point, vex3d_plugin_entry, which
// answers a constant descriptor: the file classes the module serves and a
// function making a parser for one of them. The records are plain C
// structures so that the loader can check a module before trusting it;
// the parsers are C++ objects deriving from the host's parser classes.
//
// A plug-in must do no work in global constructors: the descriptor and its
// class records are constant data (VEX3D_DECLARE_PLUGIN makes them so), and
// anything heavier waits until a parser is created.
//
// The ABI version covers these records and the layout of the host classes
// a parser derives from; a module built for another version is refused.
//
//   class CObjParser : public C3DParser { ... };
//   static const VexPluginFileClass kClasses[] = {
//       {VEX3D_FOURCC('O', 'B', 'J', ' '), 0x4000, "obj", "Wavefront OBJ",
//        "model/obj", VEX_PLUGIN_CAN_READ | VEX_PLUGIN_CAN_WRITE},
//   };
//   VEX3D_DECLARE_PLUGIN("OBJ", "1.0", kClasses, vex3d::makePluginParser<CObjParser>)
#include <cstdint>

class CFileIo;
class CFileParser;

#define VEX3D_PLUGIN_ABI_VERSION 1u
#define VEX3D_PLUGIN_ENTRY_SYMBOL "vex3d_plugin_entry"

// A four-character code from its characters, most significant first.
#define VEX3D_FOURCC(a, b, c, d)                                       \
  ((static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) | \
   (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) | \
   (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |  \
   static_cast<std::uint32_t>(static_cast<unsigned char>(d)))

// Abilities of a class record.
enum : std::uint32_t {
  VEX_PLUGIN_CAN_READ = 0x1,
  VEX_PLUGIN_CAN_WRITE = 0x2,
};

extern "C" {

struct VexPluginFileClass {
  std::uint32_t fileClass;  // four printable characters, e.g. 'OBJ '
  std::uint32_t kind;       // a kind bit of the plug-in's kind (0x4000 for 3D files)
  const char* extensions;   // '|'-separated, no dots, any case; main first: "ply|plyz"
  const char* description;  // shown in file and options dialogs
  const char* mimeTypes;    // '|'-separated; may be null
  std::uint32_t abilities;  // VEX_PLUGIN_CAN_READ and/or VEX_PLUGIN_CAN_WRITE
};

// Makes a parser for one of the module's classes, working on `io`. The IO
// owns the result and deletes it through its virtual destructor, always
// before the module is unloaded. Null when no parser can be made.
typedef CFileParser* (*VexCreateParserFn)(std::uint32_t fileClass, CFileIo* io);

struct VexPluginDescriptor {
  std::uint32_t abiVersion;      // VEX3D_PLUGIN_ABI_VERSION; always the first field
  std::uint32_t descriptorSize;  // sizeof(VexPluginDescriptor)
  std::uint32_t kind;            // the plug-in class: 0x4000 for 3D formats
  const char* name;              // short name for lists and messages
  const char* version;           // free text; may be null
  std::uint32_t classCount;
  const VexPluginFileClass* classes;
  VexCreateParserFn createParser;
};

typedef const VexPluginDescriptor* (*VexPluginEntryFn)(void);

}  // extern "C"

namespace vex3d {

// The usual parser factory: a Parser constructed on the IO, whatever the class.
template <class Parser>
CFileParser* makePluginParser(std::uint32_t /*fileClass*/, CFileIo* io) {
  return new Parser(*io);
}

}  // namespace vex3d

// Defines the entry point of a 3D format plug-in from a static array of
// VexPluginFileClass records and a VexCreateParserFn.
#define VEX3D_DECLARE_PLUGIN(NAME, VERSION, CLASSES, CREATE)                                       \
  extern "C" __attribute__((visibility("default"))) const VexPluginDescriptor* vex3d_plugin_entry( \
      void) {                                                                                      \
    static const VexPluginDescriptor descriptor = {                                                \
        VEX3D_PLUGIN_ABI_VERSION,                                                                  \
        sizeof(VexPluginDescriptor),                                                               \
        0x4000u,                                                                                   \
        NAME,                                                                                      \
        VERSION,                                                                                   \
        static_cast<std::uint32_t>(sizeof(CLASSES) / sizeof((CLASSES)[0])),                        \
        CLASSES,                                                                                   \
        CREATE};                                                                                   \
    return &descriptor;                                                                            \
  }
