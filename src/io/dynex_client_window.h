#pragma once
// CDynExClientWindow: the exchange program's end of the exchange. It
// serves the requests of the 3D module (read a file, write a file, scans,
// quit) at the endpoint of its class; an exchange program derives from it
// and reads and writes its application's files in the virtual operations.
#include <string>

#include "hostlib/ipc/exchange_endpoint.h"
#include "vex3d_export.h"

class C3DScene;

class VEX3D_EXPORT CDynExClientWindow : public vex3d::ipc::CExchangeEndpoint {
 public:
  CDynExClientWindow();
  ~CDynExClientWindow() override;

  // Opens the endpoint `className`; scenes read are sent to an endpoint of
  // `replyClassName`. False when the class is already served.
  bool Create(const std::string& className, const std::string& replyClassName);
  void DestroyWindow();

  const std::string& GetClassName() const { return m_className; }
  const std::string& GetReplyClassName() const { return m_replyClassName; }
  // Scans begun and not yet ended.
  int GetScanNbr() const { return m_scanNbr; }

  // A scan brackets several reads: what they share may be kept in
  // between. Nested scans count as one.
  virtual void BeginSceneScan();
  virtual void EndSceneScan();
  // The scene to write at `path`; it is deleted afterwards.
  virtual void ReceiveScene(const std::string& path, C3DScene* scene);
  // A new scene read from `path` (deleted once sent), or null.
  virtual C3DScene* ReadScene(const std::string& path);

 protected:
  int OnMessage(const vex3d::ipc::Message& message) override;

 private:
  int onRead(const vex3d::ipc::Message& message);
  int onWrite(const vex3d::ipc::Message& message);

  int m_scanNbr = 0;
  std::string m_className;
  std::string m_replyClassName;
};
