#include "hostlib/containers/element_array.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

#include "hostlib/containers/huge_pages.h"
#include "hostlib/core/archive.h"
#include "hostlib/core/exceptions.h"

IMPLEMENT_DYNAMIC(CElementArray, CObject)

void CElementArray::FreeStorage::operator()(std::byte* p) const { std::free(p); }

CElementArray::CElementArray(std::size_t elementSize) : m_elementSize(elementSize) {
  if (elementSize == 0) AfxThrowInvalidArgException("element size 0");
}

CElementArray::~CElementArray() = default;

void CElementArray::throwOutOfRange() { AfxThrowInvalidArgException("element index out of range"); }

bool CElementArray::holds(const void* p) const {
  const auto* b = static_cast<const std::byte*>(p);
  const std::byte* begin = m_data.get();
  return begin != nullptr && std::less_equal<>()(begin, b) && std::less<>()(b, at(m_size));
}

// Elements move as bytes, which their trivial relocatability allows; a
// shrinking or small block may even stay in place.
void CElementArray::reallocate(int capacity) {
  if (capacity == 0) {
    m_data.reset();
    m_capacity = 0;
    return;
  }
  const auto count = static_cast<std::size_t>(capacity);
  if (count > SIZE_MAX / m_elementSize) throw std::bad_alloc();
  void* grown = vex3d::resizeBlock(
      m_data.get(), static_cast<std::size_t>(m_capacity) * m_elementSize, count * m_elementSize);
  if (grown == nullptr) throw std::bad_alloc();
  (void)m_data.release();
  m_data.reset(static_cast<std::byte*>(grown));
  m_capacity = capacity;
}

void CElementArray::reserveFor(int size) {
  if (size <= m_capacity) return;
  const int step = m_growBy > 0 ? m_growBy : std::clamp(m_size / 8, 4, 1024);
  const long long wanted = std::max<long long>(
      {size, static_cast<long long>(m_capacity) + step, m_capacity + m_capacity / 2LL});
  reallocate(static_cast<int>(std::min<long long>(wanted, INT_MAX)));
}

void CElementArray::destroyRange(int first, int last) {
  if (last > first) DestructElements(at(first), last - first);
}

void CElementArray::SetSize(int newSize, int growBy) {
  if (newSize < 0) AfxThrowInvalidArgException("negative element count");
  if (growBy >= 0) m_growBy = growBy;
  if (newSize == 0) {
    destroyRange(0, m_size);
    m_size = 0;
    reallocate(0);
    return;
  }
  if (newSize <= m_size) {
    destroyRange(newSize, m_size);
    m_size = newSize;
    return;
  }
  reserveFor(newSize);
  ConstructElements(at(m_size), newSize - m_size);
  m_size = newSize;
}

int CElementArray::Add(const void* element) {
  if (m_size == INT_MAX) throw std::bad_alloc();
  const std::ptrdiff_t inside =
      holds(element) ? static_cast<const std::byte*>(element) - m_data.get() : -1;
  const int index = m_size;
  SetSize(m_size + 1);
  if (element != nullptr) CopyElement(at(index), inside >= 0 ? m_data.get() + inside : element);
  return index;
}

void CElementArray::InsertAt(int i, const void* element, int count) {
  if (i < 0 || count < 0) AfxThrowInvalidArgException("bad element insertion");
  if (count == 0) return;
  if (count > INT_MAX - std::max(i, m_size)) throw std::bad_alloc();
  std::ptrdiff_t inside =
      holds(element) ? static_cast<const std::byte*>(element) - m_data.get() : -1;
  if (i >= m_size) {
    SetSize(i);
    reserveFor(i + count);
  } else {
    reserveFor(m_size + count);
    const std::size_t shift = static_cast<std::size_t>(count) * m_elementSize;
    std::memmove(at(i + count), at(i), static_cast<std::size_t>(m_size - i) * m_elementSize);
    if (inside >= static_cast<std::ptrdiff_t>(static_cast<std::size_t>(i) * m_elementSize)) {
      inside += static_cast<std::ptrdiff_t>(shift);
    }
    // The gap counts as part of the array only once it is constructed.
    int built = 0;
    try {
      for (; built < count; ++built) ConstructElement(at(i + built));
    } catch (...) {
      destroyRange(i, i + built);
      std::memmove(at(i), at(i + count), static_cast<std::size_t>(m_size - i) * m_elementSize);
      throw;
    }
    m_size += count;
    if (element != nullptr) {
      const void* source = inside >= 0 ? m_data.get() + inside : element;
      for (int k = 0; k < count; ++k) CopyElement(at(i + k), source);
    }
    return;
  }
  const int first = m_size;
  SetSize(m_size + count);
  if (element != nullptr) {
    const void* source = inside >= 0 ? m_data.get() + inside : element;
    for (int k = first; k < m_size; ++k) CopyElement(at(k), source);
  }
}

void CElementArray::RemoveAt(int i, int count) {
  if (i < 0 || count < 0 || i > m_size - count) {
    AfxThrowInvalidArgException("element removal out of range");
  }
  if (count == 0) return;
  destroyRange(i, i + count);
  std::memmove(at(i), at(i + count), static_cast<std::size_t>(m_size - i - count) * m_elementSize);
  m_size -= count;
}

void CElementArray::RemoveAll() { SetSize(0); }

void CElementArray::FreeExtra() {
  if (m_capacity != m_size) reallocate(m_size);
}

void CElementArray::Copy(const CElementArray& source) {
  if (&source == this) return;
  if (source.m_elementSize != m_elementSize) AfxThrowInvalidArgException("element sizes differ");
  SetSize(source.m_size);
  for (int i = 0; i < m_size; ++i) CopyElement(at(i), source.at(i));
}

void CElementArray::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<std::uint64_t>(m_size));
    for (int i = 0; i < m_size; ++i) SerializeElement(ar, at(i));
    return;
  }
  const std::uint64_t count = ar.ReadCount(std::max<std::size_t>(1, MinSerializedElementSize()));
  if (count > static_cast<std::uint64_t>(INT_MAX)) {
    AfxThrowArchiveException(CArchiveException::genericException, "element count too large");
  }
  RemoveAll();
  SetSize(static_cast<int>(count));
  for (int i = 0; i < m_size; ++i) SerializeElement(ar, at(i));
}

void CElementArray::ConstructElement(void* element) { std::memset(element, 0, m_elementSize); }

void CElementArray::DestructElement(void*) {}

void CElementArray::ConstructElements(void* first, int count) {
  auto* bytes = static_cast<std::byte*>(first);
  int built = 0;
  try {
    for (; built < count; ++built) {
      ConstructElement(bytes + static_cast<std::size_t>(built) * m_elementSize);
    }
  } catch (...) {
    DestructElements(first, built);
    throw;
  }
}

void CElementArray::DestructElements(void* first, int count) {
  auto* bytes = static_cast<std::byte*>(first);
  for (int i = 0; i < count; ++i)
    DestructElement(bytes + static_cast<std::size_t>(i) * m_elementSize);
}

void CElementArray::CopyElement(void* destination, const void* source) {
  if (destination != source) std::memcpy(destination, source, m_elementSize);
}

void CElementArray::SerializeElement(CArchive& ar, void* element) {
  if (ar.IsStoring()) {
    ar.Write(element, m_elementSize);
  } else {
    ar.ReadExact(element, m_elementSize);
  }
}

std::size_t CElementArray::MinSerializedElementSize() const { return 1; }
