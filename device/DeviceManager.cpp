#include "device/DeviceManager.h"

#include <algorithm>
#include <cstring>

#include "base/Trace.h"

namespace tavrick {
namespace {

constexpr int kInfoRetryPauseMs = 500;
constexpr size_t kMaxKeptNotifications = 16;

std::mutex g_process_mu;
std::unique_ptr<HidBackend> g_process_backend;
bool g_process_created = false;

void Info(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Info(const char* format, ...) {
  va_list args;
  va_start(args, format);
  base::TraceV(base::TraceLevel::Info, format, args);
  va_end(args);
}

// The device id is the text of reply bytes 4-7, one character each, ending early at a zero.
std::string DeviceIdText(const uint8_t* info) {
  std::string id;
  for (size_t i = 0; i < 4 && info[kInfoDeviceId + i] != 0; ++i) id += static_cast<char>(info[kInfoDeviceId + i]);
  return id;
}

}  // namespace

DeviceManager::DeviceManager(std::unique_ptr<HidBackend> backend) : backend_(std::move(backend)) {}

DeviceManager::~DeviceManager() {
  CloseAllDevices();
  bootloader_.reset();
  backend_.reset();
}

DeviceManager& DeviceManager::Instance() {
  static DeviceManager* manager = [] {
    std::lock_guard<std::mutex> lock(g_process_mu);
    g_process_created = true;
    std::unique_ptr<HidBackend> backend =
        g_process_backend ? std::move(g_process_backend) : CreateHidapiBackend();
    return new DeviceManager(std::move(backend));
  }();
  // Destroyed at process exit so that every handle is closed before hid_exit.
  static struct Reaper {
    DeviceManager* m;
    ~Reaper() { delete m; }
  } reaper{manager};
  return *manager;
}

bool DeviceManager::SetProcessBackend(std::unique_ptr<HidBackend> backend) {
  std::lock_guard<std::mutex> lock(g_process_mu);
  if (g_process_created) return false;
  g_process_backend = std::move(backend);
  return true;
}

void DeviceManager::AddSupportedDevice(int vendor_id, int product_id, const std::string& name, int device_type,
                                       int connection_mode, const std::string& device_id) {
  std::lock_guard<std::mutex> lock(mu_);
  supported_.push_back({vendor_id, product_id, name, device_type, connection_mode, device_id});
}

void DeviceManager::ClearSupportedDevices() {
  std::lock_guard<std::mutex> lock(mu_);
  supported_.clear();
}

std::vector<SupportedDevice> DeviceManager::SupportedDevices() const {
  std::lock_guard<std::mutex> lock(mu_);
  return supported_;
}

void DeviceManager::SetCurrentType(int device_type) {
  std::lock_guard<std::mutex> lock(mu_);
  current_type_ = device_type;
  cached_handle_ = nullptr;
  cached_record_ = nullptr;
}

int DeviceManager::GetCurrentType() const {
  std::lock_guard<std::mutex> lock(mu_);
  return current_type_;
}

void DeviceManager::ClearCachedHandle() {
  std::lock_guard<std::mutex> lock(mu_);
  cached_handle_ = nullptr;
  cached_record_ = nullptr;
}

bool DeviceManager::IsActive() const {
  std::lock_guard<std::mutex> lock(mu_);
  return active_;
}

void DeviceManager::SetActive(bool active) {
  std::lock_guard<std::mutex> lock(mu_);
  active_ = active;
  reserved_ = 0;
}

void DeviceManager::Rebuild() {
  ClearCachedHandle();
  CloseAllDevices();
  EnumerateDevice();
  SetActive(true);
}

void DeviceManager::CloseAllDevices() {
  std::vector<std::unique_ptr<Record>> closing;
  {
    std::lock_guard<std::mutex> lock(mu_);
    active_ = false;
    closing.swap(records_);
    cached_handle_ = nullptr;
    cached_record_ = nullptr;
    notifications_.clear();
  }
  // Handles close here, outside the lock; an exchange still running keeps its own share.
  closing.clear();
}

bool DeviceManager::QueryWithRetry(HidDevice& device, uint8_t* info) {
  auto sink = [this](const uint8_t* report, size_t length) { KeepNotification(report, length); };
  if (QueryDeviceInfoOn(device, info, sink)) return true;
  backend_->Pause(kInfoRetryPauseMs);
  return QueryDeviceInfoOn(device, info, sink);
}

void DeviceManager::EnumerateDevice() {
  Info("========== EnumerateDevice Start ==========");
  const std::vector<HidInterfaceInfo> interfaces = backend_->Enumerate();
  Info("Step 1: Quick scan - collecting basic device info");
  const std::vector<SupportedDevice> supported = SupportedDevices();
  std::vector<std::unique_ptr<Record>> found;
  bool has_usb = false;
  for (const auto& hid : interfaces) {
    const SupportedDevice* variant = nullptr;
    for (const auto& s : supported) {
      if (s.vendor_id == hid.vendor_id && s.product_id == hid.product_id) {
        variant = &s;
        break;
      }
    }
    if (!variant) continue;
    // Only the first variant with these ids decides; later ones are not tried.
    if (ClassifyUsage(hid.usage_page, hid.usage) != InterfaceClass::Settings) continue;
    std::unique_ptr<HidDevice> handle = backend_->Open(hid.path);
    if (!handle) continue;
    auto record = std::make_unique<Record>();
    record->info.index = static_cast<int>(found.size());
    record->info.vendor_id = hid.vendor_id;
    record->info.product_id = hid.product_id;
    record->info.path = hid.path;
    record->info.firmware_version = hid.release_number;
    record->info.device_type = 0;
    record->info.connection_mode = variant->connection_mode;
    record->info.state = kStateOnline;
    record->info.open = true;
    record->handle = std::move(handle);
    Info("  Found [%d]: VID=0x%04X, PID=0x%04X, Mode=%s", record->info.index, hid.vendor_id, hid.product_id,
         variant->connection_mode == kModeWired ? "USB" : "2.4G");
    if (variant->connection_mode == kModeWired) has_usb = true;
    found.push_back(std::move(record));
  }
  if (has_usb) {
    Info("Step 2: USB device found, SKIP reading 2.4G details (reduce HID traffic)");
  } else {
    Info("Step 2: No USB device, will read 2.4G device details");
  }
  for (auto& record : found) {
    DeviceRecordInfo& r = record->info;
    bool read_details = true;
    if (has_usb) {
      if (r.connection_mode != kModeWired) {
        Info("  [%d] 2.4G device - SKIP (USB exists)", r.index);
        read_details = false;
      } else {
        Info("  [%d] USB device - reading details...", r.index);
      }
    } else if (r.connection_mode == kModeWireless) {
      r.state = kStateOnline;
      Info("  [%d] 2.4G state: %s", r.index, "Online");
      Info("  [%d] 2.4G device - reading details...", r.index);
    }
    if (read_details && r.state > 0) {
      uint8_t info[kInfoBufferSize];
      if (QueryWithRetry(*record->handle, info)) {
        std::copy(info, info + kInfoBufferSize, r.info.begin());
        r.device_id = DeviceIdText(info);
        r.device_type = FindDeviceType(r.vendor_id, r.product_id, r.device_id);
        Info("  [%d] DeviceId: %s, DeviceType: %d", r.index, r.device_id.c_str(), r.device_type);
      }
    }
    Info("  [%d] Final: VID=0x%04X, PID=0x%04X, Type=%d, Mode=%d", r.index, r.vendor_id, r.product_id,
         r.device_type, r.connection_mode);
  }
  size_t total;
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (auto& record : found) records_.push_back(std::move(record));
    total = records_.size();
  }
  Info("========== EnumerateDevice Complete! Total=%zu, HasUSB=%s ==========", total, has_usb ? "YES" : "NO");
}

std::shared_ptr<HidDevice> DeviceManager::CurrentDeviceLocked() {
  if (cached_record_) return cached_record_->handle;
  for (auto& record : records_) {
    if (record->info.device_type == current_type_ && record->info.connection_mode == kModeWired && record->handle) {
      cached_record_ = record.get();
      cached_handle_ = record->handle.get();
      return record->handle;
    }
  }
  for (auto& record : records_) {
    if (record->info.device_type == current_type_ && record->info.connection_mode == kModeWireless) {
      // Only the first wireless record counts, and only while its mouse is reachable.
      if (record->info.state != kStateOnline || !record->handle) return nullptr;
      cached_record_ = record.get();
      cached_handle_ = record->handle.get();
      return record->handle;
    }
  }
  return nullptr;
}

HidDevice* DeviceManager::GetDeviceHandle() {
  std::lock_guard<std::mutex> lock(mu_);
  return CurrentDeviceLocked().get();
}

std::shared_ptr<HidDevice> DeviceManager::CurrentDevice() {
  std::lock_guard<std::mutex> lock(mu_);
  return CurrentDeviceLocked();
}

bool DeviceManager::GetCurrentDeviceIds(uint16_t* vendor_id, uint16_t* product_id) {
  std::lock_guard<std::mutex> lock(mu_);
  *vendor_id = 0;
  *product_id = 0;
  HidDevice* current = CurrentDeviceLocked().get();
  if (!current) return false;
  for (const auto& record : records_) {
    if (record->handle.get() == current) {
      *vendor_id = record->info.vendor_id;
      *product_id = record->info.product_id;
      return true;
    }
  }
  return false;
}

int DeviceManager::GetConnectionMode() const {
  std::lock_guard<std::mutex> lock(mu_);
  bool wireless = false;
  for (const auto& record : records_) {
    if (record->info.device_type != current_type_) continue;
    if (record->info.connection_mode == kModeWired) return kModeWired;
    if (record->info.connection_mode == kModeWireless) wireless = true;
  }
  return wireless ? kModeWireless : -1;
}

int DeviceManager::FindDeviceType(int vendor_id, int product_id, const std::string& device_id) const {
  std::lock_guard<std::mutex> lock(mu_);
  for (const auto& s : supported_) {
    if (s.vendor_id != vendor_id || s.product_id != product_id) continue;
    if (s.device_id.size() < 4) return kShortDeviceIdType;
    if (s.device_id == device_id) return s.device_type;
  }
  return 0;
}

void DeviceManager::SetConnectionState(int device_type, int connection_mode, int state) {
  std::lock_guard<std::mutex> lock(mu_);
  for (auto& record : records_) {
    if (record->info.device_type == device_type && record->info.connection_mode == connection_mode) {
      record->info.state = state;
    }
  }
}

bool DeviceManager::GetFirmwareVersion(int connection_mode, int* version) const {
  std::lock_guard<std::mutex> lock(mu_);
  if (!active_) return false;
  for (const auto& record : records_) {
    if (record->info.connection_mode == connection_mode) {
      *version = record->info.firmware_version;
      return true;
    }
  }
  return false;
}

std::vector<DeviceRecordInfo> DeviceManager::Records() const {
  std::lock_guard<std::mutex> lock(mu_);
  std::vector<DeviceRecordInfo> out;
  for (const auto& record : records_) {
    out.push_back(record->info);
    out.back().open = record->handle != nullptr;
  }
  return out;
}

void DeviceManager::KeepNotification(const uint8_t* report, size_t length) {
  std::lock_guard<std::mutex> lock(mu_);
  if (notifications_.size() >= kMaxKeptNotifications) notifications_.pop_front();
  notifications_.emplace_back(report, report + std::min(length, kInfoBufferSize));
}

bool DeviceManager::SendCommand(uint8_t* frame, size_t length, size_t* reply_length) {
  if (reply_length) *reply_length = 0;
  std::shared_ptr<HidDevice> device;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (!active_) return false;
    device = CurrentDeviceLocked();
  }
  if (!device) return false;
  return ExchangeCommand(*device, frame, length, reply_length,
                         [this](const uint8_t* report, size_t n) { KeepNotification(report, n); });
}

bool DeviceManager::QueryDeviceInfo(uint8_t* info, HidDevice* handle) {
  if (!info) return false;
  if (!handle) {
    std::lock_guard<std::mutex> lock(mu_);
    if (!CurrentDeviceLocked() || !cached_record_) return false;
    std::copy(cached_record_->info.info.begin(), cached_record_->info.info.end(), info);
    return true;
  }
  return QueryDeviceInfoOn(*handle, info, [this](const uint8_t* report, size_t n) { KeepNotification(report, n); });
}

bool DeviceManager::StillListed(const Record* record) const {
  for (const auto& r : records_) if (r.get() == record) return true;
  return false;
}

bool DeviceManager::ReadInput(uint8_t* buffer, int* device_type, int current_timeout_ms) {
  std::shared_ptr<HidDevice> device;
  std::vector<std::pair<Record*, std::shared_ptr<HidDevice>>> receivers;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (!active_) return false;
    std::fill(buffer, buffer + kInfoBufferSize, 0);
    *device_type = current_type_;
    device = CurrentDeviceLocked();
    if (device && !notifications_.empty()) {
      // A notification that arrived while a command waited for its reply.
      const std::vector<uint8_t> kept = std::move(notifications_.front());
      notifications_.pop_front();
      std::copy(kept.begin(), kept.end(), buffer);
      return true;
    }
    if (!device) {
      for (auto& record : records_) {
        if (record->info.connection_mode == kModeWireless && record->handle) {
          receivers.emplace_back(record.get(), record->handle);
        }
      }
    }
  }
  if (device) return device->Read(buffer, kCurrentDeviceReadLength, current_timeout_ms) > 0;
  for (auto& [record, handle] : receivers) {
    uint8_t work[kInfoBufferSize] = {};
    if (handle->Read(work, kReceiverReadLength, kReceiverReadTimeoutMs) <= 0) continue;
    int record_type = 0, record_mode = kModeWireless;
    uint16_t vid = 0, pid = 0;
    {
      std::lock_guard<std::mutex> lock(mu_);
      if (!StillListed(record)) return false;
      record_type = record->info.device_type;
      record_mode = record->info.connection_mode;
      vid = record->info.vendor_id;
      pid = record->info.product_id;
    }
    *device_type = record_type;
    if (work[0] == kNotifyLink) {
      int new_state = kStateLinkDown;
      if (work[1] == 1) {
        new_state = kStateOnline;
        uint8_t info[kInfoBufferSize];
        const bool ok = QueryWithRetry(*handle, info);
        std::string id = ok ? DeviceIdText(info) : std::string();
        const int type = ok ? FindDeviceType(vid, pid, id) : 0;
        std::lock_guard<std::mutex> lock(mu_);
        if (StillListed(record)) {
          record->info.state = kStateOnline;
          if (ok) {
            std::copy(info, info + kInfoBufferSize, record->info.info.begin());
            record->info.device_id = id;
            record->info.device_type = type;
          }
          record_type = record->info.device_type;
        }
      } else {
        std::lock_guard<std::mutex> lock(mu_);
        if (StillListed(record)) record->info.state = kStateLinkDown;
      }
      SetConnectionState(record_type, record_mode, new_state);
    }
    std::copy(work, work + kInfoBufferSize, buffer);
    return false;
  }
  return false;
}

void DeviceManager::PollConnection() {
  std::vector<std::pair<int, std::shared_ptr<HidDevice>>> receivers;
  {
    std::lock_guard<std::mutex> lock(mu_);
    for (auto& record : records_) {
      if (record->info.device_type == current_type_ && record->info.connection_mode == kModeWireless &&
          record->handle) {
        receivers.emplace_back(record->info.device_type, record->handle);
      }
    }
  }
  for (auto& [type, handle] : receivers) {
    uint8_t work[kInfoBufferSize] = {};
    const int n = handle->Read(work, kReceiverReadLength, kReceiverReadTimeoutMs);
    if (n <= 0) continue;
    if (work[0] == kNotifyLink) {
      SetConnectionState(type, kModeWireless, work[1] == 1 ? kStateOnline : kStatePolledDown);
    } else if (IsNotification(work, static_cast<size_t>(n))) {
      KeepNotification(work, static_cast<size_t>(n));  // a DPI change is not lost to the poll
    }
  }
}

std::unique_ptr<HidDevice> DeviceManager::OpenBootloader(uint16_t vendor_id, uint16_t product_id) {
  return tavrick::OpenBootloader(*backend_, vendor_id, product_id);
}

HidDevice* DeviceManager::GetBootloaderHandle() {
  std::lock_guard<std::mutex> lock(mu_);
  return bootloader_.get();
}

void DeviceManager::SetBootloaderHandle(std::unique_ptr<HidDevice> handle) {
  std::unique_ptr<HidDevice> old;
  {
    std::lock_guard<std::mutex> lock(mu_);
    old = std::move(bootloader_);
    bootloader_ = std::move(handle);
  }
}

}  // namespace tavrick
