// Files of every format family stand upright in the front view, whichever
// axis their data stands along: the file's own declaration, its format's
// convention, or the caller's word for files that say nothing.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "hostlib/io/plugin_loader.h"
#include "io/io.h"
#include "plugin_test_base.h"
#include "render/render_to_bitmap.h"
#include "render/view_flags.h"
#include "render_fixtures.h"
#include "scene/scene_io_options.h"

namespace {

namespace fs = std::filesystem;
using vex3d::test::Coverage;
using vex3d::test::pixelAt;
using vex3d::test::ScopedConfigDir;

// An "L" facing the viewer, in (right, up): a bar one wide and four high,
// a foot from its base two further to the right. Upside down, mirrored or
// lying down, it is no longer an L with its bar on the left.
constexpr std::array<std::array<float, 2>, 7> kEll = {
    {{0, 0}, {1, 0}, {1, 4}, {0, 4}, {3, 0}, {3, 1}, {1, 1}}};
constexpr std::array<std::array<int, 4>, 2> kQuads = {{{0, 1, 2, 3}, {1, 4, 5, 6}}};

// (right, up) in the data of a y-up file (the viewer along +z) and of a
// z-up one (the viewer along -y).
using Frame = std::array<float, 3> (*)(float right, float up);
std::array<float, 3> yUp(float right, float up) { return {right, up, 0.0f}; }
std::array<float, 3> zUp(float right, float up) { return {right, 0.0f, up}; }

std::string points(Frame frame, const char* before, const char* between, const char* after) {
  std::ostringstream out;
  for (const auto& p : kEll) {
    const auto v = frame(p[0], p[1]);
    out << before << v[0] << between << v[1] << between << v[2] << after;
  }
  return out.str();
}

std::string obj(Frame frame) {
  return "o ell\n" + points(frame, "v ", " ", "\n") + "f 1 2 3 4\nf 2 5 6 7\n";
}

std::string ply(Frame frame) {
  return "ply\nformat ascii 1.0\nelement vertex 7\nproperty float x\nproperty float y\n"
         "property float z\nelement face 2\nproperty list uchar int vertex_indices\n"
         "end_header\n" +
         points(frame, "", " ", "\n") + "4 0 1 2 3\n4 1 4 5 6\n";
}

std::string stl(Frame frame) {
  std::ostringstream out;
  out << "solid ell\n";
  for (const auto& q : kQuads) {
    for (const std::array<int, 3> t :
         {std::array<int, 3>{q[0], q[1], q[2]}, std::array<int, 3>{q[0], q[2], q[3]}}) {
      out << "facet normal 0 0 0\nouter loop\n";
      for (int i : t) {
        const auto v = frame(kEll[i][0], kEll[i][1]);
        out << "vertex " << v[0] << ' ' << v[1] << ' ' << v[2] << '\n';
      }
      out << "endloop\nendfacet\n";
    }
  }
  return out.str() + "endsolid ell\n";
}

std::string collada(Frame frame, const char* upAxis) {
  return std::string(
             "<?xml version=\"1.0\"?>\n"
             "<COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" version=\"1.4.1\">\n"
             "<asset><unit meter=\"1\"/><up_axis>") +
         upAxis +
         "</up_axis></asset>\n"
         "<library_geometries><geometry id=\"g\"><mesh>\n"
         "<source id=\"p\"><float_array id=\"a\" count=\"21\">" +
         points(frame, "", " ", " ") +
         "</float_array><technique_common><accessor source=\"#a\" count=\"7\" stride=\"3\">"
         "<param name=\"X\" type=\"float\"/><param name=\"Y\" type=\"float\"/>"
         "<param name=\"Z\" type=\"float\"/></accessor></technique_common></source>\n"
         "<vertices id=\"v\"><input semantic=\"POSITION\" source=\"#p\"/></vertices>\n"
         "<polylist count=\"2\"><input semantic=\"VERTEX\" source=\"#v\" offset=\"0\"/>"
         "<vcount>4 4</vcount><p>0 1 2 3 1 4 5 6</p></polylist>\n"
         "</mesh></geometry></library_geometries>\n"
         "<library_visual_scenes><visual_scene id=\"s\"><node id=\"ell\" name=\"ell\">"
         "<instance_geometry url=\"#g\"/></node></visual_scene></library_visual_scenes>\n"
         "<scene><instance_visual_scene url=\"#s\"/></scene>\n</COLLADA>\n";
}

// Text FBX with nothing but the global axes, one mesh and its model.
std::string fbx(Frame frame, int upAxis, int frontAxis, int frontSign) {
  std::ostringstream out;
  out << "; FBX 7.5.0 project file\n"
         "FBXHeaderExtension:  {\n\tFBXHeaderVersion: 1003\n\tFBXVersion: 7500\n}\n"
         "GlobalSettings:  {\n\tVersion: 1000\n\tProperties70:  {\n"
      << "\t\tP: \"UpAxis\", \"int\", \"Integer\", \"\", " << upAxis << "\n"
      << "\t\tP: \"UpAxisSign\", \"int\", \"Integer\", \"\", 1\n"
      << "\t\tP: \"FrontAxis\", \"int\", \"Integer\", \"\", " << frontAxis << "\n"
      << "\t\tP: \"FrontAxisSign\", \"int\", \"Integer\", \"\", " << frontSign << "\n"
      << "\t\tP: \"CoordAxis\", \"int\", \"Integer\", \"\", 0\n"
         "\t\tP: \"CoordAxisSign\", \"int\", \"Integer\", \"\", 1\n\t}\n}\n"
         "Objects:  {\n\tGeometry: 100, \"Geometry::ell\", \"Mesh\" {\n\t\tVertices: *21 "
         "{\n\t\t\ta: "
      << points(frame, "", ",", ",") << "\n\t\t}\n"
      << "\t\tPolygonVertexIndex: *8 {\n\t\t\ta: 0,1,2,-4,1,4,5,-7\n\t\t}\n"
         "\t\tGeometryVersion: 124\n\t}\n"
         "\tModel: 200, \"Model::ell\", \"Mesh\" {\n\t\tVersion: 232\n\t}\n}\n"
         "Connections:  {\n\tC: \"OO\",200,0\n\tC: \"OO\",100,200\n}\n";
  std::string text = out.str();
  // The point list ends without a separator.
  const std::size_t last = text.find(",\n\t\t}");
  if (last != std::string::npos) text.erase(last, 1);
  return text;
}

// glTF is y up by definition: positions and triangle indices in a buffer
// file of their own.
void writeGltf(const fs::path& file) {
  std::vector<unsigned char> bytes;
  auto put = [&bytes](const void* data, std::size_t size) {
    const auto* b = static_cast<const unsigned char*>(data);
    bytes.insert(bytes.end(), b, b + size);
  };
  for (const auto& p : kEll) {
    const auto v = yUp(p[0], p[1]);
    put(v.data(), sizeof(float) * 3);
  }
  for (const auto& q : kQuads) {
    for (int i : {q[0], q[1], q[2], q[0], q[2], q[3]}) {
      const auto index = static_cast<std::uint16_t>(i);
      put(&index, sizeof index);
    }
  }
  std::ofstream(fs::path(file).replace_extension(".bin"), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  std::ofstream(file) << R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],
"nodes":[{"name":"ell","mesh":0}],
"meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1}]}],
"buffers":[{"uri":")" << fs::path(file).stem().string()
                      << R"(.bin","byteLength":108}],
"bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":84},
{"buffer":0,"byteOffset":84,"byteLength":24}],
"accessors":[{"bufferView":0,"componentType":5126,"count":7,"type":"VEC3",
"min":[0,0,0],"max":[3,4,0]},
{"bufferView":1,"componentType":5123,"count":12,"type":"SCALAR"}]})";
}

struct UprightCase {
  const char* name;
  std::function<void(const fs::path&)> write;
  // What the caller says for a file of another convention than its
  // format's; UP_AXIS_UNKNOWN leaves it to the file.
  std::uint32_t callerUpAxis;
  std::uint32_t fileUpAxis;  // what the reader finds
};

std::function<void(const fs::path&)> text(std::string bytes) {
  return [bytes = std::move(bytes)](const fs::path& file) {
    std::ofstream(file, std::ios::binary) << bytes;
  };
}

// Right-most covered column of a row, -1 when the row is empty.
int rightEdge(const Bitmap& image, int y) {
  for (int x = image.GetWidth() - 1; x >= 0; --x) {
    if (pixelAt(image, x, y).a == 0) return x;
  }
  return -1;
}

class UprightFilesTest : public vex3d::test::PluginTestBase {
 protected:
  UprightFilesTest() : PluginTestBase("render") {}

  fs::path path(const std::string& name) const { return ConfigPath() / name; }

  // Read as the caller asks, then drawn from the front.
  void expectUpright(const UprightCase& c) {
    const fs::path file = path(c.name);
    c.write(file);
    C3DIo io(CFileNameSpec(file.string(), 0), IO_FLAG_READ | IO_FLAG_SILENT);
    CSceneImportOptions options;
    options.m_upAxis = c.callerUpAxis;
    std::unique_ptr<C3DScene> scene = io.Read(0, &options);
    ASSERT_TRUE(scene) << io.GetIoErrorText();
    EXPECT_EQ(options.m_fileUpAxis, c.fileUpAxis);

    constexpr int kSize = 96;
    _GlViewSettings settings = vex3d::test::modeSettings(VIEW_FLAT);
    settings.mask |= GLVS_VIEW_POS;
    settings.viewPos = RVIEW_FRONT;
    auto image = vex3d::renderSceneToBitmap(*scene, kSize, kSize, &settings);
    ASSERT_NE(image, nullptr);
    const Coverage cover = vex3d::test::coverage(*image);
    ASSERT_GT(cover.count, 0) << "seen edge on: lying down";
    const int width = cover.maxX - cover.minX + 1;
    const int height = cover.maxY - cover.minY + 1;
    EXPECT_GT(height * 5, width * 6) << "four high and three wide";
    // The bar alone at the top, on the left; the foot across the bottom.
    int wrong = 0;
    for (int y = cover.minY; y < cover.minY + height / 2; ++y)
      wrong += rightEdge(*image, y) < cover.minX + width / 2 ? 0 : 1;
    for (int y = cover.maxY - height / 8; y <= cover.maxY; ++y)
      wrong += rightEdge(*image, y) > cover.minX + width * 3 / 4 ? 0 : 1;
    EXPECT_EQ(wrong, 0) << "rows not where an upright L has them";
  }
};

TEST_F(UprightFilesTest, TheFrontViewShowsEveryFamilyUprightAndUnmirrored) {
  const UprightCase cases[] = {
      {"ell.obj", text(obj(yUp)), UP_AXIS_UNKNOWN, UP_AXIS_Y},
      {"ell_z.obj", text(obj(zUp)), UP_AXIS_Z, UP_AXIS_Y},
      {"ell.ply", text(ply(yUp)), UP_AXIS_UNKNOWN, UP_AXIS_Y},
      {"ell_z.ply", text(ply(zUp)), UP_AXIS_Z, UP_AXIS_Y},
      {"ell.stl", text(stl(zUp)), UP_AXIS_UNKNOWN, UP_AXIS_Z},
      {"ell_y.stl", text(stl(yUp)), UP_AXIS_Y, UP_AXIS_Z},
      {"ell.gltf", writeGltf, UP_AXIS_UNKNOWN, UP_AXIS_Y},
      {"ell_y.dae", text(collada(yUp, "Y_UP")), UP_AXIS_UNKNOWN, UP_AXIS_Y},
      {"ell_z.dae", text(collada(zUp, "Z_UP")), UP_AXIS_UNKNOWN, UP_AXIS_Z},
      // As the modellers write them: front along +z for y up, along -y
      // for z up.
      {"ell_y.fbx", text(fbx(yUp, 1, 2, 1)), UP_AXIS_UNKNOWN, UP_AXIS_Y},
      {"ell_z.fbx", text(fbx(zUp, 2, 1, -1)), UP_AXIS_UNKNOWN, UP_AXIS_Z},
  };
  for (const UprightCase& c : cases) {
    SCOPED_TRACE(c.name);
    expectUpright(c);
  }
}

}  // namespace
