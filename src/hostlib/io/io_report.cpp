#include "hostlib/io/io_report.h"

#include <cstdio>
#include <mutex>

#include "hostlib/core/fourcc.h"

namespace vex3d {

namespace {

struct HandlerSlot {
  std::mutex mutex;
  IoReportHandler handler;
};

HandlerSlot& slot() {
  static HandlerSlot& s = *new HandlerSlot;
  return s;
}

const char* levelName(int level) {
  if (level >= CIoOptions::logError) return "error";
  if (level >= CIoOptions::logWarning) return "warning";
  return "info";
}

}  // namespace

IoReportHandler setIoReportHandler(IoReportHandler handler) {
  auto& s = slot();
  std::lock_guard lock(s.mutex);
  std::swap(s.handler, handler);
  return handler;
}

void reportIo(const IoReport& report) {
  IoReportHandler handler;
  {
    auto& s = slot();
    std::lock_guard lock(s.mutex);
    handler = s.handler;
  }
  // Called outside the lock: a handler may well install another one.
  if (handler) {
    handler(report);
    return;
  }
  const std::string text = formatIoReport(report);
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
}

std::string formatIoReport(const IoReport& report) {
  std::string out = "vex3d: ";
  if (!report.fileName.empty()) out += report.fileName + ": ";
  out += std::string(levelName(report.level)) + ": ";
  out += report.text.empty() ? "code " + std::to_string(report.errorCode) : report.text;
  if (report.fileClass != 0) out += " ['" + fourccToString(report.fileClass) + "']";
  out += '\n';
  for (const auto& e : report.log)
    out += "  " + std::string(levelName(e.level)) + ": " + e.text + '\n';
  return out;
}

}  // namespace vex3d
