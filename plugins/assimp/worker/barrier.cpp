#include "barrier.h"

#include <fcntl.h>
#include <seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "worker_protocol.h"

namespace vex3d::assimp {

void closeInheritedFiles() { ::close_range(STDERR_FILENO + 1, ~0U, 0); }

void applyLimits(std::uint64_t memory, std::uint32_t seconds) {
  const rlimit noCore{0, 0};
  ::setrlimit(RLIMIT_CORE, &noCore);
  if (memory != 0 && !kSanitizedBuild) {
    const rlimit space{memory, memory};
    ::setrlimit(RLIMIT_AS, &space);
  }
  if (seconds != 0) {
    const rlimit processor{seconds, seconds + 1};
    ::setrlimit(RLIMIT_CPU, &processor);
  }
  std::set_new_handler([] { ::_exit(kOutOfMemoryStatus); });
  // Also keeps the system's crash collector from saving the worker's
  // memory; the sanitizers' leak checker needs the worker to stay
  // traceable.
  if (!kSanitizedBuild) ::prctl(PR_SET_DUMPABLE, 0);
}

namespace {

// System calls refused outright.
const int kRefused[] = {
    // Files and folders changed, made or removed.
    SCMP_SYS(creat),
    SCMP_SYS(unlink),
    SCMP_SYS(unlinkat),
    SCMP_SYS(rename),
    SCMP_SYS(renameat),
    SCMP_SYS(renameat2),
    SCMP_SYS(mkdir),
    SCMP_SYS(mkdirat),
    SCMP_SYS(rmdir),
    SCMP_SYS(link),
    SCMP_SYS(linkat),
    SCMP_SYS(symlink),
    SCMP_SYS(symlinkat),
    SCMP_SYS(mknod),
    SCMP_SYS(mknodat),
    SCMP_SYS(truncate),
    SCMP_SYS(ftruncate),
    SCMP_SYS(fallocate),
    SCMP_SYS(chmod),
    SCMP_SYS(fchmod),
    SCMP_SYS(fchmodat),
    SCMP_SYS(chown),
    SCMP_SYS(fchown),
    SCMP_SYS(lchown),
    SCMP_SYS(fchownat),
    SCMP_SYS(utime),
    SCMP_SYS(utimes),
    SCMP_SYS(utimensat),
    SCMP_SYS(futimesat),
    SCMP_SYS(setxattr),
    SCMP_SYS(lsetxattr),
    SCMP_SYS(fsetxattr),
    SCMP_SYS(removexattr),
    SCMP_SYS(lremovexattr),
    SCMP_SYS(fremovexattr),
    // Opens whose flags lie in memory, out of the filter's sight, and
    // files opened by handle.
    SCMP_SYS(openat2),
    SCMP_SYS(open_by_handle_at),
    SCMP_SYS(name_to_handle_at),
    // Ways around system calls, and into other processes and mounts.
    SCMP_SYS(io_uring_setup),
    SCMP_SYS(io_uring_enter),
    SCMP_SYS(io_uring_register),
    SCMP_SYS(process_vm_writev),
    SCMP_SYS(mount),
    SCMP_SYS(umount2),
    SCMP_SYS(pivot_root),
    SCMP_SYS(chroot),
    SCMP_SYS(unshare),
    SCMP_SYS(setns),
    SCMP_SYS(bpf),
    SCMP_SYS(userfaultfd),
    SCMP_SYS(setrlimit),
    SCMP_SYS(tkill),
    // The network.
    SCMP_SYS(socket),
    SCMP_SYS(connect),
    SCMP_SYS(bind),
};

// Refused except in sanitized builds: the sanitizer's leak checker traces
// the worker's threads, and its reports may start a symbolizer.
const int kRefusedUnsanitized[] = {SCMP_SYS(ptrace), SCMP_SYS(execve), SCMP_SYS(execveat)};

// Any of these in an open's flags writes.
const unsigned kWritingOpenFlags[] = {O_WRONLY, O_RDWR, O_CREAT, O_TRUNC, O_APPEND};

// One condition on a call's argument. The library's SCMP_A* macros build
// the same with C compound literals, which C++ does not have.
scmp_arg_cmp argument(unsigned index, scmp_compare op, scmp_datum_t a, scmp_datum_t b = 0) {
  scmp_arg_cmp condition{};
  condition.arg = index;
  condition.op = op;
  condition.datum_a = a;
  condition.datum_b = b;
  return condition;
}

class Filter {
 public:
  Filter() : m_context(::seccomp_init(SCMP_ACT_ALLOW)) {}
  ~Filter() {
    if (m_context != nullptr) ::seccomp_release(m_context);
  }
  Filter(const Filter&) = delete;
  Filter& operator=(const Filter&) = delete;

  explicit operator bool() const { return m_context != nullptr && m_error == 0; }
  int error() const { return m_context == nullptr ? ENOMEM : m_error; }

  template <class... Conditions>
  void refuse(int call, Conditions... conditions) {
    if (m_context == nullptr || m_error != 0) return;
    const int result = ::seccomp_rule_add(m_context, SCMP_ACT_ERRNO(EACCES), call,
                                          sizeof...(conditions), conditions...);
    if (result < 0) m_error = -result;
  }
  void load() {
    if (*this) {
      const int result = ::seccomp_load(m_context);
      if (result < 0) m_error = -result;
    }
  }

 private:
  scmp_filter_ctx m_context;
  int m_error = 0;
};

}  // namespace

bool forbidWriting(std::string& why) {
  Filter filter;
  for (const unsigned flag : kWritingOpenFlags) {
    filter.refuse(SCMP_SYS(open), argument(1, SCMP_CMP_MASKED_EQ, flag, flag));
    filter.refuse(SCMP_SYS(openat), argument(2, SCMP_CMP_MASKED_EQ, flag, flag));
  }
  for (const int call : kRefused) filter.refuse(call);
  if (!kSanitizedBuild) {
    for (const int call : kRefusedUnsanitized) filter.refuse(call);
  }
  // Limits may be read, not raised; signals go to the worker itself only
  // (an abort raises one), never to its caller.
  filter.refuse(SCMP_SYS(prlimit64), argument(2, SCMP_CMP_NE, 0));
  const auto self = static_cast<scmp_datum_t>(::getpid());
  filter.refuse(SCMP_SYS(kill), argument(0, SCMP_CMP_NE, self));
  filter.refuse(SCMP_SYS(tgkill), argument(0, SCMP_CMP_NE, self));
  filter.load();
  if (filter) return true;
  why = std::string("seccomp: ") + std::strerror(filter.error());
  return false;
}

}  // namespace vex3d::assimp
