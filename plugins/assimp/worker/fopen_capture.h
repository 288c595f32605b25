#pragma once
// The C library's fopen as the worker sees it. The exchange library's 3MF
// writer opens its archive with fopen on the target's name, past the IO
// system it is given, and the worker has no write access: while a write is
// under way, opens for writing land in the captured files (captured_files.h)
// like everything else the writer produces; otherwise they are refused.
// Opens for reading go to the C library unchanged.
namespace vex3d::assimp {

class CapturedFiles;

// `files` until the next call; null refuses opens for writing again.
void captureFopenWrites(CapturedFiles* files);

}  // namespace vex3d::assimp
