#include "hostlib/ui/images_ctrl.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QImage>
#include <QMetaObject>
#include <QPainter>
#include <QPixmap>
#include <QSocketNotifier>
#include <algorithm>

#include "hostlib/images/bitmap.h"

// ---- request record

CThreadImagesCtrlInfo::CThreadImagesCtrlInfo(ThreadProc proc) : m_proc(std::move(proc)) {}

CThreadImagesCtrlInfo::~CThreadImagesCtrlInfo() = default;

int CThreadImagesCtrlInfo::GetWidth() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_width;
}

int CThreadImagesCtrlInfo::GetHeight() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_height;
}

bool CThreadImagesCtrlInfo::IsStopRequested() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_stop;
}

const CLayerBitmap* CThreadImagesCtrlInfo::GetItemLayer() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_layer;
}

int CThreadImagesCtrlInfo::GetItemState() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_state;
}

void CThreadImagesCtrlInfo::SetItemResult(std::unique_ptr<NTBitmap> result) {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_result = std::move(result);
}

void CThreadImagesCtrlInfo::CompleteRequest() {
  int wake = -1;
  CImagesCtrl* list = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state = 0;
    m_signalled = true;
    wake = m_wakeFd;
    list = m_list;
  }
  m_changed.notify_all();
  // A counter the control's event loop watches rather than an event posted
  // from here: nothing of the window toolkit is touched from this thread.
  // The control closes it only once this thread has ended.
  if (wake >= 0) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake, &one, sizeof one);
  } else if (list != nullptr) {
    // No counter could be made: a queued call, dropped if the control goes.
    QMetaObject::invokeMethod(
        list, [list] { list->requestDone(); }, Qt::QueuedConnection);
  }
}

void CThreadImagesCtrlInfo::SignalEvent() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = true;
  }
  m_changed.notify_all();
}

bool CThreadImagesCtrlInfo::WaitForRequest() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_changed.wait(lock, [this] { return m_resumed || m_stop; });
  m_resumed = false;
  if (m_stop) return false;
  m_signalled = false;
  return true;
}

// ---- control

namespace {

constexpr int kItemMargin = 8;

QImage imageOf(const Bitmap& bitmap) {
  const QImage::Format format = bitmap.GetType() == vex3d::kBitmapRgba  ? QImage::Format_RGBA8888
                                : bitmap.GetType() == vex3d::kBitmapRgb ? QImage::Format_RGB888
                                                                        : QImage::Format_Grayscale8;
  if (bitmap.GetType() != vex3d::kBitmapRgba && bitmap.GetType() != vex3d::kBitmapRgb &&
      bitmap.GetBytesPerPixel() != 1) {
    return {};
  }
  const QImage view(bitmap.GetBits(), bitmap.GetWidth(), bitmap.GetHeight(),
                    static_cast<qsizetype>(bitmap.GetStride()), format);
  return view.copy();
}

}  // namespace

CImagesCtrl::CImagesCtrl(QWidget* parent) : QListWidget(parent), m_frames(new CFrameBitmap) {
  setObjectName("imagesCtrl");
  setViewMode(QListView::IconMode);
  setMovement(QListView::Static);
  setResizeMode(QListView::Adjust);
  setWrapping(false);
  setUniformItemSizes(true);
  setTextElideMode(Qt::ElideMiddle);
  setWordWrap(false);
  setSpacing(kItemMargin / 2);
  applyFlags();
  m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (m_wakeFd >= 0) {
    m_wake = new QSocketNotifier(m_wakeFd, QSocketNotifier::Read, this);
    QObject::connect(m_wake, &QSocketNotifier::activated, this, [this] {
      std::uint64_t count = 0;
      [[maybe_unused]] const ssize_t got = ::read(m_wakeFd, &count, sizeof count);
      requestDone();
    });
  }
  QObject::connect(this, &QListWidget::itemSelectionChanged, this, [this] {
    if (m_quietSelection == 0) OnImagesCtrlNotification(IMAGESCTRL_SELECTION_CHANGED, 0);
  });
}

CImagesCtrl::~CImagesCtrl() {
  WhileEndOfThread();
  delete m_wake;
  if (m_wakeFd >= 0) ::close(m_wakeFd);
}

void CImagesCtrl::SetThumbnailThread(std::unique_ptr<CThreadImagesCtrlInfo> info) {
  WhileEndOfThread();
  m_info = std::move(info);
  m_ended = false;
  m_computingSerial = 0;
  if (m_info) {
    std::lock_guard<std::mutex> lock(m_info->m_mutex);
    m_info->m_list = this;
    m_info->m_wakeFd = m_wakeFd;
    m_info->m_width = m_width;
    m_info->m_height = m_height;
  }
  for (Item& item : m_items) {
    if (item.state == ItemState::kComputing) item.state = ItemState::kPending;
  }
  requestNext();
}

void CImagesCtrl::SetFrames(std::unique_ptr<CFrameBitmap> frames, int width, int height) {
  // A request under way keeps running; its answer no longer matches any
  // item and is dropped, and the next request waits for it.
  ++m_quietSelection;
  clear();
  --m_quietSelection;
  m_items.clear();
  m_frames = frames ? std::move(frames) : std::make_unique<CFrameBitmap>();
  storeSize(width, height);
  applyFlags();
  for (int i = 0; i < m_frames->GetFrameNbr(); ++i) {
    CLayerBitmap* layer = m_frames->GetFrame(i);
    addItem(layer, i, -1);
    if (layer->GetLayerNbr() > 0) {
      m_items.back().state = ItemState::kComputed;
      refreshItem(i);
    }
  }
  requestNext();
}

void CImagesCtrl::storeSize(int width, int height) {
  m_width = std::max(0, width);
  m_height = std::max(0, height);
  if (m_info) {
    std::lock_guard<std::mutex> lock(m_info->m_mutex);
    m_info->m_width = m_width;
    m_info->m_height = m_height;
  }
}

void CImagesCtrl::SetThumbnailSize(int width, int height) {
  storeSize(width, height);
  applyFlags();
  for (std::size_t i = 0; i < m_items.size(); ++i) {
    Item& it = m_items[i];
    if (it.state == ItemState::kComputing) {
      it.invalidatedWhileComputing = true;
      continue;
    }
    it.state = ItemState::kPending;
    it.layer->RemoveAll();
    refreshItem(static_cast<int>(i));
  }
  requestNext();
}

void CImagesCtrl::SetFlags(std::uint32_t flags) {
  m_flags = flags;
  applyFlags();
  for (int i = 0; i < static_cast<int>(m_items.size()); ++i) refreshItem(i);
}

void CImagesCtrl::applyFlags() {
  setFlow((m_flags & IMAGESCTRL_VERTICAL) ? QListView::TopToBottom : QListView::LeftToRight);
  setSelectionMode((m_flags & IMAGESCTRL_MULTI_SELECTION) ? QAbstractItemView::ExtendedSelection
                                                          : QAbstractItemView::SingleSelection);
  setIconSize(QSize(std::max(1, m_width), std::max(1, m_height)));
  const int textHeight = (m_flags & IMAGESCTRL_SHOW_NAMES) ? fontMetrics().height() + 4 : 0;
  setGridSize(QSize(m_width + 4 * kItemMargin, m_height + textHeight + 2 * kItemMargin));
}

QPixmap CImagesCtrl::placeholder() const {
  QPixmap pixmap(std::max(1, m_width), std::max(1, m_height));
  pixmap.fill(palette().color(QPalette::Midlight));
  QPainter painter(&pixmap);
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
  return pixmap;
}

int CImagesCtrl::indexOf(const CLayerBitmap* layer) const {
  for (std::size_t i = 0; i < m_items.size(); ++i) {
    if (m_items[i].layer == layer) return static_cast<int>(i);
  }
  return -1;
}

void CImagesCtrl::addItem(CLayerBitmap* layer, int index, int frame) {
  if (index < 0 || index > static_cast<int>(m_items.size())) {
    index = static_cast<int>(m_items.size());
  }
  Item item;
  item.layer = layer;
  item.frame = frame;
  item.serial = m_nextSerial++;
  m_items.insert(m_items.begin() + index, item);
  insertItem(index, new QListWidgetItem);
  refreshItem(index);
}

void CImagesCtrl::refreshItem(int index) {
  QListWidgetItem* widgetItem = item(index);
  if (widgetItem == nullptr) return;
  const Item& it = m_items[static_cast<std::size_t>(index)];
  QPixmap picture;
  if (it.state == ItemState::kComputed) {
    // A failed computation leaves an empty frame, apart from the
    // placeholder of a picture still to come.
    if (it.layer->GetLayerNbr() > 0) {
      const QImage image = imageOf(*it.layer->GetLayer(0));
      if (!image.isNull()) picture = QPixmap::fromImage(image);
    }
    if (picture.isNull()) {
      picture = QPixmap(std::max(1, m_width), std::max(1, m_height));
      picture.fill(Qt::transparent);
    }
  } else {
    picture = placeholder();
  }
  widgetItem->setIcon(QIcon(picture));
  widgetItem->setText((m_flags & IMAGESCTRL_SHOW_NAMES)
                          ? QString::fromStdString(GetThumbnailItemName(index, it.layer))
                          : QString());
  widgetItem->setToolTip(QString::fromStdString(GetThumbnailFileName(it.layer)));
  widgetItem->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
}

void CImagesCtrl::InsertLayer(CLayerBitmap* layer, int index, int frame) {
  if (layer == nullptr || indexOf(layer) >= 0) return;
  addItem(layer, index, frame);
  requestNext();
}

void CImagesCtrl::RemoveLayer(CLayerBitmap* layer) {
  const int index = indexOf(layer);
  if (index < 0) return;
  ++m_quietSelection;
  delete takeItem(index);
  --m_quietSelection;
  // A request under way for it completes all the same: its answer finds
  // no item and the next request follows.
  m_items.erase(m_items.begin() + index);
  const int frame = m_frames->FindFrame(layer);
  if (frame >= 0) delete m_frames->DetachFrame(frame);
}

void CImagesCtrl::SelectLayer(const CLayerBitmap* layer, int /*frame*/) {
  const int index = indexOf(layer);
  ++m_quietSelection;
  clearSelection();
  if (index >= 0) {
    QListWidgetItem* selected = item(index);
    selected->setSelected(true);
    setCurrentItem(selected, QItemSelectionModel::NoUpdate);
    scrollToItem(selected);
  }
  --m_quietSelection;
}

void CImagesCtrl::InvalidateLayer(CLayerBitmap* layer) {
  const int index = indexOf(layer);
  if (index < 0) return;
  Item& it = m_items[static_cast<std::size_t>(index)];
  if (it.state == ItemState::kComputing) {
    it.invalidatedWhileComputing = true;
    return;
  }
  it.state = ItemState::kPending;
  layer->RemoveAll();
  refreshItem(index);
  requestNext();
}

int CImagesCtrl::GetItemIndex(const CLayerBitmap* layer) const { return indexOf(layer); }

CLayerBitmap* CImagesCtrl::GetItemLayer(int index) const {
  if (index < 0 || index >= static_cast<int>(m_items.size())) return nullptr;
  return m_items[static_cast<std::size_t>(index)].layer;
}

std::vector<CLayerBitmap*> CImagesCtrl::GetSelectedLayers() const {
  std::vector<CLayerBitmap*> layers;
  for (int i = 0; i < count(); ++i) {
    if (item(i)->isSelected()) layers.push_back(m_items[static_cast<std::size_t>(i)].layer);
  }
  return layers;
}

bool CImagesCtrl::IsLayerComputed(const CLayerBitmap* layer) const {
  const int index = indexOf(layer);
  return index >= 0 && m_items[static_cast<std::size_t>(index)].state == ItemState::kComputed;
}

bool CImagesCtrl::AreAllComputed() const {
  return m_computingSerial == 0 && std::all_of(m_items.begin(), m_items.end(), [](const Item& it) {
           return it.state == ItemState::kComputed;
         });
}

void CImagesCtrl::SetPaused(bool paused) {
  if (m_paused == paused) return;
  m_paused = paused;
  if (!paused) requestNext();
}

void CImagesCtrl::requestNext() {
  if (!m_info || m_ended || m_paused || m_computingSerial != 0) return;
  auto pending = std::find_if(m_items.begin(), m_items.end(),
                              [](const Item& it) { return it.state == ItemState::kPending; });
  if (pending == m_items.end()) return;
  pending->state = ItemState::kComputing;
  m_computingSerial = pending->serial;
  PrepareRequest(pending->layer);
  {
    std::lock_guard<std::mutex> lock(m_info->m_mutex);
    m_info->m_layer = pending->layer;
    m_info->m_serial = pending->serial;
    m_info->m_state = 1;
    m_info->m_result.reset();
    m_info->m_signalled = false;
    // A thread starting takes its first request without waiting for it.
    m_info->m_resumed = m_thread.joinable();
  }
  if (!m_thread.joinable()) {
    CThreadImagesCtrlInfo* info = m_info.get();
    m_thread = std::thread([info] {
      info->m_proc(*info);
      // A procedure that forgot its last signal must not leave the
      // control waiting.
      info->SignalEvent();
    });
  } else {
    m_info->m_changed.notify_all();
  }
}

void CImagesCtrl::requestDone() {
  if (!m_info) return;
  std::unique_ptr<NTBitmap> result;
  std::uint64_t serial = 0;
  {
    std::lock_guard<std::mutex> lock(m_info->m_mutex);
    if (m_info->m_state != 0) return;
    serial = m_info->m_serial;
    result = std::move(m_info->m_result);
  }
  if (serial != m_computingSerial) return;
  m_computingSerial = 0;
  auto found = std::find_if(m_items.begin(), m_items.end(),
                            [serial](const Item& it) { return it.serial == serial; });
  CLayerBitmap* computed = nullptr;
  if (found != m_items.end()) {
    const int index = static_cast<int>(found - m_items.begin());
    if (found->invalidatedWhileComputing) {
      found->invalidatedWhileComputing = false;
      found->state = ItemState::kPending;
    } else {
      found->state = ItemState::kComputed;
      found->layer->RemoveAll();
      if (result) found->layer->AddLayer(result->ConvertToBitmap());
      computed = found->layer;
    }
    refreshItem(index);
  }
  if (computed != nullptr && m_computed) m_computed(computed);
  requestNext();
}

void CImagesCtrl::WhileBitmapNotComputed() {
  if (!m_info || !m_thread.joinable()) return;
  std::unique_lock<std::mutex> lock(m_info->m_mutex);
  m_info->m_changed.wait(lock, [this] { return m_info->m_signalled; });
}

void CImagesCtrl::WhileEndOfThread() {
  if (!m_info) return;
  m_ended = true;
  if (m_thread.joinable()) {
    {
      std::lock_guard<std::mutex> lock(m_info->m_mutex);
      m_info->m_stop = true;
    }
    m_info->m_changed.notify_all();
    m_thread.join();
    ThreadEnded();
  }
  // The answer of the last request is not awaited any more.
  if (m_computingSerial != 0) {
    for (Item& it : m_items) {
      if (it.serial == m_computingSerial) it.state = ItemState::kPending;
    }
    m_computingSerial = 0;
  }
}

int CImagesCtrl::OnImagesCtrlNotification(int /*code*/, std::uintptr_t /*data*/) { return 0; }

std::string CImagesCtrl::GetThumbnailFileName(CLayerBitmap* /*layer*/) { return {}; }

std::string CImagesCtrl::GetThumbnailItemName(int index, CLayerBitmap* /*layer*/) {
  return std::to_string(index + 1);
}
