#include "hostlib/io/file_io_frame.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "hostlib/core/fourcc.h"
#include "hostlib/files/file_class.h"
#include "hostlib/files/user_paths.h"
#include "io_test_support.h"

namespace {

using vex3d::fourcc;
using vex3d::test::ReportCapture;
using vex3d::test::ScopedEnv;

constexpr std::uint32_t kClassA = fourcc("TIOA");
constexpr std::uint32_t kClassB = fourcc("TIOB");
constexpr std::uint32_t kClassThrows = fourcc("TIOT");

struct Counters {
  int created = 0;
  int destroyed = 0;
  std::uint32_t lastClass = 0;
  CFileIo* lastIo = nullptr;
};

class CountingParser : public CFileParser {
 public:
  CountingParser(CFileIo& io, Counters& counters) : CFileParser(io), m_counters(counters) {
    ++m_counters.created;
  }
  ~CountingParser() override { ++m_counters.destroyed; }

 private:
  Counters& m_counters;
};

class CountingFactory : public vex3d::ParserFactory {
 public:
  std::unique_ptr<CFileParser> CreateParser(std::uint32_t fileClass, CFileIo& io) override {
    counters.lastClass = fileClass;
    counters.lastIo = &io;
    if (fileClass == kClassThrows) throw std::runtime_error("factory broke");
    if (refuse) return nullptr;
    return std::make_unique<CountingParser>(io, counters);
  }
  Counters counters;
  bool refuse = false;
};

vex3d::FileClassInfo makeClass(std::uint32_t code, const char* ext) {
  vex3d::FileClassInfo c;
  c.fileClass = code;
  c.kind = vex3d::kFileKind3D;
  c.extensions = {ext};
  c.description = ext;
  c.canRead = c.canWrite = true;
  return c;
}

// Serves kClassA, kClassB and kClassThrows with a counting factory and
// keeps the remembered parameters in a folder of the test's own.
class FileIoFrame : public ::testing::Test {
 protected:
  void SetUp() override {
    factory = std::make_shared<CountingFactory>();
    ASSERT_TRUE(vex3d::registerFileClasses(
        {makeClass(kClassA, "tioa"), makeClass(kClassB, "tiob"), makeClass(kClassThrows, "tiot")},
        factory));
  }
  void TearDown() override { vex3d::unregisterFileClasses(factory.get()); }

  std::shared_ptr<CountingFactory> factory;
  ScopedEnv config{
      "VEX3D_CONFIG_DIR",
      vex3d::test::freshTestDir(::testing::UnitTest::GetInstance()->current_test_info()->name())};
};

TEST(IoOptions, LogKeepsOrderAndLevels) {
  CIoOptions options(CIoOptions::modeExport);
  EXPECT_EQ(options.GetMaxLogLevel(), -1);
  options.AddLogInfo(CIoOptions::logChange, "Triangulating object a");
  options.AddLogInfo(CIoOptions::logWarning, "dropped b");
  options.AddLogInfo(CIoOptions::logError, "nothing to save");
  options.AddLogInfo(CIoOptions::logInfo, "done");
  const std::vector<CIoOptions::LogEntry> expected = {
      {1, "Triangulating object a"}, {2, "dropped b"}, {4, "nothing to save"}, {0, "done"}};
  EXPECT_EQ(options.GetLog(), expected);
  EXPECT_EQ(options.GetMaxLogLevel(), CIoOptions::logError);
  EXPECT_EQ(options.GetLogCount(CIoOptions::logWarning), 2u);
  EXPECT_EQ(options.GetLogCount(CIoOptions::logInfo), 4u);
  CIoOptions copy = options;
  options.ClearLog();
  EXPECT_TRUE(options.GetLog().empty());
  EXPECT_EQ(copy.GetLog().size(), 4u);
}

TEST_F(FileIoFrame, FileClassFromTheNameUnlessGiven) {
  CFileIo io(std::string("/data/Scene.TIOA"), IO_FLAG_READ | IO_FLAG_SILENT);
  EXPECT_EQ(io.GetFileClass(), kClassA);  // found by extension

  // An explicit class wins over the extension.
  CFileIo explicitClass(CFileNameSpec("a.tioa", kClassB), 0);
  EXPECT_EQ(explicitClass.GetFileClass(), kClassB);
  CFileIo classOnly(kClassB, IO_FLAG_SILENT);
  EXPECT_EQ(classOnly.GetFileName(), "");
  EXPECT_EQ(classOnly.GetFileClass(), kClassB);
  CFileIo unknown(std::string("notes.txt"), 0);
  EXPECT_EQ(unknown.GetFileClass(), 0u);
}

TEST_F(FileIoFrame, InitParserCreatesOneParserAndCloseParserDeletesIt) {
  CFileIo io(std::string("a.tioa"), IO_FLAG_READ);
  EXPECT_EQ(io.GetParser(), nullptr);
  CFileParser* parser = io.InitParser();
  ASSERT_NE(parser, nullptr);
  EXPECT_EQ(io.GetParser(), parser);
  EXPECT_EQ(&parser->GetIo(), &io);
  EXPECT_EQ(parser->GetFileClass(), kClassA);
  EXPECT_EQ(parser->MustShowDialog(), IO_DIALOG_YES);
  EXPECT_EQ(factory->counters.lastClass, kClassA);
  EXPECT_EQ(factory->counters.lastIo, &io);
  EXPECT_EQ(io.InitParser(), parser);
  EXPECT_EQ(factory->counters.created, 1);
  io.CloseParser();
  EXPECT_EQ(io.GetParser(), nullptr);
  EXPECT_EQ(factory->counters.destroyed, 1);
  parser = io.InitParser();
  ASSERT_NE(parser, nullptr);
  EXPECT_EQ(factory->counters.created, 2);
  {
    CFileIo other(std::string("b.tiob"), 0);
    ASSERT_NE(other.InitParser(), nullptr);
  }
  EXPECT_EQ(factory->counters.destroyed, 2);  // the destructor closes it
  parser->SetIoError(-42, CIoOptions::logWarning, "from the parser");
  EXPECT_EQ(io.GetIoError(), -42);
  EXPECT_EQ(io.GetIoErrorLevel(), CIoOptions::logWarning);
}

TEST_F(FileIoFrame, TheParserKeepsItsFactoryAlive) {
  std::weak_ptr<CountingFactory> weak = factory;
  CFileIo io(std::string("a.tioa"), 0);
  ASSERT_NE(io.InitParser(), nullptr);
  vex3d::unregisterFileClasses(factory.get());
  Counters& counters = factory->counters;
  factory.reset();
  ASSERT_FALSE(weak.expired());
  EXPECT_EQ(counters.destroyed, 0);
  io.CloseParser();
  EXPECT_TRUE(weak.expired());
}

TEST_F(FileIoFrame, NoParserWithoutAServingFactory) {
  CFileIo unknown(std::string("a.txt"), 0);
  EXPECT_EQ(unknown.InitParser(), nullptr);
  EXPECT_EQ(unknown.GetIoError(), IO_ERROR_NONE);  // the subclass decides
  CFileIo builtIn(std::string("a.png"), 0);        // known, but read by the image IO
  EXPECT_EQ(builtIn.InitParser(), nullptr);

  factory->refuse = true;
  CFileIo refused(std::string("a.tioa"), 0);
  EXPECT_EQ(refused.InitParser(), nullptr);

  CFileIo throws(std::string("a.tiot"), 0);
  EXPECT_EQ(throws.InitParser(), nullptr);
  EXPECT_EQ(throws.GetIoError(), IO_ERROR_PARSER_EXCEPTION);
  EXPECT_EQ(throws.GetIoErrorText(), "factory broke");
}

TEST_F(FileIoFrame, ParametersRoundTripPerClassAndMode) {
  EXPECT_EQ(CFileIo::GetPreferencesFilePath(), GetUserPreferencesPath() + "io.prefs");
  CCustomData loaded;
  loaded.SetUInt(fourcc("JUNK"), 1);
  EXPECT_EQ(CFileIo::LoadIoParameters(1, loaded, kClassA), 0);  // nothing stored yet
  EXPECT_TRUE(loaded.IsEmpty());

  CCustomData readParams, saveParams, otherClass;
  readParams.SetUInt(fourcc("FLAG"), 0x10);
  readParams.SetString(fourcc("NAME"), "import");
  saveParams.SetUInt(fourcc("FLAG"), 0x400);
  otherClass.SetBool(fourcc("OTHR"), true);
  ASSERT_EQ(CFileIo::SaveIoParameters(1, readParams, kClassA), 1);
  ASSERT_EQ(CFileIo::SaveIoParameters(0, saveParams, kClassA), 1);
  ASSERT_EQ(CFileIo::SaveIoParameters(1, otherClass, kClassB), 1);
  EXPECT_TRUE(std::filesystem::exists(CFileIo::GetPreferencesFilePath()));

  ASSERT_EQ(CFileIo::LoadIoParameters(1, loaded, kClassA), 1);
  EXPECT_EQ(loaded, readParams);
  ASSERT_EQ(CFileIo::LoadIoParameters(0, loaded, kClassA), 1);
  EXPECT_EQ(loaded, saveParams);
  EXPECT_EQ(CFileIo::LoadIoParameters(0, loaded, kClassB), 0);

  // The member forms use the IO's mode and class.
  CFileIo reader(std::string("x.tioa"), IO_FLAG_READ);
  ASSERT_EQ(reader.LoadIoParameters(loaded), 1);
  EXPECT_EQ(loaded, readParams);
  CFileIo writer(std::string("x.tiob"), 0);
  saveParams.SetUInt(fourcc("MORE"), 3);
  ASSERT_EQ(writer.SaveIoParameters(saveParams), 1);
  ASSERT_EQ(CFileIo::LoadIoParameters(0, loaded, kClassB), 1);
  EXPECT_EQ(loaded, saveParams);
  ASSERT_EQ(CFileIo::LoadIoParameters(1, loaded, kClassB), 1);
  EXPECT_EQ(loaded, otherClass);
}

TEST_F(FileIoFrame, InitParserLoadsTheRememberedParametersOfItsMode) {
  CCustomData readParams, saveParams;
  readParams.SetUInt(fourcc("FLAG"), 7);
  saveParams.SetUInt(fourcc("FLAG"), 9);
  ASSERT_EQ(CFileIo::SaveIoParameters(1, readParams, kClassA), 1);
  ASSERT_EQ(CFileIo::SaveIoParameters(0, saveParams, kClassA), 1);
  CFileIo reader(std::string("x.tioa"), IO_FLAG_READ);
  ASSERT_NE(reader.InitParser(), nullptr);
  EXPECT_EQ(reader.GetParameters(), readParams);
  CFileIo writer(std::string("x.tioa"), 0);
  ASSERT_NE(writer.InitParser(), nullptr);
  EXPECT_EQ(writer.GetParameters(), saveParams);
  CFileIo fresh(std::string("x.tiob"), IO_FLAG_READ);
  ASSERT_NE(fresh.InitParser(), nullptr);
  EXPECT_TRUE(fresh.GetParameters().IsEmpty());
}

TEST_F(FileIoFrame, ErrorsAreReportedWithTheOptionsLog) {
  ReportCapture capture;
  CFileIo io(std::string("/d/a.tioa"), IO_FLAG_READ);
  EXPECT_EQ(io.GetIoError(), IO_ERROR_NONE);
  io.SetIoError(IO_ERROR_FILE_MISSING, CIoOptions::logError);
  EXPECT_EQ(io.GetIoErrorText(), CFileIo::GetStandardErrorText(IO_ERROR_FILE_MISSING));
  EXPECT_FALSE(io.GetIoErrorText().empty());

  CIoOptions options(CIoOptions::modeImport);
  options.AddLogInfo(CIoOptions::logWarning, "first");
  options.AddLogInfo(CIoOptions::logError, "second");
  EXPECT_EQ(io.ReportIoError(&options, vex3d::kIoReportFailure), 1);
  io.SetIoError(IO_INFO_SAVED, CIoOptions::logInfo, "custom text");
  io.ReportIoError(nullptr, vex3d::kIoReportInformation);
  io.ClearIoError();
  EXPECT_EQ(io.GetIoError(), IO_ERROR_NONE);
  EXPECT_EQ(io.GetIoErrorText(), "");

  ASSERT_EQ(capture.reports.size(), 2u);
  const auto& failure = capture.reports[0];
  EXPECT_EQ(failure.reportCode, vex3d::kIoReportFailure);
  EXPECT_EQ(failure.errorCode, IO_ERROR_FILE_MISSING);
  EXPECT_EQ(failure.level, CIoOptions::logError);
  EXPECT_EQ(failure.fileName, "/d/a.tioa");
  EXPECT_EQ(failure.fileClass, kClassA);
  EXPECT_EQ(failure.log, options.GetLog());
  const auto& info = capture.reports[1];
  EXPECT_EQ(info.reportCode, vex3d::kIoReportInformation);
  EXPECT_EQ(info.text, "custom text");
  EXPECT_TRUE(info.log.empty());

  const std::string printed = vex3d::formatIoReport(failure);
  EXPECT_NE(printed.find("/d/a.tioa"), std::string::npos);
  EXPECT_LT(printed.find("first"), printed.find("second"));
}

TEST_F(FileIoFrame, ReportHandlersNestAndRestore) {
  ReportCapture outer;
  {
    ReportCapture inner;
    vex3d::reportIo(vex3d::IoReport{});
    EXPECT_EQ(inner.reports.size(), 1u);
  }
  vex3d::reportIo(vex3d::IoReport{});
  EXPECT_EQ(outer.reports.size(), 1u);
}

TEST_F(FileIoFrame, FileDialogBoxSetsTheSecondFile) {
  CFileIo io(std::string("/d/scene.tioa"), 0);
  EXPECT_EQ(io.FileDialogBox(vex3d::kFileKind3D), 0);  // no dialog installed
  EXPECT_FALSE(io.HasSecondFile());

  std::uint32_t askedKind = 0;
  std::string proposed;
  int answer = 0;
  CFileNameSpec choice("/out/result.TIOB", 0);
  auto previous =
      CFileIo::SetFileDialogHook([&](CFileIo& dialogIo, std::uint32_t kind, CFileNameSpec& chosen) {
        EXPECT_EQ(&dialogIo, &io);
        askedKind = kind;
        proposed = chosen.GetName();
        if (answer) chosen = choice;
        return answer;
      });
  EXPECT_EQ(io.FileDialogBox(vex3d::kFileKind3D), 0);  // cancelled
  EXPECT_EQ(askedKind, vex3d::kFileKind3D);
  EXPECT_EQ(proposed, "/d/scene.tioa");
  EXPECT_FALSE(io.HasSecondFile());

  ASSERT_NE(io.InitParser(), nullptr);
  answer = 1;
  EXPECT_EQ(io.FileDialogBox(vex3d::kFileKind3D), 1);
  EXPECT_TRUE(io.HasSecondFile());
  EXPECT_EQ(io.GetFileName(), "/out/result.TIOB");
  EXPECT_EQ(io.GetFileClass(), kClassB);  // by extension
  EXPECT_EQ(io.GetFileSpec().GetName(), "/d/scene.tioa");
  // The parser served the old class.
  EXPECT_EQ(io.GetParser(), nullptr);
  EXPECT_EQ(factory->counters.destroyed, 1);

  // A choice of the same class keeps the parser; the dialog's class wins.
  ASSERT_NE(io.InitParser(), nullptr);
  choice = CFileNameSpec("/out/other.tioa", kClassB);
  EXPECT_EQ(io.FileDialogBox(vex3d::kFileKind3D), 1);
  EXPECT_EQ(io.GetFileClass(), kClassB);
  EXPECT_NE(io.GetParser(), nullptr);
  EXPECT_EQ(proposed, "/out/result.TIOB");  // the current file is proposed

  CFileIo::SetFileDialogHook(previous);
}

}  // namespace
