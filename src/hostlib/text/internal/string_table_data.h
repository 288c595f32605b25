#pragma once
// The compiled-in string table generated from data/strings/*.tsv.
// Private to the host layer: everything else goes through LoadStringW.
#include <cstddef>
#include <cstdint>

namespace vex3d::strings {

struct StringEntry {
  std::uint32_t id;
  const char* english;  // UTF-8
  const char* french;   // UTF-8
};

// Sorted by id, ids unique.
extern const StringEntry kStringTable[];
extern const std::size_t kStringTableSize;

}  // namespace vex3d::strings
