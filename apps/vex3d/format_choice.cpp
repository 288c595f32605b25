#include "format_choice.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <system_error>

#include "cli_text.h"
#include "hostlib/files/file_class.h"
#include "hostlib/files/file_utils.h"
#include "hostlib/text/strings.h"

namespace vex3d::cli {

namespace {

std::string lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string extensionOfPath(const std::string& path) {
  const std::string ext = std::filesystem::path(path).extension().string();
  return ext.empty() ? ext : lower(ext.substr(1));
}

// The 3D class claiming `extension` into `found`; false when none does.
bool findClass(const std::string& extension, FileClassInfo& found) {
  if (extension.empty()) return false;
  for (const FileClassInfo& c : fileGetClasses(kFileKind3D)) {
    for (const std::string& e : c.extensions) {
      if (e == extension) {
        found = c;
        return true;
      }
    }
  }
  return false;
}

std::uint32_t chooseClass(const std::string& path, const std::string& format, FileClassInfo& info,
                          std::string& error) {
  // ".OBJ" and "--format .obj" are what a user types too.
  std::string wanted = lower(format);
  if (!wanted.empty() && wanted[0] == '.') wanted.erase(0, 1);
  if (!wanted.empty()) {
    if (findClass(wanted, info)) return info.fileClass;
    error = LoadStringW(kStrCliUnknownFormat);
    return 0;
  }
  if (findClass(extensionOfPath(path), info)) return info.fileClass;
  error =
      path == "-" ? LoadStringW(kStrCliStandardNeedsFormat) : LoadStringW(kStrCliUnknownExtension);
  return 0;
}

}  // namespace

std::uint32_t classForReading(const std::string& path, const std::string& format,
                              std::string& error) {
  FileClassInfo info;
  return chooseClass(path, format, info, error);
}

std::uint32_t classForWriting(const std::string& path, const std::string& format,
                              std::string& error) {
  FileClassInfo info;
  const std::uint32_t fileClass = chooseClass(path, format, info, error);
  // Classes served through an authoring application's exchange write
  // when it runs; the IO says so itself.
  if (fileClass == 0 || info.canWrite || !info.served) return fileClass;
  std::string writable;
  for (const FileClassInfo& c : fileGetClasses(kFileKind3D)) {
    if (!c.served || !c.canWrite || c.extensions.empty()) continue;
    writable += (writable.empty() ? "" : ", ") + c.extensions[0];
  }
  error = text(kStrCliReadOnlyFormat, info.description.c_str(), writable.c_str());
  return 0;
}

StandardFile::~StandardFile() {
  if (m_folder.empty()) return;
  std::error_code ignored;
  std::filesystem::remove_all(m_folder, ignored);
}

std::string StandardFile::makePath(const char* stem, std::uint32_t fileClass, std::string& error) {
  std::error_code ec;
  std::string pattern = (std::filesystem::temp_directory_path(ec) / "vex3d-XXXXXX").string();
  if (ec || ::mkdtemp(pattern.data()) == nullptr) {
    error = text(kStrCannotWriteBecause, pattern.c_str(), systemErrorText(errno).c_str());
    return {};
  }
  m_folder = pattern;
  m_fileClass = fileClass;
  m_file = m_folder / (std::string(stem) + "." + fileGetMainExtension(fileClass));
  return m_file.string();
}

std::string StandardFile::fromInput(std::uint32_t fileClass, std::string& error) {
  const std::string path = makePath("stdin", fileClass, error);
  if (path.empty()) return path;
  std::ofstream out(m_file, std::ios::binary);
  // Copied by iterators: streaming a buffer that holds nothing marks the
  // stream failed, and an empty input is for the reader to judge.
  std::copy(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>(),
            std::ostreambuf_iterator<char>(out));
  out.close();
  if (!out) {
    error = text(kStrCliCannotWrite, path.c_str());
    return {};
  }
  return path;
}

std::string StandardFile::forOutput(std::uint32_t fileClass, std::string& error) {
  return makePath("stdout", fileClass, error);
}

bool StandardFile::sendToOutput(std::string& error) const {
  std::size_t files = 0;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(m_folder, ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    ++files;
  }
  if (files != 1) {
    FileClassInfo info;
    fileGetExtensionInfo(m_fileClass, &info);
    error = text(kStrCliStandardNotAllowed, info.description.c_str());
    return false;
  }
  std::ifstream in(m_file, std::ios::binary);
  std::copy(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(),
            std::ostreambuf_iterator<char>(std::cout));
  std::cout.flush();
  if (!std::cout) {
    error = text(kStrCliCannotWrite, "-");
    return false;
  }
  return true;
}

}  // namespace vex3d::cli
