#include "hostlib/core/custom_data.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "hostlib/core/archive.h"
#include "hostlib/core/fourcc.h"
#include "hostlib/files/file_io.h"

namespace {

using vex3d::fourcc;

CCustomData sampleRecord() {
  CCustomData d;
  int anchor = 0;
  d.SetUInt(fourcc("UINT"), 0xDEADBEEF);
  d.SetULong(fourcc("ULNG"), 0x0123456789ABCDEFull);
  d.SetBool(fourcc("BOOL"), true);
  d.SetString(fourcc("STR "), "caf\xC3\xA9");
  d.SetStringArray(fourcc("ARR "), {"a", "", "c:\\textures"});
  const std::uint8_t raw[] = {0, 1, 2, 255};
  d.SetBinary(fourcc("BIN "), raw, sizeof raw);
  d.SetPtr(fourcc("IOSC"), &anchor);
  CCustomData inner;
  inner.SetUInt(fourcc("DEEP"), 7);
  d.SetCustomData(fourcc("NEST"), inner);
  return d;
}

TEST(CustomData, TypedValuesAndDefaults) {
  const CCustomData d = sampleRecord();
  EXPECT_EQ(d.GetUInt(fourcc("UINT")), 0xDEADBEEFu);
  EXPECT_EQ(d.GetUInt(fourcc("NONE"), 5), 5u);
  // A value of another type answers the default, not a reinterpretation.
  EXPECT_EQ(d.GetUInt(fourcc("BOOL"), 9), 9u);
  EXPECT_EQ(d.GetType(fourcc("ARR ")), CCustomData::typeStringArray);
  std::vector<std::string> arr;
  ASSERT_TRUE(d.GetStringArray(fourcc("ARR "), arr));
  EXPECT_EQ(arr.size(), 3u);
  ASSERT_NE(d.GetCustomData(fourcc("NEST")), nullptr);
  EXPECT_EQ(d.GetCustomData(fourcc("NEST"))->GetUInt(fourcc("DEEP")), 7u);
  EXPECT_EQ(d.GetKeys().front(), fourcc("UINT"));  // insertion order
}

TEST(CustomData, ReplacingKeepsPositionAndChangesType) {
  CCustomData d;
  d.SetUInt(1, 1);
  d.SetUInt(2, 2);
  d.SetString(1, "now a string");
  EXPECT_EQ(d.GetKeys(), (std::vector<std::uint32_t>{1, 2}));
  EXPECT_EQ(d.GetType(1), CCustomData::typeString);
  CCustomData* nested = d.GetCustomData(2, true);  // replaces the uint
  ASSERT_NE(nested, nullptr);
  nested->SetBool(3, true);
  EXPECT_TRUE(d.GetCustomData(2)->GetBool(3));
  // Setting a record from one of its own nested records must not alias.
  d.SetCustomData(4, *d.GetCustomData(2));
  d.SetCustomData(2, *d.GetCustomData(4));
  EXPECT_TRUE(d.GetCustomData(2)->GetBool(3));
}

TEST(CustomData, ArchiveRoundTripKeepsEveryValue) {
  CCustomData d = sampleRecord();
  std::vector<std::uint8_t> bytes;
  {
    CArchive ar(bytes, CArchive::store);
    d.Serialize(ar);
  }
  CCustomData back;
  back.SetUInt(99, 1);  // replaced by the load
  CArchive ar(bytes, CArchive::load);
  back.Serialize(ar);
  EXPECT_EQ(back, d);
  EXPECT_EQ(ar.Remaining(), 0u);

  CCustomData raw;
  ASSERT_TRUE(raw.SetData(bytes.data(), bytes.size()));
  EXPECT_EQ(raw, d);
  EXPECT_EQ(raw.GetData(), bytes);
}

TEST(CustomData, GoldenBytesOfASmallRecord) {
  CCustomData d;
  d.SetUInt(fourcc("WIDT"), 720);
  d.SetBool(fourcc("SMOO"), true);
  const std::vector<std::uint8_t> expected = {
      0x02, 0x00,                                          // two entries
      'T',  'D',  'I', 'W', 0x01, 0xD0, 0x02, 0x00, 0x00,  // 'WIDT' uint 720
      'O',  'O',  'M', 'S', 0x03, 0x01,                    // 'SMOO' bool true
  };
  EXPECT_EQ(d.GetData(), expected);
}

TEST(CustomData, MalformedBytesLeaveTheRecordUnchanged) {
  const CCustomData original = sampleRecord();
  const auto bytes = original.GetData();
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    CCustomData d = original;
    d.SetUInt(fourcc("MINE"), 1);
    const CCustomData before = d;
    EXPECT_FALSE(d.SetData(bytes.data(), n)) << n;
    EXPECT_EQ(d, before);
  }
  std::vector<std::uint8_t> badType = {0x01, 0x00, 'A', 'B', 'C', 'D', 0x42};
  CCustomData d;
  EXPECT_FALSE(d.SetData(badType.data(), badType.size()));
}

class CustomDataPrefs : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::path(VEX3D_TEST_BINARY_DIR) / "custom_data_prefs" /
          ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(dir);
    file = (dir / "3dprefs.prefs").string();
  }
  std::filesystem::path dir;
  std::string file;
};

TEST_F(CustomDataPrefs, SectionsAndEntriesLiveSideBySide) {
  const CCustomData a = sampleRecord();
  CCustomData b;
  b.SetString(fourcc("MAYP"), "/opt/exchange/");
  ASSERT_TRUE(a.SaveToPrefs(file, fourcc("3DVW"), fourcc("PREF")));
  ASSERT_TRUE(b.SaveToPrefs(file, fourcc("3DVW"), fourcc("OTHR")));
  ASSERT_TRUE(b.SaveToPrefs(file, fourcc("3DIO"), fourcc("PREF")));

  CCustomData loaded;
  ASSERT_TRUE(loaded.LoadFromPrefs(file, fourcc("3DVW"), fourcc("PREF")));
  EXPECT_EQ(loaded, a);
  ASSERT_TRUE(loaded.LoadFromPrefs(file, fourcc("3DIO"), fourcc("PREF")));
  EXPECT_EQ(loaded, b);
  EXPECT_FALSE(loaded.LoadFromPrefs(file, fourcc("NONE"), fourcc("PREF")));
  EXPECT_TRUE(loaded.IsEmpty());
}

TEST_F(CustomDataPrefs, DamagedFilesReadAsEmptyAndAreRepairedOnSave) {
  const CCustomData a = sampleRecord();
  ASSERT_TRUE(a.SaveToPrefs(file, 1, 2));
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(vex3d::readWholeFile(file, bytes));

  // Truncated.
  ASSERT_TRUE(vex3d::writeSettingsFile(file, bytes.data(), bytes.size() / 2));
  CCustomData loaded = a;
  EXPECT_FALSE(loaded.LoadFromPrefs(file, 1, 2));
  EXPECT_TRUE(loaded.IsEmpty());
  // Garbage.
  const std::string junk = "not a preferences file at all";
  ASSERT_TRUE(vex3d::writeSettingsFile(file, junk.data(), junk.size()));
  EXPECT_FALSE(loaded.LoadFromPrefs(file, 1, 2));
  // Missing.
  EXPECT_FALSE(loaded.LoadFromPrefs(file + ".missing", 1, 2));
  // Saving over the garbage gives a readable file again.
  ASSERT_TRUE(a.SaveToPrefs(file, 1, 2));
  EXPECT_TRUE(loaded.LoadFromPrefs(file, 1, 2));
  EXPECT_EQ(loaded, a);
}

}  // namespace
