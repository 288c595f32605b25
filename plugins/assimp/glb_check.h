#pragma once
// The library trusts a binary glTF's chunk lengths: it allocates and clears
// what a damaged length announces (gigabytes) before noticing that the file
// is shorter. The lengths are checked against the file's size first.
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

namespace vex3d::assimp {

// What is wrong when `path` is a binary glTF whose total or chunk lengths
// reach past its end; empty for any other file.
inline std::string glbLengthError(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  const auto size = static_cast<std::uint64_t>(in.tellg());
  auto u32 = [](const unsigned char* p) {
    return static_cast<std::uint64_t>(p[0]) | static_cast<std::uint64_t>(p[1]) << 8 |
           static_cast<std::uint64_t>(p[2]) << 16 | static_cast<std::uint64_t>(p[3]) << 24;
  };
  unsigned char header[12];
  in.seekg(0);
  if (size < sizeof header || !in.read(reinterpret_cast<char*>(header), sizeof header) ||
      std::memcmp(header, "glTF", 4) != 0) {
    return {};
  }
  const std::uint64_t total = u32(header + 8);
  if (total > size) {
    return "binary glTF announces " + std::to_string(total) + " bytes, past the end of the file (" +
           std::to_string(size) + ")";
  }
  for (std::uint64_t at = sizeof header; at + 8 <= total;) {
    unsigned char chunk[8];
    in.seekg(static_cast<std::streamoff>(at));
    if (!in.read(reinterpret_cast<char*>(chunk), sizeof chunk)) return {};
    const std::uint64_t length = u32(chunk);
    if (length > total - at - 8) {
      return "binary glTF chunk at byte " + std::to_string(at) + " announces " +
             std::to_string(length) + " bytes, past the end of the file";
    }
    at += 8 + length;
  }
  return {};
}

}  // namespace vex3d::assimp
