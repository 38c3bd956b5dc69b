#pragma once
// The software and firmware version checks and the software installation, as the worker
// runs them (commands 23, 24 and 26). Everything they show goes through UpdateHooks, which
// the main window implements by posting to its UI thread.
#include <functional>
#include <string>

#include "update/HttpTransfer.h"

namespace tavrick {

// Controls of the settings page and texts the checks use.
inline constexpr int kSoftwareStateLine = 275;
inline constexpr int kSoftwareUpdateButton = 276;
inline constexpr int kFirmwareStateLine = 246;
inline constexpr int kFirmwareUpdateButton = 248;
inline constexpr int kTextUpToDate = 580;
inline constexpr int kTextNewVersion = 582;
// wParam of the update offer (message 1692).
inline constexpr int kOfferSoftware = 1;
inline constexpr int kOfferFirmware = 2;

class UpdateHooks : public DownloadProgressSink {
 public:
  // A label's text and a button's enabled state of the settings page.
  virtual void SetLabelText(int control_id, const std::string& text) = 0;
  virtual void EnableButton(int control_id, bool enabled) = 0;
  // Message 1692 (wParam kind, lParam 1).
  virtual void PostUpdateOffer(int kind) = 0;
  // The current language's text of that number.
  virtual std::string LanguageText(int number) = 0;
  // The firmware progress dialog, when one is open: `line` is "<text>: <percent>%".
  virtual void ShowFlashProgress(const std::string& text, const std::string& line,
                                 int percent) = 0;
  // Closes the firmware progress dialog with OK, when there is one (after a flash).
  virtual void CloseFlashDialog() = 0;
  // A package that came over plain HTTP is kept but not started; the software progress
  // dialog tells where it lies.
  virtual void ShowPackageKept(const std::string& package_path) = 0;
  // The installer has been started: end the program at once with exit code 0.
  virtual void EndProgram() = 0;
};

// The update state kept by the main window.
struct UpdateState {
  std::string local_software_version;    // "version" of config.xml
  std::string offered_software_version;  // empty before a check
  int software_state = 0;                // 0 not checked, 1 offered, 2 none newer
  std::string mouse_firmware_version;    // read from the mouse, e.g. "105"
  std::string offered_firmware_version;
  int firmware_state = 0;
};

// Command 23. `software_address` is the "upgrade" address of config.xml.
void CheckSoftwareVersion(HttpTransfer& http, const std::string& software_address,
                          UpdateState& state, UpdateHooks& hooks);
// Command 24. `firmware_address` comes from the mouse's description file.
void CheckFirmwareVersion(HttpTransfer& http, const std::string& firmware_address,
                          UpdateState& state, UpdateHooks& hooks);

// Starts a program detached from this process (own session, no shell). True when started.
using ProgramStarter = std::function<bool(const std::string& path)>;
bool StartDetached(const std::string& path);

// Command 26. `user_data_folder` ends with "/". The installer is started (and EndProgram
// called) only when the package came over verified HTTPS and the installer was extracted
// from it in full. Returns true when the installer was started.
bool InstallSoftwareUpdate(HttpTransfer& http, const std::string& software_address,
                           const std::string& user_data_folder, const UpdateState& state,
                           UpdateHooks& hooks, const ProgramStarter& start = StartDetached);

// Names and addresses the updates use.
std::string SoftwarePackageName(const std::string& version);    // Mouse-Setup-%s.zip
std::string SoftwareInstallerName(const std::string& version);  // Mouse-Setup-%s.exe
std::string UpdateTempFolder(const std::string& user_data_folder);  // <data>temp/

}  // namespace tavrick
