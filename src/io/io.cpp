#include "io/io.h"

#include <cstdio>
#include <filesystem>
#include <new>

#include "hostlib/core/exceptions.h"
#include "hostlib/files/file_class.h"
#include "hostlib/files/file_utils.h"
#include "hostlib/files/mapped_file.h"
#include "hostlib/io/io_report.h"
#include "hostlib/text/strings.h"
#include "io/embedded_textures.h"
#include "io/exchange.h"
#include "io/max_io.h"
#include "io/maya_io.h"
#include "io/parser.h"
#include "io/texture_names.h"
#include "material/material_map.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"

namespace {

constexpr std::size_t kMaxErrorText = 512;

std::string shortened(const char* text) {
  std::string s = text != nullptr ? text : "";
  if (s.size() > kMaxErrorText) s.resize(kMaxErrorText);
  return s;
}

}  // namespace

C3DIo::C3DIo(const CFileNameSpec& file, std::uint32_t flags, CWnd* parent)
    : CFileIo(file, flags, parent) {}

C3DIo::C3DIo(std::uint32_t fileClass, std::uint32_t flags, CWnd* parent)
    : CFileIo(fileClass, flags, parent) {}

C3DIo::~C3DIo() = default;

CFileParser* C3DIo::InitParser() {
  if (CFileParser* parser = CFileIo::InitParser()) {
    if (dynamic_cast<C3DParser*>(parser) != nullptr) return parser;
    // A module serving the class with a parser of another data kind.
    CFileIo::CloseParser();
  }
  // The authoring applications' classes, when no plug-in claims them, go
  // through the exchange with those applications.
  const std::uint32_t fileClass = GetFileClass();
  std::unique_ptr<CFileParser> builtIn;
  if (fileClass == vex3d::exchange::kMaxClass) {
    builtIn = std::make_unique<C3DSMaxIo>(*this);
  } else if (fileClass == vex3d::exchange::kMayaClass) {
    builtIn = std::make_unique<CMayaIo>(*this);
  } else {
    SetIoError(IO_ERROR_NO_PARSER, CIoOptions::logError);
    return nullptr;
  }
  CFileParser* parser = SetParser(std::move(builtIn));
  LoadIoParameters(GetParameters());
  return parser;
}

void C3DIo::CloseParser() {
  m_prepared = 0;
  CFileIo::CloseParser();
}

C3DParser* C3DIo::GetParser() const { return dynamic_cast<C3DParser*>(CFileIo::GetParser()); }

int C3DIo::PrepareReading() {
  if (m_prepared) return 1;
  if (const std::string why = vex3d::whyNotReadable(GetFileName()); !why.empty()) {
    // A folder or a FIFO named like a model is not a missing file.
    if (why == LoadStringW(vex3d::kStrDoesNotExist)) {
      SetIoError(IO_ERROR_FILE_MISSING, CIoOptions::logError);
    } else {
      SetIoError(IO_ERROR_NOT_A_FILE, CIoOptions::logError, why);
    }
    if (!IsFlagSet(IO_FLAG_SILENT)) ReportIoError(nullptr, vex3d::kIoReportFailure);
    return 0;
  }
  return PrepareSaving();
}

int C3DIo::PrepareSaving() {
  if (m_prepared) return 1;
  if (InitParser() == nullptr) return 0;
  m_prepared = 1;
  return 1;
}

int C3DIo::MustShowDialog() {
  if (IsFlagSet(IO_FLAG_FORCE_DIALOG)) return 1;
  C3DParser* parser = GetParser();
  if (parser != nullptr && parser->MustShowDialog() == IO_DIALOG_ALWAYS &&
      !IsFlagSet(IO_FLAG_PARAMETERS_GIVEN)) {
    return 2;
  }
  return IsFlagSet(IO_FLAG_SILENT) ? 0 : 1;
}

int C3DIo::LoadOptionsDialog(CSceneImportOptions& options) {
  return GetParser()->LoadOptionsDialog(options);
}

int C3DIo::SaveOptionsDialog(CSceneExportOptions& options) {
  return GetParser()->SaveOptionsDialog(options);
}

void C3DIo::setUpOptions(CSceneImportOptions& options, const CCustomData* record, bool local) {
  const CCustomData& remembered = record != nullptr ? *record : GetParameters();
  if (local) options.InitFromData(remembered);
  GetParser()->LoadDefaultOptions(options);
  if (remembered.IsEmpty()) options.m_flags |= options.m_defaultFlags;
  options.m_flags |= options.m_forcedFlags;
}

void C3DIo::setUpOptions(CSceneExportOptions& options, const CCustomData* record, bool local) {
  const CCustomData& remembered = record != nullptr ? *record : GetParameters();
  if (local) options.InitFromData(remembered);
  GetParser()->SaveDefaultOptions(options);
  if (remembered.IsEmpty()) options.m_flags |= options.m_defaultFlags;
  options.m_flags |= options.m_forcedFlags;
}

void C3DIo::reportFailure(const CIoOptions* options) {
  if (!IsFlagSet(IO_FLAG_SILENT)) ReportIoError(options, vex3d::kIoReportFailure);
}

template <class Work>
void C3DIo::guarded(Work&& work) {
  try {
    work();
  } catch (const CFileException& e) {
    SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, shortened(e.what()));
  } catch (const CArchiveException& e) {
    SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, shortened(e.what()));
  } catch (const std::bad_alloc&) {
    SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, "not enough memory");
  } catch (...) {
    SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError);
  }
}

std::unique_ptr<C3DScene> C3DIo::Read(int showDialog, CSceneImportOptions* options) {
  if (!m_prepared && !PrepareReading()) return nullptr;
  CSceneImportOptions local;
  CSceneImportOptions& used = options != nullptr ? *options : local;
  setUpOptions(used, nullptr, options == nullptr);

  if (showDialog && !IsFlagSet(IO_FLAG_SILENT)) {
    if (!LoadOptionsDialog(used)) {
      SetIoError(IO_ERROR_CANCELLED, CIoOptions::logWarning);
      return nullptr;
    }
    SaveIoParameters(1, used.SaveToData(), GetFileClass());
  }

  const std::string& fileName = GetFileName();
  std::unique_ptr<C3DScene> scene;
  ClearIoError();
  guarded([&] {
    std::unique_ptr<C3DScene> read(GetParser()->Read(fileName, used));
    // Every scene read goes through the same check-out, whoever parsed it:
    // parsers only parse and build.
    if (read) read->CheckoutImport(used, vex3d::swapToZUp(used.GetUpAxis()));
    if (read && used.m_confined) {
      const std::string folder = std::filesystem::path(fileName).parent_path().string();
      vex3d::confineTextureNames(*read, vex3d::withFinalSeparator(folder.empty() ? "." : folder),
                                 used);
    }
    scene = std::move(read);
  });
  if (scene) {
    scene->SetFilename(CFileNameSpec(fileName, 0));
    return scene;
  }
  // A parser that failed without a word still failed.
  if (GetIoError() == IO_ERROR_NONE) SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError);
  reportFailure(&used);
  return nullptr;
}

int C3DIo::Save(int showDialog, C3DScene* scene, CSceneExportOptions* options) {
  if (!m_prepared && !PrepareSaving()) return 0;
  CSceneExportOptions local;
  CSceneExportOptions& used = options != nullptr ? *options : local;
  setUpOptions(used, nullptr, options == nullptr);
  used.m_fileName = GetFileName();

  int result = 0;
  std::string why;
  if (showDialog && !IsFlagSet(IO_FLAG_SILENT) && !SaveOptionsDialog(used)) {
    SetIoError(IO_ERROR_CANCELLED, CIoOptions::logWarning);
  } else if (!vex3d::fileCanBeWritten(GetFileName(), why)) {
    // Preparing a large scene for a file that cannot be written would be
    // work for nothing.
    SetIoError(IO_ERROR_CANNOT_WRITE, CIoOptions::logError, shortened(why.c_str()));
  } else {
    if (showDialog && !IsFlagSet(IO_FLAG_SILENT)) {
      SaveIoParameters(0, used.SaveToData(), GetFileClass());
    }
    const std::string sourceFolder = scene != nullptr ? scene->GetFilepath() : std::string();
    std::vector<std::string> texturesWritten;
    ClearIoError();
    guarded([&] {
      C3DScene* prepared = scene != nullptr ? scene->InitExport(used) : nullptr;
      if (prepared == nullptr || prepared->GetChildNode(nullptr) == nullptr) {
        SetIoError(IO_ERROR_NOTHING_TO_SAVE, CIoOptions::logError);
        return;
      }
      vex3d::rebaseTextureNames(*prepared, sourceFolder, GetFileName());
      // Images the target cannot carry go beside it first, so that the
      // file never names an image that is not there.
      if (!used.m_embedsTextures) {
        std::string failure;
        if (!vex3d::writeTextureFiles(vex3d::planTextureFiles(*prepared, GetFileName()), used,
                                      texturesWritten, failure)) {
          SetIoError(IO_ERROR_CANNOT_WRITE, CIoOptions::logError, shortened(failure.c_str()));
          return;
        }
      }
      result = GetParser()->Save(GetFileName(), prepared, used);
    });
    // Images of a file that was not written are nobody's.
    if (!result) {
      for (const std::string& path : texturesWritten) std::remove(path.c_str());
    }
    if (!result && GetIoError() == IO_ERROR_NONE) {
      SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError);
    }
    C3DScene::ReleaseExport(used);
  }

  if (result) {
    scene->SetFilename(CFileNameSpec(GetFileName(), 0));
    if (IsFlagSet(IO_FLAG_REPORT_SUCCESS)) {
      SetIoError(IO_INFO_SAVED, CIoOptions::logInfo);
      ReportIoError(&used, vex3d::kIoReportInformation);
    }
  } else {
    reportFailure(&used);
  }
  return result;
}

int C3DIo::ShowDialog(std::uint32_t fileClass, int isRead, CCustomData* parameters, CWnd* parent) {
  if (!fileGetExtensionInfo(fileClass)) return 0;
  std::uint32_t flags = isRead ? (IO_FLAG_READ | IO_FLAG_SILENT) : IO_FLAG_SILENT;
  if (parameters != nullptr) flags |= IO_FLAG_PARAMETERS_GIVEN;
  C3DIo io(fileClass, flags, parent);
  if (io.InitParser() == nullptr) return 0;
  const CCustomData* record = parameters != nullptr ? parameters : &io.GetParameters();
  int answer = 0;
  CCustomData result;
  if (isRead) {
    CSceneImportOptions options;
    io.setUpOptions(options, record, true);
    answer = io.LoadOptionsDialog(options);
    result = options.SaveToData();
  } else {
    CSceneExportOptions options;
    io.setUpOptions(options, record, true);
    answer = io.SaveOptionsDialog(options);
    result = options.SaveToData();
  }
  if (parameters != nullptr) *parameters = result;
  return answer;
}

std::string C3DIo::GetParametersInfo(const CCustomData& parameters, std::uint32_t fileClass,
                                     int isRead) {
  C3DIo io(fileClass, isRead ? (IO_FLAG_READ | IO_FLAG_PARAMETERS_GIVEN) : IO_FLAG_PARAMETERS_GIVEN,
           nullptr);
  if (io.InitParser() == nullptr) return {};
  if (isRead) {
    CSceneImportOptions options;
    io.setUpOptions(options, &parameters, true);
    return io.GetParser()->GetLoadParametersInfo(options);
  }
  CSceneExportOptions options;
  io.setUpOptions(options, &parameters, true);
  return io.GetParser()->GetSaveParametersInfo(options);
}
