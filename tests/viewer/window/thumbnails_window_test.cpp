// The scenes list: a thumbnail per scene rendered on the list's thread,
// requests that outlive their scene, failed renderings, the selection that
// makes a scene current, and the end of the thread.
#include <QApplication>
#include <QTest>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <mutex>

#include "hostlib/images/bitmap.h"
#include "material/material.h"
#include "mesh/mesh_builders.h"
#include "mesh/model/base_object.h"
#include "mesh/model/channel.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "scene/scene.h"
#include "viewer/frame/view_window.h"
#include "viewer/panes/thumbnails_list.h"
#include "viewer/window/window_fixture.h"

namespace vex3d::test {
namespace {

// A closed box of one colour, centred on the origin, in a scene named
// `file` (the list shows scene file names).
std::unique_ptr<C3DScene> boxScene(CRGBColor colour, const std::string& file) {
  auto scene = std::make_unique<C3DScene>();
  C3DMaterial* material = scene->CreateNewMaterial();
  colour.SetAlpha(255);
  material->SetDiffuseColor(colour);
  material->SetAmbientColor(colour);
  material->SetSpecularColor(CRGBColor(0, 0, 0, 255));
  auto* points = new C3DPointList;
  auto* faces = new C3DFaceList;
  addCube(*points, *faces);
  for (int i = 0; i < points->GetSize(); ++i) {
    C3DPoint& p = points->ElementAt(i);
    p.x -= 0.5f;
    p.y -= 0.5f;
    p.z -= 0.5f;
  }
  for (int f = 0; f < faces->GetSize(); ++f) {
    faces->ElementAt(f)->SetMaterialID(material->GetMaterialID());
  }
  auto* node = new C3DSceneNode;
  node->SetName("box");
  node->SetObject(new C3DObject(points, faces));
  scene->AddNode(nullptr, node);
  scene->SetFilename(CFileNameSpec(file, 0));
  return scene;
}

// A wavy sheet of side x side quads: enough faces that bringing its normals
// up to date takes a while.
std::unique_ptr<C3DScene> sheetScene(int side, const std::string& file) {
  auto scene = std::make_unique<C3DScene>();
  auto* points = new C3DPointList;
  auto* faces = new C3DFaceList;
  for (int y = 0; y <= side; ++y) {
    for (int x = 0; x <= side; ++x) {
      points->Add(C3DPoint(static_cast<float>(x) / side, static_cast<float>(y) / side,
                           0.05f * std::sin(0.3f * static_cast<float>(x + y))));
    }
  }
  faces->SetSize(side * side, 4);
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const int a = y * (side + 1) + x;
      faces->ElementAt(y * side + x)->SetQuadrangle(a, a + 1, a + side + 2, a + side + 1);
    }
  }
  auto* node = new C3DSceneNode;
  node->SetName("sheet");
  node->SetObject(new C3DObject(points, faces));
  scene->AddNode(nullptr, node);
  scene->SetFilename(CFileNameSpec(file, 0));
  return scene;
}

bool hasPointNormals(C3DScene& scene) {
  C3DSceneNode* node = scene.GetChildNode(scene.GetSceneRoot());
  const CDependentChannels* channels = node->GetObject()->GetChannels();
  return channels != nullptr && channels->GetChannelsNumber(CHANNEL_POINT_NORMAL, 1) > 0;
}

struct Pixel {
  int r, g, b;
};

Pixel pixel(const Bitmap& image, int x, int y) {
  const std::uint8_t* p = image.GetLine(y) + x * image.GetBytesPerPixel();
  return {p[0], p[1], p[2]};
}

bool isWhite(const Pixel& p) { return p.r >= 250 && p.g >= 250 && p.b >= 250; }

// Red, green or blue: the channel that clearly dominates the two others.
char dominant(const Pixel& p) {
  if (p.r > 60 && p.r > 2 * p.g && p.r > 2 * p.b) return 'r';
  if (p.g > 60 && p.g > 2 * p.r && p.g > 2 * p.b) return 'g';
  if (p.b > 60 && p.b > 2 * p.r && p.b > 2 * p.g) return 'b';
  return '?';
}

// A thread procedure that waits at a gate before each call of the list's
// own, so that a test can act between a request and its rendering.
struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  int passes = 0;
  bool waiting = false;

  void Open(int n = 1) {
    std::lock_guard<std::mutex> lock(mutex);
    passes += n;
    changed.notify_all();
  }
  bool WaitUntilWaiting() {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(10), [this] { return waiting; });
  }
  void Pass() {
    std::unique_lock<std::mutex> lock(mutex);
    waiting = true;
    changed.notify_all();
    changed.wait(lock, [this] { return passes > 0; });
    --passes;
    waiting = false;
  }
};

// The list's own procedure, held at the gate before its first request.
void gatedProc(Gate& gate, CThreadImagesCtrlInfo& info) {
  gate.Pass();
  C3DThumbnailsList::ThreadProc(info);
}

class ThumbnailsWindow : public WindowTest {
 protected:
  // A frame holding a red, a green and a blue box (the blue one current),
  // and a scenes list on it that follows the frame's current scene. The
  // frame has no list of its own: the tests drive theirs alone.
  C3DFrameViewer& OpenBoxes() {
    C3DFrameViewer& frame = OpenFrame({}, false);
    frame.InsertScene(boxScene(CRGBColor(220, 0, 0), "/models/red box.v3d"));
    frame.InsertScene(boxScene(CRGBColor(0, 220, 0), "/models/green box.v3d"));
    frame.InsertScene(boxScene(CRGBColor(0, 0, 220), "/models/blue box.v3d"));
    frame.SetCurrentScene(frame.GetScenes()[2]);
    return frame;
  }
  C3DThumbnailsList& List(C3DFrameViewer& frame) {
    m_list = std::make_unique<C3DThumbnailsList>();
    m_list->resize(140, 400);
    m_list->SetInfo(&frame);
    frame.AddSceneChangedListener([this, &frame](int reason, std::uintptr_t data) {
      if (m_list) m_list->SceneChanged(frame.GetCurrentScene(), reason, data);
    });
    m_list->show();
    return *m_list;
  }
  void TearDown() override {
    m_list.reset();
    WindowTest::TearDown();
  }
  std::unique_ptr<C3DThumbnailsList> m_list;
};

TEST_F(ThumbnailsWindow, EachSceneGetsAThumbnailOfItsOwnColourOnWhite) {
  C3DFrameViewer& frame = OpenBoxes();
  C3DThumbnailsList& list = List(frame);
  ASSERT_TRUE(WaitFor([&] { return list.AreAllComputed(); }, 20000));
  const char expected[3] = {'r', 'g', 'b'};
  ASSERT_EQ(list.count(), 3);
  for (int i = 0; i < 3; ++i) {
    C3DScene* scene = frame.GetScenes()[static_cast<std::size_t>(i)];
    CLayerBitmap* layer = list.GetItemLayer(i);
    ASSERT_EQ(layer, list.GetSceneLayer(scene)) << "items follow the frame's order";
    ASSERT_EQ(layer->GetLayerNbr(), 1);
    const Bitmap& thumbnail = *layer->GetLayer(0);
    ASSERT_EQ(thumbnail.GetWidth(), 80);
    ASSERT_EQ(thumbnail.GetHeight(), 80);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{79, 0}, std::pair{0, 79}, {79, 79}}) {
      EXPECT_TRUE(isWhite(pixel(thumbnail, x, y))) << "scene " << i << " corner " << x << "," << y;
    }
    EXPECT_EQ(dominant(pixel(thumbnail, 40, 40)), expected[i]) << "scene " << i;
  }
  EXPECT_EQ(list.item(0)->text().toStdString(), "red box.v3d");
  EXPECT_EQ(list.item(0)->toolTip().toStdString(), "/models/red box.v3d");
  // The current scene's thumbnail is the one selected.
  EXPECT_EQ(list.GetSelectedLayers(), std::vector<CLayerBitmap*>{list.GetItemLayer(2)});
}

TEST_F(ThumbnailsWindow, SamplesFromFilesGetThumbnails) {
  C3DFrameViewer& frame = OpenFrame({}, false);
  ASSERT_GE(frame.ReadScene(Sample("colored_quads.v3d"), READ_SCENE_SILENT | READ_SCENE_KEEP), 0);
  ASSERT_GE(frame.ReadScene(Sample("textured_cube.v3d"), READ_SCENE_SILENT | READ_SCENE_KEEP), 0);
  C3DThumbnailsList& list = List(frame);
  ASSERT_TRUE(WaitFor([&] { return list.AreAllComputed(); }, 20000));
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(list.GetItemLayer(i)->GetLayerNbr(), 1) << i;
    const Bitmap& thumbnail = *list.GetItemLayer(i)->GetLayer(0);
    EXPECT_TRUE(isWhite(pixel(thumbnail, 0, 0)));
    EXPECT_FALSE(isWhite(pixel(thumbnail, 40, 40))) << "the model covers the middle";
  }
  EXPECT_EQ(list.item(1)->text().toStdString(), "textured_cube.v3d");
}

TEST_F(ThumbnailsWindow, InsertedAndInvalidatedScenesAreRenderedAgain) {
  C3DFrameViewer& frame = OpenBoxes();
  C3DThumbnailsList& list = List(frame);
  ASSERT_TRUE(WaitFor([&] { return list.AreAllComputed(); }, 20000));
  frame.InsertScene(boxScene(CRGBColor(0, 220, 0), "/models/first.v3d"), 0);
  list.InsertScene(frame.GetScenes()[0], 0);
  ASSERT_EQ(list.count(), 4);
  EXPECT_EQ(list.item(0)->text().toStdString(), "first.v3d");
  EXPECT_FALSE(list.IsLayerComputed(list.GetItemLayer(0)));
  ASSERT_TRUE(WaitFor([&] { return list.AreAllComputed(); }, 20000));
  EXPECT_EQ(dominant(pixel(*list.GetItemLayer(0)->GetLayer(0), 40, 40)), 'g');

  // The red box turns blue: its thumbnail follows once invalidated.
  C3DScene* red = frame.GetScenes()[1];
  C3DSceneNode* box = red->GetChildNode(red->GetSceneRoot());
  ASSERT_NE(box, nullptr);
  C3DMaterial* paint =
      red->GetMaterial(box->GetObject()->GetFaceList()->ElementAt(0)->GetMaterialID());
  ASSERT_NE(paint, nullptr);
  paint->SetDiffuseColor(CRGBColor(0, 0, 220, 255));
  paint->SetAmbientColor(CRGBColor(0, 0, 220, 255));
  list.InvalidateScene(red);
  EXPECT_EQ(list.GetSceneLayer(red)->GetLayerNbr(), 0) << "the old picture goes at once";
  ASSERT_TRUE(WaitFor([&] { return list.AreAllComputed(); }, 20000));
  EXPECT_EQ(dominant(pixel(*list.GetSceneLayer(red)->GetLayer(0), 40, 40)), 'b');
}

TEST_F(ThumbnailsWindow, ASceneRemovedBeforeItsRenderingGivesNoPictureAndTheRequestCompletes) {
  C3DFrameViewer& frame = OpenBoxes();
  auto gate = std::make_shared<Gate>();
  m_list = std::make_unique<C3DThumbnailsList>();
  C3DThumbnailsList& list = *m_list;
  list.SetThumbnailThread(std::make_unique<CThread3DThumbnailInfo>(
      &list, [gate](CThreadImagesCtrlInfo& info) { gatedProc(*gate, info); }));
  list.SetInfo(&frame);
  // The first request (the red box) is made and waits at the gate.
  ASSERT_TRUE(gate->WaitUntilWaiting());
  C3DScene* red = frame.GetScenes()[0];
  CLayerBitmap* redLayer = list.GetSceneLayer(red);
  ASSERT_NE(redLayer, nullptr);
  EXPECT_EQ(list.GetThumbnailThread()->GetItemLayer(), redLayer);
  list.RemoveScene(red);
  frame.RemoveScene(red, true);
  EXPECT_EQ(list.count(), 2);
  gate->Open();
  list.WhileBitmapNotComputed();
  EXPECT_EQ(list.GetThumbnailThread()->GetItemState(), 0);
  // The request's answer finds no item; nothing else changed.
  QApplication::processEvents();
  EXPECT_EQ(list.count(), 2);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(list.GetItemLayer(i)->GetLayerNbr(), 0);
  list.EndTask(true);
  EXPECT_FALSE(list.IsThreadRunning());
}

TEST_F(ThumbnailsWindow, RemovingTheSceneBeingRenderedWaitsForItsPicture) {
  C3DFrameViewer& frame = OpenBoxes();
  C3DThumbnailsList& list = List(frame);
  // Each scene leaves while its picture may be under way; the list waits
  // for the thread before the frame deletes it (ASan checks the rest).
  while (frame.GetSceneCount() > 0) {
    QApplication::processEvents();
    C3DScene* scene = frame.GetScenes().front();
    list.RemoveScene(scene);
    frame.RemoveScene(scene, true);
  }
  EXPECT_EQ(list.count(), 0);
  ASSERT_TRUE(WaitFor([&] { return list.AreAllComputed(); }, 20000));
  EXPECT_EQ(list.GetFrames()->GetFrameNbr(), 0);
}

TEST_F(ThumbnailsWindow, AFailedRenderingLeavesTheItemEmptyAndTheThreadGoesOn) {
  C3DFrameViewer& frame = OpenBoxes();
  C3DThumbnailsList& list = List(frame);
  ASSERT_TRUE(WaitFor([&] { return list.AreAllComputed(); }, 20000));
  // No surface can be made at an empty size.
  list.SetThumbnailSize(0, 0);
  ASSERT_TRUE(WaitFor([&] { return list.AreAllComputed(); }, 20000));
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(list.IsLayerComputed(list.GetItemLayer(i)));
    EXPECT_EQ(list.GetItemLayer(i)->GetLayerNbr(), 0) << i;
  }
  EXPECT_TRUE(list.IsThreadRunning());
  list.SetThumbnailSize(40, 40);
  ASSERT_TRUE(WaitFor([&] { return list.AreAllComputed(); }, 20000));
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(list.GetItemLayer(i)->GetLayerNbr(), 1) << i;
    EXPECT_EQ(list.GetItemLayer(i)->GetLayer(0)->GetWidth(), 40);
  }
}

TEST_F(ThumbnailsWindow, SelectingSeveralThumbnailsMakesTheFirstSelectedSceneCurrent) {
  C3DFrameViewer& frame = OpenBoxes();
  C3DThumbnailsList& list = List(frame);
  ASSERT_EQ(frame.GetCurrentScene(), frame.GetScenes()[2]);
  // A click on the second item, then a control-click on the first one.
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                    list.visualItemRect(list.item(1)).center());
  EXPECT_EQ(frame.GetCurrentScene(), frame.GetScenes()[1]);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier,
                    list.visualItemRect(list.item(0)).center());
  ASSERT_EQ(list.GetSelectedLayers().size(), 2u);
  EXPECT_EQ(frame.GetCurrentScene(), frame.GetScenes()[0]);
  // The frame making another scene current selects that one alone.
  frame.SetCurrentScene(frame.GetScenes()[2]);
  EXPECT_EQ(list.GetSelectedLayers(), std::vector<CLayerBitmap*>{list.GetItemLayer(2)});
  EXPECT_EQ(frame.GetCurrentScene(), frame.GetScenes()[2]);
}

TEST_F(ThumbnailsWindow, TheThreadEndsPromptlyWithRequestsQueued) {
  C3DFrameViewer& frame = OpenFrame({}, false);
  for (int i = 0; i < 12; ++i) {
    frame.InsertScene(boxScene(CRGBColor(0, 0, 220), "/models/box" + std::to_string(i) + ".v3d"));
  }
  C3DThumbnailsList& list = List(frame);
  std::atomic<int> computed{0};
  list.SetComputedHook([&](CLayerBitmap*) { ++computed; });
  QApplication::processEvents();
  list.EndTask(true);
  EXPECT_FALSE(list.IsThreadRunning());
  // At most the request under way was finished; the queue was not.
  QApplication::processEvents();
  EXPECT_LE(computed.load(), 2);
  EXPECT_FALSE(list.AreAllComputed());
  // Nothing is requested any more; removing scenes needs no thread.
  C3DScene* first = frame.GetScenes().front();
  list.RemoveScene(first);
  frame.RemoveScene(first, true);
  EXPECT_EQ(list.count(), 11);
}

// The window draws the current scene while the thread renders the same
// scene: the thread sanitizer build runs this one to show that drawing a
// prepared scene only reads it.
TEST_F(ThumbnailsWindow, TheViewAndTheThreadDrawTheSameSceneTogether) {
  C3DFrameViewer& frame = OpenFrame({}, false);
  ASSERT_GE(frame.ReadScene(Sample("textured_cube.v3d"), READ_SCENE_SILENT | READ_SCENE_KEEP), 0);
  ASSERT_GE(frame.ReadScene(Sample("animated_groups.v3d"), READ_SCENE_SILENT | READ_SCENE_KEEP), 0);
  C3DThumbnailsList& list = List(frame);
  for (int round = 0; round < 3; ++round) {
    for (C3DScene* scene : frame.GetScenes()) {
      frame.SetCurrentScene(scene);
      list.InvalidateScene(scene);
      frame.GetViewWindow()->GrabFrame();
      QApplication::processEvents();
    }
  }
  ASSERT_TRUE(WaitFor([&] { return list.AreAllComputed(); }, 30000));
  for (int i = 0; i < list.count(); ++i) EXPECT_EQ(list.GetItemLayer(i)->GetLayerNbr(), 1);
}

// A scene the thread is bringing up to date becomes the frame's current
// one: the view takes it only once that is done, so that both then only
// read it (the thread sanitizer build checks the reads and writes).
TEST_F(ThumbnailsWindow, TheViewWaitsForASceneTheThreadIsPreparing) {
  C3DFrameViewer& frame = OpenFrame({}, false);
  for (int i = 0; i < 3; ++i) {
    frame.InsertScene(sheetScene(150, "/models/sheet" + std::to_string(i) + ".v3d"));
  }
  C3DThumbnailsList& list = List(frame);
  C3DScene* first = frame.GetScenes()[0];
  // Its request is under way now: no scene was current.
  ASSERT_EQ(list.GetThumbnailThread()->GetItemLayer(), list.GetSceneLayer(first));
  frame.SetCurrentScene(first);
  EXPECT_TRUE(hasPointNormals(*first)) << "the view took the scene before it was ready";
  ASSERT_FALSE(ViewPicture().isNull());
  ASSERT_TRUE(WaitFor([&] { return list.AreAllComputed(); }, 60000));
  for (C3DScene* scene : frame.GetScenes()) EXPECT_TRUE(hasPointNormals(*scene));
}

}  // namespace
}  // namespace vex3d::test
