#include "worker_client.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>

#include "hostlib/core/progress.h"

extern char** environ;

namespace vex3d::assimp {

namespace {

using Clock = std::chrono::steady_clock;

// How often the user is asked whether to stop while the worker says
// nothing: often enough that a stop feels immediate.
constexpr int kPollMillis = 100;
constexpr std::size_t kWriteChunk = std::size_t{1} << 20;

// An object of this plug-in, to find where the plug-in lies.
const char kPluginAnchor = 0;

// A file descriptor closed when it goes out of scope.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : m_fd(fd) {}
  ~Fd() { reset(); }
  Fd(Fd&& other) noexcept : m_fd(other.release()) {}
  Fd& operator=(Fd&& other) noexcept {
    reset(other.release());
    return *this;
  }
  int get() const { return m_fd; }
  int release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
  }
  void reset(int fd = -1) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
  }

 private:
  int m_fd = -1;
};

// The host's progress display for a worker: the worker's percentages as
// they arrive, and the question whether to stop asked on every change and
// at least every kPollMillis.
class ProgressRelay {
 public:
  explicit ProgressRelay(const std::string& title) : m_shown(!title.empty()) {
    if (!m_shown) return;
    m_info.title = title;
    progressCallCallback(kProgressOpen, &m_info);
  }
  ~ProgressRelay() {
    if (m_shown) progressCallCallback(kProgressClose, &m_info);
  }
  ProgressRelay(const ProgressRelay&) = delete;
  ProgressRelay& operator=(const ProgressRelay&) = delete;

  void position(int percent) {
    if (!m_shown || percent == m_info.position) return;
    m_info.position = std::clamp(percent, 0, 100);
    progressCallCallback(kProgressSetPosition, &m_info);
    ask();
  }
  // True once the user asked to stop.
  bool cancelled() {
    if (m_shown && !m_cancelled && Clock::now() - m_asked >= std::chrono::milliseconds(kPollMillis))
      ask();
    return m_cancelled;
  }

 private:
  void ask() {
    m_asked = Clock::now();
    m_cancelled = m_cancelled || progressCallCallback(kProgressIsCancelled, &m_info) != 0;
  }

  bool m_shown;
  bool m_cancelled = false;
  Clock::time_point m_asked{};
  ProcessProgressInfo m_info;
};

// The caller's environment, with the sanitizer's resident memory limit
// added in sanitized builds when a budget was chosen (see kSanitizedBuild
// and WorkerJob::memoryBudgetChosen).
class WorkerEnvironment {
 public:
  explicit WorkerEnvironment(const WorkerJob& job) {
    const bool limit = kSanitizedBuild && job.memoryBudgetChosen;
    std::string asan = "ASAN_OPTIONS=";
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
      if (limit && std::strncmp(*entry, "ASAN_OPTIONS=", 13) == 0) {
        asan = std::string(*entry) + ":";
        continue;
      }
      m_pointers.push_back(*entry);
    }
    if (limit) {
      m_asan = asan + "hard_rss_limit_mb=" +
               std::to_string(std::max<std::uint64_t>(job.memoryBudget >> 20, 1));
      m_pointers.push_back(m_asan.data());
    }
    m_pointers.push_back(nullptr);
  }
  char* const* get() { return m_pointers.data(); }

 private:
  std::string m_asan;
  std::vector<char*> m_pointers;
};

struct Spawned {
  pid_t pid = -1;
  Fd output;  // the worker's standard output
  Fd input;   // the worker's standard input
  std::string error;
};

Spawned spawnWorker(const std::string& program, const WorkerJob& job) {
  Spawned spawned;
  int out[2];
  int in[2];
  if (::pipe2(out, O_CLOEXEC) != 0) {
    spawned.error = std::strerror(errno);
    return spawned;
  }
  Fd outRead(out[0]);
  Fd outChild(out[1]);
  // The input goes over a socket rather than a pipe: a send can refuse to
  // raise SIGPIPE, which would end the caller when the worker dies first.
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0) {
    spawned.error = std::strerror(errno);
    return spawned;
  }
  Fd inParent(in[0]);
  Fd inChild(in[1]);
  // Fewer, larger reads when a scene of many megabytes comes back; the
  // system may refuse, which only costs speed.
  ::fcntl(out[0], F_SETPIPE_SZ, 1 << 20);

  std::vector<std::string> words = {program};
  words.insert(words.end(), job.arguments.begin(), job.arguments.end());
  words.insert(words.end(), {kMemoryOption, std::to_string(job.memoryBudget)});
  if (job.timeBudget != 0) words.insert(words.end(), {kCpuOption, std::to_string(job.timeBudget)});
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  WorkerEnvironment environment(job);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawnattr_init(&attributes);
  ::posix_spawn_file_actions_adddup2(&actions, in[1], STDIN_FILENO);
  ::posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  // Whatever else the caller has open (a scene file being written, a
  // socket) stays out of the worker's reach.
  ::posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
  // Signals the caller ignores or blocks would otherwise stay ignored or
  // blocked in the worker.
  sigset_t all;
  sigset_t none;
  ::sigfillset(&all);
  ::sigemptyset(&none);
  ::posix_spawnattr_setsigdefault(&attributes, &all);
  ::posix_spawnattr_setsigmask(&attributes, &none);
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  const int result = ::posix_spawn(&spawned.pid, program.c_str(), &actions, &attributes,
                                   argv.data(), environment.get());
  ::posix_spawn_file_actions_destroy(&actions);
  ::posix_spawnattr_destroy(&attributes);
  if (result != 0) {
    spawned.pid = -1;
    spawned.error = program + ": " + std::strerror(result);
    return spawned;
  }
  // The child's ends close here; without input, so does ours, and the
  // worker reads an empty input.
  ::fcntl(out[0], F_SETFL, O_NONBLOCK);
  ::fcntl(in[0], F_SETFL, O_NONBLOCK);
  spawned.output.reset(outRead.release());
  if (!job.input.empty()) spawned.input.reset(inParent.release());
  return spawned;
}

// A process descriptor as waitid takes it (linux/wait.h's P_PIDFD).
constexpr auto kPidFd = static_cast<idtype_t>(3);

// Workers that have answered, ending beside the caller's work: giving back
// the memory of a large model takes a worker a good part of a second, which
// nobody needs to wait for. They are reaped by a later run, or when the
// plug-in goes. Process descriptors, unlike process ids, cannot come to
// name another process meanwhile.
class EndingWorkers {
 public:
  static EndingWorkers& instance() {
    static EndingWorkers workers;
    return workers;
  }
  ~EndingWorkers() {
    for (const int process : m_processes) {
      reaped(process, 0);
      ::close(process);
    }
  }
  EndingWorkers(const EndingWorkers&) = delete;
  EndingWorkers& operator=(const EndingWorkers&) = delete;

  void add(Fd process) {
    const std::lock_guard lock(m_mutex);
    m_processes.push_back(process.release());
  }
  void reapEnded() {
    const std::lock_guard lock(m_mutex);
    std::erase_if(m_processes, [](int process) {
      if (!reaped(process, WNOHANG)) return false;
      ::close(process);
      return true;
    });
  }

 private:
  EndingWorkers() = default;

  // True once the process is gone (or was reaped by someone else).
  static bool reaped(int process, int flags) {
    siginfo_t info{};
    while (::waitid(kPidFd, static_cast<id_t>(process), &info, WEXITED | flags) < 0) {
      if (errno != EINTR) return true;
    }
    return info.si_pid != 0;
  }

  std::mutex m_mutex;
  std::vector<int> m_processes;
};

double processorSeconds(const rusage& usage) {
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// What became of a worker that ended on its own.
WorkerEnd endOf(int status, const rusage& usage, const WorkerJob& job, bool complete, int& signal) {
  if (WIFSIGNALED(status)) {
    signal = WTERMSIG(status);
    // The processor limit sends SIGXCPU, then SIGKILL a second later.
    const bool spent = job.timeBudget != 0 && processorSeconds(usage) >= job.timeBudget;
    if (signal == SIGXCPU || (signal == SIGKILL && spent)) return WorkerEnd::outOfTime;
    return WorkerEnd::crashed;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == kOutOfMemoryStatus) return WorkerEnd::outOfMemory;
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && complete) return WorkerEnd::answered;
  return WorkerEnd::damaged;
}

// The worker's output as the answer's input: waiting for it feeds the
// worker its input, and watches the clock and the user, who stop the wait.
class WorkerPipe : public AnswerInput {
 public:
  WorkerPipe(Spawned& worker, const WorkerJob& job, ProgressRelay& progress,
             std::optional<Clock::time_point> deadline)
      : m_worker(worker), m_job(job), m_progress(progress), m_deadline(deadline) {}

  std::size_t readSome(std::uint8_t* data, std::size_t size) override {
    while (!m_stopped && m_worker.output.get() >= 0) {
      if (m_worker.input.get() >= 0) wait(0);
      const ssize_t n = ::read(m_worker.output.get(), data, size);
      if (n > 0) {
        watch();
        return static_cast<std::size_t>(n);
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno == EAGAIN) {
        wait(waitMillis());
        watch();
        continue;
      }
      // The end of the output, or one that cannot be read: the answer is
      // what came.
      m_worker.output.reset();
    }
    return 0;
  }

  void stop(WorkerEnd why) {
    if (!m_stopped) m_stopped = why;
  }
  // Why the caller stopped waiting, once it did: the user's stop or the
  // clock, checked now.
  std::optional<WorkerEnd> watch() {
    if (!m_stopped && m_progress.cancelled()) m_stopped = WorkerEnd::cancelled;
    if (!m_stopped && m_deadline && Clock::now() >= *m_deadline) m_stopped = WorkerEnd::outOfTime;
    return m_stopped;
  }
  std::optional<WorkerEnd> stopped() const { return m_stopped; }
  int waitMillis() const {
    if (!m_deadline) return kPollMillis;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(*m_deadline - Clock::now());
    return static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, kPollMillis));
  }

 private:
  // Until the output is readable or `millis` have passed, sending the
  // worker its input meanwhile.
  void wait(int millis) {
    pollfd fds[2] = {{m_worker.output.get(), POLLIN, 0}, {m_worker.input.get(), POLLOUT, 0}};
    const nfds_t count = m_worker.input.get() >= 0 ? 2 : 1;
    if (::poll(fds, count, millis) < 0 && errno != EINTR) {
      m_stopped = WorkerEnd::damaged;
      return;
    }
    if (count == 2 && fds[1].revents != 0) feed();
  }
  void feed() {
    const std::span<const std::uint8_t> piece = m_job.input.piece(m_piece);
    const std::size_t size = std::min(kWriteChunk, piece.size() - m_sent);
    const ssize_t n =
        ::send(m_worker.input.get(), piece.data() + m_sent, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) m_sent += static_cast<std::size_t>(n);
    if (m_sent == piece.size()) {
      ++m_piece;
      m_sent = 0;
    }
    // A worker that stops reading says why in its answer, or by dying.
    if ((n < 0 && errno != EAGAIN && errno != EINTR) || m_piece == m_job.input.pieceCount())
      m_worker.input.reset();
  }

  Spawned& m_worker;
  const WorkerJob& m_job;
  ProgressRelay& m_progress;
  std::optional<Clock::time_point> m_deadline;
  std::size_t m_piece = 0;  // the input piece being sent, and how much of it went
  std::size_t m_sent = 0;
  std::optional<WorkerEnd> m_stopped;
};

}  // namespace

void WorkerInput::Take(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return;
  m_pieces.push_back({std::vector<std::uint8_t>(bytes.begin(), bytes.end()), {}});
}

void WorkerInput::TakeBlock(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return;
  m_pieces.push_back({{}, bytes});
}

WorkerOutcome runWorker(const std::string& program, const WorkerJob& job,
                        const SceneLoader& loadScene) {
  WorkerOutcome outcome;
  ProgressRelay progress(job.progressTitle);
  Spawned worker = spawnWorker(program, job);
  if (worker.pid < 0) {
    outcome.end = WorkerEnd::notStarted;
    outcome.startError = worker.error;
    return outcome;
  }
  EndingWorkers::instance().reapEnded();
  // Readable once the worker has ended; without it (an old kernel) the
  // end is polled for.
  Fd ended(static_cast<int>(::syscall(SYS_pidfd_open, worker.pid, 0)));

  std::optional<Clock::time_point> deadline;
  if (job.timeBudget != 0)
    deadline = Clock::now() + std::chrono::seconds(2 * std::uint64_t{job.timeBudget});
  WorkerPipe pipe(worker, job, progress, deadline);
  // A worker cannot send more than it can hold.
  AnswerReader reader(pipe, job.memoryBudget);
  bool complete = false;
  bool sceneSeen = false;
  bool cut = false;

  // Until the worker closes its output: records as they come, a scene
  // rebuilt as it comes.
  for (;;) {
    Record record;
    AnswerReader::Step step = reader.next(record);
    if (step == AnswerReader::Step::scene) {
      if (complete || sceneSeen || !loadScene) {
        step = AnswerReader::Step::damaged;
      } else {
        sceneSeen = true;
        step = reader.loadScene(loadScene);
        if (step == AnswerReader::Step::record) continue;
      }
    }
    if (step == AnswerReader::Step::ended) break;
    if (step == AnswerReader::Step::cut) {
      cut = true;
      break;
    }
    if (step == AnswerReader::Step::damaged) {
      pipe.stop(WorkerEnd::damaged);
      break;
    }
    if (complete) {
      // Nothing may follow the end of an answer.
      pipe.stop(WorkerEnd::damaged);
      break;
    }
    if (record.kind == RecordKind::progress) {
      if (record.payload.size() == 1) progress.position(record.payload.data()[0]);
      continue;
    }
    complete = record.kind == RecordKind::end;
    outcome.records.push_back(std::move(record));
  }
  worker.input.reset();
  worker.output.reset();
  std::optional<WorkerEnd> stopped = pipe.stopped();

  // The worker has nothing left to do once it has answered: it is ended
  // for sure and left to finish beside the caller. Sanitized builds wait
  // for its own end, where the leak checker reports.
  const bool whole = !stopped && complete && !cut;
  if (whole && !kSanitizedBuild && ended.get() >= 0) {
    ::syscall(SYS_pidfd_send_signal, ended.get(), SIGKILL, nullptr, 0);
    EndingWorkers::instance().add(std::move(ended));
    outcome.end = WorkerEnd::answered;
    return outcome;
  }

  // The worker closes its output when it has answered and then ends; one
  // that lingers is waited for under the same watch as before.
  int status = 0;
  rusage usage{};
  while (!stopped) {
    const pid_t done = ::wait4(worker.pid, &status, WNOHANG, &usage);
    if (done == worker.pid) break;
    if (done < 0 && errno != EINTR) {
      // Reaped by someone else (a caller that ignores SIGCHLD): the answer
      // is all there is to judge by.
      outcome.end = whole ? WorkerEnd::answered : WorkerEnd::damaged;
      return outcome;
    }
    pollfd end{ended.get(), POLLIN, 0};
    ::poll(&end, ended.get() >= 0 ? 1 : 0, ended.get() >= 0 ? pipe.waitMillis() : 10);
    stopped = pipe.watch();
  }
  if (stopped) {
    ::kill(worker.pid, SIGKILL);
    while (::wait4(worker.pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    outcome.end = *stopped;
    return outcome;
  }
  outcome.end = endOf(status, usage, job, whole, outcome.signal);
  return outcome;
}

const std::string& workerProgram() {
  static const std::string path = [] {
    Dl_info info{};
    if (::dladdr(&kPluginAnchor, &info) == 0 || info.dli_fname == nullptr) return std::string();
    std::error_code ec;
    std::filesystem::path plugin = std::filesystem::canonical(info.dli_fname, ec);
    if (ec) plugin = std::filesystem::absolute(info.dli_fname, ec);
    return (plugin.parent_path() / kWorkerPath).string();
  }();
  return path;
}

void setMemoryBudget(WorkerJob& job, std::uint64_t requested) {
  job.memoryBudgetChosen = true;
  job.memoryBudget = requested;
  if (requested != 0) return;
  if (const char* text = std::getenv(kMemoryBudgetVariable)) {
    char* end = nullptr;
    const unsigned long long mebibytes = std::strtoull(text, &end, 10);
    if (end != text && *end == '\0' && mebibytes > 0 && mebibytes < (std::uint64_t{1} << 44)) {
      job.memoryBudget = mebibytes << 20;
      return;
    }
  }
  job.memoryBudgetChosen = false;
  const long pages = ::sysconf(_SC_PHYS_PAGES);
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  job.memoryBudget = pages <= 0 || pageSize <= 0 ? std::uint64_t{4} << 30
                                                 : static_cast<std::uint64_t>(pages) *
                                                       static_cast<std::uint64_t>(pageSize) / 2;
}

}  // namespace vex3d::assimp
