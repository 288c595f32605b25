// The exchange-format plug-in reads and writes in a worker process: whatever
// the worker does (crash, abort, exhaust its memory or time, answer
// nonsense, try to write files) the caller gets an ordinary IO error naming
// the file and goes on; the worker changes nothing on disk; a confined read
// opens nothing outside the model's folder. The worker is made to misbehave
// through its test variable, after its limits and write barrier are in
// place, and by files that crash the exchange library itself.
#include <gtest/gtest.h>
#include <signal.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "gltf_file.h"
#include "hostlib/core/archive.h"
#include "hostlib/core/progress.h"
#include "hostlib/io/file_io_frame.h"
#include "hostlib/io/plugin_loader.h"
#include "hostlib/text/strings.h"
#include "io/io.h"
#include "scene/embedded_images.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"
#include "scoped_config_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kFaultVariable = "VEX3D_TEST_WORKER_FAULT";
constexpr const char* kMemoryVariable = "VEX3D_READER_MEMORY_MB";

// Under the sanitizers a crash is reported and ended by the sanitizer
// (an abort) and the memory limit is the sanitizer's: the cause logged
// differs, the error does not.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// One triangle, (0,0,0) (1,0,0) (0,1,0), as a glTF buffer.
std::string triangleBuffer() {
  const float corners[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  return std::string(reinterpret_cast<const char*>(corners), sizeof corners);
}

std::string triangleGltf(const std::string& uri) {
  return R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
  "nodes": [{"mesh": 0}], "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
  "buffers": [{"byteLength": 36, "uri": ")" +
         uri + R"("}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36}],
  "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",
    "min": [0, 0, 0], "max": [1, 1, 0]}]})";
}

constexpr const char* kEmbeddedTriangle =
    "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA";

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<std::string> namesIn(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

bool logHas(const CSceneImportOptions& options, int level, const std::string& text) {
  for (const auto& entry : options.GetLog()) {
    if (entry.level == level && entry.text == text) return true;
  }
  return false;
}

// A grid of side x side quads as triangles, a colour at every corner: its
// scene goes to the plug-in in many pieces.
void writeGrid(const fs::path& file, int side) {
  vex3d::test::GltfPrimitive grid;
  for (int y = 0; y <= side; ++y) {
    for (int x = 0; x <= side; ++x) {
      grid.positions.push_back({static_cast<float>(x), static_cast<float>(y),
                                static_cast<float>((x * 7 + y * 3) % 5) * 0.25f});
      grid.colours.push_back({static_cast<float>(x) / static_cast<float>(side),
                              static_cast<float>(y) / static_cast<float>(side), 0.5f, 1.0f});
    }
  }
  const auto corner = [side](int x, int y) {
    return static_cast<std::uint32_t>(y * (side + 1) + x);
  };
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      grid.indices.insert(grid.indices.end(),
                          {corner(x, y), corner(x + 1, y), corner(x + 1, y + 1), corner(x, y),
                           corner(x + 1, y + 1), corner(x, y + 1)});
    }
  }
  ASSERT_TRUE(vex3d::test::writeGltf(file, {grid}));
}

std::vector<std::uint8_t> readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>());
}

std::vector<std::uint8_t> archiveOf(C3DScene& scene) {
  std::vector<std::uint8_t> bytes;
  CArchive ar(bytes, CArchive::store);
  scene.Serialize(ar);
  return bytes;
}

// Where each record of an answer starts, its kind and its payload length.
struct RecordAt {
  std::size_t offset;
  char kind;
  std::uint64_t length;
};

std::vector<RecordAt> recordsOf(const std::vector<std::uint8_t>& answer) {
  std::vector<RecordAt> records;
  for (std::size_t at = 0; at + 9 <= answer.size();) {
    std::uint64_t length = 0;
    for (int i = 0; i < 8; ++i) length |= std::uint64_t{answer[at + 1 + i]} << (8 * i);
    records.push_back({at, static_cast<char>(answer[at]), length});
    at += 9 + length;
  }
  return records;
}

const std::string kBinaryDir = VEX3D_TEST_BINARY_DIR;

class ExchangeWorkerTest : public testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv("VEX3D_PLUGIN_PATH");
    RegisterIOPlugins(0x4000);
    fs::create_directories(m_config.Path());
    m_triangle = write("triangle.gltf", triangleGltf(kEmbeddedTriangle));
  }
  void TearDown() override {
    ::unsetenv(kFaultVariable);
    ::unsetenv(kMemoryVariable);
    FreeIOPlugins(0x4000);
  }

  fs::path path(const std::string& name) const { return m_config.Path() / name; }

  std::string write(const std::string& name, const std::string& bytes) const {
    const fs::path file = path(name);
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return file.string();
  }

  // The scene, or null with the IO's error in m_error and m_errorText.
  std::unique_ptr<C3DScene> read(const std::string& file, CSceneImportOptions& options) {
    C3DIo io(CFileNameSpec(file, 0), IO_FLAG_READ | IO_FLAG_SILENT);
    std::unique_ptr<C3DScene> scene = io.Read(0, &options);
    m_error = io.GetIoError();
    m_errorText = io.GetIoErrorText();
    return scene;
  }
  std::unique_ptr<C3DScene> read(const std::string& file) {
    CSceneImportOptions options;
    return read(file, options);
  }

  // What the worker answers for `file`, run by hand, exactly as it sent it.
  std::vector<std::uint8_t> answerOf(const std::string& file) {
    const C3DIo io(CFileNameSpec(file, 0), IO_FLAG_READ | IO_FLAG_SILENT);
    const fs::path out = path("answer.bin");
    const std::string command =
        kBinaryDir + "/lib/vex3d/plugins/assimp/vex3d-assimp-worker read '" + file + "' " +
        std::to_string(io.GetFileClass()) + " > '" + out.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return readBytes(out);
  }

  int save(const std::string& file, C3DScene& scene) {
    C3DIo io(CFileNameSpec(file, 0), IO_FLAG_SILENT);
    const int result = io.Save(0, &scene, nullptr);
    m_errorText = io.GetIoErrorText();
    return result;
  }

  std::string m_triangle;
  int m_error = 0;
  std::string m_errorText;

 private:
  vex3d::test::ScopedConfigDir m_config{"exchange_worker"};
};

TEST_F(ExchangeWorkerTest, EveryWayAWorkerFailsIsAnIoErrorNamingTheFile) {
  struct Case {
    const char* fault;
    std::uint64_t memoryBudget;
    const char* memoryVariable;
    std::uint32_t timeBudget;
    std::string cause;  // logged, as an error, beside the IO error
  };
  const std::string crashed = FormatString(vex3d::kStrWorkerCrashed, SIGSEGV);
  const std::string aborted = FormatString(vex3d::kStrWorkerCrashed, SIGABRT);
  const std::string outOfTime = FormatString(vex3d::kStrWorkerOutOfTime, 1u);
  const std::string outOfMemory = FormatString(vex3d::kStrWorkerOutOfMemory, 256u);
  const std::string badAnswer = LoadStringW(vex3d::kStrWorkerBadAnswer);
  const Case cases[] = {
      {"segfault", 0, nullptr, 0, crashed},
      {"abort", 0, nullptr, 0, aborted},
      {"allocate", std::uint64_t{256} << 20, nullptr, 0, outOfMemory},
      // The caller gives no budget: the environment's applies.
      {"allocate", 0, "256", 0, outOfMemory},
      {"spin", 0, nullptr, 1, outOfTime},
      // Stuck without using the processor: the clock stops it.
      {"sleep", 0, nullptr, 1, outOfTime},
      {"garbage", 0, nullptr, 0, badAnswer},
      {"lying-length", 0, nullptr, 0, badAnswer},
      {"two-scenes", 0, nullptr, 0, badAnswer},
      {"record-in-scene", 0, nullptr, 0, badAnswer},
      {"scene-too-long", 0, nullptr, 0, badAnswer},
  };
  const std::string failed = FormatString(vex3d::kStrReaderFailed, m_triangle.c_str());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    ::setenv(kFaultVariable, c.fault, 1);
    if (c.memoryVariable != nullptr) ::setenv(kMemoryVariable, c.memoryVariable, 1);
    CSceneImportOptions options;
    options.m_memoryBudget = c.memoryBudget;
    options.m_timeBudget = c.timeBudget;
    EXPECT_EQ(read(m_triangle, options), nullptr);
    EXPECT_EQ(m_error, IO_ERROR_PARSER_EXCEPTION);
    EXPECT_EQ(m_errorText, failed);
    if (!kSanitized || c.cause == badAnswer || c.cause == outOfTime) {
      EXPECT_TRUE(logHas(options, CIoOptions::logError, c.cause)) << "expected: " << c.cause;
    }
    ::unsetenv(kFaultVariable);
    ::unsetenv(kMemoryVariable);
    // The caller goes on, and so does the next worker.
    EXPECT_NE(read(m_triangle), nullptr) << m_errorText;
  }
}

TEST_F(ExchangeWorkerTest, AFailedWriteKeepsTheOldFileAndAGoodOneWritesBesideIt) {
  const auto scene = read(m_triangle);
  ASSERT_NE(scene, nullptr) << m_errorText;
  const std::string target = write("out/model.gltf", "the user's old file");

  ::setenv(kFaultVariable, "segfault", 1);
  EXPECT_EQ(save(target, *scene), 0);
  EXPECT_EQ(m_errorText, FormatString(vex3d::kStrWriterFailed, target.c_str()));
  EXPECT_EQ(readText(target), "the user's old file");
  EXPECT_EQ(namesIn(path("out")), std::set<std::string>{"model.gltf"});
  ::unsetenv(kFaultVariable);

  // The buffer lands beside the file, under the name the file gives it.
  ASSERT_EQ(save(target, *scene), 1) << m_errorText;
  EXPECT_EQ(namesIn(path("out")), (std::set<std::string>{"model.gltf", "model.bin"}));
  EXPECT_NE(readText(target).find("\"model.bin\""), std::string::npos);
  const auto back = read(target);
  ASSERT_NE(back, nullptr) << m_errorText;
  EXPECT_EQ(back->GetFaceNbr(), 1);
}

// The worker loads the scene to write as it arrives: one cut short is a
// failure it answers, never a file, and the whole one is written.
TEST_F(ExchangeWorkerTest, AWriteWhoseSceneArrivesCutShortAnswersAFailure) {
  const auto scene = read(m_triangle);
  ASSERT_NE(scene, nullptr) << m_errorText;
  scene->GetCustomData().RemoveAll();
  std::vector<std::uint8_t> whole;
  {
    CArchive ar(whole, CArchive::store);
    scene->Serialize(ar);
    vex3d::storeEmbeddedImages(ar, *scene);
  }
  const std::string worker = kBinaryDir + "/lib/vex3d/plugins/assimp/vex3d-assimp-worker";
  const std::string target = path("model.glb").string();
  const std::vector<std::size_t> lengths = {0, 1, whole.size() / 2, whole.size() - 1, whole.size()};
  for (const std::size_t length : lengths) {
    const std::string input =
        write("scene.bin", std::string(whole.begin(), whole.begin() + static_cast<long>(length)));
    const fs::path answer = path("answer.bin");
    const std::string command =
        worker + " write '" + target + "' glb < '" + input + "' > '" + answer.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::string kinds;
    for (const RecordAt& record : recordsOf(readBytes(answer))) kinds += record.kind;
    EXPECT_EQ(kinds, length == whole.size() ? "WE" : "FE") << length << " of " << whole.size();
    EXPECT_FALSE(fs::exists(target));
  }
}

TEST_F(ExchangeWorkerTest, TheWorkerCannotChangeFiles) {
  const std::string kept = write("guarded/keep", "precious");
  const fs::path guarded = path("guarded");
  ::setenv(kFaultVariable, ("write-files:" + guarded.string()).c_str(), 1);
  EXPECT_EQ(read(m_triangle), nullptr);
  EXPECT_EQ(m_errorText, "every write was refused");
  EXPECT_EQ(namesIn(guarded), std::set<std::string>{"keep"});
  EXPECT_EQ(readText(kept), "precious");
}

TEST_F(ExchangeWorkerTest, AConfinedReadOpensNothingOutsideTheModelsFolder) {
  write("tri.bin", triangleBuffer());
  write("model/buffers/tri.bin", triangleBuffer());
  const std::string inside = write("model/inside.gltf", triangleGltf("buffers/tri.bin"));
  const std::string outside = write("model/outside.gltf", triangleGltf("../tri.bin"));
  const std::string linked = write("model/linked.gltf", triangleGltf("link.bin"));
  fs::create_symlink(path("tri.bin"), path("model/link.bin"));

  CSceneImportOptions confined;
  confined.m_confined = true;
  const auto scene = read(inside, confined);
  ASSERT_NE(scene, nullptr) << m_errorText;
  EXPECT_EQ(scene->GetFaceNbr(), 1);
  EXPECT_EQ(confined.GetLogCount(CIoOptions::logWarning), 0u);

  for (const std::string& file : {outside, linked}) {
    SCOPED_TRACE(file);
    CSceneImportOptions options;
    options.m_confined = true;
    const auto refused = read(file, options);
    EXPECT_TRUE(refused == nullptr || refused->GetFaceNbr() == 0);
    bool warned = false;
    for (const auto& entry : options.GetLog()) {
      warned |=
          entry.level == CIoOptions::logWarning && entry.text.find(".bin") != std::string::npos;
    }
    EXPECT_TRUE(warned);
    // Only the confinement stood in the way.
    const auto free = read(file);
    ASSERT_NE(free, nullptr) << m_errorText;
    EXPECT_EQ(free->GetFaceNbr(), 1);
  }
}

TEST_F(ExchangeWorkerTest, TheCallerSeesProgressAndItsStopEndsTheWorker) {
  {
    vex3d::ProgressRecorder recorder;
    const vex3d::ProgressHandlerScope scope(recorder.handler());
    ASSERT_NE(read(m_triangle), nullptr) << m_errorText;
    const auto events = recorder.events();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().code, vex3d::kProgressOpen);
    EXPECT_EQ(events.front().info.title, FormatString(vex3d::kStrReadingFile, "triangle.gltf"));
    EXPECT_EQ(events.back().code, vex3d::kProgressClose);
    EXPECT_GE(recorder.count(vex3d::kProgressIsCancelled), 1);
  }
  // A worker that would never end on its own (the time budget is only a
  // safety net for a broken test) ends at the user's first stop.
  ::setenv(kFaultVariable, "sleep", 1);
  vex3d::ProgressRecorder stopping(1);
  const vex3d::ProgressHandlerScope scope(stopping.handler());
  CSceneImportOptions options;
  options.m_timeBudget = 60;
  EXPECT_EQ(read(m_triangle, options), nullptr);
  EXPECT_EQ(m_errorText, "reading was cancelled");
}

// Files that crash the exchange library itself: a recursion 10,000 nodes
// deep overflows its stack; on CSM files with no last frame it writes
// through a null key array, and on ones with more frames than announced it
// writes past its key arrays (and reports more keys than it has).
TEST_F(ExchangeWorkerTest, FilesThatCrashTheLibraryAreIoErrors) {
  std::string deep = R"(<?xml version="1.0"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
<library_visual_scenes><visual_scene id="s">)";
  for (int i = 0; i < 10000; ++i) deep += "<node>";
  for (int i = 0; i < 10000; ++i) deep += "</node>";
  deep += R"(</visual_scene></library_visual_scenes>
<scene><instance_visual_scene url="#s"/></scene></COLLADA>)";
  const std::string dae = write("deep.dae", deep);
  EXPECT_EQ(read(dae), nullptr);
  EXPECT_EQ(m_errorText, FormatString(vex3d::kStrReaderFailed, dae.c_str()));

  auto csm = [](const std::string& lastFrame, int frames) {
    std::string text = "$FirstFrame 1\n" + lastFrame + "$Rate 30.0\n\n$Order\nA B\n\n$Points\n";
    for (int f = 1; f <= frames; ++f) {
      text += std::to_string(f) + " " + std::to_string(f) + " 2 3 " + std::to_string(-f) + " 2 3\n";
    }
    return text;
  };
  for (const auto& [name, text] : {std::pair{"unannounced.csm", csm("", 8)},
                                   std::pair{"overlong.csm", csm("$LastFrame 5\n", 7)}}) {
    SCOPED_TRACE(name);
    const std::string file = write(name, text);
    const auto scene = read(file);
    if (!scene) {
      EXPECT_EQ(m_errorText, FormatString(vex3d::kStrReaderFailed, file.c_str()));
      continue;
    }
    // Where the library survives its own damage, the keys taken from it
    // are the ones it has: frames 1 to 7 at its rate, one tick each, none
    // from the empty slots it counts as keys (at time 0).
    C3DBaseObject* object = nullptr;
    CSceneIterator it = scene->Begin();
    while (C3DSceneNode* node = scene->GetNextNode(object, it)) {
      for (int k = 0; k < node->GetKeyNbr(); ++k) {
        int time = 0;
        ASSERT_NE(node->GetKeyByIndex(k, &time), nullptr);
        EXPECT_GE(time, 1) << node->GetName();
        EXPECT_LE(time, 7) << node->GetName();
      }
    }
  }
  EXPECT_NE(read(m_triangle), nullptr) << m_errorText;
}

TEST_F(ExchangeWorkerTest, ALargeSceneComesThroughTheWorkerAsItReadsInProcess) {
  const fs::path grid = path("grid.gltf");
  writeGrid(grid, 120);
  // Many pieces, or the test would not test the pieces.
  int pieces = 0;
  for (const RecordAt& record : recordsOf(answerOf(grid.string()))) pieces += record.kind == 's';
  EXPECT_GE(pieces, 4);

  const auto scene = read(grid.string());
  ASSERT_NE(scene, nullptr) << m_errorText;
  EXPECT_EQ(scene->GetFaceNbr(), 2 * 120 * 120);
  const fs::path inProcess = path("in_process.v3d");
  const std::string command =
      kBinaryDir + "/bin/exchange_in_process '" + grid.string() + "' '" + inProcess.string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  // Byte for byte: the same objects, channels, materials and names. Only
  // the IO notes on the scene which file it came from.
  EXPECT_FALSE(scene->GetCustomData().IsEmpty());
  scene->GetCustomData().RemoveAll();
  EXPECT_TRUE(archiveOf(*scene) == readBytes(inProcess));
}

// The worker stores its meshes straight from what it gathered from the
// library, without building them; the caller must get the very scene the
// in-process read builds, whatever the meshes hold: texture points,
// normals, colours or none of them, quads and larger faces, several
// materials and meshes in one node, many nodes.
TEST_F(ExchangeWorkerTest, EveryKindOfMeshComesThroughTheWorkerAsItReadsInProcess) {
  std::vector<fs::path> files;
  for (const char* sample : {"textured_cube", "animated_groups", "colored_quads"}) {
    const auto scene = read(std::string(VEX3D_TEST_DATA_DIR) + "/samples/" + sample + ".v3d");
    ASSERT_NE(scene, nullptr) << sample << ": " << m_errorText;
    for (const char* format : {"dae", "fbx", "glb"}) {
      files.push_back(path(std::string(sample) + "." + format));
      ASSERT_EQ(save(files.back().string(), *scene), 1) << files.back() << ": " << m_errorText;
    }
  }
  // Two meshes in one node, only one of them coloured.
  vex3d::test::GltfPrimitive coloured;
  coloured.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  coloured.colours = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}};
  coloured.indices = {0, 1, 2};
  vex3d::test::GltfPrimitive plain;
  plain.positions = {{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  plain.indices = {0, 1, 2, 0, 2, 3};
  files.push_back(path("mixed.gltf"));
  ASSERT_TRUE(vex3d::test::writeGltf(files.back(), {coloured, plain}));
  // A pentagon beside a quad and a triangle, corners shared.
  files.push_back(write("polygons.off",
                        "OFF\n7 3 0\n0 0 0\n1 0 0\n1.5 1 0\n0.5 1.8 0\n-0.5 1 0\n"
                        "1 -1 0\n0 -1 0\n5 0 1 2 3 4\n4 0 6 5 1\n3 4 3 2\n"));

  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    const auto scene = read(file.string());
    ASSERT_NE(scene, nullptr) << m_errorText;
    EXPECT_GT(scene->GetFaceNbr(), 0);
    const fs::path inProcess = path("in_process.v3d");
    const std::string command = kBinaryDir + "/bin/exchange_in_process '" + file.string() + "' '" +
                                inProcess.string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    scene->GetCustomData().RemoveAll();
    EXPECT_TRUE(archiveOf(*scene) == readBytes(inProcess));
  }
}

// The answer cut anywhere: in a header, in a piece of the scene, between
// two pieces, before the scene's last record, before the end record, a
// byte short. Every cut is the same clear error, and the next read works.
TEST_F(ExchangeWorkerTest, AnAnswerCutAnywhereIsADamagedAnswer) {
  const fs::path grid = path("grid.gltf");
  writeGrid(grid, 60);
  const std::vector<std::uint8_t> answer = answerOf(grid.string());
  const std::vector<RecordAt> records = recordsOf(answer);
  std::vector<const RecordAt*> pieces;
  const RecordAt* last = nullptr;
  const RecordAt* end = nullptr;
  for (const RecordAt& record : records) {
    if (record.kind == 's') pieces.push_back(&record);
    if (record.kind == 'S') last = &record;
    if (record.kind == 'E') end = &record;
  }
  ASSERT_GE(pieces.size(), 2u);
  ASSERT_NE(last, nullptr);
  ASSERT_NE(end, nullptr);
  const RecordAt& middle = *pieces[pieces.size() / 2];
  const std::size_t cuts[] = {4,
                              pieces.front()->offset + 5,
                              pieces.front()->offset + 9 + 1000,
                              pieces[1]->offset,
                              middle.offset + 9 + middle.length / 2,
                              last->offset,
                              end->offset,
                              answer.size() - 1};
  const std::string failed = FormatString(vex3d::kStrReaderFailed, grid.string().c_str());
  for (const std::size_t cut : cuts) {
    SCOPED_TRACE(cut);
    ::setenv(kFaultVariable, ("cut:" + std::to_string(cut)).c_str(), 1);
    CSceneImportOptions options;
    EXPECT_EQ(read(grid.string(), options), nullptr);
    EXPECT_EQ(m_errorText, failed);
    EXPECT_TRUE(logHas(options, CIoOptions::logError, LoadStringW(vex3d::kStrWorkerBadAnswer)));
  }
  // Cut where it ends anyway: nothing is missing.
  ::setenv(kFaultVariable, ("cut:" + std::to_string(answer.size())).c_str(), 1);
  EXPECT_NE(read(grid.string()), nullptr) << m_errorText;
  ::unsetenv(kFaultVariable);
  EXPECT_NE(read(grid.string()), nullptr) << m_errorText;
}

TEST_F(ExchangeWorkerTest, AWorkerKilledWhileSendingItsSceneIsACrash) {
  const fs::path grid = path("grid.gltf");
  writeGrid(grid, 60);
  const std::vector<std::uint8_t> answer = answerOf(grid.string());
  ::setenv(kFaultVariable, ("die:" + std::to_string(answer.size() / 2)).c_str(), 1);
  CSceneImportOptions options;
  EXPECT_EQ(read(grid.string(), options), nullptr);
  EXPECT_EQ(m_errorText, FormatString(vex3d::kStrReaderFailed, grid.string().c_str()));
  EXPECT_TRUE(
      logHas(options, CIoOptions::logError, FormatString(vex3d::kStrWorkerCrashed, SIGKILL)));
  ::unsetenv(kFaultVariable);
  EXPECT_NE(read(grid.string()), nullptr) << m_errorText;
}

}  // namespace
