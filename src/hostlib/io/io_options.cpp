#include "hostlib/io/io_options.h"

#include <algorithm>

CIoOptions::~CIoOptions() = default;

void CIoOptions::AddLogInfo(int level, const std::string& text) {
  m_log.push_back(LogEntry{level, text});
}

int CIoOptions::GetMaxLogLevel() const {
  int level = -1;
  for (const auto& e : m_log) level = std::max(level, e.level);
  return level;
}

std::size_t CIoOptions::GetLogCount(int minLevel) const {
  return static_cast<std::size_t>(std::count_if(
      m_log.begin(), m_log.end(), [minLevel](const LogEntry& e) { return e.level >= minLevel; }));
}
