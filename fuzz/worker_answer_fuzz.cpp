// The answer a general-format worker sends back, from arbitrary bytes: a
// worker that a hostile file took over may send anything. The bytes arrive
// in reads of arbitrary size, records are read the way the plug-in reads
// them, and a scene is rebuilt from its pieces as they arrive, the way the
// plug-in rebuilds it. Nothing may crash, and a payload the stream only
// announces must not be allocated for.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "hostlib/core/archive.h"
#include "scene/embedded_images.h"
#include "scene/scene.h"
#include "worker_protocol.h"

namespace {

using vex3d::assimp::AnswerInput;
using vex3d::assimp::AnswerReader;
using vex3d::assimp::Record;

// The bytes as a pipe would deliver them: at most `chunk` a read.
class Bytes : public AnswerInput {
 public:
  Bytes(const std::uint8_t* data, std::size_t size, std::size_t chunk)
      : m_data(data), m_size(size), m_chunk(chunk) {}
  std::size_t readSome(std::uint8_t* data, std::size_t size) override {
    const std::size_t n = std::min({size, m_chunk, m_size - m_at});
    if (n > 0) std::memcpy(data, m_data + m_at, n);
    m_at += n;
    return n;
  }

 private:
  const std::uint8_t* m_data;
  std::size_t m_size;
  std::size_t m_chunk;
  std::size_t m_at = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // The first byte chooses how the pipe delivers: 1 to 256 bytes a read.
  Bytes input(data + 1, size - 1, std::size_t{data[0]} + 1);
  AnswerReader reader(input, std::uint64_t{1} << 20);
  for (;;) {
    Record record;
    AnswerReader::Step step = reader.next(record);
    if (step == AnswerReader::Step::scene) {
      step = reader.loadScene([](CArchive& ar) {
        std::uint32_t upAxis = 0;
        ar >> upAxis;
        auto scene = std::make_unique<C3DScene>();
        scene->Serialize(ar);
        std::vector<std::string> warnings;
        vex3d::loadEmbeddedImages(ar, *scene, vex3d::EmbeddedImageCheck::decode, warnings);
      });
    }
    if (step != AnswerReader::Step::record) break;
  }
  return 0;
}
