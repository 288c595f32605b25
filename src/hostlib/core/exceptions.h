#pragma once
// The framework raises exceptions only for archive and file errors,
// out-of-range container access and allocation failure (std::bad_alloc);
// everything else reports through return values.
#include <stdexcept>
#include <string>

#include "hostlib/hostlib_export.h"

class VEXHOST_EXPORT CArchiveException : public std::runtime_error {
 public:
  enum Cause {
    none = 0,
    genericException = 1,
    readOnly = 2,
    endOfFile = 3,
    writeOnly = 4,
    badIndex = 5,
    badClass = 6,
    badSchema = 7,
    bufferFull = 9,
  };

  explicit CArchiveException(Cause cause, const std::string& detail = {});
  Cause m_cause;

  static const char* CauseName(Cause cause);
};

// A file that cannot be read or written, or whose bytes are not what its
// format says. The message is meant for the user: the IO shows it as the
// error of the read.
class VEXHOST_EXPORT CFileException : public std::runtime_error {
 public:
  enum Cause {
    none = 0,
    genericException = 1,
    fileNotFound = 2,
    accessDenied = 5,
    badFormat = 8,
    endOfFile = 14,
  };
  CFileException(Cause cause, const std::string& message, const std::string& fileName = {})
      : std::runtime_error(message), m_cause(cause), m_fileName(fileName) {}
  Cause m_cause;
  std::string m_fileName;
};

// Index beyond a container, bad argument to a framework call.
class VEXHOST_EXPORT CInvalidArgException : public std::out_of_range {
 public:
  explicit CInvalidArgException(const std::string& what) : std::out_of_range(what) {}
};

[[noreturn]] VEXHOST_EXPORT void AfxThrowArchiveException(CArchiveException::Cause cause,
                                                          const std::string& detail = {});
[[noreturn]] VEXHOST_EXPORT void AfxThrowFileException(CFileException::Cause cause,
                                                       const std::string& message,
                                                       const std::string& fileName = {});
[[noreturn]] VEXHOST_EXPORT void AfxThrowInvalidArgException(
    const std::string& what = "invalid argument");
