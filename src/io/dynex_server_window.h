#pragma once
// CDynExServerWindow: the reader's short-lived endpoint, which receives
// the scene an exchange program sends back while the reader still waits
// for the answer to its request.
#include <cstdint>
#include <string>

#include "hostlib/ipc/exchange_endpoint.h"
#include "vex3d_export.h"

class C3DParser;

class VEX3D_EXPORT CDynExServerWindow : public vex3d::ipc::CExchangeEndpoint {
 public:
  CDynExServerWindow();
  ~CDynExServerWindow() override;

  // Opens a new instance of `className`.
  bool Create(const std::string& className);
  void DestroyWindow();
  const std::string& GetClassName() const { return m_className; }

  // The read this endpoint waits for: the scene of a reply carrying
  // `cookie` goes to `parser`. Any other cookie is refused, so a peer can
  // name no parser but the one waiting.
  void ExpectReply(std::uint64_t cookie, C3DParser* parser);

 protected:
  int OnMessage(const vex3d::ipc::Message& message) override;

 private:
  std::string m_className;
  std::uint64_t m_cookie = 0;
  C3DParser* m_parser = nullptr;
};
