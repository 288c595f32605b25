#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <set>
#include <span>
#include <vector>

#include "hostlib/containers/array_id.h"
#include "hostlib/containers/element_array.h"
#include "hostlib/containers/stack.h"
#include "hostlib/core/archive.h"

namespace {

// A polymorphic element as the point and face lists keep them: a vtable and
// a resource whose leak ASan would report.
struct Shape {
  Shape() : extra(new int(0)) { ++live; }
  Shape(const Shape&) = delete;
  Shape& operator=(const Shape& o) {
    value = o.value;
    *extra = *o.extra;
    return *this;
  }
  virtual ~Shape() {
    delete extra;
    --live;
  }
  virtual int Kind() const { return 1; }
  int value = 0;
  int* extra;
  static inline int live = 0;
};

struct Square : Shape {
  int Kind() const override { return 4; }
};

class CSquareList : public CElementArray {
 public:
  CSquareList() : CElementArray(sizeof(Square)) {}
  ~CSquareList() override { RemoveAll(); }

  void ConstructElement(void* element) override {
    new (element) Square();
    ++constructed;
  }
  void DestructElement(void* element) override {
    static_cast<Shape*>(element)->~Shape();
    ++destructed;
  }
  void CopyElement(void* destination, const void* source) override {
    *static_cast<Square*>(destination) = *static_cast<const Square*>(source);
  }
  void SerializeElement(CArchive& ar, void* element) override {
    auto* s = static_cast<Square*>(element);
    if (ar.IsStoring()) {
      ar << static_cast<std::int32_t>(s->value);
    } else {
      std::int32_t v = 0;
      ar >> v;
      s->value = v;
    }
  }
  std::size_t MinSerializedElementSize() const override { return 4; }

  Square& At(int i) { return *static_cast<Square*>(ElementAt(i)); }

  int constructed = 0;
  int destructed = 0;
};

std::vector<int> values(CSquareList& l) {
  std::vector<int> v;
  for (int i = 0; i < l.GetSize(); ++i) v.push_back(l.At(i).value);
  return v;
}

TEST(ElementArray, PolymorphicElementsThroughHooks) {
  Shape::live = 0;
  {
    CSquareList list;
    EXPECT_EQ(list.GetRuntimeClass(), RUNTIME_CLASS(CElementArray));
    EXPECT_TRUE(list.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(list.IsSerializable());

    std::set<int> capacities;
    for (int i = 0; i < 1000000; ++i) {
      list.At(list.Add()).value = i;
      capacities.insert(list.GetAllocatedSize());
    }
    EXPECT_EQ(Shape::live, 1000000);
    // Growth is geometric: a handful of reallocations for a million appends.
    EXPECT_LT(capacities.size(), 40u);
    // Elements moved as bytes keep working as objects.
    EXPECT_EQ(list.At(999999).Kind(), 4);
    EXPECT_EQ(list.At(123456).value, 123456);
    list.FreeExtra();
    EXPECT_EQ(list.GetAllocatedSize(), 1000000);

    list.RemoveAt(10, 999980);
    EXPECT_EQ(list.GetSize(), 20);
    EXPECT_EQ(list.At(10).value, 999990);
    EXPECT_EQ(Shape::live, 20);
    list.SetSize(5);
    EXPECT_EQ(Shape::live, 5);
    EXPECT_EQ(list.constructed - list.destructed, 5);
  }
  EXPECT_EQ(Shape::live, 0);
}

TEST(ElementArray, InsertAddAndCopyFromItsOwnElements) {
  Shape::live = 0;
  {
    CSquareList list;
    list.SetSize(4, 0);
    for (int i = 0; i < 4; ++i) list.At(i).value = i;
    list.FreeExtra();
    // The source lives in the storage that the addition moves.
    list.Add(list.ElementAt(1));
    EXPECT_EQ(values(list), (std::vector<int>{0, 1, 2, 3, 1}));
    list.FreeExtra();
    // The source sits behind the insertion point and moves up with the tail.
    list.InsertAt(1, list.ElementAt(3), 2);
    EXPECT_EQ(values(list), (std::vector<int>{0, 3, 3, 1, 2, 3, 1}));
    list.InsertAt(9, nullptr, 1);  // past the end: grows first
    EXPECT_EQ(list.GetSize(), 10);
    EXPECT_EQ(list.At(9).value, 0);
    EXPECT_EQ(list.At(9).Kind(), 4);

    CSquareList other;
    other.SetSize(30);
    other.Copy(list);
    EXPECT_EQ(values(other), values(list));
    EXPECT_EQ(Shape::live, 20);

    EXPECT_THROW(list.ElementAt(10), CInvalidArgException);
    EXPECT_THROW(list.ElementAt(-1), CInvalidArgException);
    EXPECT_THROW(list.RemoveAt(8, 3), CInvalidArgException);
    EXPECT_THROW(list.InsertAt(-1), CInvalidArgException);
    CElementArray bytes(3);
    EXPECT_THROW(other.Copy(bytes), CInvalidArgException);
  }
  EXPECT_EQ(Shape::live, 0);
}

// A constructor that fails on its nth call, to check what a partly grown
// array holds afterwards.
class CFailingList : public CSquareList {
 public:
  void ConstructElement(void* element) override {
    if (--failIn == 0) throw std::bad_alloc();
    CSquareList::ConstructElement(element);
  }
  int failIn = 1000;
};

TEST(ElementArray, FailingConstructionLeavesAConsistentArray) {
  Shape::live = 0;
  {
    CFailingList list;
    list.SetSize(3);
    for (int i = 0; i < 3; ++i) list.At(i).value = i;
    list.failIn = 3;
    // Growing is all or nothing: the two elements built are destroyed again.
    EXPECT_THROW(list.SetSize(10), std::bad_alloc);
    EXPECT_EQ(list.GetSize(), 3);
    EXPECT_EQ(Shape::live, 3);
    list.failIn = 2;
    EXPECT_THROW(list.InsertAt(1, nullptr, 3), std::bad_alloc);
    EXPECT_EQ(list.GetSize(), 3);
    EXPECT_EQ(list.At(1).value, 1);
    EXPECT_EQ(list.At(2).value, 2);
    EXPECT_EQ(Shape::live, 3);
    list.failIn = 1000;
    list.SetSize(6);
    EXPECT_EQ(Shape::live, 6);
  }
  EXPECT_EQ(Shape::live, 0);
}

TEST(ElementArray, SerializesCountThenElements) {
  CSquareList list;
  list.SetSize(3);
  list.At(0).value = 7;
  list.At(1).value = -1;
  list.At(2).value = 0x01020304;
  std::vector<std::uint8_t> bytes;
  {
    CArchive ar(bytes, CArchive::store);
    list.Serialize(ar);
  }
  const std::vector<std::uint8_t> golden{3, 0, 7, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1};
  EXPECT_EQ(bytes, golden);

  CSquareList back;
  back.SetSize(8);
  {
    CArchive ar{std::span<const std::uint8_t>(bytes)};
    back.Serialize(ar);
  }
  EXPECT_EQ(values(back), (std::vector<int>{7, -1, 0x01020304}));
  EXPECT_EQ(back.constructed - back.destructed, 3);

  // A count that the input cannot hold is refused before allocating.
  const std::vector<std::uint8_t> hostile{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3, 4};
  CArchive bad(hostile);
  try {
    back.Serialize(bad);
    ADD_FAILURE() << "accepted";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
  }
  // Truncated element data: an exception, and whatever was built is freed
  // with the list.
  const std::vector<std::uint8_t> truncated(golden.begin(), golden.end() - 1);
  CArchive cut(truncated);
  EXPECT_THROW(back.Serialize(cut), CArchiveException);
}

TEST(ElementArray, DefaultHooksWorkOnRawBytes) {
  CElementArray raw(sizeof(std::uint16_t));
  raw.SetSize(2);
  EXPECT_EQ(*static_cast<std::uint16_t*>(raw.ElementAt(1)), 0);
  *static_cast<std::uint16_t*>(raw.ElementAt(0)) = 0xBEEF;
  std::vector<std::uint8_t> bytes;
  {
    CArchive ar(bytes, CArchive::store);
    raw.Serialize(ar);
  }
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{2, 0, 0xEF, 0xBE, 0, 0}));
  CElementArray copy(sizeof(std::uint16_t));
  copy.Copy(raw);
  EXPECT_EQ(*static_cast<const std::uint16_t*>(copy.GetData()), 0xBEEF);
  copy.RemoveAll();
  EXPECT_EQ(copy.GetData(), nullptr);
  EXPECT_EQ(copy.GetAllocatedSize(), 0);
}

struct CChannelStub {
  int id;
};

TEST(ArrayID, GrowsInsertsRemovesAndChecksIndices) {
  CIntArrayID a;
  EXPECT_EQ(a.GetData(), nullptr);
  a.SetSize(3, 16);
  EXPECT_EQ(std::vector<int>(a.begin(), a.end()), (std::vector<int>{0, 0, 0}));
  a[1] = 5;
  EXPECT_EQ(a.Add(9), 3);
  a.InsertAt(1, 7, 2);
  EXPECT_EQ(std::vector<int>(a.begin(), a.end()), (std::vector<int>{0, 7, 7, 5, 0, 9}));
  a.RemoveAt(0, 3);
  EXPECT_EQ(std::vector<int>(a.begin(), a.end()), (std::vector<int>{5, 0, 9}));
  a.InsertAt(5, 1);  // past the end: grows with zeros first
  EXPECT_EQ(std::vector<int>(a.begin(), a.end()), (std::vector<int>{5, 0, 9, 0, 0, 1}));
  a.SetAtGrow(7, 3);
  EXPECT_EQ(a.GetSize(), 8);
  EXPECT_EQ(a.GetAt(6), 0);
  EXPECT_EQ(a.GetUpperBound(), 7);

  EXPECT_THROW(a.GetAt(8), CInvalidArgException);
  EXPECT_THROW(a[-1], CInvalidArgException);
  EXPECT_THROW(a.SetAt(8, 1), CInvalidArgException);
  EXPECT_THROW(a.RemoveAt(7, 2), CInvalidArgException);
  EXPECT_THROW(a.SetSize(-1), CInvalidArgException);

  // Adding an element of the array itself while it grows.
  for (int i = 0; i < 100; ++i) a.Add(a[0]);
  EXPECT_EQ(a[107], 5);

  CIntArrayID b;
  b.Copy(a);
  a.RemoveAll();
  EXPECT_EQ(b.GetSize(), 108);
  EXPECT_EQ(a.GetSize(), 0);
  b.FreeExtra();
  EXPECT_EQ(b.GetAt(2), 9);
}

TEST(Stack, LastInFirstOut) {
  CStack<int> s;
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_THROW(s.Pop(), CInvalidArgException);
  EXPECT_THROW(s.Top(), CInvalidArgException);
  s.Push(1);
  s.Push(2);
  s.Top() = 3;
  EXPECT_EQ(s.GetCount(), 2);
  EXPECT_EQ(s.Pop(), 3);
  EXPECT_EQ(s.Pop(), 1);
  EXPECT_TRUE(s.IsEmpty());
}

}  // namespace
