#include "test_faults.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "answer.h"
#include "hostlib/core/archive.h"
#include "hostlib/io/file_io_frame.h"
#include "scene/embedded_images.h"
#include "scene/scene.h"
#include "worker_protocol.h"

namespace vex3d::assimp {

namespace {

[[noreturn]] void writeToReadOnlyMemory() {
  void* page = ::mmap(nullptr, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (page != MAP_FAILED) *static_cast<volatile int*>(page) = 1;
  ::raise(SIGSEGV);
  std::abort();
}

// Allocates and touches memory until the budget stops it. A worker that
// gets past 8 GiB was not limited, which the tests must see as a failure
// rather than take the machine's memory.
[[noreturn]] void allocateForEver() {
  constexpr std::size_t kBlock = std::size_t{64} << 20;
  static std::vector<char*> blocks;
  for (std::size_t total = 0; total < (std::size_t{8} << 30); total += kBlock) {
    char* block = new char[kBlock];
    std::memset(block, 1, kBlock);
    blocks.push_back(block);
  }
  ::_exit(1);
}

[[noreturn]] void spinForEver() {
  volatile std::uint64_t n = 0;
  for (;;) n = n + 1;
}

[[noreturn]] void sleepForEver() {
  for (;;) ::pause();
}

[[noreturn]] void answerGarbage(bool lyingLength) {
  std::vector<std::uint8_t> bytes;
  if (lyingLength) {
    const auto header = recordHeader(RecordKind::scene, 1000);
    bytes.assign(header.begin(), header.end());
    bytes.resize(bytes.size() + 10, 0);
  } else {
    for (int i = 0; i < 4096; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 131 + 7));
  }
  if (::write(STDOUT_FILENO, bytes.data(), bytes.size()) < 0) ::_exit(1);
  ::_exit(0);
}

// An empty scene, sent the ways a worker taken over might garble it: twice,
// with a record between its pieces, or one byte longer than its archive.
[[noreturn]] void answerGarbledScene(const std::string& how) {
  std::vector<std::uint8_t> scene;
  {
    C3DScene empty;
    CArchive ar(scene, CArchive::store);
    ar << std::uint32_t{0};
    empty.Serialize(ar);
    vex3d::storeEmbeddedImages(ar, empty);
  }
  std::vector<std::uint8_t> bytes;
  auto add = [&](RecordKind kind, std::span<const std::uint8_t> payload) {
    const auto header = recordHeader(kind, payload.size());
    bytes.insert(bytes.end(), header.begin(), header.end());
    bytes.insert(bytes.end(), payload.begin(), payload.end());
  };
  const std::span<const std::uint8_t> whole(scene);
  if (how == "two-scenes") {
    add(RecordKind::scene, whole);
    add(RecordKind::scene, whole);
  } else if (how == "record-in-scene") {
    const std::uint8_t percent = 50;
    add(RecordKind::scenePart, whole.first(scene.size() / 2));
    add(RecordKind::progress, {&percent, 1});
    add(RecordKind::scene, whole.subspan(scene.size() / 2));
  } else {
    scene.push_back(0);
    add(RecordKind::scene, scene);
  }
  add(RecordKind::end, {});
  if (::write(STDOUT_FILENO, bytes.data(), bytes.size()) < 0) ::_exit(1);
  ::_exit(0);
}

// Tries every way of changing the folder and names those that worked.
std::string tryToWrite(const std::string& folder) {
  const std::string made = folder + "/made-by-worker";
  const std::string kept = folder + "/keep";
  std::string worked;
  auto attempt = [&](const char* what, bool done) {
    if (done) worked += std::string(worked.empty() ? "" : ", ") + what;
  };
  const int created = ::open(made.c_str(), O_WRONLY | O_CREAT, 0644);
  attempt("open to create", created >= 0);
  if (created >= 0) ::close(created);
  std::FILE* stream = std::fopen((folder + "/fopened-by-worker").c_str(), "w");
  attempt("fopen to write", stream != nullptr);
  if (stream != nullptr) std::fclose(stream);
  const int truncated = ::open(kept.c_str(), O_WRONLY | O_TRUNC);
  attempt("open to truncate", truncated >= 0);
  if (truncated >= 0) ::close(truncated);
  const int appended = ::open(kept.c_str(), O_RDWR | O_APPEND);
  attempt("open to append", appended >= 0);
  if (appended >= 0) ::close(appended);
  attempt("mkdir", ::mkdir((folder + "/folder-by-worker").c_str(), 0755) == 0);
  attempt("symlink", ::symlink(kept.c_str(), (folder + "/link-by-worker").c_str()) == 0);
  attempt("link", ::link(kept.c_str(), (folder + "/hard-link-by-worker").c_str()) == 0);
  attempt("truncate", ::truncate(kept.c_str(), 0) == 0);
  attempt("chmod", ::chmod(kept.c_str(), 0600) == 0);
  attempt("rename", ::rename(kept.c_str(), (folder + "/renamed-by-worker").c_str()) == 0);
  attempt("unlink", ::unlink(kept.c_str()) == 0);
  return worked.empty() ? "every write was refused" : "these writes worked: " + worked;
}

}  // namespace

bool runTestFault(Answer& answer) {
  const char* value = std::getenv(kTestFaultVariable);
  if (value == nullptr) return false;
  const std::string fault = value;
  if (fault == "segfault") writeToReadOnlyMemory();
  if (fault == "abort") std::abort();
  if (fault == "allocate") allocateForEver();
  if (fault == "spin") spinForEver();
  if (fault == "sleep") sleepForEver();
  if (fault == "garbage" || fault == "lying-length") answerGarbage(fault == "lying-length");
  if (fault == "two-scenes" || fault == "record-in-scene" || fault == "scene-too-long")
    answerGarbledScene(fault);
  // The answer stops after so many bytes, the worker exiting or killed.
  for (const auto& [prefix, signal] : {std::pair{"cut:", 0}, std::pair{"die:", SIGKILL}}) {
    const std::string cut = prefix;
    if (fault.rfind(cut, 0) != 0) continue;
    answer.cutAfter(std::strtoull(fault.c_str() + cut.size(), nullptr, 10), signal);
    return false;
  }
  const std::string writeFiles = "write-files:";
  if (fault.rfind(writeFiles, 0) == 0) {
    answer.failure(IO_ERROR_PARSER_EXCEPTION, tryToWrite(fault.substr(writeFiles.size())));
    answer.finish();
    return true;
  }
  return false;
}

}  // namespace vex3d::assimp
