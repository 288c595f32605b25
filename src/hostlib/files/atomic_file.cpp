#include "hostlib/files/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "hostlib/files/file_utils.h"
#include "hostlib/text/strings.h"

namespace {

// The temporary files being written, for a signal handler to remove. A
// handler may only touch what is safe in one: fixed slots, atomics, unlink.
constexpr int kSlots = 64;
constexpr std::size_t kMaxPath = 4096;
enum SlotState : int { kFree = 0, kFilling = 1, kArmed = 2 };
struct Slot {
  std::atomic<int> state{kFree};
  char path[kMaxPath];
};
Slot g_slots[kSlots];

int armSlot(const std::string& path) {
  if (path.size() >= kMaxPath) return -1;
  for (int i = 0; i < kSlots; ++i) {
    int expected = kFree;
    if (g_slots[i].state.compare_exchange_strong(expected, kFilling)) {
      std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
      g_slots[i].state.store(kArmed);
      return i;
    }
  }
  // More writes at once than slots: the extra ones are only unprotected
  // against interruptions, never against failures.
  return -1;
}

void freeSlot(int slot) {
  if (slot >= 0) g_slots[slot].state.store(kFree);
}

constexpr int kCleanedSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM, SIGXCPU, SIGXFSZ};

extern "C" void removeTemporariesAndDie(int sig) {
  for (Slot& slot : g_slots) {
    if (slot.state.load() == kArmed) ::unlink(slot.path);
  }
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

std::string withReason(unsigned what, const std::string& path) {
  return FormatString(what, path.c_str(), vex3d::systemErrorText(errno).c_str());
}

// "model.obj" in its folder becomes ".model.obj.vex3d-1a2b3c4d": hidden,
// and beside the target so that the rename stays on one file system.
std::string temporaryBeside(const std::filesystem::path& target, unsigned salt) {
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, "%08x", salt);
  return (target.parent_path() / ("." + target.filename().string() + ".vex3d-" + suffix)).string();
}

}  // namespace

namespace vex3d {

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::open(const std::string& target, std::string& why) {
  namespace fs = std::filesystem;
  discard();
  m_failed = false;
  m_failure.clear();
  if (target.empty()) {
    why = LoadStringW(vex3d::kStrNoFileName);
    return false;
  }
  fs::path path(target);
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    std::error_code ec;
    const fs::path resolved = fs::weakly_canonical(path, ec);
    if (!ec) path = resolved;
  }
  const bool exists = ::stat(path.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) {
    why = FormatString(vex3d::kStrPathIsADirectory, target.c_str());
    return false;
  }
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  struct stat folderInfo {};
  if (::stat(folder.c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode)) {
    why = FormatString(vex3d::kStrCannotWriteFolderMissing, target.c_str(), folder.c_str());
    return false;
  }
  if (!path.has_parent_path()) path = fs::path(".") / path;

  std::random_device random;
  for (int attempt = 0; attempt < 16 && m_fd < 0; ++attempt) {
    m_temporary = temporaryBeside(path, random());
    m_fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd < 0 && errno != EEXIST) break;
  }
  if (m_fd < 0) {
    why = withReason(vex3d::kStrCannotWriteBecause, target);
    m_temporary.clear();
    return false;
  }
  m_slot = armSlot(m_temporary);
  // The file the user had keeps its permissions.
  if (exists) ::fchmod(m_fd, st.st_mode & 07777);
  m_target = path.string();
  return true;
}

bool AtomicFile::write(const void* data, std::size_t size, std::string& why) {
  if (m_fd < 0 || m_failed) {
    why = m_failed ? m_failure : FormatString(vex3d::kStrFileNotOpen, m_target.c_str());
    return false;
  }
  const auto* p = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(m_fd, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      m_failed = true;
      m_failure = withReason(vex3d::kStrCannotWriteBecause, m_target);
      why = m_failure;
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool AtomicFile::commit(std::string& why) {
  if (m_fd < 0 || m_failed) {
    why = m_failed ? m_failure : FormatString(vex3d::kStrFileNotOpen, m_target.c_str());
    discard();
    return false;
  }
  // On disk before the rename makes it the file's content: after a crash
  // the target is either the old file or the whole new one.
  if (::fsync(m_fd) != 0) {
    why = withReason(vex3d::kStrCannotWriteBecause, m_target);
    discard();
    return false;
  }
  const int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0) {
    why = withReason(vex3d::kStrCannotWriteBecause, m_target);
    discard();
    return false;
  }
  if (std::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
    why = withReason(vex3d::kStrCannotReplaceBecause, m_target);
    discard();
    return false;
  }
  freeSlot(m_slot);
  m_slot = -1;
  m_temporary.clear();
  // The rename itself lasts once the folder is on disk; a failure here
  // loses nothing that was there before.
  const std::string folder = std::filesystem::path(m_target).parent_path().string();
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

void AtomicFile::discard() {
  if (m_fd >= 0) {
    ::close(m_fd);
    m_fd = -1;
  }
  if (!m_temporary.empty()) {
    ::unlink(m_temporary.c_str());
    m_temporary.clear();
  }
  freeSlot(m_slot);
  m_slot = -1;
}

bool writeFileAtomically(const std::string& path, const void* data, std::size_t size,
                         std::string& why) {
  AtomicFile file;
  return file.open(path, why) && file.write(data, size, why) && file.commit(why);
}

void removeTemporaryFilesOnSignals() {
  struct sigaction action {};
  action.sa_handler = removeTemporariesAndDie;
  sigemptyset(&action.sa_mask);
  for (int sig : kCleanedSignals) ::sigaction(sig, &action, nullptr);
}

}  // namespace vex3d
