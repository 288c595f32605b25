// The left pane's lists and the status bar, driven in the real window: the
// marks of the objects and materials lists change what the view draws.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTreeWidgetItem>
#include <memory>

#include "hostlib/files/profile.h"
#include "material/material.h"
#include "mesh/mesh_builders.h"
#include "mesh/model/base_object.h"
#include "render/view_flags.h"
#include "scene/object_kinds.h"
#include "scene/scene.h"
#include "scene/scene_node.h"
#include "viewer/frame/render_status_bar.h"
#include "viewer/frame/view_window.h"
#include "viewer/panes/material_tree.h"
#include "viewer/panes/object_tree.h"
#include "viewer/panes/rebar.h"
#include "viewer/panes/thumbnails_list.h"
#include "window_fixture.h"

namespace vex3d::test {
namespace {

// A group "parts" holding a red cube and a half red, half blue cube; beside
// it a blue cube that carries a blue child cube.
struct PaneScene {
  std::unique_ptr<C3DScene> scene = std::make_unique<C3DScene>();
  std::uint32_t red = 0;
  std::uint32_t blue = 0;
  C3DSceneNode* group = nullptr;
  C3DSceneNode* redCube = nullptr;
  C3DSceneNode* mixedCube = nullptr;
  C3DSceneNode* parentCube = nullptr;
  C3DSceneNode* childCube = nullptr;

  PaneScene() {
    red = material(CRGBColor(230, 20, 20), "red");
    blue = material(CRGBColor(20, 20, 230), "blue");
    group = new C3DSceneNode;
    group->SetName("parts");
    group->SetObject(new C3DGroup);
    scene->AddNode(nullptr, group);
    redCube = cube(group, "red cube", -3.0f, red, red);
    mixedCube = cube(group, "mixed cube", -1.5f, red, blue);
    parentCube = cube(nullptr, "parent cube", 0.0f, blue, blue);
    childCube = cube(parentCube, "child cube", 1.5f, blue, blue);
  }

  std::uint32_t material(CRGBColor colour, const char* name) {
    C3DMaterial* m = scene->CreateNewMaterial();
    colour.SetAlpha(255);
    m->SetDiffuseColor(colour);
    m->SetAmbientColor(colour);
    m->SetSpecularColor(CRGBColor(0, 0, 0, 255));
    m->SetName(name);
    return m->GetMaterialID();
  }

  // Even faces take `even`, odd faces `odd`.
  C3DSceneNode* cube(C3DSceneNode* parent, const char* name, float x, std::uint32_t even,
                     std::uint32_t odd) {
    auto* points = new C3DPointList;
    auto* faces = new C3DFaceList;
    addCube(*points, *faces, x);
    for (int f = 0; f < faces->GetSize(); ++f) {
      faces->ElementAt(f)->SetMaterialID(f % 2 == 0 ? even : odd);
    }
    auto* node = new C3DSceneNode;
    node->SetName(name);
    node->SetObject(new C3DObject(points, faces));
    scene->AddNode(parent, node);
    return node;
  }
};

bool reddish(QRgb p) { return qRed(p) > 60 && qRed(p) > 2 * qGreen(p) && qRed(p) > 2 * qBlue(p); }
bool bluish(QRgb p) { return qBlue(p) > 60 && qBlue(p) > 2 * qRed(p) && qBlue(p) > 2 * qGreen(p); }

int countPixels(const QImage& image, bool (*match)(QRgb)) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += match(image.pixel(x, y)) ? 1 : 0;
  }
  return count;
}

int hiddenFaces(const C3DSceneNode* node, std::uint32_t material) {
  const C3DFaceList* faces = node->GetObject()->GetFaceList();
  int count = 0;
  for (int f = 0; f < faces->GetSize(); ++f) {
    const auto* face = faces->ElementAt(f);
    if (face->GetMaterialID() == material && face->IsFlagSet(FACE_RENDER_HIDDEN)) ++count;
  }
  return count;
}

class LeftPane : public WindowTest {
 protected:
  PaneScene m_parts;
  C3DScene* m_scene = nullptr;

  C3DFrameViewer& OpenPaneFrame() {
    C3DFrameViewer& frame = OpenFrame();
    m_scene = m_parts.scene.get();
    frame.InsertScene(std::move(m_parts.scene));
    frame.SetCurrentScene(m_scene);
    QApplication::processEvents();
    return frame;
  }
  C3DObjectTree& Objects() { return *Frame().GetBarControl()->GetObjectTree(); }
  C3DMaterialTree& Materials() { return *Frame().GetBarControl()->GetMaterialTree(); }
  QTreeWidgetItem* Item(C3DSceneNode* node) { return Objects().GetNodeItem(node); }
  static void Trigger(QMenu* menu, const char* name) {
    auto* action = menu->findChild<QAction*>(name);
    ASSERT_NE(action, nullptr) << name;
    action->trigger();
    delete menu;
  }
};

TEST_F(LeftPane, TheObjectsListFollowsTheSceneTree) {
  OpenPaneFrame();
  C3DObjectTree& tree = Objects();
  ASSERT_EQ(tree.topLevelItemCount(), 2);
  QTreeWidgetItem* group = tree.topLevelItem(0);
  EXPECT_EQ(group->text(0), "parts");
  ASSERT_EQ(group->childCount(), 2);
  EXPECT_EQ(group->child(0)->text(0), "red cube");
  EXPECT_EQ(group->child(1)->text(0), "mixed cube");
  EXPECT_EQ(tree.topLevelItem(1)->text(0), "parent cube");
  EXPECT_EQ(tree.topLevelItem(1)->child(0)->text(0), "child cube");
  EXPECT_TRUE(tree.IsItemCombined(group));
  EXPECT_FALSE(tree.IsItemCombined(tree.topLevelItem(1)));
  EXPECT_EQ(tree.GetItemNode(group->child(1)), m_parts.mixedCube);
  for (QTreeWidgetItem* item : tree.GetAllItems())
    EXPECT_EQ(tree.GetCheckState(item), TREE_CHECKED);
}

TEST_F(LeftPane, UncheckingAGroupHidesEverythingUnderItAndOneChildMakesItMixed) {
  OpenPaneFrame();
  const int redBefore = countPixels(ViewPicture(), reddish);
  ASSERT_GT(redBefore, 100);
  Objects().ToggleItem(Item(m_parts.group));
  EXPECT_TRUE(m_parts.redCube->IsFlagSet(NODE_HIDDEN));
  EXPECT_TRUE(m_parts.mixedCube->IsFlagSet(NODE_HIDDEN));
  EXPECT_FALSE(m_parts.parentCube->IsFlagSet(NODE_HIDDEN));
  EXPECT_EQ(Objects().GetCheckState(Item(m_parts.group)), TREE_UNCHECKED);
  EXPECT_EQ(countPixels(ViewPicture(), reddish), 0);

  Objects().ToggleItem(Item(m_parts.redCube));
  EXPECT_FALSE(m_parts.redCube->IsFlagSet(NODE_HIDDEN));
  EXPECT_TRUE(m_parts.mixedCube->IsFlagSet(NODE_HIDDEN));
  EXPECT_EQ(Objects().GetCheckState(Item(m_parts.group)), TREE_MIXED);
  EXPECT_EQ(Item(m_parts.group)->checkState(0), Qt::PartiallyChecked);
  EXPECT_GT(countPixels(ViewPicture(), reddish), 0);

  // A mixed group checks everything it holds.
  Objects().ToggleItem(Item(m_parts.group));
  EXPECT_FALSE(m_parts.mixedCube->IsFlagSet(NODE_HIDDEN));
  EXPECT_EQ(Objects().GetCheckState(Item(m_parts.group)), TREE_CHECKED);
}

TEST_F(LeftPane, ANodeThatIsNotAGroupHidesOnlyItself) {
  OpenPaneFrame();
  Objects().ToggleItem(Item(m_parts.parentCube));
  EXPECT_TRUE(m_parts.parentCube->IsFlagSet(NODE_HIDDEN));
  EXPECT_FALSE(m_parts.childCube->IsFlagSet(NODE_HIDDEN));
  EXPECT_EQ(Objects().GetCheckState(Item(m_parts.childCube)), TREE_CHECKED);
}

TEST_F(LeftPane, AClickOnTheCheckBoxGoesThroughTheList) {
  OpenPaneFrame();
  // Qt flips the box first; the list must take the click as a user change.
  Item(m_parts.childCube)->setCheckState(0, Qt::Unchecked);
  EXPECT_TRUE(m_parts.childCube->IsFlagSet(NODE_HIDDEN));
  EXPECT_EQ(Objects().GetCheckState(Item(m_parts.childCube)), TREE_UNCHECKED);
}

TEST_F(LeftPane, AHiddenNodeChangedElsewhereIsShownUncheckedAfterANodeChange) {
  C3DFrameViewer& frame = OpenPaneFrame();
  m_parts.childCube->SetFlag(NODE_HIDDEN, 1);
  frame.SceneChanged(SCENE_CHANGED_NODE, reinterpret_cast<std::uintptr_t>(m_parts.childCube));
  EXPECT_EQ(Objects().GetCheckState(Item(m_parts.childCube)), TREE_UNCHECKED);
}

TEST_F(LeftPane, TheMaterialsListHoldsTheUsedMaterialsChecked) {
  OpenPaneFrame();
  C3DMaterialTree& tree = Materials();
  ASSERT_EQ(tree.topLevelItemCount(), 2);
  EXPECT_EQ(tree.topLevelItem(0)->text(0), "red");
  EXPECT_EQ(tree.topLevelItem(1)->text(0), "blue");
  EXPECT_EQ(tree.GetItemData(tree.topLevelItem(1)), m_parts.blue);
  EXPECT_EQ(tree.GetCheckState(tree.topLevelItem(0)), TREE_CHECKED);
}

TEST_F(LeftPane, UncheckingAMaterialHidesOnlyItsFaces) {
  OpenPaneFrame();
  const QImage before = ViewPicture();
  ASSERT_GT(countPixels(before, reddish), 100);
  const int blueBefore = countPixels(before, bluish);
  ASSERT_GT(blueBefore, 100);

  Materials().ToggleItem(Materials().GetMaterialItem(m_parts.red));
  EXPECT_EQ(hiddenFaces(m_parts.redCube, m_parts.red), 6);
  EXPECT_EQ(hiddenFaces(m_parts.mixedCube, m_parts.red), 3);
  EXPECT_EQ(hiddenFaces(m_parts.mixedCube, m_parts.blue), 0);
  // The red cube is gone from the picture but its node stays shown.
  EXPECT_FALSE(m_parts.redCube->IsFlagSet(NODE_HIDDEN));
  EXPECT_EQ(Objects().GetCheckState(Item(m_parts.redCube)), TREE_CHECKED);
  const QImage after = ViewPicture();
  EXPECT_EQ(countPixels(after, reddish), 0);
  EXPECT_GT(countPixels(after, bluish), 0);

  Materials().ToggleItem(Materials().GetMaterialItem(m_parts.red));
  EXPECT_EQ(hiddenFaces(m_parts.redCube, m_parts.red), 0);
  EXPECT_GT(countPixels(ViewPicture(), reddish), 100);
}

TEST_F(LeftPane, HiddenMaterialsStayUncheckedWhenTheirSceneComesBack) {
  C3DFrameViewer& frame = OpenPaneFrame();
  Materials().ToggleItem(Materials().GetMaterialItem(m_parts.blue));
  frame.ReadScene(Sample("textured_cube.v3d"), READ_SCENE_SILENT | READ_SCENE_KEEP);
  ASSERT_NE(frame.GetCurrentScene(), m_scene);
  frame.SetCurrentScene(m_scene);
  EXPECT_EQ(Materials().GetCheckState(Materials().GetMaterialItem(m_parts.blue)), TREE_UNCHECKED);
  EXPECT_EQ(Materials().GetCheckState(Materials().GetMaterialItem(m_parts.red)), TREE_CHECKED);
}

TEST_F(LeftPane, TheContextMenusCheckUncheckAndInvertEverything) {
  OpenPaneFrame();
  Trigger(Objects().CreateContextMenu(), "selectNone");
  for (C3DSceneNode* node :
       {m_parts.redCube, m_parts.mixedCube, m_parts.parentCube, m_parts.childCube}) {
    EXPECT_TRUE(node->IsFlagSet(NODE_HIDDEN)) << node->GetName();
  }
  EXPECT_EQ(Objects().GetCheckState(Item(m_parts.group)), TREE_UNCHECKED);
  Objects().ToggleItem(Item(m_parts.childCube));
  Trigger(Objects().CreateContextMenu(), "invertSelection");
  EXPECT_TRUE(m_parts.childCube->IsFlagSet(NODE_HIDDEN));
  EXPECT_FALSE(m_parts.redCube->IsFlagSet(NODE_HIDDEN));
  Trigger(Objects().CreateContextMenu(), "selectAll");
  EXPECT_FALSE(m_parts.childCube->IsFlagSet(NODE_HIDDEN));

  Trigger(Materials().CreateContextMenu(), "selectNone");
  EXPECT_EQ(
      hiddenFaces(m_parts.mixedCube, m_parts.red) + hiddenFaces(m_parts.mixedCube, m_parts.blue),
      6);
  EXPECT_EQ(countForeground(ViewPicture()), 0);
  Trigger(Materials().CreateContextMenu(), "invertSelection");
  EXPECT_EQ(hiddenFaces(m_parts.parentCube, m_parts.blue), 0);
  Trigger(Materials().CreateContextMenu(), "selectAll");
  EXPECT_EQ(hiddenFaces(m_parts.mixedCube, m_parts.red), 0);
}

TEST_F(LeftPane, AListClosedFromItsMenuStaysClosedNextTime) {
  C3DFrameViewer& frame = OpenPaneFrame();
  Trigger(Materials().CreateContextMenu(), "closeList");
  EXPECT_FALSE(frame.IsSettingsFlagSet(FRAME_SHOW_MATERIALS));
  EXPECT_FALSE(frame.GetBarControl()->IsBarShown(C3DRebar::BAR_MATERIALS));
  EXPECT_TRUE(frame.GetBarControl()->IsBarShown(C3DRebar::BAR_OBJECTS));

  C3DFrameViewer& next = OpenFrame(Sample("textured_cube.v3d"));
  EXPECT_FALSE(next.GetBarControl()->IsBarShown(C3DRebar::BAR_MATERIALS));
  Trigger(next.GetBarControl()->GetObjectTree()->CreateContextMenu(), "closeList");
  EXPECT_FALSE(next.IsSettingsFlagSet(FRAME_SHOW_OBJECTS));
  // Nothing left to show: the pane's column goes.
  EXPECT_EQ(next.GetLeftPaneWidth(), 0);
}

TEST_F(LeftPane, DoubleClicksOpenTheInformationWindows) {
  OpenPaneFrame();
  static C3DSceneNode* nodeShown = nullptr;
  static std::uint32_t materialShown = 0xFFFFFFFFu;
  vex3d::viewer::InfoWindows windows;
  windows.nodeInfo = [](C3DFrameViewer*, C3DScene*, C3DSceneNode* node) {
    nodeShown = node;
    return 1;
  };
  windows.materialInfo = [](C3DFrameViewer*, C3DScene*, std::uint32_t id) {
    materialShown = id;
    return 1;
  };
  vex3d::viewer::setInfoWindows(windows);
  Objects().DoubleClick(Item(m_parts.mixedCube));
  Materials().DoubleClick(Materials().GetMaterialItem(m_parts.blue));
  vex3d::viewer::setInfoWindows({});
  EXPECT_EQ(nodeShown, m_parts.mixedCube);
  EXPECT_EQ(materialShown, m_parts.blue);
}

TEST_F(LeftPane, TheScenesListFollowsTheLoadedScenesAndAClickShowsOne) {
  C3DFrameViewer& frame = OpenFrame(Sample("textured_cube.v3d"));
  C3DThumbnailsList& list = *frame.GetBarControl()->GetScenesList();
  EXPECT_FALSE(frame.GetBarControl()->IsBarShown(C3DRebar::BAR_SCENES)) << "one scene";
  // A list nobody sees makes no thumbnails.
  QApplication::processEvents();
  EXPECT_TRUE(list.IsPaused());
  EXPECT_FALSE(list.IsLayerComputed(list.GetItemLayer(0)));
  ASSERT_GE(frame.ReadScene(Sample("colored_quads.v3d"), READ_SCENE_SILENT | READ_SCENE_KEEP), 0);
  EXPECT_TRUE(frame.GetBarControl()->IsBarShown(C3DRebar::BAR_SCENES));
  EXPECT_FALSE(list.IsPaused());
  ASSERT_EQ(list.count(), 2);
  ASSERT_TRUE(WaitFor([&] { return list.AreAllComputed(); }, 30000));
  EXPECT_EQ(list.GetItemLayer(0)->GetLayerNbr(), 1);
  EXPECT_EQ(list.item(1)->text(), "colored_quads.v3d");
  QApplication::processEvents();
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                    list.visualItemRect(list.item(0)).center());
  EXPECT_EQ(frame.GetCurrentScene(), frame.GetScenes()[0]);
  // A scene removed while the list may be drawing it: the frame waits.
  frame.RemoveScene(frame.GetScenes()[1], true);
  EXPECT_EQ(list.count(), 1);
  EXPECT_FALSE(frame.GetBarControl()->IsBarShown(C3DRebar::BAR_SCENES));
}

using StatusBar = WindowTest;

TEST_F(StatusBar, ShowsTheCountsAndTheFrameOfTheCurrentScene) {
  C3DFrameViewer& frame = OpenFrame();
  CRenderStatusBar* bar = frame.GetRenderStatusBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->GetFrameText(), "Frame: 0/1");
  EXPECT_EQ(bar->GetPointsText(), "Points: 0");
  frame.ReadScene(Sample("animated_groups.v3d"), READ_SCENE_SILENT);
  EXPECT_EQ(bar->GetPointsText(), "Points: 16");
  EXPECT_EQ(bar->GetFacesText(), "Faces: 12");
  EXPECT_EQ(bar->GetFrameText(), "Frame: 0/100");
  frame.GetCurrentScene()->SetCurrentTime(7);
  frame.SceneChanged(SCENE_CHANGED_TIME);
  EXPECT_EQ(bar->GetFrameText(), "Frame: 7/100");
  // Only the panes a reason names are written again.
  bar->SetSceneInfo(1, 2);
  frame.SceneChanged(SCENE_CHANGED_POINTS);
  EXPECT_EQ(bar->GetPointsText(), "Points: 16");
  EXPECT_EQ(bar->GetFacesText(), "Faces: 2");
}

}  // namespace
}  // namespace vex3d::test
