#include "hostlib/core/archive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

class CArchiveTestItem : public CObject {
  DECLARE_SERIAL(CArchiveTestItem)
 public:
  std::uint32_t value = 0;
  CArchiveTestItem* link = nullptr;  // not owned: exercises shared references
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar << value;
    } else {
      ar >> value;
    }
  }
};
IMPLEMENT_SERIAL(CArchiveTestItem, CObject, 2)

// Accepts every stored schema up to its own and remembers which it read.
class CArchiveVersioned : public CObject {
  DECLARE_SERIAL(CArchiveVersioned)
 public:
  unsigned int loadedSchema = 0;
  void Serialize(CArchive& ar) override {
    if (!ar.IsStoring()) loadedSchema = ar.GetObjectSchema();
  }
};
IMPLEMENT_SERIAL(CArchiveVersioned, CObject, VERSIONABLE_SCHEMA | 3)

// Owns a chain of children, for nesting depth and partial-load cleanup.
class CArchiveChain : public CObject {
  DECLARE_SERIAL(CArchiveChain)
 public:
  std::unique_ptr<CArchiveChain> next;
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar.WriteObject(next.get());
    } else {
      next.reset(static_cast<CArchiveChain*>(ar.ReadOwnedObject(RUNTIME_CLASS(CArchiveChain))));
    }
  }
};
IMPLEMENT_SERIAL(CArchiveChain, CObject, 1)

Bytes store(const std::function<void(CArchive&)>& f) {
  Bytes b;
  CArchive ar(b, CArchive::store);
  f(ar);
  return b;
}

CArchiveException::Cause causeOf(const Bytes& bytes, const std::function<void(CArchive&)>& f) {
  CArchive ar(bytes, CArchive::load);
  try {
    f(ar);
  } catch (const CArchiveException& e) {
    return e.m_cause;
  }
  return CArchiveException::none;
}

TEST(Archive, ValuesAreLittleEndianAndFixedWidth) {
  const Bytes b = store([](CArchive& ar) {
    ar << std::uint8_t{0x01} << std::uint16_t{0x0203} << std::uint32_t{0x04050607} << 1.0f << true
       << std::int64_t{-2};
  });
  const Bytes expected = {0x01, 0x03, 0x02, 0x07, 0x06, 0x05, 0x04, 0x00, 0x00, 0x80,
                          0x3F, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(b, expected);

  CArchive ar(b, CArchive::load);
  std::uint8_t u8;
  std::uint16_t u16;
  std::uint32_t u32;
  float f;
  bool flag;
  std::int64_t i64;
  ar >> u8 >> u16 >> u32 >> f >> flag >> i64;
  EXPECT_EQ(u8, 1);
  EXPECT_EQ(u16, 0x0203);
  EXPECT_EQ(u32, 0x04050607u);
  EXPECT_EQ(f, 1.0f);
  EXPECT_TRUE(flag);
  EXPECT_EQ(i64, -2);
  EXPECT_EQ(ar.Remaining(), 0u);
}

TEST(Archive, CountEncodingSwitchesWidthAtEachLimit) {
  struct Case {
    std::uint64_t count;
    Bytes bytes;
  };
  const Case cases[] = {
      {0, {0x00, 0x00}},
      {0xFFFE, {0xFE, 0xFF}},
      {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
      {0xFFFFFFFEull, {0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}},
      {0xFFFFFFFFull,
       {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}},
  };
  for (const auto& c : cases) {
    const Bytes b = store([&](CArchive& ar) { ar.WriteCount(c.count); });
    EXPECT_EQ(b, c.bytes) << c.count;
    CArchive ar(b, CArchive::load);
    EXPECT_EQ(ar.ReadCount(), c.count);
  }
}

TEST(Archive, ReadCountRefusesCountsTheInputCannotHold) {
  const Bytes b = {0x10, 0x00, 1, 2, 3};  // 16 elements announced, 3 bytes left
  EXPECT_EQ(causeOf(b, [](CArchive& ar) { ar.ReadCount(1); }), CArchiveException::endOfFile);
  EXPECT_EQ(causeOf(b, [](CArchive& ar) { ar.ReadCount(0); }), CArchiveException::none);
}

TEST(Archive, StringsAreStoredAsTaggedUtf16) {
  EXPECT_EQ(store([](CArchive& ar) { ar << std::string("ab"); }),
            (Bytes{0xFF, 0xFE, 0xFF, 0x02, 'a', 0, 'b', 0}));
  // U+00E9 and U+1F600 (a surrogate pair in UTF-16).
  EXPECT_EQ(store([](CArchive& ar) { ar << std::string("\xC3\xA9\xF0\x9F\x98\x80"); }),
            (Bytes{0xFF, 0xFE, 0xFF, 0x03, 0xE9, 0x00, 0x3D, 0xD8, 0x00, 0xDE}));

  const std::string s255(255, 'x');
  const Bytes b255 = store([&](CArchive& ar) { ar << s255; });
  EXPECT_EQ(Bytes(b255.begin(), b255.begin() + 6), (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00}));
  EXPECT_EQ(b255.size(), 6u + 2 * 255);

  const std::string s65534(0xFFFE, 'y');
  const Bytes bBig = store([&](CArchive& ar) { ar << s65534; });
  EXPECT_EQ(Bytes(bBig.begin(), bBig.begin() + 10),
            (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));

  for (const std::string& s :
       {std::string(), std::string("\xC3\xA9\xF0\x9F\x98\x80"), s255, s65534}) {
    const Bytes b = store([&](CArchive& ar) { ar << s; });
    CArchive ar(b, CArchive::load);
    std::string back;
    ar >> back;
    EXPECT_EQ(back, s);
  }
}

TEST(Archive, SingleByteStringsReadAsWindows1252) {
  const Bytes b = {0x04, 'a', 'b', 0x80, 0xE9};
  CArchive ar(b, CArchive::load);
  std::string s;
  ar >> s;
  EXPECT_EQ(s, "ab\xE2\x82\xAC\xC3\xA9");  // "ab€é"
}

TEST(Archive, StringLengthBeyondInputIsEndOfFile) {
  const Bytes b = {0xFF, 0xFE, 0xFF, 0x20, 'a', 0};
  EXPECT_EQ(causeOf(b,
                    [](CArchive& ar) {
                      std::string s;
                      ar >> s;
                    }),
            CArchiveException::endOfFile);
}

TEST(Archive, ObjectsWriteClassRecordsThenReferences) {
  CArchiveTestItem a, b;
  a.value = 0x11;
  b.value = 0x22;
  const Bytes bytes =
      store([&](CArchive& ar) { ar << &a << &b << &a << static_cast<CObject*>(nullptr); });
  // Map indices: 1 the class, 2 object a, 3 object b.
  Bytes expected = {0xFF, 0xFF, 0x02, 0x00, 0x10, 0x00};
  for (char c : std::string("CArchiveTestItem")) expected.push_back(static_cast<std::uint8_t>(c));
  for (std::uint8_t x : {0x11, 0x00, 0x00, 0x00}) expected.push_back(x);
  for (std::uint8_t x : {0x01, 0x80, 0x22, 0x00, 0x00, 0x00}) expected.push_back(x);
  for (std::uint8_t x : {0x02, 0x00, 0x00, 0x00}) expected.push_back(x);
  EXPECT_EQ(bytes, expected);

  CArchive ar(bytes, CArchive::load);
  CArchiveTestItem *ra = nullptr, *rb = nullptr, *ra2 = nullptr, *rnull = nullptr;
  ar >> ra >> rb >> ra2 >> rnull;
  std::unique_ptr<CArchiveTestItem> oa(ra), ob(rb);
  ASSERT_TRUE(ra && rb);
  EXPECT_EQ(ra->value, 0x11u);
  EXPECT_EQ(rb->value, 0x22u);
  EXPECT_EQ(ra2, ra);
  EXPECT_EQ(rnull, nullptr);
}

TEST(Archive, LargeMapIndicesUseTheBigTags) {
  // Past 0x7FFE map entries, references switch to 0x7FFF + 32-bit index.
  std::vector<std::unique_ptr<CArchiveTestItem>> items(0x7FFF);
  for (auto& i : items) i = std::make_unique<CArchiveTestItem>();
  const Bytes bytes = store([&](CArchive& ar) {
    for (auto& i : items) ar << i.get();
    ar << items.back().get();
  });
  // The last object got index 0x8000 (class 1, objects 2..0x8000).
  const Bytes tail(bytes.end() - 6, bytes.end());
  EXPECT_EQ(tail, (Bytes{0xFF, 0x7F, 0x00, 0x80, 0x00, 0x00}));

  CArchive ar(bytes, CArchive::load);
  std::vector<std::unique_ptr<CArchiveTestItem>> back;
  for (std::size_t n = 0; n < items.size(); ++n) {
    CArchiveTestItem* p = nullptr;
    ar >> p;
    back.emplace_back(p);
  }
  CArchiveTestItem* again = nullptr;
  ar >> again;
  EXPECT_EQ(again, back.back().get());
}

TEST(Archive, MalformedObjectRecordsRaiseTheirCause) {
  using C = CArchiveException;
  const auto readItem = [](CArchive& ar) {
    std::unique_ptr<CObject> o(ar.ReadObject(RUNTIME_CLASS(CArchiveTestItem)));
  };
  // Unknown class name.
  Bytes unknown = {0xFF, 0xFF, 0x01, 0x00, 0x03, 0x00, 'X', 'y', 'z'};
  EXPECT_EQ(causeOf(unknown, readItem), C::badClass);
  // Known class, stored schema 7 where the class is at 2.
  Bytes schema = store([](CArchive& ar) { ar.WriteClass(RUNTIME_CLASS(CArchiveTestItem)); });
  schema[2] = 7;
  EXPECT_EQ(causeOf(schema, readItem), C::badSchema);
  // A class reference to a map entry that does not exist.
  EXPECT_EQ(causeOf(Bytes{0x05, 0x80}, readItem), C::badIndex);
  // An object reference to an entry that does not exist, and one to a class.
  EXPECT_EQ(causeOf(Bytes{0x09, 0x00}, readItem), C::badIndex);
  Bytes toClass = store([](CArchive& ar) {
    CArchiveTestItem item;
    ar << &item;
  });
  toClass.push_back(0x01);
  toClass.push_back(0x00);
  EXPECT_EQ(causeOf(toClass,
                    [&](CArchive& ar) {
                      readItem(ar);
                      readItem(ar);
                    }),
            C::badIndex);
  // A class that is not the one asked for.
  Bytes other = store([](CArchive& ar) {
    CArchiveVersioned v;
    ar << &v;
  });
  EXPECT_EQ(causeOf(other, readItem), C::badClass);
}

TEST(Archive, VersionableSchemaHandsTheStoredSchemaToTheObject) {
  Bytes b = store([](CArchive& ar) {
    CArchiveVersioned v;
    ar << &v;
  });
  ASSERT_EQ(b[2], 3);  // the flag bit is not part of the stored word
  b[2] = 1;
  CArchive ar(b, CArchive::load);
  CArchiveVersioned* v = nullptr;
  ar >> v;
  std::unique_ptr<CArchiveVersioned> owner(v);
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->loadedSchema, 1u);
}

TEST(Archive, OwnedReadsRefuseSharedReferences) {
  CArchiveChain chain;
  const Bytes ok = store([&](CArchive& ar) { ar << &chain; });
  // Chain whose child refers back to the root object (map index 2).
  Bytes cyclic = ok;
  cyclic.resize(cyclic.size() - 2);
  cyclic.push_back(0x02);
  cyclic.push_back(0x00);
  EXPECT_EQ(causeOf(cyclic,
                    [](CArchive& ar) {
                      std::unique_ptr<CObject> o(ar.ReadOwnedObject(RUNTIME_CLASS(CArchiveChain)));
                    }),
            CArchiveException::badIndex);
}

TEST(Archive, DeepNestingFailsCleanly) {
  auto root = std::make_unique<CArchiveChain>();
  CArchiveChain* tail = root.get();
  for (int i = 0; i < CArchive::kMaxObjectDepth + 10; ++i) {
    tail->next = std::make_unique<CArchiveChain>();
    tail = tail->next.get();
  }
  const Bytes b = store([&](CArchive& ar) { ar << root.get(); });
  EXPECT_EQ(causeOf(b,
                    [](CArchive& ar) {
                      std::unique_ptr<CObject> o(ar.ReadOwnedObject(RUNTIME_CLASS(CArchiveChain)));
                    }),
            CArchiveException::genericException);
  // Unlink iteratively: a recursive destructor this deep is fine, but keep it cheap.
  while (root->next) root = std::move(root->next);
}

TEST(Archive, EveryTruncationIsEndOfFileWithoutLeaks) {
  auto root = std::make_unique<CArchiveChain>();
  root->next = std::make_unique<CArchiveChain>();
  const Bytes full = store([&](CArchive& ar) { ar << root.get() << std::string("tail"); });
  for (std::size_t n = 0; n < full.size(); ++n) {
    const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_EQ(
        causeOf(cut,
                [](CArchive& ar) {
                  std::unique_ptr<CObject> o(ar.ReadOwnedObject(RUNTIME_CLASS(CArchiveChain)));
                  std::string s;
                  ar >> s;
                }),
        CArchiveException::endOfFile)
        << n;
  }
}

TEST(Archive, DirectionMisuseIsReported) {
  Bytes b;
  CArchive storing(b, CArchive::store);
  std::uint32_t v;
  EXPECT_THROW(storing >> v, CArchiveException);
  CArchive loading(b, CArchive::load);
  EXPECT_THROW(loading << v, CArchiveException);
}

TEST(Archive, FileArchiveWritesOnlyOnClose) {
  // Like any file the user names, an archive's folder must exist.
  const std::string folder = std::string(VEX3D_TEST_BINARY_DIR) + "/archive_test";
  const std::string path = folder + "/file.bin";
  std::filesystem::remove_all(folder);
  {
    CFileArchive orphan(path, CArchive::store);
    EXPECT_FALSE(orphan.Close());
  }
  std::filesystem::create_directories(folder);
  {
    CFileArchive out(path, CArchive::store);
    out.GetArchive() << std::uint32_t{42} << std::string("x");
    ASSERT_TRUE(out.Close());
  }
  CFileArchive in(path, CArchive::load);
  ASSERT_TRUE(in.IsOpen());
  std::uint32_t v = 0;
  std::string s;
  in.GetArchive() >> v >> s;
  EXPECT_EQ(v, 42u);
  EXPECT_EQ(s, "x");
  CFileArchive missing(path + ".missing", CArchive::load);
  EXPECT_FALSE(missing.IsOpen());
}

TEST(RuntimeClass, CreatesRegisteredClassesByName) {
  const CRuntimeClass* rtc = CRuntimeClass::FromName("CArchiveTestItem");
  ASSERT_EQ(rtc, RUNTIME_CLASS(CArchiveTestItem));
  std::unique_ptr<CObject> o(rtc->CreateObject());
  EXPECT_TRUE(o->IsKindOf(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(o->IsKindOf(RUNTIME_CLASS(CArchiveChain)));
  EXPECT_EQ(CRuntimeClass::FromName("NoSuchClass"), nullptr);
}

}  // namespace
