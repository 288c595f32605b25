#include "viewer/frame/frame_viewer.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QSplitter>
#include <QTimer>
#include <QUrl>
#include <filesystem>

#include "hostlib/commands/command_mgr.h"
#include "hostlib/core/message_box.h"
#include "hostlib/core/progress.h"
#include "hostlib/files/file_class.h"
#include "hostlib/files/profile.h"
#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "hostlib/ui/command_status_bar.h"
#include "io/io.h"
#include "render/view.h"
#include "render/view_flags.h"
#include "scene/scene.h"
#include "viewer/command_3d.h"
#include "viewer/commands/viewer_commands.h"
#include "viewer/frame/render_status_bar.h"
#include "viewer/frame/view_window.h"
#include "viewer/frame/viewer_resources.h"
#include "viewer/panes/rebar.h"

namespace {

constexpr const char* kSection = "Render";

// The commands reach their frame through this link, so that the command
// base stays free of the window toolkit.
void installFrameLink() {
  vex3d::FrameViewerLink link;
  link.viewerOf = [](CCommandFrameWnd* frame) { return dynamic_cast<C3DFrameViewer*>(frame); };
  link.viewOf = [](C3DFrameViewer* frame) { return frame->Get3DView(); };
  link.currentScene = [](C3DFrameViewer* frame) { return frame->GetCurrentScene(); };
  link.setHelpLine = [](C3DFrameViewer* frame, const std::string& text) { frame->SetHelp(text); };
  link.waitCursor = [] { return CCommandFrameWnd::ShowWaitCursor(); };
  link.beforeSceneEdit = [](C3DFrameViewer* frame) { frame->GetBarControl()->EndTask(false); };
  vex3d::setFrameViewerLink(std::move(link));
}

std::string folderless(const std::string& file) {
  return std::filesystem::path(file).filename().string();
}

}  // namespace

C3DFrameViewer::C3DFrameViewer(std::unique_ptr<C3DScene> scene, QWidget* parent, bool scenesList)
    : CCommandFrameWnd(parent) {
  installFrameLink();
  setObjectName("frameViewer");
  setAcceptDrops(true);
  setWindowIcon(vex3d::viewer::applicationIcon());
  resize(1024, 700);
  m_dialogs = std::make_unique<vex3d::ui::DialogHooks>(this);
  SetIconProvider([](std::uint32_t id) { return vex3d::viewer::commandIcon(id); });
  createClient(scenesList);
  AddCommands();
  m_view->SetCursorProvider([](std::uint32_t id) { return vex3d::viewer::toolCursor(id); });
  if (scene) {
    C3DScene* shown = scene.get();
    InsertScene(std::move(scene));
    SetCurrentScene(shown);
  }
  SetHelp({});
  updateTitle();
}

C3DFrameViewer::~C3DFrameViewer() {
  const int width = GetLeftPaneWidth();
  if (width > 0) WriteProfileInt(kSection, "leftpane", width);
  m_rebar->EndTask(true);
  GetCommandMgr().SetActiveCommand(nullptr);
  GetCommandMgr().ClearVolatileCommand();
  RemoveScenes();
  qApp->removeEventFilter(this);
}

void C3DFrameViewer::createClient(bool scenesList) {
  m_splitter = new QSplitter(Qt::Horizontal, this);
  m_splitter->setObjectName("splitter");
  m_splitter->setChildrenCollapsible(true);
  m_statusBar = new CRenderStatusBar(this);
  SetStatusBarControl(m_statusBar);
  m_rebar = new C3DRebar(m_splitter);
  m_view = new C3DViewWindow(m_splitter);
  m_view->SetFrame(this);
  m_view->SetCommandMgr(&GetCommandMgr());
  m_view->GetView().SetSceneChangedHook([this](int reason) { SceneChanged(reason); });
  // The tool in use draws over the scene (the rotation guide).
  m_view->GetView().SetDrawHook([this] { GetCommandMgr().OnDraw(); });
  m_view->GetView().SetAutoFit(IsSettingsFlagSet(FRAME_AUTO_FIT));
  m_rebar->Init(this, nullptr, scenesList);
  m_splitter->addWidget(m_rebar);
  m_splitter->addWidget(m_view);
  m_splitter->setStretchFactor(1, 1);
  setCentralWidget(m_splitter);
  SetViewer(m_view);
  UpdateBarState();
  m_view->setFocus();
}

void C3DFrameViewer::AddCommands() {
  vex3d::viewer::addViewerCommands(GetCommandMgr());
  InitMenu(vex3d::viewer::menuLayout());
  InitToolbars();
  ToolbarsSizeChanged();
  m_view->SetMenu(GetCommandMenu(vex3d::kMenuView));
}

void C3DFrameViewer::ToolbarsSizeChanged() {
  SetLargeToolbarIcons(IsSettingsFlagSet(FRAME_LARGE_ICONS));
}

std::string C3DFrameViewer::GetIdleMessage() const { return LoadStringW(vex3d::kStrHeldTools); }

void C3DFrameViewer::FastKeyToolChanged(bool held) {
  SetHelp(held ? LoadStringW(vex3d::kStrFasterTools) : std::string());
}

void C3DFrameViewer::RestoreLastCommand() {
  if (m_lastTool != nullptr) GetCommandMgr().SetActiveCommand(m_lastTool);
}

// ---- scenes

std::vector<C3DScene*> C3DFrameViewer::GetScenes() const {
  std::vector<C3DScene*> scenes;
  for (const auto& scene : m_scenes) scenes.push_back(scene.get());
  return scenes;
}

std::string C3DFrameViewer::GetFileName() const { return folderless(m_filePath); }

int C3DFrameViewer::FindScene(const std::string& fileName) const {
  std::error_code error;
  const std::filesystem::path wanted = std::filesystem::weakly_canonical(fileName, error);
  for (std::size_t i = 0; i < m_scenes.size(); ++i) {
    const std::string name = m_scenes[i]->GetFilename().GetName();
    if (name.empty()) continue;
    std::error_code e2;
    if (std::filesystem::weakly_canonical(name, e2) == wanted || name == fileName) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int C3DFrameViewer::FindScene(const C3DScene* scene) const {
  for (std::size_t i = 0; i < m_scenes.size(); ++i) {
    if (m_scenes[i].get() == scene) return static_cast<int>(i);
  }
  return -1;
}

int C3DFrameViewer::ReadScene(const CFileNameSpec& file, std::uint32_t flags) {
  if (!(flags & (READ_SCENE_REPLACE | READ_SCENE_AGAIN))) {
    const int loaded = FindScene(file.GetName());
    if (loaded >= 0) {
      SetCurrentScene(m_scenes[static_cast<std::size_t>(loaded)].get());
      return loaded;
    }
  }
  const bool silent = (flags & READ_SCENE_SILENT) != 0;
  ProcessProgressInfo info;
  if (!silent) {
    info.title = LoadStringW(vex3d::kStrReadingSceneTitle);
    info.text = FormatString(vex3d::kStrReadingScene, folderless(file.GetName()).c_str());
    progressCallCallback(vex3d::kProgressOpen, &info);
  }
  std::unique_ptr<C3DScene> scene;
  {
    auto restore = ShowWaitCursor();
    C3DIo io(file, IO_FLAG_READ | (silent ? IO_FLAG_SILENT : 0u), nullptr);
    scene = io.Read(0, nullptr);
    restore();
  }
  if (!silent) {
    progressCallCallback(vex3d::kProgressClose, nullptr);
    raise();
    activateWindow();
  }
  if (!scene) return -1;
  m_filePath = file.GetName();
  C3DScene* read = scene.get();
  int index = -1;
  if (flags & READ_SCENE_REPLACE) {
    if (m_current != nullptr) {
      index = FindScene(m_current);
      ReplaceScene(m_current, std::move(scene), false);
    } else {
      index = InsertScene(std::move(scene));
    }
  } else {
    if (!(flags & READ_SCENE_KEEP)) RemoveScenes();
    index = InsertScene(std::move(scene));
  }
  if (!((flags & READ_SCENE_KEEP_CURRENT) && m_current != nullptr)) SetCurrentScene(read);
  // The scenes list heard of the new scene as it went in; only whether it
  // shows may change.
  if (IsSettingsFlagSet(FRAME_SHOW_SCENES)) UpdateBarState();
  return index;
}

int C3DFrameViewer::InsertScene(std::unique_ptr<C3DScene> scene, int index) {
  if (!scene) return -1;
  if (index < 0 || index > GetSceneCount()) index = GetSceneCount();
  C3DScene* inserted = scene.get();
  m_scenes.insert(m_scenes.begin() + index, std::move(scene));
  m_rebar->InsertScene(inserted, index);
  // Showing the scenes list needs two scenes; a second one may make it
  // appear.
  if (IsSettingsFlagSet(FRAME_SHOW_SCENES)) UpdateBarState();
  return index;
}

void C3DFrameViewer::SetCurrentScene(C3DScene* scene) {
  // Showing another scene changes what is displayed, not what was edited:
  // the modified flag stays as it is.
  m_current = scene;
  m_view->GetView().SetAutoFit(IsSettingsFlagSet(FRAME_AUTO_FIT));
  if (scene != nullptr) m_view->DrawNextSceneDirectly();
  m_view->GetView().SetScene(scene);
  // The lists of the new scene are built now when GL is ready, else when
  // the view gets its context.
  m_view->GetView().UpdateView(0);
  m_view->RequestPaint();
  SceneChanged(SCENE_CHANGED_CURRENT);
  if (m_scenesChanged) m_scenesChanged();
  updateTitle();
  UpdateCommandStates();
}

void C3DFrameViewer::RemoveScene(C3DScene* scene, bool destroy) {
  std::unique_ptr<C3DScene> owned = DetachScene(scene);
  if (!destroy) (void)owned.release();
}

std::unique_ptr<C3DScene> C3DFrameViewer::DetachScene(C3DScene* scene) {
  const int index = FindScene(scene);
  if (index < 0) return nullptr;
  // The thumbnail being drawn may be this scene's.
  m_rebar->EndTask(false);
  m_rebar->RemoveScene(scene);
  if (scene == m_current) {
    m_view->GetView().DetachScene();
    m_current = nullptr;
    SceneChanged(SCENE_CHANGED_CURRENT);
    updateTitle();
  }
  std::unique_ptr<C3DScene> owned = std::move(m_scenes[static_cast<std::size_t>(index)]);
  m_scenes.erase(m_scenes.begin() + index);
  if (IsSettingsFlagSet(FRAME_SHOW_SCENES)) UpdateBarState();
  return owned;
}

void C3DFrameViewer::ReplaceScene(C3DScene* oldScene, std::unique_ptr<C3DScene> newScene,
                                  bool makeCurrent) {
  const int index = FindScene(oldScene);
  C3DScene* incoming = newScene.get();
  if (index < 0) {
    InsertScene(std::move(newScene));
  } else {
    std::unique_ptr<C3DScene> old = DetachScene(oldScene);
    if (old.get() == incoming) (void)old.release();
    InsertScene(std::move(newScene), index);
  }
  if (makeCurrent) SetCurrentScene(incoming);
}

void C3DFrameViewer::RemoveScenes() {
  if (m_view != nullptr) m_view->GetView().DetachScene();
  m_rebar->EndTask(false);
  for (const auto& scene : m_scenes) m_rebar->RemoveScene(scene.get());
  const bool hadCurrent = m_current != nullptr;
  m_current = nullptr;
  m_scenes.clear();
  if (hadCurrent) SceneChanged(SCENE_CHANGED_CURRENT);
}

void C3DFrameViewer::InvalidateScene(C3DScene* scene) {
  m_rebar->InvalidateScene(scene);
  if (scene == m_current) UpdateView(UPDATE_VIEW_NODES);
}

void C3DFrameViewer::ScenesChanged() {
  m_rebar->ScenesChanged();
  if (IsSettingsFlagSet(FRAME_SHOW_SCENES)) UpdateBarState();
}

void C3DFrameViewer::SceneChanged(int reason, std::uintptr_t data) {
  m_rebar->SceneChanged(m_current, reason, data);
  m_statusBar->SceneChanged(m_current, reason);
  for (const auto& listener : m_listeners) listener(reason, data);
}

void C3DFrameViewer::updateTitle() {
  const std::string name =
      m_current != nullptr ? folderless(m_current->GetFilename().GetName()) : std::string();
  // Qt appends the application's name; "[*]" marks a modified scene.
  setWindowTitle(name.empty() ? QString("[*]") : QString::fromStdString(name) + "[*]");
  setWindowModified(IsDocumentModified());
}

// ---- saving

int C3DFrameViewer::AskForSave(int hookArgument, bool noCancel) {
  if ((m_saveHook && !m_saveHook(hookArgument)) || !IsDocumentModified()) return cmdDone;
  const int answer = AfxMessageBox(
      LoadStringW(vex3d::kStrSceneModified),
      (noCancel ? vex3d::kMsgYesNo : vex3d::kMsgYesNoCancel) | vex3d::kMsgIconQuestion);
  if (answer == vex3d::kAnswerCancel) return cmdCancelled;
  if (answer == vex3d::kAnswerYes) {
    CVexCommand* save = GetCommandMgr().GetCommandById(vex3d::fourcc("SAVS"));
    if (save == nullptr) return cmdFailed;
    return GetCommandMgr().StackCommand(save) == cmdDone ? cmdDone : cmdFailed;
  }
  DocumentSaved();
  return cmdDone;
}

bool C3DFrameViewer::CanClose() {
  if (AskForSave(0, false) != cmdDone) return false;
  if (m_view != nullptr) m_view->GetView().SaveDefaultSettings();
  return true;
}

// ---- settings

std::uint32_t C3DFrameViewer::GetSettings() {
  return static_cast<std::uint32_t>(
      GetProfileInt(kSection, "settings", static_cast<int>(vex3d::kDefaultFrameSettings)));
}

bool C3DFrameViewer::IsSettingsFlagSet(std::uint32_t flag) const {
  return (GetSettings() & flag) != 0;
}

void C3DFrameViewer::ModifyDefaultSettings(std::uint32_t flag, bool on) {
  std::uint32_t settings = GetSettings();
  settings = on ? settings | flag : settings & ~flag;
  WriteProfileInt(kSection, "settings", static_cast<int>(settings));
}

void C3DFrameViewer::SetSettingsFlag(std::uint32_t flag, bool on) {
  ModifyDefaultSettings(flag, on);
  if (flag & FRAME_AUTO_FIT) m_view->GetView().SetAutoFit(on);
  if (flag & FRAME_LARGE_ICONS) ToolbarsSizeChanged();
}

// ---- left pane

void C3DFrameViewer::ShowObjects(int mode) {
  m_rebar->ShowObjects(mode);
  UpdateBarState();
}

void C3DFrameViewer::ShowMaterials(int mode) {
  m_rebar->ShowMaterials(mode);
  UpdateBarState();
}

void C3DFrameViewer::ShowScenes(int mode) {
  m_rebar->ShowScenes(mode);
  UpdateBarState();
}

bool C3DFrameViewer::AreScenesShown() const { return m_rebar->AreScenesShown(); }

int C3DFrameViewer::GetLeftPaneWidth() const {
  if (m_splitter == nullptr) return 0;
  if (m_pendingLeftWidth >= 0) return m_pendingLeftWidth;
  if (m_rebar->isHidden()) return 0;
  const QList<int> sizes = m_splitter->sizes();
  return sizes.isEmpty() ? 0 : sizes.front();
}

static int storedLeftPaneWidth() {
  const int stored = GetProfileInt(kSection, "leftpane", vex3d::kDefaultLeftPaneWidth);
  return stored > 0 ? stored : vex3d::kDefaultLeftPaneWidth;
}

void C3DFrameViewer::SetLeftPaneWidth(int width) {
  const int current = GetLeftPaneWidth();
  if (width == -1) {
    if (current != 0) return;
    width = storedLeftPaneWidth();
  } else if (width == 0 && current > 0) {
    WriteProfileInt(kSection, "leftpane", current);
  }
  m_rebar->setVisible(width > 0);
  // Before the window is laid out the splitter has no width to share: the
  // width is applied when it is shown.
  if (!m_splitter->isVisible()) {
    m_pendingLeftWidth = width;
    return;
  }
  m_pendingLeftWidth = -1;
  const int total = m_splitter->width() - m_splitter->handleWidth();
  m_splitter->setSizes({width, std::max(total - width, 1)});
}

void C3DFrameViewer::showEvent(QShowEvent* event) {
  CCommandFrameWnd::showEvent(event);
  if (m_pendingLeftWidth >= 0) {
    QTimer::singleShot(0, this, [this] {
      if (m_pendingLeftWidth >= 0) SetLeftPaneWidth(m_pendingLeftWidth);
    });
  }
}

void C3DFrameViewer::UpdateBarState() {
  m_rebar->UpdateBars();
  const bool any = m_rebar->GetShownBarCount() > 0;
  if (!any) {
    if (GetLeftPaneWidth() > 0) SetLeftPaneWidth(0);
    m_rebar->setVisible(false);
  } else if (GetLeftPaneWidth() == 0 || m_rebar->isHidden()) {
    SetLeftPaneWidth(storedLeftPaneWidth());
  }
}

// ---- view

C3DView* C3DFrameViewer::Get3DView() const {
  return m_view != nullptr ? &m_view->GetView() : nullptr;
}

std::uint32_t C3DFrameViewer::GetViewFlags() const { return Get3DView()->GetViewFlag(); }

void C3DFrameViewer::ChangeViewMode(std::uint32_t mode) {
  _GlViewSettings s = Get3DView()->GetViewSettings();
  const std::uint32_t next = (s.viewMode & ~VIEW_RENDER_MODE_MASK) | (mode & VIEW_RENDER_MODE_MASK);
  if (next == s.viewMode) return;
  s.viewMode = next;
  s.mask = GLVS_VIEW_MODE | GLVS_UPDATE;
  Get3DView()->SetViewSettings(&s);
}

void C3DFrameViewer::SetViewFlags(std::uint32_t flags, bool on) {
  _GlViewSettings s = Get3DView()->GetViewSettings();
  const std::uint32_t next = on ? s.viewMode | flags : s.viewMode & ~flags;
  if (next == s.viewMode) return;
  s.viewMode = next;
  s.mask = GLVS_VIEW_MODE;
  Get3DView()->SetViewSettings(&s);
}

void C3DFrameViewer::SetViewSettings(const _GlViewSettings& settings) {
  Get3DView()->SetViewSettings(&settings);
}

void C3DFrameViewer::UpdateView(std::uint32_t flags) { Get3DView()->UpdateView(flags); }

void C3DFrameViewer::LockWindow() { Get3DView()->LockWindow(); }

void C3DFrameViewer::UnlockWindow() { Get3DView()->UnlockWindow(); }

// ---- files

void C3DFrameViewer::OnDropFiles(const std::vector<std::string>& files) {
  bool first = true;
  for (const std::string& file : files) {
    if ((fileGetKindOf(file) & vex3d::kFileKind3D) == 0) continue;
    ReadScene(file, first ? READ_SCENE_KEEP | READ_SCENE_KEEP_CURRENT : READ_SCENE_KEEP);
    first = false;
  }
}

void C3DFrameViewer::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void C3DFrameViewer::dropEvent(QDropEvent* event) {
  std::vector<std::string> files;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
  }
  event->acceptProposedAction();
  OnDropFiles(files);
}

bool C3DFrameViewer::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space && !key->isAutoRepeat() && m_view != nullptr) {
      m_view->SetSpaceDown(type == QEvent::KeyPress);
      m_view->SetFastKeyCommand();
    }
  }
  return CCommandFrameWnd::eventFilter(watched, event);
}
