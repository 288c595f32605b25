// Vertex colours as a user sees them: files of each reader and the bundled
// samples drawn by `vex3d render`, judged by their pixels.
//
// Each coloured file is a cube whose faces across x are red, across y green
// and across z blue. Three views along three axes see one face each, so the
// three images together show every colour whichever way up a reader stands
// the model.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "hostlib/images/bitmap.h"
#include "hostlib/images/image_io.h"
#include "hostlib/images/layer_bitmap.h"
#include "plugins/gltf_file.h"

namespace {

namespace fs = std::filesystem;

fs::path outDir() {
  const auto* test = testing::UnitTest::GetInstance()->current_test_info();
  const fs::path dir = fs::path(VEX3D_TEST_BINARY_DIR) / "colour-test" / test->name();
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

// `file` drawn by the command line in the default smooth mode, on black;
// null when the command or the image failed.
std::unique_ptr<CLayerBitmap> render(const fs::path& file, const fs::path& png,
                                     const std::string& view = "front") {
  const std::string command = std::string(VEX3D_CLI) + " render " + file.string() + " -o " +
                              png.string() + " --size 64x64 --background 000000 --quiet --view " +
                              view + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return nullptr;
  char buffer[512];
  std::string output;
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
  if (::pclose(pipe) != 0) {
    ADD_FAILURE() << command << ": " << output;
    return nullptr;
  }
  C2DIo io(png.string(), 0, nullptr);
  return std::unique_ptr<CLayerBitmap>(io.Read(0));
}

enum class Tint { red, green, blue, grey, other };

const char* nameOf(Tint t) {
  static const char* const kNames[] = {"red", "green", "blue", "grey", "other"};
  return kNames[static_cast<int>(t)];
}

void PrintTo(Tint t, std::ostream* out) { *out << nameOf(t); }

// Lighting scales a colour and the material's ambient colour adds some
// grey, so a tint is a component clearly above the other two.
Tint tintOf(int r, int g, int b) {
  constexpr int kMargin = 50;
  if (r > g + kMargin && r > b + kMargin) return Tint::red;
  if (g > r + kMargin && g > b + kMargin) return Tint::green;
  if (b > r + kMargin && b > g + kMargin) return Tint::blue;
  if (std::max({r, g, b}) - std::min({r, g, b}) < 16) return Tint::grey;
  return Tint::other;
}

struct Pixels {
  int covered = 0;  // pixels not of the black background
  std::map<Tint, int> tints;
  std::set<std::array<int, 3>> colours;
  Tint dominant() const {
    Tint best = Tint::other;
    int most = -1;
    for (const auto& [tint, n] : tints) {
      if (n > most) {
        best = tint;
        most = n;
      }
    }
    return best;
  }
  int share(Tint t) const {
    const auto it = tints.find(t);
    return it == tints.end() || covered == 0 ? 0 : 100 * it->second / covered;
  }
};

Pixels pixelsOf(const CLayerBitmap& image) {
  Pixels out;
  const Bitmap* colour = image.GetLayer(0);
  const int step = colour->GetBytesPerPixel();
  for (int y = 0; y < colour->GetHeight(); ++y) {
    const std::uint8_t* p = colour->GetLine(y);
    for (int x = 0; x < colour->GetWidth(); ++x, p += step) {
      if (p[0] == 0 && p[1] == 0 && p[2] == 0) continue;
      ++out.covered;
      ++out.tints[tintOf(p[0], p[1], p[2])];
      out.colours.insert({p[0], p[1], p[2]});
    }
  }
  return out;
}

// The cube: per face four corners of its own, counter-clockwise seen from
// outside, and the face's colour with the alpha given for its axis. Faces
// narrower than `half` leave gaps at the edges, so that no two faces share
// a corner position.
struct Corner {
  std::array<float, 3> position;
  std::array<int, 4> rgba;
};

std::vector<std::array<Corner, 4>> colouredCube(const std::array<int, 3>& alphaByAxis,
                                                float half = 0.5f) {
  std::vector<std::array<Corner, 4>> faces;
  const float square[4][2] = {{-half, -half}, {half, -half}, {half, half}, {-half, half}};
  for (int axis = 0; axis < 3; ++axis) {
    const int u = (axis + 1) % 3;
    const int v = (axis + 2) % 3;
    for (const float side : {-0.5f, 0.5f}) {
      std::array<Corner, 4> face{};
      for (int k = 0; k < 4; ++k) {
        // The far side runs the square backwards to face outwards too.
        const int at = side > 0 ? k : 3 - k;
        Corner& c = face[static_cast<std::size_t>(k)];
        c.position[static_cast<std::size_t>(axis)] = side;
        c.position[static_cast<std::size_t>(u)] = square[at][0];
        c.position[static_cast<std::size_t>(v)] = square[at][1];
        c.rgba = {axis == 0 ? 255 : 0, axis == 1 ? 255 : 0, axis == 2 ? 255 : 0,
                  alphaByAxis[static_cast<std::size_t>(axis)]};
      }
      faces.push_back(face);
    }
  }
  return faces;
}

std::string text(float v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(v));
  return buffer;
}

fs::path writeObj(const fs::path& dir) {
  std::string obj;
  for (const auto& face : colouredCube({255, 255, 255})) {
    for (const Corner& c : face) {
      obj += "v " + text(c.position[0]) + " " + text(c.position[1]) + " " + text(c.position[2]);
      for (int i = 0; i < 3; ++i) obj += " " + text(static_cast<float>(c.rgba[i]) / 255.0f);
      obj += "\n";
    }
  }
  for (int f = 0; f < 6; ++f) {
    obj += "f";
    for (int k = 1; k <= 4; ++k) obj += " " + std::to_string(4 * f + k);
    obj += "\n";
  }
  const fs::path file = dir / "cube.obj";
  std::ofstream(file) << obj;
  return file;
}

// With `alphaByAxis`, an alpha property with those values.
fs::path writePly(const fs::path& dir, const std::string& name,
                  const std::array<int, 3>* alphaByAxis) {
  std::string ply =
      "ply\nformat ascii 1.0\nelement vertex 24\nproperty float x\nproperty float y\n"
      "property float z\nproperty uchar red\nproperty uchar green\nproperty uchar blue\n";
  if (alphaByAxis != nullptr) ply += "property uchar alpha\n";
  ply += "element face 6\nproperty list uchar int vertex_indices\nend_header\n";
  for (const auto& face : colouredCube(alphaByAxis ? *alphaByAxis : std::array{0, 0, 0})) {
    for (const Corner& c : face) {
      ply += text(c.position[0]) + " " + text(c.position[1]) + " " + text(c.position[2]);
      for (int i = 0; i < (alphaByAxis != nullptr ? 4 : 3); ++i)
        ply += " " + std::to_string(c.rgba[i]);
      ply += "\n";
    }
  }
  for (int f = 0; f < 6; ++f) {
    ply += "4";
    for (int k = 0; k < 4; ++k) ply += " " + std::to_string(4 * f + k);
    ply += "\n";
  }
  const fs::path file = dir / name;
  std::ofstream(file) << ply;
  return file;
}

// The library's vertex joining (5.2) merges corners that differ only in
// colour, which would blur colours across the cube's edges: the faces keep
// apart here. VEC3 colours, which the library reads with an alpha of 0.
fs::path writeGltf(const fs::path& dir) {
  vex3d::test::GltfPrimitive cube;
  cube.opaqueColours = true;
  for (const auto& face : colouredCube({255, 255, 255}, 0.45f)) {
    const auto base = static_cast<std::uint32_t>(cube.positions.size());
    for (const Corner& c : face) {
      cube.positions.push_back(c.position);
      cube.colours.push_back({c.rgba[0] / 255.0f, c.rgba[1] / 255.0f, c.rgba[2] / 255.0f, 1.0f});
    }
    for (std::uint32_t k : {0u, 1u, 2u, 0u, 2u, 3u}) cube.indices.push_back(base + k);
  }
  const fs::path file = dir / "cube.gltf";
  EXPECT_TRUE(vex3d::test::writeGltf(file, {cube}));
  return file;
}

// The tint each of three views along three axes shows, one face each.
std::multiset<Tint> tintsSeen(const fs::path& file, const fs::path& dir) {
  std::multiset<Tint> seen;
  for (const char* view : {"front", "top", "right"}) {
    SCOPED_TRACE(view);
    const std::unique_ptr<CLayerBitmap> image =
        render(file, dir / (file.stem().string() + "_" + view + ".png"), view);
    if (!image) {
      ADD_FAILURE() << "no image";
      continue;
    }
    const Pixels pixels = pixelsOf(*image);
    EXPECT_GT(pixels.covered, 64 * 64 / 5) << "the face fills a good part of the image";
    const Tint tint = pixels.dominant();
    EXPECT_GE(pixels.share(tint), 95) << nameOf(tint) << ": one face, one colour";
    seen.insert(tint);
  }
  return seen;
}

const std::multiset<Tint> kRedGreenBlue = {Tint::red, Tint::green, Tint::blue};

TEST(VertexColoursTest, ObjColoursOnPointsShow) {
  const fs::path dir = outDir();
  EXPECT_EQ(tintsSeen(writeObj(dir), dir), kRedGreenBlue);
}

TEST(VertexColoursTest, PlyColoursShowAndTheirAlphaWeighsThemAgainstTheMaterial) {
  const fs::path dir = outDir();
  EXPECT_EQ(tintsSeen(writePly(dir, "cube.ply", nullptr), dir), kRedGreenBlue);
  // Alpha 0: the faces across y show their grey material, not green.
  const std::array<int, 3> alpha = {255, 0, 255};
  EXPECT_EQ(tintsSeen(writePly(dir, "cube_alpha.ply", &alpha), dir),
            (std::multiset<Tint>{Tint::red, Tint::grey, Tint::blue}));
}

TEST(VertexColoursTest, GltfColoursThroughTheGeneralFormatReaderShow) {
  const fs::path dir = outDir();
  EXPECT_EQ(tintsSeen(writeGltf(dir), dir), kRedGreenBlue);
}

std::string sample(const char* name) {
  return std::string(VEX3D_TEST_DATA_DIR) + "/samples/" + name;
}

// Each sample in the default view, as a thumbnail shows it: something in
// shades and colours, not nothing and not one flat fill.
TEST(VertexColoursTest, EverySampleShowsInTheDefaultView) {
  const fs::path dir = outDir();
  std::map<std::string, Pixels> seen;
  for (const char* name :
       {"textured_cube.v3d", "animated_groups.v3d", "colored_quads.v3d", "cube.obj"}) {
    SCOPED_TRACE(name);
    const std::unique_ptr<CLayerBitmap> image =
        render(sample(name), dir / (std::string(name) + ".png"));
    ASSERT_TRUE(image);
    const Pixels pixels = pixelsOf(*image);
    EXPECT_GT(pixels.covered, 64 * 64 / 20);
    EXPECT_GT(pixels.colours.size(), 8u) << "shaded, not one flat colour";
    seen[name] = pixels;
  }
  // The checker's blue and yellow squares.
  EXPECT_GT(seen["textured_cube.v3d"].share(Tint::blue), 10);
  EXPECT_GT(seen["textured_cube.v3d"].share(Tint::other), 10);
  EXPECT_EQ(seen["cube.obj"].share(Tint::grey), 0) << "its orange paint";
  // The grid's colours run from blue through green and magenta; no grey
  // material shows through them.
  const Pixels& quads = seen["colored_quads.v3d"];
  EXPECT_GT(quads.share(Tint::green), 5);
  EXPECT_GT(quads.share(Tint::blue), 5);
  EXPECT_LT(quads.share(Tint::grey), 5);
  int reddish = 0;
  for (const auto& c : quads.colours) reddish += c[0] > c[1] + 80 ? 1 : 0;
  EXPECT_GT(reddish, 20) << "the red end of the grid";
}

}  // namespace
