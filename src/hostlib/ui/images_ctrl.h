#pragma once
// A vertical list of thumbnails with their names, one per layer image of a
// frame bitmap, whose missing pictures a worker thread of the control
// computes one at a time. The owner supplies the thread procedure; the
// control schedules the requests, hands each result back to its own thread
// and draws it there. Nothing computed on the worker is drawn from it.
#include <QListWidget>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hostlib/images/frame_bitmap.h"
#include "hostlib/images/layer_bitmap.h"
#include "hostlib/images/ntbitmap.h"
#include "hostlib/ui_export.h"

class CImagesCtrl;
class QSocketNotifier;

// Control flags (SetFlags).
enum _IMAGESCTRL_FLAGS : std::uint32_t {
  IMAGESCTRL_SHOW_NAMES = 0x4,       // the item's name under its picture
  IMAGESCTRL_MULTI_SELECTION = 0x8,  // several items may be selected
  IMAGESCTRL_VERTICAL = 0x10,        // one column, top to bottom
};

// Notification codes (OnImagesCtrlNotification).
enum _IMAGESCTRL_NOTIFICATION : int {
  IMAGESCTRL_SELECTION_CHANGED = 1,
};

// The request record shared by the control and its worker thread: the
// thread procedure, the thumbnail size, the item being computed, the event
// the thread signals after each request and at its end, and the stop flag.
// Owners derive from it to carry what their procedure needs.
//
// A procedure follows this pattern:
//   if (info.IsStopRequested()) { info.SignalEvent(); return; }
//   for (;;) {
//     ... compute info.GetItemLayer() into info.SetItemResult(...) ...
//     info.CompleteRequest();
//     if (!info.WaitForRequest()) { info.SignalEvent(); return; }
//   }
class VEXHOSTUI_EXPORT CThreadImagesCtrlInfo {
 public:
  using ThreadProc = std::function<void(CThreadImagesCtrlInfo& info)>;

  explicit CThreadImagesCtrlInfo(ThreadProc proc);
  virtual ~CThreadImagesCtrlInfo();
  CThreadImagesCtrlInfo(const CThreadImagesCtrlInfo&) = delete;
  CThreadImagesCtrlInfo& operator=(const CThreadImagesCtrlInfo&) = delete;

  CImagesCtrl* GetList() const { return m_list; }
  int GetWidth() const;
  int GetHeight() const;

  // ---- worker side
  bool IsStopRequested() const;
  // The layer image of the request in progress (a key only: the control's
  // thread owns it and may delete it while the request runs).
  const CLayerBitmap* GetItemLayer() const;
  // 1 while the request runs, 0 once done.
  int GetItemState() const;
  // The request's picture; null leaves the item empty.
  void SetItemResult(std::unique_ptr<NTBitmap> result);
  // Marks the request done (state 0), signals the event and tells the
  // control's thread.
  void CompleteRequest();
  void SignalEvent();
  // Suspends the thread until the control hands it the next request;
  // false when it is asked to stop instead.
  bool WaitForRequest();

 private:
  friend class CImagesCtrl;

  ThreadProc m_proc;
  CImagesCtrl* m_list = nullptr;
  int m_wakeFd = -1;
  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  int m_width = 0;
  int m_height = 0;
  bool m_stop = false;
  bool m_resumed = false;
  bool m_signalled = true;
  const CLayerBitmap* m_layer = nullptr;
  std::uint64_t m_serial = 0;
  int m_state = 0;
  std::unique_ptr<NTBitmap> m_result;
};

class VEXHOSTUI_EXPORT CImagesCtrl : public QListWidget {
 public:
  explicit CImagesCtrl(QWidget* parent = nullptr);
  // Stops the thread and waits for its end. Owners whose procedure reads
  // their own members call WhileEndOfThread in their destructor.
  ~CImagesCtrl() override;

  // The request record and its procedure; the thread starts with the first
  // request. Replacing it ends the previous thread first.
  void SetThumbnailThread(std::unique_ptr<CThreadImagesCtrlInfo> info);
  CThreadImagesCtrlInfo* GetThumbnailThread() const { return m_info.get(); }
  // Takes `frames` over (null: an empty one): one item per frame, with the
  // thumbnails `width` x `height`. Frames holding an image are shown as
  // they are; the others are computed.
  void SetFrames(std::unique_ptr<CFrameBitmap> frames, int width, int height);
  CFrameBitmap* GetFrames() const { return m_frames.get(); }
  int GetThumbnailWidth() const { return m_width; }
  int GetThumbnailHeight() const { return m_height; }
  // Every picture is computed again at the new size.
  void SetThumbnailSize(int width, int height);
  void SetFlags(std::uint32_t flags);
  std::uint32_t GetFlags() const { return m_flags; }

  // `layer` is already one of the frames; its item goes at `index` (-1:
  // the end). `frame` is the file frame it shows (-1: none in particular).
  void InsertLayer(CLayerBitmap* layer, int index, int frame);
  // Removes the item and deletes its frame.
  void RemoveLayer(CLayerBitmap* layer);
  // Selects only this item (null: none) without notifying.
  void SelectLayer(const CLayerBitmap* layer, int frame);
  // Its picture is computed again.
  void InvalidateLayer(CLayerBitmap* layer);
  int GetItemIndex(const CLayerBitmap* layer) const;
  CLayerBitmap* GetItemLayer(int index) const;
  // Selected items in list order.
  std::vector<CLayerBitmap*> GetSelectedLayers() const;
  // True once the item's picture came back (empty when it failed).
  bool IsLayerComputed(const CLayerBitmap* layer) const;
  // No item waits for its picture and no request runs.
  bool AreAllComputed() const;
  // While paused no new picture is asked of the thread (the one under way
  // finishes): a list nobody sees costs nothing.
  void SetPaused(bool paused);
  bool IsPaused() const { return m_paused; }

  // Blocks until the request in progress, if any, is done.
  void WhileBitmapNotComputed();
  // Asks the thread to stop after the request in progress and waits for
  // its end; no request is made afterwards.
  void WhileEndOfThread();
  bool IsThreadRunning() const { return m_thread.joinable(); }

  // code 1: the selection changed (data 0). Answers 1 when handled.
  virtual int OnImagesCtrlNotification(int code, std::uintptr_t data);
  // Tooltip and name of an item.
  virtual std::string GetThumbnailFileName(CLayerBitmap* layer);
  virtual std::string GetThumbnailItemName(int index, CLayerBitmap* layer);
  // Called on the control's thread when a picture came in (tests and
  // benchmarks watch it).
  void SetComputedHook(std::function<void(CLayerBitmap*)> hook) { m_computed = std::move(hook); }

 protected:
  // On the control's thread, just before `layer` is handed to the worker:
  // what the procedure will read can be made ready here.
  virtual void PrepareRequest(CLayerBitmap* /*layer*/) {}
  // On the control's thread once the worker has ended (WhileEndOfThread):
  // a request prepared for it may never have been taken.
  virtual void ThreadEnded() {}

 private:
  friend class CThreadImagesCtrlInfo;
  enum class ItemState { kPending, kComputing, kComputed };
  struct Item {
    CLayerBitmap* layer = nullptr;
    int frame = -1;
    std::uint64_t serial = 0;
    ItemState state = ItemState::kPending;
    bool invalidatedWhileComputing = false;
  };

  int indexOf(const CLayerBitmap* layer) const;
  void addItem(CLayerBitmap* layer, int index, int frame);
  void refreshItem(int index);
  void requestNext();
  // On the control's thread, after the worker completed a request.
  void requestDone();
  void applyFlags();
  // The thumbnail size, here and in the thread's request record.
  void storeSize(int width, int height);
  QPixmap placeholder() const;

  std::unique_ptr<CFrameBitmap> m_frames;
  std::vector<Item> m_items;
  int m_width = 80;
  int m_height = 80;
  std::uint32_t m_flags = IMAGESCTRL_SHOW_NAMES | IMAGESCTRL_MULTI_SELECTION | IMAGESCTRL_VERTICAL;
  std::unique_ptr<CThreadImagesCtrlInfo> m_info;
  std::thread m_thread;
  // The worker tells this thread a request is done through this counter,
  // which the event loop watches.
  int m_wakeFd = -1;
  QSocketNotifier* m_wake = nullptr;
  bool m_ended = false;
  bool m_paused = false;
  std::uint64_t m_nextSerial = 1;
  std::uint64_t m_computingSerial = 0;
  int m_quietSelection = 0;
  std::function<void(CLayerBitmap*)> m_computed;
};
