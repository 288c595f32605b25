#pragma once
// Which 3D format a file is read or written in: `--format` when given, else
// its extension; and `-`, standard input or output, through a file of that
// format in a private folder.
#include <cstdint>
#include <filesystem>
#include <string>

namespace vex3d::cli {

// The class of the 3D format to read `path` in, by `format` (an extension
// such as "obj") or else by the path's extension; 0 with the reason in
// `error` when neither names a format.
std::uint32_t classForReading(const std::string& path, const std::string& format,
                              std::string& error);
// As above for writing: also 0 when the format can only be read, the
// reason then listing the formats that can be written.
std::uint32_t classForWriting(const std::string& path, const std::string& format,
                              std::string& error);

// Stands in for `-`: a file named after the format in a folder of its own,
// removed with this object.
class StandardFile {
 public:
  StandardFile() = default;
  ~StandardFile();
  StandardFile(const StandardFile&) = delete;
  StandardFile& operator=(const StandardFile&) = delete;

  // The file holding all of standard input; empty with `error` on failure.
  std::string fromInput(std::uint32_t fileClass, std::string& error);
  // The file to write instead of standard output.
  std::string forOutput(std::uint32_t fileClass, std::string& error);
  // Copies the written file to standard output; false when the format wrote
  // files beside it (which standard output cannot carry) or a copy failed.
  bool sendToOutput(std::string& error) const;

 private:
  std::string makePath(const char* stem, std::uint32_t fileClass, std::string& error);

  std::filesystem::path m_folder;
  std::filesystem::path m_file;
  std::uint32_t m_fileClass = 0;
};

}  // namespace vex3d::cli
