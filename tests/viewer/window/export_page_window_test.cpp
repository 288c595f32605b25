// The export options the save dialog shows: what the format imposes cannot
// be changed, and the format's defaults can be had back.
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>

#include "hostlib/commands/command_mgr.h"
#include "hostlib/core/fourcc.h"
#include "hostlib/io/io_report.h"
#include "scene/scene_io_options.h"
#include "viewer/dialogs/export_sheet.h"
#include "viewer/window/window_fixture.h"

namespace vex3d::test {
namespace {

using ExportPageWindow = WindowTest;

template <class Widget>
Widget* control(QWidget* page, const char* name) {
  auto* found = page->findChild<Widget*>(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

struct Sheet {
  Sheet(CSceneExportOptions& options, std::uint32_t& preferences)
      : sheet(options, preferences, "stl", nullptr), page(sheet.FindPage<C3DExportPage>()) {}
  QCheckBox* check(const char* name) const { return control<QCheckBox>(page, name); }
  QRadioButton* radio(const char* name) const { return control<QRadioButton>(page, name); }
  C3DExportSheet sheet;
  C3DExportPage* page;
};

TEST_F(ExportPageWindow, WhatTheFormatImposesIsCheckedAndCannotBeChanged) {
  CSceneExportOptions options;
  options.m_forcedFlags = EXPORT_TRIANGULATE | EXPORT_WORLD_COORDINATES | EXPORT_REMOVE_UVW |
                          EXPORT_REMOVE_VC | EXPORT_REMOVE_SPEC_NORMALS | EXPORT_CONCATENATE;
  options.m_flags = options.m_forcedFlags;
  std::uint32_t preferences = 0;
  Sheet s(options, preferences);
  ASSERT_NE(s.page, nullptr);
  EXPECT_TRUE(s.radio("triangulate")->isChecked());
  for (const char* name : {"keepFaces", "quadrangulate", "triangulate"}) {
    EXPECT_FALSE(s.radio(name)->isEnabled()) << name;
  }
  EXPECT_TRUE(s.check("globalCoordinates")->isChecked());
  EXPECT_FALSE(s.check("globalCoordinates")->isEnabled());
  EXPECT_TRUE(s.check("ignoreUV")->isChecked());
  EXPECT_FALSE(s.check("ignoreUV")->isEnabled());
  EXPECT_FALSE(s.check("projectedUV")->isEnabled());
  EXPECT_FALSE(s.check("ignoreVertexColors")->isEnabled());
  // Nothing imposed there: the user's choice.
  EXPECT_TRUE(s.radio("keepPatches")->isEnabled());
  EXPECT_TRUE(s.check("disconnectFaces")->isEnabled());
  EXPECT_TRUE(s.check("saveHidden")->isEnabled());
  EXPECT_EQ(s.sheet.windowTitle(), "Options - STL");

  s.check("saveHidden")->setChecked(true);
  s.radio("patchesToUnsubdivided")->setChecked(true);
  ASSERT_TRUE(s.sheet.Apply());
  EXPECT_EQ(options.m_flags, options.m_forcedFlags | EXPORT_KEEP_HIDDEN | EXPORT_PATCHES_TO_SOURCE);
}

TEST_F(ExportPageWindow, QuadrilateralsOrConvertedPatchesImposedLeaveTheOtherChoices) {
  CSceneExportOptions options;
  options.m_forcedFlags =
      EXPORT_TRIANGULATE_POLYGONS | EXPORT_PATCHES_TO_MESHES | EXPORT_DISCONNECT_SEAMS;
  options.m_flags = options.m_forcedFlags;
  std::uint32_t preferences = 0;
  Sheet s(options, preferences);
  EXPECT_FALSE(s.radio("keepFaces")->isEnabled());
  EXPECT_TRUE(s.radio("quadrangulate")->isEnabled());
  EXPECT_TRUE(s.radio("quadrangulate")->isChecked());
  EXPECT_TRUE(s.radio("triangulate")->isEnabled());
  EXPECT_FALSE(s.radio("keepPatches")->isEnabled());
  EXPECT_TRUE(s.radio("patchesToSubdivided")->isChecked());
  EXPECT_FALSE(s.check("disconnectFaces")->isEnabled());
  EXPECT_TRUE(s.check("globalCoordinates")->isEnabled());
  // Triangles are more than quadrilaterals: the user may ask for them.
  s.radio("triangulate")->setChecked(true);
  ASSERT_TRUE(s.sheet.Apply());
  EXPECT_TRUE(options.m_flags & EXPORT_TRIANGULATE);
  EXPECT_TRUE(options.m_flags & EXPORT_TRIANGULATE_POLYGONS);
}

TEST_F(ExportPageWindow, ProjectedCoordinatesOnlyWhileUVAreKept) {
  CSceneExportOptions options;
  options.m_flags = EXPORT_GENERATE_UVW;
  std::uint32_t preferences = 0;
  Sheet s(options, preferences);
  EXPECT_TRUE(s.check("projectedUV")->isEnabled());
  EXPECT_TRUE(s.check("projectedUV")->isChecked());
  s.check("ignoreUV")->setChecked(true);
  EXPECT_FALSE(s.check("projectedUV")->isEnabled());
  ASSERT_TRUE(s.sheet.Apply());
  EXPECT_EQ(options.m_flags & (EXPORT_REMOVE_UVW | EXPORT_GENERATE_UVW),
            std::uint32_t{EXPORT_REMOVE_UVW});
}

TEST_F(ExportPageWindow, DefaultSettingsAreOfferedOnlyWhenTheyDiffer) {
  CSceneExportOptions options;
  options.m_forcedFlags = EXPORT_WORLD_COORDINATES;
  options.m_defaultFlags = EXPORT_KEEP_HIDDEN | EXPORT_TRIANGULATE_POLYGONS;
  // Bits the page never shows do not count.
  options.m_flags = options.m_forcedFlags | options.m_defaultFlags | EXPORT_CONCATENATE;
  std::uint32_t preferences = 0;
  Sheet s(options, preferences);
  auto* restore = control<QPushButton>(s.page, "restoreDefaults");
  EXPECT_EQ(restore->text(), "Restablish default settings");
  EXPECT_TRUE(restore->isHidden());
  s.check("saveHidden")->setChecked(false);
  s.radio("keepFaces")->setChecked(true);
  s.check("ignoreSpecifiedNormals")->setChecked(true);
  EXPECT_FALSE(restore->isHidden());
  restore->click();
  EXPECT_TRUE(restore->isHidden());
  EXPECT_TRUE(s.check("saveHidden")->isChecked());
  EXPECT_TRUE(s.radio("quadrangulate")->isChecked());
  EXPECT_FALSE(s.check("ignoreSpecifiedNormals")->isChecked());
  ASSERT_TRUE(s.sheet.Apply());
  EXPECT_EQ(options.m_flags, options.m_forcedFlags | options.m_defaultFlags | EXPORT_CONCATENATE);

  // Settings remembered from an earlier save differ from the defaults.
  options.m_flags = options.m_forcedFlags | EXPORT_REMOVE_VC;
  Sheet remembered(options, preferences);
  EXPECT_FALSE(control<QPushButton>(remembered.page, "restoreDefaults")->isHidden());
}

TEST_F(ExportPageWindow, TheReportChoiceIsAPreferenceOfThePage) {
  CSceneExportOptions options;
  std::uint32_t preferences = 0x80;
  Sheet s(options, preferences);
  EXPECT_FALSE(s.check("conversionReport")->isChecked());
  s.check("conversionReport")->setChecked(true);
  ASSERT_TRUE(s.sheet.Apply());
  EXPECT_EQ(preferences, 0x80u | viewer::kExportShowReport);
  // Cancel keeps what was there.
  s.check("conversionReport")->setChecked(false);
  s.sheet.reject();
  EXPECT_EQ(preferences, 0x80u | viewer::kExportShowReport);
}

void chooseFile(QWidget* dialog, const std::string& file) {
  auto* chooser = qobject_cast<QFileDialog*>(dialog);
  ASSERT_NE(chooser, nullptr);
  chooser->setDirectory(QFileInfo(QString::fromStdString(file)).absolutePath());
  // The format goes with the filter chosen, not with the name typed.
  const QString suffix = "*." + QFileInfo(QString::fromStdString(file)).suffix();
  for (const QString& filter : chooser->nameFilters()) {
    if (filter.contains(suffix)) chooser->selectNameFilter(filter);
  }
  chooser->findChild<QLineEdit*>("fileNameEdit")
      ->setText(QFileInfo(QString::fromStdString(file)).fileName());
  static_cast<QDialog*>(chooser)->accept();
}

TEST_F(ExportPageWindow, SavingShowsThePageForTheChosenFormat) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  const std::string target = TempPath("cube.stl");
  bool triangulateLocked = false;
  std::vector<IoReport> reports;
  const IoReportHandler previous =
      setIoReportHandler([&reports](const IoReport& report) { reports.push_back(report); });
  AnswerNextDialog([&](QWidget* files) {
    chooseFile(files, target);
    AnswerNextDialog([&](QWidget* sheet) {
      EXPECT_EQ(sheet->objectName(), viewer::kExportSheetName);
      auto* triangulate = sheet->findChild<QRadioButton*>("triangulate");
      triangulateLocked =
          triangulate != nullptr && triangulate->isChecked() && !triangulate->isEnabled();
      sheet->findChild<QCheckBox*>("conversionReport")->setChecked(true);
      qobject_cast<QDialog*>(sheet)->accept();
    });
  });
  EXPECT_EQ(frame.RunCommand(frame.GetCommandMgr().GetCommandById(fourcc("SAVS"))), cmdDone);
  EXPECT_TRUE(triangulateLocked);
  EXPECT_TRUE(std::filesystem::is_regular_file(target));
  // The conversions were reported, as asked.
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports.front().reportCode, kIoReportInformation);
  EXPECT_FALSE(reports.front().log.empty());

  // Cancelling the options cancels the save, silently.
  reports.clear();
  const std::string other = TempPath("other.stl");
  AnswerNextDialog([&](QWidget* files) {
    chooseFile(files, other);
    AnswerNextDialog([](QWidget* sheet) { qobject_cast<QDialog*>(sheet)->reject(); });
  });
  EXPECT_EQ(frame.RunCommand(frame.GetCommandMgr().GetCommandById(fourcc("SAVS"))), cmdCancelled);
  EXPECT_FALSE(std::filesystem::exists(other));
  setIoReportHandler(previous);
}

}  // namespace
}  // namespace vex3d::test
