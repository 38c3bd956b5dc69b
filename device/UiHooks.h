#pragma once
// What the device layer asks of the user interface. The main window implements these; the
// worker thread calls them, in the order the work runs, and never touches a widget itself:
// an implementation posts each call to the UI thread, which applies them in that order.
// Tests implement them with a recorder.
#include <string>

#include "update/UpdateService.h"

namespace tavrick {

// Pages and lines that a refresh reloads from the database.
enum class UiPage {
  Keys,            // button assignment page
  Macros,          // macro page
  DpiPerformance,  // DPI and performance page
  Lighting,        // lighting page (only asked for when the light tab is enabled)
  FirmwareLine,    // firmware line of the device settings tab
};

// Device side: mouse state, pages, pop-ups, and the main-window steps of the selection
// commands.
class DeviceUiHooks {
 public:
  virtual ~DeviceUiHooks() = default;

  virtual void RefreshPage(UiPage page) = 0;
  // Battery widget and the current card: level in percent, charging 0 or 1.
  virtual void ShowBattery(int level, int charging) = 0;
  // Receiver firmware text such as "105"; shown as "<text 551>: 1.05" with text 580 beside it.
  virtual void ShowReceiverVersion(const std::string& version) = 0;
  // An exchange failed or the read-back found the link down. `connectionMode` is the device
  // manager's GetConnectionMode at that moment; the window reacts only for 1 (wireless).
  virtual void OnSendFailure(int connectionMode) = 0;
  virtual void ShowDpiTip(int dpi) = 0;
  virtual void DismissPopups() = 0;
  // The mouse changed its DPI by itself: new level count for the selector, and the new
  // current level with its value for the level list and the slider.
  virtual void ShowDpiLevelCount(int count) = 0;
  virtual void ShowDpiLevel(int index, int dpi) = 0;
  // A link notification: online shows the device pages with tab item 1; offline shows
  // text 50, tab item 0, the card list or the no-device picture, and stops a macro recording.
  virtual void ShowLink(bool online) = 0;
  // The profile loaded from the database became current (profile label).
  virtual void ShowProfile(int profile) = 0;

  // Main-window steps of commands 1-3, run on the worker in this order. SelectRememberedMouse
  // reads the remembered type, registers the supported variants again, restarts monitoring
  // and applies that model's description (opening its database). RefreshDeviceStates
  // rebuilds the device list, updates the cards and the state text and chooses the current
  // model; it returns that model's device type, 0 when none.
  virtual void SelectRememberedMouse() = 0;
  virtual int RefreshDeviceStates() = 0;
};

// Everything the main window implements: the device side above and the update side
// (labels, buttons, offers, download and flash progress; update/UpdateService.h).
class UiHooks : public DeviceUiHooks, public UpdateHooks {};

}  // namespace tavrick
