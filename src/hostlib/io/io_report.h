#pragma once
// Where IO errors, IO information and plug-in loading problems go. The
// interface installs a handler that shows them to the user; without one
// they are printed on stderr. Tests install a handler to capture them.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hostlib/hostlib_export.h"
#include "hostlib/io/io_options.h"

namespace vex3d {

// What a report is about.
enum IoReportCode : int {
  kIoReportFailure = 6,         // a read or a save failed
  kIoReportInformation = 0xFF,  // a save succeeded and the caller wants to know
  kIoReportPlugin = 0x100,      // a plug-in module was refused
};

struct VEXHOST_EXPORT IoReport {
  int reportCode = kIoReportFailure;
  int errorCode = 0;  // the IO error code; 0 when none was set
  int level = CIoOptions::logError;
  std::string text;      // the error's text
  std::string fileName;  // the file (or plug-in module) concerned
  std::uint32_t fileClass = 0;
  std::vector<CIoOptions::LogEntry> log;  // the options' log, in order
};

using IoReportHandler = std::function<void(const IoReport&)>;

// Installs `handler` (an empty one restores printing on stderr) and returns
// the previous one.
VEXHOST_EXPORT IoReportHandler setIoReportHandler(IoReportHandler handler);
// Hands a report to the current handler. Safe from any thread; the handler
// runs on the caller's thread.
VEXHOST_EXPORT void reportIo(const IoReport& report);
// The text printed by the default handler.
VEXHOST_EXPORT std::string formatIoReport(const IoReport& report);

}  // namespace vex3d
