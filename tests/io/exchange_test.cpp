// The exchange with the authoring applications, end to end: in-process
// peers for the protocol's corners, and the stand-in exchange program for
// reads and writes between processes.
#include "io/exchange.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <thread>
#include <vector>

#include "hostlib/core/archive.h"
#include "hostlib/core/notification.h"
#include "hostlib/files/file_dialogs.h"
#include "hostlib/io/file_io_frame.h"
#include "io/dynex_client_window.h"
#include "io/dynex_server_window.h"
#include "io/io.h"
#include "io/max_io.h"
#include "io/maya_io.h"
#include "scene/preferences.h"
#include "scene/scene.h"
#include "scene/scene_builders.h"
#include "scene/scene_file.h"
#include "scene/scene_io_options.h"
#include "scoped_config_dir.h"
#include "scoped_runtime_dir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace vex3d::exchange;

std::vector<std::uint8_t> archiveOf(C3DScene& scene) {
  std::vector<std::uint8_t> bytes;
  CArchive ar(bytes, CArchive::store);
  scene.Serialize(ar);
  return bytes;
}

std::vector<std::uint8_t> fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An exchange program inside the test, on a thread of its own.
class FakeProgram {
 public:
  struct Calls {
    std::atomic<int> begins{0};
    std::atomic<int> ends{0};
  };
  using Reader = std::function<C3DScene*(const std::string&)>;

  FakeProgram(const char* serverClass, const char* replyClass, Reader reader) {
    std::promise<bool> opened;
    auto ready = opened.get_future();
    m_thread = std::thread([&, serverClass, replyClass, reader] {
      Window window(reader, calls);
      const bool ok = window.Create(serverClass, replyClass);
      opened.set_value(ok);
      while (ok && !m_stop.load()) vex3d::ipc::serveEndpoints(20);
    });
    EXPECT_TRUE(ready.get());
  }
  ~FakeProgram() {
    m_stop = true;
    m_thread.join();
  }

  Calls calls;

 private:
  class Window : public CDynExClientWindow {
   public:
    Window(Reader reader, Calls& calls) : m_reader(std::move(reader)), m_calls(calls) {}
    void BeginSceneScan() override { ++m_calls.begins; }
    void EndSceneScan() override { ++m_calls.ends; }
    C3DScene* ReadScene(const std::string& path) override { return m_reader(path); }

   private:
    Reader m_reader;
    Calls& m_calls;
  };

  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

// The stand-in exchange program, in a process of its own.
class StandIn {
 public:
  StandIn(const std::vector<std::string>& args, const char* serverClass) {
    std::vector<std::string> all = {VEX3D_EXCHANGE_STANDIN};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&m_pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return;
    // Until its endpoint exists or it ends: it either serves or fails fast.
    while (!vex3d::ipc::endpointExists(serverClass)) {
      if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
        m_pid = 0;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  ~StandIn() {
    if (m_pid <= 0) return;
    ::kill(m_pid, SIGTERM);
    ::waitpid(m_pid, nullptr, 0);
  }
  bool Running() const { return m_pid > 0; }

 private:
  pid_t m_pid = 0;
};

class ExchangeTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(m_config.Path());
    m_notifications =
        vex3d::setNotificationHook([this](int id, const std::string&, const std::string& text) {
          notified.push_back(id);
          texts.push_back(text);
        });
    m_folders = vex3d::setSelectFolderHook([this](const std::string&, const std::string&) {
      ++foldersAsked;
      return chosenFolder;
    });
    CMayaIo::SetAskFolder(1);
  }
  void TearDown() override {
    vex3d::setNotificationHook(std::move(m_notifications));
    vex3d::setSelectFolderHook(std::move(m_folders));
    vex3d::ipc::setWaitLimits(vex3d::ipc::WaitLimits{});
    CMayaIo::SetAskFolder(1);
  }

  // A sample scene served under an authoring application's name.
  fs::path served(const std::string& name, const char* sample = "textured_cube.v3d") {
    const fs::path path = m_config.Path() / name;
    fs::copy_file(fs::path(VEX3D_TEST_DATA_DIR) / "samples" / sample, path,
                  fs::copy_options::overwrite_existing);
    return path;
  }

  std::vector<std::uint8_t> sceneBytesOf(const fs::path& file) {
    C3DScene scene;
    std::string error;
    EXPECT_TRUE(vex3d::loadSceneFile(file.string(), scene, error)) << error;
    return archiveOf(scene);
  }

  std::vector<int> notified;
  std::vector<std::string> texts;
  int foldersAsked = 0;
  std::string chosenFolder;
  vex3d::test::ScopedConfigDir m_config{"exchange-tests"};
  vex3d::test::ScopedRuntimeDir m_runtime;

 private:
  vex3d::NotificationHook m_notifications;
  vex3d::SelectFolderHook m_folders;
};

// The parser an IO makes for a file, without the existence test of reading.
struct ParserOf {
  explicit ParserOf(const fs::path& file, std::uint32_t fileClass)
      : io(CFileNameSpec(file.string(), fileClass), IO_FLAG_READ | IO_FLAG_SILENT) {
    io.PrepareSaving();
  }
  C3DParser* operator->() { return io.GetParser(); }
  C3DIo io;
};

}  // namespace

TEST_F(ExchangeTest, TheExchangeClassesGetTheirParsers) {
  EXPECT_NE(dynamic_cast<CMayaIo*>(ParserOf("a.ma", kMayaClass).io.GetParser()), nullptr);
  EXPECT_NE(dynamic_cast<C3DSMaxIo*>(ParserOf("a.max", kMaxClass).io.GetParser()), nullptr);
  CSceneExportOptions options;
  ParserOf("a.ma", kMayaClass)->SaveDefaultOptions(options);
  EXPECT_EQ(options.m_swap, 0x24u);
  EXPECT_EQ(options.m_forcedFlags, 0x84002u);
}

TEST_F(ExchangeTest, CancellingTheMayaFolderAnswersNullAndIsNotAskedAgain) {
  int found = 1;
  ASSERT_EQ(Get3DPreferences().GetMayaPath(found, 0), "") << "a Maya folder is already stored";
  ParserOf maya(m_config.Path() / "scene.ma", kMayaClass);
  CSceneImportOptions options;
  EXPECT_EQ(maya->Read((m_config.Path() / "scene.ma").string(), options), nullptr);
  EXPECT_EQ(foldersAsked, 1);
  EXPECT_EQ(CMayaIo::GetAskFolder(), 0);
  EXPECT_EQ(maya->Read((m_config.Path() / "scene.ma").string(), options), nullptr);
  EXPECT_EQ(foldersAsked, 1);
  EXPECT_TRUE(notified.empty());
}

TEST_F(ExchangeTest, AReplyOfGroupsOnlyLeavesNoScene) {
  FakeProgram program(kMaxServerClass, kMaxReplyClass, [](const std::string&) {
    auto* scene = new C3DScene;
    scene->AddNode(nullptr, vex3d::test::groupNode("only a group"));
    return scene;
  });
  ParserOf max(m_config.Path() / "groups.max", kMaxClass);
  CSceneImportOptions options;
  EXPECT_EQ(max->Read((m_config.Path() / "groups.max").string(), options), nullptr);
  EXPECT_EQ(max->GetScene(), nullptr);
  // The read came inside one scan.
  EXPECT_EQ(program.calls.begins.load(), 1);
  EXPECT_EQ(program.calls.ends.load(), 1);
}

TEST_F(ExchangeTest, NestedScansBeginOnceAndEndWithTheOutermost) {
  FakeProgram program(kMaxServerClass, kMaxReplyClass, [](const std::string&) { return nullptr; });
  EXPECT_EQ(C3DSMaxIo::BeginMultipleRead(), 1);
  EXPECT_EQ(C3DSMaxIo::BeginMultipleRead(), 1);
  EXPECT_EQ(C3DSMaxIo::EndMultipleRead(), 1);
  EXPECT_EQ(program.calls.begins.load(), 1);
  EXPECT_EQ(program.calls.ends.load(), 0);
  EXPECT_EQ(C3DSMaxIo::EndMultipleRead(), 1);
  EXPECT_EQ(program.calls.ends.load(), 1);
}

TEST_F(ExchangeTest, SavingTo3DSMaxWithoutTheApplicationNotifiesAndFails) {
  C3DScene scene;
  scene.AddNode(nullptr, vex3d::test::meshNode("m"));
  C3DIo io(CFileNameSpec((m_config.Path() / "out.max").string(), kMaxClass), IO_FLAG_SILENT);
  EXPECT_EQ(io.Save(0, &scene, nullptr), 0);
  ASSERT_EQ(notified.size(), 1u);
  EXPECT_EQ(notified[0], kMaxNotRunningDialog);
  EXPECT_FALSE(fs::exists(m_config.Path() / "out.max"));
}

TEST_F(ExchangeTest, AReplyEndpointTakesOnlyTheSceneOfItsOwnRead) {
  ParserOf max(m_config.Path() / "x.max", kMaxClass);
  CDynExServerWindow reply;
  ASSERT_TRUE(reply.Create(kMaxReplyClass));
  EXPECT_TRUE(isInstanceOf(reply.GetEndpointName(), kMaxReplyClass));
  reply.ExpectReply(0x5EC2E7, max.io.GetParser());
  auto sendReply = [&](std::uint64_t cookie, bool withMesh) {
    C3DScene scene;
    scene.AddNode(nullptr, withMesh ? vex3d::test::meshNode("m") : vex3d::test::groupNode("g"));
    const std::vector<std::uint8_t> bytes = encodeSceneReply(cookie, scene);
    const std::string name = reply.GetEndpointName();
    auto sent = std::async(std::launch::async, [&] {
      return SendInfoToWnd(name.c_str(), kCodeScene, bytes.data(), bytes.size(), 0);
    });
    while (sent.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
      vex3d::ipc::serveEndpoints(20);
    }
    return sent.get();
  };
  // Another read's cookie, or none at all, is refused.
  EXPECT_EQ(sendReply(0x1234, true), 0);
  EXPECT_EQ(sendReply(0, true), 0);
  EXPECT_EQ(max->GetScene(), nullptr);
  EXPECT_EQ(sendReply(0x5EC2E7, false), 1);
  EXPECT_EQ(max->GetScene(), nullptr);
  EXPECT_EQ(sendReply(0x5EC2E7, true), 1);
  std::unique_ptr<C3DScene> scene(max->GetScene());
  EXPECT_NE(scene, nullptr);
  max->SetScene(nullptr);
}

TEST_F(ExchangeTest, TheStandInReadsAndWritesBothWays) {
  StandIn program({"--max", "--root", m_config.Path().string()}, kMaxServerClass);
  ASSERT_TRUE(program.Running());
  const fs::path file = served("cube.max");
  ParserOf max(file, kMaxClass);
  CSceneImportOptions options;
  std::unique_ptr<C3DScene> scene(max->Read(file.string(), options));
  ASSERT_NE(scene, nullptr) << max.io.GetIoErrorText();
  EXPECT_EQ(archiveOf(*scene), sceneBytesOf(file));

  // And back: what the application stores is the scene sent, bit for bit.
  const fs::path written = m_config.Path() / "written.max";
  CSceneExportOptions exportOptions;
  EXPECT_EQ(max->Save(written.string(), scene.get(), exportOptions), 1);
  const fs::path expected = m_config.Path() / "expected.v3d";
  std::string error;
  ASSERT_TRUE(vex3d::saveSceneFile(*scene, expected.string(), error)) << error;
  EXPECT_EQ(fileBytes(written), fileBytes(expected));

  // Outside its folder the stand-in serves nothing.
  const fs::path outside = fs::path(VEX3D_TEST_DATA_DIR) / "samples" / "textured_cube.v3d";
  EXPECT_EQ(max->Read(outside.string(), options), nullptr);
}

TEST_F(ExchangeTest, TheStandInKeepsWhatItReadUntilTheOutermostScanEnds) {
  StandIn program({"--max"}, kMaxServerClass);
  ASSERT_TRUE(program.Running());
  const fs::path file = served("scene.max");
  const std::vector<std::uint8_t> before = sceneBytesOf(file);
  auto read = [&] {
    ParserOf max(file, kMaxClass);
    CSceneImportOptions options;
    std::unique_ptr<C3DScene> scene(max->Read(file.string(), options));
    return scene ? archiveOf(*scene) : std::vector<std::uint8_t>();
  };
  EXPECT_EQ(C3DSMaxIo::BeginMultipleRead(), 1);
  EXPECT_EQ(C3DSMaxIo::BeginMultipleRead(), 1);
  EXPECT_EQ(read(), before);
  // Changed behind the scan's back: the scan still sees the first reading.
  served("scene.max", "animated_groups.v3d");
  EXPECT_EQ(C3DSMaxIo::EndMultipleRead(), 1);
  EXPECT_EQ(read(), before);
  EXPECT_EQ(C3DSMaxIo::EndMultipleRead(), 1);
  EXPECT_EQ(read(), sceneBytesOf(file));
  EXPECT_NE(sceneBytesOf(file), before);
}

TEST_F(ExchangeTest, TwoReadersAtOnceEachGetTheirOwnScene) {
  StandIn program({"--max"}, kMaxServerClass);
  ASSERT_TRUE(program.Running());
  const fs::path cube = served("cube.max");
  const fs::path groups = served("groups.max", "animated_groups.v3d");
  auto readOn = [](const fs::path& file) {
    ParserOf max(file, kMaxClass);
    CSceneImportOptions options;
    std::unique_ptr<C3DScene> scene(max->Read(file.string(), options));
    return scene ? archiveOf(*scene) : std::vector<std::uint8_t>();
  };
  for (int round = 0; round < 4; ++round) {
    auto first = std::async(std::launch::async, readOn, cube);
    auto second = std::async(std::launch::async, readOn, groups);
    EXPECT_EQ(first.get(), sceneBytesOf(cube));
    EXPECT_EQ(second.get(), sceneBytesOf(groups));
  }
}

TEST_F(ExchangeTest, AStandInKilledDuringAReadFailsTheReadCleanly) {
  ::setenv("VEX3D_STANDIN_FAULT", "die-in-read", 1);
  StandIn program({"--max"}, kMaxServerClass);
  ::unsetenv("VEX3D_STANDIN_FAULT");
  ASSERT_TRUE(program.Running());
  const fs::path file = served("cube.max");
  ParserOf max(file, kMaxClass);
  CSceneImportOptions options;
  EXPECT_EQ(max->Read(file.string(), options), nullptr);
  EXPECT_NE(max.io.GetIoErrorText().find("stopped before answering"), std::string::npos)
      << max.io.GetIoErrorText();
  EXPECT_FALSE(vex3d::ipc::endpointExists(kMaxServerClass));
}

// The tests below store a Maya folder in the module's preferences, which no
// test can take away again: they come after the one that needs none.
class ExchangeMayaFolderTest : public ExchangeTest {
 protected:
  // A folder whose exchange program is a shell script.
  fs::path folderWithProgram(const std::string& name, const char* script) {
    const fs::path folder = m_config.Path() / name;
    fs::create_directories(folder);
    if (script != nullptr) {
      const fs::path program = folder / vex3d::kMayaExchangeProgram;
      std::ofstream(program) << "#!/bin/sh\n" << script << "\n";
      fs::permissions(program, fs::perms::owner_all);
    }
    Get3DPreferences().SetMayaPath(folder.string(), 1, 1);
    return folder;
  }
};

TEST_F(ExchangeMayaFolderTest, AFolderWithoutTheProgramIsExplainedOnce) {
  folderWithProgram("empty", nullptr);
  EXPECT_EQ(CMayaIo::InitMayaLibrary(), 0);
  ASSERT_EQ(notified, std::vector<int>{kMayaProgramMissingDialog});
  EXPECT_NE(texts[0].find(std::string("Cannot find ") + vex3d::kMayaExchangeProgram),
            std::string::npos);
  EXPECT_EQ(CMayaIo::GetAskFolder(), 0);
  EXPECT_EQ(CMayaIo::InitMayaLibrary(), 0);
  EXPECT_EQ(notified.size(), 1u);
  EXPECT_EQ(foldersAsked, 0);
}

TEST_F(ExchangeMayaFolderTest, AProgramThatEndsWithoutServingIsReportedInvalid) {
  folderWithProgram("ends", "exit 0");
  EXPECT_EQ(CMayaIo::InitMayaLibrary(), 0);
  EXPECT_EQ(notified, std::vector<int>{kMayaProgramInvalidDialog});
}

TEST_F(ExchangeMayaFolderTest, AProgramThatNeitherServesNorEndsIsGivenUpAtTheLimit) {
  vex3d::ipc::WaitLimits limits;
  limits.startMs = 100;
  vex3d::ipc::setWaitLimits(limits);
  folderWithProgram("sleeps", "exec sleep 600");
  EXPECT_EQ(CMayaIo::InitMayaLibrary(), 0);
  EXPECT_EQ(notified, std::vector<int>{kMayaProgramInvalidDialog});
}

TEST_F(ExchangeMayaFolderTest, TheProgramStartsFromItsFolderAndStopsWhenTheFolderChanges) {
  Get3DPreferences().SetMayaHooks({[](const std::string& folder) { CMayaIo::ShowMayaInfo(folder); },
                                   [] { CMayaIo::StopMayaLibrary(); }});
  const fs::path first = m_config.Path() / "maya";
  const fs::path second = m_config.Path() / "maya-windows-name";
  fs::create_directories(first);
  fs::create_directories(second);
  fs::create_symlink(VEX3D_EXCHANGE_STANDIN, first / vex3d::kMayaExchangeProgram);
  fs::create_symlink(VEX3D_EXCHANGE_STANDIN, second / vex3d::kMayaExchangeProgramExe);
  Get3DPreferences().SetMayaPath(first.string(), 1, 1);

  const fs::path file = served("cube.ma");
  {
    ParserOf maya(file, kMayaClass);
    CSceneImportOptions options;
    std::unique_ptr<C3DScene> scene(maya->Read(file.string(), options));
    ASSERT_NE(scene, nullptr) << maya.io.GetIoErrorText();
    EXPECT_EQ(archiveOf(*scene), sceneBytesOf(file));
    const fs::path written = m_config.Path() / "written.ma";
    CSceneExportOptions exportOptions;
    EXPECT_EQ(maya->Save(written.string(), scene.get(), exportOptions), 1);
    const fs::path expected = m_config.Path() / "expected.v3d";
    std::string error;
    ASSERT_TRUE(vex3d::saveSceneFile(*scene, expected.string(), error)) << error;
    EXPECT_EQ(fileBytes(written), fileBytes(expected));
  }
  EXPECT_TRUE(vex3d::ipc::endpointExists(kMayaServerClass));

  // A new folder stops the program of the old one.
  Get3DPreferences().SetMayaPath(second.string(), 1, 0);
  EXPECT_FALSE(vex3d::ipc::endpointExists(kMayaServerClass));
  {
    ParserOf maya(file, kMayaClass);
    CSceneImportOptions options;
    std::unique_ptr<C3DScene> scene(maya->Read(file.string(), options));
    ASSERT_NE(scene, nullptr) << maya.io.GetIoErrorText();
  }
  CMayaIo::StopMayaLibrary();
  EXPECT_FALSE(vex3d::ipc::endpointExists(kMayaServerClass));
  EXPECT_EQ(foldersAsked, 0);
  EXPECT_TRUE(notified.empty());
  Get3DPreferences().SetMayaHooks({});
}
