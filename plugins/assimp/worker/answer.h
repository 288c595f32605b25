#pragma once
// The worker's answer on its standard output, record by record (see
// worker_protocol.h).
#include <cstdint>
#include <span>
#include <string>

#include "worker_protocol.h"

class C3DScene;
class CIoOptions;

namespace vex3d::assimp {

class Answer {
 public:
  explicit Answer(int fd) : m_fd(fd) {}

  void progress(int percent);
  // Every entry of the options' log.
  void logs(const CIoOptions& options);
  // The scene goes out in pieces as it is stored: the plug-in rebuilds it
  // meanwhile, and no copy of it as a whole is ever made.
  void scene(std::uint32_t fileUpAxis, C3DScene& scene);
  void failure(int code, const std::string& text);
  void file(const std::string& name, std::span<const std::uint8_t> bytes);
  // The end record, then the output closes: the plug-in has all it needs
  // and need not wait for the worker's own clean-up.
  void finish();

  // For the tests: once `bytes` have gone out, the answer stops there and
  // the worker ends, by `signal` when it is not 0 (see test_faults.h).
  void cutAfter(std::uint64_t bytes, int signal);

 private:
  class ScenePieces;

  void record(RecordKind kind, std::span<const std::uint8_t> payload);
  void write(std::span<const std::uint8_t> header, std::span<const std::uint8_t> payload);

  int m_fd;
  std::uint64_t m_written = 0;
  std::uint64_t m_cutAt = UINT64_MAX;
  int m_cutSignal = 0;
};

}  // namespace vex3d::assimp
