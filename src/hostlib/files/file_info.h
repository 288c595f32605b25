#pragma once
// Splits a file name into root, folder, name and extension. Names stored in
// 3D files were mostly written on Windows, so both '/' and '\' separate
// folders here, and drive letters and UNC shares are roots, whatever the
// platform we run on. Purely textual: the file system is never consulted.
#include <cstddef>
#include <string>
#include <string_view>

#include "hostlib/hostlib_export.h"

class VEXHOST_EXPORT CFileInfo {
 public:
  CFileInfo() = default;
  explicit CFileInfo(const std::string& path) { SetPath(path); }

  void SetPath(const std::string& path);

  // The path as given.
  const std::string& GetPath() const { return m_path; }

  // Root: "C:" for a drive, "\\server\share" (or "//server/share") for a UNC
  // share, "\\?\C:" or "\\?\UNC\server\share" for device-prefixed names, the
  // separator itself ("/" or "\") for a name starting with one, empty for a
  // relative name. "C:file.png" has the root "C:" although Windows resolves
  // it against the drive's current folder.
  const std::string& GetRoot() const { return m_root; }
  // Everything before the file name. Ends with a separator whenever the path
  // has one after its root; "C:file.png" gives "C:", "file.png" gives "".
  const std::string& GetFolder() const { return m_folder; }
  // The folder after the root, with its separators as written:
  // "C:\models\tex\a.jpg" gives "\models\tex\", "/home/u/a.jpg" gives
  // "home/u/" (the root "/" is the leading separator).
  // GetRoot() + GetFolderWithoutRoot() == GetFolder() always holds.
  const std::string& GetFolderWithoutRoot() const { return m_folderWithoutRoot; }
  // Name after the last separator, with its extension; empty when the path
  // ends with a separator. GetFolder() + GetFileName() == GetPath().
  const std::string& GetFileName() const { return m_fileName; }
  // File name without its last extension: "a.tar.gz" gives "a.tar", "name."
  // gives "name". Leading dots do not start an extension: ".hidden" stays.
  const std::string& GetFileTitle() const { return m_fileTitle; }
  // Extension without the dot, in the case it was written ("JPG" stays
  // "JPG"); compare with HasExtension to ignore case.
  const std::string& GetExtension() const { return m_extension; }

  bool IsRelative() const { return m_root.empty(); }
  bool HasFolder() const { return !m_folder.empty(); }
  // ASCII case-insensitive test; `ext` may be given with or without its dot.
  // An empty `ext` matches a name without extension.
  bool HasExtension(std::string_view ext) const;

  // The path with every '\' turned into '/', as Linux must see a name written
  // on Windows: "maps\wood.jpg" becomes "maps/wood.jpg".
  std::string GetPosixPath() const { return ToPosix(m_path); }
  static std::string ToPosix(std::string path);

  // Length of the root of `path` as GetRoot defines it (0 when relative).
  static std::size_t RootLength(std::string_view path);
  // True for '/' and '\'.
  static bool IsSeparator(char c) { return c == '/' || c == '\\'; }

 private:
  std::string m_path;
  std::string m_root;
  std::string m_folder;
  std::string m_folderWithoutRoot;
  std::string m_fileName;
  std::string m_fileTitle;
  std::string m_extension;
};
