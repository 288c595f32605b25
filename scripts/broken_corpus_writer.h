#pragma once
// The corpus folder and the byte-level tools the damaged files are made
// with. Everything is deterministic: the random source is a fixed-seed
// mt19937 whose raw output is the same on every platform (distributions are
// not, so none is used).
#include <bit>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace vex3d::corpus {

namespace fs = std::filesystem;

using Bytes = std::string;

inline constexpr std::uint32_t k2Pow31 = 0x80000000u;

inline void putU16(Bytes& b, std::uint16_t v) {
  b += static_cast<char>(v & 0xFF);
  b += static_cast<char>(v >> 8);
}
inline void putU32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void putU32Big(Bytes& b, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void putF32(Bytes& b, float v) { putU32(b, std::bit_cast<std::uint32_t>(v)); }
inline void putF32Big(Bytes& b, float v) { putU32Big(b, std::bit_cast<std::uint32_t>(v)); }
inline void setU32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4 && at + i < b.size(); ++i)
    b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// Every occurrence of `from` replaced; the seeds are small, so the quadratic
// worst case does not matter.
inline Bytes replaced(Bytes text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != Bytes::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

inline Bytes withLineEnds(const Bytes& text, const std::string& eol) {
  return replaced(text, "\n", eol);
}

// UTF-16 of ASCII text, with its byte order mark.
inline Bytes utf16(const Bytes& text, bool bigEndian) {
  Bytes out = bigEndian ? Bytes("\xFE\xFF") : Bytes("\xFF\xFE");
  for (char c : text) {
    if (bigEndian) out += '\0';
    out += c;
    if (!bigEndian) out += '\0';
  }
  return out;
}

class Corpus {
 public:
  // Only names starting with one of `prefixes` are written (all when empty).
  Corpus(fs::path dir, std::vector<std::string> prefixes)
      : m_dir(std::move(dir)), m_prefixes(std::move(prefixes)) {}

  std::mt19937& random() { return m_random; }
  int written() const { return m_written; }
  bool failed() const { return m_failed; }

  void file(const std::string& name, const Bytes& bytes) {
    if (!wanted(name)) return;
    std::ofstream out(m_dir / name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
      std::fprintf(stderr, "make_broken_corpus: cannot write %s\n", name.c_str());
      m_failed = true;
    }
    ++m_written;
  }

  void directory(const std::string& name) {
    if (!wanted(name)) return;
    std::error_code error;
    fs::create_directories(m_dir / name, error);
    if (error) m_failed = true;
    ++m_written;
  }

  // `seed` cut short at each offset (offsets past its end are skipped).
  void cuts(const std::string& stem, const std::string& ext, const Bytes& seed,
            const std::vector<std::size_t>& offsets) {
    for (std::size_t at : offsets) {
      if (at < seed.size()) file(stem + "-cut-" + std::to_string(at) + ext, seed.substr(0, at));
    }
  }

  // Cuts in the header, in the body and before the last byte.
  void spreadCuts(const std::string& stem, const std::string& ext, const Bytes& seed) {
    cuts(stem, ext, seed, {11, seed.size() / 2, seed.size() - 1});
  }

  // A few bytes overwritten with random values, more in each round.
  void flips(const std::string& stem, const std::string& ext, const Bytes& seed, int rounds) {
    for (int round = 0; round < rounds; ++round) {
      Bytes damaged = seed;
      const int count = 1 + round * 4;
      for (int i = 0; i < count && !damaged.empty(); ++i)
        damaged[m_random() % damaged.size()] = static_cast<char>(m_random() & 0xFF);
      file(stem + "-flip-" + std::to_string(round) + ext, damaged);
    }
  }

  Bytes noise(std::size_t size) {
    Bytes out(size, '\0');
    for (char& c : out) c = static_cast<char>(m_random() & 0xFF);
    return out;
  }

 private:
  bool wanted(const std::string& name) const {
    if (m_prefixes.empty()) return true;
    for (const std::string& p : m_prefixes)
      if (name.compare(0, p.size(), p) == 0) return true;
    return false;
  }

  fs::path m_dir;
  std::vector<std::string> m_prefixes;
  std::mt19937 m_random{20261206u};
  int m_written = 0;
  bool m_failed = false;
};

}  // namespace vex3d::corpus
