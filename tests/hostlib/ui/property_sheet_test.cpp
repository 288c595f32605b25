// The sheet of pages and the small dialogs the viewer's windows are made
// of, driven as a user would drive them.
#include "hostlib/ui/property_sheet.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QOpenGLWindow>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hostlib/ui/color_button.h"
#include "hostlib/ui/command_view.h"
#include "hostlib/ui/default_dlg.h"
#include "hostlib/ui/select_folder_dlg.h"

namespace {

// No display needed: these controls draw nothing with GL.
void ensureApplication() {
  if (QApplication::instance() != nullptr) return;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "hostlib_ui_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

// Answers the next modal window the event loop shows.
void answerNext(std::function<void(QWidget*)> answer) {
  auto* poll = new QTimer;
  auto waited = std::make_shared<QElapsedTimer>();
  waited->start();
  QObject::connect(poll, &QTimer::timeout, poll, [poll, answer, waited] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr && waited->elapsed() < 5000) return;
    poll->stop();
    poll->deleteLater();
    if (modal != nullptr) answer(modal);
  });
  poll->start(20);
}

// Records what the sheet asks of it.
class RecordingPage : public CCustomPropertyPage {
 public:
  RecordingPage(const QString& title, std::vector<std::string>& log)
      : CCustomPropertyPage(title), m_log(log), m_edit(new QLineEdit(this)) {
    m_edit->setObjectName(title);
  }
  void OnInitDialog() override {
    m_log.push_back("init " + GetTitle().toStdString());
    m_edit->setText("1");
  }
  bool OnKillActive() override {
    if (m_edit->text() == "bad") return RefuseValue(m_edit, "The value is refused.");
    return true;
  }
  void OnApply() override { m_log.push_back("apply " + GetTitle().toStdString()); }
  QLineEdit* Edit() const { return m_edit; }

 private:
  std::vector<std::string>& m_log;
  QLineEdit* m_edit;
};

class HostControls : public testing::Test {
 protected:
  static void SetUpTestSuite() { ensureApplication(); }
};

TEST_F(HostControls, PagesStartWhenFirstShownAndOnlyThoseApply) {
  std::vector<std::string> log;
  CCustomPropertySheet sheet("Sheet", nullptr);
  auto* first = new RecordingPage("first", log);
  auto* second = new RecordingPage("second", log);
  auto* third = new RecordingPage("third", log);
  sheet.AddPage(first);
  sheet.AddPage(second);
  sheet.AddPage(third);
  EXPECT_EQ(log, (std::vector<std::string>{"init first"}));
  EXPECT_TRUE(sheet.SetActivePage(third));
  EXPECT_TRUE(sheet.Apply());
  // The second page was never shown: it has nothing to apply.
  EXPECT_EQ(log,
            (std::vector<std::string>{"init first", "init third", "apply first", "apply third"}));
  EXPECT_EQ(sheet.FindPage<RecordingPage>(), first);
}

TEST_F(HostControls, ARefusedValueKeepsTheUserOnThePageWithTheFocusOnIt) {
  std::vector<std::string> log;
  CCustomPropertySheet sheet("Sheet", nullptr);
  auto* first = new RecordingPage("first", log);
  auto* second = new RecordingPage("second", log);
  sheet.AddPage(first);
  sheet.AddPage(second);
  sheet.show();
  first->Edit()->setText("bad");
  QString said;
  answerNext([&said](QWidget* box) {
    said = qobject_cast<QMessageBox*>(box)->text();
    qobject_cast<QDialog*>(box)->accept();
  });
  EXPECT_FALSE(sheet.SetActivePage(second));
  EXPECT_EQ(said, "The value is refused.");
  EXPECT_EQ(sheet.GetActivePage(), first);
  EXPECT_FALSE(second->IsInitialised());
  EXPECT_EQ(sheet.focusWidget(), first->Edit());

  // OK refuses the same way and applies nothing.
  answerNext([](QWidget* box) { qobject_cast<QDialog*>(box)->accept(); });
  sheet.GetButton(QDialogButtonBox::Ok)->click();
  EXPECT_TRUE(sheet.isVisible());
  EXPECT_EQ(log, (std::vector<std::string>{"init first"}));

  first->Edit()->setText("2");
  sheet.GetButton(QDialogButtonBox::Ok)->click();
  EXPECT_FALSE(sheet.isVisible());
  EXPECT_EQ(sheet.result(), QDialog::Accepted);
  EXPECT_EQ(log, (std::vector<std::string>{"init first", "apply first"}));
}

TEST_F(HostControls, AHiddenPageIsNeitherShownNorApplied) {
  std::vector<std::string> log;
  CCustomPropertySheet sheet("Sheet", nullptr);
  auto* first = new RecordingPage("first", log);
  auto* second = new RecordingPage("second", log);
  sheet.AddPage(first);
  sheet.AddPage(second);
  sheet.SetPageVisible(second, false);
  EXPECT_FALSE(sheet.IsPageVisible(second));
  EXPECT_FALSE(sheet.SetActivePage(second));
  EXPECT_TRUE(sheet.Apply());
  EXPECT_EQ(log, (std::vector<std::string>{"init first", "apply first"}));
}

TEST_F(HostControls, CancelAppliesNothing) {
  std::vector<std::string> log;
  CCustomPropertySheet sheet("Sheet", nullptr);
  sheet.AddPage(new RecordingPage("first", log));
  answerNext([](QWidget* dialog) {
    dynamic_cast<CCustomPropertySheet*>(dialog)->GetButton(QDialogButtonBox::Cancel)->click();
  });
  EXPECT_EQ(sheet.exec(), QDialog::Rejected);
  EXPECT_EQ(log, (std::vector<std::string>{"init first"}));
}

class CheckedDlg : public CDefaultDlg {
 public:
  CheckedDlg() : CDefaultDlg("Checked", nullptr), m_edit(new QLineEdit(this)) {
    GetContentLayout()->addWidget(m_edit);
  }
  QLineEdit* m_edit;
  int m_taken = 0;

 protected:
  bool OnValidate() override {
    return m_edit->text().isEmpty() ? RefuseValue(m_edit, "Empty.") : true;
  }
  void OnOK() override { ++m_taken; }
};

TEST_F(HostControls, ADefaultDialogTakesItsValuesOnlyOnceTheyAreAccepted) {
  CheckedDlg dialog;
  dialog.show();
  answerNext([](QWidget* box) { qobject_cast<QDialog*>(box)->accept(); });
  dialog.GetButtons()->button(QDialogButtonBox::Ok)->click();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.m_taken, 0);
  dialog.m_edit->setText("x");
  dialog.GetButtons()->button(QDialogButtonBox::Ok)->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.m_taken, 1);
}

TEST_F(HostControls, TheFolderChooserAnswersTheFolderChosenOrNothing) {
  const std::filesystem::path base =
      std::filesystem::path(VEX3D_TEST_BINARY_DIR) / "hostlib-ui" / "folders";
  std::filesystem::create_directories(base / "textures");
  answerNext([&base](QWidget* dialog) {
    EXPECT_EQ(dialog->objectName(), vex3d::ui::kSelectFolderDialogName);
    auto* chooser = qobject_cast<QFileDialog*>(dialog);
    EXPECT_EQ(chooser->directory().absolutePath().toStdString(), base.string());
    EXPECT_TRUE(chooser->toolTip().contains("texture files"));
    chooser->setDirectory(QString::fromStdString((base / "textures").string()));
    static_cast<QDialog*>(chooser)->accept();
  });
  EXPECT_EQ(CSelectFolderDlg::Choose(nullptr, "Folder of the texture files", base.string()),
            (base / "textures").string());
  answerNext([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
  EXPECT_EQ(CSelectFolderDlg::Choose(nullptr, "Folder", base.string()), "");
  std::filesystem::remove_all(base);
}

TEST_F(HostControls, AColourButtonShowsItsColourAndTakesTheChosenOne) {
  CColorButton button;
  button.resize(60, 30);
  button.SetColor(CRGBColor(255, 0, 0, 7));
  QImage face = button.grab().toImage();
  EXPECT_EQ(face.pixelColor(30, 15), QColor(255, 0, 0));

  CRGBColor told;
  button.SetChangedHandler([&told](const CRGBColor& c) { told = c; });
  answerNext([](QWidget* dialog) {
    EXPECT_EQ(dialog->objectName(), vex3d::ui::kColorDialogName);
    auto* chooser = qobject_cast<QColorDialog*>(dialog);
    EXPECT_EQ(chooser->currentColor(), QColor(255, 0, 0));
    chooser->setCurrentColor(QColor(0, 128, 255));
    chooser->accept();
  });
  button.click();
  // The fourth byte is the caller's: the chooser leaves it alone.
  EXPECT_EQ(button.GetColor(), CRGBColor(0, 128, 255, 7));
  EXPECT_EQ(told, button.GetColor());
  face = button.grab().toImage();
  EXPECT_EQ(face.pixelColor(30, 15), QColor(0, 128, 255));

  answerNext([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
  button.click();
  EXPECT_EQ(button.GetColor(), CRGBColor(0, 128, 255, 7));
}

TEST_F(HostControls, TheSurfaceFormatHookShapesTheSurfacesMadeAfterIt) {
  QSurfaceFormat seen;
  const CCommandView::SurfaceFormatHook previous =
      CCommandView::SetSurfaceFormatHook([&seen](const QSurfaceFormat& base) {
        seen = base;
        QSurfaceFormat format = base;
        format.setStencilBufferSize(8);
        return format;
      });
  {
    CCommandView view;
    EXPECT_EQ(view.GetSurface()->requestedFormat().stencilBufferSize(), 8);
    EXPECT_EQ(seen, QSurfaceFormat::defaultFormat());
  }
  CCommandView::SetSurfaceFormatHook(previous);
  CCommandView plain;
  EXPECT_EQ(plain.GetSurface()->requestedFormat(), QSurfaceFormat::defaultFormat());
}

}  // namespace
