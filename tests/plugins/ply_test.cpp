#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "broken_inputs.h"
#include "corner_values.h"
#include "hostlib/io/plugin_api.h"
#include "native_format_fixture.h"
#include "plugin_scenes.h"

namespace {

using vex3d::test::cornerValues;
using vex3d::test::NativeFormatTest;

class PlyTest : public NativeFormatTest {
 protected:
  void roundTrip(bool text) {
    C3DScene scene;
    scene.AddNode(nullptr, vex3d::test::meshNode("cube", vex3d::test::paintedCube(1.5f)));
    const std::string file = path(text ? "cube_text.ply" : "cube.ply");
    CSceneExportOptions options;
    if (text) options.GetData().SetUInt(VEX3D_FOURCC('T', 'E', 'X', 'T'), 1);
    ASSERT_EQ(save(scene, file, &options), 1);
    const std::string bytes = readFile(file);
    EXPECT_NE(bytes.find(text ? "format ascii 1.0" : "format binary_little_endian 1.0"),
              std::string::npos);
    EXPECT_EQ(bytes.substr(0, bytes.find("end_header")).find("alpha"), std::string::npos)
        << "opaque colours need no alpha";

    std::string error;
    std::unique_ptr<C3DScene> back = read(file, &error);
    ASSERT_TRUE(back) << error;
    C3DObject* mesh = firstMesh(*back);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetFaceNbr(), 6) << "quads stay quads";
    EXPECT_EQ(cornerValues(*mesh), cornerValues(*firstMesh(scene)));
    // Points are split where texture coordinates differ, not at every corner.
    EXPECT_GT(mesh->GetPointNbr(), 8);
    EXPECT_LT(mesh->GetPointNbr(), 24);
  }
};

TEST_F(PlyTest, BinaryRoundTripKeepsPolygonsColoursAndTextureCoordinates) { roundTrip(false); }

TEST_F(PlyTest, TextRoundTrip) { roundTrip(true); }

// A fan whose hub takes 20 texture coordinates, more than a point's chain
// of vertices holds: each value still becomes exactly one vertex.
TEST_F(PlyTest, AHubPointWithManyTextureCoordinatesIsSplitOncePerValue) {
  constexpr int kRim = 40;
  constexpr int kHubValues = 20;
  auto* fan = new C3DObject;
  fan->Init(kRim + 1, kRim, 3, 0, 0);
  for (int i = 1; i <= kRim; ++i) {
    const float a = 6.2831853f * static_cast<float>(i) / kRim;
    (*fan->GetPointList())[i].Init(std::cos(a), std::sin(a), 0.0f);
  }
  auto* uvw = new CUVWChannel;
  CUVWPointList& uv = *uvw->GetUVWPointList();
  for (int i = 0; i < kHubValues + kRim; ++i)
    uv.Add(CUVWPoint(static_cast<float>(i) / 64.0f, 0.5f, 0));
  uvw->GetUVWFaceList()->SetSize(kRim, 3);
  for (int f = 0; f < kRim; ++f) {
    const int a = f + 1;
    const int b = f % kRim + 2 > kRim ? 1 : f + 2;
    fan->GetFaceList()->ElementAt(f)->SetTriangle(0, a, b);
    uvw->GetUVWFaceList()->ElementAt(f)->SetTriangle(f % kHubValues, kHubValues + a - 1,
                                                     kHubValues + b - 1);
  }
  fan->AddChannel(uvw);
  C3DScene scene;
  scene.AddNode(nullptr, vex3d::test::meshNode("fan", fan));
  const std::string file = path("fan.ply");
  ASSERT_EQ(save(scene, file, nullptr), 1);
  std::string error;
  std::unique_ptr<C3DScene> back = read(file, &error);
  ASSERT_TRUE(back) << error;
  C3DObject* mesh = firstMesh(*back);
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(mesh->GetPointNbr(), kHubValues + kRim);
  EXPECT_EQ(cornerValues(*mesh), cornerValues(*fan));
}

std::string header(const std::string& format, int vertices, int faces) {
  return "ply\nformat " + format + " 1.0\nelement vertex " + std::to_string(vertices) +
         "\nproperty float x\nproperty float y\nproperty float z\nelement face " +
         std::to_string(faces) + "\nproperty list uchar int vertex_indices\nend_header\n";
}

TEST_F(PlyTest, BigEndianAndCrlfAndExtraProperties) {
  std::string bytes =
      "ply\r\nformat binary_big_endian 1.0\r\ncomment made by hand\r\n"
      "element vertex 3\r\nproperty double x\r\nproperty double y\r\nproperty double z\r\n"
      "property ushort quality\r\nelement face 1\r\nproperty uchar flags\r\n"
      "property list uchar uint vertex_indices\r\nend_header\r\n";
  auto putBig = [&](const void* data, std::size_t size) {
    const auto* b = static_cast<const char*>(data);
    for (std::size_t i = size; i-- > 0;) bytes.push_back(b[i]);
  };
  const double coordinates[3][3] = {{0, 0, 0}, {2, 0, 0}, {0, 3, -1}};
  for (const auto& v : coordinates) {
    for (double c : v) putBig(&c, 8);
    const std::uint16_t quality = 7;
    putBig(&quality, 2);
  }
  bytes.push_back(1);
  bytes.push_back(3);
  for (std::uint32_t i : {0u, 1u, 2u}) putBig(&i, 4);

  std::string error;
  std::unique_ptr<C3DScene> scene = readBytes("big.ply", bytes, &error);
  ASSERT_TRUE(scene) << error;
  C3DObject* mesh = firstMesh(*scene);
  ASSERT_NE(mesh, nullptr);
  ASSERT_EQ(mesh->GetFaceNbr(), 1);
  // Stood up from the format's y up: (x, y, z) is (x, -z, y) here.
  EXPECT_EQ((*mesh->GetPointList())[2].x, 0.0f);
  EXPECT_EQ((*mesh->GetPointList())[2].y, 1.0f);
  EXPECT_EQ((*mesh->GetPointList())[2].z, 3.0f);
}

TEST_F(PlyTest, TextWithFloatColoursAndVertexTextureCoordinates) {
  const std::string text =
      "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
      "property float z\nproperty float red\nproperty float green\nproperty float blue\n"
      "property float u\nproperty float v\nelement face 1\n"
      "property list uchar int vertex_indices\nend_header\n"
      "0 0 0 1 0 0.5 0 0\n1 0 0 0 1 0 1 0\n0 1 0 0 0 1 0 1\n3 0 1 2\n";
  std::string error;
  std::unique_ptr<C3DScene> scene = readBytes("colours.ply", text, &error);
  ASSERT_TRUE(scene) << error;
  const auto corners = cornerValues(*firstMesh(*scene));
  ASSERT_EQ(corners.size(), 1u);
  EXPECT_EQ(corners[0][0].color, (std::array<int, 4>{255, 0, 128, 255})) << "opaque without alpha";
  EXPECT_EQ(corners[0][1].uv, (std::array<float, 2>{1, 0}));
  EXPECT_EQ(corners[0][2].uv, (std::array<float, 2>{0, 1}));
}

TEST_F(PlyTest, AlphaInTheFileIsKept) {
  const std::string bytes =
      "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
      "property float z\nproperty uchar red\nproperty uchar green\nproperty uchar blue\n"
      "property uchar alpha\nelement face 1\nproperty list uchar int vertex_indices\n"
      "end_header\n0 0 0 255 0 0 128\n1 0 0 0 255 0 0\n0 1 0 0 0 255 255\n3 0 1 2\n";
  std::string error;
  std::unique_ptr<C3DScene> scene = readBytes("alpha.ply", bytes, &error);
  ASSERT_TRUE(scene) << error;
  auto corners = cornerValues(*firstMesh(*scene));
  ASSERT_EQ(corners.size(), 1u);
  EXPECT_EQ(corners[0][0].color, (std::array<int, 4>{255, 0, 0, 128}));
  EXPECT_EQ(corners[0][1].color, (std::array<int, 4>{0, 255, 0, 0}));
  EXPECT_EQ(corners[0][2].color, (std::array<int, 4>{0, 0, 255, 255}));

  // Float colours scale alpha like the other components.
  std::string floats = bytes;
  for (const char* name : {"red", "green", "blue", "alpha"}) {
    const std::string from = std::string("uchar ") + name;
    floats.replace(floats.find(from), from.size(), std::string("float ") + name);
  }
  floats.replace(floats.find("0 0 0 255 0 0 128"), 17, "0 0 0 1 0 0 0.25");
  scene = readBytes("alpha_float.ply", floats, &error);
  ASSERT_TRUE(scene) << error;
  corners = cornerValues(*firstMesh(*scene));
  ASSERT_EQ(corners.size(), 1u);
  EXPECT_EQ(corners[0][0].color, (std::array<int, 4>{255, 0, 0, 64}));
}

// Objects are written as one mesh: the corners of an object without
// colours must not come back as opaque black.
TEST_F(PlyTest, WrittenAlphaComesBackAndObjectsWithoutColoursKeepTheirMaterial) {
  C3DObject* tinted = vex3d::test::paintedCube(0.0f);
  CVCPointList& colours = *tinted->GetChannels()->GetVCChannelByIndex(0, 1)->GetVCPointList();
  for (int i = 0; i < colours.GetSize(); ++i) colours[i][3] = static_cast<std::uint8_t>(100 + i);
  C3DScene scene;
  scene.AddNode(nullptr, vex3d::test::meshNode("tinted", tinted));
  scene.AddNode(nullptr, vex3d::test::meshNode("plain", vex3d::test::quadCube(3.0f)));
  for (const bool text : {false, true}) {
    SCOPED_TRACE(text ? "text" : "binary");
    const std::string file = path(text ? "pair_text.ply" : "pair.ply");
    CSceneExportOptions options;
    if (text) options.GetData().SetUInt(VEX3D_FOURCC('T', 'E', 'X', 'T'), 1);
    ASSERT_EQ(save(scene, file, &options), 1);
    EXPECT_NE(readFile(file).find("property uchar alpha\n"), std::string::npos);
    std::string error;
    std::unique_ptr<C3DScene> back = read(file, &error);
    ASSERT_TRUE(back) << error;
    const auto corners = cornerValues(*firstMesh(*back));
    const auto expected = cornerValues(*tinted);
    ASSERT_EQ(corners.size(), 12u);
    for (std::size_t f = 0; f < 6; ++f) {
      for (std::size_t k = 0; k < 4; ++k) EXPECT_EQ(corners[f][k].color, expected[f][k].color);
    }
    for (std::size_t f = 6; f < 12; ++f) {
      for (const auto& corner : corners[f]) EXPECT_EQ(corner.color[3], 0) << f;
    }
  }
}

TEST_F(PlyTest, AbsurdCountsAndBadIndicesAreErrors) {
  std::string error;
  EXPECT_FALSE(
      readBytes("huge.ply", header("binary_little_endian", 2147483647, 1) + "abc", &error));
  EXPECT_NE(error.find("more than the file holds"), std::string::npos) << error;

  EXPECT_FALSE(
      readBytes("index.ply", header("ascii", 3, 1) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 40\n", &error));
  EXPECT_NE(error.find("vertex index 40 out of range"), std::string::npos) << error;

  EXPECT_FALSE(
      readBytes("negative.ply", header("ascii", 3, 1) + "0 0 0\n1 0 0\n0 1 0\n3 0 -1 2\n", &error));
  EXPECT_FALSE(readBytes(
      "short.ply", header("ascii", 3, 2) + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n" + std::string(20, ' '),
      &error));
  EXPECT_NE(error.find("face 1"), std::string::npos) << error;
  // Text gives list lengths and coordinates of any size.
  EXPECT_FALSE(readBytes("long_list.ply",
                         header("ascii", 3, 1) + "0 0 0\n1 0 0\n0 1 0\n6e40 0 1 2\n", &error));
  EXPECT_FALSE(readBytes("nan_list.ply", header("ascii", 3, 1) + "0 0 0\n1 0 0\n0 1 0\nnan 0 1 2\n",
                         &error));
  std::unique_ptr<C3DScene> far =
      readBytes("far.ply", header("ascii", 3, 1) + "1e300 0 0\n1 0 0\n0 1 0\n3 0 1 2\n", &error);
  ASSERT_TRUE(far) << error;
  EXPECT_TRUE(std::isinf((*firstMesh(*far)->GetPointList())[0].x) ||
              (*firstMesh(*far)->GetPointList())[0].x == 0.0f)
      << "saturated, or zeroed by the import check-out";
  EXPECT_FALSE(readBytes("noformat.ply", "ply\nelement vertex 1\nend_header\n", &error));
  EXPECT_NE(error.find("header line 3"), std::string::npos) << error;
}

// Other readers take a signature line among the header's comments; so do
// we, saying what was skipped. Anything else the header gets wrong still
// fails the file.
TEST_F(PlyTest, AStrayHeaderLineIsSkippedWithAWarning) {
  const std::string data = "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
  std::string signed_ = header("ascii", 3, 1);
  signed_.insert(signed_.find("end_header"), "Created by a scanner \x01\nAnd one more\n");
  CSceneImportOptions options;
  std::string error;
  std::unique_ptr<C3DScene> scene = read(writeFile("signed.ply", signed_ + data), &error, &options);
  ASSERT_TRUE(scene) << error;
  EXPECT_EQ(firstMesh(*scene)->GetFaceNbr(), 1);
  std::vector<std::string> warnings;
  for (const CIoOptions::LogEntry& e : options.GetLog()) {
    if (e.level == CIoOptions::logWarning) warnings.push_back(e.text);
  }
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("header line 9: skipped \"Created by a scanner ?\""),
            std::string::npos)
      << warnings[0];
  EXPECT_NE(warnings[0].find("1 more"), std::string::npos) << warnings[0];

  CSceneImportOptions clean;
  ASSERT_TRUE(read(writeFile("plain.ply", header("ascii", 3, 1) + data), &error, &clean));
  for (const CIoOptions::LogEntry& e : clean.GetLog()) EXPECT_NE(e.level, CIoOptions::logWarning);
  // A stray line does not stand in for what the header must say.
  EXPECT_FALSE(
      readBytes("unformatted.ply", "ply\nCreated by hand\nelement vertex 1\nend_header\n", &error));
  EXPECT_NE(error.find("no format line"), std::string::npos) << error;
  EXPECT_FALSE(readBytes("unended.ply", "ply\nformat ascii 1.0\nCreated by hand\n", &error));
}

// A face stores its corner count in 16 bits: one corner more is an error
// of the file, not an exception of the face list.
TEST_F(PlyTest, FacesOfMoreThan65535CornersAreErrors) {
  auto longFace = [](int corners) {
    std::string face = std::to_string(corners);
    for (int k = 0; k < corners; ++k) face += k % 3 == 0 ? " 0" : k % 3 == 1 ? " 1" : " 2";
    return header("ascii", 3, 1) + "0 0 0\n1 0 0\n0 1 0\n" + face + "\n";
  };
  std::string error;
  EXPECT_TRUE(readBytes("longest.ply", longFace(65535), &error)) << error;
  EXPECT_FALSE(readBytes("too_long.ply", longFace(65536), &error));
  EXPECT_NE(error.find("65536 corners, more than 65535"), std::string::npos) << error;
}

TEST_F(PlyTest, BrokenInputsNeverCrash) {
  C3DScene scene;
  scene.AddNode(nullptr, vex3d::test::meshNode("cube", vex3d::test::paintedCube(0.0f)));
  const std::string binary = path("valid.ply");
  ASSERT_EQ(save(scene, binary), 1);
  CSceneExportOptions options;
  options.GetData().SetUInt(VEX3D_FOURCC('T', 'E', 'X', 'T'), 1);
  const std::string text = path("valid_text.ply");
  ASSERT_EQ(save(scene, text, &options), 1);
  for (const std::string& valid : {readFile(binary), readFile(text)}) {
    for (const auto& broken : vex3d::test::brokenInputs(valid)) {
      std::string error;
      std::unique_ptr<C3DScene> read = readBytes("broken.ply", broken.bytes, &error);
      EXPECT_TRUE(read || !error.empty()) << broken.what;
    }
  }
}

}  // namespace
