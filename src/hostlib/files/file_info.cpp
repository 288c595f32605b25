#include "hostlib/files/file_info.h"

#include <algorithm>

namespace {

bool isAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// End of the path component starting at `from`.
std::size_t componentEnd(std::string_view path, std::size_t from) {
  while (from < path.size() && !CFileInfo::IsSeparator(path[from])) ++from;
  return from;
}

// "server\share" starting at `from`; the share may be missing.
std::size_t serverShareEnd(std::string_view path, std::size_t from) {
  std::size_t end = componentEnd(path, from);
  if (end < path.size()) end = componentEnd(path, end + 1);
  return end;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (asciiLower(text[i]) != asciiLower(prefix[i])) return false;
  return true;
}

}  // namespace

std::size_t CFileInfo::RootLength(std::string_view path) {
  const std::size_t n = path.size();
  if (n >= 2 && isAsciiAlpha(path[0]) && path[1] == ':') return 2;
  if (n == 0 || !IsSeparator(path[0])) return 0;
  // A single leading separator, or three or more, which POSIX reads as "/".
  if (n < 3 || !IsSeparator(path[1]) || IsSeparator(path[2])) return 1;

  // "\\?\" and "\\.\" device prefixes.
  if ((path[2] == '?' || path[2] == '.') && n >= 4 && IsSeparator(path[3])) {
    const std::string_view rest = path.substr(4);
    if (rest.size() >= 2 && isAsciiAlpha(rest[0]) && rest[1] == ':') return 6;
    if (startsWithNoCase(rest, "UNC") && rest.size() > 3 && IsSeparator(rest[3]))
      return serverShareEnd(path, 8);
    return componentEnd(path, 4);
  }
  return serverShareEnd(path, 2);
}

void CFileInfo::SetPath(const std::string& path) {
  m_path = path;
  const std::size_t rootLen = RootLength(path);
  m_root = path.substr(0, rootLen);

  const std::size_t lastSep = path.find_last_of("/\\");
  const std::size_t nameStart =
      (lastSep == std::string::npos || lastSep < rootLen) ? rootLen : lastSep + 1;
  m_folder = path.substr(0, nameStart);
  m_folderWithoutRoot = path.substr(rootLen, nameStart - rootLen);
  m_fileName = path.substr(nameStart);

  const std::size_t firstNonDot = m_fileName.find_first_not_of('.');
  const std::size_t dot = m_fileName.rfind('.');
  if (firstNonDot == std::string::npos || dot == std::string::npos || dot < firstNonDot) {
    m_fileTitle = m_fileName;
    m_extension.clear();
  } else {
    m_fileTitle = m_fileName.substr(0, dot);
    m_extension = m_fileName.substr(dot + 1);
  }
}

bool CFileInfo::HasExtension(std::string_view ext) const {
  if (!ext.empty() && ext.front() == '.') ext.remove_prefix(1);
  return ext.size() == m_extension.size() && startsWithNoCase(m_extension, ext);
}

std::string CFileInfo::ToPosix(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}
