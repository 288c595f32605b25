// Exchange formats read and written through the Open Asset Import Library:
// one parser serves every class, the class choosing the library's export
// format and the conversions that format needs. The library never runs in
// this process: each read and each write is a run of the exchange worker
// (worker_client.h), which answers with the scene, or the files to write,
// as host archives.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "hostlib/core/archive.h"
#include "hostlib/files/atomic_file.h"
#include "hostlib/io/file_io_frame.h"
#include "hostlib/io/plugin_api.h"
#include "hostlib/text/strings.h"
#include "io/parser.h"
#include "mesh_format_kit/read_progress.h"
#include "scene/embedded_images.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"
#include "worker_client.h"

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
    {VEX3D_FOURCC('X', '3', 'D', ' '), 0x4000, "x3d|x3db", "X3D scene", "model/x3d+xml",
     kReadWrite},
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
  // The library's writer stores embedded images inside the file (a GLB's
  // buffer, a glTF's data: URIs, an FBX's video content).
  bool embedsTextures = false;
};

constexpr WriteFormat kWriteFormats[] = {
    // The library reads its own binary FBX back wrongly; its text form is
    // sound. It declares y up.
    {VEX3D_FOURCC('F', 'B', 'X', ' '), "fbxa", 0, 0xFFFFFFFF, 0, 0, UP_AXIS_Y, true},
    {VEX3D_FOURCC('G', 'L', 'T', 'F'), "gltf2", EXPORT_TRIANGULATE, 0xFFFFFFFF, 0, 0, UP_AXIS_Y,
     true},
    {VEX3D_FOURCC('G', 'L', 'B', ' '), "glb2", EXPORT_TRIANGULATE, 0xFFFFFFFF, 0, 0, UP_AXIS_Y,
     true},
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

namespace fs = std::filesystem;
using vex3d::assimp::Record;
using vex3d::assimp::RecordKind;
using vex3d::assimp::WorkerEnd;
using vex3d::assimp::WorkerJob;
using vex3d::assimp::WorkerOutcome;

std::string absolutePath(const std::string& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  return ec ? path : absolute.string();
}

// A file the worker wrote, once its name is checked: the target itself, or
// a side file named after it (a glTF's "model.bin"). Anything else would let
// the worker put files where the user did not ask for them.
bool acceptableName(const std::string& name, const fs::path& target) {
  if (name.empty() || name.find('/') != std::string::npos || name.find('\0') != std::string::npos)
    return false;
  if (name == target.filename().string()) return true;
  const std::string stem = target.stem().string() + ".";
  return name.size() > stem.size() && name.compare(0, stem.size(), stem) == 0;
}

struct WrittenFile {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

class CAssimpParser : public C3DParser {
 public:
  CAssimpParser(CFileIo& io, std::uint32_t fileClass) : C3DParser(io), m_fileClass(fileClass) {}

  IoShowDialog MustShowDialog() override { return IO_DIALOG_NO; }

  C3DScene* Read(const std::string& fileName, CSceneImportOptions& options) override {
    WorkerJob job;
    job.arguments = {vex3d::assimp::kReadCommand, absolutePath(fileName),
                     std::to_string(m_fileClass)};
    if (options.m_confined) job.arguments.emplace_back(vex3d::assimp::kConfinedOption);
    vex3d::assimp::setMemoryBudget(job, options.m_memoryBudget);
    job.timeBudget = options.m_timeBudget;
    job.progressTitle = vex3d::native::readingTitle(fileName);
    // The scene is rebuilt as it arrives; it and the rest of the answer
    // count once the worker has answered well.
    std::unique_ptr<C3DScene> scene;
    std::uint32_t upAxis = UP_AXIS_UNKNOWN;
    std::vector<std::string> imageWarnings;
    bool damaged = false;
    auto loadScene = [&](CArchive& ar) {
      ar >> upAxis;
      auto read = std::make_unique<C3DScene>();
      read->Serialize(ar);
      // Decoded here, under this process's pixel budget: the worker's
      // images are as untrusted as the file they came from.
      vex3d::loadEmbeddedImages(ar, *read, vex3d::EmbeddedImageCheck::decode, imageWarnings);
      scene = std::move(read);
    };
    WorkerOutcome outcome =
        vex3d::assimp::runWorker(vex3d::assimp::workerProgram(), job, loadScene);
    if (!answered(outcome, fileName, job, options, vex3d::kStrReaderFailed)) return nullptr;
    try {
      for (const Record& record : outcome.records) {
        if (record.kind == RecordKind::log) {
          addLog(record, options);
        } else if (record.kind == RecordKind::failure) {
          setFailure(record);
          return nullptr;
        } else if (record.kind != RecordKind::scene && record.kind != RecordKind::end) {
          damaged = true;
        }
      }
    } catch (const CArchiveException&) {
      damaged = true;
    }
    if (damaged || !scene) {
      workerFailed(WorkerEnd::damaged, outcome, fileName, job, options, vex3d::kStrReaderFailed);
      return nullptr;
    }
    for (const std::string& warning : imageWarnings)
      options.AddLogInfo(CIoOptions::logWarning, warning);
    options.m_fileUpAxis = upAxis <= UP_AXIS_Z ? upAxis : UP_AXIS_UNKNOWN;
    return scene.release();
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
    options.m_embedsTextures = format->embedsTextures;
  }

  int Save(const std::string& fileName, C3DScene* scene, CSceneExportOptions& options) override {
    const WriteFormat* format = writeFormatOf(m_fileClass);
    if (format == nullptr || scene == nullptr) {
      SetIoError(IO_ERROR_NO_PARSER, CIoOptions::logError);
      return 0;
    }
    WorkerJob job;
    const fs::path target = absolutePath(fileName);
    job.arguments = {vex3d::assimp::kWriteCommand, target.string(), format->exportId};
    {
      // The scene's large blocks go to the worker from where they lie.
      CArchive ar(job.input);
      scene->Serialize(ar);
      vex3d::storeEmbeddedImages(ar, *scene);
      ar.Flush();
    }
    vex3d::assimp::setMemoryBudget(job, 0);
    WorkerOutcome outcome = vex3d::assimp::runWorker(vex3d::assimp::workerProgram(), job);
    job.input.clear();
    if (!answered(outcome, fileName, job, options, vex3d::kStrWriterFailed)) return 0;

    std::vector<WrittenFile> files;
    bool targetWritten = false;
    try {
      for (Record& record : outcome.records) {
        if (record.kind == RecordKind::log) {
          addLog(record, options);
        } else if (record.kind == RecordKind::failure) {
          setFailure(record);
          return 0;
        } else if (record.kind == RecordKind::file) {
          CArchive ar(record.payload.bytes());
          WrittenFile file;
          ar >> file.name;
          const std::uint64_t size = ar.ReadCount(1);
          file.bytes.resize(static_cast<std::size_t>(size));
          ar.ReadExact(file.bytes.data(), file.bytes.size());
          if (!acceptableName(file.name, target))
            throw CArchiveException(CArchiveException::genericException);
          targetWritten |= file.name == target.filename().string();
          files.push_back(std::move(file));
        } else if (record.kind != RecordKind::end) {
          throw CArchiveException(CArchiveException::genericException);
        }
      }
    } catch (const CArchiveException&) {
      targetWritten = false;
    }
    if (!targetWritten) {
      workerFailed(WorkerEnd::damaged, outcome, fileName, job, options, vex3d::kStrWriterFailed);
      return 0;
    }
    return writeFiles(target, files);
  }

 private:
  // True when the worker answered; otherwise the IO error names the file
  // and the options' log says what became of the worker.
  bool answered(const WorkerOutcome& outcome, const std::string& fileName, const WorkerJob& job,
                CIoOptions& options, unsigned failedText) {
    if (outcome.end == WorkerEnd::answered) return true;
    workerFailed(outcome.end, outcome, fileName, job, options, failedText);
    return false;
  }

  void workerFailed(WorkerEnd end, const WorkerOutcome& outcome, const std::string& fileName,
                    const WorkerJob& job, CIoOptions& options, unsigned failedText) {
    switch (end) {
      case WorkerEnd::answered:
        return;
      case WorkerEnd::notStarted:
        SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError,
                   FormatString(vex3d::kStrExchangeLibraryMissing, outcome.startError.c_str()));
        return;
      case WorkerEnd::cancelled:
        SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError,
                   vex3d::native::readingCancelledText());
        return;
      case WorkerEnd::crashed:
        options.AddLogInfo(CIoOptions::logError,
                           FormatString(vex3d::kStrWorkerCrashed, outcome.signal));
        break;
      case WorkerEnd::outOfTime:
        options.AddLogInfo(CIoOptions::logError,
                           FormatString(vex3d::kStrWorkerOutOfTime, job.timeBudget));
        break;
      case WorkerEnd::outOfMemory:
        options.AddLogInfo(CIoOptions::logError,
                           FormatString(vex3d::kStrWorkerOutOfMemory,
                                        static_cast<unsigned>(job.memoryBudget >> 20)));
        break;
      case WorkerEnd::damaged:
        options.AddLogInfo(CIoOptions::logError, LoadStringW(vex3d::kStrWorkerBadAnswer));
        break;
    }
    SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError,
               FormatString(failedText, fileName.c_str()));
  }

  static void addLog(const Record& record, CIoOptions& options) {
    CArchive ar(record.payload.bytes());
    std::int32_t level = 0;
    std::string text;
    ar >> level >> text;
    if (level != CIoOptions::logInfo && level != CIoOptions::logChange &&
        level != CIoOptions::logWarning && level != CIoOptions::logError) {
      level = CIoOptions::logWarning;
    }
    options.AddLogInfo(level, text);
  }

  void setFailure(const Record& record) {
    CArchive ar(record.payload.bytes());
    std::int32_t code = 0;
    std::string text;
    ar >> code >> text;
    // The worker's codes are the IO's own error codes; no answer may pass
    // for a success.
    SetIoError(code < 0 ? code : IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, text);
  }

  // The side files first, so that the target never names a side file that
  // is not there yet; each replaces its old file only once complete.
  int writeFiles(const fs::path& target, std::vector<WrittenFile>& files) {
    std::stable_partition(files.begin(), files.end(), [&](const WrittenFile& f) {
      return f.name != target.filename().string();
    });
    std::vector<std::unique_ptr<vex3d::AtomicFile>> open;
    std::string why;
    for (const WrittenFile& file : files) {
      auto out = std::make_unique<vex3d::AtomicFile>();
      if (!out->open((target.parent_path() / file.name).string(), why) ||
          !out->write(file.bytes.data(), file.bytes.size(), why)) {
        SetIoError(IO_ERROR_CANNOT_WRITE, CIoOptions::logError, why);
        return 0;
      }
      open.push_back(std::move(out));
    }
    for (auto& out : open) {
      if (!out->commit(why)) {
        SetIoError(IO_ERROR_CANNOT_WRITE, CIoOptions::logError, why);
        return 0;
      }
    }
    return 1;
  }

  std::uint32_t m_fileClass;
};

CFileParser* makeParser(std::uint32_t fileClass, CFileIo* io) {
  return new CAssimpParser(*io, fileClass);
}

}  // namespace

VEX3D_DECLARE_PLUGIN("Exchange formats", "1.0", kClasses, makeParser)
