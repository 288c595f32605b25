#include "worker_protocol.h"

#include <algorithm>

namespace vex3d::assimp {

namespace {

// A payload announced larger than this is reserved in steps as its bytes
// arrive, so that a lying length costs nothing.
constexpr std::uint64_t kMaxReserve = std::uint64_t{64} << 20;

}  // namespace

std::vector<std::uint8_t> recordHeader(RecordKind kind, std::uint64_t payloadSize) {
  std::vector<std::uint8_t> header(kRecordHeaderBytes);
  header[0] = static_cast<std::uint8_t>(kind);
  for (int i = 0; i < 8; ++i) header[1 + i] = static_cast<std::uint8_t>(payloadSize >> (8 * i));
  return header;
}

bool RecordReader::knownKind(std::uint8_t kind) {
  switch (static_cast<RecordKind>(kind)) {
    case RecordKind::progress:
    case RecordKind::log:
    case RecordKind::scene:
    case RecordKind::failure:
    case RecordKind::file:
    case RecordKind::end:
      return true;
  }
  return false;
}

void RecordReader::finishRecord() {
  m_ready.push_back(std::move(m_current));
  m_current = Record{};
  m_inPayload = false;
}

bool RecordReader::feed(std::span<const std::uint8_t> bytes) {
  while (!m_damaged && !bytes.empty()) {
    if (!m_inPayload) {
      const std::size_t take = std::min(bytes.size(), kRecordHeaderBytes - m_headerFill);
      std::copy_n(bytes.begin(), take, m_header + m_headerFill);
      m_headerFill += take;
      bytes = bytes.subspan(take);
      if (m_headerFill < kRecordHeaderBytes) break;
      m_headerFill = 0;
      std::uint64_t length = 0;
      for (int i = 0; i < 8; ++i) length |= static_cast<std::uint64_t>(m_header[1 + i]) << (8 * i);
      if (!knownKind(m_header[0]) || length > m_maxPayload) {
        m_damaged = true;
        break;
      }
      m_current.kind = static_cast<RecordKind>(m_header[0]);
      m_current.payload.reserve(static_cast<std::size_t>(std::min(length, kMaxReserve)));
      m_payloadLeft = length;
      m_inPayload = true;
      if (length == 0) finishRecord();
      continue;
    }
    const auto take =
        static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), m_payloadLeft));
    m_current.payload.insert(m_current.payload.end(), bytes.begin(), bytes.begin() + take);
    m_payloadLeft -= take;
    bytes = bytes.subspan(take);
    if (m_payloadLeft == 0) finishRecord();
  }
  return !m_damaged;
}

Record RecordReader::take() {
  Record record = std::move(m_ready.front());
  m_ready.pop_front();
  return record;
}

}  // namespace vex3d::assimp
