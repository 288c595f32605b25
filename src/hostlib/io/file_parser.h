#pragma once
// Base of every format parser. A parser lives inside one CFileIo, which
// owns it, and reports its errors to that IO. Format-specific operations
// (reading a scene, writing a bitmap ...) belong to the subclasses of each
// data kind.
#include <cstdint>
#include <string>

#include "hostlib/hostlib_export.h"

class CFileIo;

// Whether the options dialog should be shown before reading or saving.
enum IoShowDialog : int {
  IO_DIALOG_NO = 0,   // no dialog
  IO_DIALOG_YES = 1,  // a dialog unless the IO is silent
  // The parser cannot work without the user's choices: a dialog even for a
  // silent IO, unless the caller supplied the parameters.
  IO_DIALOG_ALWAYS = 2,
};

class VEXHOST_EXPORT CFileParser {
 public:
  explicit CFileParser(CFileIo& io) : m_io(io) {}
  virtual ~CFileParser();
  CFileParser(const CFileParser&) = delete;
  CFileParser& operator=(const CFileParser&) = delete;

  // IO_DIALOG_YES: parsers have options unless they say otherwise.
  virtual IoShowDialog MustShowDialog();

  CFileIo& GetIo() const { return m_io; }
  // The IO's file class (of the file being read or written).
  std::uint32_t GetFileClass() const;
  // Records an IO error on the owning IO (see CFileIo::SetIoError).
  void SetIoError(int code, int level, const std::string& text = {});

 private:
  CFileIo& m_io;
};
