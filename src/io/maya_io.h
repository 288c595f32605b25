#pragma once
// CMayaIo: Maya files, read and written by the exchange program that runs
// next to Maya. The module starts the program from the Maya folder of the
// 3D preferences when it is not running, asking the user for that folder
// once per run when none is known, and stops it when the folder changes.
#include <string>

#include "io/parser.h"
#include "vex3d_export.h"

class VEX3D_EXPORT CMayaIo : public C3DParser {
 public:
  using C3DParser::C3DParser;
  ~CMayaIo() override;

  C3DScene* Read(const std::string& fileName, CSceneImportOptions& options) override;
  void SaveDefaultOptions(CSceneExportOptions& options) override;
  int Save(const std::string& fileName, C3DScene* scene, CSceneExportOptions& options) override;

  // 1 when the exchange program's endpoint exists, starting the program
  // when needed; 0 otherwise.
  static int InitMayaLibrary();
  // Asks a running exchange program to quit and waits a little for it to go.
  static void StopMayaLibrary();
  // Why the exchange program of `folder` cannot serve.
  static void ShowMayaInfo(const std::string& folder);

  // Whether the user is still asked for the Maya folder: set at load,
  // cleared by the first failed or refused start.
  static int GetAskFolder();
  static void SetAskFolder(int ask);
};
