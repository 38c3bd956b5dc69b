#pragma once
// A headless window layer per test, with a window class whose procedure logs every message
// and can run a per-window hook first.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

#include "platform/gui/Headless.h"
#include "platform/gui/Keys.h"
#include "platform/gui/Native.h"

namespace guitest {

using namespace DUI;

struct Logged {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Returns true when it handled the message (the result is then `*result`).
using Hook = std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT* result)>;

inline std::vector<Logged>& Log() {
  static std::vector<Logged> log;
  return log;
}
inline std::map<HWND, Hook>& Hooks() {
  static std::map<HWND, Hook> hooks;
  return hooks;
}
inline Hook& PendingHook() {  // for the window being created
  static Hook hook;
  return hook;
}

inline LRESULT LoggingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_NCCREATE && PendingHook()) {
    Hooks()[h] = PendingHook();
    PendingHook() = nullptr;
  }
  Log().push_back({h, m, w, l});
  auto it = Hooks().find(h);
  if (it != Hooks().end()) {
    Hook hook = it->second;  // a copy: the hook may destroy the window and its entry
    LRESULT r = 0;
    if (hook(h, m, w, l, &r)) return r;
  }
  if (m == WM_NCDESTROY) Hooks().erase(h);
  return Native::DefWindowProc(h, m, w, l);
}

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Native::Initialize(Native::Backend::Headless));
    Native::RegisterClass("MWindow", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, &LoggingProc);
    Native::RegisterClass("NoDbl", 0, &LoggingProc);
    Log().clear();
    Hooks().clear();
  }
  void TearDown() override {
    Native::Shutdown();
    Hooks().clear();
  }

  HWND Make(const std::string& title, CRect r, HWND owner = nullptr, DWORD ex = 0, Hook hook = nullptr,
            const std::string& cls = "MWindow", DWORD style = 0x96000000) {
    PendingHook() = std::move(hook);
    return Native::CreateWindowEx(ex, cls, title, style, r.left, r.top, r.Width(), r.Height(), owner, nullptr);
  }

  // Messages of one window (optionally one kind) since the log was cleared.
  static std::vector<Logged> Of(HWND h, UINT message = 0) {
    std::vector<Logged> out;
    for (const Logged& l : Log())
      if (l.hwnd == h && (message == 0 || l.message == message)) out.push_back(l);
    return out;
  }
  static std::vector<UINT> Messages(HWND h, std::initializer_list<UINT> keep) {
    std::vector<UINT> out;
    for (const Logged& l : Log())
      if (l.hwnd == h && std::find(keep.begin(), keep.end(), l.message) != keep.end()) out.push_back(l.message);
    return out;
  }
};

}  // namespace guitest
