#include "worker_protocol.h"

namespace vex3d::assimp {

// Plain pages: huge ones, where the system compacts memory to make them on
// demand, now and then stalled the transfer of a large scene for longer
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
  m_payloadFill = 0;
}

std::span<std::uint8_t> RecordReader::space() {
  if (m_damaged) return {};
  if (m_inPayload) {
    return {m_current.payload.data() + m_payloadFill, m_current.payload.size() - m_payloadFill};
  }
  return {m_header + m_headerFill, kRecordHeaderBytes - m_headerFill};
}

bool RecordReader::commit(std::size_t count) {
  if (m_damaged) return false;
  if (m_inPayload) {
    m_payloadFill += count;
    if (m_payloadFill == m_current.payload.size()) finishRecord();
    return true;
  }
  m_headerFill += count;
  if (m_headerFill < kRecordHeaderBytes) return true;
  m_headerFill = 0;
  std::uint64_t length = 0;
  for (int i = 0; i < 8; ++i) length |= static_cast<std::uint64_t>(m_header[1 + i]) << (8 * i);
  if (!knownKind(m_header[0]) || length > m_maxPayload || !m_current.payload.allocate(length)) {
    m_damaged = true;
    return false;
  }
  m_current.kind = static_cast<RecordKind>(m_header[0]);
  if (length == 0) {
    finishRecord();
  } else {
    m_inPayload = true;
  }
  return true;
}

Record RecordReader::take() {
  Record record = std::move(m_ready.front());
  m_ready.pop_front();
  return record;
}

}  // namespace vex3d::assimp
