#include <gtest/gtest.h>

#include <ctime>
#include <memory>
#include <vector>

#include "hostlib/containers/int_map.h"
#include "hostlib/core/archive.h"
#include "mesh/model/face_lists.h"

namespace {

std::vector<int> indicesOf(const CFace* f) {
  return std::vector<int>(f->GetIndices(), f->GetIndices() + f->GetSize());
}

std::vector<std::vector<int>> allIndices(const CFaceList& list) {
  std::vector<std::vector<int>> out;
  for (int i = 0; i < list.GetSize(); ++i) out.push_back(indicesOf(list[i]));
  return out;
}

std::vector<std::uint8_t> store(CFaceList& list) {
  std::vector<std::uint8_t> bytes;
  CArchive ar(bytes, CArchive::store);
  list.Serialize(ar);
  return bytes;
}

void load(CFaceList& list, const std::vector<std::uint8_t>& bytes) {
  CArchive ar(bytes, CArchive::load);
  list.Serialize(ar);
}

// A triangle (0, 1, 2) of material 7 and a quadrangle (2, 1, 3, 4) of
// material 9 with flag 0x100.
void fillSample(C3DFaceList& list) {
  list.SetSize(2, 3);
  list[0]->SetTriangle(0, 1, 2);
  list[0]->SetMaterialID(7);
  list[1]->SetQuadrangle(2, 1, 3, 4);
  list[1]->SetMaterialID(9);
  list[1]->SetFlags(0x100, 1);
}

const std::vector<std::uint8_t> kSampleBytes = {
    2,  0,                                                         // face count
    0,  0, 0, 0, 7,  0, 0, 0,                                      // face 0: flags, material
    0,  1, 0, 0, 9,  0, 0, 0,                                      // face 1
    2,  0, 0, 0,                                                   // records
    36, 0, 0, 0, 36, 0, 0, 0,                                      // used bytes, buffer bytes
    3,  0, 3, 0, 0,  0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0,              // record 0
    4,  0, 4, 0, 2,  0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0,  // record 1
    2,  0,                                                         // offset count
    0,  0, 0, 0, 16, 0, 0, 0,                                      // offsets
};

bool recordsMatchFaces(const CFaceList& list) {
  return list.GetIndexStore().GetRecordNbr() == static_cast<std::uint32_t>(list.GetSize());
}

}  // namespace

TEST(FaceList, GoldenBytesAndByteExactSecondStore) {
  C3DFaceList list;
  fillSample(list);
  EXPECT_EQ(store(list), kSampleBytes);
  C3DFaceList back;
  load(back, kSampleBytes);
  ASSERT_EQ(back.GetSize(), 2);
  EXPECT_EQ(allIndices(back), (std::vector<std::vector<int>>{{0, 1, 2}, {2, 1, 3, 4}}));
  EXPECT_EQ(back[1]->GetMaterialID(), 9u);
  EXPECT_EQ(back[1]->GetFlags(), 0x100u);
  EXPECT_TRUE(back.IsFlagSet(FACELIST_CHANGED));
  EXPECT_EQ(store(back), kSampleBytes);
}

TEST(FaceList, GrowingOneRecordLeavesTheOthersAndStoresTight) {
  C3DFaceList list;
  list.SetSize(3, 3);
  list[0]->SetTriangle(0, 1, 2);
  list[1]->SetTriangle(3, 4, 5);
  list[2]->SetTriangle(6, 7, 8);
  C3DFace* middle = list[1];
  for (int k = 0; k < 40; ++k) middle->AddIndex(100 + k);
  EXPECT_EQ(indicesOf(list[0]), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(indicesOf(list[2]), (std::vector<int>{6, 7, 8}));
  EXPECT_EQ(list[1]->GetSize(), 43u);
  EXPECT_EQ(list[1]->GetPointIndex(42), 139);
  const auto before = allIndices(list);

  C3DFaceList back;
  load(back, store(list));
  EXPECT_EQ(allIndices(back), before);
  const vex3d::IndexStore& records = back.GetIndexStore();
  for (std::uint32_t r = 0; r < records.GetRecordNbr(); ++r) {
    EXPECT_EQ(records.GetRecordCapacity(r), records.GetRecordSize(r));
  }
  EXPECT_EQ(records.GetUsedBytes(), 3u * 16u + 40u * 4u);
}

TEST(FaceList, SetSizeKeepsRecordsAndMarksChangedOnlyOnACountChange) {
  C3DFaceList list;
  list.SetSize(2, 3);
  list[0]->SetTriangle(1, 2, 3);
  list.SetFlag(FACELIST_CHANGED, 0);
  list.SetSize(2, 3);
  EXPECT_FALSE(list.IsFlagSet(FACELIST_CHANGED));
  list.SetSize(5, 6);
  EXPECT_TRUE(list.IsFlagSet(FACELIST_CHANGED));
  EXPECT_EQ(indicesOf(list[0]), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(list.GetIndexStore().GetRecordCapacity(4), 6u);
  EXPECT_EQ(list[4]->GetSize(), 0u);
  list.SetSize(1);
  EXPECT_EQ(list.GetSize(), 1);
  EXPECT_TRUE(recordsMatchFaces(list));
  EXPECT_EQ(list[1], nullptr);
  EXPECT_EQ(list[-1], nullptr);

  const int capacities[] = {3, 8, 0};
  list.SetSize(3, capacities);
  EXPECT_EQ(list[0]->GetSize(), 0u) << "the list was emptied first";
  EXPECT_EQ(list.GetIndexStore().GetRecordCapacity(1), 8u);
  EXPECT_EQ(list.GetIndexStore().GetRecordCapacity(2), 0u);
}

TEST(FaceList, ChannelTakesTheShapeOfTheMesh) {
  C3DFaceList mesh;
  fillSample(mesh);
  CUVWFaceList uvw;
  uvw.SetSize(mesh);
  ASSERT_EQ(uvw.GetSize(), 2);
  EXPECT_EQ(indicesOf(uvw[0]), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(uvw[1]->GetSize(), 4u);

  CVCFaceList colours;
  colours.SetSize(1, 3);
  colours[0]->SetTriangle(5, 5, 5);
  colours.SetSizeAndFlags(mesh, 0x200);
  EXPECT_EQ(colours[0]->GetFlags(), 0u) << "kept face";
  EXPECT_EQ(indicesOf(colours[0]), (std::vector<int>{5, 5, 5}));
  EXPECT_EQ(colours[1]->GetFlags(), 0x200u) << "added face";
  EXPECT_EQ(colours[1]->GetSize(), 4u);

  C3DFaceList more;
  fillSample(more);
  more.SetSizeAndFlags(4, 0x10);
  EXPECT_EQ(more[1]->GetFlags(), 0x100u);
  EXPECT_EQ(more[3]->GetFlags(), 0x10u);
  EXPECT_EQ(more.GetIndexStore().GetRecordCapacity(3), 4u);
}

TEST(FaceList, AddCopiesTheFaceAndItsIndicesEvenFromItself) {
  C3DFaceList list;
  C3DSingleFace single;
  single.SetQuadrangle(1, 2, 3, 4);
  single.SetMaterialID(3);
  EXPECT_EQ(list.Add(&single), 0);
  single.SetTriangle(9, 9, 9);
  EXPECT_EQ(indicesOf(list[0]), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(list[0]->GetMaterialID(), 3u);
  // Adding an element of the list to itself many times: both the face array
  // and the index buffer move underneath.
  for (int k = 0; k < 200; ++k) list.Add(list[0]);
  EXPECT_EQ(list.GetSize(), 201);
  EXPECT_EQ(indicesOf(list[200]), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(list[200]->GetMaterialID(), 3u);
  EXPECT_TRUE(recordsMatchFaces(list));
}

TEST(FaceList, SetAtCopiesIndicesFlagsAndRecordButNotTheMaterial) {
  C3DFaceList list;
  fillSample(list);
  list.SetAt(0, list[1]);
  EXPECT_EQ(indicesOf(list[0]), (std::vector<int>{2, 1, 3, 4}));
  EXPECT_EQ(list[0]->GetFlags(), 0x100u);
  EXPECT_EQ(list[0]->GetMaterialID(), 7u);
  EXPECT_EQ(indicesOf(list[1]), (std::vector<int>{2, 1, 3, 4}));
  EXPECT_THROW(list.SetAt(2, list[0]), CInvalidArgException);
}

TEST(FaceList, WalkAndRemove) {
  C3DFaceList list;
  fillSample(list);
  list.SetSizeAndFlags(3, 0);
  list[2]->SetTriangle(7, 8, 9);
  int visited = 0;
  for (CFace* f = list.GetFirst(); f != nullptr; f = list.GetNext(f)) ++visited;
  EXPECT_EQ(visited, 3);
  list.RemoveAt(1);
  EXPECT_EQ(allIndices(list), (std::vector<std::vector<int>>{{0, 1, 2}, {7, 8, 9}}));
  list.RemoveAll();
  EXPECT_EQ(list.GetFirst(), nullptr);
  EXPECT_EQ(list.GetIndexStore().GetRecordNbr(), 0u);
}

TEST(FaceList, AssignmentAcrossKindsCopiesFacesAndRecords) {
  C3DFaceList mesh;
  fillSample(mesh);
  mesh.SetFlag(FACELIST_CHANGED, 0);
  C3DFaceList copy;
  copy = mesh;
  EXPECT_EQ(allIndices(copy), allIndices(mesh));
  EXPECT_EQ(copy[1]->GetMaterialID(), 9u);
  EXPECT_FALSE(copy.IsFlagSet(FACELIST_CHANGED));
  mesh[0]->SetTriangle(6, 6, 6);
  EXPECT_EQ(indicesOf(copy[0]), (std::vector<int>{0, 1, 2}));

  CNormalFaceList normals;
  static_cast<CFaceList&>(normals) = copy;
  EXPECT_EQ(allIndices(normals), allIndices(copy));
  EXPECT_EQ(normals[1]->GetFlags(), 0x100u);
}

TEST(FaceList, FlagOperations) {
  C3DFaceList list;
  fillSample(list);
  EXPECT_EQ(list.GetNumberOfFaces(static_cast<_FACE_PROPERTIES>(0x100), 1), 1);
  EXPECT_EQ(list.GetNumberOfFaces(0x101u, 0), 1);
  list.SetFacesFlags(0x40, 1);
  EXPECT_EQ(list.GetNumberOfFaces(static_cast<_FACE_PROPERTIES>(0x40), 1), 2);

  C3DFaceList other;
  fillSample(other);
  const auto src = static_cast<_FACE_PROPERTIES>(0x100);
  const auto dst = static_cast<_FACE_PROPERTIES>(0x40);
  EXPECT_EQ(list.InheritFlags(other, src, dst, 1), 1);
  EXPECT_TRUE(list[0]->IsFlagSet(0x40)) << "kept";
  EXPECT_EQ(list.InheritFlags(other, src, dst, 0), 1);
  EXPECT_FALSE(list[0]->IsFlagSet(0x40));
  EXPECT_TRUE(list[1]->IsFlagSet(0x40));
  other.SetSize(1);
  EXPECT_EQ(list.InheritFlags(other, src, dst, 0), 0);

  CIntMap keep;
  keep.Insert(1, 1);
  list.InvalidateFaces(nullptr, &keep);
  EXPECT_TRUE(list[0]->IsFlagSet(FACE_INVALID));
  EXPECT_FALSE(list[1]->IsFlagSet(FACE_INVALID));
  list.SaveFacesIndex();
  EXPECT_EQ(list[1]->GetCustomData()->GetUInt(0x46414F49, 99), 1u);
}

TEST(FaceList, FlipAndRenumber) {
  C3DFaceList list;
  fillSample(list);
  list.FlipNormals();
  EXPECT_EQ(allIndices(list), (std::vector<std::vector<int>>{{2, 1, 0}, {4, 3, 1, 2}}));
  CIntMap remap;
  remap.Insert(1, 10);
  remap.Insert(4, 1);
  list.UpdateIndex(remap);
  EXPECT_EQ(allIndices(list), (std::vector<std::vector<int>>{{2, 10, 0}, {1, 3, 10, 2}}))
      << "each index mapped once, not chained";
}

TEST(FaceList, FreeExtraCompacts) {
  C3DFaceList list;
  fillSample(list);
  list[0]->SetSize(30);
  list[0]->SetSize(3);
  list.FreeExtra();
  EXPECT_EQ(list.GetIndexStore().GetUsedBytes(), 36u);
  EXPECT_EQ(list.GetIndexStore().GetBufferBytes(), 36u);
  EXPECT_EQ(indicesOf(list[0]), (std::vector<int>{0, 1, 2}));
}

TEST(FaceList, EveryTruncationIsRefusedAndLeavesTheListEmpty) {
  for (std::size_t n = 0; n < kSampleBytes.size(); ++n) {
    const std::vector<std::uint8_t> cut(kSampleBytes.begin(), kSampleBytes.begin() + n);
    C3DFaceList list;
    fillSample(list);
    EXPECT_THROW(load(list, cut), CArchiveException) << n;
    EXPECT_EQ(list.GetSize(), 0) << n;
    EXPECT_TRUE(recordsMatchFaces(list)) << n;
  }
}

TEST(FaceList, CorruptStoresAreRefused) {
  auto corrupt = [](std::size_t at, std::uint8_t value) {
    std::vector<std::uint8_t> bytes = kSampleBytes;
    bytes[at] = value;
    C3DFaceList list;
    EXPECT_THROW(load(list, bytes), CArchiveException) << at;
    EXPECT_TRUE(recordsMatchFaces(list));
    EXPECT_EQ(list.GetSize(), 0);
  };
  corrupt(18, 1);  // one record for two faces
  corrupt(18, 3);  // three records for two faces
  // The index store's own checks, tried one by one in its tests.
  corrupt(30, 9);   // record 0 count beyond its capacity
  corrupt(72, 17);  // misaligned offset

  // A huge face count is refused before anything is allocated.
  const std::vector<std::uint8_t> huge = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 0, 0};
  C3DFaceList list;
  EXPECT_THROW(load(list, huge), CArchiveException);
}

TEST(FaceList, ListsAreCreatedByClassName) {
  CVCFaceList colours;
  colours.SetSize(1, 3);
  colours[0]->SetTriangle(0, 1, 2);
  std::vector<std::uint8_t> bytes;
  {
    CArchive ar(bytes, CArchive::store);
    ar << static_cast<const CObject*>(&colours);
  }
  CArchive in(bytes, CArchive::load);
  std::unique_ptr<CObject> object(in.ReadOwnedObject(RUNTIME_CLASS(CFaceList)));
  auto* back = dynamic_cast<CVCFaceList*>(object.get());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(indicesOf((*back)[0]), (std::vector<int>{0, 1, 2}));
}

TEST(FaceList, LargeTriangleListsStaySmallAndReloadQuickly) {
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
  constexpr int kFaces = 2'000'000;
#else
  constexpr int kFaces = 200'000;  // unoptimised builds: same ratios, less waiting
#endif
  C3DFaceList list;
  list.SetSize(kFaces, 3);
  for (int i = 0; i < kFaces; ++i) list[i]->SetTriangle(i, i + 1, i + 2);
  const vex3d::IndexStore& records = list.GetIndexStore();
  const double bytes = static_cast<double>(list.GetAllocatedSize()) * list.GetElementSize() +
                       records.GetBufferBytes() + 4.0 * records.GetRecordNbr();
  EXPECT_LE(bytes / kFaces, 72.0);
  EXPECT_LE(sizeof(C3DFace), 48u);

  // Processor time, so that other processes sharing the machine do not count.
  const std::clock_t start = std::clock();
  const std::vector<std::uint8_t> bytesOut = store(list);
  C3DFaceList back;
  load(back, bytesOut);
  const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  ASSERT_EQ(back.GetSize(), kFaces);
  EXPECT_EQ(indicesOf(back[kFaces - 1]), (std::vector<int>{kFaces - 1, kFaces, kFaces + 1}));
  RecordProperty("store_reload_seconds", std::to_string(seconds));
#if defined(NDEBUG) && !defined(__SANITIZE_ADDRESS__)
  EXPECT_LT(seconds, 1.0);
#endif
}

TEST(FaceList, AssignFacesStoresAsFacesBuiltOneByOne) {
  C3DFaceList list;
  const std::vector<std::uint32_t> sizes{3, 4};
  const std::vector<int> indices{0, 1, 2, 2, 1, 3, 4};
  list.AssignFaces(sizes, indices);
  ASSERT_EQ(list.GetSize(), 2);
  EXPECT_TRUE(recordsMatchFaces(list));
  EXPECT_TRUE(list.IsFlagSet(FACELIST_CHANGED));
  EXPECT_EQ(allIndices(list), (std::vector<std::vector<int>>{{0, 1, 2}, {2, 1, 3, 4}}));
  EXPECT_EQ(list[0]->GetFlags(), 0u);
  list[0]->SetMaterialID(7);
  list[1]->SetMaterialID(9);
  list[1]->SetFlags(0x100, 1);
  EXPECT_EQ(store(list), kSampleBytes);
  // A face grown afterwards moves out of the tight records as usual.
  list[0]->AddIndex(5);
  EXPECT_EQ(indicesOf(list[0]), (std::vector<int>{0, 1, 2, 5}));
  EXPECT_EQ(indicesOf(list[1]), (std::vector<int>{2, 1, 3, 4}));
}

TEST(FaceList, AssignFacesRefusesSizesThatMissTheIndicesAndKeepsTheList) {
  C3DFaceList list;
  fillSample(list);
  const std::vector<std::uint32_t> sizes{3, 3};
  const std::vector<int> indices{0, 1, 2, 3};
  EXPECT_ANY_THROW(list.AssignFaces(sizes, indices));
  EXPECT_EQ(allIndices(list), (std::vector<std::vector<int>>{{0, 1, 2}, {2, 1, 3, 4}}));
  list.AssignFaces({}, {});
  EXPECT_EQ(list.GetSize(), 0);
  EXPECT_EQ(list.GetIndexStore().GetRecordNbr(), 0u);
}
