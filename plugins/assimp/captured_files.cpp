#include "captured_files.h"

#include <algorithm>
#include <assimp/IOStream.hpp>
#include <cstring>

namespace vex3d::assimp {

namespace {

namespace fs = std::filesystem;

fs::path normalised(const fs::path& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  return ec ? fs::path() : absolute.lexically_normal();
}

// A captured file as the library sees it: reads, writes and seeks over the
// bytes in memory.
class MemoryStream : public Assimp::IOStream {
 public:
  explicit MemoryStream(std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}

  size_t Read(void* buffer, size_t size, size_t count) override {
    if (size == 0) return 0;
    const std::size_t items =
        std::min(count, (m_bytes.size() - std::min(m_at, m_bytes.size())) / size);
    std::memcpy(buffer, m_bytes.data() + m_at, items * size);
    m_at += items * size;
    return items;
  }
  size_t Write(const void* buffer, size_t size, size_t count) override {
    const std::size_t bytes = size * count;
    if (bytes == 0) return count;
    if (m_at + bytes > m_bytes.size()) m_bytes.resize(m_at + bytes);
    std::memcpy(m_bytes.data() + m_at, buffer, bytes);
    m_at += bytes;
    return count;
  }
  aiReturn Seek(size_t offset, aiOrigin origin) override {
    std::size_t base = 0;
    if (origin == aiOrigin_CUR) base = m_at;
    if (origin == aiOrigin_END) base = m_bytes.size();
    m_at = base + offset;
    return aiReturn_SUCCESS;
  }
  size_t Tell() const override { return m_at; }
  size_t FileSize() const override { return m_bytes.size(); }
  void Flush() override {}

 private:
  std::vector<std::uint8_t>& m_bytes;
  std::size_t m_at = 0;
};

bool writes(const char* mode) { return mode != nullptr && std::strpbrk(mode, "wa+") != nullptr; }

}  // namespace

CapturedFiles::CapturedFiles(const std::string& target)
    : m_folder(normalised(target).parent_path()) {}

std::string CapturedFiles::nameOf(const char* path) const {
  if (path == nullptr || *path == '\0') return {};
  const fs::path file = normalised(path);
  if (file.empty() || file.parent_path() != m_folder || !file.has_filename()) return {};
  return file.filename().string();
}

std::vector<std::uint8_t>& CapturedFiles::create(const std::string& name) {
  std::vector<std::uint8_t>& bytes = m_files[name];
  bytes.clear();
  return bytes;
}

std::vector<std::uint8_t>* CapturedFiles::find(const std::string& name) {
  const auto it = m_files.find(name);
  return it == m_files.end() ? nullptr : &it->second;
}

bool CapturingIoSystem::Exists(const char* file) const {
  const std::string name = m_files.nameOf(file);
  if (!name.empty() && m_files.files().count(name) != 0) return true;
  return DefaultIOSystem::Exists(file);
}

Assimp::IOStream* CapturingIoSystem::Open(const char* file, const char* mode) {
  const std::string name = m_files.nameOf(file);
  if (writes(mode)) {
    if (name.empty()) return nullptr;
    std::vector<std::uint8_t>& bytes = mode[0] == 'a' && m_files.find(name) != nullptr
                                           ? *m_files.find(name)
                                           : m_files.create(name);
    auto* stream = new MemoryStream(bytes);
    if (mode[0] == 'a') stream->Seek(0, aiOrigin_END);
    return stream;
  }
  if (std::vector<std::uint8_t>* bytes = name.empty() ? nullptr : m_files.find(name))
    return new MemoryStream(*bytes);
  return DefaultIOSystem::Open(file, mode);
}

bool CapturingIoSystem::CreateDirectory(const std::string&) { return false; }

// What the library deletes is what it wrote before (the 3MF writer clears
// its target first); nothing on disk is touched.
bool CapturingIoSystem::DeleteFile(const std::string& file) {
  const std::string name = m_files.nameOf(file.c_str());
  if (!name.empty()) m_files.remove(name);
  return true;
}

}  // namespace vex3d::assimp
