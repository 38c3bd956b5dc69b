#pragma once
// DeviceUiHooks that record every call in order as a short text, for tests and benches.
// Thread-safe: the worker calls them while the test thread reads.
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "device/UiHooks.h"

namespace tavrick::test {

class RecordingUiHooks : public DeviceUiHooks {
 public:
  // Calls so far: "page keys", "battery 80 1", "version 105", "failure 0", "tip 1600",
  // "dismiss", "count 4", "level 2 3200", "link on", "profile 1", "select", "states".
  std::vector<std::string> Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    calls_.clear();
  }
  int Count(const std::string& call) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& c : calls_) n += c == call;
    return n;
  }
  // What RefreshDeviceStates runs (the main window rebuilds the device list there).
  std::function<int()> onRefreshDeviceStates;

  void RefreshPage(UiPage page) override { Add("page " + PageName(page)); }
  void ShowBattery(int level, int charging) override {
    Add("battery " + std::to_string(level) + " " + std::to_string(charging));
  }
  void ShowReceiverVersion(const std::string& version) override { Add("version " + version); }
  void OnSendFailure(int mode) override { Add("failure " + std::to_string(mode)); }
  void ShowDpiTip(int dpi) override { Add("tip " + std::to_string(dpi)); }
  void DismissPopups() override { Add("dismiss"); }
  void ShowDpiLevelCount(int count) override { Add("count " + std::to_string(count)); }
  void ShowDpiLevel(int index, int dpi) override {
    Add("level " + std::to_string(index) + " " + std::to_string(dpi));
  }
  void ShowLink(bool online) override { Add(online ? "link on" : "link off"); }
  void ShowProfile(int profile) override { Add("profile " + std::to_string(profile)); }
  void SelectRememberedMouse() override { Add("select"); }
  int RefreshDeviceStates() override {
    Add("states");
    return onRefreshDeviceStates ? onRefreshDeviceStates() : 0;
  }

  static std::string PageName(UiPage page) {
    switch (page) {
      case UiPage::Keys: return "keys";
      case UiPage::Macros: return "macros";
      case UiPage::DpiPerformance: return "dpi";
      case UiPage::Lighting: return "light";
      case UiPage::FirmwareLine: return "firmware";
    }
    return "?";
  }

 private:
  void Add(std::string call) {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }
  mutable std::mutex mutex_;
  std::vector<std::string> calls_;
};

}  // namespace tavrick::test
