#pragma once
// Peak memory of one piece of work: run in a forked child whose peak was
// reset first, so that what this process allocated and freed before does
// not count.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace vex3d::bench {

// "VmHWM:" or "VmRSS:" of this process, in bytes.
inline std::uint64_t statusBytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::size_t length = std::strlen(field);
  while (std::getline(status, line)) {
    if (line.compare(0, length, field) == 0) return std::stoull(line.substr(length)) * 1024;
  }
  return 0;
}

// Runs `build` in a child process whose peak was reset just before, so the
// rise of VmHWM is what the list took at its largest, whatever this process
// allocated and freed earlier. Returns the rise, or 0 when it failed.
template <class Build>
std::uint64_t peakRiseInChild(Build build) {
  int fds[2];
  if (pipe(fds) != 0) return 0;
  const pid_t child = fork();
  if (child < 0) return 0;
  if (child == 0) {
    close(fds[0]);
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
      std::fputs("5", f);  // resets VmHWM to the current VmRSS
      std::fclose(f);
    }
    const std::uint64_t before = statusBytes("VmHWM:");
    build();
    const std::uint64_t rise = statusBytes("VmHWM:") - before;
    const ssize_t written = write(fds[1], &rise, sizeof rise);
    _exit(written == sizeof rise ? 0 : 1);
  }
  close(fds[1]);
  std::uint64_t rise = 0;
  if (read(fds[0], &rise, sizeof rise) != sizeof rise) rise = 0;
  close(fds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return rise;
}

}  // namespace vex3d::bench
