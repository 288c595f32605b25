#include "hostlib/core/exceptions.h"

const char* CArchiveException::CauseName(Cause cause) {
  switch (cause) {
    case none:
      return "no error";
    case genericException:
      return "malformed archive";
    case readOnly:
      return "archive is read-only";
    case endOfFile:
      return "unexpected end of archive";
    case writeOnly:
      return "archive is write-only";
    case badIndex:
      return "bad object index";
    case badClass:
      return "bad class";
    case badSchema:
      return "bad schema";
    case bufferFull:
      return "archive buffer full";
  }
  return "archive error";
}

CArchiveException::CArchiveException(Cause cause, const std::string& detail)
    : std::runtime_error(detail.empty() ? CauseName(cause)
                                        : std::string(CauseName(cause)) + ": " + detail),
      m_cause(cause) {}

void AfxThrowArchiveException(CArchiveException::Cause cause, const std::string& detail) {
  throw CArchiveException(cause, detail);
}

void AfxThrowFileException(CFileException::Cause cause, const std::string& message,
                           const std::string& fileName) {
  throw CFileException(cause, message, fileName);
}

void AfxThrowInvalidArgException(const std::string& what) { throw CInvalidArgException(what); }
