#pragma once
// The 3D viewer's main window: the loaded scenes and the current one, the
// view, every viewer command with its menus, toolbar and shortcuts, a left
// pane beside the view, the status bar, and the question to save a
// modified scene before it goes.
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hostlib/files/file_name_spec.h"
#include "hostlib/ui/command_frame_wnd.h"
#include "hostlib/ui/dialog_hooks.h"
#include "scene/scene.h"
#include "shared/gl_view_settings.h"
#include "viewer_export.h"

class C3DScene;
class C3DView;
class C3DRebar;
class C3DViewWindow;
class CRenderStatusBar;
class QSplitter;

// Frame settings, one word in the profile ("Render", "settings").
enum Settings3DFrame : std::uint32_t {
  FRAME_SHOW_MATERIALS = 0x1,
  FRAME_SHOW_OBJECTS = 0x2,
  FRAME_SHOW_SCENES = 0x4,
  FRAME_LARGE_ICONS = 0x100,
  FRAME_AUTO_FIT = 0x1000,
};

// ReadScene flags.
enum ReadSceneFlags : std::uint32_t {
  READ_SCENE_SILENT = 0x1,
  READ_SCENE_KEEP = 0x2,
  READ_SCENE_KEEP_CURRENT = 0x4,
  READ_SCENE_REPLACE = 0x8,
  READ_SCENE_AGAIN = 0x10,
};

// SceneChanged reasons.
enum SceneChangedReason : int {
  SCENE_CHANGED_CURRENT = 0x1,
  SCENE_CHANGED_NODE = 0x2,
  SCENE_CHANGED_POINTS = 0x4,
  SCENE_CHANGED_FACES = 0x8,
  SCENE_CHANGED_MATERIAL = 0x10,
  SCENE_CHANGED_TIME = 0x20,
};

enum LeftBarShowMode : int { LEFTBAR_HIDE = 0, LEFTBAR_SHOW = 1, LEFTBAR_TOGGLE = 2 };

namespace vex3d {
inline constexpr std::uint32_t kDefaultFrameSettings = 0x1107;
inline constexpr int kDefaultLeftPaneWidth = 250;
// Menus the commands are placed in.
inline constexpr std::uint32_t kMenuFile = 4;
inline constexpr std::uint32_t kMenuView = 8;
inline constexpr std::uint32_t kMenuRender = 12;
inline constexpr std::uint32_t kMenuHelp = 16;
}  // namespace vex3d

class VEX3D_VIEWER_EXPORT C3DFrameViewer : public CCommandFrameWnd {
 public:
  // `scene`, when given, is owned by the frame and shown. Without
  // `scenesList` the left pane has no thumbnails of the loaded scenes (and
  // no thread making them).
  explicit C3DFrameViewer(std::unique_ptr<C3DScene> scene = nullptr, QWidget* parent = nullptr,
                          bool scenesList = true);
  ~C3DFrameViewer() override;

  // ---- scenes
  C3DScene* GetCurrentScene() const { return m_current; }
  std::vector<C3DScene*> GetScenes() const;
  int GetSceneCount() const { return static_cast<int>(m_scenes.size()); }
  // The index of the scene in the list, or -1 on failure.
  int ReadScene(const CFileNameSpec& file, std::uint32_t flags);
  int ReadScene(const std::string& file, std::uint32_t flags) {
    return ReadScene(CFileNameSpec(file, 0), flags);
  }
  void SetCurrentScene(C3DScene* scene);
  // `index` -1 appends. Answers the index.
  int InsertScene(std::unique_ptr<C3DScene> scene, int index = -1);
  void RemoveScene(C3DScene* scene, bool destroy);
  void ReplaceScene(C3DScene* oldScene, std::unique_ptr<C3DScene> newScene, bool makeCurrent);
  void RemoveScenes();
  int FindScene(const std::string& fileName) const;
  int FindScene(const C3DScene* scene) const;
  // Takes the scene out of the list without deleting it.
  std::unique_ptr<C3DScene> DetachScene(C3DScene* scene);
  void InvalidateScene(C3DScene* scene);
  void ScenesChanged();
  void SceneChanged(int reason, std::uintptr_t data = 0);

  const std::string& GetFilePath() const { return m_filePath; }
  void SetFilePath(const std::string& path) { m_filePath = path; }
  std::string GetFileName() const;

  // ---- saving
  // 0 to go on, 11 when the user cancelled, 7 when the save failed.
  int AskForSave(int hookArgument, bool noCancel);
  // Asked before the question; false: nothing to save.
  void SetSaveHook(std::function<bool(int)> hook) { m_saveHook = std::move(hook); }
  void SetScenesChangedHook(std::function<void()> hook) { m_scenesChanged = std::move(hook); }
  // Listeners of SceneChanged (the left pane and the status bar).
  void AddSceneChangedListener(std::function<void(int, std::uintptr_t)> listener) {
    m_listeners.push_back(std::move(listener));
  }

  // ---- settings (read from the profile at every query)
  bool IsSettingsFlagSet(std::uint32_t flag) const;
  void SetSettingsFlag(std::uint32_t flag, bool on);
  static void ModifyDefaultSettings(std::uint32_t flag, bool on);
  static std::uint32_t GetSettings();

  // ---- left pane
  void ShowObjects(int mode);
  void ShowMaterials(int mode);
  void ShowScenes(int mode);
  bool AreScenesShown() const;
  void UpdateBarState();
  void SetLeftPaneWidth(int width);
  int GetLeftPaneWidth() const;
  C3DRebar* GetBarControl() const { return m_rebar; }
  CRenderStatusBar* GetRenderStatusBar() const { return m_statusBar; }
  QSplitter* GetSplitter() const { return m_splitter; }

  // ---- view
  C3DViewWindow* GetViewWindow() const { return m_view; }
  C3DView* Get3DView() const;
  void ChangeViewMode(std::uint32_t mode);
  void SetViewFlags(std::uint32_t flags, bool on);
  std::uint32_t GetViewFlags() const;
  void SetViewSettings(const _GlViewSettings& settings);
  void UpdateView(std::uint32_t flags);
  void LockWindow();
  void UnlockWindow();
  // The keyboard started or stopped holding a tool.
  void FastKeyToolChanged(bool held);

  // ---- commands
  void AddCommands();
  void ToolbarsSizeChanged();
  void RestoreLastCommand();
  std::string GetIdleMessage() const override;

  // ---- files
  void OnDropFiles(const std::vector<std::string>& files);

 protected:
  bool CanClose() override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void createClient(bool scenesList);
  void updateTitle();
  std::uint32_t cursorResource(std::uint32_t id) const;

  std::vector<std::unique_ptr<C3DScene>> m_scenes;
  C3DScene* m_current = nullptr;
  std::string m_filePath;
  C3DViewWindow* m_view = nullptr;
  QSplitter* m_splitter = nullptr;
  C3DRebar* m_rebar = nullptr;
  CRenderStatusBar* m_statusBar = nullptr;
  std::function<bool(int)> m_saveHook;
  std::function<void()> m_scenesChanged;
  std::vector<std::function<void(int, std::uintptr_t)>> m_listeners;
  std::unique_ptr<vex3d::ui::DialogHooks> m_dialogs;
  CVexCommand* m_lastTool = nullptr;
  int m_pendingLeftWidth = -1;
};
