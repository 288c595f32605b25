// run_timed TIMEOUT_S COMMAND [ARGS...]: runs COMMAND with its output
// discarded (its errors pass through) and prints one line, "WALL_S USER_S
// SYS_S PEAK_KIB", for the whole-process benchmark. Its own exit status is
// the command's, 124 when the command ran past TIMEOUT_S and was killed.
// Timing here rather than through a shell, timeout(1) and time(1) keeps
// their own start-up, several milliseconds, out of small files' figures.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

double now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: run_timed TIMEOUT_S COMMAND [ARGS...]\n");
    return 2;
  }
  const double timeout = std::atof(argv[1]);
  const double start = now();
  const pid_t pid = fork();
  if (pid < 0) {
    std::perror("run_timed: fork");
    return 2;
  }
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, STDOUT_FILENO);
    execvp(argv[2], argv + 2);
    std::perror("run_timed: exec");
    _exit(127);
  }
  // A process descriptor becomes readable when the child ends, so the
  // timeout costs no polling.
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  bool killed = false;
  if (pidfd >= 0) {
    pollfd watch{pidfd, POLLIN, 0};
    int ready;
    do {
      const double left = timeout - (now() - start);
      ready = left > 0 ? poll(&watch, 1, static_cast<int>(left * 1000) + 1) : 0;
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) {
      kill(pid, SIGKILL);
      killed = true;
    }
  }
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  const double wall = now() - start;
  std::printf("%.4f %.3f %.3f %ld\n", wall, seconds(usage.ru_utime), seconds(usage.ru_stime),
              usage.ru_maxrss);
  if (killed) return 124;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
