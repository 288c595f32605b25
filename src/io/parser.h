#pragma once
// C3DParser: the base of every 3D format parser. A format plug-in derives
// from it and overrides Read, Save or both, and declares in its default
// options which conversions its format forces (triangles only, no
// hierarchy...) and which it suggests.
#include <functional>
#include <string>

#include "hostlib/io/file_parser.h"
#include "vex3d_export.h"

class C3DScene;
class CCustomData;
class CSceneExportOptions;
class CSceneImportOptions;

class VEX3D_EXPORT C3DParser : public CFileParser {
 public:
  explicit C3DParser(CFileIo& io) : CFileParser(io) {}
  ~C3DParser() override;

  void SetScene(C3DScene* scene) { m_scene = scene; }
  C3DScene* GetScene() const { return m_scene; }

  IoShowDialog MustShowDialog() override;
  // Fills the forced and default flags the format works with.
  virtual void LoadDefaultOptions(CSceneImportOptions& options);
  // 1 when the user accepted the options (nothing is shown by default).
  virtual int LoadOptionsDialog(CSceneImportOptions& options);
  // One line describing the parameters, for lists and reports.
  virtual std::string GetLoadParametersInfo(CSceneImportOptions& options);
  // A new scene the caller owns, or null with an IO error set. File errors
  // may also be thrown as CFileException; their message reaches the user.
  virtual C3DScene* Read(const std::string& fileName, CSceneImportOptions& options);

  virtual void SaveDefaultOptions(CSceneExportOptions& options);
  // The export options sheet, through the installed hook.
  virtual int SaveOptionsDialog(CSceneExportOptions& options);
  virtual std::string GetSaveParametersInfo(CSceneExportOptions& options);
  // Writes the prepared export scene (never the user's own); 1 on success,
  // 0 with an IO error set.
  virtual int Save(const std::string& fileName, C3DScene* scene, CSceneExportOptions& options);

 private:
  C3DScene* m_scene = nullptr;
};

namespace vex3d {
// The export options sheet the viewer shows: it edits the options and the
// page's preferences flags, and answers 1 for OK. Without a sheet (no
// window at all) the options stand as they are.
using ExportSheetHook =
    std::function<int(CSceneExportOptions& options, std::uint32_t& preferencesFlags,
                      const std::string& mainExtension)>;
VEX3D_EXPORT ExportSheetHook setExportSheetHook(ExportSheetHook hook);
}  // namespace vex3d
