#include "platform/system/HotplugMonitor.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "base/Number.h"
#include "base/Trace.h"

namespace tavrick {

bool ParseHidId(const std::string& text, uint16_t* vendor_id, uint16_t* product_id) {
  // Three hexadecimal fields separated by colons.
  const size_t a = text.find(':');
  const size_t b = a == std::string::npos ? a : text.find(':', a + 1);
  if (b == std::string::npos) return false;
  const std::string vid = text.substr(a + 1, b - a - 1);
  const std::string pid = text.substr(b + 1);
  auto hex = [](const std::string& s) {
    if (s.empty() || s.size() > 8) return false;
    for (char c : s) if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
  };
  if (!hex(vid) || !hex(pid)) return false;
  const uint32_t v = base::ParseHex(vid), p = base::ParseHex(pid);
  if (v > 0xFFFF || p > 0xFFFF) return false;
  *vendor_id = static_cast<uint16_t>(v);
  *product_id = static_cast<uint16_t>(p);
  return true;
}

DeviceChange HidrawTracker::Arrival(const std::string& path, uint16_t vendor_id, uint16_t product_id,
                                    int interface_number) {
  DeviceChange change{DeviceChange::Kind::Arrival, path, vendor_id, product_id, interface_number};
  std::lock_guard<std::mutex> lock(mu_);
  present_[path] = change;
  return change;
}

DeviceChange HidrawTracker::Removal(const std::string& path) {
  DeviceChange change{DeviceChange::Kind::Removal, path, 0, 0, -1};
  std::lock_guard<std::mutex> lock(mu_);
  auto it = present_.find(path);
  if (it != present_.end()) {
    change.vendor_id = it->second.vendor_id;
    change.product_id = it->second.product_id;
    change.interface_number = it->second.interface_number;
    present_.erase(it);
  }
  return change;
}

size_t HidrawTracker::Size() const {
  std::lock_guard<std::mutex> lock(mu_);
  return present_.size();
}

namespace {

// The ids and interface number of a hidraw device, from its hid and usb_interface parents.
bool DescribeNode(udev_device* dev, uint16_t* vid, uint16_t* pid, int* interface_number) {
  udev_device* hid = udev_device_get_parent_with_subsystem_devtype(dev, "hid", nullptr);
  if (!hid) return false;
  const char* hid_id = udev_device_get_property_value(hid, "HID_ID");
  if (!hid_id || !ParseHidId(hid_id, vid, pid)) return false;
  *interface_number = -1;
  udev_device* intf = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_interface");
  if (intf) {
    const char* number = udev_device_get_sysattr_value(intf, "bInterfaceNumber");
    if (number) *interface_number = static_cast<int>(base::ParseHex(number));
  }
  return true;
}

}  // namespace

HotplugMonitor::~HotplugMonitor() { Stop(); }

bool HotplugMonitor::Start(DeviceChangeHandler handler) {
  if (thread_.joinable()) return true;
  udev_ = udev_new();
  if (!udev_) return false;
  monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
  if (!monitor_ || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor_) < 0) {
    if (monitor_) udev_monitor_unref(monitor_);
    monitor_ = nullptr;
    udev_unref(udev_);
    udev_ = nullptr;
    return false;
  }
  // Remember what is present already.
  if (udev_enumerate* e = udev_enumerate_new(udev_)) {
    udev_enumerate_add_match_subsystem(e, "hidraw");
    udev_enumerate_scan_devices(e);
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e)) {
      udev_device* dev = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
      if (!dev) continue;
      uint16_t vid, pid;
      int intf;
      const char* node = udev_device_get_devnode(dev);
      if (node && DescribeNode(dev, &vid, &pid, &intf)) tracker_.Arrival(node, vid, pid, intf);
      udev_device_unref(dev);
    }
    udev_enumerate_unref(e);
  }
  stop_fd_ = eventfd(0, EFD_CLOEXEC);
  if (stop_fd_ < 0) {
    udev_monitor_unref(monitor_);
    udev_unref(udev_);
    monitor_ = nullptr;
    udev_ = nullptr;
    return false;
  }
  thread_ = std::thread([this, handler = std::move(handler)] { Run(handler); });
  return true;
}

void HotplugMonitor::Stop() {
  if (thread_.joinable()) {
    const uint64_t one = 1;
    (void)!write(stop_fd_, &one, sizeof one);
    thread_.join();
  }
  if (stop_fd_ >= 0) close(stop_fd_);
  stop_fd_ = -1;
  if (monitor_) udev_monitor_unref(monitor_);
  monitor_ = nullptr;
  if (udev_) udev_unref(udev_);
  udev_ = nullptr;
}

void HotplugMonitor::Run(DeviceChangeHandler handler) {
  pollfd fds[2] = {{udev_monitor_get_fd(monitor_), POLLIN, 0}, {stop_fd_, POLLIN, 0}};
  for (;;) {
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      base::Trace(base::TraceLevel::Error, "hot-plug monitor: poll failed");
      return;
    }
    if (fds[1].revents) return;
    if (!(fds[0].revents & POLLIN)) continue;
    udev_device* dev = udev_monitor_receive_device(monitor_);
    if (!dev) continue;
    const char* action = udev_device_get_action(dev);
    const char* node = udev_device_get_devnode(dev);
    if (action && node) {
      const std::string what = action;
      if (what == "add") {
        uint16_t vid, pid;
        int intf;
        if (DescribeNode(dev, &vid, &pid, &intf) && handler) handler(tracker_.Arrival(node, vid, pid, intf));
      } else if (what == "remove") {
        if (handler) handler(tracker_.Removal(node));
      }
    }
    udev_device_unref(dev);
  }
}

}  // namespace tavrick
