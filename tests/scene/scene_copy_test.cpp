#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "animation/vector_key.h"
#include "mesh/algorithms/patch.h"
#include "scene/object_creator.h"
#include "scene/scene_builders.h"

namespace {

using vex3d::test::groupNode;
using vex3d::test::meshNode;
using vex3d::test::names;

constexpr std::uint32_t kSourceNodeKey = 0x52464E4F;    // 'RFNO'
constexpr std::uint32_t kSourceObjectKey = 0x52464F42;  // 'RFOB'

std::uint64_t taggedAddress(const CCustomData& data, std::uint32_t key) {
  const std::vector<std::uint8_t>* bytes = data.GetBinary(key);
  std::uint64_t address = 0;
  if (bytes != nullptr && bytes->size() == sizeof address) {
    std::memcpy(&address, bytes->data(), sizeof address);
  }
  return address;
}

// root: a, g1 { b, g2 { c } }, d; faces of b use material 7, of c 9.
struct Hierarchy {
  C3DScene scene;
  C3DSceneNode* a = meshNode("a");
  C3DSceneNode* g1 = groupNode("g1");
  C3DSceneNode* b = meshNode("b");
  C3DSceneNode* g2 = groupNode("g2");
  C3DSceneNode* c = meshNode("c");
  C3DSceneNode* d = meshNode("d");
  Hierarchy() {
    scene.AddNode(nullptr, a);
    scene.AddNode(nullptr, g1);
    scene.AddNode(g1, b);
    scene.AddNode(g1, g2);
    scene.AddNode(g2, c);
    scene.AddNode(nullptr, d);
    b->GetObject()->GetFaceList()->ElementAt(0)->SetMaterialID(7);
    c->GetObject()->GetFaceList()->ElementAt(0)->SetMaterialID(9);
    scene.GetMaterials().CreateNewMaterial(7)->SetName("seven");
    scene.GetMaterials().CreateNewMaterial(9)->SetName("nine");
    scene.GetMaterials().CreateNewMaterial(11)->SetName("unused");
  }
};

TEST(SceneCopyTest, WholeSceneKeepsTheHierarchyAndTheUsedMaterials) {
  Hierarchy h;
  h.b->AddKey(10, C3DTranslateKey(C3DVector(1, 2, 3)));
  std::unique_ptr<C3DScene> copy = h.scene.Copy(0, nullptr, nullptr);
  ASSERT_TRUE(copy);
  EXPECT_EQ(names(*copy), (std::vector<std::string>{"a", "g1", "b", "g2", "c", "d"}));
  C3DSceneNode* b = copy->GetChildNode(copy->GetRightNode(copy->GetChildNode(nullptr)));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->GetName(), "b");
  EXPECT_NE(b->GetObject(), h.b->GetObject());
  EXPECT_NE(b->GetID(), h.b->GetID());
  EXPECT_EQ(b->GetScene(), copy.get());
  EXPECT_EQ(b->GetKeyNbr(), 1) << "keys travel with the node";
  EXPECT_NE(copy->GetMaterial(7), nullptr);
  EXPECT_NE(copy->GetMaterialID("nine"), 0xFFFFFFFFu);
  EXPECT_EQ(copy->GetMaterialID("unused"), 0xFFFFFFFFu);

  std::unique_ptr<C3DScene> bare = h.scene.Copy(COPY_NO_MATERIALS, nullptr, nullptr);
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->GetMaterialID("seven"), 0xFFFFFFFFu);
}

TEST(SceneCopyTest, GroupFlagsFlattenOrStopAtTheFirstLevel) {
  Hierarchy h;
  std::unique_ptr<C3DScene> flat = h.scene.Copy(COPY_FLATTEN, nullptr, nullptr);
  ASSERT_TRUE(flat);
  EXPECT_EQ(names(*flat), (std::vector<std::string>{"a", "b", "c", "d"}));
  for (C3DSceneNode* n = flat->GetChildNode(nullptr); n; n = flat->GetRightNode(n)) {
    EXPECT_EQ(flat->GetChildNode(n), nullptr) << n->GetName() << " is a sibling";
  }
  EXPECT_NE(flat->GetMaterial(9), nullptr) << "materials of flattened nodes come along";

  std::unique_ptr<C3DScene> top = h.scene.Copy(COPY_FIRST_LEVEL, nullptr, nullptr);
  ASSERT_TRUE(top);
  EXPECT_EQ(names(*top), (std::vector<std::string>{"a", "g1", "d"}));

  std::unique_ptr<C3DScene> noGroups = h.scene.Copy(COPY_SKIP_GROUPS, nullptr, nullptr);
  ASSERT_TRUE(noGroups);
  EXPECT_EQ(names(*noGroups), (std::vector<std::string>{"a", "d"})) << "children follow groups";
}

TEST(SceneCopyTest, SkipsAndRefusals) {
  Hierarchy h;
  C3DScene dest;
  EXPECT_EQ(h.scene.CopySingleNode(&dest, nullptr, h.a, COPY_SKIP_POLYGONAL, nullptr), nullptr);
  EXPECT_EQ(dest.GetNodeNbr(0), 0);
  h.a->SetFlag(NODE_HIDDEN, 1);
  EXPECT_EQ(h.scene.CopySingleNode(&dest, nullptr, h.a, COPY_SKIP_HIDDEN, nullptr), nullptr);
  C3DSceneNode* copied = h.scene.CopySingleNode(&dest, nullptr, h.a, 0, nullptr);
  ASSERT_NE(copied, nullptr);
  EXPECT_TRUE(copied->IsFlagSet(NODE_HIDDEN));

  C3DScene groups;
  groups.AddNode(nullptr, groupNode("g"));
  groups.AddNode(groups.GetChildNode(nullptr), groupNode("h"));
  EXPECT_FALSE(groups.Copy(0, nullptr, nullptr)) << "no geometry, no scene";
}

TEST(SceneCopyTest, MeshCreatorConvertsPatchesAndRefusesCurves) {
  C3DScene scene;
  auto* patch = new C3DSceneNode;
  auto* patchObject = new C3DPatch;
  patchObject->SetPointList(new C3DPointList);
  patchObject->SetFaceList(new C3DFaceList);
  patch->SetObject(patchObject);
  patch->SetName("patch");
  auto* curve = new C3DSceneNode;
  curve->SetObject(new C3DCurve);
  curve->SetName("curve");
  scene.AddNode(nullptr, patch);
  scene.AddNode(nullptr, curve);
  C3DMeshObjectCreator meshes;
  std::unique_ptr<C3DScene> copy = scene.Copy(0, nullptr, &meshes);
  ASSERT_TRUE(copy);
  EXPECT_EQ(names(*copy), (std::vector<std::string>{"patch"}));
  EXPECT_EQ(copy->GetChildNode(nullptr)->GetObject()->GetKindOf(), OBJECT_POLYGONAL);
}

TEST(SceneCopyTest, SourceTagsPointBackAtTheOriginals) {
  Hierarchy h;
  std::unique_ptr<C3DScene> copy =
      h.scene.Copy(COPY_TAG_SOURCE_NODE | COPY_TAG_SOURCE_OBJECT, nullptr, nullptr);
  ASSERT_TRUE(copy);
  C3DSceneNode* a = copy->GetChildNode(nullptr);
  EXPECT_EQ(taggedAddress(a->GetCustomData(), kSourceNodeKey),
            reinterpret_cast<std::uintptr_t>(h.a));
  EXPECT_EQ(taggedAddress(a->GetObject()->GetCustomData(), kSourceObjectKey),
            reinterpret_cast<std::uintptr_t>(h.a->GetObject()));
}

TEST(SceneCopyTest, CloneSharesTheObjectAndMoveChangesScenes) {
  Hierarchy h;
  std::unique_ptr<CTreeNode> clone(h.a->Clone());
  auto* node = static_cast<C3DSceneNode*>(clone.get());
  EXPECT_TRUE(node->IsFlagSet(NODE_CLONE));
  EXPECT_EQ(node->GetObject(), h.a->GetObject());
  clone.reset();
  EXPECT_EQ(h.a->GetObject()->GetPointNbr(), 3) << "the object outlives its clone";

  std::unique_ptr<C3DScene> shared = h.scene.Clone(h.g1, COPY_CLONE_SHARE);
  ASSERT_TRUE(shared);
  EXPECT_EQ(names(*shared), (std::vector<std::string>{"g1", "b", "g2", "c"}));
  EXPECT_EQ(shared->GetChildNode(shared->GetChildNode(nullptr))->GetObject(), h.b->GetObject());
  shared.reset();
  EXPECT_EQ(h.b->GetObject()->GetFaceNbr(), 1);

  C3DScene dest;
  ASSERT_EQ(h.scene.Move(&dest, nullptr, h.g2, 0), h.g2);
  EXPECT_EQ(names(h.scene), (std::vector<std::string>{"a", "g1", "b", "d"}));
  EXPECT_EQ(names(dest), (std::vector<std::string>{"g2", "c"}));
  EXPECT_EQ(h.c->GetScene(), &dest);
  EXPECT_NE(dest.GetMaterial(9), nullptr);
}

}  // namespace
