#pragma once
// C3DSMaxIo: 3DS Max files, read and written by the exchange plug-in that
// runs inside 3DS Max. The module never starts that side: the user does.
#include <string>

#include "io/parser.h"
#include "vex3d_export.h"

class VEX3D_EXPORT C3DSMaxIo : public C3DParser {
 public:
  using C3DParser::C3DParser;
  ~C3DSMaxIo() override;

  C3DScene* Read(const std::string& fileName, CSceneImportOptions& options) override;
  int Save(const std::string& fileName, C3DScene* scene, CSceneExportOptions& options) override;

  static void ShowMaxInfo();
  // Bracket several reads in one scan of the application's files; the
  // answers say whether the application's endpoint took the message.
  static int BeginMultipleRead();
  static int EndMultipleRead();
};
