#pragma once
// What the exchange worker and the plug-in say to each other over the
// worker's standard output: a stream of records, each a kind byte, a 64-bit
// little-endian payload length and the payload. The payloads other than
// progress are host archives (hostlib/core/archive.h), so that a damaged
// one raises CArchiveException instead of being misread; a scene's archive
// comes in pieces, one record each, that joined make it. The worker ends a
// complete answer with an end record; a stream cut before it is a worker
// that did not finish.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "hostlib/core/sanitizer_build.h"

class CArchive;

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
  progress = 'P',   // one byte: the percentage done
  log = 'L',        // int32 level, string text: an entry for the options' log
  scenePart = 's',  // a piece of a scene, more to come
  // The last piece of a scene, or the whole of it alone: the pieces joined
  // are the uint32 up axis of the file, the scene archive, then the table
  // of its embedded images (scene/embedded_images.h). A scene is
  // sent in pieces as it is stored, so that the plug-in rebuilds it while
  // the worker is still storing it.
  scene = 'S',
  failure = 'F',  // int32 IO error code, string text
  file = 'W',     // string file name, count, bytes: one file written
  end = 'E',      // empty: the answer is complete
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

// The record's header, for a payload of `payloadSize` bytes.
std::array<std::uint8_t, kRecordHeaderBytes> recordHeader(RecordKind kind,
                                                          std::uint64_t payloadSize);

// Where an answer's bytes come from: the worker's output, or bytes in
// memory.
class AnswerInput {
 public:
  virtual ~AnswerInput() = default;
  // Up to `size` bytes into `data`, waiting for at least one; 0 once the
  // input has ended or the caller stopped waiting for it.
  virtual std::size_t readSome(std::uint8_t* data, std::size_t size) = 0;
};

// Loads a scene from its archive (up axis first) as its pieces arrive; may
// throw when the archive is damaged or ends early.
using SceneLoader = std::function<void(CArchive& archive)>;

// Reads an answer record by record as it arrives. The worker is not
// trusted: an unknown kind, a payload or scene longer than the reader
// accepts, a record inside a scene or a scene that does not end where its
// archive ends mark the answer damaged. A payload announced but never sent
// reserves address space, not memory; a scene is never held whole: its
// pieces go through a small window into the scene being rebuilt.
class AnswerReader {
 public:
  enum class Step {
    record,   // a whole record (next), or a whole scene (loadScene)
    scene,    // a scene begins: loadScene reads it, before anything else
    ended,    // the input ended between two records
    cut,      // the input ended inside a record
    damaged,  // bytes that break the protocol
  };

  AnswerReader(AnswerInput& input, std::uint64_t maxPayload)
      : m_input(input), m_maxPayload(maxPayload) {}

  Step next(Record& record);
  // The scene that next() announced, through `load`, which must read all
  // of it.
  Step loadScene(const SceneLoader& load);

 private:
  class ScenePieces;

  // Exactly `size` bytes: ended when none came, cut when some did.
  Step readExactly(std::uint8_t* data, std::size_t size);
  // The next header: its kind and payload length.
  Step readHeader(RecordKind& kind, std::uint64_t& length);
  static bool knownKind(std::uint8_t kind);

  AnswerInput& m_input;
  std::uint64_t m_maxPayload;
  // The scene next() announced: its first piece's length and whether it
  // is the last.
  bool m_scenePending = false;
  std::uint64_t m_firstPiece = 0;
  bool m_firstIsLast = false;
};

}  // namespace vex3d::assimp
