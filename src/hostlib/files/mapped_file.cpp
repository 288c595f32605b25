#include "hostlib/files/mapped_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "hostlib/files/file_utils.h"
#include "hostlib/text/strings.h"

namespace {

// The mappings open now, for the fault handler: fixed slots and atomics,
// all a signal handler may touch.
constexpr int kSlots = 64;
struct Slot {
  std::atomic<std::uintptr_t> begin{0};
  std::atomic<std::uintptr_t> end{0};
  std::atomic<bool> faulted{false};
  std::atomic<bool> used{false};
};
Slot g_slots[kSlots];
struct sigaction g_previous {};
std::once_flag g_installed;

void passOn(int sig, siginfo_t* info, void* context) {
  if (g_previous.sa_flags & SA_SIGINFO) {
    if (g_previous.sa_sigaction != nullptr) {
      g_previous.sa_sigaction(sig, info, context);
      return;
    }
  } else if (g_previous.sa_handler != SIG_DFL && g_previous.sa_handler != SIG_IGN &&
             g_previous.sa_handler != nullptr) {
    g_previous.sa_handler(sig);
    return;
  }
  // Nobody else wants it: the fault ends the program as it would have.
  ::signal(sig, SIG_DFL);
}

extern "C" void onBusError(int sig, siginfo_t* info, void* context) {
  const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
  for (Slot& slot : g_slots) {
    if (!slot.used.load() || address < slot.begin.load() || address >= slot.end.load()) continue;
    // A page of zeros where the file's page was: the reader goes on over
    // bytes it checks anyway, and learns from intact() that they are not
    // the file's.
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    void* at = reinterpret_cast<void*>(address & ~(page - 1));
    if (::mmap(at, page, PROT_READ, MAP_PRIVATE | MAP_FIXED | MAP_ANONYMOUS, -1, 0) != MAP_FAILED) {
      slot.faulted.store(true);
      return;
    }
  }
  passOn(sig, info, context);
}

void installHandler() {
  struct sigaction action {};
  action.sa_sigaction = onBusError;
  action.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGBUS, &action, &g_previous);
}

int claimSlot(const unsigned char* data, std::size_t size) {
  std::call_once(g_installed, installHandler);
  for (int i = 0; i < kSlots; ++i) {
    bool expected = false;
    if (g_slots[i].used.compare_exchange_strong(expected, true)) {
      g_slots[i].faulted.store(false);
      g_slots[i].begin.store(reinterpret_cast<std::uintptr_t>(data));
      g_slots[i].end.store(reinterpret_cast<std::uintptr_t>(data) + size);
      return i;
    }
  }
  return -1;
}

}  // namespace

namespace vex3d {

std::string whyNotReadable(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    return systemErrorText(errno);
  }
  if (S_ISDIR(st.st_mode)) return LoadStringW(kStrIsADirectory);
  if (!S_ISREG(st.st_mode)) return LoadStringW(kStrNotARegularFile);
  if (::access(path.c_str(), R_OK) != 0) return systemErrorText(errno);
  return {};
}

MappedFile::~MappedFile() { close(); }

bool MappedFile::open(const std::string& path, std::string& why) {
  close();
  // Without O_NONBLOCK, opening a FIFO waits for a writer that may never
  // come; the type is checked on what was opened, so nothing swaps it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    why = path + ": " + systemErrorText(errno);
    return false;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    why = path + ": " + LoadStringW(S_ISDIR(info.st_mode) ? kStrIsADirectory : kStrNotARegularFile);
    ::close(fd);
    return false;
  }
  m_size = static_cast<std::size_t>(info.st_size);
  if (m_size > 0) {
    // Populating at once costs far less than a fault per page as the
    // readers walk through the file.
    void* data = ::mmap(nullptr, m_size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (data == MAP_FAILED) {
      why = path + ": " + systemErrorText(errno);
      m_size = 0;
      ::close(fd);
      return false;
    }
    ::madvise(data, m_size, MADV_SEQUENTIAL);
    m_data = static_cast<const unsigned char*>(data);
    m_slot = claimSlot(m_data, m_size);
  }
  ::close(fd);
  return true;
}

void MappedFile::close() {
  if (m_slot >= 0) {
    g_slots[m_slot].begin.store(0);
    g_slots[m_slot].end.store(0);
    g_slots[m_slot].used.store(false);
    m_slot = -1;
  }
  if (m_data != nullptr) ::munmap(const_cast<unsigned char*>(m_data), m_size);
  m_data = nullptr;
  m_size = 0;
  m_released = 0;
}

void MappedFile::releaseBefore(const void* upTo) {
  const auto* at = static_cast<const unsigned char*>(upTo);
  if (m_data == nullptr || at <= m_data) return;
  static const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  const std::size_t length = std::min(static_cast<std::size_t>(at - m_data), m_size) & ~(page - 1);
  if (length <= m_released) return;
  // A private mapping that was never written: dropping its pages loses
  // nothing the file does not hold.
  ::madvise(const_cast<unsigned char*>(m_data) + m_released, length - m_released, MADV_DONTNEED);
  m_released = length;
}

bool MappedFile::intact() const { return m_slot < 0 || !g_slots[m_slot].faulted.load(); }

}  // namespace vex3d
