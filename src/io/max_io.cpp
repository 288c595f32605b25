#include "io/max_io.h"

#include "hostlib/core/notification.h"
#include "hostlib/io/file_io_frame.h"
#include "hostlib/ipc/exchange_endpoint.h"
#include "hostlib/text/strings.h"
#include "io/exchange.h"
#include "scene/scene.h"

using namespace vex3d::exchange;

namespace {

bool serverRunning() {
  if (FindWindowByClassName(kMaxServerClass)) return true;
  C3DSMaxIo::ShowMaxInfo();
  return false;
}

}  // namespace

C3DSMaxIo::~C3DSMaxIo() = default;

C3DScene* C3DSMaxIo::Read(const std::string& fileName, CSceneImportOptions&) {
  if (!serverRunning()) {
    SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError,
               describeFailure({vex3d::ipc::SendStatus::noEndpoint, 0}, kMaxServerClass));
    return nullptr;
  }
  return readThroughExchange(*this, fileName, kMaxServerClass, kMaxReplyClass, true);
}

int C3DSMaxIo::Save(const std::string& fileName, C3DScene* scene, CSceneExportOptions&) {
  if (!serverRunning()) {
    SetIoError(IO_ERROR_PARSER_EXCEPTION, CIoOptions::logError,
               describeFailure({vex3d::ipc::SendStatus::noEndpoint, 0}, kMaxServerClass));
    return 0;
  }
  if (scene == nullptr) return 0;
  return writeThroughExchange(*this, fileName, *scene, kMaxServerClass);
}

void C3DSMaxIo::ShowMaxInfo() {
  ShowNotification(kMaxNotRunningDialog, LoadStringW(vex3d::kStrMaxNotRunningTitle),
                   LoadStringW(vex3d::kStrMaxNotRunning));
}

int C3DSMaxIo::BeginMultipleRead() {
  return SendInfoToWnd(kMaxServerClass, kCodeBeginScan, nullptr, 0, 0);
}

int C3DSMaxIo::EndMultipleRead() {
  return SendInfoToWnd(kMaxServerClass, kCodeEndScan, nullptr, 0, 0);
}
