#pragma once
// File helpers of the tools library. Paths are UTF-8. fileStripPath and
// fileMakeRelativePath work on the text alone and accept Windows names
// (see CFileInfo); the others ask the operating system and take paths as it
// reads them, so Windows names must be made POSIX first
// (CFileInfo::ToPosix).
#include <string>

#include "hostlib/hostlib_export.h"

// True when `path` names a regular file, following symbolic links. Folders
// are not files: use vex3d::folderExists for them.
VEXHOST_EXPORT bool fileExists(const std::string& path);

// The file name of `path` without its folder. With `stripExtension`
// non-zero the last extension goes too: ("C:\a\b.obj", 0) gives "b.obj",
// ("C:\a\b.obj", 1) gives "b".
VEXHOST_EXPORT std::string fileStripPath(const std::string& path, int stripExtension = 0);

// `path` relative to the folder `baseFolder` ("../" steps where needed),
// with the separator `path` uses. The two are compared as text after
// removing "." and ".." steps; links are not resolved. Drive letters, UNC
// shares and the names under them compare case-insensitively, POSIX names
// exactly. `path` comes back unchanged when either is relative (or
// drive-relative like "C:a.png"), when they are on different roots, or when
// they share nothing below the root: an absolute name then survives moving
// the folder of the scene that refers to it.
VEXHOST_EXPORT std::string fileMakeRelativePath(const std::string& path,
                                                const std::string& baseFolder);

// Makes `folder` the current directory and remembers the previous one on a
// process-wide stack. Fails, pushing nothing, when `folder` cannot be
// entered; only a successful push may be popped (vex3d::CurrentDirectoryScope
// keeps that straight). The current directory belongs to the whole
// process: threads that push concurrently see each other's folder.
VEXHOST_EXPORT bool filePushCurrentDirectory(const std::string& folder);
// Returns to the directory current before the last successful push, even if
// that directory was renamed meanwhile. False when the stack is empty or the
// directory is gone (the entry is dropped either way).
VEXHOST_EXPORT bool filePopCurrentDirectory();

// True when `a` and `b` name the same directory: the same file system object
// when both exist, else the same path once made absolute, with links
// resolved as far as they exist and "."/".." removed. Trailing separators do
// not matter; an empty path is never the same as anything.
VEXHOST_EXPORT bool fileIsSameDir(const std::string& a, const std::string& b);

namespace vex3d {

// True when `path` names a directory, following symbolic links.
VEXHOST_EXPORT bool folderExists(const std::string& path);

// True when `path`, with its links resolved as far as they exist, lies in
// `folder` or below it. For files nobody chose to open (thumbnails), whose
// references must not reach the rest of the disk.
VEXHOST_EXPORT bool fileIsInside(const std::string& path, const std::string& folder);

// True when a file may be written at `path`: its folder exists and takes
// new files, and a file already there may be replaced. Otherwise false,
// with `why` saying what stands in the way. Asked before any work whose
// only purpose is the file, so that the work is not done for nothing.
VEXHOST_EXPORT bool fileCanBeWritten(const std::string& path, std::string& why);

// What an errno value means, in the interface language: the C library
// speaks only the language of a locale nobody set in this process.
VEXHOST_EXPORT std::string systemErrorText(int error);

// Pushes a current directory for the lifetime of the scope and pops it only
// if the push succeeded.
class VEXHOST_EXPORT CurrentDirectoryScope {
 public:
  explicit CurrentDirectoryScope(const std::string& folder)
      : m_pushed(filePushCurrentDirectory(folder)) {}
  ~CurrentDirectoryScope() {
    if (m_pushed) filePopCurrentDirectory();
  }
  CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
  CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

  bool isPushed() const { return m_pushed; }

 private:
  bool m_pushed;
};

}  // namespace vex3d
