#include "fopen_capture.h"

#include <dlfcn.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "captured_files.h"

namespace vex3d::assimp {

namespace {

// The worker runs one job on one thread: no locking.
CapturedFiles* g_capture = nullptr;

struct CookieFile {
  std::vector<std::uint8_t>* bytes;
  std::size_t at;
};

ssize_t cookieRead(void* cookie, char* buffer, std::size_t size) {
  auto* file = static_cast<CookieFile*>(cookie);
  const std::size_t left = file->bytes->size() - std::min(file->at, file->bytes->size());
  const std::size_t n = std::min(size, left);
  std::memcpy(buffer, file->bytes->data() + file->at, n);
  file->at += n;
  return static_cast<ssize_t>(n);
}

ssize_t cookieWrite(void* cookie, const char* buffer, std::size_t size) {
  auto* file = static_cast<CookieFile*>(cookie);
  if (file->at + size > file->bytes->size()) file->bytes->resize(file->at + size);
  std::memcpy(file->bytes->data() + file->at, buffer, size);
  file->at += size;
  return static_cast<ssize_t>(size);
}

int cookieSeek(void* cookie, off64_t* offset, int whence) {
  auto* file = static_cast<CookieFile*>(cookie);
  off64_t base = 0;
  if (whence == SEEK_CUR) base = static_cast<off64_t>(file->at);
  if (whence == SEEK_END) base = static_cast<off64_t>(file->bytes->size());
  if (base + *offset < 0) return -1;
  file->at = static_cast<std::size_t>(base + *offset);
  *offset = static_cast<off64_t>(file->at);
  return 0;
}

int cookieClose(void* cookie) {
  delete static_cast<CookieFile*>(cookie);
  return 0;
}

bool writes(const char* mode) { return mode != nullptr && std::strpbrk(mode, "wa+") != nullptr; }

FILE* openCaptured(const char* path, const char* mode) {
  const std::string name = g_capture != nullptr ? g_capture->nameOf(path) : std::string();
  if (name.empty()) {
    errno = EACCES;
    return nullptr;
  }
  std::vector<std::uint8_t>* bytes = g_capture->find(name);
  if (mode[0] != 'a' || bytes == nullptr) bytes = &g_capture->create(name);
  auto* cookie = new CookieFile{bytes, mode[0] == 'a' ? bytes->size() : 0};
  FILE* file = ::fopencookie(cookie, mode, {cookieRead, cookieWrite, cookieSeek, cookieClose});
  if (file == nullptr) delete cookie;
  return file;
}

using OpenFn = FILE* (*)(const char*, const char*);

FILE* openWith(const char* symbol, OpenFn& real, const char* path, const char* mode) {
  if (writes(mode)) return openCaptured(path, mode);
  if (real == nullptr) real = reinterpret_cast<OpenFn>(::dlsym(RTLD_NEXT, symbol));
  if (real == nullptr) {
    errno = ENOSYS;
    return nullptr;
  }
  return real(path, mode);
}

}  // namespace

void captureFopenWrites(CapturedFiles* files) { g_capture = files; }

}  // namespace vex3d::assimp

// The worker's own definitions come first in the symbol search, so the
// libraries it loads call these.
extern "C" __attribute__((visibility("default"))) FILE* fopen(const char* path, const char* mode) {
  static vex3d::assimp::OpenFn real = nullptr;
  return vex3d::assimp::openWith("fopen", real, path, mode);
}

extern "C" __attribute__((visibility("default"))) FILE* fopen64(const char* path,
                                                                const char* mode) {
  static vex3d::assimp::OpenFn real = nullptr;
  return vex3d::assimp::openWith("fopen64", real, path, mode);
}
