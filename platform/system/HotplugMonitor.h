#pragma once
// Hot-plug of HID nodes: a libudev monitor of the hidraw subsystem that turns arrivals and
// removals into device-change records (path, vendor id, product id, interface number).
// Consumers compare the numeric ids with the supported list; a receiver's settings node is
// the one with interface number 2.
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "device/HidBackend.h"

struct udev;
struct udev_monitor;

namespace tavrick {

// "0003:00001209:00000001" (bus, vendor, product in hexadecimal, the udev HID_ID property)
// → the two ids. False for anything else.
bool ParseHidId(const std::string& text, uint16_t* vendor_id, uint16_t* product_id);

// Remembers the ids of each node while it is present, because a removed node can no longer
// be asked for them.
class HidrawTracker {
 public:
  DeviceChange Arrival(const std::string& path, uint16_t vendor_id, uint16_t product_id, int interface_number);
  // The removal with the ids the node had; a node never seen gives ids 0 and interface -1.
  DeviceChange Removal(const std::string& path);
  size_t Size() const;

 private:
  mutable std::mutex mu_;
  std::map<std::string, DeviceChange> present_;
};

class HotplugMonitor {
 public:
  HotplugMonitor() = default;
  ~HotplugMonitor();  // stops and joins
  HotplugMonitor(const HotplugMonitor&) = delete;
  HotplugMonitor& operator=(const HotplugMonitor&) = delete;

  // Starts the monitor thread; handler runs on it. The nodes present now are remembered
  // (not reported), so that their removal can be matched. False when udev is unavailable.
  bool Start(DeviceChangeHandler handler);
  void Stop();
  bool Running() const { return thread_.joinable(); }

 private:
  void Run(DeviceChangeHandler handler);

  HidrawTracker tracker_;
  std::thread thread_;
  int stop_fd_ = -1;
  ::udev* udev_ = nullptr;
  ::udev_monitor* monitor_ = nullptr;
};

}  // namespace tavrick
