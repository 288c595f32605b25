// vex3d-exchange-standin: plays the exchange program of an authoring
// application. Its "application files" are .v3d scene files, whatever
// their names: a read sends the file's scene, a write stores the scene
// received. Started without options (as the module starts the Maya
// exchange program, from its folder) it serves Maya's endpoint; with
// --max, the 3DS Max plug-in's, where reads come bracketed in scans.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hostlib/core/archive.h"
#include "io/dynex_client_window.h"
#include "io/exchange.h"
#include "scene/scene.h"
#include "scene/scene_file.h"

namespace {

namespace fs = std::filesystem;
using namespace vex3d::exchange;

volatile sig_atomic_t g_stop = 0;

void onSignal(int) { g_stop = 1; }

// Fault injection for the tests: the program dies as a crash would, in the
// middle of serving a read.
bool dieInRead() {
  const char* fault = std::getenv("VEX3D_STANDIN_FAULT");
  return fault != nullptr && std::strcmp(fault, "die-in-read") == 0;
}

class CStandInWindow : public CDynExClientWindow {
 public:
  CStandInWindow(std::string root, bool verbose) : m_root(std::move(root)), m_verbose(verbose) {}

  void BeginSceneScan() override { log("scan begins"); }

  void EndSceneScan() override {
    m_scanCache.clear();
    log("scan ends");
  }

  C3DScene* ReadScene(const std::string& path) override {
    if (dieInRead()) ::kill(::getpid(), SIGKILL);
    if (!allowed(path)) return nullptr;
    auto scene = std::make_unique<C3DScene>();
    // Within a scan a file read once is not read again: the scan is the
    // application's promise that its files stay as they are meanwhile.
    if (auto cached = m_scanCache.find(path); cached != m_scanCache.end()) {
      CArchive ar(cached->second, CArchive::load);
      scene->Serialize(ar);
      log("read " + path + " (from this scan)");
      return scene.release();
    }
    std::string error;
    if (!vex3d::loadSceneFile(path, *scene, error)) {
      log("cannot read " + path + ": " + error);
      return nullptr;
    }
    if (GetScanNbr() > 0) {
      std::vector<std::uint8_t>& bytes = m_scanCache[path];
      CArchive ar(bytes, CArchive::store);
      scene->Serialize(ar);
    }
    log("read " + path);
    return scene.release();
  }

  void ReceiveScene(const std::string& path, C3DScene* scene) override {
    if (scene == nullptr || !allowed(path)) return;
    std::string error;
    if (!vex3d::saveSceneFile(*scene, path, error)) {
      log("cannot write " + path + ": " + error);
      return;
    }
    m_scanCache.erase(path);
    log("wrote " + path);
  }

 private:
  bool allowed(const std::string& path) const {
    if (m_root.empty()) return true;
    std::error_code ec;
    const fs::path file = fs::weakly_canonical(fs::path(path), ec);
    if (ec) return false;
    const std::string name = file.string();
    if (name.size() > m_root.size() && name.compare(0, m_root.size(), m_root) == 0 &&
        name[m_root.size()] == '/') {
      return true;
    }
    log("refused " + path + ": outside " + m_root);
    return false;
  }

  void log(const std::string& line) const {
    if (m_verbose) std::fprintf(stderr, "vex3d-exchange-standin: %s\n", line.c_str());
  }

  std::string m_root;
  bool m_verbose;
  std::map<std::string, std::vector<std::uint8_t>> m_scanCache;
};

void usage(std::FILE* out) {
  std::fprintf(out,
               "Usage: vex3d-exchange-standin [--max] [--root DIR] [--verbose]\n"
               "Serves .v3d scene files to the 3D module as an authoring application's\n"
               "exchange program would, until asked to quit.\n"
               "  --max        serve the 3DS Max endpoint (default: Maya's)\n"
               "  --root DIR   serve only files inside DIR\n"
               "  --verbose    say what is read and written on the standard error\n");
}

}  // namespace

int main(int argc, char** argv) {
  bool max = false;
  bool verbose = false;
  std::string root;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--max") {
      max = true;
    } else if (arg == "--verbose") {
      verbose = true;
    } else if (arg == "--root" && i + 1 < argc) {
      std::error_code ec;
      root = fs::weakly_canonical(fs::path(argv[++i]), ec).string();
      if (ec || !fs::is_directory(root)) {
        std::fprintf(stderr, "vex3d-exchange-standin: %s is not a folder\n", argv[i]);
        return 2;
      }
    } else if (arg == "--help" || arg == "-h") {
      usage(stdout);
      return 0;
    } else {
      usage(stderr);
      return 2;
    }
  }

  struct sigaction action {};
  action.sa_handler = onSignal;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  CStandInWindow window(root, verbose);
  const char* serverClass = max ? kMaxServerClass : kMayaServerClass;
  if (!window.Create(serverClass, max ? kMaxReplyClass : kMayaReplyClass)) {
    std::fprintf(stderr, "vex3d-exchange-standin: cannot serve \"%s\" (already served?)\n",
                 serverClass);
    return 1;
  }
  if (verbose) std::fprintf(stderr, "vex3d-exchange-standin: serving \"%s\"\n", serverClass);
  while (window.IsOpen() && !g_stop) vex3d::ipc::serveEndpoints(-1);
  window.DestroyWindow();
  return 0;
}
