#pragma once
// Firmware flashing through the mouse's bootloader interface (usage page 0xFFEF): download
// and unpack the image, enter the bootloader, send the image in data reports of three
// 16-byte blocks with a CRC each, leave the bootloader. Worker command 27.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "device/FirmwarePackets.h"
#include "update/UpdateService.h"

namespace tavrick {

class DeviceManager;
class HidBackend;
class HidDevice;
class HttpTransfer;

// Images above this size are refused; no mouse of ours has more flash.
inline constexpr uint64_t kMaxFirmwareImage = 16ull << 20;

// Progress texts, in the order they are shown.
inline constexpr int kTextFlashDownloading = 590;  // at 5 %
inline constexpr int kTextFlashExtracting = 591;   // at 7 % and 10 %
inline constexpr int kTextFlashUpdating = 592;     // 10 % to 100 % during the transfer
inline constexpr int kTextFlashDone = 593;         // at 100 %

// The pauses between reports (the backend's Pause, so an emulator on a virtual clock only
// advances time).
using PauseFunction = std::function<void(int milliseconds)>;
// Progress of the transfer: text number and percent.
using FlashProgressFunction = std::function<void(int text, int percent)>;

// Write the control report; after a failed write, write once more and accept any reply
// within 1000 ms. False with no device.
bool EnterBootloader(HidDevice* bootloader, const PauseFunction& pause);
bool LeaveBootloader(HidDevice* bootloader, const PauseFunction& pause);

// Sends the whole image; no reply is awaited while the writes succeed. True when every
// packet was delivered, false when the transfer ended early.
bool TransferFirmware(HidDevice* bootloader, const uint8_t* image, uint64_t size,
                      const PauseFunction& pause, const FlashProgressFunction& progress);

// Shows "<text>: <percent>%" in the firmware progress dialog, when there is one.
void ShowFlashProgress(UpdateHooks* dialog, int text, int percent);

// How a flash ended.
enum class FlashOutcome {
  Done,                // every packet delivered, the bootloader left
  BadVersion,          // the offered version is no version text
  NoPackage,           // the download failed
  NoImage,             // the package holds no complete image of that version
  ImageRefused,        // empty, above 16 MiB, or not read in full
  NoMouse,             // no bootloader interface of the current mouse
  EnterRefused,        // the bootloader did not take the enter report
  TransferIncomplete,  // a data report was not delivered; the bootloader was left
};
const char* FlashOutcomeName(FlashOutcome outcome);

// What FlashFirmware needs from the device layer.
class FirmwareTarget {
 public:
  virtual ~FirmwareTarget() = default;
  // The current mouse's bootloader interface, opened anew (a handle left from an earlier
  // update is closed first); null when there is none. It stays owned by the target.
  virtual HidDevice* OpenBootloader() = 0;
  virtual void Pause(int milliseconds) = 0;
};

// A target over a HID backend and the mouse's vendor and product ids (0 and 0 when no
// device record matched: then no bootloader is found). It keeps the bootloader handle
// until the next update or its own end.
class BackendFirmwareTarget : public FirmwareTarget {
 public:
  BackendFirmwareTarget(HidBackend& backend, uint16_t vendor_id, uint16_t product_id);
  ~BackendFirmwareTarget() override;
  HidDevice* OpenBootloader() override;
  void Pause(int milliseconds) override;
  void SetIds(uint16_t vendor_id, uint16_t product_id) {
    vendor_id_ = vendor_id;
    product_id_ = product_id;
  }

 private:
  HidBackend& backend_;
  uint16_t vendor_id_;
  uint16_t product_id_;
  std::unique_ptr<HidDevice> bootloader_;
};

// The program's target: the mouse behind the device manager's current device, its
// bootloader handle kept in the device manager.
class DeviceManagerFirmwareTarget : public FirmwareTarget {
 public:
  explicit DeviceManagerFirmwareTarget(DeviceManager& manager) : manager_(manager) {}
  HidDevice* OpenBootloader() override;
  void Pause(int milliseconds) override;

 private:
  DeviceManager& manager_;
};

struct FlashRequest {
  HttpTransfer* http = nullptr;
  std::string firmware_address;  // "url" of the model's "firmware" element
  std::string version;           // the offered firmware version
  std::string user_data_folder;  // ends with "/"
  UpdateHooks* dialog = nullptr; // the firmware progress dialog; null when there is none
  DownloadProgressSink* owner = nullptr;  // receives the download percent (1694)
};

// Command 27. Only an image that was extracted completely and read in full is flashed;
// success (text 593 at 100 %) is shown only when the whole image went out.
FlashOutcome FlashFirmware(const FlashRequest& request, FirmwareTarget& target);

std::string FirmwarePackageName(const std::string& version);  // firmware-%s.zip
std::string FirmwareImageName(const std::string& version);    // firmware-%s.bin
// "<address>//mouse//<package>".
std::string FirmwarePackageAddress(const std::string& address, const std::string& version);

// Deletes the update's temporary folder with everything in it, never following links and
// only when it lies inside the user data folder. True when it is gone.
bool RemoveUpdateTempFolder(const std::string& user_data_folder);

}  // namespace tavrick
