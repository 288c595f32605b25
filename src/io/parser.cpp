#include "io/parser.h"

#include <mutex>

#include "hostlib/core/custom_data.h"
#include "hostlib/files/file_class.h"
#include "hostlib/io/file_io_frame.h"
#include "hostlib/text/strings.h"
#include "scene/scene_io_options.h"

namespace {

constexpr std::uint32_t kSheetSection = 0x3344494F;    // '3DIO'
constexpr std::uint32_t kSheetEntry = 0x50524546;      // 'PREF'
constexpr std::uint32_t kPreferencesKey = 0x50524546;  // 'PREF'
// The host application's own text, outside this module's table.
constexpr unsigned kLoadParametersText = 7361;

std::mutex g_hookMutex;
vex3d::ExportSheetHook g_sheet;

vex3d::ExportSheetHook sheetHook() {
  std::lock_guard lock(g_hookMutex);
  return g_sheet;
}

}  // namespace

vex3d::ExportSheetHook vex3d::setExportSheetHook(ExportSheetHook hook) {
  std::lock_guard lock(g_hookMutex);
  ExportSheetHook previous = std::move(g_sheet);
  g_sheet = std::move(hook);
  return previous;
}

C3DParser::~C3DParser() = default;

IoShowDialog C3DParser::MustShowDialog() { return CFileParser::MustShowDialog(); }

void C3DParser::LoadDefaultOptions(CSceneImportOptions&) {}

int C3DParser::LoadOptionsDialog(CSceneImportOptions&) { return 1; }

std::string C3DParser::GetLoadParametersInfo(CSceneImportOptions&) {
  return LoadStringW(kLoadParametersText);
}

C3DScene* C3DParser::Read(const std::string&, CSceneImportOptions&) { return nullptr; }

void C3DParser::SaveDefaultOptions(CSceneExportOptions&) {}

int C3DParser::SaveOptionsDialog(CSceneExportOptions& options) {
  const vex3d::ExportSheetHook sheet = sheetHook();
  if (!sheet) return 1;
  const std::string prefs = CFileIo::GetPreferencesFilePath();
  CCustomData record;
  record.LoadFromPrefs(prefs, kSheetSection, kSheetEntry);
  std::uint32_t preferences = record.GetUInt(kPreferencesKey);
  if (sheet(options, preferences, fileGetMainExtension(GetFileClass())) != 1) return 0;
  GetIo().SetPreferencesFlags(preferences);
  record.SetUInt(kPreferencesKey, preferences);
  record.SaveToPrefs(prefs, kSheetSection, kSheetEntry);
  return 1;
}

std::string C3DParser::GetSaveParametersInfo(CSceneExportOptions& options) {
  const bool defaults = options.m_flags == (options.m_forcedFlags | options.m_defaultFlags);
  return LoadStringW(defaults ? vex3d::kStrDefaultParameters : vex3d::kStrCustomParameters);
}

int C3DParser::Save(const std::string&, C3DScene*, CSceneExportOptions&) {
  SetIoError(IO_ERROR_NO_PARSER, CIoOptions::logError);
  return 0;
}
