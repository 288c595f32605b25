#pragma once
// The IO frame: one CFileIo per file read or written. It finds the parser
// serving the file's class (through the file class registry, normally a
// format plug-in), owns it, keeps the remembered parameters of the class,
// records the last IO error and reports it. Data kinds specialise it (3D
// scenes, bitmaps) with their own Read and Save.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "hostlib/core/custom_data.h"
#include "hostlib/files/file_name_spec.h"
#include "hostlib/hostlib_export.h"
#include "hostlib/io/file_parser.h"
#include "hostlib/io/io_options.h"

class CWnd;

namespace vex3d {
class ParserFactory;
}

// The IO flag word.
enum _IO_FLAGS : std::uint32_t {
  IO_FLAG_READ = 0x1,               // a read: parameters are the class's import parameters
  IO_FLAG_SILENT = 0x2,             // no options dialog and no error report
  IO_FLAG_FORCE_DIALOG = 0x4,       // the options dialog whatever the parser says
  IO_FLAG_PARAMETERS_GIVEN = 0x8,   // the caller supplies the parameters
  IO_FLAG_REPORT_SUCCESS = 0x1000,  // a successful save is reported too
};

// IO error codes; texts may replace them (see SetIoError).
enum _IO_ERROR : int {
  IO_ERROR_NONE = 0,
  IO_INFO_SAVED = 1,               // information: the file was written
  IO_ERROR_FILE_MISSING = -1,      // the file to read does not exist
  IO_ERROR_NO_PARSER = -2,         // no parser for the class, or it cannot save
  IO_ERROR_PARSER_EXCEPTION = -3,  // the parser failed unexpectedly
  IO_ERROR_CANNOT_WRITE = -4,      // the file to write cannot be written there
  IO_ERROR_NOT_A_FILE = -5,        // what was named is a directory, a device, a FIFO...
  IO_ERROR_NOTHING_TO_SAVE = -7,   // the prepared export is missing or empty
  IO_ERROR_CANCELLED = -10,        // the user refused the options dialog
};

class VEXHOST_EXPORT CFileIo {
 public:
  // Asks the user for a file of one of the kinds in `kindMask`. `chosen`
  // comes in with the IO's current file name and class 0 (the current class
  // is io.GetFileClass()) and goes out with the user's choice: the format
  // the user picked, or class 0 to have it found by the extension. Non-zero
  // when the user chose a file.
  using FileDialogHook =
      std::function<int(CFileIo& io, std::uint32_t kindMask, CFileNameSpec& chosen)>;

  // A name without a class gets the class of its extension.
  CFileIo(const CFileNameSpec& file, std::uint32_t flags, CWnd* parent = nullptr);
  CFileIo(const std::string& fileName, std::uint32_t flags, CWnd* parent = nullptr);
  // An IO on a class without a file, to reach the class's parser and
  // parameters (options dialogs outside reading and saving).
  CFileIo(std::uint32_t fileClass, std::uint32_t flags, CWnd* parent = nullptr);
  virtual ~CFileIo();
  CFileIo(const CFileIo&) = delete;
  CFileIo& operator=(const CFileIo&) = delete;

  // --- files
  // The file the IO was built on.
  const CFileNameSpec& GetFileSpec() const { return m_file; }
  // The second file, chosen by FileDialogBox (a save-as target, say).
  bool HasSecondFile() const { return m_hasSecond; }
  const CFileNameSpec& GetSecondFileSpec() const { return m_second; }
  // Sets the second file; the parser is closed when the class changes.
  void SetSecondFile(const CFileNameSpec& file);
  // The complete file name the IO works on: the second file's when there is
  // one, else the first's. The same rule gives the class.
  const std::string& GetFileName() const;
  std::uint32_t GetFileClass() const;
  CWnd* GetParentWindow() const { return m_parent; }

  // --- flags
  std::uint32_t GetFlags() const { return m_flags; }
  void SetFlags(std::uint32_t flags) { m_flags = flags; }
  void SetFlag(std::uint32_t mask, bool on);
  bool IsFlagSet(std::uint32_t mask) const { return (m_flags & mask) == mask; }
  bool IsOneFlagSet(std::uint32_t mask) const { return (m_flags & mask) != 0; }

  // --- parser
  // The parser serving the class: asks the class's parser factory (a
  // plug-in) for one and loads the class's remembered parameters into
  // GetParameters(). Null when no factory serves the class or it made no
  // parser; no IO error is set for that, the subclass decides. Answers the
  // current parser when there is one already.
  virtual CFileParser* InitParser();
  // Deletes the parser. A plug-in module stays loaded at least until then.
  virtual void CloseParser();
  CFileParser* GetParser() const { return m_parser.get(); }

  // --- remembered parameters, per file class and mode
  CCustomData& GetParameters() { return m_parameters; }
  const CCustomData& GetParameters() const { return m_parameters; }
  // The user's "io.prefs" file, which holds the parameters and any other
  // record a parser keeps there.
  static std::string GetPreferencesFilePath();
  // Import parameters when `isRead` is non-zero, else export parameters.
  // Load answers 0 (and an empty record) when nothing is stored; Save
  // answers 0 when the file cannot be written.
  static int LoadIoParameters(int isRead, CCustomData& data, std::uint32_t fileClass);
  static int SaveIoParameters(int isRead, const CCustomData& data, std::uint32_t fileClass);
  // The same for this IO's mode (IO_FLAG_READ) and class.
  int LoadIoParameters(CCustomData& data) const;
  int SaveIoParameters(const CCustomData& data) const;
  // Preferences of the writers' option pages, kept for the caller.
  void SetPreferencesFlags(std::uint32_t flags) { m_preferencesFlags = flags; }
  std::uint32_t GetPreferencesFlags() const { return m_preferencesFlags; }

  // --- errors
  // Records the last error: a code (_IO_ERROR or a parser's own), a level
  // (CIoOptions::LogLevel) and an optional text replacing the code's text.
  void SetIoError(int code, int level = CIoOptions::logError, const std::string& text = {});
  void ClearIoError();
  int GetIoError() const { return m_errorCode; }
  int GetIoErrorLevel() const { return m_errorLevel; }
  // The recorded text, else the code's standard text.
  std::string GetIoErrorText() const;
  static std::string GetStandardErrorText(int code);
  // Hands the last error, with the log of `options` when given, to the IO
  // report handler (vex3d::setIoReportHandler). `reportCode` is one of
  // vex3d::IoReportCode. Callers skip it for silent IOs. Answers 1.
  int ReportIoError(const CIoOptions* options, int reportCode);

  // --- file dialog
  // Lets the user choose the file through the installed hook and makes it
  // the IO's second file. 1 when chosen, 0 when cancelled or when no hook
  // is installed.
  int FileDialogBox(std::uint32_t kindMask);
  // Installs the dialog (an empty hook removes it); returns the previous one.
  static FileDialogHook SetFileDialogHook(FileDialogHook hook);

 protected:
  // Gives the IO a parser made by a subclass, replacing (and deleting) any
  // current one; answers it.
  CFileParser* SetParser(std::unique_ptr<CFileParser> parser);

 private:
  void ResetParser();

  CFileNameSpec m_file;
  CFileNameSpec m_second;
  bool m_hasSecond = false;
  std::uint32_t m_flags;
  CWnd* m_parent;
  std::uint32_t m_preferencesFlags = 0;
  CCustomData m_parameters;
  int m_errorCode = IO_ERROR_NONE;
  int m_errorLevel = CIoOptions::logInfo;
  std::string m_errorText;
  // Declared before the parser so that the parser, whose code may live in
  // the factory's module, is destroyed first.
  std::shared_ptr<vex3d::ParserFactory> m_factory;
  std::unique_ptr<CFileParser> m_parser;
};
