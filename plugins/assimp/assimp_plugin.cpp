// Exchange formats read and written through the Open Asset Import Library:
// one parser serves every class, the class choosing the library's export
// format and the conversions that format needs. The library itself is only
// loaded once a file is read or written (see assimp_io_module.h).
#include <string>

#include "assimp_io_module.h"
#include "glb_check.h"
#include "hostlib/io/file_io_frame.h"
#include "hostlib/io/plugin_api.h"
#include "io/parser.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"

namespace {

constexpr std::uint32_t kReadWrite = VEX_PLUGIN_CAN_READ | VEX_PLUGIN_CAN_WRITE;

// Each class names the MIME type the desktop's shared database gives its
// extension where it has one (3ds, lwo, dxf...), so that the file manager
// asks for thumbnails under the type it really sees; the others are ours.
// Classes without a type get no thumbnails: their extensions belong to
// other kinds of files as well (.cob, .smd), or they hold motion only
// (.bvh, .csm).
const VexPluginFileClass kClasses[] = {
    {VEX3D_FOURCC('F', 'B', 'X', ' '), 0x4000, "fbx", "Autodesk FBX",
     "application/vnd.autodesk.fbx", kReadWrite},
    {VEX3D_FOURCC('G', 'L', 'T', 'F'), 0x4000, "gltf", "glTF scene", "model/gltf+json", kReadWrite},
    {VEX3D_FOURCC('G', 'L', 'B', ' '), 0x4000, "glb", "glTF binary scene", "model/gltf-binary",
     kReadWrite},
    {VEX3D_FOURCC('D', 'A', 'E', ' '), 0x4000, "dae", "COLLADA scene", "model/vnd.collada+xml",
     kReadWrite},
    {VEX3D_FOURCC('3', 'D', 'S', ' '), 0x4000, "3ds", "3D Studio mesh", "image/x-3ds", kReadWrite},
    {VEX3D_FOURCC('X', '3', 'D', ' '), 0x4000, "x3d|x3db", "X3D scene",
     "model/x3d+xml", kReadWrite},
    {VEX3D_FOURCC('3', 'M', 'F', ' '), 0x4000, "3mf", "3D Manufacturing Format", "model/3mf",
     kReadWrite},
    {VEX3D_FOURCC('L', 'W', 'O', ' '), 0x4000, "lwo|lxo", "LightWave object", "image/x-lwo",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('L', 'W', 'S', ' '), 0x4000, "lws", "LightWave scene", "image/x-lws",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('B', 'L', 'N', 'D'), 0x4000, "blend", "Blender scene", "application/x-blender",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('O', 'F', 'F', ' '), 0x4000, "off", "Object File Format", "model/x-off",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('M', 'D', '2', ' '), 0x4000, "md2", "Quake II model", "model/x-md2",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('M', 'D', '3', ' '), 0x4000, "md3", "Quake III model", "model/x-md3",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('M', 'D', '5', ' '), 0x4000, "md5mesh", "Doom 3 model", "model/x-md5mesh",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('M', 'D', 'L', ' '), 0x4000, "mdl", "Quake model", "model/x-mdl",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('A', 'C', '3', 'D'), 0x4000, "ac|ac3d|acc", "AC3D model", "model/x-ac3d",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('A', 'S', 'E', ' '), 0x4000, "ase|ask", "3D Studio ASCII scene", "model/x-ase",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('M', 'S', '3', 'D'), 0x4000, "ms3d", "MilkShape 3D model", "model/x-ms3d",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('C', 'O', 'B', ' '), 0x4000, "cob", "TrueSpace object", nullptr,
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('I', 'R', 'R', ' '), 0x4000, "irr|irrmesh", "Irrlicht scene", "model/x-irrlicht",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('Q', '3', 'O', ' '), 0x4000, "q3o|q3s", "Quick3D model", "model/x-quick3d",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('S', 'M', 'D', ' '), 0x4000, "smd|vta", "Valve model", nullptr,
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('B', '3', 'D', ' '), 0x4000, "b3d", "Blitz3D model", "model/x-blitz3d",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('D', 'X', 'F', ' '), 0x4000, "dxf", "AutoCAD drawing exchange", "image/vnd.dxf",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('N', 'F', 'F', ' '), 0x4000, "nff|enff", "Neutral File Format", "model/x-nff",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('H', 'M', 'P', ' '), 0x4000, "hmp", "3D GameStudio terrain", "model/x-hmp",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('T', 'E', 'R', ' '), 0x4000, "ter", "Terragen terrain", "model/x-terragen",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('O', 'G', 'E', 'X'), 0x4000, "ogex", "Open Game Engine Exchange", "model/x-ogex",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('I', 'F', 'C', ' '), 0x4000, "ifc|ifczip", "Industry Foundation Classes",
     "model/x-ifc", VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('X', 'G', 'L', ' '), 0x4000, "xgl|zgl", "XGL model", "model/x-xgl",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('B', 'V', 'H', ' '), 0x4000, "bvh", "Biovision motion", nullptr,
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('C', 'S', 'M', ' '), 0x4000, "csm", "CharacterStudio motion", nullptr,
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('A', 'M', 'F', ' '), 0x4000, "amf", "Additive Manufacturing File", "model/x-amf",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('I', 'Q', 'M', ' '), 0x4000, "iqm", "Inter-Quake model", "model/x-iqm",
     VEX_PLUGIN_CAN_READ},
    {VEX3D_FOURCC('S', 'I', 'B', ' '), 0x4000, "sib", "Silo model", "model/x-sib",
     VEX_PLUGIN_CAN_READ},
};

// Patches and curves have no counterpart in these formats: patches go as
// their polygonal copy, curves are left out.
constexpr std::uint32_t kAlwaysForced = EXPORT_PATCHES_TO_MESHES | EXPORT_REMOVE_CURVES;

struct WriteFormat {
  std::uint32_t fileClass;
  const char* exportId;
  std::uint32_t forcedFlags;
  std::uint32_t maxCount;  // points and faces per object
  std::uint32_t objectNameRule;
  std::uint32_t materialNameRule;
  // The up axis the written data stands along: the one the library's
  // writer declares (FBX, COLLADA), else the format's convention.
  std::uint32_t upAxis;
};

constexpr WriteFormat kWriteFormats[] = {
    // The library reads its own binary FBX back wrongly; its text form is
    // sound. It declares y up.
    {VEX3D_FOURCC('F', 'B', 'X', ' '), "fbxa", 0, 0xFFFFFFFF, 0, 0, UP_AXIS_Y},
    {VEX3D_FOURCC('G', 'L', 'T', 'F'), "gltf2", EXPORT_TRIANGULATE, 0xFFFFFFFF, 0, 0, UP_AXIS_Y},
    {VEX3D_FOURCC('G', 'L', 'B', ' '), "glb2", EXPORT_TRIANGULATE, 0xFFFFFFFF, 0, 0, UP_AXIS_Y},
    // The library's writer declares Y_UP.
    {VEX3D_FOURCC('D', 'A', 'E', ' '), "collada", 0, 0xFFFFFFFF, 0, 0, UP_AXIS_Y},
    // 16-bit counts, DOS-length object names, material names of 16 bytes
    // with the terminator. The library's writer stores no node transforms
    // and claims each mesh was moved by its node's, which its reader then
    // undoes: only baked geometry comes back where it was.
    {VEX3D_FOURCC('3', 'D', 'S', ' '), "3ds",
     EXPORT_TRIANGULATE | EXPORT_NAME_RULES | EXPORT_WORLD_COORDINATES, 65535,
     NAME_RULE_NO_SPACES | NAME_RULE_DEFAULT_NAME | 10, NAME_RULE_DEFAULT_NAME | 15, UP_AXIS_Z},
    {VEX3D_FOURCC('X', '3', 'D', ' '), "x3d", EXPORT_TRIANGULATE, 0xFFFFFFFF, 0, 0, UP_AXIS_Y},
    // The library's writer only writes the meshes of the root's children:
    // everything goes there, in place. 3D printing builds along z.
    {VEX3D_FOURCC('3', 'M', 'F', ' '), "3mf",
     EXPORT_TRIANGULATE | EXPORT_WORLD_COORDINATES | EXPORT_REMOVE_GROUPS, 0xFFFFFFFF, 0, 0,
     UP_AXIS_Z},
};

const WriteFormat* writeFormatOf(std::uint32_t fileClass) {
  for (const WriteFormat& format : kWriteFormats) {
    if (format.fileClass == fileClass) return &format;
  }
  return nullptr;
}

class CAssimpParser : public C3DParser {
 public:
  CAssimpParser(CFileIo& io, std::uint32_t fileClass) : C3DParser(io), m_fileClass(fileClass) {}

  IoShowDialog MustShowDialog() override { return IO_DIALOG_NO; }

  C3DScene* Read(const std::string& fileName, CSceneImportOptions& options) override {
    // Checked before the library sees the file: it would clear gigabytes
    // for a length past the end.
    const std::string damaged = vex3d::assimp::glbLengthError(fileName);
    if (!damaged.empty()) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, damaged);
      return nullptr;
    }
    const auto& module = vex3d::assimp::IoModule::instance();
    if (module.read() == nullptr) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, module.loadError());
      return nullptr;
    }
    vex3d::assimp::IoFailure failure;
    C3DScene* scene = module.read()(fileName.c_str(), m_fileClass, &options, &failure);
    if (scene == nullptr) SetIoError(failure.code, CIoOptions::logError, failure.text);
    return scene;
  }

  void SaveDefaultOptions(CSceneExportOptions& options) override {
    const WriteFormat* format = writeFormatOf(m_fileClass);
    options.m_forcedFlags = kAlwaysForced | (format != nullptr ? format->forcedFlags : 0);
    options.m_swap = 0;
    if (format == nullptr) return;
    options.m_swap = vex3d::swapFromZUp(format->upAxis);
    options.m_maxPoints = format->maxCount;
    options.m_maxFaces = format->maxCount;
    options.m_objectNameRule = format->objectNameRule;
    options.m_materialNameRule = format->materialNameRule;
  }

  int Save(const std::string& fileName, C3DScene* scene, CSceneExportOptions&) override {
    const WriteFormat* format = writeFormatOf(m_fileClass);
    if (format == nullptr || scene == nullptr) {
      SetIoError(IO_ERROR_NO_PARSER, CIoOptions::logError);
      return 0;
    }
    const auto& module = vex3d::assimp::IoModule::instance();
    if (module.write() == nullptr) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, module.loadError());
      return 0;
    }
    vex3d::assimp::IoFailure failure;
    if (module.write()(fileName.c_str(), scene, format->exportId, &failure) != 0) return 1;
    SetIoError(failure.code, CIoOptions::logError, failure.text);
    return 0;
  }

 private:
  std::uint32_t m_fileClass;
};

CFileParser* makeParser(std::uint32_t fileClass, CFileIo* io) {
  return new CAssimpParser(*io, fileClass);
}

}  // namespace

VEX3D_DECLARE_PLUGIN("Exchange formats", "1.0", kClasses, makeParser)
