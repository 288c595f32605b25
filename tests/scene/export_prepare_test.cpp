#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "animation/vector_key.h"
#include "mesh/algorithms/patch.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/texture_channels.h"
#include "scene/scene_builders.h"
#include "scene/scene_io_options.h"

namespace {

using vex3d::test::groupNode;
using vex3d::test::meshNode;
using vex3d::test::names;
using vex3d::test::store;

std::vector<std::string> logTexts(const CIoOptions& options, int level) {
  std::vector<std::string> out;
  for (const CIoOptions::LogEntry& e : options.GetLog()) {
    if (e.level == level) out.push_back(e.text);
  }
  return out;
}

// A node of `faces` triangles over three points.
C3DSceneNode* trianglesNode(const char* name, int faces) { return meshNode(name, 3, faces); }

C3DSceneNode* polygonNode(const char* name, std::initializer_list<int> sizes) {
  C3DSceneNode* node = meshNode(name, 5, static_cast<int>(sizes.size()));
  int f = 0;
  for (int size : sizes) {
    C3DFace* face = node->GetObject()->GetFaceList()->ElementAt(f++);
    face->SetSize(static_cast<std::uint32_t>(size));
    for (int k = 0; k < size; ++k) (*face)[static_cast<std::uint32_t>(k)] = k;
  }
  // Distinct positions so that triangulation has real polygons to cut.
  C3DPointList& p = *node->GetObject()->GetPointList();
  p.ElementAt(0) = C3DPoint(0, 0, 0);
  p.ElementAt(1) = C3DPoint(2, 0, 0);
  p.ElementAt(2) = C3DPoint(3, 2, 0);
  p.ElementAt(3) = C3DPoint(1, 3, 0);
  p.ElementAt(4) = C3DPoint(-1, 2, 0);
  return node;
}

TEST(ExportPrepareTest, TheUserSceneIsNeverModified) {
  C3DScene user;
  C3DSceneNode* group = groupNode("group");
  user.AddNode(nullptr, group);
  user.AddNode(group, polygonNode("pentagon", {5}));
  user.AddNode(nullptr, meshNode("hidden"));
  user.GetRightNode(group)->SetFlag(NODE_HIDDEN, 1);
  user.GetChildNode(group)->AddKey(0, C3DTranslateKey(C3DVector(5, 0, 0)));
  const std::vector<std::uint8_t> before = store(user);

  CSceneExportOptions options;
  options.m_flags = EXPORT_TRIANGULATE | EXPORT_REMOVE_GROUPS | EXPORT_WORLD_COORDINATES |
                    EXPORT_CONCATENATE | EXPORT_NAME_RULES;
  options.m_objectNameRule = NAME_RULE_NO_SPACES | 8;
  options.m_fileName = "/tmp/out/model file.3ds";
  C3DScene* prepared = user.InitExport(options);
  ASSERT_NE(prepared, nullptr);
  EXPECT_NE(prepared, &user);
  EXPECT_EQ(prepared, options.GetExportScene());
  EXPECT_EQ(store(user), before);

  // One object named after the file, in world coordinates, triangles only.
  EXPECT_EQ(names(*prepared), (std::vector<std::string>{"model_fi"}));
  C3DBaseObject* object = prepared->GetChildNode(nullptr)->GetObject();
  EXPECT_EQ(object->GetFaceNbr(), 3);
  EXPECT_EQ(object->GetPointList()->ElementAt(0).x, 5.0f);
  EXPECT_EQ(prepared->GetChildNode(nullptr)->GetKeyNbr(), 0);
  const std::vector<std::string> changes = logTexts(options, CIoOptions::logChange);
  EXPECT_NE(std::find(changes.begin(), changes.end(), "Removing object hidden"), changes.end());
  EXPECT_NE(std::find(changes.begin(), changes.end(), "Triangulating object pentagon"),
            changes.end());
  EXPECT_NE(std::find(changes.begin(), changes.end(), "Concatenating 3D scene"), changes.end());

  C3DScene::ReleaseExport(options);
  EXPECT_EQ(options.GetExportScene(), nullptr);
  C3DScene::ReleaseExport(options);
}

TEST(ExportPrepareTest, PolygonsAboveFourCornersOnly) {
  C3DScene user;
  user.AddNode(nullptr, polygonNode("mixed", {3, 4, 5}));
  CSceneExportOptions options;
  options.m_flags = EXPORT_TRIANGULATE_POLYGONS;
  C3DScene* prepared = user.InitExport(options);
  ASSERT_NE(prepared, nullptr);
  const C3DFaceList& faces = *prepared->GetChildNode(nullptr)->GetObject()->GetFaceList();
  ASSERT_EQ(faces.GetSize(), 5);
  int triangles = 0;
  int quads = 0;
  for (int f = 0; f < faces.GetSize(); ++f) {
    triangles += faces.ElementAt(f)->GetSize() == 3;
    quads += faces.ElementAt(f)->GetSize() == 4;
  }
  EXPECT_EQ(triangles, 4);
  EXPECT_EQ(quads, 1);
}

TEST(ExportPrepareTest, LimitsDropObjectsWithAWarning) {
  C3DScene user;
  user.AddNode(nullptr, trianglesNode("big", 101));
  user.AddNode(nullptr, trianglesNode("fits", 100));
  CSceneExportOptions options;
  options.m_maxFaces = 100;
  C3DScene* prepared = user.InitExport(options);
  ASSERT_NE(prepared, nullptr);
  EXPECT_EQ(names(*prepared), (std::vector<std::string>{"fits"}));
  const std::vector<std::string> warnings = logTexts(options, CIoOptions::logWarning);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0],
            "The object big have to many faces for the selected exportation format (limited to "
            "100 faces).\nUse Facetrim to resolve this problem.");
}

TEST(ExportPrepareTest, NothingLeftGivesNullAndAnError) {
  C3DScene user;
  user.AddNode(nullptr, meshNode("hidden"));
  user.GetChildNode(nullptr)->SetFlag(NODE_HIDDEN, 1);
  C3DSceneNode* empty = meshNode("empty");
  empty->GetObject()->SetFlag(OBJECT_EMPTY, 1);
  user.AddNode(nullptr, empty);
  CSceneExportOptions options;
  EXPECT_EQ(user.InitExport(options), nullptr);
  EXPECT_EQ(options.GetExportScene(), nullptr);
  EXPECT_EQ(options.GetMaxLogLevel(), CIoOptions::logError);
  EXPECT_EQ(logTexts(options, CIoOptions::logError),
            (std::vector<std::string>{"The scene have no object to save."}));
  EXPECT_EQ(user.GetNodeNbr(0), 2) << "the user's nodes stay";
}

TEST(ExportPrepareTest, NameRulesMakeUniqueNamesWithoutSpaces) {
  C3DScene user;
  user.AddNode(nullptr, meshNode("my box"));
  user.AddNode(nullptr, meshNode("my box"));
  user.GetMaterials().CreateNewMaterial(0)->SetName("old wood");
  user.GetChildNode(nullptr)->GetObject()->GetFaceList()->ElementAt(0)->SetMaterialID(0);
  CSceneExportOptions options;
  options.m_objectNameRule = NAME_RULE_NO_SPACES | 10;
  options.m_materialNameRule = NAME_RULE_NO_SPACES;
  C3DScene* prepared = user.InitExport(options);
  ASSERT_NE(prepared, nullptr);
  const std::vector<std::string> result = names(*prepared);
  ASSERT_EQ(result.size(), 2u);
  EXPECT_NE(result[0], result[1]);
  for (const std::string& name : result) EXPECT_EQ(name.find(' '), std::string::npos);
  const std::vector<std::string> changes = logTexts(options, CIoOptions::logChange);
  EXPECT_EQ(std::count_if(changes.begin(), changes.end(),
                          [](const std::string& s) { return s.rfind("Changing object", 0) == 0; }),
            2);
  EXPECT_EQ(prepared->GetMaterial(0)->GetName(), "old_wood");
  EXPECT_EQ(user.GetMaterial(0)->GetName(), "old wood");
}

TEST(ExportPrepareTest, ChannelRemovalAndUnusedMaterials) {
  C3DScene user;
  C3DSceneNode* node = meshNode("textured");
  auto* uvw = new CUVWChannel;
  uvw->GetPointList()->SetSize(3);
  uvw->GetFaceList()->SetSize(*node->GetObject()->GetFaceList());
  node->GetObject()->AddChannel(uvw);
  node->GetObject()->GetFaceList()->ElementAt(0)->SetMaterialID(2);
  user.AddNode(nullptr, node);
  user.GetMaterials().CreateNewMaterial(9)->SetName("unused");
  CSceneExportOptions options;
  options.m_flags = EXPORT_REMOVE_UVW;
  C3DScene* prepared = user.InitExport(options);
  ASSERT_NE(prepared, nullptr);
  EXPECT_EQ(prepared->GetChildNode(nullptr)->GetObject()->GetChannels()->GetSize(), 0);
  EXPECT_EQ(logTexts(options, CIoOptions::logChange),
            (std::vector<std::string>{"Removing UV for textured"}));
  EXPECT_EQ(prepared->GetMaterialID("unused"), 0xFFFFFFFFu);
  EXPECT_NE(prepared->GetMaterial(2), nullptr) << "a used id gets a default material";
  EXPECT_EQ(node->GetObject()->GetChannels()->GetSize(), 1);
}

TEST(ExportPrepareTest, InPlaceWorksOnTheUserScene) {
  C3DScene user;
  user.AddNode(nullptr, polygonNode("quad", {4}));
  CSceneExportOptions options;
  options.m_flags = EXPORT_IN_PLACE | EXPORT_TRIANGULATE;
  EXPECT_EQ(user.InitExport(options), &user);
  EXPECT_EQ(options.GetExportScene(), nullptr);
  EXPECT_EQ(user.GetChildNode(nullptr)->GetObject()->GetFaceNbr(), 2);
}

}  // namespace

namespace {

TEST(ExportPrepareTest, PatchesBecomeTheirControlMeshWithChannelsRemovedToo) {
  C3DScene user;
  auto* patch = new C3DPatch;
  patch->SetPointList(new C3DPointList);
  patch->SetFaceList(new C3DFaceList);
  for (const C3DPoint& p :
       {C3DPoint(0, 0, 0), C3DPoint(1, 0, 0), C3DPoint(1, 1, 0), C3DPoint(0, 1, 0)}) {
    patch->GetPointList()->Add(p);
  }
  patch->GetFaceList()->SetSize(1, 4);
  patch->GetFaceList()->ElementAt(0)->SetQuadrangle(0, 1, 2, 3);
  auto* uvw = new CUVWChannel;
  uvw->GetPointList()->SetSize(4);
  uvw->GetFaceList()->SetSize(*patch->GetFaceList());
  uvw->GetFaceList()->ElementAt(0)->SetQuadrangle(0, 1, 2, 3);
  patch->AddChannel(uvw);
  patch->SetLevel(2);
  ASSERT_EQ(patch->GetFaceNbr(), 16);
  auto* node = new C3DSceneNode;
  node->SetName("smooth");
  node->SetObject(patch);
  user.AddNode(nullptr, node);

  CSceneExportOptions options;
  options.m_flags = EXPORT_PATCHES_TO_SOURCE | EXPORT_REMOVE_UVW;
  C3DScene* prepared = user.InitExport(options);
  ASSERT_NE(prepared, nullptr);
  const C3DBaseObject* object = prepared->GetChildNode(nullptr)->GetObject();
  EXPECT_EQ(object->GetKindOf(), OBJECT_POLYGONAL);
  EXPECT_EQ(object->GetFaceNbr(), 1);
  EXPECT_EQ(object->GetChannels()->GetSize(), 0);

  CSceneExportOptions subdivided;
  subdivided.m_flags = EXPORT_PATCHES_TO_MESHES;
  prepared = user.InitExport(subdivided);
  ASSERT_NE(prepared, nullptr);
  EXPECT_EQ(prepared->GetChildNode(nullptr)->GetObject()->GetFaceNbr(), 16);
}

}  // namespace
