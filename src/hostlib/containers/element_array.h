#pragma once
// CElementArray: a contiguous array of fixed-size elements whose concrete
// lists decide the element class through virtual hooks; point and face lists
// place their polymorphic element objects in the raw storage with placement
// new in ConstructElement and destroy them in DestructElement.
//
// Growing moves the elements with a plain memory copy, without calling any
// hook: element classes must be trivially relocatable (no pointers into
// themselves, nothing registered by address). Every point and face kind is.
//
// Hooks do not dispatch to a derived class once its destructor has run, so a
// derived list whose elements own resources empties itself (RemoveAll) in
// its own destructor; this destructor only releases the storage.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "hostlib/core/object.h"
#include "hostlib/hostlib_export.h"

class VEXHOST_EXPORT CElementArray : public CObject {
  DECLARE_DYNAMIC(CElementArray)

 public:
  explicit CElementArray(std::size_t elementSize);
  ~CElementArray() override;
  CElementArray(const CElementArray&) = delete;
  CElementArray& operator=(const CElementArray&) = delete;

  std::size_t GetElementSize() const { return m_elementSize; }
  int GetSize() const { return m_size; }
  int GetUpperBound() const { return m_size - 1; }
  bool IsEmpty() const { return m_size == 0; }
  // Elements the storage holds before it must grow.
  int GetAllocatedSize() const { return m_capacity; }
  void* GetData() { return m_data.get(); }
  const void* GetData() const { return m_data.get(); }

  // The element at i; out of range raises the invalid-argument exception.
  // Inline: renderers and readers fetch millions of elements in a row.
  void* ElementAt(int i) {
    if (static_cast<unsigned>(i) >= static_cast<unsigned>(m_size)) throwOutOfRange();
    return at(i);
  }
  const void* ElementAt(int i) const {
    if (static_cast<unsigned>(i) >= static_cast<unsigned>(m_size)) throwOutOfRange();
    return at(i);
  }

  // Constructs the added elements and destructs the dropped ones; the
  // storage is released at size 0. growBy >= 0 sets the grow step (0: chosen
  // from the size), -1 keeps it. The step is a minimum: the storage grows by
  // at least half its size, so appending stays amortised O(1).
  void SetSize(int newSize, int growBy = -1);
  // Appends an element, a copy of `element` when given; returns its position.
  int Add(const void* element = nullptr);
  // `count` new elements at i (copies of `element` when given); an index
  // past the end grows the array first.
  void InsertAt(int i, const void* element = nullptr, int count = 1);
  void RemoveAt(int i, int count = 1);
  virtual void RemoveAll();
  void FreeExtra();
  // Room for `capacity` elements in all, so that appending up to there
  // never moves the array.
  void Reserve(int capacity) { reserveFor(capacity); }
  // Same size as `source`, then each element copied with CopyElement. The
  // element sizes must match.
  void Copy(const CElementArray& source);

  // Element count (archive count encoding), then each element by
  // SerializeElement. Loading replaces the content.
  void Serialize(CArchive& ar) override;

  // Element hooks. Defaults: zero bytes, nothing, byte copy, raw bytes.
  virtual void ConstructElement(void* element);
  virtual void DestructElement(void* element);
  // `count` elements in a row, all or none: on a throw the ones built are
  // destroyed again. Lists of one element class override them to build and
  // destroy millions of elements without a virtual call each.
  virtual void ConstructElements(void* first, int count);
  virtual void DestructElements(void* first, int count);
  virtual void CopyElement(void* destination, const void* source);
  virtual void SerializeElement(CArchive& ar, void* element);
  // Fewest archive bytes one stored element takes, so that a hostile element
  // count is refused before anything is allocated for it.
  virtual std::size_t MinSerializedElementSize() const;

 private:
  struct FreeStorage {
    void operator()(std::byte* p) const;
  };
  [[noreturn]] static void throwOutOfRange();
  std::byte* at(int i) const { return m_data.get() + static_cast<std::size_t>(i) * m_elementSize; }
  void reallocate(int capacity);
  void reserveFor(int size);
  void destroyRange(int first, int last);
  bool holds(const void* p) const;

  std::unique_ptr<std::byte, FreeStorage> m_data;
  std::size_t m_elementSize;
  int m_size = 0;
  int m_capacity = 0;
  int m_growBy = 0;
};
