#include "hostlib/ui/command_frame_wnd.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStyleOptionToolButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <tuple>

#include "hostlib/commands/command.h"
#include "hostlib/text/strings.h"
#include "hostlib/ui/command_status_bar.h"
#include "hostlib/ui/key_translation.h"

namespace {

// A toolbar button whose arrow asks the command for its own drop-down menu
// (OnToolbarMenu) while a click on the button runs the command.
class CommandMenuButton final : public QToolButton {
 public:
  CommandMenuButton(CVexCommand& command, QWidget* parent)
      : QToolButton(parent), m_command(command), m_placeholder(new QMenu(this)) {
    // Qt draws the arrow only for a button with a menu; the menu itself is
    // never shown.
    setMenu(m_placeholder);
    setPopupMode(QToolButton::MenuButtonPopup);
  }

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    QStyleOptionToolButton option;
    initStyleOption(&option);
    const QRect arrow =
        style()->subControlRect(QStyle::CC_ToolButton, &option, QStyle::SC_ToolButtonMenu, this);
    if (event->button() == Qt::LeftButton && arrow.contains(event->position().toPoint())) {
      const QPoint at = mapToGlobal(QPoint(0, height()));
      m_command.OnToolbarMenu(at.x(), at.y());
      event->accept();
      return;
    }
    QToolButton::mousePressEvent(event);
  }

 private:
  CVexCommand& m_command;
  QMenu* m_placeholder;
};

std::tuple<std::uint16_t, std::uint16_t> order(std::uint32_t position) {
  return {vex3d::positionGroup(position), vex3d::positionIndex(position)};
}

}  // namespace

CCommandFrameWnd::CCommandFrameWnd(QWidget* parent) : QMainWindow(parent) {
  m_commands.SetTimerService(&m_timers);
  m_commands.SetFrame(this);
  m_status = new CCommandStatusBar(this);
  setStatusBar(m_status);
  qApp->installEventFilter(this);
}

void CCommandFrameWnd::SetStatusBarControl(CCommandStatusBar* bar) {
  if (bar == nullptr || bar == m_status) return;
  const QString help = m_status->GetHelpText();
  // setStatusBar deletes the bar it replaces.
  setStatusBar(bar);
  m_status = bar;
  m_status->SetHelp(help.toStdString());
}

CCommandFrameWnd::~CCommandFrameWnd() {
  qApp->removeEventFilter(this);
  // The commands go before the windows they may still point to.
  m_commands.SetActiveCommand(nullptr);
  m_commands.ClearVolatileCommand();
}

void CCommandFrameWnd::DocumentChanged() {
  m_modified = true;
  setWindowModified(true);
}

void CCommandFrameWnd::DocumentSaved() {
  m_modified = false;
  setWindowModified(false);
}

void CCommandFrameWnd::PostCloseWindow() {
  QTimer::singleShot(0, this, [this] { close(); });
}

void CCommandFrameWnd::SetHelp(const std::string& text) {
  m_status->SetHelp(text.empty() ? GetIdleMessage() : text);
}

void CCommandFrameWnd::SetFullScreen(bool on) {
  if (on == m_fullScreen) return;
  m_fullScreen = on;
  if (on) {
    m_wasMaximized = isMaximized();
    menuBar()->hide();
    if (m_toolbar != nullptr) m_toolbar->hide();
    m_status->hide();
    showFullScreen();
  } else {
    menuBar()->show();
    if (m_toolbar != nullptr) m_toolbar->show();
    m_status->show();
    if (m_wasMaximized) {
      showMaximized();
    } else {
      showNormal();
    }
  }
}

void CCommandFrameWnd::AddMessageCallback(MessageCallback callback) {
  m_callbacks.push_back(std::move(callback));
}

QAction* CCommandFrameWnd::makeAction(CVexCommand* command) {
  if (auto it = m_actions.find(command); it != m_actions.end()) return it->second;
  auto* action = new QAction(this);
  QString text = QString::fromStdString(command->GetName());
  const CCommandAccess& access = command->GetAccess();
  if (access.HasShortcut()) {
    text += '\t' + vex3d::ui::shortcutLabel(access.GetKey(), access.GetModifiers());
  }
  action->setText(text);
  std::string help;
  if (command->GetHelp(CVexCommand::helpDescription, help)) {
    action->setStatusTip(QString::fromStdString(help));
    // "Help On" points at an item and reads this.
    action->setWhatsThis(QString::fromStdString(help));
    action->setToolTip(
        QString::fromStdString(command->GetName()).remove('&') +
        (access.HasShortcut()
             ? " (" + vex3d::ui::shortcutLabel(access.GetKey(), access.GetModifiers()) + ")"
             : QString()));
  }
  if (m_icons && access.GetBitmap() != 0) action->setIcon(m_icons(access.GetBitmap()));
  action->setData(QVariant::fromValue(static_cast<void*>(command)));
  connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
  connect(action, &QAction::hovered, this, [this, help] { SetHelp(help); });
  m_actions.emplace(command, action);
  return action;
}

CommandResult CCommandFrameWnd::RunCommand(CVexCommand* command) {
  const CommandResult result = m_commands.StackCommand(command);
  UpdateCommandStates();
  return result;
}

QMenu* CCommandFrameWnd::buildMenu(const vex3d::ui::MenuLayout& layout) {
  std::vector<CVexCommand*> placed;
  for (CVexCommand* command : m_commands.GetCommands()) {
    const CCommandAccess& access = command->GetAccess();
    if (access.IsInMenu() && access.GetMenu() == layout.menu && command->IsVisible()) {
      placed.push_back(command);
    }
  }
  std::stable_sort(placed.begin(), placed.end(), [](CVexCommand* a, CVexCommand* b) {
    return order(a->GetAccess().GetMenuPosition()) < order(b->GetAccess().GetMenuPosition());
  });
  auto* menu = new QMenu(QString::fromStdString(LoadStringW(layout.titleId)), this);
  QMenu* target = menu;
  int group = -1;
  for (CVexCommand* command : placed) {
    const int g = vex3d::positionGroup(command->GetAccess().GetMenuPosition());
    if (g != group) {
      group = g;
      const auto title = layout.groupTitleIds.find(static_cast<std::uint16_t>(g));
      if (title != layout.groupTitleIds.end()) {
        target = menu->addMenu(QString::fromStdString(LoadStringW(title->second)));
        connect(target, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });
      } else {
        target = menu;
        // Qt drops a separator that would come first or twice.
        menu->addSeparator();
      }
    }
    target->addAction(makeAction(command));
  }
  connect(menu, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });
  // The help line tells about the hovered item only while the menu is open.
  connect(menu, &QMenu::aboutToHide, this, [this] { SetHelp({}); });
  return menu;
}

void CCommandFrameWnd::InitMenu(const std::vector<vex3d::ui::MenuLayout>& layout) {
  menuBar()->clear();
  for (auto& [id, menu] : m_menus) menu->deleteLater();
  m_menus.clear();
  for (const vex3d::ui::MenuLayout& entry : layout) {
    QMenu* menu = buildMenu(entry);
    menu->setObjectName(QString("menu%1").arg(entry.menu));
    menuBar()->addMenu(menu);
    m_menus.emplace(entry.menu, menu);
  }
  UpdateCommandStates();
}

QMenu* CCommandFrameWnd::GetCommandMenu(std::uint32_t menu) const {
  const auto it = m_menus.find(menu);
  return it == m_menus.end() ? nullptr : it->second;
}

void CCommandFrameWnd::InitToolbars() {
  if (m_toolbar == nullptr) {
    m_toolbar = addToolBar(QString());
    m_toolbar->setObjectName("commandToolbar");
    m_toolbar->setMovable(false);
  }
  m_toolbar->clear();
  std::vector<CVexCommand*> placed;
  for (CVexCommand* command : m_commands.GetCommands()) {
    if (command->GetAccess().IsOnToolbar() && command->IsVisible()) placed.push_back(command);
  }
  std::stable_sort(placed.begin(), placed.end(), [](CVexCommand* a, CVexCommand* b) {
    return order(a->GetAccess().GetToolbarPosition()) < order(b->GetAccess().GetToolbarPosition());
  });
  int group = -1;
  for (CVexCommand* command : placed) {
    const int g = vex3d::positionGroup(command->GetAccess().GetToolbarPosition());
    if (group != -1 && g != group) m_toolbar->addSeparator();
    group = g;
    QAction* action = makeAction(command);
    if (command->GetAccess().HasToolbarMenu()) {
      auto* button = new CommandMenuButton(*command, m_toolbar);
      button->setDefaultAction(action);
      button->setObjectName(QString::fromStdString(command->GetCommandID().ToString()));
      m_toolbar->addWidget(button);
    } else {
      m_toolbar->addAction(action);
    }
  }
  UpdateCommandStates();
}

void CCommandFrameWnd::SetLargeToolbarIcons(bool large) {
  if (m_toolbar != nullptr) m_toolbar->setIconSize(large ? QSize(32, 32) : QSize(20, 20));
}

QAction* CCommandFrameWnd::GetAction(const CVexCommand* command) const {
  const auto it = m_actions.find(command);
  return it == m_actions.end() ? nullptr : it->second;
}

void CCommandFrameWnd::refreshAction(CVexCommand* command, QAction* action) {
  const bool checked = command->IsStateSet(cmdStateTool) ? m_commands.GetActiveCommand() == command
                                                         : command->IsChecked();
  // Only a checked command shows a mark; the others read as plain items.
  action->setCheckable(checked);
  action->setChecked(checked);
  action->setEnabled(command->IsEnabled());
  action->setVisible(command->IsVisible());
}

void CCommandFrameWnd::UpdateCommandStates() {
  m_commands.UpdateStates();
  for (auto& [command, action] : m_actions) {
    refreshAction(const_cast<CVexCommand*>(command), action);
  }
}

bool CCommandFrameWnd::HandleKey(const vex3d::KeyEvent& e, bool press) {
  if (press) {
    for (auto it = m_callbacks.begin(); it != m_callbacks.end(); ++it) {
      if ((*it)(e)) {
        m_callbacks.erase(it);
        return true;
      }
    }
    if (e.autoRepeat) {
      // A held shortcut runs once; only the input command sees repeats.
      CVexCommand* input = m_commands.GetInputCommand();
      return input != nullptr && input->OnKeyDown(e);
    }
    const bool taken = m_commands.OnKeyDown(e);
    if (taken) UpdateCommandStates();
    return taken;
  }
  return m_commands.OnKeyUp(e);
}

bool CCommandFrameWnd::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this &&
      QApplication::activePopupWidget() == nullptr &&
      QApplication::activeModalWidget() == nullptr) {
    auto* key = static_cast<QKeyEvent*>(event);
    // A key nobody took travels up to the parents and passes here again: it
    // is offered once only.
    const KeySeen seen{key, type, key->key(), key->timestamp()};
    if (seen == m_lastKey) return QMainWindow::eventFilter(watched, event);
    m_lastKey = seen;
    const vex3d::KeyEvent e{vex3d::ui::keyFromQt(key->key(), key->modifiers()),
                            vex3d::ui::modifiersFromQt(key->modifiers()), key->isAutoRepeat()};
    if (e.key != 0 && HandleKey(e, type == QEvent::KeyPress)) {
      key->accept();
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void CCommandFrameWnd::closeEvent(QCloseEvent* event) {
  if (!CanClose()) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

std::function<void()> CCommandFrameWnd::ShowWaitCursor() {
  if (qApp == nullptr) return [] {};
  QApplication::setOverrideCursor(Qt::WaitCursor);
  return [] { QApplication::restoreOverrideCursor(); };
}
