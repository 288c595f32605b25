#pragma once
// CStack: last in, first out. Popping or reading the top of an empty stack
// is an out-of-range access.
#include <utility>
#include <vector>

#include "hostlib/core/exceptions.h"

template <class T>
class CStack {
 public:
  void Push(T value) { m_items.push_back(std::move(value)); }
  T Pop() {
    if (m_items.empty()) AfxThrowInvalidArgException("pop from an empty stack");
    T top = std::move(m_items.back());
    m_items.pop_back();
    return top;
  }
  T& Top() {
    if (m_items.empty()) AfxThrowInvalidArgException("top of an empty stack");
    return m_items.back();
  }
  const T& Top() const {
    if (m_items.empty()) AfxThrowInvalidArgException("top of an empty stack");
    return m_items.back();
  }
  bool IsEmpty() const { return m_items.empty(); }
  int GetCount() const { return static_cast<int>(m_items.size()); }
  void RemoveAll() { m_items.clear(); }

 private:
  std::vector<T> m_items;
};
