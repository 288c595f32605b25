#include "worker_protocol.h"

#include <algorithm>
#include <exception>

#include "hostlib/core/archive.h"

namespace vex3d::assimp {

// Plain pages: huge ones, where the system compacts memory to make them on
// demand, now and then stalled the transfer of a large payload for longer
// than they saved.
bool Payload::allocate(std::uint64_t size) {
  clear();
  if (size == 0) return true;
  if (size > SIZE_MAX) return false;
  m_block.reset(static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(size))));
  if (!m_block) return false;
  m_size = static_cast<std::size_t>(size);
  return true;
}

std::array<std::uint8_t, kRecordHeaderBytes> recordHeader(RecordKind kind,
                                                          std::uint64_t payloadSize) {
  std::array<std::uint8_t, kRecordHeaderBytes> header{};
  header[0] = static_cast<std::uint8_t>(kind);
  for (int i = 0; i < 8; ++i) header[1 + i] = static_cast<std::uint8_t>(payloadSize >> (8 * i));
  return header;
}

bool AnswerReader::knownKind(std::uint8_t kind) {
  switch (static_cast<RecordKind>(kind)) {
    case RecordKind::progress:
    case RecordKind::log:
    case RecordKind::scenePart:
    case RecordKind::scene:
    case RecordKind::failure:
    case RecordKind::file:
    case RecordKind::end:
      return true;
  }
  return false;
}

AnswerReader::Step AnswerReader::readExactly(std::uint8_t* data, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const std::size_t n = m_input.readSome(data + done, size - done);
    if (n == 0) return done == 0 ? Step::ended : Step::cut;
    done += std::min(n, size - done);
  }
  return Step::record;
}

AnswerReader::Step AnswerReader::readHeader(RecordKind& kind, std::uint64_t& length) {
  std::uint8_t header[kRecordHeaderBytes];
  const Step step = readExactly(header, sizeof header);
  if (step != Step::record) return step;
  if (!knownKind(header[0])) return Step::damaged;
  kind = static_cast<RecordKind>(header[0]);
  length = 0;
  for (int i = 0; i < 8; ++i) length |= static_cast<std::uint64_t>(header[1 + i]) << (8 * i);
  return Step::record;
}

AnswerReader::Step AnswerReader::next(Record& record) {
  // A scene left unread would be taken for records.
  if (m_scenePending) return Step::damaged;
  RecordKind kind = RecordKind::end;
  std::uint64_t length = 0;
  const Step step = readHeader(kind, length);
  if (step != Step::record) return step;
  if (length > m_maxPayload) return Step::damaged;
  if (kind == RecordKind::scenePart || kind == RecordKind::scene) {
    m_scenePending = true;
    m_firstPiece = length;
    m_firstIsLast = kind == RecordKind::scene;
    return Step::scene;
  }
  record.kind = kind;
  if (!record.payload.allocate(length)) return Step::damaged;
  const Step body = readExactly(record.payload.data(), record.payload.size());
  // A header whose payload never came is a cut record, not an end.
  return body == Step::ended ? Step::cut : body;
}

// A scene's pieces, joined, as the source of the archive that rebuilds it.
class AnswerReader::ScenePieces : public CArchiveSource {
 public:
  ScenePieces(AnswerReader& reader, std::uint64_t firstPiece, bool firstIsLast)
      : m_reader(reader), m_pieceLeft(firstPiece), m_last(firstIsLast), m_total(firstPiece) {}

  std::size_t Fill(std::uint8_t* data, std::size_t size) override {
    while (m_pieceLeft == 0) {
      if (m_last || m_why != Step::record) return 0;
      RecordKind kind = RecordKind::end;
      std::uint64_t length = 0;
      const Step step = m_reader.readHeader(kind, length);
      if (step != Step::record) {
        m_why = step == Step::ended ? Step::cut : step;
        return 0;
      }
      if ((kind != RecordKind::scenePart && kind != RecordKind::scene) ||
          length > m_reader.m_maxPayload - m_total) {
        m_why = Step::damaged;
        return 0;
      }
      m_total += length;
      m_pieceLeft = length;
      m_last = kind == RecordKind::scene;
    }
    const std::size_t n = m_reader.m_input.readSome(
        data, static_cast<std::size_t>(std::min<std::uint64_t>(size, m_pieceLeft)));
    if (n == 0) {
      m_why = Step::cut;
      return 0;
    }
    m_pieceLeft -= n;
    return n;
  }

  // Why the pieces stopped before the archive was read: Step::record while
  // they did not.
  Step why() const { return m_why; }
  // All the pieces were read, the last one included.
  bool done() const { return m_last && m_pieceLeft == 0; }

 private:
  AnswerReader& m_reader;
  std::uint64_t m_pieceLeft;
  bool m_last;
  std::uint64_t m_total;
  Step m_why = Step::record;
};

AnswerReader::Step AnswerReader::loadScene(const SceneLoader& load) {
  if (!m_scenePending) return Step::damaged;
  m_scenePending = false;
  ScenePieces pieces(*this, m_firstPiece, m_firstIsLast);
  // Whatever the loader throws on bytes it cannot use (a damaged archive,
  // an index out of range, a count it cannot allocate for) is a damaged
  // scene, unless the input stopped first.
  try {
    CArchive archive(pieces, m_maxPayload);
    load(archive);
    // The scene ends where its archive does.
    std::uint8_t extra = 0;
    if (archive.Read(&extra, 1) != 0) return Step::damaged;
  } catch (const std::exception&) {
    return pieces.why() != Step::record ? pieces.why() : Step::damaged;
  }
  if (pieces.why() != Step::record) return pieces.why();
  return pieces.done() ? Step::record : Step::damaged;
}

}  // namespace vex3d::assimp
