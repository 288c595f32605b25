#pragma once
// A file name with its file class, the pair every IO call passes around.
#include <cstdint>
#include <string>

#include "hostlib/hostlib_export.h"

class VEXHOST_EXPORT CFileNameSpec {
 public:
  CFileNameSpec() = default;
  CFileNameSpec(std::string name, std::uint32_t fileClass)
      : m_name(std::move(name)), m_fileClass(fileClass) {}

  const std::string& GetName() const { return m_name; }
  void SetName(const std::string& name) { m_name = name; }
  // Four-character class such as 'OBJ ', 0 when unknown.
  std::uint32_t GetFileClass() const { return m_fileClass; }
  void SetFileClass(std::uint32_t fileClass) { m_fileClass = fileClass; }
  bool IsEmpty() const { return m_name.empty(); }

  bool operator==(const CFileNameSpec&) const = default;

 private:
  std::string m_name;  // UTF-8 path
  std::uint32_t m_fileClass = 0;
};
