#include "hostlib/io/file_io_frame.h"

#include <exception>
#include <mutex>

#include "hostlib/core/fourcc.h"
#include "hostlib/files/file_class.h"
#include "hostlib/files/user_paths.h"
#include "hostlib/io/io_report.h"
#include "hostlib/text/strings.h"

namespace {

constexpr std::uint32_t kReadEntry = vex3d::fourcc("READ");
constexpr std::uint32_t kSaveEntry = vex3d::fourcc("SAVE");

struct DialogHookSlot {
  std::mutex mutex;
  CFileIo::FileDialogHook hook;
};

DialogHookSlot& dialogHookSlot() {
  static DialogHookSlot& s = *new DialogHookSlot;
  return s;
}

CFileNameSpec withClass(CFileNameSpec file) {
  if (file.GetFileClass() == 0 && !file.IsEmpty())
    file.SetFileClass(fileGetClassOf(file.GetName()));
  return file;
}

}  // namespace

CFileIo::CFileIo(const CFileNameSpec& file, std::uint32_t flags, CWnd* parent)
    : m_file(withClass(file)), m_flags(flags), m_parent(parent) {}

CFileIo::CFileIo(const std::string& fileName, std::uint32_t flags, CWnd* parent)
    : CFileIo(CFileNameSpec(fileName, 0), flags, parent) {}

CFileIo::CFileIo(std::uint32_t fileClass, std::uint32_t flags, CWnd* parent)
    : m_file(std::string(), fileClass), m_flags(flags), m_parent(parent) {}

CFileIo::~CFileIo() { ResetParser(); }

void CFileIo::SetSecondFile(const CFileNameSpec& file) {
  const std::uint32_t before = GetFileClass();
  m_second = withClass(file);
  m_hasSecond = true;
  if (GetFileClass() != before) CloseParser();
}

const std::string& CFileIo::GetFileName() const {
  return m_hasSecond ? m_second.GetName() : m_file.GetName();
}

std::uint32_t CFileIo::GetFileClass() const {
  return m_hasSecond ? m_second.GetFileClass() : m_file.GetFileClass();
}

void CFileIo::SetFlag(std::uint32_t mask, bool on) {
  if (on)
    m_flags |= mask;
  else
    m_flags &= ~mask;
}

CFileParser* CFileIo::InitParser() {
  if (m_parser) return m_parser.get();
  const std::uint32_t fileClass = GetFileClass();
  std::shared_ptr<vex3d::ParserFactory> factory = vex3d::findParserFactory(fileClass);
  if (!factory) return nullptr;
  std::unique_ptr<CFileParser> parser;
  // A plug-in's failure must not take the application down with it.
  try {
    parser = factory->CreateParser(fileClass, *this);
  } catch (const std::exception& e) {
    SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError, e.what());
    return nullptr;
  } catch (...) {
    SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError);
    return nullptr;
  }
  if (!parser) return nullptr;
  m_factory = std::move(factory);
  m_parser = std::move(parser);
  LoadIoParameters(m_parameters);
  return m_parser.get();
}

void CFileIo::CloseParser() { ResetParser(); }

void CFileIo::ResetParser() {
  m_parser.reset();
  m_factory.reset();
}

CFileParser* CFileIo::SetParser(std::unique_ptr<CFileParser> parser) {
  ResetParser();
  m_parser = std::move(parser);
  return m_parser.get();
}

std::string CFileIo::GetPreferencesFilePath() { return GetUserPreferencesPath() + "io.prefs"; }

int CFileIo::LoadIoParameters(int isRead, CCustomData& data, std::uint32_t fileClass) {
  return data.LoadFromPrefs(GetPreferencesFilePath(), fileClass, isRead ? kReadEntry : kSaveEntry)
             ? 1
             : 0;
}

int CFileIo::SaveIoParameters(int isRead, const CCustomData& data, std::uint32_t fileClass) {
  return data.SaveToPrefs(GetPreferencesFilePath(), fileClass, isRead ? kReadEntry : kSaveEntry)
             ? 1
             : 0;
}

int CFileIo::LoadIoParameters(CCustomData& data) const {
  return LoadIoParameters(IsFlagSet(IO_FLAG_READ) ? 1 : 0, data, GetFileClass());
}

int CFileIo::SaveIoParameters(const CCustomData& data) const {
  return SaveIoParameters(IsFlagSet(IO_FLAG_READ) ? 1 : 0, data, GetFileClass());
}

void CFileIo::SetIoError(int code, int level, const std::string& text) {
  m_errorCode = code;
  m_errorLevel = level;
  m_errorText = text;
}

void CFileIo::ClearIoError() { SetIoError(IO_ERROR_NONE, CIoOptions::logInfo); }

std::string CFileIo::GetIoErrorText() const {
  return m_errorText.empty() ? GetStandardErrorText(m_errorCode) : m_errorText;
}

std::string CFileIo::GetStandardErrorText(int code) {
  switch (code) {
    case IO_ERROR_NONE:
      return {};
    case IO_INFO_SAVED:
      return LoadStringW(vex3d::kStrIoSaved);
    case IO_ERROR_FILE_MISSING:
      return LoadStringW(vex3d::kStrIoFileMissing);
    case IO_ERROR_NO_PARSER:
      return LoadStringW(vex3d::kStrIoNoParser);
    case IO_ERROR_PARSER_EXCEPTION:
      return LoadStringW(vex3d::kStrIoParserException);
    case IO_ERROR_NOT_A_FILE:
      return LoadStringW(vex3d::kStrIoNotAFile);
    case IO_ERROR_CANNOT_WRITE:
      return LoadStringW(vex3d::kStrIoCannotWrite);
    case IO_ERROR_NOTHING_TO_SAVE:
      return LoadStringW(vex3d::kStrIoNothingToSave);
    case IO_ERROR_CANCELLED:
      return LoadStringW(vex3d::kStrIoCancelled);
    default:
      return FormatString(vex3d::kStrIoErrorCode, code);
  }
}

int CFileIo::ReportIoError(const CIoOptions* options, int reportCode) {
  vex3d::IoReport report;
  report.reportCode = reportCode;
  report.errorCode = m_errorCode;
  report.level = m_errorLevel;
  report.text = GetIoErrorText();
  report.fileName = GetFileName();
  report.fileClass = GetFileClass();
  if (options) report.log = options->GetLog();
  vex3d::reportIo(report);
  return 1;
}

int CFileIo::FileDialogBox(std::uint32_t kindMask) {
  FileDialogHook hook;
  {
    auto& slot = dialogHookSlot();
    std::lock_guard lock(slot.mutex);
    hook = slot.hook;
  }
  if (!hook) return 0;
  CFileNameSpec chosen(GetFileName(), 0);
  if (!hook(*this, kindMask, chosen) || chosen.IsEmpty()) return 0;
  SetSecondFile(chosen);
  return 1;
}

CFileIo::FileDialogHook CFileIo::SetFileDialogHook(FileDialogHook hook) {
  auto& slot = dialogHookSlot();
  std::lock_guard lock(slot.mutex);
  std::swap(slot.hook, hook);
  return hook;
}
