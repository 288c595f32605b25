#pragma once
// Whole-file helpers shared by archives, preferences and the profile.
#include <cstdint>
#include <string>
#include <vector>

#include "hostlib/hostlib_export.h"

namespace vex3d {

// False when the file cannot be opened or read.
VEXHOST_EXPORT bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& out);
// A settings file (the profile, the preferences) written whole and put in
// place only once complete (see AtomicFile). Unlike a file the user asked
// for, its folder is ours: missing folders are made.
VEXHOST_EXPORT bool writeSettingsFile(const std::string& path, const void* data, std::size_t size);

// Settings files are read, changed and written whole; two programs doing so
// at once (two viewers, a viewer and a script) would each write back what
// it read and lose the other's change. The lock, taken on the folder that
// holds the file (a symbolic link's target folder), keeps such updates one
// at a time across processes for the lifetime of the scope.
class VEXHOST_EXPORT SettingsFileLock {
 public:
  explicit SettingsFileLock(const std::string& path);
  ~SettingsFileLock();
  SettingsFileLock(const SettingsFileLock&) = delete;
  SettingsFileLock& operator=(const SettingsFileLock&) = delete;

 private:
  int m_fd = -1;
};

}  // namespace vex3d
