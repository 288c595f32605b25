#include "viewer/window/window_fixture.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "viewer/frame/view_window.h"
#include "viewer/frame/viewer_startup.h"

extern char** environ;

namespace vex3d::test {
namespace {

struct XServer {
  pid_t pid = -1;
  ~XServer() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
};

XServer& server() {
  static XServer s;
  return s;
}

// Xvfb picks a free display and writes its number to the pipe once it
// accepts connections.
bool startXvfb(std::string* error) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const std::string fd = std::to_string(fds[1]);
  const char* args[] = {"Xvfb",         "-displayfd", fd.c_str(), "-screen",  "0",
                        "1280x1024x24", "-nolisten",  "tcp",      "-noreset", nullptr};
  pid_t pid = -1;
  const int spawned =
      posix_spawnp(&pid, "Xvfb", &actions, nullptr, const_cast<char* const*>(args), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (spawned != 0) {
    close(fds[0]);
    if (error) *error = "Xvfb could not be started (install it with scripts/install-deps.sh)";
    return false;
  }
  server().pid = pid;
  char number[32] = {};
  std::size_t got = 0;
  while (got < sizeof number - 1) {
    const ssize_t n = read(fds[0], number + got, sizeof number - 1 - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
    if (number[got - 1] == '\n') break;
  }
  close(fds[0]);
  if (got == 0) {
    if (error) *error = "Xvfb did not report its display";
    return false;
  }
  std::string display = ":" + std::string(number, number + got);
  while (!display.empty() && (display.back() == '\n' || display.back() == '\r')) display.pop_back();
  setenv("DISPLAY", display.c_str(), 1);
  return true;
}

}  // namespace

bool startWindowSystem(std::string* error) {
  static bool started = false;
  static std::string failure;
  if (started) return true;
  if (!failure.empty()) {
    if (error) *error = failure;
    return false;
  }
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  unsetenv("WAYLAND_DISPLAY");
  const std::filesystem::path runtime =
      std::filesystem::path(VEX3D_TEST_BINARY_DIR) / "test-runtime";
  std::filesystem::create_directories(runtime);
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  if (!startXvfb(&failure)) {
    if (error) *error = failure;
    return false;
  }
  vex3d::viewer::prepareApplication();
  static int argc = 1;
  static char name[] = "viewer_window_tests";
  static char* argv[] = {name, nullptr};
  // Lives until the program ends: Qt's windows may not outlive it.
  new QApplication(argc, argv);
  static vex3d::viewer::ModuleScope module;
  started = true;
  return true;
}

void WindowTest::SetUpTestSuite() {
  std::string error;
  ASSERT_TRUE(startWindowSystem(&error)) << error;
}

void WindowTest::SetUp() { m_config = std::make_unique<ScopedConfigDir>("window-config"); }

void WindowTest::TearDown() {
  if (m_frame) {
    m_frame->DocumentSaved();
    m_frame.reset();
  }
  QApplication::processEvents();
  m_config.reset();
}

bool WindowTest::WaitFor(const std::function<bool()>& done, int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > milliseconds) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

C3DFrameViewer& WindowTest::OpenFrame(const std::string& file, bool scenesList) {
  m_frame = std::make_unique<C3DFrameViewer>(nullptr, nullptr, scenesList);
  m_frame->resize(900, 640);
  m_frame->show();
  EXPECT_TRUE(WaitFor([this] { return m_frame->GetViewWindow()->GetPaintCount() > 0; }));
  if (!file.empty()) {
    EXPECT_GE(m_frame->ReadScene(file, READ_SCENE_SILENT), 0);
  }
  QApplication::processEvents();
  return *m_frame;
}

QImage WindowTest::ViewPicture() {
  QApplication::processEvents();
  return m_frame->GetViewWindow()->GrabFrame();
}

void WindowTest::AnswerNextDialog(std::function<void(QWidget*)> answer, int milliseconds) {
  auto* poll = new QTimer;
  auto deadline = std::make_shared<QElapsedTimer>();
  deadline->start();
  QObject::connect(poll, &QTimer::timeout, poll, [poll, answer, deadline, milliseconds] {
    QWidget* modal = QApplication::activeModalWidget();
    // A modeless dialog is answered as well, once it is on screen.
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (modal == nullptr && top->isVisible() && qobject_cast<QDialog*>(top) != nullptr) {
        modal = top;
      }
    }
    if (modal == nullptr && deadline->elapsed() < milliseconds) return;
    poll->stop();
    poll->deleteLater();
    if (modal != nullptr) answer(modal);
  });
  poll->start(20);
}

std::string WindowTest::Sample(const std::string& name) {
  return std::string(VEX3D_TEST_DATA_DIR) + "/samples/" + name;
}

std::string WindowTest::TempPath(const std::string& name) const {
  const std::filesystem::path folder = m_config->Path() / "files";
  std::filesystem::create_directories(folder);
  return (folder / name).string();
}

int countForeground(const QImage& image) {
  if (image.isNull()) return 0;
  const QRgb background = image.pixel(0, 0);
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != background) ++count;
    }
  }
  return count;
}

}  // namespace vex3d::test
