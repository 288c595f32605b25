// Every file of the damaged corpus fed to the command line as a file
// browser's thumbnailer would: each must give a scene (status 0) or a clean
// failure (status 1 with a message), never a crash, an abort, a sanitizer
// report or a hang. Under the sanitizer build the same files show memory
// errors in the readers.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A reader stuck on one file must not hold the suite: well above what any
// corpus file takes under the sanitizers.
constexpr int kSecondsPerFile = 20;

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool hasSanitizerReport(const std::string& errors) {
  for (const char* mark : {"runtime error", "AddressSanitizer", "LeakSanitizer"}) {
    if (errors.find(mark) != std::string::npos) return true;
  }
  return false;
}

// The first lines of a report, enough to tell one failure from another.
std::string excerpt(const std::string& errors) {
  std::string out = errors.substr(0, 600);
  std::replace(out.begin(), out.end(), '\n', ' ');
  return out;
}

// The asset import library leaks on some of its error paths: under the
// sanitizers its own leaks are suppressed, so that what is reported is ours.
// Allocations are capped at 1 GiB, which no corpus file needs: a larger
// request is reported at once (instead of the sanitizer spending minutes
// mapping it) and names its caller. The settings are added to whatever the
// caller set; other builds ignore them.
std::string sanitizerSettings(const fs::path& suppressions) {
  return "ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}max_allocation_size_mb=1024\" "
         "LSAN_OPTIONS=\"${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=" +
         suppressions.string() + "\" ";
}

// On absurd counts the asset import library asks for impossible amounts of
// memory. A normal build throws std::bad_alloc there (or, overcommitting,
// fails later on the missing data), which the plug-in turns into an error;
// the sanitizer runtime reports and stops instead. Such a stop is the
// library's and counts as a clean failure; the same request from our own
// code does not.
bool libraryOutOfMemory(const std::string& errors) {
  if (errors.find("AddressSanitizer: allocator is out of memory") == std::string::npos &&
      errors.find("AddressSanitizer: requested allocation size") == std::string::npos) {
    return false;
  }
  const std::size_t caller = errors.find("#1 ");
  if (caller == std::string::npos) return false;
  const std::string frame = errors.substr(caller, errors.find('\n', caller) - caller);
  return frame.find("libassimp") != std::string::npos;
}

// Runs `vex3d ARGS` with its standard error in `errorFile`; the empty
// string when the run ended well, else what went wrong.
std::string problemOf(const std::string& args, const fs::path& errorFile,
                      const std::string& environment) {
  const std::string command = environment + "timeout -k 5 " + std::to_string(kSecondsPerFile) +
                              " " + VEX3D_CLI + " " + args + " >/dev/null 2>'" +
                              errorFile.string() + "'";
  const int status = std::system(command.c_str());
  const std::string errors = readText(errorFile);
  if (status == -1) return "could not be started";
  if (libraryOutOfMemory(errors)) return {};
  if (WIFSIGNALED(status)) return "killed by signal " + std::to_string(WTERMSIG(status));
  const int code = WEXITSTATUS(status);
  if (code == 124 || code == 137)
    return "timed out after " + std::to_string(kSecondsPerFile) + " s";
  if (hasSanitizerReport(errors)) return "sanitizer report: " + excerpt(errors);
  if (code > 128) return "killed by signal " + std::to_string(code - 128) + ": " + excerpt(errors);
  if (code == 1 && errors.find_first_not_of(" \n") == std::string::npos)
    return "status 1 without a message";
  if (code != 0 && code != 1) return "status " + std::to_string(code) + ": " + excerpt(errors);
  return {};
}

// Writes the corpus files whose names start with one of `prefixes` into a
// folder of this test, runs `info` and `thumbnail` on each (two at a time)
// and fails naming every file that did not end well.
void checkCorpus(const std::vector<std::string>& prefixes) {
  const auto* test = testing::UnitTest::GetInstance()->current_test_info();
  const fs::path root = fs::path(VEX3D_TEST_BINARY_DIR) / "broken-corpus" / test->name();
  const fs::path corpus = root / "files";
  const fs::path work = root / "work";
  fs::remove_all(root);
  fs::create_directories(work);
  std::string make = std::string(VEX3D_MAKE_BROKEN_CORPUS) + " '" + corpus.string() + "'";
  for (const std::string& p : prefixes) make += " " + p;
  ASSERT_EQ(std::system((make + " >/dev/null").c_str()), 0) << make;

  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(corpus)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const std::string& p : prefixes) {
    EXPECT_TRUE(
        std::any_of(files.begin(), files.end(),
                    [&](const fs::path& f) { return f.filename().string().starts_with(p); }))
        << "no file named " << p << "*";
  }

  const fs::path suppressions = work / "leaks.supp";
  std::ofstream(suppressions) << "leak:libassimp.so\n";
  const std::string environment = sanitizerSettings(suppressions);

  std::atomic<std::size_t> next{0};
  std::mutex lock;
  std::vector<std::string> failures;
  auto worker = [&](int id) {
    const fs::path errors = work / ("stderr-" + std::to_string(id) + ".txt");
    const fs::path thumbnail = work / ("thumbnail-" + std::to_string(id) + ".png");
    for (std::size_t i = next++; i < files.size(); i = next++) {
      const std::string file = "'" + files[i].string() + "'";
      const std::string runs[2][2] = {
          {"info", "info " + file},
          {"thumbnail", "thumbnail " + file + " '" + thumbnail.string() + "' 64"}};
      for (const auto& run : runs) {
        const std::string problem = problemOf(run[1], errors, environment);
        if (problem.empty()) continue;
        const std::lock_guard<std::mutex> guard(lock);
        failures.push_back(files[i].filename().string() + ": " + run[0] + " " + problem);
      }
      std::error_code ignored;
      fs::remove(thumbnail, ignored);
    }
  };
  std::thread second(worker, 1);
  worker(0);
  second.join();

  std::sort(failures.begin(), failures.end());
  std::string report;
  for (const std::string& f : failures) report += "  " + f + "\n";
  EXPECT_TRUE(failures.empty()) << failures.size() << " of " << files.size()
                                << " files did not end well (corpus in " << corpus.string()
                                << "):\n"
                                << report;
  if (failures.empty()) fs::remove_all(root);
}

TEST(BrokenCorpusTest, ObjFiles) { checkCorpus({"obj-"}); }

TEST(BrokenCorpusTest, StlFiles) { checkCorpus({"stl-"}); }

TEST(BrokenCorpusTest, PlyFiles) { checkCorpus({"ply-"}); }

TEST(BrokenCorpusTest, SceneFiles) { checkCorpus({"v3d-"}); }

TEST(BrokenCorpusTest, GltfFiles) { checkCorpus({"gltf-", "glb-"}); }

TEST(BrokenCorpusTest, ColladaAnd3dsFiles) { checkCorpus({"dae-", "3ds-"}); }

TEST(BrokenCorpusTest, OffFbxAndOtherFiles) { checkCorpus({"off-", "fbx-", "other-"}); }

TEST(BrokenCorpusTest, MisnamedFilesAndFolders) { checkCorpus({"misc-"}); }

}  // namespace
