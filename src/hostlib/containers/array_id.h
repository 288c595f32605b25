#pragma once
// CArrayID: a growable array of values with checked access, the framework's
// counterpart of a typed CArray. ARG is the argument type of the adding and
// setting operations (T or const T&).
#include <algorithm>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "hostlib/core/exceptions.h"

template <class T, class ARG = const T&>
class CArrayID {
 public:
  CArrayID() = default;

  int GetSize() const { return static_cast<int>(m_data.size()); }
  int GetCount() const { return GetSize(); }
  bool IsEmpty() const { return m_data.empty(); }
  int GetUpperBound() const { return GetSize() - 1; }

  // New elements are value-initialised (0 for numbers and pointers). The
  // grow step only ever adds room: growth stays geometric whatever it is.
  void SetSize(int newSize, int growBy = -1) {
    if (newSize < 0) AfxThrowInvalidArgException("negative array size");
    if (growBy > 0) m_growBy = growBy;
    const auto n = static_cast<std::size_t>(newSize);
    if (n > m_data.capacity() && m_growBy > 0) {
      const std::size_t cap = m_data.capacity();
      m_data.reserve(std::max({n, cap + static_cast<std::size_t>(m_growBy), 2 * cap}));
    }
    m_data.resize(n);
  }

  const T& GetAt(int i) const { return m_data[checked(i)]; }
  void SetAt(int i, ARG value) { m_data[checked(i)] = value; }
  T& ElementAt(int i) { return m_data[checked(i)]; }
  const T& ElementAt(int i) const { return m_data[checked(i)]; }
  T& operator[](int i) { return ElementAt(i); }
  const T& operator[](int i) const { return GetAt(i); }

  T* GetData() { return m_data.empty() ? nullptr : m_data.data(); }
  const T* GetData() const { return m_data.empty() ? nullptr : m_data.data(); }

  // Position of the new element.
  int Add(ARG value) {
    m_data.push_back(value);
    return GetSize() - 1;
  }
  // Position of the first appended element.
  int Append(const CArrayID& other) {
    const int first = GetSize();
    m_data.insert(m_data.end(), other.m_data.begin(), other.m_data.end());
    return first;
  }
  // Grows the array when i is past its end.
  void SetAtGrow(int i, ARG value) {
    if (i < 0) AfxThrowInvalidArgException("negative array index");
    if (i >= GetSize()) {
      T copy = value;  // value may live in the array being grown
      SetSize(i + 1);
      m_data[static_cast<std::size_t>(i)] = std::move(copy);
      return;
    }
    m_data[static_cast<std::size_t>(i)] = value;
  }
  // `count` copies of value at i; an index past the end grows the array
  // first, as the framework's arrays do.
  void InsertAt(int i, ARG value, int count = 1) {
    if (i < 0 || count < 0) AfxThrowInvalidArgException("bad array insertion");
    if (count == 0) return;
    if (i > GetSize()) {
      T copy = value;
      SetSize(i);
      m_data.insert(m_data.end(), static_cast<std::size_t>(count), copy);
      return;
    }
    m_data.insert(m_data.begin() + i, static_cast<std::size_t>(count), value);
  }
  void RemoveAt(int i, int count = 1) {
    if (i < 0 || count < 0 || i > GetSize() - count) {
      AfxThrowInvalidArgException("array removal out of range");
    }
    m_data.erase(m_data.begin() + i, m_data.begin() + i + count);
  }
  void RemoveAll() {
    std::vector<T> none;
    m_data.swap(none);
  }
  void Copy(const CArrayID& other) {
    if (this != &other) m_data = other.m_data;
  }
  void FreeExtra() { m_data.shrink_to_fit(); }

  auto begin() { return m_data.begin(); }
  auto end() { return m_data.end(); }
  auto begin() const { return m_data.begin(); }
  auto end() const { return m_data.end(); }

 private:
  std::size_t checked(int i) const {
    if (i < 0 || i >= GetSize()) {
      AfxThrowInvalidArgException("array index " + std::to_string(i) + " out of range");
    }
    return static_cast<std::size_t>(i);
  }

  std::vector<T> m_data;
  int m_growBy = 0;
};

class CIntArrayID : public CArrayID<int, int> {};
