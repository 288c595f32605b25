#include "hostlib/core/archive.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "hostlib/files/atomic_file.h"
#include "hostlib/files/file_io.h"
#include "hostlib/text/text_codec.h"

static_assert(std::endian::native == std::endian::little,
              "archives are little-endian; a big-endian port must swap here");

namespace {

// Tags of the object and class records.
constexpr std::uint16_t kNullTag = 0;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint32_t kBigClassTag = 0x80000000u;
constexpr std::uint16_t kBigObjectTag = 0x7FFF;
// Beyond this the map index would collide with the class tag bit.
constexpr std::uint32_t kMaxMapCount = 0x3FFFFFFEu;

}  // namespace

CArchive::CArchive(std::vector<std::uint8_t>& buffer, Mode mode) : m_mode(mode) {
  if (mode == store)
    m_out = &buffer;
  else
    m_in = std::span<const std::uint8_t>(buffer.data(), buffer.size());
  m_loadArray.push_back({nullptr, nullptr, 0});
}

CArchive::CArchive(const std::vector<std::uint8_t>& buffer, Mode mode)
    : m_mode(load), m_in(buffer.data(), buffer.size()) {
  if (mode != load) AfxThrowArchiveException(CArchiveException::readOnly, "const buffer");
  m_loadArray.push_back({nullptr, nullptr, 0});
}

CArchive::CArchive(std::span<const std::uint8_t> data) : m_mode(load), m_in(data) {
  m_loadArray.push_back({nullptr, nullptr, 0});
}

CArchive::CArchive(CArchiveSource& source, std::uint64_t limit, std::size_t windowBytes)
    : m_mode(load), m_source(&source), m_limit(limit) {
  // Room for the largest value read whole through the window.
  m_window.resize(std::max<std::size_t>(windowBytes, 64));
  m_in = std::span<const std::uint8_t>(m_window.data(), 0);
  m_loadArray.push_back({nullptr, nullptr, 0});
}

CArchive::CArchive(CArchiveSink& sink, std::size_t pieceBytes)
    : m_mode(store), m_sink(&sink), m_pieceBytes(std::max<std::size_t>(pieceBytes, 64)) {
  // One block, written over again for every piece: its pages stay mapped
  // and warm instead of being faulted in by the megabyte.
  m_window.resize(m_pieceBytes);
  m_loadArray.push_back({nullptr, nullptr, 0});
}

CArchive::~CArchive() = default;

CArchive::NestingGuard::NestingGuard(CArchive& ar) : m_ar(ar) {
  if (++m_ar.m_depth > kMaxObjectDepth) {
    --m_ar.m_depth;
    AfxThrowArchiveException(CArchiveException::genericException, "records nested too deeply");
  }
}

void CArchive::Write(const void* data, std::size_t size) {
  if (m_mode != store) AfxThrowArchiveException(CArchiveException::readOnly);
  if (size == 0) return;
  const auto* p = static_cast<const std::uint8_t*>(data);
  if (m_sink == nullptr) {
    m_out->insert(m_out->end(), p, p + size);
    return;
  }
  if (size > m_pieceBytes - m_filled) {
    Flush();
    // A large block (an index buffer, say) goes from where it lies.
    if (size >= m_pieceBytes) {
      m_sink->TakeBlock({p, size});
      return;
    }
  }
  std::memcpy(m_window.data() + m_filled, p, size);
  m_filled += size;
}

void CArchive::Flush() {
  if (m_sink == nullptr || m_filled == 0) return;
  m_sink->Take({m_window.data(), m_filled});
  m_filled = 0;
}

void CArchive::Reserve(std::size_t size) {
  if (m_mode != store || m_sink != nullptr) return;
  if (size <= m_out->capacity() - m_out->size()) return;
  if (size > m_out->max_size() - m_out->size()) return;
  // Never below doubling, so that repeated small hints stay amortised.
  m_out->reserve(std::max(m_out->size() + size, 2 * m_out->capacity()));
}

bool CArchive::fillWindow(std::size_t size) {
  std::size_t have = m_in.size() - m_pos;
  if (have >= size) return true;
  if (m_source == nullptr || size > m_window.size()) return false;
  if (m_pos > 0) {
    std::memmove(m_window.data(), m_in.data() + m_pos, have);
    m_consumed += m_pos;
    m_pos = 0;
    m_in = std::span<const std::uint8_t>(m_window.data(), have);
  }
  while (have < size) {
    const std::uint64_t at = m_consumed + have;
    const std::uint64_t left = m_limit > at ? m_limit - at : 0;
    const auto want =
        static_cast<std::size_t>(std::min<std::uint64_t>(m_window.size() - have, left));
    if (want == 0) break;
    const std::size_t n = m_source->Fill(m_window.data() + have, want);
    if (n == 0) break;
    have += std::min(n, want);
    m_in = std::span<const std::uint8_t>(m_window.data(), have);
  }
  return have >= size;
}

std::size_t CArchive::pull(std::uint8_t* data, std::size_t size) {
  m_consumed += m_pos;
  m_pos = 0;
  m_in = std::span<const std::uint8_t>(m_window.data(), 0);
  std::size_t done = 0;
  while (done < size) {
    const std::size_t n = m_source->Fill(data + done, size - done);
    if (n == 0) break;
    done += std::min(n, size - done);
  }
  m_consumed += done;
  return done;
}

std::size_t CArchive::Read(void* data, std::size_t size) {
  if (m_mode != load) AfxThrowArchiveException(CArchiveException::writeOnly);
  auto* out = static_cast<std::uint8_t*>(data);
  const std::size_t n = std::min(size, m_in.size() - m_pos);
  if (n > 0) std::memcpy(out, m_in.data() + m_pos, n);
  m_pos += n;
  if (n == size || m_source == nullptr) return n;
  const std::size_t rest = std::min(size - n, Remaining());
  if (rest >= m_window.size() / 2) return n + pull(out + n, rest);
  fillWindow(rest);
  const std::size_t more = std::min(rest, m_in.size() - m_pos);
  if (more > 0) std::memcpy(out + n, m_in.data() + m_pos, more);
  m_pos += more;
  return n + more;
}

void CArchive::need(std::size_t size) {
  if (m_mode != load) AfxThrowArchiveException(CArchiveException::writeOnly);
  if (size <= m_in.size() - m_pos) return;
  if (size > Remaining() || !fillWindow(size))
    AfxThrowArchiveException(CArchiveException::endOfFile);
}

void CArchive::ReadExact(void* data, std::size_t size) {
  if (m_mode != load) AfxThrowArchiveException(CArchiveException::writeOnly);
  auto* out = static_cast<std::uint8_t*>(data);
  const std::size_t buffered = m_in.size() - m_pos;
  if (size <= buffered) {
    if (size > 0) std::memcpy(out, m_in.data() + m_pos, size);
    m_pos += size;
    return;
  }
  if (m_source == nullptr || size > Remaining())
    AfxThrowArchiveException(CArchiveException::endOfFile);
  // A block larger than the window goes straight from the source to its
  // place: one copy, none through the window.
  const std::size_t rest = size - buffered;
  if (buffered > 0) std::memcpy(out, m_in.data() + m_pos, buffered);
  m_pos += buffered;
  if (rest >= m_window.size() / 2) {
    if (pull(out + buffered, rest) != rest) AfxThrowArchiveException(CArchiveException::endOfFile);
    return;
  }
  need(rest);
  std::memcpy(out + buffered, m_in.data() + m_pos, rest);
  m_pos += rest;
}

std::size_t CArchive::Remaining() const {
  if (m_mode != load) return 0;
  if (m_source == nullptr) return m_in.size() - m_pos;
  const std::uint64_t at = m_consumed + m_pos;
  const std::uint64_t left = m_limit > at ? m_limit - at : 0;
  return static_cast<std::size_t>(std::min<std::uint64_t>(left, SIZE_MAX));
}

void CArchive::WriteCount(std::uint64_t count) {
  if (count < 0xFFFF) {
    *this << static_cast<std::uint16_t>(count);
    return;
  }
  *this << static_cast<std::uint16_t>(0xFFFF);
  if (count < 0xFFFFFFFFu) {
    *this << static_cast<std::uint32_t>(count);
    return;
  }
  *this << static_cast<std::uint32_t>(0xFFFFFFFFu) << count;
}

std::uint64_t CArchive::ReadCount() {
  std::uint16_t w = 0;
  *this >> w;
  if (w != 0xFFFF) return w;
  std::uint32_t d = 0;
  *this >> d;
  if (d != 0xFFFFFFFFu) return d;
  std::uint64_t q = 0;
  *this >> q;
  return q;
}

std::uint64_t CArchive::ReadCount(std::size_t minElementSize) {
  const std::uint64_t count = ReadCount();
  if (minElementSize > 0 && count > Remaining() / minElementSize)
    AfxThrowArchiveException(CArchiveException::endOfFile, "count larger than the data left");
  return count;
}

// Strings: 0xFF, 0xFFFE marks UTF-16; then the length in 1, 3, 7 or 15
// bytes as it grows. Without the mark the characters are single bytes.
CArchive& CArchive::operator<<(const std::string& s) {
  const std::u16string units = vex3d::utf8ToUtf16(s);
  const std::uint64_t n = units.size();
  *this << static_cast<std::uint8_t>(0xFF) << static_cast<std::uint16_t>(0xFFFE);
  if (n < 0xFF) {
    *this << static_cast<std::uint8_t>(n);
  } else {
    *this << static_cast<std::uint8_t>(0xFF);
    if (n < 0xFFFE) {
      *this << static_cast<std::uint16_t>(n);
    } else {
      *this << static_cast<std::uint16_t>(0xFFFF);
      if (n < 0xFFFFFFFFu)
        *this << static_cast<std::uint32_t>(n);
      else
        *this << static_cast<std::uint32_t>(0xFFFFFFFFu) << n;
    }
  }
  for (char16_t u : units) *this << static_cast<std::uint16_t>(u);
  return *this;
}

CArchive& CArchive::operator>>(std::string& s) {
  bool unicode = false;
  std::uint64_t length = 0;
  std::uint8_t b = 0;
  std::uint16_t w = 0;
  const auto lengthFromWord = [&](std::uint16_t word) {
    if (word < 0xFFFF) return static_cast<std::uint64_t>(word);
    std::uint32_t d = 0;
    *this >> d;
    if (d < 0xFFFFFFFFu) return static_cast<std::uint64_t>(d);
    std::uint64_t q = 0;
    *this >> q;
    return q;
  };
  *this >> b;
  if (b < 0xFF) {
    length = b;
  } else {
    *this >> w;
    if (w == 0xFFFE) {
      unicode = true;
      *this >> b;
      if (b < 0xFF) {
        length = b;
      } else {
        *this >> w;
        length = lengthFromWord(w);
      }
    } else {
      length = lengthFromWord(w);
    }
  }
  const std::size_t charSize = unicode ? 2 : 1;
  if (length > Remaining() / charSize)
    AfxThrowArchiveException(CArchiveException::endOfFile, "string longer than the data left");
  if (unicode) {
    std::u16string units(static_cast<std::size_t>(length), u'\0');
    for (auto& u : units) {
      std::uint16_t v = 0;
      *this >> v;
      u = static_cast<char16_t>(v);
    }
    s = vex3d::utf16ToUtf8(units);
  } else {
    std::string bytes(static_cast<std::size_t>(length), '\0');
    ReadExact(bytes.data(), bytes.size());
    s = vex3d::windows1252ToUtf8(bytes);
  }
  return *this;
}

void CArchive::WriteClass(const CRuntimeClass* rtc) {
  if (m_mode != store) AfxThrowArchiveException(CArchiveException::readOnly);
  if (rtc == nullptr || !rtc->IsSerializable())
    AfxThrowArchiveException(CArchiveException::badClass,
                             rtc ? rtc->m_lpszClassName : "null class");
  if (auto it = m_storeMap.find(rtc); it != m_storeMap.end()) {
    const std::uint32_t index = it->second;
    if (index < kBigObjectTag) {
      *this << static_cast<std::uint16_t>(kClassTag | index);
    } else {
      *this << kBigObjectTag << (kBigClassTag | index);
    }
    return;
  }
  *this << kNewClassTag;
  rtc->Store(*this);
  if (m_mapCount >= kMaxMapCount) AfxThrowArchiveException(CArchiveException::bufferFull);
  m_storeMap.emplace(rtc, m_mapCount++);
}

void CArchive::SerializeClass(const CRuntimeClass* rtc) {
  if (IsStoring())
    WriteClass(rtc);
  else
    ReadClass(rtc);
}

void CArchive::WriteObject(const CObject* object) {
  if (m_mode != store) AfxThrowArchiveException(CArchiveException::readOnly);
  if (object == nullptr) {
    *this << kNullTag;
    return;
  }
  if (auto it = m_storeMap.find(object); it != m_storeMap.end()) {
    const std::uint32_t index = it->second;
    if (index < kBigObjectTag)
      *this << static_cast<std::uint16_t>(index);
    else
      *this << kBigObjectTag << index;
    return;
  }
  WriteClass(object->GetRuntimeClass());
  if (m_mapCount >= kMaxMapCount) AfxThrowArchiveException(CArchiveException::bufferFull);
  m_storeMap.emplace(object, m_mapCount++);
  const_cast<CObject*>(object)->Serialize(*this);
}

void CArchive::MapObject(const CObject* object) {
  if (IsStoring()) {
    if (m_storeMap.emplace(object, m_mapCount).second) ++m_mapCount;
  } else {
    m_loadArray.push_back({nullptr, const_cast<CObject*>(object), 0});
    ++m_mapCount;
  }
}

const CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* requested, unsigned int* schema,
                                         std::uint32_t* objectTag) {
  if (m_mode != load) AfxThrowArchiveException(CArchiveException::writeOnly);
  std::uint16_t wTag = 0;
  *this >> wTag;
  std::uint32_t tag = 0;
  if (wTag == kBigObjectTag)
    *this >> tag;
  else
    tag = (static_cast<std::uint32_t>(wTag & kClassTag) << 16) | (wTag & ~kClassTag);

  const CRuntimeClass* rtc = nullptr;
  unsigned int loadedSchema = 0;
  if (wTag == kNewClassTag) {
    rtc = CRuntimeClass::Load(*this, &loadedSchema);
    if (rtc == nullptr) AfxThrowArchiveException(CArchiveException::badClass, "unknown class");
    if ((rtc->m_wSchema & ~VERSIONABLE_SCHEMA) != loadedSchema &&
        !(rtc->m_wSchema & VERSIONABLE_SCHEMA))
      AfxThrowArchiveException(CArchiveException::badSchema, rtc->m_lpszClassName);
    if (m_mapCount >= kMaxMapCount) AfxThrowArchiveException(CArchiveException::bufferFull);
    m_loadArray.push_back({rtc, nullptr, loadedSchema});
    ++m_mapCount;
  } else if (tag & kBigClassTag) {
    const std::uint32_t index = tag & ~kBigClassTag;
    if (index == 0 || index >= m_loadArray.size() || m_loadArray[index].rtc == nullptr)
      AfxThrowArchiveException(CArchiveException::badIndex, "class reference");
    rtc = m_loadArray[index].rtc;
    loadedSchema = m_loadArray[index].schema;
  } else {
    // An object reference (or the null tag): no class record follows.
    if (objectTag) *objectTag = tag;
    if (schema) *schema = 0xFFFFFFFFu;
    return nullptr;
  }
  if (requested && !rtc->IsDerivedFrom(requested))
    AfxThrowArchiveException(CArchiveException::badClass, rtc->m_lpszClassName);
  if (schema) *schema = loadedSchema;
  if (objectTag) *objectTag = 0;
  return rtc;
}

unsigned int CArchive::GetObjectSchema() {
  const unsigned int schema = m_objectSchema;
  m_objectSchema = 0xFFFFFFFFu;
  return schema;
}

CObject* CArchive::ReadObject(const CRuntimeClass* requested) {
  return readObject(requested, true);
}

CObject* CArchive::ReadOwnedObject(const CRuntimeClass* requested) {
  return readObject(requested, false);
}

CObject* CArchive::readObject(const CRuntimeClass* requested, bool allowBackReference) {
  NestingGuard nesting(*this);
  unsigned int schema = 0;
  std::uint32_t tag = 0;
  const CRuntimeClass* rtc = ReadClass(requested, &schema, &tag);
  if (rtc == nullptr) {
    if (tag == 0) return nullptr;
    if (!allowBackReference)
      AfxThrowArchiveException(CArchiveException::badIndex, "shared reference to an owned object");
    if (tag >= m_loadArray.size() || m_loadArray[tag].rtc != nullptr)
      AfxThrowArchiveException(CArchiveException::badIndex, "object reference");
    CObject* object = m_loadArray[tag].object;
    if (object && requested && !object->IsKindOf(requested))
      AfxThrowArchiveException(CArchiveException::badClass, "object reference");
    return object;
  }
  std::unique_ptr<CObject> object(rtc->CreateObject());
  if (!object) AfxThrowArchiveException(CArchiveException::badClass, rtc->m_lpszClassName);
  if (m_mapCount >= kMaxMapCount) AfxThrowArchiveException(CArchiveException::bufferFull);
  const std::size_t slot = m_loadArray.size();
  // Mapped before its own data so that it may refer to itself.
  m_loadArray.push_back({nullptr, object.get(), 0});
  ++m_mapCount;
  const unsigned int savedSchema = m_objectSchema;
  m_objectSchema = schema;
  try {
    object->Serialize(*this);
  } catch (...) {
    m_loadArray[slot].object = nullptr;
    m_objectSchema = savedSchema;
    throw;
  }
  m_objectSchema = savedSchema;
  return object.release();
}

CFileArchive::CFileArchive(const std::string& path, CArchive::Mode mode)
    : m_path(path), m_mode(mode) {
  if (mode == CArchive::load) {
    m_open = vex3d::readWholeFile(path, m_buffer);
  } else {
    m_open = true;
  }
  m_archive = std::make_unique<CArchive>(m_buffer, mode);
}

CFileArchive::~CFileArchive() = default;

bool CFileArchive::Close() {
  if (m_closed) return true;
  m_closed = true;
  if (m_mode != CArchive::store) return true;
  std::string why;
  return vex3d::writeFileAtomically(m_path, m_buffer.data(), m_buffer.size(), why);
}
