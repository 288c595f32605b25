#pragma once
// The viewer's window tests run against a real X server of their own (Xvfb,
// started once per test program and stopped at its exit) with Mesa's
// software GL, and a real QApplication.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <functional>
#include <memory>
#include <string>

#include "scoped_config_dir.h"
#include "viewer/frame/frame_viewer.h"

namespace vex3d::test {

// Starts the server and the application once; false (with the reason in
// `error`) when no X server could be started.
bool startWindowSystem(std::string* error);

class WindowTest : public testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // A frame of 900 x 640 with its view drawn once.
  C3DFrameViewer& OpenFrame(const std::string& file = {}, bool scenesList = true);
  C3DFrameViewer& Frame() { return *m_frame; }
  // Waits (running the event loop) until `done` or the time is up.
  static bool WaitFor(const std::function<bool()>& done, int milliseconds = 5000);
  // Paints the view now and answers its picture.
  QImage ViewPicture();
  // Answers the next modal dialog from the event loop: `answer` gets it.
  static void AnswerNextDialog(std::function<void(QWidget*)> answer, int milliseconds = 5000);

  static std::string Sample(const std::string& name);
  std::string TempPath(const std::string& name) const;

  std::unique_ptr<ScopedConfigDir> m_config;
  std::unique_ptr<C3DFrameViewer> m_frame;
};

// Pixels that differ from the colour at the view's corner.
int countForeground(const QImage& image);

}  // namespace vex3d::test
