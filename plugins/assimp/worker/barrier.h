#pragma once
// What the worker puts in place before it touches a file: the limits its
// caller asked for and a barrier against changing anything on disk.
#include <cstdint>
#include <string>

namespace vex3d::assimp {

// Closes every descriptor but the standard three, in case the caller left
// some open without close-on-exec.
void closeInheritedFiles();

// No core files (a damaged model would leave one per crash), `memory`
// bytes of address space, `seconds` of processor time (0: no limit, then
// SIGXCPU and a second later SIGKILL), and an allocation that fails ends
// the worker with kOutOfMemoryStatus. The limits cannot be raised again.
void applyLimits(std::uint64_t memory, std::uint32_t seconds);

// A seccomp filter refusing, from here on and in every thread, whatever
// creates, writes, removes or renames files, opens sockets or starts
// programs; writing to descriptors already open (the answer) still works.
// It is a deny list over an allowed default, so that the C library and the
// exchange library keep working whatever calls they make to read. False,
// with `why`, when the system does not take the filter.
bool forbidWriting(std::string& why);

}  // namespace vex3d::assimp
