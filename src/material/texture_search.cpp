// The search for the image file of a texture map. Names stored in 3D files
// are usually absolute on the author's machine or relative to a folder that
// no longer exists, so a fixed sequence of places is tried.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "hostlib/files/file_info.h"
#include "hostlib/files/file_utils.h"
#include "material/material_map.h"

namespace {

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return asciiLower(x) == asciiLower(y);
         });
}

bool startsWithSeparator(const std::string& s, std::size_t from) {
  return from < s.size() && CFileInfo::IsSeparator(s[from]);
}

// Drive letters and shares name nothing on this system: opening such a name
// would resolve it against the current directory as if it were relative.
bool hasForeignRoot(const std::string& path) {
  const std::size_t rootLength = CFileInfo::RootLength(path);
  return rootLength > 0 && !(rootLength == 1 && CFileInfo::IsSeparator(path[0]));
}

bool opensForReading(const std::string& candidate) {
  if (candidate.empty() || hasForeignRoot(candidate)) return false;
  const std::string path = CFileInfo::ToPosix(candidate);
  return fileExists(path) && ::access(path.c_str(), R_OK) == 0;
}

}  // namespace

bool vex3d::canonicalizePath(const std::string& path, std::string& out) {
  if (path.empty()) return false;
  const std::size_t rootLength = CFileInfo::RootLength(path);
  const auto firstSeparator = std::find_if(path.begin(), path.end(), CFileInfo::IsSeparator);
  const char separator = firstSeparator == path.end() ? '/' : *firstSeparator;

  std::vector<std::string> steps;
  std::size_t pos = rootLength;
  while (pos < path.size()) {
    std::size_t end = pos;
    while (end < path.size() && !CFileInfo::IsSeparator(path[end])) ++end;
    const std::string step = path.substr(pos, end - pos);
    if (step == "..") {
      if (!steps.empty() && steps.back() != "..")
        steps.pop_back();
      else if (rootLength > 0)
        return false;
      else
        steps.push_back(step);
    } else if (!step.empty() && step != ".") {
      steps.push_back(step);
    }
    pos = end + 1;
  }

  std::string result = path.substr(0, rootLength);
  // "C:" and "\\server\share" keep the separator that followed them; the
  // root "/" is its own separator.
  const bool rootIsSeparator = rootLength == 1 && CFileInfo::IsSeparator(path[0]);
  if (rootLength > 0 && !rootIsSeparator && startsWithSeparator(path, rootLength))
    result += separator;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (i > 0) result += separator;
    result += steps[i];
  }
  if (!steps.empty() && CFileInfo::IsSeparator(path.back())) result += separator;
  // Built fresh rather than assigned into `result`: GCC 12 sees a false
  // overlap in the in-place assignment at -O2.
  out = result.empty() ? std::string(1, '.') : std::move(result);
  return true;
}

std::string vex3d::searchTextureCandidates(const std::string& name, const std::string& sceneFolder,
                                           const std::vector<std::string>& textureDirs,
                                           const std::function<bool(const std::string&)>& probe) {
  const CFileInfo nameInfo(name);
  const CFileInfo sceneInfo(sceneFolder);
  const std::string& fileName = nameInfo.GetFileName();
  bool relative = nameInfo.IsRelative();
  std::string canonical;
  for (;;) {
    if (nameInfo.HasFolder() && probe(name)) return name;
    // The author's folder moved onto the scene's drive.
    if (!nameInfo.IsRelative() && !sceneInfo.IsRelative()) {
      const std::string candidate =
          sceneInfo.GetRoot() + nameInfo.GetFolderWithoutRoot() + fileName;
      if (probe(candidate)) return candidate;
    }
    if (relative) {
      if (canonicalizePath(sceneFolder + name, canonical) && probe(canonical)) return canonical;
    } else {
      const std::string candidate = sceneFolder + fileName;
      if (probe(candidate)) return candidate;
    }
    for (const std::string& typed : textureDirs) {
      const std::string dir = withFinalSeparator(typed);
      const bool dirIsRelative = CFileInfo(dir).IsRelative();
      if (relative) {
        if (dirIsRelative) continue;
        if (canonicalizePath(dir + name, canonical) && probe(canonical)) return canonical;
      } else {
        std::string folder = dir;
        if (dirIsRelative && canonicalizePath(sceneFolder + dir, canonical)) folder = canonical;
        const std::string candidate = folder + fileName;
        if (probe(candidate)) return candidate;
      }
    }
    // A relative name with sub-folders is finally looked for by its bare
    // file name.
    if (!relative) return {};
    relative = false;
  }
}

// Folders typed in the preferences often lack the final separator.
std::string vex3d::withFinalSeparator(const std::string& folder) {
  if (folder.empty() || folder.back() == '/' || folder.back() == '\\') return folder;
  return folder + "/";
}

std::string vex3d::findFileIgnoringCase(const std::string& folder, const std::string& fileName) {
  if (fileName.empty()) return {};
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec);
  std::string best;
  // Several spellings of one name may sit side by side; the smallest one is
  // taken so that the answer does not depend on the directory's order.
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string entry = it->path().filename().string();
    if (!equalsIgnoringCase(entry, fileName)) continue;
    std::error_code typeError;
    if (!fs::is_regular_file(it->path(), typeError)) continue;
    if (best.empty() || entry < best) best = entry;
  }
  if (best.empty()) return {};
  if (folder.empty()) return best;
  return CFileInfo::IsSeparator(folder.back()) ? folder + best : folder + '/' + best;
}

bool CMaterialMap::FindBitmap(const std::string& name, std::string& foundPath,
                              const std::string& sceneFolder,
                              const std::vector<std::string>& textureDirs) {
  // Relative candidates resolve against the scene's folder.
  const std::string posixScene = CFileInfo::ToPosix(sceneFolder);
  const vex3d::CurrentDirectoryScope scope(posixScene.empty() ? std::string(".") : posixScene);
  std::string found =
      vex3d::searchTextureCandidates(name, sceneFolder, textureDirs, opensForReading);
  // Files authored on Windows often name their textures in another case
  // than the one on disk: after every place above has failed, the bare file
  // name is matched ignoring case in the scene's folder.
  if (found.empty() && !posixScene.empty())
    found = vex3d::findFileIgnoringCase(posixScene, CFileInfo(name).GetFileName());
  if (found.empty()) return false;
  // The path is kept as this system opens it, so later reads need no
  // conversion.
  foundPath = CFileInfo::ToPosix(found);
  return true;
}
