#include "io/io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "hostlib/files/file_class.h"
#include "hostlib/io/io_report.h"
#include "hostlib/io/plugin_loader.h"
#include "io/parser.h"
#include "scene/scene.h"
#include "scene/scene_builders.h"
#include "scene/scene_io_options.h"
#include "scoped_config_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kTestClass = 0x54494F20;  // 'TIO '

// Plug-ins from the test folder and the real one, a fresh configuration
// folder, and every report caught.
class IoTest : public testing::Test {
 protected:
  void SetUp() override {
    const std::string plugins = std::string(VEX3D_TEST_BINARY_DIR) + "/lib/vex3d/io-test-plugins";
    ::setenv("VEX3D_PLUGIN_PATH", plugins.c_str(), 1);
    ::unsetenv("VEX3D_TEST_DIALOG");
    RegisterIOPlugins(0x4000);
    m_previous =
        vex3d::setIoReportHandler([this](const vex3d::IoReport& r) { reports.push_back(r); });
    fs::create_directories(m_config.Path());
  }
  void TearDown() override {
    vex3d::setIoReportHandler(std::move(m_previous));
    FreeIOPlugins(0x4000);
    ::unsetenv("VEX3D_PLUGIN_PATH");
    ::unsetenv("VEX3D_TEST_DIALOG");
  }

  std::string file(const std::string& name, const std::string& content = {}) {
    const fs::path path = m_config.Path() / name;
    if (!content.empty()) std::ofstream(path) << content << "\n";
    return path.string();
  }

  std::vector<vex3d::IoReport> reports;

 private:
  vex3d::test::ScopedConfigDir m_config{"io"};
  vex3d::IoReportHandler m_previous;
};

TEST_F(IoTest, MissingFileIsErrorMinusOneAndSilentMeansNoReport) {
  C3DIo silent(CFileNameSpec(file("absent.tio"), 0), IO_FLAG_READ | IO_FLAG_SILENT);
  EXPECT_EQ(silent.Read(0, nullptr), nullptr);
  EXPECT_EQ(silent.GetIoError(), IO_ERROR_FILE_MISSING);
  EXPECT_TRUE(reports.empty());

  C3DIo loud(CFileNameSpec(file("absent.tio"), 0), IO_FLAG_READ);
  EXPECT_EQ(loud.Read(0, nullptr), nullptr);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].errorCode, IO_ERROR_FILE_MISSING);
}

TEST_F(IoTest, ClassWithoutParserIsErrorMinusTwo) {
  C3DIo io(CFileNameSpec(file("model.xyz", "scene"), 0x58595A20), IO_FLAG_READ | IO_FLAG_SILENT);
  EXPECT_EQ(io.Read(0, nullptr), nullptr);
  EXPECT_EQ(io.GetIoError(), IO_ERROR_NO_PARSER);
  C3DIo maya(CFileNameSpec(file("scene.ma", "scene"), 0x4D415941), IO_FLAG_READ | IO_FLAG_SILENT);
  EXPECT_EQ(maya.Read(0, nullptr), nullptr);
  EXPECT_EQ(maya.GetIoError(), IO_ERROR_NO_PARSER);
}

TEST_F(IoTest, ParserFailuresBecomeIoErrors) {
  C3DIo fileError(CFileNameSpec(file("a.tio", "file-error"), 0), IO_FLAG_READ | IO_FLAG_SILENT);
  EXPECT_EQ(fileError.Read(0, nullptr), nullptr);
  EXPECT_EQ(fileError.GetIoErrorLevel(), CIoOptions::logError);
  EXPECT_EQ(fileError.GetIoErrorText(), "line 1: not a test file");

  C3DIo crash(CFileNameSpec(file("b.tio", "crash"), 0), IO_FLAG_READ | IO_FLAG_SILENT);
  EXPECT_EQ(crash.Read(0, nullptr), nullptr);
  EXPECT_EQ(crash.GetIoError(), IO_ERROR_PARSER_EXCEPTION);

  C3DIo null(CFileNameSpec(file("c.tio", "null"), 0), IO_FLAG_READ);
  EXPECT_EQ(null.Read(0, nullptr), nullptr);
  EXPECT_EQ(reports.size(), 1u) << "a failed read is reported unless silent";
}

TEST_F(IoTest, ReadStampsTheFileNameAndAppliesDefaultFlagsOnlyWithoutMemory) {
  const std::string name = file("d.tio", "scene");
  C3DIo io(CFileNameSpec(name, 0), IO_FLAG_READ | IO_FLAG_SILENT);
  CSceneImportOptions options;
  std::unique_ptr<C3DScene> scene = io.Read(0, &options);
  ASSERT_TRUE(scene);
  EXPECT_EQ(scene->GetFilename().GetName(), name);
  EXPECT_EQ(options.m_flags, 0x300u) << "forced and default flags";

  CCustomData remembered;
  remembered.SetUInt(vex3d::kFlagsKey, 0x1);
  CFileIo::SaveIoParameters(1, remembered, kTestClass);
  C3DIo again(CFileNameSpec(name, 0), IO_FLAG_READ | IO_FLAG_SILENT);
  CSceneImportOptions local;
  ASSERT_TRUE(again.Read(0, nullptr));
  std::unique_ptr<C3DScene> withMemory = again.Read(0, &local);
  ASSERT_TRUE(withMemory);
  EXPECT_EQ(local.m_flags, 0x100u) << "only the forced flags join what is remembered";
}

TEST_F(IoTest, RefusedDialogsKeepTheRememberedParameters) {
  const std::string name = file("e.tio", "scene");
  ::setenv("VEX3D_TEST_DIALOG", "refuse", 1);
  C3DIo reader(CFileNameSpec(name, 0), IO_FLAG_READ);
  EXPECT_EQ(reader.Read(1, nullptr), nullptr);
  EXPECT_EQ(reader.GetIoError(), IO_ERROR_CANCELLED);
  EXPECT_TRUE(reports.empty()) << "a refusal is not reported";
  CCustomData stored;
  EXPECT_EQ(CFileIo::LoadIoParameters(1, stored, kTestClass), 0);

  C3DScene scene;
  scene.AddNode(nullptr, vex3d::test::meshNode("m"));
  C3DIo writer(CFileNameSpec(file("out.tio"), 0), 0);
  EXPECT_EQ(writer.Save(1, &scene, nullptr), 0);
  EXPECT_EQ(writer.GetIoError(), IO_ERROR_CANCELLED);
  EXPECT_FALSE(fs::exists(file("out.tio")));
  EXPECT_EQ(CFileIo::LoadIoParameters(0, stored, kTestClass), 0);
}

TEST_F(IoTest, AcceptedSaveDialogRemembersFlagsWithoutTheTransientBits) {
  C3DScene scene;
  scene.AddNode(nullptr, vex3d::test::meshNode("a"));
  scene.AddNode(nullptr, vex3d::test::meshNode("b"));
  const std::string out = file("out.tio");
  C3DIo writer(CFileNameSpec(out, 0), IO_FLAG_REPORT_SUCCESS);
  CSceneExportOptions options;
  ASSERT_EQ(writer.Save(1, &scene, &options), 1);
  std::ifstream written(out);
  std::string line;
  std::getline(written, line);
  EXPECT_EQ(line, "saved 1") << "the dialog asked for one concatenated object";
  EXPECT_EQ(scene.GetNodeNbr(0), 2) << "the user's scene keeps its nodes";
  EXPECT_EQ(scene.GetFilename().GetName(), out);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].reportCode, vex3d::kIoReportInformation);

  CCustomData stored;
  ASSERT_EQ(CFileIo::LoadIoParameters(0, stored, kTestClass), 1);
  const std::uint32_t flags = stored.GetUInt(vex3d::kFlagsKey);
  EXPECT_EQ(flags & 0x5220F, 0u);
  EXPECT_EQ(flags & (EXPORT_TRIANGULATE | EXPORT_GENERATE_UVW | EXPORT_REMOVE_UVW),
            EXPORT_TRIANGULATE | EXPORT_GENERATE_UVW | EXPORT_REMOVE_UVW);
}

TEST_F(IoTest, EmptyExportIsMinusSevenAndTheParserIsNotCalled) {
  C3DScene scene;
  C3DSceneNode* hidden = vex3d::test::meshNode("hidden");
  hidden->SetFlag(NODE_HIDDEN, 1);
  scene.AddNode(nullptr, hidden);
  C3DIo writer(CFileNameSpec(file("empty.tio"), 0), IO_FLAG_SILENT);
  EXPECT_EQ(writer.Save(0, &scene, nullptr), 0);
  EXPECT_EQ(writer.GetIoError(), IO_ERROR_NOTHING_TO_SAVE);
  EXPECT_FALSE(fs::exists(file("empty.tio")));
}

TEST_F(IoTest, NativeSceneFilesRoundTripThroughTheIo) {
  const std::string sample = std::string(VEX3D_TEST_DATA_DIR) + "/samples/animated_groups.v3d";
  C3DIo reader(CFileNameSpec(sample, 0), IO_FLAG_READ | IO_FLAG_SILENT);
  std::unique_ptr<C3DScene> scene = reader.Read(0, nullptr);
  ASSERT_TRUE(scene) << reader.GetIoErrorText();
  const std::string copy = file("copy.v3d");
  C3DIo writer(CFileNameSpec(copy, 0), IO_FLAG_SILENT);
  ASSERT_EQ(writer.Save(0, scene.get(), nullptr), 1) << writer.GetIoErrorText();
  C3DIo back(CFileNameSpec(copy, 0), IO_FLAG_READ | IO_FLAG_SILENT);
  std::unique_ptr<C3DScene> reread = back.Read(0, nullptr);
  ASSERT_TRUE(reread);
  EXPECT_EQ(vex3d::test::names(*reread), vex3d::test::names(*scene));
  EXPECT_EQ(reread->GetFaceNbr(), scene->GetFaceNbr());
  EXPECT_EQ(reread->GetTimeRange(), scene->GetTimeRange());
}

TEST_F(IoTest, ParametersInfoAndOutOfIoDialogs) {
  CCustomData parameters;
  EXPECT_EQ(C3DIo::GetParametersInfo(parameters, kTestClass, 0), "using default parameters\n");
  parameters.SetUInt(vex3d::kFlagsKey, EXPORT_REMOVE_VC);
  EXPECT_EQ(C3DIo::GetParametersInfo(parameters, kTestClass, 0), "using custom parameters\n");
  EXPECT_EQ(C3DIo::GetParametersInfo(parameters, 0x58595A20, 0), "");

  CCustomData edited;
  EXPECT_EQ(C3DIo::ShowDialog(kTestClass, 0, &edited, nullptr), 1);
  EXPECT_EQ(edited.GetUInt(vex3d::kFlagsKey) & EXPORT_GENERATE_UVW, EXPORT_GENERATE_UVW);
  EXPECT_EQ(C3DIo::ShowDialog(0x58595A20, 0, &edited, nullptr), 0);
}

}  // namespace
