// The records a general-format worker sends back, from arbitrary bytes: a
// worker that a hostile file took over may send anything. The stream is cut
// into records at arbitrary read sizes, and a scene record's archive is
// loaded the way the plug-in loads it. Nothing may crash, and a payload the
// stream only announces must not be allocated for.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

#include "hostlib/core/archive.h"
#include "scene/scene.h"
#include "worker_protocol.h"

using vex3d::assimp::Record;
using vex3d::assimp::RecordKind;
using vex3d::assimp::RecordReader;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte chooses how the pipe delivers: 1 to 256 bytes a read.
  const std::size_t chunk = std::size_t{data[0]} + 1;
  ++data;
  --size;
  RecordReader reader(std::uint64_t{1} << 20);
  std::size_t at = 0;
  while (at < size && !reader.damaged()) {
    const std::span<std::uint8_t> space = reader.space();
    const std::size_t n = std::min({space.size(), chunk, size - at});
    if (n == 0) break;
    std::memcpy(space.data(), data + at, n);
    at += n;
    if (!reader.commit(n)) break;
    while (reader.hasRecord()) {
      Record record = reader.take();
      if (record.kind != RecordKind::scene || record.payload.size() < 4) continue;
      const auto bytes = record.payload.bytes().subspan(4);
      C3DScene scene;
      CArchive ar(bytes);
      try {
        scene.Serialize(ar);
      } catch (const CArchiveException&) {
      }
    }
  }
  return 0;
}
