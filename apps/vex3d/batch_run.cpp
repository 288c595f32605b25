#include "batch_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "cli_text.h"
#include "hostlib/core/parallel_parts.h"
#include "hostlib/core/progress.h"
#include "hostlib/files/file_utils.h"
#include "hostlib/text/strings.h"
#include "json_text.h"
#include "terminal_progress.h"

extern char** environ;

namespace vex3d::cli {

namespace {

// What one run may print before the rest is dropped: a file's warnings are
// worth reading, a runaway loop of them is not worth the memory.
constexpr std::size_t kOutputCap = 1 << 20;
// How often a batch looks for runs that ended without closing their output
// (a helper process they started may still hold it).
constexpr int kPollMilliseconds = 50;

struct Run {
  std::size_t file = 0;
  pid_t pid = -1;
  int fds[2] = {-1, -1};  // its stdout and stderr
  std::string output[2];
};

struct Outcome {
  bool failed = false;
  std::string reason;
  std::string out;
};

std::string selfPath() {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  return std::string(self, static_cast<std::size_t>(n));
}

void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// Reads what is there now; closes the descriptor at its end.
void drain(Run& run, int which) {
  int& fd = run.fds[which];
  char buffer[65536];
  while (fd >= 0) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      std::string& kept = run.output[which];
      kept.append(buffer, std::min(static_cast<std::size_t>(n),
                                   kOutputCap - std::min(kOutputCap, kept.size())));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return;
    closeFd(fd);
  }
}

// Starts the run of `file`; false with the reason when it cannot start.
bool start(const std::string& program, const BatchFile& file, Run& run, std::string& error) {
  int pipes[2][2];
  for (int i = 0; i < 2; ++i) {
    if (::pipe2(pipes[i], O_CLOEXEC) != 0) {
      error = systemErrorText(errno);
      if (i == 1) {
        ::close(pipes[0][0]);
        ::close(pipes[0][1]);
      }
      return false;
    }
  }
  std::vector<std::string> words{"vex3d"};
  words.insert(words.end(), file.args.begin(), file.args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipes[0][1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipes[1][1], STDERR_FILENO);
  const int failed =
      ::posix_spawn(&run.pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  for (int i = 0; i < 2; ++i) {
    ::close(pipes[i][1]);
    run.fds[i] = pipes[i][0];
    ::fcntl(run.fds[i], F_SETFL, O_NONBLOCK);
  }
  if (failed != 0) {
    closeFd(run.fds[0]);
    closeFd(run.fds[1]);
    error = systemErrorText(failed);
    return false;
  }
  return true;
}

// The line that says why a run failed: its last message, without the
// command's own prefix, which the summary's first line already carries.
std::string failureReason(const std::string& input, const std::string& errors, int status) {
  std::size_t end = errors.find_last_not_of("\r\n");
  std::string line;
  if (end != std::string::npos) {
    const std::size_t begin = errors.rfind('\n', end);
    line = errors.substr(begin == std::string::npos ? 0 : begin + 1,
                         end - (begin == std::string::npos ? 0 : begin + 1) + 1);
  }
  const std::string prefix = text(kStrCliError, "");
  if (line.rfind(prefix, 0) == 0) line.erase(0, prefix.size());
  if (WIFSIGNALED(status)) return text(kStrCliBatchSignal, input.c_str(), WTERMSIG(status));
  if (line.empty()) return text(kStrCliBatchStatus, input.c_str(), WEXITSTATUS(status));
  if (line.rfind(input, 0) != 0) line = input + ": " + line;
  return line;
}

class BatchProgress {
 public:
  BatchProgress(const BatchSettings& settings, std::size_t total) : m_shown(!settings.quiet) {
    m_info.title = settings.title;
    m_info.minimum = 0;
    m_info.maximum = static_cast<int>(total);
    show();
  }
  ~BatchProgress() { hide(); }
  void hide() {
    if (m_shown) progressCallCallback(kProgressClose, nullptr);
  }
  void show() {
    if (!m_shown) return;
    m_info.text = text(kStrCliBatchProgress, m_info.position, m_info.maximum);
    progressCallCallback(kProgressOpen, &m_info);
  }
  void advance() {
    ++m_info.position;
    show();
  }

 private:
  bool m_shown;
  ProcessProgressInfo m_info;
};

}  // namespace

int runBatch(const std::vector<BatchFile>& files, const BatchSettings& settings) {
  const std::string program = selfPath();
  std::vector<Outcome> outcomes(files.size());
  std::vector<Run> running;
  TerminalProgress terminal(!settings.quiet);
  BatchProgress progress(settings, files.size());
  std::size_t next = 0;
  bool cancelled = false;
  auto finish = [&](std::size_t index, Outcome outcome) {
    progress.hide();
    if (!settings.json && !outcome.out.empty()) {
      std::fwrite(outcome.out.data(), 1, outcome.out.size(), stdout);
      std::fflush(stdout);
    }
    outcomes[index] = std::move(outcome);
    progress.advance();
  };
  while (next < files.size() || !running.empty()) {
    if (!cancelled && progressCallCallback(kProgressIsCancelled, nullptr) != 0) {
      cancelled = true;
      // Runs started from a terminal got the interrupt themselves; others
      // are told, so that each removes what it was writing.
      for (Run& run : running) ::kill(run.pid, SIGINT);
    }
    while (!cancelled && next < files.size() && running.size() < settings.jobs) {
      const BatchFile& file = files[next];
      Run run;
      run.file = next++;
      std::string error = file.refused;
      if (error.empty() && start(program, file, run, error)) {
        running.push_back(std::move(run));
        continue;
      }
      finish(run.file, {true, file.input + ": " + error, {}});
    }
    if (cancelled && running.empty()) break;
    std::vector<pollfd> polled;
    for (const Run& run : running) {
      for (int fd : run.fds) {
        if (fd >= 0) polled.push_back({fd, POLLIN, 0});
      }
    }
    ::poll(polled.data(), polled.size(), kPollMilliseconds);
    for (auto run = running.begin(); run != running.end();) {
      drain(*run, 0);
      drain(*run, 1);
      int status = 0;
      const pid_t ended = ::waitpid(run->pid, &status, WNOHANG);
      if (ended != run->pid) {
        ++run;
        continue;
      }
      // Whatever it wrote before it ended is in the pipes now.
      ::fcntl(run->fds[0], F_SETFL, 0);
      drain(*run, 0);
      drain(*run, 1);
      closeFd(run->fds[0]);
      closeFd(run->fds[1]);
      progress.hide();
      std::fwrite(run->output[1].data(), 1, run->output[1].size(), stderr);
      const BatchFile& file = files[run->file];
      const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
      finish(run->file,
             {!ok, ok ? std::string() : failureReason(file.input, run->output[1], status),
              std::move(run->output[0])});
      run = running.erase(run);
    }
  }
  progress.hide();

  if (settings.json) {
    std::printf("[");
    for (std::size_t i = 0; i < files.size(); ++i) {
      std::string value = outcomes[i].out;
      while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
      if (value.empty()) {
        value = "{\"input\": " + jsonString(files[i].input) + ", \"written\": false";
        const std::string why = i < next ? outcomes[i].reason : text(kStrCliBatchNotRun);
        value += ", \"error\": " + jsonString(why) + "}";
      }
      std::printf("%s%s", i == 0 ? "\n" : ",\n", value.c_str());
    }
    std::printf("%s]\n", files.empty() ? "" : "\n");
  }
  std::size_t failed = 0;
  for (std::size_t i = 0; i < next; ++i) failed += outcomes[i].failed ? 1 : 0;
  if (failed > 0) {
    printText(stderr, kStrCliBatchFailed, static_cast<int>(failed), static_cast<int>(files.size()));
    for (std::size_t i = 0; i < next; ++i) {
      if (outcomes[i].failed) std::fprintf(stderr, "  %s\n", outcomes[i].reason.c_str());
    }
  }
  if (cancelled) {
    printText(stderr, kStrCliBatchCancelled, static_cast<int>(files.size() - next));
    return 130;
  }
  return failed > 0 ? 1 : 0;
}

std::string jobsValue(const std::string& value, unsigned& jobs) {
  char* end = nullptr;
  const long n = std::strtol(value.c_str(), &end, 10);
  if (end == value.c_str() || *end != '\0' || n < 1) return LoadStringW(kStrCliWantsJobs);
  // More runs than that at once only fight over memory.
  if (n > 256) return text(kStrCliTooLargeNumber, 256);
  jobs = static_cast<unsigned>(n);
  return {};
}

std::string batchOutputPath(const std::string& input, const std::string& folder,
                            const std::string& extension) {
  namespace fs = std::filesystem;
  fs::path name = fs::path(input).filename();
  name.replace_extension(extension);
  const fs::path where = folder.empty() ? fs::path(input).parent_path() : fs::path(folder);
  return (where / name).string();
}

std::string batchOperandsProblem(const std::vector<std::string>& operands) {
  for (const std::string& operand : operands) {
    if (operand == "-") return LoadStringW(kStrCliBatchNoStandardInput);
  }
  return {};
}

void refuseSharedOutputs(std::vector<BatchFile>& files, std::size_t outputArg) {
  std::map<std::string, std::string> writers;
  for (BatchFile& file : files) {
    if (file.args.size() <= outputArg) continue;
    const std::string key = std::filesystem::path(file.args[outputArg]).lexically_normal().string();
    const auto [it, added] = writers.emplace(key, file.input);
    if (!added && file.refused.empty()) {
      file.refused = text(kStrCliBatchSameOutput, key.c_str(), it->second.c_str());
    }
  }
}

}  // namespace vex3d::cli
