#include "io/dynex_client_window.h"

#include <memory>

#include "io/exchange.h"
#include "scene/scene.h"

using namespace vex3d::exchange;

CDynExClientWindow::CDynExClientWindow() = default;

CDynExClientWindow::~CDynExClientWindow() = default;

bool CDynExClientWindow::Create(const std::string& className, const std::string& replyClassName) {
  if (!Open(className)) return false;
  m_className = className;
  m_replyClassName = replyClassName;
  return true;
}

void CDynExClientWindow::DestroyWindow() { Close(); }

void CDynExClientWindow::BeginSceneScan() {}

void CDynExClientWindow::EndSceneScan() {}

void CDynExClientWindow::ReceiveScene(const std::string&, C3DScene*) {}

C3DScene* CDynExClientWindow::ReadScene(const std::string&) { return nullptr; }

int CDynExClientWindow::OnMessage(const vex3d::ipc::Message& message) {
  switch (message.code) {
    case kCodeRead:
      return onRead(message);
    case kCodeBeginScan:
      if (m_scanNbr++ == 0) BeginSceneScan();
      return 1;
    case kCodeEndScan:
      // An end without its beginning is the peer's mistake, not a scan.
      if (m_scanNbr > 0 && --m_scanNbr == 0) EndSceneScan();
      return 1;
    case kCodeWrite:
      return onWrite(message);
    case kCodeQuit:
      DestroyWindow();
      return 1;
    default:
      return 1;
  }
}

int CDynExClientWindow::onRead(const vex3d::ipc::Message& message) {
  std::string path;
  std::uint64_t cookie = 0;
  if (!decodeReadRequest(message.data, path, cookie)) return 0;
  std::unique_ptr<C3DScene> scene(ReadScene(path));
  if (!scene) return 1;
  const std::vector<std::uint8_t> reply = encodeSceneReply(cookie, *scene);
  scene.reset();
  // The reader that asked, when it is a reply endpoint; else any reader.
  const std::string& target =
      isInstanceOf(message.sender, m_replyClassName) ? message.sender : m_replyClassName;
  SendInfoToWnd(target.c_str(), kCodeScene, reply.data(), reply.size(), 0);
  return 1;
}

int CDynExClientWindow::onWrite(const vex3d::ipc::Message& message) {
  std::string path;
  std::unique_ptr<C3DScene> scene;
  if (!decodeWriteRequest(message.data, path, scene)) return 0;
  ReceiveScene(path, scene.get());
  return 1;
}
