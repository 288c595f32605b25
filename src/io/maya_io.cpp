#include "io/maya_io.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "hostlib/core/notification.h"
#include "hostlib/files/file_dialogs.h"
#include "hostlib/files/file_utils.h"
#include "hostlib/io/file_io_frame.h"
#include "hostlib/ipc/exchange_endpoint.h"
#include "hostlib/text/strings.h"
#include "io/exchange.h"
#include "scene/preferences.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"

extern char** environ;

using namespace vex3d::exchange;

namespace {

// Maya's Y-up scenes: the second and third axes exchanged, mirrored.
constexpr std::uint32_t kMayaAxisSwap = 0x24;
constexpr std::uint32_t kMayaForcedExport =
    EXPORT_REMOVE_CURVES | EXPORT_PATCHES_TO_MESHES | EXPORT_WORLD_COORDINATES;
constexpr auto kPollStep = std::chrono::milliseconds(25);
constexpr int kQuitPolls = 101;
// The folder may change while starting (the preferences found a newer
// one); past this many folders the start gives up.
constexpr int kMaxFolders = 4;

std::atomic<int> g_askFolder{1};
// Starts are one at a time: two readers must not start two programs.
std::mutex g_startMutex;
// The program this module started, reaped once it ends.
std::atomic<pid_t> g_started{0};

void reapStarted() {
  pid_t pid = g_started.load();
  if (pid > 0 && ::waitpid(pid, nullptr, WNOHANG) == pid) g_started.compare_exchange_strong(pid, 0);
}

// Starts the exchange program in its folder and waits for its endpoint, or
// for its end, or for the start limit. Answers whether the endpoint exists.
bool startAndWait(const std::string& program, const std::string& folder) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  std::string argument0 = program;
  char* argv[] = {argument0.data(), nullptr};
  pid_t pid = 0;
  const int failed = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return false;

  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(vex3d::ipc::waitLimits().startMs);
  for (;;) {
    if (FindWindowByClassName(kMayaServerClass)) {
      g_started = pid;
      return true;
    }
    if (::waitpid(pid, nullptr, WNOHANG) == pid) return false;
    if (std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(kPollStep);
  }
  // A program that neither serves nor ends is of no use, and would be
  // started again by the next read.
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return false;
}

bool sameFolder(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return a.empty() && b.empty();
  return fileIsSameDir(a, b);
}

}  // namespace

CMayaIo::~CMayaIo() = default;

int CMayaIo::GetAskFolder() { return g_askFolder.load(); }

void CMayaIo::SetAskFolder(int ask) { g_askFolder = ask != 0 ? 1 : 0; }

int CMayaIo::InitMayaLibrary() {
  std::lock_guard lock(g_startMutex);
  reapStarted();
  if (FindWindowByClassName(kMayaServerClass)) return 1;
  C3DPreferences& preferences = Get3DPreferences();
  int found = 0;
  std::string folder = preferences.GetMayaPath(found, 0);
  for (int attempt = 0; attempt < kMaxFolders; ++attempt) {
    if (g_askFolder && folder.empty()) {
      const std::string chosen = fileSelectFolder(LoadStringW(vex3d::kStrSelectMayaFolder), folder);
      if (chosen.empty()) {
        g_askFolder = 0;
        return 0;
      }
      preferences.SetMayaPath(chosen, 1, 0);
      preferences.Save();
      folder = preferences.GetMayaPath(found, 0);
    }
    const std::string program = vex3d::findMayaExchangeProgram(folder);
    if (!program.empty()) startAndWait(program, folder);
    if (FindWindowByClassName(kMayaServerClass)) return 1;
    const std::string again = preferences.GetMayaPath(found, 1);
    if (sameFolder(again, folder)) break;
    folder = again;
  }
  if (g_askFolder) ShowMayaInfo(folder);
  g_askFolder = 0;
  return 0;
}

// Called from the preferences, under their lock, when the folder changes:
// it takes no lock of its own, so that a start in progress cannot stall it.
void CMayaIo::StopMayaLibrary() {
  if (FindWindowByClassName(kMayaServerClass)) {
    SendInfoToWnd(kMayaServerClass, kCodeQuit, nullptr, 0, 0);
    for (int poll = 0; poll < kQuitPolls && FindWindowByClassName(kMayaServerClass); ++poll) {
      std::this_thread::sleep_for(kPollStep);
    }
  }
  reapStarted();
}

void CMayaIo::ShowMayaInfo(const std::string& folder) {
  const bool present = !vex3d::findMayaExchangeProgram(folder).empty();
  const std::string text =
      FormatString(present ? vex3d::kStrMayaProgramInvalid : vex3d::kStrMayaProgramMissing,
                   vex3d::kMayaExchangeProgram, folder.c_str()) +
      LoadStringW(vex3d::kStrMayaProgramNeeded);
  ShowNotification(present ? kMayaProgramInvalidDialog : kMayaProgramMissingDialog,
                   LoadStringW(vex3d::kStrMayaTitle), text);
}

C3DScene* CMayaIo::Read(const std::string& fileName, CSceneImportOptions&) {
  if (!InitMayaLibrary()) {
    SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError,
               describeFailure({vex3d::ipc::SendStatus::noEndpoint, 0}, kMayaServerClass));
    return nullptr;
  }
  return readThroughExchange(*this, fileName, kMayaServerClass, kMayaReplyClass, false);
}

void CMayaIo::SaveDefaultOptions(CSceneExportOptions& options) {
  options.m_swap = kMayaAxisSwap;
  options.m_forcedFlags = kMayaForcedExport;
}

int CMayaIo::Save(const std::string& fileName, C3DScene* scene, CSceneExportOptions&) {
  if (!InitMayaLibrary()) {
    SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError,
               describeFailure({vex3d::ipc::SendStatus::noEndpoint, 0}, kMayaServerClass));
    return 0;
  }
  if (scene == nullptr) return 0;
  return writeThroughExchange(*this, fileName, *scene, kMayaServerClass);
}
