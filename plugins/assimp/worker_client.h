#pragma once
// The plug-in's side of the exchange worker: the exchange library reads and
// writes in a short-lived process of its own, so that a file that crashes
// it, exhausts memory or never ends costs that process only. The worker is
// a program started with posix_spawn, never a fork of the caller: the
// caller (a viewer) has threads, and library code run in a forked copy of
// it could deadlock on a lock another thread held at the fork; a spawned
// program also starts with nothing of the caller's memory, so a parser led
// astray by a file sees none of the user's other scenes.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "hostlib/core/archive.h"
#include "worker_protocol.h"

namespace vex3d::assimp {

// What a worker gets on its standard input, as a host archive stores it
// (CArchive(CArchiveSink&)): the archive's pieces copied, its large blocks
// kept where they lie, so that a scene being written is never copied whole.
// Those blocks must stay as they are until the run has ended.
class WorkerInput : public CArchiveSink {
 public:
  void Take(std::span<const std::uint8_t> bytes) override;
  void TakeBlock(std::span<const std::uint8_t> bytes) override;
  bool empty() const { return m_pieces.empty(); }
  std::size_t pieceCount() const { return m_pieces.size(); }
  std::span<const std::uint8_t> piece(std::size_t i) const {
    const Piece& p = m_pieces[i];
    return p.owned.empty() ? p.borrowed : std::span<const std::uint8_t>(p.owned);
  }
  void clear() { m_pieces.clear(); }

 private:
  struct Piece {
    std::vector<std::uint8_t> owned;
    std::span<const std::uint8_t> borrowed;
  };
  std::vector<Piece> m_pieces;
};

// One run of the worker.
struct WorkerJob {
  std::vector<std::string> arguments;  // after the program's name
  WorkerInput input;                   // sent on its standard input
  // Address space in bytes (see memoryBudget).
  std::uint64_t memoryBudget = 0;
  // The budget was chosen (by the caller or the environment) rather than
  // left at the default share. Sanitized builds enforce only a chosen one:
  // the sanitizer's limit watches from a thread of its own, which the leak
  // checker of this toolchain takes for a leak at the worker's end, and no
  // one allocation may take the default share under the sanitizers anyway.
  bool memoryBudgetChosen = false;
  // Processor seconds, 0 for none. The clock allows twice as much: a
  // worker blocked without using the processor (a named pipe dressed as a
  // model, a stalled network folder) is stopped too.
  std::uint32_t timeBudget = 0;
  // Shows the worker's progress under this title and lets the user stop
  // it; empty for none.
  std::string progressTitle;
};

enum class WorkerEnd {
  answered,     // a complete answer and a clean exit
  notStarted,   // the program could not be started (see startError)
  crashed,      // ended by a signal (see signal)
  outOfTime,    // ran past its time budget and was stopped
  outOfMemory,  // an allocation failed within its memory budget
  damaged,      // an answer that breaks the protocol, or none
  cancelled,    // the user stopped it
};

struct WorkerOutcome {
  WorkerEnd end = WorkerEnd::damaged;
  // The answer's records but progress and the scene, in order; complete
  // only when answered.
  std::vector<Record> records;
  int signal = 0;
  std::string startError;
};

// Runs `program` for `job` and answers once it has ended: the worker is
// always reaped, killed first when it had to be stopped. A scene in the
// answer goes to `loadScene` as it arrives, so that it is rebuilt while the
// worker is still sending it; what was loaded stands only if the outcome is
// `answered`. An answer with a scene and no loader, or two scenes, is
// damaged. Safe to call from several threads at once.
WorkerOutcome runWorker(const std::string& program, const WorkerJob& job,
                        const SceneLoader& loadScene = {});

// The worker beside this plug-in, as a full path: a search by name would
// depend on the caller's PATH and, under the sanitizers, on the runtime's
// own idea of where to look.
const std::string& workerProgram();

// The address space a worker may use: `requested` when non-zero, else
// $VEX3D_READER_MEMORY_MB mebibytes when set, else half the machine's
// memory, which leaves the rest of the desktop room while any real model
// reads. Sets the job's budget and whether it was chosen.
void setMemoryBudget(WorkerJob& job, std::uint64_t requested);

inline constexpr const char* kMemoryBudgetVariable = "VEX3D_READER_MEMORY_MB";

}  // namespace vex3d::assimp
