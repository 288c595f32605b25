#include "scene/scene.h"

#include <gtest/gtest.h>

#include <vector>

#include "animation/vector_key.h"
#include "hostlib/core/archive.h"
#include "hostlib/core/exceptions.h"
#include "hostlib/files/profile.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"
#include "scene/object_kinds.h"
#include "scene/scene_builders.h"

namespace {

using vex3d::test::groupNode;
using vex3d::test::load;
using vex3d::test::meshNode;
using vex3d::test::names;
using vex3d::test::store;

TEST(SceneTest, NewSceneHoldsOnlyItsRoot) {
  C3DScene scene;
  EXPECT_EQ(scene.GetNodeNbr(0), 0);
  EXPECT_EQ(scene.GetNodeNbr(1), 0);
  EXPECT_EQ(scene.GetPointNbr(), 0);
  EXPECT_EQ(scene.GetFirstNode(), nullptr);
  ASSERT_NE(scene.GetSceneRoot(), nullptr);
  EXPECT_EQ(scene.GetSceneRoot()->GetName(), "Scene");
  EXPECT_EQ(scene.GetSceneRoot()->GetObject()->GetKindOf(), OBJECT_GROUP);
  EXPECT_EQ(scene.GetNodeDepth(scene.GetSceneRoot()), 0u);
  EXPECT_EQ(scene.GetNodeDepth(nullptr), 0xFFFFFFFFu);
  EXPECT_EQ(scene.RemoveNode(scene.GetSceneRoot(), 1), nullptr);
  EXPECT_NE(scene.GetSceneRoot(), nullptr);
}

TEST(SceneTest, NodesCountsAndSearch) {
  C3DScene scene;
  C3DSceneNode* group = groupNode("group");
  scene.AddNode(nullptr, group);
  C3DSceneNode* a = meshNode("a", 3, 1);
  scene.AddNode(group, a);
  scene.AddNode(group, meshNode("b", 4, 2));
  scene.AddNode(nullptr, meshNode("c", 5, 1));
  EXPECT_EQ(names(scene), (std::vector<std::string>{"group", "a", "b", "c"}));
  EXPECT_EQ(scene.GetNodeNbr(0), 4);
  EXPECT_EQ(scene.GetNodeNbr(1), 3);
  EXPECT_EQ(scene.GetPointNbr(), 12);
  EXPECT_EQ(scene.GetFaceNbr(), 4);
  EXPECT_EQ(scene.GetNodeDepth(a), 2u);
  EXPECT_EQ(scene.GetParent(a), group);
  EXPECT_EQ(scene.FindSceneNode(a->GetObject()), a);
  EXPECT_EQ(a->GetScene(), &scene);
  C3DObject stranger;
  EXPECT_FALSE(scene.IsObjectInScene(&stranger));

  // Deleting while walking: take the node, then advance.
  CSceneIterator it = scene.Begin();
  C3DBaseObject* object = nullptr;
  while (C3DSceneNode* node = scene.GetNextNode(object, it)) {
    if (node->GetName() == "b") scene.RemoveNode(node, 1);
  }
  EXPECT_EQ(names(scene), (std::vector<std::string>{"group", "a", "c"}));
  C3DSceneNode* detached = scene.RemoveNode(a, 0);
  EXPECT_EQ(detached, a);
  EXPECT_FALSE(scene.IsNodeInScene(a));
  delete detached;
}

TEST(SceneTest, CloneNodeDoesNotOwnItsObject) {
  C3DScene scene;
  C3DSceneNode* owner = meshNode("owner");
  scene.AddNode(nullptr, owner);
  auto* clone = new C3DSceneNode;
  clone->SetObject(owner->GetObject());
  clone->SetFlag(NODE_CLONE, 1);
  scene.AddNode(nullptr, clone);
  scene.RemoveNode(clone, 1);
  EXPECT_EQ(owner->GetObject()->GetPointNbr(), 3) << "still alive for its owner";
}

TEST(SceneTest, CleanGroupsAndRemoveGroups) {
  C3DScene scene;
  C3DSceneNode* outer = groupNode("outer");
  scene.AddNode(nullptr, outer);
  C3DSceneNode* inner = groupNode("inner");
  scene.AddNode(outer, inner);
  scene.AddNode(inner, meshNode("mesh"));
  scene.AddNode(nullptr, groupNode("empty"));
  scene.CleanGroups();
  EXPECT_EQ(names(scene), (std::vector<std::string>{"mesh"}));
  EXPECT_EQ(scene.GetNodeDepth(scene.GetFirstNode()), 1u);

  C3DScene flat;
  C3DSceneNode* g = groupNode("g");
  flat.AddNode(nullptr, g);
  flat.AddNode(g, meshNode("x"));
  C3DSceneNode* h = groupNode("h");
  flat.AddNode(g, h);
  flat.AddNode(h, meshNode("y"));
  flat.AddNode(g, meshNode("z"));
  flat.RemoveGroups();
  EXPECT_EQ(flat.GetNodeNbr(0), 3);
  EXPECT_EQ(flat.GetNodeNbr(1), 3);
  for (C3DSceneNode* n = flat.GetFirstNode(); n; n = flat.GetRightNode(n)) {
    EXPECT_EQ(flat.GetNodeDepth(n), 1u) << n->GetName();
  }
}

TEST(SceneTest, TimeIsClampedToTheKeys) {
  C3DScene scene;
  C3DSceneNode* node = meshNode("moving");
  scene.AddNode(nullptr, node);
  EXPECT_EQ(scene.SetCurrentTime(50), 0) << "no keys: the range is (0, 0)";
  node->CreateKey(100, vex3d::kKeyScale);
  EXPECT_EQ(scene.GetTimeRange().GetEnd(), 100);
  EXPECT_EQ(scene.SetCurrentTime(250), 1);
  EXPECT_EQ(scene.GetTickCount(), 100);
  EXPECT_EQ(scene.SetCurrentTime(400), 0);
}

TEST(SceneTest, FileNameAndSmoothAngle) {
  C3DScene scene;
  scene.SetFilename(CFileNameSpec("/models/car/car.obj", 0x4F424A20));
  EXPECT_EQ(scene.GetFilepath(), "/models/car/");
  scene.SetGlobalSmoothAngle(45.7f * 3.1415927f / 180.0f);
  EXPECT_EQ(CAppProfile::Get().GetProfileInt("Render", "smooth", 0), 45);
}

TEST(SceneTest, ArchiveRoundTripAndBrokenInput) {
  C3DScene scene;
  C3DSceneNode* group = groupNode("group");
  scene.AddNode(nullptr, group);
  C3DSceneNode* a = meshNode("a", 3, 1);
  a->SetExtraValue(-7);
  a->SetFlag(NODE_HIDDEN, 1);
  scene.AddNode(group, a);
  scene.CreateNewMaterial()->SetName("red");
  scene.SetFilename(CFileNameSpec("/x/y.v3d", 1));
  const std::vector<std::uint8_t> bytes = store(scene);

  C3DScene loaded;
  load(loaded, bytes);
  EXPECT_EQ(names(loaded), (std::vector<std::string>{"group", "a"}));
  EXPECT_EQ(loaded.GetMaterialNumber(), 1);
  C3DSceneNode* la = loaded.GetChildNode(loaded.GetFirstNode());
  ASSERT_NE(la, nullptr);
  EXPECT_EQ(la->GetExtraValue(), -7);
  EXPECT_TRUE(la->IsFlagSet(NODE_HIDDEN));
  EXPECT_EQ(la->GetScene(), &loaded);
  EXPECT_EQ(la->GetObject()->GetPointNbr(), 3);
  EXPECT_EQ(store(loaded), bytes);

  for (std::size_t cut = 4; cut < bytes.size(); cut += 11) {
    C3DScene target;
    target.AddNode(nullptr, meshNode("kept"));
    const std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
    EXPECT_THROW(load(target, part), CArchiveException) << cut;
    EXPECT_EQ(names(target), (std::vector<std::string>{"kept"})) << "nothing half-built shows";
  }
  // Another version reads nothing and keeps the scene.
  std::vector<std::uint8_t> other = bytes;
  other[0] = 2;
  C3DScene target;
  target.AddNode(nullptr, meshNode("kept"));
  load(target, other);
  EXPECT_EQ(names(target), (std::vector<std::string>{"kept"}));
}

TEST(SceneTest, MaterialWalkAndSearch) {
  C3DScene scene;
  C3DMaterial* red = scene.CreateNewMaterial();
  red->SetName("red");
  red->SetDiffuseColor(CRGBColor(255, 0, 0));
  C3DMaterial* blue = scene.CreateNewMaterial();
  blue->SetName("blue");
  blue->SetDiffuseColor(CRGBColor(0, 0, 255));
  int seen = 0;
  std::uint32_t index = 0;
  for (C3DMaterial* m = scene.GetFirstMaterial(index); m; m = scene.GetNextMaterial(index)) ++seen;
  EXPECT_EQ(seen, 2);
  EXPECT_EQ(index, 0xFFFFFFFFu);
  EXPECT_EQ(scene.GetMaterialID("blue"), blue->GetMaterialID());
  EXPECT_EQ(scene.FindMaterial(*red, 1), red);
  C3DMaterial like;
  like.SetName("other name");
  like.SetDiffuseColor(CRGBColor(0, 0, 255));
  EXPECT_EQ(scene.FindMaterial(like, 1), nullptr);
  scene.SetGlobalPatchLevel(3);
  EXPECT_EQ(GetGlobalPatchLevel(), 3u);
  EXPECT_EQ(CAppProfile::Get().GetProfileInt("Render", "patchlevel", 0), 3);
}

TEST(SceneTest, ConcatenateKeepsVisibleMeshesOnly) {
  C3DScene scene;
  C3DSceneNode* group = groupNode("group");
  scene.AddNode(nullptr, group);
  scene.AddNode(group, meshNode("a", 3, 1));
  scene.AddNode(nullptr, meshNode("b", 4, 2));
  C3DSceneNode* hidden = meshNode("hidden", 5, 5);
  hidden->SetFlag(NODE_HIDDEN, 1);
  scene.AddNode(nullptr, hidden);
  scene.Concatenate("all");
  EXPECT_EQ(names(scene), (std::vector<std::string>{"all"}));
  const C3DBaseObject* all = scene.GetChildNode(nullptr)->GetObject();
  EXPECT_EQ(all->GetPointNbr(), 7);
  EXPECT_EQ(all->GetFaceNbr(), 3);
  EXPECT_EQ((*all->GetFaceList()->ElementAt(1))[0], 3) << "indices of b shifted past a's points";

  C3DScene curves;
  curves.AddNode(nullptr, groupNode("only a group"));
  curves.Concatenate("nothing");
  EXPECT_EQ(curves.GetNodeNbr(0), 0);
}

// A lone mesh moves into the concatenated object instead of being copied;
// the result must be what appending it would have given.
TEST(SceneTest, ConcatenatingALoneMeshMovesItWithItsStoredChannels) {
  C3DScene scene;
  C3DSceneNode* node = meshNode("only", 4, 2);
  C3DBaseObject* source = node->GetObject();
  source->GetFaceList()->ElementAt(1)->SetTriangle(1, 3, 2);
  auto* uv = new CUVWChannel(42);
  for (int i = 0; i < 4; ++i) uv->GetUVWPointList()->Add(CUVWPoint(static_cast<float>(i), 0, 0));
  uv->GetFaceList()->SetSize(*source->GetFaceList());
  for (int f = 0; f < 2; ++f) {
    for (int k = 0; k < 3; ++k)
      (*uv->GetFaceList()->ElementAt(f))[k] = (*source->GetFaceList()->ElementAt(f))[k];
  }
  source->AddChannel(uv);
  ASSERT_NE(source->GetPointNormalChannel(), nullptr);  // computed, not stored
  scene.AddNode(nullptr, node);

  scene.Concatenate("merged");
  ASSERT_EQ(names(scene), (std::vector<std::string>{"merged"}));
  const C3DBaseObject* merged = scene.GetChildNode(nullptr)->GetObject();
  EXPECT_EQ(merged->GetPointNbr(), 4);
  EXPECT_EQ(merged->GetFaceNbr(), 2);
  EXPECT_EQ((*merged->GetFaceList()->ElementAt(1))[1], 3);
  ASSERT_EQ(merged->GetChannels()->GetSize(), 1) << "computed normals are not carried over";
  const CChannel* kept = merged->GetChannels()->GetChannelByID(42);
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->GetPointList()->GetSize(), 4);
  EXPECT_EQ((*kept->GetFaceList()->ElementAt(1))[1], 3);
  EXPECT_TRUE(merged->GetFaceList()->IsFlagSet(FACELIST_CHANGED));
}

}  // namespace
