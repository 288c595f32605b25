#include "material/material.h"

#include <gtest/gtest.h>

#include "hostlib/core/archive.h"
#include "hostlib/text/strings.h"
#include "material/archive_bytes.h"
#include "material/materials.h"
#include "mesh/model/base_object.h"

namespace {

using vex3d_test::Bytes;

std::vector<std::uint8_t> store(C3DMaterial& m) {
  std::vector<std::uint8_t> out;
  CArchive ar(out, CArchive::store);
  m.Serialize(ar);
  return out;
}

std::vector<std::uint8_t> store(CMaterials& set) {
  std::vector<std::uint8_t> out;
  CArchive ar(out, CArchive::store);
  set.Serialize(ar);
  return out;
}

class MaterialTest : public ::testing::Test {
 protected:
  void SetUp() override { vex3d::setStringLanguage(vex3d::Language::English); }
};

TEST_F(MaterialTest, FactorsClampFromAboveOnlyAndSmoothAngleIsRangeChecked) {
  C3DMaterial m;
  m.SetDiffuseFactor(1.5f);
  EXPECT_EQ(m.GetDiffuseFactor(), 1.0f);
  m.SetDiffuseFactor(-0.5f);
  EXPECT_EQ(m.GetDiffuseFactor(), -0.5f);
  m.SetTransparencyFactor(7.0f);
  EXPECT_EQ(m.GetTransparencyFactor(), 1.0f);

  m.SetSmoothAngle(3.2f);
  EXPECT_EQ(m.GetOwnSmoothAngle(), -1.0f);
  m.SetSmoothAngle(0.0f);
  EXPECT_EQ(m.GetSmoothAngle(), 0.0f);
  m.SetSmoothAngle(-0.1f);
  EXPECT_EQ(m.GetSmoothAngle(), 0.0f);
  m.SetSmoothAngle(3.1415927f);
  EXPECT_EQ(m.GetSmoothAngle(), 3.1415927f);
}

TEST_F(MaterialTest, FloatColoursApplyTheFactorToRgbButNotToAlpha) {
  C3DMaterial m;
  m.SetDiffuseColor(CRGBColor(255, 0, 51, 102));
  m.SetDiffuseFactor(0.5f);
  float out[4];
  m.FloatGetDiffuseColor(out);
  EXPECT_FLOAT_EQ(out[0], 0.5f);
  EXPECT_FLOAT_EQ(out[2], 0.1f);
  EXPECT_FLOAT_EQ(out[3], 0.4f);
  m.SetSpecularColor(CRGBColor(255, 255, 255, 255));
  m.SetSpecularFactor(0.25f);
  m.FloatGetSpecularColor(out);
  EXPECT_FLOAT_EQ(out[0], 1.0f);
}

TEST_F(MaterialTest, OneMapPerSlotAndNoSlotForOtherTypes) {
  C3DMaterial m;
  CMaterialMap* first = m.AddMaterialMap("a.png", 3, MAP_DIFFUSE, PROJECTION_EXPLICIT);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(m.AddMaterialMap("b.png", 9, MAP_DIFFUSE, PROJECTION_PLANAR), first);
  EXPECT_EQ(first->GetFileName(), "a.png");
  EXPECT_EQ(first->GetChannelID(), 3u);
  EXPECT_EQ(m.GetDiffuseMaps(), first);
  EXPECT_EQ(m.GetAmbientMaps(), nullptr);
  EXPECT_EQ(m.AddMaterialMap("c.png", 0, MapType(7), PROJECTION_NONE), nullptr);
  EXPECT_EQ(m.AddMaterialMap("c.png", 0, MAP_TYPE_NONE, PROJECTION_NONE), nullptr);
  CMaterialMap* t = m.AddMaterialMap("", 0, MAP_TRANSPARENCY, PROJECTION_NONE);
  EXPECT_EQ(m.GetMaterialMap(MAP_TRANSPARENCY), t);
  EXPECT_EQ(t->GetFileName(), "Unnamed material");
}

TEST_F(MaterialTest, ComparisonNamesAndMaps) {
  C3DMaterial a;
  C3DMaterial b;
  a.SetName("wood");
  b.SetName("Wood");
  EXPECT_TRUE(a.HasSameParameters(b));
  EXPECT_FALSE(a == b);
  b.SetName("wood");
  b.SetFlags(0xFF00, 1);
  EXPECT_TRUE(a == b);
  a.AddMaterialMap("x.png", 0, MAP_SPECULAR, PROJECTION_NONE);
  EXPECT_FALSE(a.HasSameParameters(b));
  b.AddMaterialMap("x.png", 0, MAP_SPECULAR, PROJECTION_NONE);
  EXPECT_TRUE(a.HasSameParameters(b));
  b.GetSpecularMaps()->SetAxis(MAP_AXIS_2);
  EXPECT_FALSE(a.HasSameParameters(b));
  a.GetSpecularMaps()->SetAxis(MAP_AXIS_2);
  b.SetVertexColor(4, 1.0f);
  EXPECT_FALSE(a.HasSameParameters(b));
}

TEST_F(MaterialTest, AssignmentCopiesParametersAndMapsButKeepsFlagsIdAndUnmatchedMaps) {
  C3DMaterial source;
  source.SetName("metal");
  source.SetFlags(0x400, 1);
  source.SetAmbientFactor(0.25f);
  source.AddMaterialMap("shine.png", 1, MAP_SPECULAR, PROJECTION_NONE);
  C3DMaterial target;
  CMaterialMap* diffuse = target.AddMaterialMap("keep.png", 0, MAP_DIFFUSE, PROJECTION_NONE);
  const std::uint32_t id = target.GetMaterialID();
  target = source;
  EXPECT_EQ(target.GetName(), "metal");
  EXPECT_EQ(target.GetAmbientFactor(), 0.25f);
  EXPECT_EQ(target.GetFlags(), 0u);
  EXPECT_EQ(target.GetMaterialID(), id);
  EXPECT_EQ(target.GetDiffuseMaps(), diffuse);
  ASSERT_NE(target.GetSpecularMaps(), nullptr);
  EXPECT_NE(target.GetSpecularMaps(), source.GetSpecularMaps());
  EXPECT_EQ(*target.GetSpecularMaps(), *source.GetSpecularMaps());
}

TEST_F(MaterialTest, RecordGoldenBytes) {
  C3DMaterial m;
  m.SetFlags(0x100, 1);
  m.SetName("Ab");
  m.SetMaterialID(7);
  m.SetDiffuseFactor(0.5f);
  m.SetSmoothAngle(1.0f);
  m.SetVertexColor(2, 0.75f);
  CMaterialMap* map = m.AddMaterialMap("t.png", 5, MAP_DIFFUSE, PROJECTION_PLANAR);
  Bytes mapBytes;
  mapBytes.str("t.png").u32(1).u32(2).u32(0).identity();
  mapBytes.u32(0).f32(1.0f).f32(1.0f).f32(1.0f).u32(0).u32(5);
  (void)map;
  Bytes expected;
  expected.u32(0x100).str("Ab");
  expected.f32(1.0f).rgba(30, 30, 30, 255).u32(0);
  expected.f32(0.5f).rgba(192, 192, 192, 255).u32(1).append(mapBytes.data());
  expected.f32(1.0f).rgba(192, 192, 192, 255).u32(0);
  expected.f32(0.0f).u32(0);
  expected.f32(0.75f).u32(2).f32(1.0f).u32(7);
  EXPECT_EQ(store(m), expected.data());
}

TEST_F(MaterialTest, RecordRoundTripIsByteExactAndRaisesTheCounter) {
  C3DMaterial m;
  m.SetName("crème");
  m.SetAmbientColor(CRGBColor(1, 2, 3, 4));
  m.AddMaterialMap("a.png", 1, MAP_AMBIENT, PROJECTION_BOX)->SetAlphaFileName("alpha.png");
  m.AddMaterialMap("t.png", 2, MAP_TRANSPARENCY, PROJECTION_NONE)->SetFlag(0x10, 1);
  const std::uint32_t counter = vex3d::nextMaterialId();
  m.SetMaterialID(counter + 500);
  const std::vector<std::uint8_t> bytes = store(m);

  C3DMaterial back;
  CArchive in(bytes, CArchive::load);
  back.Serialize(in);
  EXPECT_EQ(in.Remaining(), 0u);
  EXPECT_EQ(back.GetMaterialID(), counter + 500);
  EXPECT_EQ(vex3d::nextMaterialId(), counter + 501);
  EXPECT_EQ(back.GetName(), "crème");
  ASSERT_NE(back.GetAmbientMaps(), nullptr);
  // Alpha name and map flags are not stored.
  EXPECT_TRUE(back.GetAmbientMaps()->GetAlphaFileName().empty());
  EXPECT_EQ(back.GetTransparencyMaps()->GetFlags(), 0u);
  EXPECT_EQ(store(back), bytes);

  m.SetMaterialID(3);
  const std::vector<std::uint8_t> low = store(m);
  CArchive lowIn(low, CArchive::load);
  back.Serialize(lowIn);
  EXPECT_EQ(vex3d::nextMaterialId(), counter + 501);
}

TEST_F(MaterialTest, TruncatedRecordThrowsAndLeavesTheMaterialUnchanged) {
  C3DMaterial m;
  m.SetName("x");
  m.AddMaterialMap("d.png", 1, MAP_DIFFUSE, PROJECTION_NONE);
  m.AddMaterialMap("s.png", 1, MAP_SPECULAR, PROJECTION_NONE);
  const std::vector<std::uint8_t> bytes = store(m);
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
    C3DMaterial target;
    target.SetName("keep");
    CArchive in(cut, CArchive::load);
    EXPECT_THROW(target.Serialize(in), CArchiveException) << n;
    EXPECT_EQ(target.GetName(), "keep");
    EXPECT_EQ(target.GetDiffuseMaps(), nullptr);
  }
}

TEST_F(MaterialTest, DefaultMaterialIsMadeOnRequestOnlyForIdZero) {
  CMaterials set;
  EXPECT_EQ(set.GetMaterial(5), nullptr);
  EXPECT_EQ(set.GetMaterialNbr(), 0);
  C3DMaterial* def = set.GetMaterial(0);
  ASSERT_NE(def, nullptr);
  EXPECT_EQ(def->GetName(), "Default material");
  EXPECT_EQ(def->GetMaterialID(), 0u);
  EXPECT_EQ(def->GetDiffuseColor(), CRGBColor(192, 192, 192, 255));
  EXPECT_EQ(set.GetMaterialNbr(), 1);
  EXPECT_EQ(set.GetMaterial(0), def);

  C3DMaterial red;
  red.SetName("red");
  red.SetDiffuseColor(CRGBColor(255, 0, 0, 255));
  set.SetDefaultMaterial(red);
  EXPECT_EQ(set.GetMaterial(0), def);
  EXPECT_EQ(def->GetName(), "Default material");
  EXPECT_EQ(def->GetDiffuseColor(), CRGBColor(255, 0, 0, 255));
}

TEST_F(MaterialTest, CreateNewMaterialIdsAndNames) {
  // The counter starts at 0 in a fresh process: keep the fresh id clear of
  // the ids this test chooses, whichever tests ran before.
  vex3d::raiseMaterialIdCounter(999);
  CMaterials set;
  C3DMaterial* fresh = set.CreateNewMaterial(0xFFFFFFFFu);
  EXPECT_TRUE(fresh->GetName().empty());
  EXPECT_EQ(set.GetMaterial(fresh->GetMaterialID()), fresh);
  C3DMaterial* def = set.CreateNewMaterial(0);
  EXPECT_EQ(def->GetName(), "Default material");
  C3DMaterial* twelve = set.CreateNewMaterial(12);
  EXPECT_EQ(twelve->GetMaterialID(), 12u);
  C3DMaterial* replaced = set.CreateNewMaterial(12);
  EXPECT_EQ(set.GetMaterial(12), replaced);
  EXPECT_EQ(set.GetMaterialNbr(), 3);
  set.RemoveMaterial(12);
  set.RemoveMaterial(99);
  EXPECT_EQ(set.GetMaterial(12), nullptr);
  set.RemoveAll();
  EXPECT_EQ(set.GetMaterialNbr(), 0);
  EXPECT_EQ(set.GetMap().GetSize(), 101u);
}

TEST_F(MaterialTest, IsMaterialExistByNameAndByParameters) {
  CMaterials set;
  C3DMaterial* a = set.CreateNewMaterial(4);
  a->SetName("stone");
  C3DMaterial probe;
  probe.SetName("stone");
  std::uint32_t id = 0xFFFFFFFFu;
  EXPECT_TRUE(set.IsMaterialExist(probe, id));
  EXPECT_EQ(id, 4u);
  EXPECT_EQ(set.IsMaterialExist("stone"), 4u);
  EXPECT_EQ(set.IsMaterialExist("Stone"), 0xFFFFFFFFu);
  probe.SetName("other");
  id = 77;
  EXPECT_FALSE(set.IsMaterialExist(probe, id));
  EXPECT_EQ(id, 77u);
  probe.SetName("stone");
  probe.SetSpecularFactor(0.5f);
  EXPECT_FALSE(set.IsMaterialExist(probe, id));
}

TEST_F(MaterialTest, CopyMaterialsFlags) {
  CMaterials source;
  source.CreateNewMaterial(1)->SetName("one");
  source.CreateNewMaterial(2)->SetName("two");
  CMaterials target;
  C3DMaterial* present = target.CreateNewMaterial(1);
  target.CreateNewMaterial(9);

  target.CopyMaterials(source, COPY_MATERIALS_FILTER, nullptr);
  EXPECT_EQ(target.GetMaterialNbr(), 2);
  target.CopyMaterials(source, COPY_MATERIALS_FILTER | COPY_MATERIALS_CLEAR, nullptr);
  EXPECT_EQ(target.GetMaterialNbr(), 0);

  present = target.CreateNewMaterial(1);
  target.CopyMaterials(source, COPY_MATERIALS_ASSIGN, nullptr);
  EXPECT_EQ(target.GetMaterial(1), present);
  EXPECT_EQ(present->GetName(), "one");
  EXPECT_EQ(target.GetMaterial(2)->GetName(), "two");
  EXPECT_NE(target.GetMaterial(2), source.GetMaterial(2));

  target.CopyMaterials(source, 0, nullptr);
  EXPECT_NE(target.GetMaterial(1), present);
  EXPECT_EQ(target.GetMaterial(1)->GetMaterialID(), 1u);

  CMaterials filtered;
  CHashTable<std::uint32_t> filter;
  filter.Insert(2);
  filtered.CopyMaterials(source, COPY_MATERIALS_FILTER, &filter);
  EXPECT_EQ(filtered.GetMaterialNbr(), 1);
  EXPECT_EQ(filtered.GetMaterial(2)->GetName(), "two");
}

TEST_F(MaterialTest, SetArchiveFrameAndRoundTrip) {
  CMaterials set;
  set.CreateNewMaterial(3)->SetName("a");
  set.CreateNewMaterial(40)->AddMaterialMap("m.png", 1, MAP_DIFFUSE, PROJECTION_NONE);
  const std::vector<std::uint8_t> bytes = store(set);
  // Count, then the first material as a new class record.
  Bytes head;
  head.u16(2).u16(0xFFFF).u16(1).u16(11);
  for (char c : std::string("C3DMaterial")) head.u8(static_cast<std::uint8_t>(c));
  ASSERT_GT(bytes.size(), head.data().size());
  EXPECT_TRUE(std::equal(head.data().begin(), head.data().end(), bytes.begin()));

  CMaterials back;
  back.CreateNewMaterial(99);
  CArchive in(bytes, CArchive::load);
  back.Serialize(in);
  EXPECT_EQ(in.Remaining(), 0u);
  EXPECT_EQ(back.GetMaterialNbr(), 2);
  EXPECT_EQ(back.GetMaterial(99), nullptr);
  EXPECT_EQ(back.GetMaterial(3)->GetName(), "a");
  EXPECT_NE(back.GetMaterial(40)->GetDiffuseMaps(), nullptr);
  EXPECT_EQ(store(back), bytes);
}

TEST_F(MaterialTest, SetArchiveLaterDuplicateIdReplacesEarlier) {
  C3DMaterial first;
  first.SetName("first");
  first.SetMaterialID(6);
  C3DMaterial second;
  second.SetName("second");
  second.SetMaterialID(6);
  std::vector<std::uint8_t> bytes;
  {
    CArchive ar(bytes, CArchive::store);
    ar.WriteCount(2);
    ar << static_cast<const CObject*>(&first) << static_cast<const CObject*>(&second);
  }
  CMaterials set;
  CArchive in(bytes, CArchive::load);
  set.Serialize(in);
  EXPECT_EQ(set.GetMaterialNbr(), 1);
  EXPECT_EQ(set.GetMaterial(6)->GetName(), "second");
}

TEST_F(MaterialTest, HostileSetArchives) {
  CMaterials set;
  set.CreateNewMaterial(1)->AddMaterialMap("d.png", 0, MAP_DIFFUSE, PROJECTION_NONE);
  set.CreateNewMaterial(2)->SetName("two");
  const std::vector<std::uint8_t> bytes = store(set);
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
    CMaterials target;
    target.CreateNewMaterial(50);
    CArchive in(cut, CArchive::load);
    EXPECT_THROW(target.Serialize(in), CArchiveException) << n;
    EXPECT_EQ(target.GetMaterialNbr(), 1);
    EXPECT_NE(target.GetMaterial(50), nullptr);
  }
  // A huge count is refused before anything is read.
  Bytes huge;
  huge.u16(0xFFFF).u32(0x7FFFFFFF);
  CMaterials target;
  CArchive in(huge.data(), CArchive::load);
  EXPECT_THROW(target.Serialize(in), CArchiveException);
  // A null object where a material belongs.
  Bytes nullRef;
  nullRef.u16(1).u16(0);
  for (int i = 0; i < 70; ++i) nullRef.u8(0);
  CArchive nullIn(nullRef.data(), CArchive::load);
  EXPECT_THROW(target.Serialize(nullIn), CArchiveException);
  // Another class where a material belongs.
  CMaterials nested;
  std::vector<std::uint8_t> wrong;
  {
    CArchive ar(wrong, CArchive::store);
    ar.WriteCount(1);
    ar << static_cast<const CObject*>(&nested);
    for (int i = 0; i < 80; ++i) ar << std::uint8_t{0};
  }
  CArchive wrongIn(wrong, CArchive::load);
  EXPECT_THROW(target.Serialize(wrongIn), CArchiveException);
}

}  // namespace
