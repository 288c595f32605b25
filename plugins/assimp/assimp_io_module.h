#pragma once
// The plug-in's handle on the module holding the exchange library, loaded on
// first use.
#include <string>

#include "assimp_io.h"

namespace vex3d::assimp {

class IoModule {
 public:
  // The module beside this plug-in, loaded by the first caller.
  static const IoModule& instance();

  IoModule(const IoModule&) = delete;
  IoModule& operator=(const IoModule&) = delete;

  // Both null when the module could not be loaded; see loadError().
  VexAssimpReadFn read() const { return m_read; }
  VexAssimpWriteFn write() const { return m_write; }
  // "the exchange-format library could not be loaded: <reason>".
  const std::string& loadError() const { return m_error; }

 private:
  explicit IoModule(const std::string& path);

  VexAssimpReadFn m_read = nullptr;
  VexAssimpWriteFn m_write = nullptr;
  std::string m_error;
};

}  // namespace vex3d::assimp
