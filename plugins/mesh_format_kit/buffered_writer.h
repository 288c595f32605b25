#pragma once
// Output for the writers: one large buffer flushed to a file in big
// blocks, numbers formatted with to_chars (shortest text that reads back
// to the same float).
#include <bit>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vex3d::native {

class BufferedWriter {
 public:
  BufferedWriter() : m_buffer(kBufferSize) {}
  ~BufferedWriter() {
    if (m_file != nullptr) std::fclose(m_file);
  }
  BufferedWriter(const BufferedWriter&) = delete;
  BufferedWriter& operator=(const BufferedWriter&) = delete;

  bool open(const std::string& path, std::string& error) {
    m_path = path;
    m_file = std::fopen(path.c_str(), "wb");
    if (m_file == nullptr) {
      error = "cannot create " + path + ": " + std::strerror(errno);
      return false;
    }
    return true;
  }

  void put(std::string_view text) {
    if (text.size() > kBufferSize - m_used) {
      flush();
      if (text.size() > kBufferSize) {
        writeOut(text.data(), text.size());
        return;
      }
    }
    std::memcpy(m_buffer.data() + m_used, text.data(), text.size());
    m_used += text.size();
  }
  void put(char c) {
    if (m_used == kBufferSize) flush();
    m_buffer[m_used++] = c;
  }
  void putFloat(float value) {
    reserve(32);
    const auto [ptr, ec] =
        std::to_chars(m_buffer.data() + m_used, m_buffer.data() + kBufferSize, value);
    m_used = ec == std::errc() ? static_cast<std::size_t>(ptr - m_buffer.data()) : m_used;
  }
  void putInt(std::int64_t value) {
    reserve(24);
    const auto [ptr, ec] =
        std::to_chars(m_buffer.data() + m_used, m_buffer.data() + kBufferSize, value);
    m_used = ec == std::errc() ? static_cast<std::size_t>(ptr - m_buffer.data()) : m_used;
  }
  // Binary values in the byte order asked for.
  template <class T>
  void putBinary(T value, bool bigEndian) {
    static_assert(sizeof(T) <= 8);
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    if (bigEndian == (std::endian::native == std::endian::little)) {
      for (std::size_t i = 0; i < sizeof(T) / 2; ++i) std::swap(bytes[i], bytes[sizeof(T) - 1 - i]);
    }
    reserve(sizeof(T));
    std::memcpy(m_buffer.data() + m_used, bytes, sizeof(T));
    m_used += sizeof(T);
  }

  // Flushes and closes; false with `error` when anything failed to write.
  bool finish(std::string& error) {
    flush();
    if (m_file != nullptr && std::fclose(m_file) != 0) m_failed = true;
    m_file = nullptr;
    if (m_failed) error = "cannot write " + m_path;
    return !m_failed;
  }

 private:
  static constexpr std::size_t kBufferSize = 1 << 20;

  void reserve(std::size_t n) {
    if (kBufferSize - m_used < n) flush();
  }
  void flush() {
    writeOut(m_buffer.data(), m_used);
    m_used = 0;
  }
  void writeOut(const char* data, std::size_t n) {
    if (n == 0 || m_file == nullptr) return;
    if (std::fwrite(data, 1, n, m_file) != n) m_failed = true;
  }

  std::FILE* m_file = nullptr;
  std::string m_path;
  std::vector<char> m_buffer;
  std::size_t m_used = 0;
  bool m_failed = false;
};

}  // namespace vex3d::native
