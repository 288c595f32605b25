#include "io/io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "hostlib/files/file_class.h"
#include "hostlib/io/io_report.h"
#include "hostlib/io/plugin_loader.h"
#include "io/parser.h"
#include "io/unwelded_square.h"
#include "material/material.h"
#include "material/material_map.h"
#include "material/materials.h"
#include "mesh/model/base_object.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
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
    ::unsetenv("VEX3D_TEST_SAVE");
  }

  std::string file(const std::string& name, const std::string& content = {}) {
    const fs::path path = m_config.Path() / name;
    if (!content.empty()) std::ofstream(path) << content << "\n";
    return path.string();
  }

  std::vector<vex3d::IoReport> reports;

 protected:
  fs::path folder() const { return m_config.Path(); }

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
  // 'MAYA' and '3MAX' are served by the exchange (exchange_test.cpp).
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

C3DObject* firstObject(const C3DScene& scene) {
  C3DSceneNode* node = scene.GetChildNode(nullptr);
  return node != nullptr ? static_cast<C3DObject*>(node->GetObject()) : nullptr;
}

std::vector<std::string> linesOf(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(IoTest, EveryReadIsCheckedOutAfterItsParser) {
  // The parser leaves the node unnamed and the shared corners twice: the
  // check-out names it, and welds only when asked.
  const std::string name = file("unnamed.tio", "unnamed");
  C3DIo plain(CFileNameSpec(name, 0), IO_FLAG_READ | IO_FLAG_SILENT);
  std::unique_ptr<C3DScene> scene = plain.Read(0, nullptr);
  ASSERT_TRUE(scene);
  EXPECT_EQ(vex3d::test::names(*scene), std::vector<std::string>{"Polygonal object 1"});
  EXPECT_EQ(firstObject(*scene)->GetPointList()->GetSize(), 6);

  C3DIo welding(CFileNameSpec(name, 0), IO_FLAG_READ | IO_FLAG_SILENT);
  CSceneImportOptions weld;
  weld.m_flags = IMPORT_WELD_POINTS;
  scene = welding.Read(0, &weld);
  ASSERT_TRUE(scene);
  EXPECT_EQ(firstObject(*scene)->GetPointList()->GetSize(), 4);
}

TEST_F(IoTest, WeldingOnReadIsTheSameWhateverTheFormat) {
  C3DScene scene;
  auto* node = new C3DSceneNode;
  node->SetName("quad");
  node->SetObject(vex3d::test::unweldedSquare());
  scene.AddNode(nullptr, node);
  for (const char* ext : {"v3d", "obj", "ply", "stl"}) {
    const std::string out = file(std::string("quad.") + ext);
    C3DIo writer(CFileNameSpec(out, 0), IO_FLAG_SILENT);
    ASSERT_EQ(writer.Save(0, &scene, nullptr), 1) << ext << ": " << writer.GetIoErrorText();
    C3DIo reader(CFileNameSpec(out, 0), IO_FLAG_READ | IO_FLAG_SILENT);
    CSceneImportOptions options;
    options.m_flags = IMPORT_WELD_POINTS;
    std::unique_ptr<C3DScene> back = reader.Read(0, &options);
    ASSERT_TRUE(back) << ext << ": " << reader.GetIoErrorText();
    ASSERT_NE(firstObject(*back), nullptr) << ext;
    EXPECT_EQ(firstObject(*back)->GetPointList()->GetSize(), 4) << ext;
  }
}

TEST_F(IoTest, TheFileUpAxisStandsTheSceneUpUnlessTheCallerSaysOtherwise) {
  const std::string name = file("tall.tio", "y-up");
  C3DIo reader(CFileNameSpec(name, 0), IO_FLAG_READ | IO_FLAG_SILENT);
  std::unique_ptr<C3DScene> scene = reader.Read(0, nullptr);
  ASSERT_TRUE(scene);
  const C3DPoint& top = (*firstObject(*scene)->GetPointList())[2];
  EXPECT_FLOAT_EQ(top.z, 1.0f);
  EXPECT_NEAR(top.y, 0.0f, 1e-6f);

  C3DIo overridden(CFileNameSpec(name, 0), IO_FLAG_READ | IO_FLAG_SILENT);
  CSceneImportOptions options;
  options.m_upAxis = UP_AXIS_Z;
  scene = overridden.Read(0, &options);
  ASSERT_TRUE(scene);
  EXPECT_FLOAT_EQ((*firstObject(*scene)->GetPointList())[2].y, 1.0f);
}

TEST_F(IoTest, WhatAWriterThrowsBecomesAnIoErrorAndTheSceneStaysAsItWas) {
  for (const char* behaviour : {"bad-alloc", "crash"}) {
    ::setenv("VEX3D_TEST_SAVE", behaviour, 1);
    C3DScene scene;
    scene.AddNode(nullptr, vex3d::test::meshNode("m", 4, 1));
    C3DIo writer(CFileNameSpec(file("thrown.tio"), 0), 0);
    EXPECT_EQ(writer.Save(0, &scene, nullptr), 0) << behaviour;
    EXPECT_EQ(writer.GetIoError(), IO_ERROR_PARSER_EXCEPTION) << behaviour;
    EXPECT_EQ(reports.size(), 1u) << behaviour << ": a failed save is reported";
    EXPECT_EQ(scene.GetFilename().GetName(), "") << behaviour;
    EXPECT_EQ(scene.GetNodeNbr(0), 1) << behaviour;
    reports.clear();
  }
}

TEST_F(IoTest, AnUnwritableTargetFailsBeforeAnythingIsPrepared) {
  // Prepared in place, triangulation would show on the scene itself.
  C3DScene scene;
  C3DSceneNode* node = vex3d::test::meshNode("quad", 4, 1);
  static_cast<C3DObject*>(node->GetObject())
      ->GetFaceList()
      ->ElementAt(0)
      ->SetQuadrangle(0, 1, 2, 3);
  scene.AddNode(nullptr, node);
  const std::string target = (folder() / "no such folder" / "out.tio").string();
  C3DIo writer(CFileNameSpec(target, 0), IO_FLAG_SILENT);
  CSceneExportOptions options;
  options.m_flags = EXPORT_IN_PLACE | EXPORT_TRIANGULATE;
  EXPECT_EQ(writer.Save(0, &scene, &options), 0);
  EXPECT_EQ(writer.GetIoError(), IO_ERROR_CANNOT_WRITE);
  EXPECT_NE(writer.GetIoErrorText().find("no such folder"), std::string::npos);
  EXPECT_TRUE(options.GetLog().empty()) << "no preparation step ran";
  EXPECT_EQ(scene.GetFaceNbr(), 1);
  EXPECT_EQ(static_cast<C3DObject*>(node->GetObject())->GetFaceList()->ElementAt(0)->GetSize(), 4u);

  C3DIo intoAFolder(CFileNameSpec(folder().string(), kTestClass), IO_FLAG_SILENT);
  EXPECT_EQ(intoAFolder.Save(0, &scene, nullptr), 0);
  EXPECT_EQ(intoAFolder.GetIoError(), IO_ERROR_CANNOT_WRITE);
}

TEST_F(IoTest, WrittenTexturesAreNamedFromTheTargetFolder) {
  fs::create_directories(folder() / "models" / "maps");
  fs::create_directories(folder() / "exports");
  std::ofstream(folder() / "models" / "maps" / "wood.png") << "not read here";
  C3DScene scene;
  scene.SetFilename(CFileNameSpec((folder() / "models" / "table.tio").string(), 0));
  scene.AddNode(nullptr, vex3d::test::meshNode("table"));
  C3DMaterial* material = scene.GetMaterials().CreateNewMaterial(0);
  material->AddMaterialMap("maps/wood.png", 0, MAP_DIFFUSE, PROJECTION_EXPLICIT);
  material->AddMaterialMap("missing.png", 0, MAP_AMBIENT, PROJECTION_EXPLICIT);

  const std::string out = (folder() / "exports" / "table.tio").string();
  C3DIo writer(CFileNameSpec(out, 0), IO_FLAG_SILENT);
  ASSERT_EQ(writer.Save(0, &scene, nullptr), 1) << writer.GetIoErrorText();
  const std::vector<std::string> lines = linesOf(out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "map ../models/maps/wood.png");
  EXPECT_EQ(material->GetDiffuseMaps()->GetFileName(), "maps/wood.png")
      << "the user's scene keeps its own names";
}

}  // namespace

namespace {

TEST_F(IoTest, AConfinedReadDropsTexturesFromOutsideTheModelsFolder) {
  fs::create_directories(folder() / "model" / "maps");
  std::ofstream(folder() / "model" / "maps" / "inside.png") << "x";
  std::ofstream(folder() / "outside.png") << "x";
  std::ofstream(folder() / "model" / "tri.mtl")
      << "newmtl a\nmap_Kd maps/inside.png\nnewmtl b\nmap_Kd ../outside.png\n";
  std::ofstream(folder() / "model" / "tri.obj")
      << "mtllib tri.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\n"
         "usemtl a\nf 1 2 3\nusemtl b\nf 2 4 3\n";
  const std::string model = (folder() / "model" / "tri.obj").string();
  for (const bool confined : {false, true}) {
    C3DIo io(CFileNameSpec(model, 0), IO_FLAG_READ | IO_FLAG_SILENT);
    CSceneImportOptions options;
    options.m_confined = confined;
    std::unique_ptr<C3DScene> scene = io.Read(0, &options);
    ASSERT_TRUE(scene) << io.GetIoErrorText();
    std::map<std::string, std::string> maps;
    for (auto [id, material] : scene->GetMaterials().GetMap()) {
      (void)id;
      if (const CMaterialMap* map = material->GetDiffuseMaps()) {
        maps[material->GetName()] = map->GetFileName();
      }
    }
    EXPECT_EQ(maps["a"], "maps/inside.png") << confined;
    EXPECT_EQ(maps["b"], confined ? "" : "../outside.png") << confined;
    bool warned = false;
    for (const auto& e : options.GetLog()) warned |= e.text.find("outside") != std::string::npos;
    EXPECT_EQ(warned, confined);
  }
}

}  // namespace
