// The exchange-format plug-in, driven through the IO as the viewer and the
// converter drive it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "animation/matrix_key.h"
#include "animation/vector_key.h"
#include "gltf_file.h"
#include "hostlib/io/file_io_frame.h"
#include "hostlib/io/plugin_loader.h"
#include "io/io.h"
#include "material/material.h"
#include "math/matrix4x4.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"
#include "plugin_test_base.h"
#include "scene/object_kinds.h"
#include "scene/scene.h"
#include "scene/scene_builders.h"
#include "scene/scene_io_options.h"
#include "scoped_config_dir.h"

namespace {

namespace fs = std::filesystem;

class AssimpPluginTest : public vex3d::test::PluginTestBase {
 protected:
  AssimpPluginTest() : PluginTestBase("assimp") {}

  std::string m_lastError;

  std::string file(const std::string& name) const { return (ConfigPath() / name).string(); }

  std::unique_ptr<C3DScene> read(const std::string& path, int* error = nullptr) {
    C3DIo io(CFileNameSpec(path, 0), IO_FLAG_READ | IO_FLAG_SILENT);
    std::unique_ptr<C3DScene> scene = io.Read(0, nullptr);
    if (error != nullptr) *error = io.GetIoError();
    m_lastError = io.GetIoErrorText();
    return scene;
  }

  int save(const std::string& path, C3DScene& scene, std::string* text = nullptr) {
    C3DIo io(CFileNameSpec(path, 0), IO_FLAG_SILENT);
    const int result = io.Save(0, &scene, nullptr);
    if (text != nullptr) *text = io.GetIoErrorText();
    return result;
  }
};

C3DSceneNode* findNode(const C3DScene& scene, const std::string& name) {
  CSceneIterator it = scene.Begin();
  C3DBaseObject* object = nullptr;
  while (C3DSceneNode* node = scene.GetNextNode(object, it)) {
    if (node->GetName() == name) return node;
  }
  return nullptr;
}

C3DObject* objectOf(const C3DScene& scene, const std::string& name) {
  C3DSceneNode* node = findNode(scene, name);
  return node != nullptr ? dynamic_cast<C3DObject*>(node->GetObject()) : nullptr;
}

// A unit quad with one texture point and one colour per corner.
C3DObject* texturedQuad(std::uint32_t material) {
  auto* quad = new C3DObject;
  quad->Init(4, 1, 4, 1, 4);
  const float xy[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
  auto* uvw = static_cast<CUVWChannel*>(quad->GetChannels()->GetChannelByIndex(0));
  for (int i = 0; i < 4; ++i) {
    (*quad->GetPointList())[i].Init(xy[i][0], xy[i][1], 0);
    (*uvw->GetUVWPointList())[i] = CUVWPoint(xy[i][0] * 0.5f, xy[i][1] * 0.25f, 0);
  }
  C3DFace* face = quad->GetFaceList()->ElementAt(0);
  face->SetQuadrangle(0, 1, 2, 3);
  face->SetMaterialID(material);
  uvw->GetUVWFaceList()->ElementAt(0)->SetQuadrangle(0, 1, 2, 3);
  auto* colours = new CVCChannel;
  quad->AddChannel(colours);
  const CRGBColor palette[4] = {
      {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 0, 255}};
  for (const CRGBColor& c : palette) colours->GetVCPointList()->Add(CVCPoint(c));
  colours->GetVCFaceList()->SetSize(*quad->GetFaceList());
  colours->GetVCFaceList()->ElementAt(0)->SetQuadrangle(0, 1, 2, 3);
  quad->SetGlobalVCChannel(colours->GetChannelID(), 1.0f);
  return quad;
}

C3DSceneNode* named(const char* name, C3DBaseObject* object) {
  auto* node = new C3DSceneNode;
  node->SetName(name);
  node->SetObject(object);
  return node;
}

// arm (moved and turned) > panel (textured quad, scaled), arm > tip.
void buildScene(C3DScene& scene) {
  C3DMaterial* paint = scene.GetMaterials().CreateNewMaterial(1);
  paint->SetName("paint");
  paint->SetDiffuseColor(CRGBColor(200, 100, 50, 255));
  paint->AddMaterialMap("paint.png", 0xFFFFFFFF, MAP_DIFFUSE, PROJECTION_EXPLICIT);
  C3DMaterial* plain = scene.GetMaterials().CreateNewMaterial(2);
  plain->SetName("plain");
  plain->SetDiffuseColor(CRGBColor(10, 20, 30, 255));

  C3DSceneNode* arm = named("arm", new C3DGroup);
  arm->AddKey(0, C3DTranslateKey(C3DVector(1, 2, 3)));
  arm->AddKey(0, C3DRotateKey(1.5707964f, C3DVector(0, 0, 1)));
  scene.AddNode(nullptr, arm);
  C3DSceneNode* panel = named("panel", texturedQuad(1));
  panel->AddKey(0, C3DScaleKey(C3DVector(2, 2, 2)));
  scene.AddNode(arm, panel);
  C3DSceneNode* tip = vex3d::test::meshNode("tip");
  (*tip->GetObject()->GetPointList())[1].Init(1, 0, 0);
  (*tip->GetObject()->GetPointList())[2].Init(0, 1, 0);
  tip->GetObject()->GetFaceList()->ElementAt(0)->SetMaterialID(2);
  scene.AddNode(arm, tip);
}

// Each corner of the object as (world-free position, texture point, colour),
// so that point and face order do not matter.
using Corner = std::tuple<int, int, int, int, int, int, int, int>;

std::vector<Corner> corners(const C3DObject& object) {
  std::vector<Corner> out;
  const CDependentChannels& channels = *object.GetChannels();
  CUVWChannel* uv = channels.GetUVWChannelByIndex(0, 1);
  CVCChannel* vc = channels.GetVCChannelByIndex(0, 1);
  const C3DFaceList& faces = *object.GetFaceList();
  for (int f = 0; f < faces.GetSize(); ++f) {
    const C3DFace* face = faces.ElementAt(f);
    for (std::uint32_t k = 0; k < face->GetSize(); ++k) {
      const C3DPoint& p = (*object.GetPointList())[face->GetPointIndex(k)];
      int u = -1, v = -1, r = -1, g = -1;
      if (uv != nullptr) {
        const CUVWPoint& t = (*uv->GetUVWPointList())[uv->GetChannelPointIndex(f, k)];
        u = static_cast<int>(std::lround(t.u * 1000));
        v = static_cast<int>(std::lround(t.v * 1000));
      }
      if (vc != nullptr) {
        const CVCPoint& c = (*vc->GetVCPointList())[vc->GetChannelPointIndex(f, k)];
        r = c[0];
        g = c[1];
      }
      out.emplace_back(std::lround(p.x * 1000), std::lround(p.y * 1000), std::lround(p.z * 1000), u,
                       v, r, g, 0);
    }
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

void expectSameWorld(const C3DSceneNode& a, const C3DSceneNode& b) {
  C4x4Matrix ma, mb;
  a.GetNodeTM(0, ma, 0);
  b.GetNodeTM(0, mb, 0);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(ma(r, c), mb(r, c), 1e-4f) << a.GetName() << r << c;
}

const C3DMaterial* materialNamed(const C3DScene& scene, const std::string& name) {
  std::uint32_t index = 0;
  for (C3DMaterial* m = scene.GetFirstMaterial(index); m != nullptr;
       m = scene.GetNextMaterial(index))
    if (m->GetName() == name) return m;
  return nullptr;
}

// COLLADA gives the diffuse channel either a colour or a texture, so a
// textured material loses its colour there.
void expectRoundTrip(const C3DScene& original, const C3DScene& back, bool quadsKept,
                     bool texturedColourKept) {
  ASSERT_NE(findNode(back, "arm"), nullptr);
  ASSERT_NE(findNode(back, "panel"), nullptr);
  ASSERT_NE(findNode(back, "tip"), nullptr);
  EXPECT_EQ(back.GetParent(findNode(back, "panel")), findNode(back, "arm"));
  EXPECT_EQ(back.GetParent(findNode(back, "tip")), findNode(back, "arm"));
  for (const char* name : {"arm", "panel", "tip"})
    expectSameWorld(*findNode(original, name), *findNode(back, name));

  const C3DObject* panel = objectOf(back, "panel");
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->GetPointNbr(), 4) << "corners that share a position share a point";
  EXPECT_EQ(panel->GetFaceNbr(), quadsKept ? 1 : 2);
  if (quadsKept) {
    EXPECT_EQ(panel->GetFaceList()->ElementAt(0)->GetSize(), 4u);
  }
  EXPECT_EQ(corners(*panel), corners(*objectOf(original, "panel")));

  const C3DMaterial* paint = materialNamed(back, "paint");
  ASSERT_NE(paint, nullptr);
  if (texturedColourKept) {
    EXPECT_EQ(paint->GetDiffuseColor().GetRed(), 200);
    EXPECT_EQ(paint->GetDiffuseColor().GetGreen(), 100);
    EXPECT_EQ(paint->GetDiffuseColor().GetBlue(), 50);
  }
  ASSERT_NE(paint->GetDiffuseMaps(), nullptr);
  EXPECT_EQ(fs::path(paint->GetDiffuseMaps()->GetFileName()).filename(), "paint.png");
  EXPECT_EQ(panel->GetFaceList()->ElementAt(0)->GetMaterialID(), paint->GetMaterialID());
  const C3DMaterial* plain = materialNamed(back, "plain");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->GetDiffuseColor().GetRed(), 10);
  EXPECT_EQ(plain->GetDiffuseColor().GetGreen(), 20);
  EXPECT_EQ(plain->GetDiffuseColor().GetBlue(), 30);
  EXPECT_EQ(plain->GetDiffuseMaps(), nullptr);
  EXPECT_EQ(objectOf(back, "tip")->GetFaceList()->ElementAt(0)->GetMaterialID(),
            plain->GetMaterialID());
}

TEST_F(AssimpPluginTest, ColladaRoundTripKeepsHierarchyQuadsChannelsAndMaterials) {
  C3DScene scene;
  buildScene(scene);
  const std::string path = file("scene.dae");
  std::string error;
  ASSERT_EQ(save(path, scene, &error), 1) << error;
  std::unique_ptr<C3DScene> back = read(path);
  ASSERT_TRUE(back) << m_lastError;
  expectRoundTrip(scene, *back, true, false);
}

TEST_F(AssimpPluginTest, GltfRoundTripTriangulatesButKeepsTheRest) {
  for (const char* name : {"scene.gltf", "scene.glb"}) {
    SCOPED_TRACE(name);
    C3DScene scene;
    buildScene(scene);
    const std::string path = file(name);
    std::string error;
    ASSERT_EQ(save(path, scene, &error), 1) << error;
    std::unique_ptr<C3DScene> back = read(path);
    ASSERT_TRUE(back) << m_lastError;
    expectRoundTrip(scene, *back, false, true);
    EXPECT_EQ(objectOf(scene, "panel")->GetFaceNbr(), 1) << "the user's scene is not touched";
  }
}

// Names go without spaces and in ten characters, and come back as they
// went, in the same tree.
TEST_F(AssimpPluginTest, ThreeDsRemovesSpacesAndTriangulates) {
  C3DScene scene;
  buildScene(scene);
  findNode(scene, "panel")->SetName("a rather long panel");
  const std::string path = file("scene.3ds");
  std::string error;
  ASSERT_EQ(save(path, scene, &error), 1) << error;
  std::unique_ptr<C3DScene> back = read(path);
  ASSERT_TRUE(back) << m_lastError;
  const C3DSceneNode* arm = findNode(*back, "arm");
  ASSERT_NE(arm, nullptr);
  ASSERT_NE(findNode(*back, "tip"), nullptr);
  EXPECT_EQ(back->GetParent(findNode(*back, "tip")), arm);
  bool found = false;
  CSceneIterator it = back->Begin();
  C3DBaseObject* object = nullptr;
  while (C3DSceneNode* node = back->GetNextNode(object, it)) {
    EXPECT_EQ(node->GetName().find(' '), std::string::npos) << node->GetName();
    EXPECT_LE(node->GetName().size(), 10u) << node->GetName();
    if (auto* mesh = dynamic_cast<C3DObject*>(node->GetObject());
        mesh && mesh->GetPointNbr() == 4) {
      found = true;
      EXPECT_EQ(mesh->GetFaceNbr(), 2);
      EXPECT_EQ(node->GetName().rfind("a_rather", 0), 0u) << node->GetName();
      EXPECT_EQ(back->GetParent(node), arm);
    }
  }
  EXPECT_TRUE(found);
}

TEST_F(AssimpPluginTest, AnimatedNodesKeepTheirKeys) {
  const std::string sample = std::string(VEX3D_TEST_DATA_DIR) + "/samples/animated_groups.v3d";
  std::unique_ptr<C3DScene> scene = read(sample);
  ASSERT_TRUE(scene) << m_lastError;
  const std::string path = file("animated.dae");
  std::string error;
  ASSERT_EQ(save(path, *scene, &error), 1) << error;
  std::unique_ptr<C3DScene> back = read(path);
  ASSERT_TRUE(back) << m_lastError;
  for (const char* name : {"arm", "forearm", "hand", "elbow"}) {
    ASSERT_NE(findNode(*back, name), nullptr) << name;
  }
  const C3DSceneNode* forearm = findNode(*back, "forearm");
  EXPECT_EQ(forearm->GetTimeRange(0), CTimeRange(0, 100));
  for (int time : {0, 50, 100}) {
    C4x4Matrix a, b;
    findNode(*scene, "hand")->GetNodeTM(time, a, 0);
    findNode(*back, "hand")->GetNodeTM(time, b, 0);
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 4; ++c) EXPECT_NEAR(a(r, c), b(r, c), 1e-3f) << time << r << c;
  }
}

TEST_F(AssimpPluginTest, BundledSamplesConvert) {
  for (const char* sample : {"textured_cube", "animated_groups", "colored_quads"}) {
    SCOPED_TRACE(sample);
    std::unique_ptr<C3DScene> scene =
        read(std::string(VEX3D_TEST_DATA_DIR) + "/samples/" + sample + ".v3d");
    ASSERT_TRUE(scene) << m_lastError;
    for (const char* ext : {".fbx", ".glb", ".dae", ".3ds"}) {
      SCOPED_TRACE(ext);
      const std::string path = file(std::string(sample) + ext);
      std::string error;
      ASSERT_EQ(save(path, *scene, &error), 1) << error;
      std::unique_ptr<C3DScene> back = read(path);
      ASSERT_TRUE(back) << m_lastError;
      EXPECT_GT(back->GetFaceNbr(), 0);
    }
  }
}

// The alpha byte of a vertex colour is its weight against the material.
// Two primitives of one mesh become one object: the primitive without
// colours must keep its material rather than turn white.
TEST_F(AssimpPluginTest, GltfColoursAreOpaqueAndAPrimitiveWithoutThemKeepsItsMaterial) {
  vex3d::test::GltfPrimitive coloured;
  coloured.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  coloured.colours = {{1, 0, 0, 0.25f}, {0, 1, 0, 1}, {0, 0, 1, 0}};
  coloured.indices = {0, 1, 2};
  vex3d::test::GltfPrimitive plain;
  plain.positions = {{2, 0, 0}, {3, 0, 0}, {2, 1, 0}};
  plain.indices = {0, 1, 2};
  const std::string path = file("primitives.gltf");
  ASSERT_TRUE(vex3d::test::writeGltf(path, {coloured, plain}));
  std::unique_ptr<C3DScene> scene = read(path);
  ASSERT_TRUE(scene) << m_lastError;
  const C3DObject* object = objectOf(*scene, "coloured");
  ASSERT_NE(object, nullptr);
  ASSERT_EQ(object->GetFaceNbr(), 2);
  CVCChannel* vc = object->GetChannels()->GetVCChannelByIndex(0, 1);
  ASSERT_NE(vc, nullptr);
  // Corner colour by position: faces may come in any order. The file's y is
  // the scene's z once it stands up.
  std::map<float, CRGBColor> byX;
  for (int f = 0; f < 2; ++f) {
    const C3DFace* face = object->GetFaceList()->ElementAt(f);
    for (std::uint32_t k = 0; k < 3; ++k) {
      const C3DPoint& p = (*object->GetPointList())[face->GetPointIndex(k)];
      byX[p.x + 10 * p.z] = (*vc->GetVCPointList())[vc->GetChannelPointIndex(f, k)].GetColor();
    }
  }
  ASSERT_EQ(byX.size(), 6u);
  EXPECT_EQ(byX[0], CRGBColor(255, 0, 0, 255)) << "the file's alpha is not a weight";
  EXPECT_EQ(byX[1], CRGBColor(0, 255, 0, 255));
  EXPECT_EQ(byX[10], CRGBColor(0, 0, 255, 255));
  for (float at : {2.0f, 3.0f, 12.0f}) EXPECT_EQ(byX[at].GetAlpha(), 0) << at;
}

// A mesh that several nodes place is read once by the library: every node
// still gets all of it, whichever node is built first.
TEST_F(AssimpPluginTest, AMeshPlacedByTwoNodesIsWholeInBoth) {
  const std::string path = file("instanced.gltf");
  std::ofstream(path)
      << R"({"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0,3]}],)"
      << R"("nodes":[{"name":"group","children":[1,2]},{"name":"first","mesh":0},)"
      << R"({"name":"second","mesh":0,"translation":[5,0,0]},{"name":"third","mesh":0}],)"
      << R"("meshes":[{"primitives":[{"attributes":{"POSITION":0},"indices":1}]}],)"
      << R"("buffers":[{"byteLength":48,"uri":"data:application/octet-stream;base64,)"
      << R"(AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAAAAAEAAAACAAAA"}],)"
      << R"("bufferViews":[{"buffer":0,"byteOffset":0,"byteLength":36},)"
      << R"({"buffer":0,"byteOffset":36,"byteLength":12}],)"
      << R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3",)"
      << R"("min":[0,0,0],"max":[1,1,0]},{"bufferView":1,"componentType":5125,"count":3,)"
      << R"("type":"SCALAR"}]})";
  std::unique_ptr<C3DScene> scene = read(path);
  ASSERT_TRUE(scene) << m_lastError;
  for (const char* name : {"first", "second", "third"}) {
    const C3DObject* object = objectOf(*scene, name);
    ASSERT_NE(object, nullptr) << name;
    EXPECT_EQ(object->GetFaceNbr(), 1) << name;
    EXPECT_EQ(object->GetPointList()->GetSize(), 3) << name;
  }
}

// Two triangles meeting along an edge, each in one colour given without
// alpha: the points of the edge are shared, their colours are not.
TEST_F(AssimpPluginTest, CornersThatDifferOnlyInColourKeepTheirColours) {
  vex3d::test::GltfPrimitive edge;
  edge.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  edge.colours = {{1, 0, 0, 1}, {1, 0, 0, 1}, {1, 0, 0, 1},
                  {0, 0, 1, 1}, {0, 0, 1, 1}, {0, 0, 1, 1}};
  edge.indices = {0, 1, 2, 3, 4, 5};
  edge.opaqueColours = true;
  const std::string path = file("edge.gltf");
  ASSERT_TRUE(vex3d::test::writeGltf(path, {edge}));
  std::unique_ptr<C3DScene> scene = read(path);
  ASSERT_TRUE(scene) << m_lastError;
  const C3DObject* object = objectOf(*scene, "coloured");
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->GetPointList()->GetSize(), 4) << "the edge's points are shared";
  CVCChannel* vc = object->GetChannels()->GetVCChannelByIndex(0, 1);
  ASSERT_NE(vc, nullptr);
  for (int f = 0; f < 2; ++f) {
    const CRGBColor first = (*vc->GetVCPointList())[vc->GetChannelPointIndex(f, 0)].GetColor();
    EXPECT_TRUE(first == CRGBColor(255, 0, 0, 255) || first == CRGBColor(0, 0, 255, 255)) << f;
    for (std::uint32_t k = 1; k < 3; ++k) {
      EXPECT_EQ((*vc->GetVCPointList())[vc->GetChannelPointIndex(f, k)].GetColor(), first)
          << "face " << f << " is one colour";
    }
  }
  EXPECT_NE((*vc->GetVCPointList())[vc->GetChannelPointIndex(0, 0)].GetColor(),
            (*vc->GetVCPointList())[vc->GetChannelPointIndex(1, 0)].GetColor());
}

// Files of lines or of bare points (drawings, point clouds) once failed
// with the library's "no meshes remaining". Lines come from the library as
// segments, whatever the file drew; a curve is one line strip.
TEST_F(AssimpPluginTest, LinesBecomeCurvesAndBarePointsAnObjectOfPoints) {
  auto kindsOf = [](const C3DScene& scene) {
    std::multiset<std::pair<int, int>> kinds;  // (kind, points)
    CSceneIterator it = scene.Begin();
    C3DBaseObject* object = nullptr;
    while (scene.GetNextNode(object, it) != nullptr) {
      if (object != nullptr) kinds.insert({object->GetKindOf(), object->GetPointNbr()});
    }
    return kinds;
  };

  // A strip keeps its points in order; the file's y stands up as z.
  vex3d::test::GltfPrimitive strip;
  strip.positions = {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {3, 1, 0}};
  strip.indices = {0, 1, 2, 3};
  strip.mode = 3;
  ASSERT_TRUE(vex3d::test::writeGltf(file("strip.gltf"), {strip}));
  std::unique_ptr<C3DScene> scene = read(file("strip.gltf"));
  ASSERT_TRUE(scene) << m_lastError;
  C3DSceneNode* node = findNode(*scene, "coloured");
  ASSERT_NE(node, nullptr);
  ASSERT_EQ(node->GetObject()->GetKindOf(), OBJECT_CURVE);
  const C3DPointList& run = *node->GetObject()->GetPointList();
  ASSERT_EQ(run.GetSize(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(run.ElementAt(i).x, static_cast<float>(i));
    EXPECT_FLOAT_EQ(run.ElementAt(i).z, static_cast<float>(i % 2));
  }

  // Separate segments, out of order and some reversed, that go round a
  // square join into one closed strip; one segment elsewhere is a strip of
  // its own. Two strips: the node becomes a group of two curves.
  vex3d::test::GltfPrimitive segments;
  segments.positions = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {5, 5, 5}, {6, 5, 5}};
  segments.indices = {2, 3, 0, 1, 2, 1, 4, 5, 0, 3};
  segments.mode = 1;
  ASSERT_TRUE(vex3d::test::writeGltf(file("segments.gltf"), {segments}));
  scene = read(file("segments.gltf"));
  ASSERT_TRUE(scene) << m_lastError;
  EXPECT_EQ(kindsOf(*scene), (std::multiset<std::pair<int, int>>{
                                 {OBJECT_GROUP, 0}, {OBJECT_CURVE, 5}, {OBJECT_CURVE, 2}}));

  // Bare points: an object of points without faces.
  vex3d::test::GltfPrimitive cloud;
  cloud.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  cloud.indices = {0, 1, 2};
  cloud.mode = 0;
  ASSERT_TRUE(vex3d::test::writeGltf(file("cloud.gltf"), {cloud}));
  scene = read(file("cloud.gltf"));
  ASSERT_TRUE(scene) << m_lastError;
  EXPECT_EQ(kindsOf(*scene), (std::multiset<std::pair<int, int>>{{OBJECT_POLYGONAL, 3}}));
  EXPECT_EQ(scene->GetFaceNbr(), 0);

  // Faces with lines beside them: the faces keep the node, the strip is a
  // child of it.
  vex3d::test::GltfPrimitive triangle;
  triangle.positions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  triangle.indices = {0, 1, 2};
  ASSERT_TRUE(vex3d::test::writeGltf(file("mixed.gltf"), {triangle, strip}));
  scene = read(file("mixed.gltf"));
  ASSERT_TRUE(scene) << m_lastError;
  node = findNode(*scene, "coloured");
  ASSERT_NE(node, nullptr);
  ASSERT_EQ(node->GetObject()->GetKindOf(), OBJECT_POLYGONAL);
  EXPECT_EQ(node->GetObject()->GetFaceNbr(), 1);
  const C3DSceneNode* child = scene->GetFirstNode(node);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(scene->GetParent(child), node);
  EXPECT_EQ(child->GetObject()->GetKindOf(), OBJECT_CURVE);
  EXPECT_EQ(child->GetObject()->GetPointNbr(), 4);
}

TEST_F(AssimpPluginTest, BrokenFilesAreErrorsNotCrashes) {
  C3DScene scene;
  buildScene(scene);
  const std::string gltf = file("whole.gltf");
  ASSERT_EQ(save(gltf, scene), 1);
  std::string text;
  {
    std::ifstream in(gltf);
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  std::ofstream(file("cut.gltf")) << text.substr(0, text.size() / 2);
  int error = 0;
  EXPECT_EQ(read(file("cut.gltf"), &error), nullptr);
  EXPECT_EQ(error, IO_ERROR_PARSER_EXCEPTION);

  std::mt19937 random(7);
  std::string noise(4096, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  for (const char* name : {"noise.fbx", "noise.glb", "noise.dae", "noise.3ds", "noise.blend"}) {
    std::ofstream(file(name), std::ios::binary) << noise;
    EXPECT_EQ(read(file(name), &error), nullptr) << name;
    EXPECT_EQ(error, IO_ERROR_PARSER_EXCEPTION) << name;
  }
}

// A chunk length of 2^31 in a small file once made the library clear
// gigabytes before failing; a total length past the end is refused too.
TEST_F(AssimpPluginTest, BinaryGltfLengthsPastTheEndAreRefusedQuickly) {
  C3DScene scene;
  buildScene(scene);
  const std::string glb = file("whole.glb");
  ASSERT_EQ(save(glb, scene), 1);
  std::string bytes;
  {
    std::ifstream in(glb, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
  }
  ASSERT_GT(bytes.size(), 20u);
  ASSERT_TRUE(read(glb)) << m_lastError;
  const struct {
    const char* name;
    std::size_t at;
    std::uint32_t value;
  } damages[] = {{"json-2pow31.glb", 12, 0x80000000u},
                 {"json-ffffffff.glb", 12, 0xFFFFFFFFu},
                 {"json-one-past.glb", 12, static_cast<std::uint32_t>(bytes.size() - 19)},
                 {"total-2pow31.glb", 8, 0x80000000u}};
  for (const auto& damage : damages) {
    SCOPED_TRACE(damage.name);
    std::string damaged = bytes;
    for (int i = 0; i < 4; ++i)
      damaged[damage.at + i] = static_cast<char>((damage.value >> (8 * i)) & 0xFF);
    std::ofstream(file(damage.name), std::ios::binary) << damaged;
    int error = 0;
    EXPECT_EQ(read(file(damage.name), &error), nullptr);
    EXPECT_EQ(error, IO_ERROR_PARSER_EXCEPTION);
    EXPECT_NE(m_lastError.find("past the end"), std::string::npos) << m_lastError;
  }
}

}  // namespace
