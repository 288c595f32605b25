#include "material/material_map.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "hostlib/core/archive.h"
#include "hostlib/images/bitmap.h"
#include "hostlib/images/frame_bitmap.h"
#include "hostlib/images/image_io.h"
#include "hostlib/images/layer_bitmap.h"
#include "hostlib/text/strings.h"
#include "material/archive_bytes.h"

namespace {

namespace fs = std::filesystem;
using vex3d_test::Bytes;

std::vector<std::uint8_t> store(CMaterialMap& map) {
  std::vector<std::uint8_t> out;
  CArchive ar(out, CArchive::store);
  map.Serialize(ar);
  return out;
}

void load(CMaterialMap& map, const std::vector<std::uint8_t>& bytes) {
  CArchive in(bytes, CArchive::load);
  map.Serialize(in);
}

// A map in load state `state`, as only a read archive can give it.
std::unique_ptr<CMaterialMap> mapInState(const std::string& name, std::uint32_t state) {
  auto map = CMaterialMap::Create(name, 0xFFFFFFFFu, MAP_DIFFUSE, PROJECTION_NONE);
  std::vector<std::uint8_t> bytes = store(*map);
  const std::size_t statePos = bytes.size() - 8;
  for (int i = 0; i < 4; ++i) bytes[statePos + i] = static_cast<std::uint8_t>(state >> (8 * i));
  auto result = std::make_unique<CMaterialMap>();
  load(*result, bytes);
  return result;
}

struct FakeScene {
  std::string GetFilepath() const { return folder; }
  std::string folder;
};

TEST(MaterialMap, ComparisonIgnoresBitmapAndLoadStateButNotCase) {
  auto a = mapInState("wood.png", 3);
  auto b = CMaterialMap::Create("wood.png", 0xFFFFFFFFu, MAP_DIFFUSE, PROJECTION_NONE);
  EXPECT_TRUE(*a == *b);
  b->SetFileName("Wood.png");
  EXPECT_FALSE(*a == *b);
  b->SetFileName("wood.png");
  b->SetAlphaFileName("a.png");
  EXPECT_FALSE(*a == *b);
  b->SetAlphaFileName("");
  b->SetFlag(0x8, 1);
  EXPECT_FALSE(*a == *b);
  EXPECT_TRUE(b->IsFlagSet(0x8));
  EXPECT_FALSE(b->IsFlagSet(0x18));
  b->SetFlag(0x8, 0);
  b->SetTile(C3DVector(2, 1, 1));
  EXPECT_FALSE(*a == *b);
  b->SetTile(C3DVector(1, 1, 1));
  b->SetTranslation(C3DVector(0.5f, 0, 0));
  EXPECT_FALSE(*a == *b);
}

TEST(MaterialMap, AssignmentCarriesOnlyTheNoColourState) {
  auto noColour = mapInState("a.png", 2);
  noColour->SetFlag(0x4, 1);
  CMaterialMap target;
  target.SetAlphaFileName("mask.png");
  target = *noColour;
  EXPECT_EQ(target.GetLoadState(), 2u);
  EXPECT_TRUE(target == *noColour);
  EXPECT_TRUE(target.GetAlphaFileName().empty());
  auto missing = mapInState("a.png", 3);
  target = *missing;
  EXPECT_EQ(target.GetLoadState(), 0u);
  CMaterialMap copy(*noColour);
  EXPECT_EQ(copy.GetLoadState(), 2u);
}

TEST(MaterialMap, FileNamesRelativeToTheSceneAndStateResetOnRealChangeOnly) {
  auto map = mapInState("/data/scene/maps/wood.png", 3);
  map->SetFileName("/data/scene/maps/wood.png");
  EXPECT_EQ(map->GetLoadState(), 3u);
  map->SetFileName("/data/scene/maps/wood.png", "/data/scene/");
  EXPECT_EQ(map->GetFileName(), "maps/wood.png");
  EXPECT_EQ(map->GetLoadState(), 0u);

  const FakeScene scene{"C:\\work\\"};
  map->SetFileName("C:\\work\\tex\\a.jpg", &scene);
  EXPECT_EQ(map->GetFileName(), "tex\\a.jpg");
  map->SetAlphaFileName("C:\\work\\tex\\m.jpg", &scene);
  EXPECT_EQ(map->GetAlphaFileName(), "tex\\m.jpg");
  map->SetFileName("/elsewhere/b.jpg", static_cast<const FakeScene*>(nullptr));
  EXPECT_EQ(map->GetFileName(), "/elsewhere/b.jpg");
  map->SetAlphaFileName("c.jpg", nullptr);
  std::string name;
  map->GetAlphaFileName(name);
  EXPECT_EQ(name, "c.jpg");
}

TEST(MaterialMap, MatrixAccess) {
  CMaterialMap map;
  map.SetScale(C3DVector(2, 3, 4));
  map.SetScale(C3DVector(2, 1, 1));
  C3DVector v;
  map.GetScale(v);
  EXPECT_FLOAT_EQ(v.x, 4.0f);
  EXPECT_FLOAT_EQ(v.y, 3.0f);
  map.SetTranslation(C3DVector(1, 2, 3));
  map.SetTranslation(C3DVector(5, 6, 7));
  map.GetTranslation(v);
  EXPECT_EQ(v, C3DVector(5, 6, 7));
  EXPECT_FLOAT_EQ(map.GetMatrixValues()[3], 5.0f);
  EXPECT_FLOAT_EQ(map.GetMatrixValues()[0], 4.0f);
  map.InitMatrix();
  map.SetRotation(C3DVector(0.5f, 0.25f, -0.1f));
  map.GetRotation(v);
  EXPECT_NEAR(v.x, 0.5f, 1e-5f);
  EXPECT_NEAR(v.y, 0.25f, 1e-5f);
  EXPECT_NEAR(v.z, -0.1f, 1e-5f);
  C4x4Matrix m;
  map.GetMatrix(m);
  map.InitMatrix();
  EXPECT_FALSE(map.GetMatrix() == m);
  map.SetMatrix(m);
  EXPECT_TRUE(map.GetMatrix() == m);
}

TEST(MaterialMap, ArchiveGoldenBytesAndRoundTrip) {
  auto map = CMaterialMap::Create("w.png", 6, MAP_AMBIENT, PROJECTION_SPHERICAL);
  map->SetAxis(MAP_AXIS_2);
  map->SetAlphaFileName("not stored");
  map->SetFlag(0x10, 1);
  Bytes expected;
  expected.str("w.png").u32(2).u32(4).u32(2).identity();
  expected.u32(0).f32(1).f32(1).f32(1).u32(0).u32(6);
  EXPECT_EQ(store(*map), expected.data());

  map->SetTranslation(C3DVector(1, 2, 3));
  map->SetTile(C3DVector(4, 5, 6));
  const std::vector<std::uint8_t> bytes = store(*map);
  CMaterialMap back;
  load(back, bytes);
  EXPECT_EQ(back.GetType(), MAP_AMBIENT);
  EXPECT_EQ(back.GetAxis(), MAP_AXIS_2);
  EXPECT_EQ(store(back), bytes);
  EXPECT_TRUE(back.GetAlphaFileName().empty());
}

TEST(MaterialMap, TruncatedArchiveThrowsAndLeavesTheMap) {
  auto map = CMaterialMap::Create("w.png", 6, MAP_AMBIENT, PROJECTION_SPHERICAL);
  const std::vector<std::uint8_t> bytes = store(*map);
  for (std::size_t n = 0; n < bytes.size(); ++n) {
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
    CMaterialMap target;
    target.SetFileName("keep");
    CArchive in(cut, CArchive::load);
    EXPECT_THROW(target.Serialize(in), CArchiveException) << n;
    EXPECT_EQ(target.GetFileName(), "keep");
    EXPECT_EQ(target.GetType(), MAP_TYPE_NONE);
  }
}

// Image files for the loading tests, in a scene folder under the build
// folder.
class MaterialMapLoading : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_root = fs::path(VEX3D_TEST_BINARY_DIR) / "material-test-tmp" / info->name();
    fs::remove_all(m_root);
    fs::create_directories(m_root / "scene" / "tex");
    m_scene = (m_root / "scene").string() + "/";
  }
  void TearDown() override { fs::remove_all(m_root); }

  // A binary PNM image: P6 colour or P5 grey, every pixel `value`.
  void writePnm(const std::string& relative, bool colour, int w, int h, unsigned char value) {
    std::ofstream out(m_root / relative, std::ios::binary);
    out << (colour ? "P6" : "P5") << "\n" << w << " " << h << "\n255\n";
    const std::string pixels(static_cast<std::size_t>(w * h * (colour ? 3 : 1)),
                             static_cast<char>(value));
    out << pixels;
  }
  void writeText(const std::string& relative, const std::string& text) {
    std::ofstream(m_root / relative) << text;
  }

  fs::path m_root;
  std::string m_scene;
};

TEST_F(MaterialMapLoading, ColourImageIsFoundLoadedAndTheNameRewritten) {
  writePnm("scene/tex/wood.ppm", true, 4, 2, 200);
  auto map = CMaterialMap::Create("C:\\old\\tex\\wood.ppm", 0, MAP_DIFFUSE, PROJECTION_NONE);
  map->SetFileName("tex\\wood.ppm");
  Bitmap* bitmap = map->GetBitmap(m_scene, CSize());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(map->GetLoadState(), 1u);
  EXPECT_EQ(bitmap->GetType(), vex3d::kBitmapRgb);
  EXPECT_EQ(bitmap->GetWidth(), 4);
  EXPECT_FALSE(map->HasAlpha());
  EXPECT_EQ(map->GetFileName(), "tex/wood.ppm");
  EXPECT_EQ(map->GetBitmap(m_scene, CSize()), bitmap);
}

TEST_F(MaterialMapLoading, AlphaImageIsJoinedAsRgba) {
  writePnm("scene/c.ppm", true, 2, 2, 50);
  writePnm("scene/tex/mask.pgm", false, 2, 2, 77);
  CMaterialMap map;
  map.SetFileName("c.ppm");
  map.SetAlphaFileName("C:\\somewhere\\mask.pgm");
  ASSERT_TRUE(map.LoadBitmapW("c.ppm", "tex/mask.pgm", m_scene, CSize()));
  Bitmap* bitmap = map.GetBitmap(m_scene, CSize());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->GetType(), vex3d::kBitmapRgba);
  EXPECT_TRUE(map.HasAlpha());
  EXPECT_EQ(bitmap->GetBits()[3], 77);
  EXPECT_EQ(bitmap->GetBits()[0], 50);
  EXPECT_EQ(map.GetAlphaFileName(), "tex/mask.pgm");
}

TEST_F(MaterialMapLoading, ImageWithAlphaOfItsOwnKeepsIt) {
  auto rgba = std::make_unique<rgbaBitmap>(2, 2);
  for (std::size_t i = 0; i < rgba->GetByteSize(); ++i) rgba->GetBits()[i] = 128;
  CFrameBitmap frames;
  frames.AddTailFrame(new CLayerBitmap(rgba.release()));
  C2DIo io((m_root / "scene" / "glass.png").string(), 0, nullptr);
  ASSERT_EQ(io.PrepareSaving(frames, 1), 1);
  ASSERT_EQ(io.Save(frames, 0), 1);
  CMaterialMap map;
  map.SetFileName("glass.png");
  Bitmap* bitmap = map.GetBitmap(m_scene, CSize());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->GetType(), vex3d::kBitmapRgba);
  EXPECT_TRUE(map.HasAlpha());
}

TEST_F(MaterialMapLoading, MissingAlphaOnlyLeavesTheMapWithoutAlpha) {
  writePnm("scene/c.ppm", true, 2, 2, 50);
  CMaterialMap map;
  map.SetFileName("c.ppm");
  map.SetAlphaFileName("gone.pgm");
  ASSERT_NE(map.GetBitmap(m_scene, CSize()), nullptr);
  EXPECT_FALSE(map.HasAlpha());
  EXPECT_EQ(map.GetAlphaFileName(), "gone.pgm");
}

TEST_F(MaterialMapLoading, FailuresSetTheStateAndAreNotRetried) {
  writeText("scene/notes.txt", "not an image");
  writeText("scene/broken.png", "not a png either");
  CMaterialMap text;
  text.SetFileName("notes.txt");
  EXPECT_EQ(text.GetBitmap(m_scene, CSize()), nullptr);
  EXPECT_EQ(text.GetLoadState(), 3u);
  EXPECT_EQ(text.GetFileName(), "notes.txt");

  CMaterialMap broken;
  broken.SetFileName("broken.png");
  EXPECT_EQ(broken.GetBitmap(m_scene, CSize()), nullptr);
  EXPECT_EQ(broken.GetLoadState(), 3u);

  CMaterialMap missing;
  missing.SetFileName("C:\\x\\missing.ppm");
  EXPECT_EQ(missing.GetBitmap(m_scene, CSize()), nullptr);
  EXPECT_EQ(missing.GetLoadState(), 3u);
  writePnm("scene/missing.ppm", true, 1, 1, 1);
  EXPECT_EQ(missing.GetBitmap(m_scene, CSize()), nullptr);
  missing.SetFileName("missing.ppm");
  EXPECT_NE(missing.GetBitmap(m_scene, CSize()), nullptr);
}

TEST_F(MaterialMapLoading, StoredStateDecidesWhetherGetBitmapLoads) {
  writePnm("scene/w.ppm", true, 1, 1, 9);
  auto notFound = mapInState("w.ppm", 3);
  EXPECT_EQ(notFound->GetBitmap(m_scene, CSize()), nullptr);
  auto loaded = mapInState("w.ppm", 1);
  EXPECT_EQ(loaded->GetBitmap(m_scene, CSize()), nullptr);
  auto fresh = mapInState("w.ppm", 0);
  EXPECT_NE(fresh->GetBitmap(m_scene, CSize()), nullptr);
  // Assignment drops the bitmap so that the copy loads its own.
  CMaterialMap copy;
  copy = *fresh;
  EXPECT_EQ(copy.GetLoadState(), 0u);
  EXPECT_NE(copy.GetBitmap(m_scene, CSize()), fresh->GetBitmap(m_scene, CSize()));
}

}  // namespace
