#pragma once
// The worker's answer on its standard output, record by record (see
// worker_protocol.h).
#include <cstdint>
#include <span>
#include <string>
#include <vector>

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
  void scene(std::uint32_t fileUpAxis, C3DScene& scene);
  void failure(int code, const std::string& text);
  void file(const std::string& name, std::span<const std::uint8_t> bytes);
  // The end record, then the output closes: the plug-in has all it needs
  // and need not wait for the worker's own clean-up.
  void finish();

 private:
  void record(RecordKind kind, std::span<const std::uint8_t> payload);
  void write(std::span<const std::uint8_t> bytes);
  // A large payload's pages go into the pipe as they are, without a copy;
  // they must then stay as they are until the worker ends, which it does
  // without freeing them.
  void lend(std::vector<std::uint8_t> payload, RecordKind kind);

  int m_fd;
  std::vector<std::vector<std::uint8_t>> m_lent;
};

}  // namespace vex3d::assimp
