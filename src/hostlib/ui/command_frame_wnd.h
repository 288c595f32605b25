#pragma once
// A main window run by commands: it owns the command manager, builds the
// menus, the toolbar and the shortcut table from what each command declares
// (CCommandAccess), refreshes their checked and enabled marks, routes keys
// to the manager, and keeps the document's modified flag, the help line and
// full screen.
#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hostlib/commands/command_input.h"
#include "hostlib/commands/command_mgr.h"
#include "hostlib/ui/qt_timer_service.h"
#include "hostlib/ui_export.h"

class CCommandStatusBar;
class QAction;
class QMenu;
class QToolBar;

namespace vex3d::ui {

// One top-level menu: the menu id the commands are placed in, its title, and
// the titles of its groups (a group without a title is a section between
// separators).
struct MenuLayout {
  std::uint32_t menu = 0;
  std::uint32_t titleId = 0;
  std::map<std::uint16_t, std::uint32_t> groupTitleIds;
};

}  // namespace vex3d::ui

class VEXHOSTUI_EXPORT CCommandFrameWnd : public QMainWindow {
 public:
  explicit CCommandFrameWnd(QWidget* parent = nullptr);
  ~CCommandFrameWnd() override;

  CCommandMgr& GetCommandMgr() { return m_commands; }
  vex3d::ui::QtTimerService& GetTimerService() { return m_timers; }

  // The central view (not owned once given to a layout).
  QWidget* GetViewer() const { return m_viewer; }
  void SetViewer(QWidget* view) { m_viewer = view; }
  CCommandStatusBar* GetStatusBarControl() const { return m_status; }
  // An owner's own status bar in place of the plain one; the frame owns it.
  void SetStatusBarControl(CCommandStatusBar* bar);

  // ---- document
  void DocumentChanged();
  void DocumentSaved();
  bool IsDocumentModified() const { return m_modified; }
  // Closes the window from the event loop, once the running command ended.
  void PostCloseWindow();

  // ---- help line (message tags allowed); empty shows the idle message
  void SetHelp(const std::string& text);
  virtual std::string GetIdleMessage() const { return {}; }

  // ---- full screen
  void SetFullScreen(bool on);
  bool IsFullScreen() const { return m_fullScreen; }
  void CancelFullScreen() { SetFullScreen(false); }
  // Called with every key pressed in the window before the shortcuts; a
  // callback answering true took the key and is removed.
  using MessageCallback = std::function<bool(const vex3d::KeyEvent&)>;
  void AddMessageCallback(MessageCallback callback);

  // ---- menus, toolbar and states
  // Builds the menu bar (menus in `layout` order) and the toolbar from the
  // commands added so far.
  void InitMenu(const std::vector<vex3d::ui::MenuLayout>& layout);
  void InitToolbars();
  QMenu* GetCommandMenu(std::uint32_t menu) const;
  QToolBar* GetCommandToolbar() const { return m_toolbar; }
  void SetLargeToolbarIcons(bool large);
  // The action standing for a command in the menus (null when none).
  QAction* GetAction(const CVexCommand* command) const;
  // Refreshes the commands' states and the actions' marks.
  void UpdateCommandStates();
  // Images of the toolbar buttons by resource id.
  using IconProvider = std::function<QIcon(std::uint32_t bitmapId)>;
  void SetIconProvider(IconProvider provider) { m_icons = std::move(provider); }

  // Runs a command as a menu item would; the result of the run.
  CommandResult RunCommand(CVexCommand* command);
  // Hands a key to the message callbacks and the command manager; true
  // when taken.
  bool HandleKey(const vex3d::KeyEvent& e, bool press);

  // The busy cursor until the returned function runs.
  static std::function<void()> ShowWaitCursor();

 protected:
  // Asked before the window closes; false keeps it open.
  virtual bool CanClose() { return true; }
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAction* makeAction(CVexCommand* command);
  QMenu* buildMenu(const vex3d::ui::MenuLayout& layout);
  void refreshAction(CVexCommand* command, QAction* action);

  struct KeySeen {
    const void* event = nullptr;
    int type = 0;
    int key = 0;
    unsigned long long timestamp = 0;
    bool operator==(const KeySeen&) const = default;
  };

  vex3d::ui::QtTimerService m_timers;
  CCommandMgr m_commands;
  QWidget* m_viewer = nullptr;
  CCommandStatusBar* m_status = nullptr;
  QToolBar* m_toolbar = nullptr;
  std::map<std::uint32_t, QMenu*> m_menus;
  std::map<const CVexCommand*, QAction*> m_actions;
  std::vector<MessageCallback> m_callbacks;
  IconProvider m_icons;
  KeySeen m_lastKey;
  bool m_modified = false;
  bool m_fullScreen = false;
  bool m_wasMaximized = false;
};
