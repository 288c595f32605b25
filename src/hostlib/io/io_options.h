#pragma once
// Options handed to a format reader or writer, with the log in which the
// reader, the writer and the export preparation note what they did.
#include <cstddef>
#include <string>
#include <vector>

#include "hostlib/hostlib_export.h"

class VEXHOST_EXPORT CIoOptions {
 public:
  enum Mode { modeImport = 0, modeExport = 1 };

  // Levels of log entries and of IO errors. Reports show entries from the
  // warning level up; the others are for the information dialog.
  enum LogLevel {
    logInfo = 0,     // plain information
    logChange = 1,   // the scene was converted to suit the format
    logWarning = 2,  // something was dropped or refused; the operation went on
    logError = 4,    // the operation failed
  };

  struct LogEntry {
    int level = logInfo;
    std::string text;
    bool operator==(const LogEntry&) const = default;
  };

  explicit CIoOptions(Mode mode) : m_mode(mode) {}
  virtual ~CIoOptions();
  CIoOptions(const CIoOptions&) = default;
  CIoOptions& operator=(const CIoOptions&) = default;

  Mode GetMode() const { return m_mode; }
  bool IsImport() const { return m_mode == modeImport; }
  bool IsExport() const { return m_mode == modeExport; }

  void AddLogInfo(int level, const std::string& text);
  // Entries in the order they were added.
  const std::vector<LogEntry>& GetLog() const { return m_log; }
  void ClearLog() { m_log.clear(); }
  // The highest level logged, -1 when the log is empty.
  int GetMaxLogLevel() const;
  std::size_t GetLogCount(int minLevel) const;

 private:
  Mode m_mode;
  std::vector<LogEntry> m_log;
};
