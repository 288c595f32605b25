#pragma once
// A whole file as one read-only span of bytes. Mapping avoids copying the
// file once more through a buffer; the readers never write into it.
#include <span>
#include <string>

namespace vex3d::native {

class FileBytes {
 public:
  FileBytes() = default;
  ~FileBytes() { close(); }
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;

  // False with `error` set when the file cannot be opened or mapped. An
  // empty file is a valid, empty span.
  bool open(const std::string& path, std::string& error);

  std::span<const unsigned char> bytes() const { return {m_data, m_size}; }

 private:
  void close();

  const unsigned char* m_data = nullptr;
  std::size_t m_size = 0;
};

}  // namespace vex3d::native
