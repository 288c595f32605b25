#pragma once
// Limits on the whole command, for runs nobody watches: a thumbnailer is
// started by the file manager on whatever file lies in a folder, and must
// neither hang it nor eat the machine's memory.
#include <cstdint>

namespace vex3d::cli {

// The default memory budget of a thumbnail: a quarter of the machine's
// memory, at least 1 GiB (the software renderer alone maps a few hundred
// MiB) and at most 4 GiB.
std::uint64_t defaultThumbnailMemory();
inline constexpr unsigned kDefaultThumbnailSeconds = 20;

// False in a build with the address sanitizer, which reserves terabytes of
// address space for its shadow memory before anything runs: a cap would
// make its every allocation fail.
bool addressSpaceCanBeCapped();

// Caps the address space at `bytes` (0: no cap, nor in a sanitizer build): allocations past it fail
// and the read reports it. After `seconds` of wall time or of processor
// time (0: no limit) the command ends on SIGALRM or SIGXCPU, whose handler
// removes the temporary file of a write under way.
void limitProcess(std::uint64_t bytes, unsigned seconds);

}  // namespace vex3d::cli
