#pragma once
// The framework raises exceptions only for archive errors, out-of-range
// container access and allocation failure (std::bad_alloc); everything else
// reports through return values.
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

// Index beyond a container, bad argument to a framework call.
class VEXHOST_EXPORT CInvalidArgException : public std::out_of_range {
 public:
  explicit CInvalidArgException(const std::string& what) : std::out_of_range(what) {}
};

[[noreturn]] VEXHOST_EXPORT void AfxThrowArchiveException(CArchiveException::Cause cause,
                                                          const std::string& detail = {});
[[noreturn]] VEXHOST_EXPORT void AfxThrowInvalidArgException(
    const std::string& what = "invalid argument");
