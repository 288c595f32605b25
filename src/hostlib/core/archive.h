#pragma once
// Binary archive: the scene file and every record a class stores itself
// into. Little-endian values; counts in the escalating form (16 bits, then
// 32, then 64 when a count does not fit); strings with a length prefix;
// objects as run-time class records followed by the class's own fields, so
// that a reader can create them by class name, and repeated objects as a
// tag to their first occurrence. Files written by earlier versions of the
// module use the same layout and read unchanged. Loading never reads past
// the input: any shortfall or malformed record raises CArchiveException
// with its cause. An archive may also stream: loading from a source whose
// bytes arrive over time, storing into a sink piece by piece, so that one
// process can rebuild a scene while another is still writing it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "hostlib/core/exceptions.h"
#include "hostlib/core/object.h"
#include "hostlib/hostlib_export.h"

// Where a streaming archive's bytes come from (a pipe, a socket).
class VEXHOST_EXPORT CArchiveSource {
 public:
  virtual ~CArchiveSource() = default;
  // Up to `size` bytes into `data`, waiting for at least one; 0 once the
  // source has nothing more (the archive then raises endOfFile). May throw
  // CArchiveException.
  virtual std::size_t Fill(std::uint8_t* data, std::size_t size) = 0;
};

// Where a streaming archive's bytes go, piece by piece, in order.
class VEXHOST_EXPORT CArchiveSink {
 public:
  virtual ~CArchiveSink() = default;
  // A piece of the archive, valid during the call.
  virtual void Take(std::span<const std::uint8_t> bytes) = 0;
  // A large block stored from where it lies (see CArchive::Write): valid
  // during the call too, but a sink that knows the stored objects outlive
  // it may keep it by reference instead of copying it.
  virtual void TakeBlock(std::span<const std::uint8_t> bytes) { Take(bytes); }
};

class VEXHOST_EXPORT CArchive {
 public:
  enum Mode { store = 0, load = 1 };

  // A streaming archive's default window or piece: small enough to stay in
  // the processor's cache between the two sides of a pipe.
  static constexpr std::size_t kStreamBytes = std::size_t{256} << 10;

  // Storing appends to `buffer`; loading reads `buffer` from its start.
  CArchive(std::vector<std::uint8_t>& buffer, Mode mode);
  // Loading (mode must be load) from bytes the caller keeps alive.
  CArchive(const std::vector<std::uint8_t>& buffer, Mode mode);
  explicit CArchive(std::span<const std::uint8_t> data);
  // Loading from `source` as its bytes arrive, through a window of
  // `windowBytes`; a large read goes from the source straight to its
  // destination. The source holds at most `limit` bytes: counts are checked
  // against what is left of that, as they would be against a whole input
  // of that size.
  CArchive(CArchiveSource& source, std::uint64_t limit, std::size_t windowBytes = kStreamBytes);
  // Storing into `sink` in pieces of `pieceBytes`; a larger write goes to
  // it whole, without a copy. Flush() hands over the last piece.
  explicit CArchive(CArchiveSink& sink, std::size_t pieceBytes = kStreamBytes);
  ~CArchive();
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  bool IsLoading() const { return m_mode == load; }
  bool IsStoring() const { return m_mode == store; }

  // Raw bytes. Read returns how many bytes it could read, so that a caller
  // may take a short tail; ReadExact throws endOfFile instead.
  void Write(const void* data, std::size_t size);
  std::size_t Read(void* data, std::size_t size);
  void ReadExact(void* data, std::size_t size);
  // Storing: a hint that about `size` more bytes follow, so that a large
  // record is written without the output growing step by step. Loading:
  // nothing.
  void Reserve(std::size_t size);
  // Storing into a sink: hands it what is still held. Nothing otherwise.
  void Flush();

  // Loading: bytes left to read, and where reading stands. Readers check
  // counts against Remaining() before allocating for them.
  std::size_t Remaining() const;
  std::size_t GetPosition() const { return static_cast<std::size_t>(m_consumed) + m_pos; }

  // Values inline, both ways: a scene is millions of them, and there is
  // nearly always room for one in the output or bytes for it in the input.
  CArchive& operator<<(bool v) { return writeValue<std::uint8_t>(v ? 1 : 0); }
  CArchive& operator<<(char v) { return writeValue(v); }
  CArchive& operator<<(std::int8_t v) { return writeValue(v); }
  CArchive& operator<<(std::uint8_t v) { return writeValue(v); }
  CArchive& operator<<(std::int16_t v) { return writeValue(v); }
  CArchive& operator<<(std::uint16_t v) { return writeValue(v); }
  CArchive& operator<<(std::int32_t v) { return writeValue(v); }
  CArchive& operator<<(std::uint32_t v) { return writeValue(v); }
  CArchive& operator<<(std::int64_t v) { return writeValue(v); }
  CArchive& operator<<(std::uint64_t v) { return writeValue(v); }
  CArchive& operator<<(float v) { return writeValue(v); }
  CArchive& operator<<(double v) { return writeValue(v); }
  // Stored as the Unicode CString form; the text is UTF-8 in memory.
  CArchive& operator<<(const std::string& s);
  CArchive& operator<<(const char* s) { return *this << std::string(s); }

  CArchive& operator>>(bool& v) {
    std::uint8_t b = 0;
    readValue(b);
    v = b != 0;
    return *this;
  }
  CArchive& operator>>(char& v) { return readValue(v); }
  CArchive& operator>>(std::int8_t& v) { return readValue(v); }
  CArchive& operator>>(std::uint8_t& v) { return readValue(v); }
  CArchive& operator>>(std::int16_t& v) { return readValue(v); }
  CArchive& operator>>(std::uint16_t& v) { return readValue(v); }
  CArchive& operator>>(std::int32_t& v) { return readValue(v); }
  CArchive& operator>>(std::uint32_t& v) { return readValue(v); }
  CArchive& operator>>(std::int64_t& v) { return readValue(v); }
  CArchive& operator>>(std::uint64_t& v) { return readValue(v); }
  CArchive& operator>>(float& v) { return readValue(v); }
  CArchive& operator>>(double& v) { return readValue(v); }
  // Accepts both the Unicode and the single-byte CString forms.
  CArchive& operator>>(std::string& s);

  // Element counts: WORD below 0xFFFF, else 0xFFFF + DWORD, else
  // 0xFFFF + 0xFFFFFFFF + 64-bit.
  void WriteCount(std::uint64_t count);
  std::uint64_t ReadCount();
  // A count of elements at least `minElementSize` bytes each; throws
  // endOfFile when the input cannot hold that many.
  std::uint64_t ReadCount(std::size_t minElementSize);

  // Objects: null tag 0, new object as class record + its own data, repeats by
  // map index. The caller owns objects read; on an exception the object being
  // read is deleted.
  void WriteObject(const CObject* object);
  CObject* ReadObject(const CRuntimeClass* requested);
  // For owners of what they read: a reference back to an object read before
  // would hand the same object to two owners, so it raises badIndex instead.
  CObject* ReadOwnedObject(const CRuntimeClass* requested);
  void WriteClass(const CRuntimeClass* rtc);
  // Reads a class reference; throws badClass when `requested` is given and the
  // class read does not derive from it.
  const CRuntimeClass* ReadClass(const CRuntimeClass* requested = nullptr,
                                 unsigned int* schema = nullptr,
                                 std::uint32_t* objectTag = nullptr);
  void SerializeClass(const CRuntimeClass* rtc);
  // Schema of the object being loaded (once; later calls give 0xFFFFFFFF).
  unsigned int GetObjectSchema();
  void SetObjectSchema(unsigned int schema) { m_objectSchema = schema; }
  // Makes `object` known to the map without storing it: an object both
  // sides already have is then written as a tag only.
  void MapObject(const CObject* object);

  // Nested object reads (and nested records guarded with NestingGuard)
  // deeper than this fail with genericException rather than exhausting the
  // stack on a hostile file.
  static constexpr int kMaxObjectDepth = 256;
  class NestingGuard {
   public:
    explicit NestingGuard(CArchive& ar);
    ~NestingGuard() { --m_ar.m_depth; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;

   private:
    CArchive& m_ar;
  };

 private:
  void need(std::size_t size);
  // Streaming: the window holds at least `size` unread bytes, else false
  // when the source ended first.
  bool fillWindow(std::size_t size);
  // Streaming, with the window read: up to `size` bytes from the source
  // straight into `data`.
  std::size_t pull(std::uint8_t* data, std::size_t size);
  // Into a sink's piece while it has room; anything else through Write.
  template <class T>
  CArchive& writeValue(T v) {
    if (m_sink != nullptr && sizeof(T) <= m_pieceBytes - m_filled) {
      std::memcpy(m_window.data() + m_filled, &v, sizeof(T));
      m_filled += sizeof(T);
      return *this;
    }
    Write(&v, sizeof(T));
    return *this;
  }
  // Storing, and at the end of the input or of a window, m_in has no room:
  // ReadExact then raises or refills.
  template <class T>
  CArchive& readValue(T& v) {
    if (sizeof(T) <= m_in.size() - m_pos) {
      std::memcpy(&v, m_in.data() + m_pos, sizeof(T));
      m_pos += sizeof(T);
      return *this;
    }
    ReadExact(&v, sizeof(T));
    return *this;
  }
  CObject* readObject(const CRuntimeClass* requested, bool allowBackReference);

  Mode m_mode;
  std::vector<std::uint8_t>* m_out = nullptr;
  std::span<const std::uint8_t> m_in;
  std::size_t m_pos = 0;
  // Streaming: bytes that went before m_in, the most the source may hold,
  // and the window m_in lies in (storing: the piece being written, filled
  // so far).
  CArchiveSource* m_source = nullptr;
  CArchiveSink* m_sink = nullptr;
  std::uint64_t m_consumed = 0;
  std::uint64_t m_limit = 0;
  std::size_t m_pieceBytes = 0;
  std::size_t m_filled = 0;
  std::vector<std::uint8_t> m_window;
  unsigned int m_objectSchema = 0xFFFFFFFFu;
  int m_depth = 0;
  // Storing: object or class address -> map index. Loading: index -> entry.
  std::unordered_map<const void*, std::uint32_t> m_storeMap;
  struct LoadEntry {
    const CRuntimeClass* rtc;  // set for class entries
    CObject* object;           // set for object entries (may be null)
    unsigned int schema;       // schema read with a class entry
  };
  std::vector<LoadEntry> m_loadArray;
  std::uint32_t m_mapCount = 1;
};

// `ar << pObject` stores an object with its class record; `ar >> pDerived`
// creates one and fails unless it is a T.
inline CArchive& operator<<(CArchive& ar, const CObject* object) {
  ar.WriteObject(object);
  return ar;
}
template <class T>
requires std::is_base_of_v<CObject, T> CArchive& operator>>(CArchive& ar, T*& object) {
  object = static_cast<T*>(ar.ReadObject(T::GetThisClass()));
  return ar;
}

// An archive on a file: loading reads the whole file first; storing collects
// the bytes and Close() writes them atomically, so a failed save never
// damages the file that was there.
class VEXHOST_EXPORT CFileArchive {
 public:
  CFileArchive(const std::string& path, CArchive::Mode mode);
  ~CFileArchive();
  CFileArchive(const CFileArchive&) = delete;
  CFileArchive& operator=(const CFileArchive&) = delete;

  // False when a file to load could not be read.
  bool IsOpen() const { return m_open; }
  CArchive& GetArchive() { return *m_archive; }
  // Storing: writes the file; false when it could not be written.
  bool Close();

 private:
  std::string m_path;
  CArchive::Mode m_mode;
  bool m_open = false;
  bool m_closed = false;
  std::vector<std::uint8_t> m_buffer;
  std::unique_ptr<CArchive> m_archive;
};
