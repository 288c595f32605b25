#pragma once
// What the exchange worker and the plug-in say to each other over the
// worker's standard output: a stream of records, each a kind byte, a 64-bit
// little-endian payload length and the payload. The payloads other than
// progress are host archives (hostlib/core/archive.h), so that a damaged
// one raises CArchiveException instead of being misread. The worker ends a
// complete answer with an end record; a stream cut before it is a worker
// that did not finish.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "hostlib/core/sanitizer_build.h"

namespace vex3d::assimp {

// Where the worker lies, relative to the plug-in's folder: a sub-folder the
// plug-in loader does not search.
inline constexpr const char* kWorkerPath = "assimp/vex3d-assimp-worker";

// The worker's command line:
//   read FILE FILE_CLASS [--confined] [--memory BYTES] [--cpu SECONDS]
//   write FILE EXPORT_ID [--memory BYTES]
// A write takes the prepared scene's archive on its standard input.
inline constexpr const char* kReadCommand = "read";
inline constexpr const char* kWriteCommand = "write";
inline constexpr const char* kConfinedOption = "--confined";
inline constexpr const char* kMemoryOption = "--memory";
inline constexpr const char* kCpuOption = "--cpu";

// The worker's exit status when an allocation failed: its memory budget
// is spent. 2 is a command line it does not understand.
inline constexpr int kOutOfMemoryStatus = 3;
inline constexpr int kUsageStatus = 2;

// For the tests: makes the worker misbehave once its limits and its write
// barrier are in place (see worker/test_faults.h). It cannot lift them, so
// it gives nobody more than the worker's own rights.
inline constexpr const char* kTestFaultVariable = "VEX3D_TEST_WORKER_FAULT";

// In sanitized builds the sanitizer's own resident memory limit stands in
// for the address-space limit.
using vex3d::kSanitizedBuild;

enum class RecordKind : std::uint8_t {
  progress = 'P',  // one byte: the percentage done
  log = 'L',       // int32 level, string text: an entry for the options' log
  scene = 'S',     // uint32 up axis of the file, then the scene archive
  failure = 'F',   // int32 IO error code, string text
  file = 'W',      // string file name, count, bytes: one file written
  end = 'E',       // empty: the answer is complete
};

inline constexpr std::size_t kRecordHeaderBytes = 9;

// A record's payload: a block the reader fills straight from the pipe.
class Payload {
 public:
  Payload() = default;
  // False, leaving it empty, when memory is short.
  bool allocate(std::uint64_t size);
  std::uint8_t* data() { return m_block.get(); }
  std::span<const std::uint8_t> bytes() const { return {m_block.get(), m_size}; }
  std::size_t size() const { return m_size; }
  void clear() {
    m_block.reset();
    m_size = 0;
  }

 private:
  struct Free {
    void operator()(std::uint8_t* block) const { std::free(block); }
  };
  std::unique_ptr<std::uint8_t, Free> m_block;
  std::size_t m_size = 0;
};

struct Record {
  RecordKind kind = RecordKind::end;
  Payload payload;
};

// The record's header followed by its payload.
std::vector<std::uint8_t> recordHeader(RecordKind kind, std::uint64_t payloadSize);

// Splits the bytes a worker sends into records as they arrive, read
// straight into their place. The worker is not trusted: an unknown kind or
// a payload longer than the reader accepts marks the stream damaged, and a
// payload announced but never sent reserves address space, not memory.
class RecordReader {
 public:
  explicit RecordReader(std::uint64_t maxPayload) : m_maxPayload(maxPayload) {}

  // Where the next bytes go: the rest of a header, or of a payload.
  std::span<std::uint8_t> space();
  // `count` bytes were read into space(). False once the stream is damaged
  // (and from then on).
  bool commit(std::size_t count);
  bool damaged() const { return m_damaged; }
  // True while a record has begun and is not complete: the stream ended
  // early if it stops here.
  bool midRecord() const { return m_headerFill != 0 || m_inPayload; }

  bool hasRecord() const { return !m_ready.empty(); }
  Record take();

 private:
  static bool knownKind(std::uint8_t kind);
  void finishRecord();

  std::uint64_t m_maxPayload;
  std::uint8_t m_header[kRecordHeaderBytes] = {};
  std::size_t m_headerFill = 0;
  bool m_inPayload = false;
  std::size_t m_payloadFill = 0;
  Record m_current;
  std::deque<Record> m_ready;
  bool m_damaged = false;
};

}  // namespace vex3d::assimp
