// The thumbnail list control alone: its requests one at a time in list
// order, answers that arrive for items gone or changed, empty answers, the
// selection notification and the end of its thread.
#include "hostlib/ui/images_ctrl.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <atomic>
#include <cstdlib>
#include <map>

#include "hostlib/images/bitmap.h"

namespace {

QApplication& application() {
  static int argc = 1;
  static char name[] = "hostlib_ui_tests";
  static char* argv[] = {name, nullptr};
  // No display needed: the control is only laid out, never shown.
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

bool waitFor(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > 10000) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// What the worker saw, and the grey level it paints each layer with
// (0: no picture).
struct Painter {
  std::mutex mutex;
  std::vector<const CLayerBitmap*> requests;
  std::map<const CLayerBitmap*, int> grey;
  std::atomic<int> held{0};  // requests to hold back before answering

  void Run(CThreadImagesCtrlInfo& info) {
    if (info.IsStopRequested()) {
      info.SignalEvent();
      return;
    }
    for (;;) {
      const CLayerBitmap* layer = info.GetItemLayer();
      int level = 0;
      {
        std::lock_guard<std::mutex> lock(mutex);
        requests.push_back(layer);
        level = grey.count(layer) ? grey[layer] : 0;
      }
      while (held.load() > 0 && !info.IsStopRequested()) std::this_thread::yield();
      if (level > 0) {
        auto picture = std::make_unique<NTBitmap>();
        picture->Create(info.GetWidth(), info.GetHeight(), 24);
        for (int y = 0; y < picture->GetHeight(); ++y) {
          std::uint8_t* row = picture->GetLine(y);
          std::fill(row, row + picture->GetWidth() * 3, static_cast<std::uint8_t>(level));
        }
        info.SetItemResult(std::move(picture));
      }
      info.CompleteRequest();
      if (!info.WaitForRequest()) {
        info.SignalEvent();
        return;
      }
    }
  }
  std::vector<const CLayerBitmap*> Requests() {
    std::lock_guard<std::mutex> lock(mutex);
    return requests;
  }
};

class Notified : public CImagesCtrl {
 public:
  int OnImagesCtrlNotification(int code, std::uintptr_t) override {
    if (code == IMAGESCTRL_SELECTION_CHANGED) ++selectionChanges;
    return 1;
  }
  int selectionChanges = 0;
};

class ImagesCtrlTest : public testing::Test {
 protected:
  void SetUp() override {
    application();
    m_painter = std::make_shared<Painter>();
    auto painter = m_painter;
    m_ctrl = std::make_unique<Notified>();
    m_ctrl->SetThumbnailThread(std::make_unique<CThreadImagesCtrlInfo>(
        [painter](CThreadImagesCtrlInfo& info) { painter->Run(info); }));
  }
  void TearDown() override {
    m_painter->held = 0;
    m_ctrl.reset();
  }
  // Frames painted with the given grey levels (0: the worker answers
  // nothing for it).
  void SetFrames(const std::vector<int>& levels, int size = 16) {
    auto frames = std::make_unique<CFrameBitmap>();
    for (int level : levels) {
      auto* layer = new CLayerBitmap;
      frames->AddTailFrame(layer);
      std::lock_guard<std::mutex> lock(m_painter->mutex);
      m_painter->grey[layer] = level;
    }
    m_ctrl->SetFrames(std::move(frames), size, size);
  }
  int GreyOf(int index) {
    CLayerBitmap* layer = m_ctrl->GetItemLayer(index);
    if (layer == nullptr || layer->GetLayerNbr() == 0) return 0;
    return layer->GetLayer(0)->GetLine(0)[0];
  }

  std::shared_ptr<Painter> m_painter;
  std::unique_ptr<Notified> m_ctrl;
};

TEST_F(ImagesCtrlTest, PicturesAreComputedOneAtATimeInListOrder) {
  SetFrames({10, 20, 30});
  ASSERT_TRUE(waitFor([&] { return m_ctrl->AreAllComputed(); }));
  const std::vector<const CLayerBitmap*> expected = {
      m_ctrl->GetItemLayer(0), m_ctrl->GetItemLayer(1), m_ctrl->GetItemLayer(2)};
  EXPECT_EQ(m_painter->Requests(), expected);
  EXPECT_EQ(GreyOf(0), 10);
  EXPECT_EQ(GreyOf(1), 20);
  EXPECT_EQ(GreyOf(2), 30);
  EXPECT_EQ(m_ctrl->GetItemLayer(2)->GetLayer(0)->GetWidth(), 16);
  EXPECT_EQ(m_ctrl->count(), 3);
}

TEST_F(ImagesCtrlTest, InsertedLayersTakeTheirPlaceAndGetAPicture) {
  SetFrames({10, 20});
  ASSERT_TRUE(waitFor([&] { return m_ctrl->AreAllComputed(); }));
  auto* first = new CLayerBitmap;
  auto* last = new CLayerBitmap;
  {
    std::lock_guard<std::mutex> lock(m_painter->mutex);
    m_painter->grey[first] = 5;
    m_painter->grey[last] = 40;
  }
  m_ctrl->GetFrames()->InsertFrame(first, 0);
  m_ctrl->InsertLayer(first, 0, -1);
  m_ctrl->GetFrames()->AddTailFrame(last);
  m_ctrl->InsertLayer(last, -1, -1);
  EXPECT_EQ(m_ctrl->GetItemIndex(first), 0);
  EXPECT_EQ(m_ctrl->GetItemIndex(last), 3);
  EXPECT_FALSE(m_ctrl->IsLayerComputed(first));
  ASSERT_TRUE(waitFor([&] { return m_ctrl->AreAllComputed(); }));
  EXPECT_EQ(GreyOf(0), 5);
  EXPECT_EQ(GreyOf(1), 10);
  EXPECT_EQ(GreyOf(3), 40);
}

TEST_F(ImagesCtrlTest, AnAnswerForAnItemRemovedMeanwhileIsDropped) {
  m_painter->held = 1;
  SetFrames({10, 20});
  CLayerBitmap* first = m_ctrl->GetItemLayer(0);
  ASSERT_TRUE(waitFor([&] { return !m_painter->Requests().empty(); }));
  m_ctrl->RemoveLayer(first);
  EXPECT_EQ(m_ctrl->GetFrames()->GetFrameNbr(), 1);
  m_painter->held = 0;
  ASSERT_TRUE(waitFor([&] { return m_ctrl->AreAllComputed(); }));
  EXPECT_EQ(m_ctrl->count(), 1);
  EXPECT_EQ(GreyOf(0), 20);
}

TEST_F(ImagesCtrlTest, ALayerInvalidatedWhileComputedIsComputedAgain) {
  m_painter->held = 1;
  SetFrames({10});
  CLayerBitmap* layer = m_ctrl->GetItemLayer(0);
  ASSERT_TRUE(waitFor([&] { return !m_painter->Requests().empty(); }));
  {
    std::lock_guard<std::mutex> lock(m_painter->mutex);
    m_painter->grey[layer] = 99;
  }
  m_ctrl->InvalidateLayer(layer);
  m_painter->held = 0;
  ASSERT_TRUE(waitFor([&] { return m_ctrl->AreAllComputed(); }));
  EXPECT_EQ(m_painter->Requests().size(), 2u);
  EXPECT_EQ(GreyOf(0), 99);
}

TEST_F(ImagesCtrlTest, NoAnswerLeavesTheItemEmptyAndTheNextOneFollows) {
  SetFrames({0, 20});
  ASSERT_TRUE(waitFor([&] { return m_ctrl->AreAllComputed(); }));
  EXPECT_TRUE(m_ctrl->IsLayerComputed(m_ctrl->GetItemLayer(0)));
  EXPECT_EQ(m_ctrl->GetItemLayer(0)->GetLayerNbr(), 0);
  EXPECT_EQ(GreyOf(1), 20);
}

TEST_F(ImagesCtrlTest, OnlyTheUsersSelectionIsNotified) {
  SetFrames({10, 20, 30});
  m_ctrl->SelectLayer(m_ctrl->GetItemLayer(1), -1);
  EXPECT_EQ(m_ctrl->selectionChanges, 0);
  EXPECT_EQ(m_ctrl->GetSelectedLayers(), std::vector<CLayerBitmap*>{m_ctrl->GetItemLayer(1)});
  m_ctrl->item(2)->setSelected(true);
  EXPECT_EQ(m_ctrl->selectionChanges, 1);
  // Several selected: listed in the list's order.
  const std::vector<CLayerBitmap*> both = {m_ctrl->GetItemLayer(1), m_ctrl->GetItemLayer(2)};
  EXPECT_EQ(m_ctrl->GetSelectedLayers(), both);
  m_ctrl->SelectLayer(nullptr, -1);
  EXPECT_TRUE(m_ctrl->GetSelectedLayers().empty());
}

TEST_F(ImagesCtrlTest, TheThreadEndsAfterTheRequestUnderWayAndNothingIsRequestedAfter) {
  m_painter->held = 1;
  SetFrames({10, 20, 30, 40});
  ASSERT_TRUE(waitFor([&] { return !m_painter->Requests().empty(); }));
  m_ctrl->WhileEndOfThread();
  EXPECT_FALSE(m_ctrl->IsThreadRunning());
  EXPECT_EQ(m_painter->Requests().size(), 1u);
  QApplication::processEvents();
  m_ctrl->InvalidateLayer(m_ctrl->GetItemLayer(3));
  QApplication::processEvents();
  EXPECT_EQ(m_painter->Requests().size(), 1u);
  EXPECT_FALSE(m_ctrl->AreAllComputed());
  m_ctrl->WhileBitmapNotComputed();  // nothing to wait for
}

}  // namespace
