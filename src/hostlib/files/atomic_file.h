#pragma once
// A file written beside its target and put in the target's place only once
// all of it is written and on disk. A full disk, a crash, an interrupted
// program or a writer that gives up never leaves a half-written file where
// the user's file was, and never loses the old one.
#include <cstddef>
#include <string>

#include "hostlib/hostlib_export.h"

namespace vex3d {

class VEXHOST_EXPORT AtomicFile {
 public:
  AtomicFile() = default;
  // Removes the temporary file unless it was committed.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file in the target's folder. A target that is a
  // symbolic link is written through: the link stays and its file changes.
  // False, with `why`, when the folder does not exist or takes no files,
  // or when the target is a folder.
  bool open(const std::string& target, std::string& why);
  bool isOpen() const { return m_fd >= 0; }
  // Appends; short writes and interruptions are taken care of. False, with
  // `why` (the disk is full, say), on the first failure; later writes and
  // the commit then fail too.
  bool write(const void* data, std::size_t size, std::string& why);
  // Puts the file on disk and in the target's place, with the mode the old
  // file had (new files get the usual mode less the umask).
  bool commit(std::string& why);
  // Gives up: the temporary file goes, the target stays as it was.
  void discard();

  const std::string& target() const { return m_target; }

 private:
  std::string m_target;  // what the rename replaces (a link's file)
  std::string m_temporary;
  int m_fd = -1;
  int m_slot = -1;  // in the interruption registry
  bool m_failed = false;
  std::string m_failure;
};

// Writes `size` bytes as the whole content of `path` through an AtomicFile.
// The folder must exist.
VEXHOST_EXPORT bool writeFileAtomically(const std::string& path, const void* data, std::size_t size,
                                        std::string& why);

// Programs (not the library: its host owns the signals) call this once so
// that an interruption (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGXCPU,
// SIGXFSZ) first removes the temporary files of the writes under way, then
// ends the program as the signal would have.
VEXHOST_EXPORT void removeTemporaryFilesOnSignals();

}  // namespace vex3d
