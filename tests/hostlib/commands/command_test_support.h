#pragma once
// A command that records what the framework did to it, for the command tests.
#include <map>
#include <string>
#include <vector>

#include "hostlib/commands/command.h"
#include "hostlib/commands/command_mgr.h"
#include "hostlib/core/fourcc.h"

namespace vex3d::test {

inline constexpr std::uint32_t kGroup = fourcc("3DCO");
inline constexpr std::uint32_t kValue = fourcc("VALU");
inline constexpr std::uint32_t kResult = fourcc("RSLT");
inline constexpr std::uint32_t kInput = fourcc("IOSC");
// Parameters with a value above this are refused.
inline constexpr std::uint32_t kMaxValue = 100;

inline CCommandID makeId(const char* kind, const char* category, const char* code,
                         std::uint32_t version = 1) {
  return CCommandID(kGroup, fourcc(kind), fourcc(category), fourcc(code), version);
}

class RecordingCommand : public CVexCommand {
 public:
  explicit RecordingCommand(const CCommandID& id) : m_id(id) {}

  CCommandID GetCommandID() const override { return m_id; }

  bool AreParametersValid(const CCustomData& parameters) const override {
    return parameters.GetUInt(kValue) <= kMaxValue;
  }

  // Doubles the parameter value into the output, so a test can tell which
  // parameters the run used.
  CommandResult OnApplyCommand() override {
    calls.push_back("apply");
    sawScripting = IsScripting();
    sawInput = GetInputData();
    sawValue = GetParameters().GetUInt(kValue);
    if (applyResult == cmdDone) GetOutputData().SetUInt(kResult, 2 * sawValue);
    return applyResult;
  }

  CommandResult OnOpenDialog() override {
    calls.push_back("dialog");
    sawScripting = IsScripting();
    if (dialogResult == cmdDone) GetParameters().SetUInt(kValue, dialogValue);
    return dialogResult;
  }

  void UpdateState() override {
    ++updates;
    SetState(cmdStateEnabled, enabled);
  }

  void OnTimer(std::uint32_t id) override {
    ++ticks[id];
    if (closeAfter != 0 && ticks[id] >= closeAfter) CloseTimer(id);
  }

  bool OnMouseMove(const MouseEvent& e) override { return record("move", e.x); }
  bool OnLButtonDown(const MouseEvent& e) override { return record("ldown", e.x); }
  bool OnMouseWheel(const MouseEvent& e) override { return record("wheel", e.wheelDelta); }
  std::uint32_t SetCursor(const MouseEvent&) override { return cursor; }
  bool OnKeyDown(const KeyEvent& e) override {
    return takesKeys && record("key", static_cast<int>(e.key));
  }
  void OnDraw() override { calls.push_back("draw"); }
  void OnGetFocus() override { calls.push_back("focus+"); }
  void OnLooseFocus() override { calls.push_back("focus-"); }

  std::string callList() const {
    std::string s;
    for (const auto& c : calls) s += (s.empty() ? "" : " ") + c;
    return s;
  }

  // What the tests set.
  bool enabled = true;
  bool takesKeys = false;
  CommandResult applyResult = cmdDone;
  CommandResult dialogResult = cmdDone;
  std::uint32_t dialogValue = 0;
  std::uint32_t cursor = 0;
  int closeAfter = 0;

  // What the command saw.
  std::vector<std::string> calls;
  bool sawScripting = false;
  CCustomData sawInput;
  std::uint32_t sawValue = 0;
  int updates = 0;
  std::map<std::uint32_t, int> ticks;

 private:
  bool record(const char* what, int value) {
    calls.push_back(std::string(what) + ":" + std::to_string(value));
    return true;
  }

  CCommandID m_id;
};

}  // namespace vex3d::test
