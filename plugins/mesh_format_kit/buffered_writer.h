#pragma once
// Output for the writers: one large buffer flushed to a file in big
// blocks, numbers formatted with to_chars (shortest text that reads back
// to the same float). The file is written beside its target and takes the
// target's place only once complete (vex3d::AtomicFile).
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "hostlib/files/atomic_file.h"

namespace vex3d::native {

class BufferedWriter {
 public:
  BufferedWriter() : m_buffer(kBufferSize) {}
  BufferedWriter(const BufferedWriter&) = delete;
  BufferedWriter& operator=(const BufferedWriter&) = delete;

  bool open(const std::string& path, std::string& error) {
    m_failed = false;
    return m_file.open(path, error);
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

  // Writes out what is buffered; false with `error` when anything failed
  // to write. The target is not touched yet.
  bool complete(std::string& error) {
    flush();
    if (m_failed) error = m_failure;
    return !m_failed;
  }
  // Puts the written file in the target's place.
  bool commit(std::string& error) { return m_file.commit(error); }
  // Both: a writer of a single file ends with this.
  bool finish(std::string& error) { return complete(error) && commit(error); }

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
    if (n == 0 || m_failed) return;
    if (!m_file.write(data, n, m_failure)) m_failed = true;
  }

  vex3d::AtomicFile m_file;
  std::vector<char> m_buffer;
  std::size_t m_used = 0;
  bool m_failed = false;
  std::string m_failure;
};

}  // namespace vex3d::native
