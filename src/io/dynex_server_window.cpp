#include "io/dynex_server_window.h"

#include <memory>

#include "io/exchange.h"
#include "io/parser.h"
#include "scene/scene.h"

using namespace vex3d::exchange;

CDynExServerWindow::CDynExServerWindow() = default;

CDynExServerWindow::~CDynExServerWindow() = default;

bool CDynExServerWindow::Create(const std::string& className) {
  if (!Open(newInstanceName(className))) return false;
  m_className = className;
  return true;
}

void CDynExServerWindow::DestroyWindow() { Close(); }

void CDynExServerWindow::ExpectReply(std::uint64_t cookie, C3DParser* parser) {
  m_cookie = cookie;
  m_parser = parser;
}

int CDynExServerWindow::OnMessage(const vex3d::ipc::Message& message) {
  if (message.code != kCodeScene) return 0;
  std::uint64_t cookie = 0;
  std::unique_ptr<C3DScene> scene;
  if (!decodeSceneReply(message.data, cookie, scene)) return 0;
  if (m_parser == nullptr || cookie != m_cookie) return 0;
  // A scene of groups alone has nothing to show.
  if (!hasGeometryNode(*scene)) return 1;
  // A second reply replaces the first; the parser's scene is the reader's
  // until it hands it on.
  delete m_parser->GetScene();
  m_parser->SetScene(scene.release());
  return 1;
}
