#pragma once
// The process-wide registry of the mice and receivers that are present: the supported
// variants from config.xml, one record per opened settings interface, the current model and
// the interface its commands go to, and the notifications the devices send unasked.
//
// Threads: HID I/O (EnumerateDevice, SendCommand, QueryDeviceInfo, ReadInput,
// PollConnection) runs on the worker. Every other operation may be called from any thread;
// the record list, the supported list, the current type and the cached handle are guarded
// by one mutex that is never held across HID I/O. An exchange keeps its interface alive
// even if another thread closes the records meanwhile.
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/HidBackend.h"
#include "device/HidTransport.h"

namespace tavrick {

constexpr int kShortDeviceIdType = 101;  // a variant whose device id has fewer than 4 characters

enum ConnectionMode { kModeWired = 0, kModeWireless = 1 };
enum ConnectionState { kStateLinkDown = 0, kStateOnline = 1, kStatePolledDown = 2 };

struct SupportedDevice {
  int vendor_id = 0;
  int product_id = 0;
  std::string name;
  int device_type = 0;
  int connection_mode = kModeWired;
  std::string device_id;
};

// A copy of one record, without its handle.
struct DeviceRecordInfo {
  int index = 0;
  uint16_t vendor_id = 0;
  uint16_t product_id = 0;
  std::string path;            // stored whole, whatever its length
  int firmware_version = 0;    // release number, binary-coded decimal
  int device_type = 0;
  int connection_mode = kModeWired;
  int state = kStateOnline;
  std::string device_id;
  std::array<uint8_t, kInfoBufferSize> info{};
  bool open = false;
};

class DeviceManager {
 public:
  explicit DeviceManager(std::unique_ptr<HidBackend> backend);
  ~DeviceManager();  // closes every handle, then the backend (hid_exit for hidapi)
  DeviceManager(const DeviceManager&) = delete;
  DeviceManager& operator=(const DeviceManager&) = delete;

  // The process's manager, created on first use over the backend given to
  // SetProcessBackend (hidapi when none was given). SetProcessBackend returns false once
  // the manager exists.
  static DeviceManager& Instance();
  static bool SetProcessBackend(std::unique_ptr<HidBackend> backend);

  HidBackend& Backend() { return *backend_; }
  void Pause(int milliseconds) { backend_->Pause(milliseconds); }

  void AddSupportedDevice(int vendor_id, int product_id, const std::string& name, int device_type,
                          int connection_mode, const std::string& device_id);
  void ClearSupportedDevices();
  std::vector<SupportedDevice> SupportedDevices() const;

  void SetCurrentType(int device_type);  // also clears the cached handle and record
  int GetCurrentType() const;
  void ClearCachedHandle();

  bool IsActive() const;
  void SetActive(bool active);  // also resets the reserved field
  // The rebuild as the main window does it: clear the cached handle, close everything,
  // enumerate, mark active.
  void Rebuild();

  void EnumerateDevice();
  // Closes every record's handle and empties the list, whatever the active flag says.
  void CloseAllDevices();

  // The interface commands go to, or null. The pointer stays valid until the records are
  // closed; CurrentDevice hands out shared ownership for use across threads.
  HidDevice* GetDeviceHandle();
  std::shared_ptr<HidDevice> CurrentDevice();
  // The ids of the record behind the current device (firmware update); false (0, 0) when none.
  bool GetCurrentDeviceIds(uint16_t* vendor_id, uint16_t* product_id);

  int GetConnectionMode() const;  // 0, 1 or -1
  int FindDeviceType(int vendor_id, int product_id, const std::string& device_id) const;
  void SetConnectionState(int device_type, int connection_mode, int state);
  bool GetFirmwareVersion(int connection_mode, int* version) const;
  std::vector<DeviceRecordInfo> Records() const;

  // The acknowledged exchange on the current device (see ExchangeCommand): false without
  // writing when inactive or without a current device. Notifications read while waiting
  // are kept and handed out by the next ReadInput.
  bool SendCommand(uint8_t* frame, size_t length, size_t* reply_length = nullptr);
  // Without a handle: a copy of the current record's last device information (false when
  // there is no current record). With a handle: the device-information exchange on it.
  bool QueryDeviceInfo(uint8_t* info, HidDevice* handle = nullptr);

  // The idle poll's read. buffer holds 65 bytes and is zeroed first, so an old report is
  // never seen twice. True when the current device delivered a report; reports from
  // receivers (when there is no current device) are delivered with false, as the caller
  // looks at the buffer.
  // current_timeout_ms bounds the read of the current device (the idle poll reads in short
  // slices so that a queued command need not wait out the whole 100 ms).
  bool ReadInput(uint8_t* buffer, int* device_type,
                 int current_timeout_ms = kCurrentDeviceReadTimeoutMs);
  // Reads each receiver of the current type once and applies its link reports.
  void PollConnection();

  std::unique_ptr<HidDevice> OpenBootloader(uint16_t vendor_id, uint16_t product_id);
  HidDevice* GetBootloaderHandle();
  // Replaces the bootloader handle; the earlier one is closed.
  void SetBootloaderHandle(std::unique_ptr<HidDevice> handle);

 private:
  struct Record {
    DeviceRecordInfo info;
    std::shared_ptr<HidDevice> handle;
  };

  std::shared_ptr<HidDevice> CurrentDeviceLocked();
  bool QueryWithRetry(HidDevice& device, uint8_t* info);
  bool StillListed(const Record* record) const;
  void KeepNotification(const uint8_t* report, size_t length);

  std::unique_ptr<HidBackend> backend_;
  mutable std::mutex mu_;
  bool active_ = false;
  int reserved_ = 0;
  std::vector<std::unique_ptr<Record>> records_;
  std::vector<SupportedDevice> supported_;
  int current_type_ = 0;
  HidDevice* cached_handle_ = nullptr;
  Record* cached_record_ = nullptr;
  std::unique_ptr<HidDevice> bootloader_;
  std::deque<std::vector<uint8_t>> notifications_;
};

}  // namespace tavrick
