#pragma once
// C3DIo: reading and writing one 3D file. It finds the parser of the
// file's class (a format plug-in), runs the options protocol (the format's
// forced and default flags, the remembered parameters, the options dialog),
// calls the parser, turns whatever goes wrong into an IO error, and stamps
// the scene with its file name. Saving always goes through export
// preparation: the parser writes a prepared copy, never the user's scene.
#include <cstdint>
#include <memory>
#include <string>

#include "hostlib/io/file_io_frame.h"
#include "vex3d_export.h"

class C3DParser;
class C3DScene;
class CCustomData;
class CSceneExportOptions;
class CSceneImportOptions;

class VEX3D_EXPORT C3DIo : public CFileIo {
 public:
  C3DIo(const CFileNameSpec& file, std::uint32_t flags, CWnd* parent = nullptr);
  C3DIo(std::uint32_t fileClass, std::uint32_t flags, CWnd* parent = nullptr);
  ~C3DIo() override;

  // 1 when a parser is ready (for reading, the file must exist).
  int PrepareReading();
  int PrepareSaving();
  C3DParser* GetParser() const;
  // 1 (dialog), 2 (the parser needs one) or 0, from the IO flags and the
  // parser's answer.
  int MustShowDialog();

  // The scene read, or null with the IO error set (and reported unless
  // silent). Without `options` the remembered parameters are used.
  virtual std::unique_ptr<C3DScene> Read(int showDialog, CSceneImportOptions* options);
  // The parser's answer: 1 when the file was written.
  virtual int Save(int showDialog, C3DScene* scene, CSceneExportOptions* options);

  // The options dialog of a class outside any read or save; `parameters`
  // (when given) is edited in place. 0 when the class has no parser.
  static int ShowDialog(std::uint32_t fileClass, int isRead, CCustomData* parameters, CWnd* parent);
  // The parser's one-line description of `parameters`; empty without one.
  static std::string GetParametersInfo(const CCustomData& parameters, std::uint32_t fileClass,
                                       int isRead);

 private:
  CFileParser* InitParser() override;
  void CloseParser() override;
  int LoadOptionsDialog(CSceneImportOptions& options);
  int SaveOptionsDialog(CSceneExportOptions& options);
  // The options protocol: flags from the remembered (or given) record,
  // then the format's forced and default flags.
  void setUpOptions(CSceneImportOptions& options, const CCustomData* record, bool local);
  void setUpOptions(CSceneExportOptions& options, const CCustomData* record, bool local);
  void reportFailure(const CIoOptions* options);
  // Runs a parser's or the preparation's work, turning whatever it throws
  // into the IO error: a reader or writer must never end the program.
  template <class Work>
  void guarded(Work&& work);

  int m_prepared = 0;
};
