// The hidapi (hidraw) implementation of the HID seam.
#include <fcntl.h>
#include <hidapi/hidapi.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <mutex>

#include "base/Trace.h"
#include "device/HidBackend.h"

namespace tavrick {
namespace {

std::mutex g_init_mu;
int g_users = 0;
bool g_init_ok = false;

class HidapiDevice final : public HidDevice {
 public:
  HidapiDevice(hid_device* device, std::string path) : device_(device), path_(std::move(path)) {}
  ~HidapiDevice() override { hid_close(device_); }
  int Write(const uint8_t* data, size_t length) override { return hid_write(device_, data, length); }
  int Read(uint8_t* buffer, size_t length, int timeout_ms) override {
    return hid_read_timeout(device_, buffer, length, timeout_ms);
  }
  const std::string& Path() const override { return path_; }

 private:
  hid_device* device_;
  std::string path_;
};

class HidapiBackend final : public HidBackend {
 public:
  HidapiBackend() {
    std::lock_guard<std::mutex> lock(g_init_mu);
    if (g_users++ == 0) {
      g_init_ok = hid_init() == 0;
      if (!g_init_ok) base::Trace(base::TraceLevel::Error, "hid_init failed");
    }
  }
  ~HidapiBackend() override {
    std::lock_guard<std::mutex> lock(g_init_mu);
    if (--g_users == 0) {
      if (g_init_ok) hid_exit();
      g_init_ok = false;
    }
  }

  std::vector<HidInterfaceInfo> Enumerate() override {
    std::vector<HidInterfaceInfo> out;
    if (!g_init_ok) return out;  // a failed hid_init leaves every enumeration empty
    hid_device_info* list = hid_enumerate(0, 0);
    for (hid_device_info* d = list; d; d = d->next) {
      HidInterfaceInfo info;
      info.path = d->path ? d->path : "";
      info.vendor_id = d->vendor_id;
      info.product_id = d->product_id;
      info.release_number = d->release_number;
      info.usage_page = d->usage_page;
      info.usage = d->usage;
      info.interface_number = d->interface_number;
      out.push_back(std::move(info));
    }
    hid_free_enumeration(list);
    return out;
  }

  std::unique_ptr<HidDevice> Open(const std::string& path) override {
    if (!g_init_ok) return nullptr;
    hid_device* device = hid_open_path(path.c_str());
    if (!device) return nullptr;
    return std::make_unique<HidapiDevice>(device, path);
  }

  bool ReadReportDescriptor(const std::string& path, std::vector<uint8_t>* descriptor) override {
    // Opened for reading and writing like the interface itself: a node we may not write to
    // is of no use as a settings interface either.
    const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    int size = 0;
    bool ok = ioctl(fd, HIDIOCGRDESCSIZE, &size) == 0 && size > 0 && size <= HID_MAX_DESCRIPTOR_SIZE;
    if (ok) {
      hidraw_report_descriptor raw{};
      raw.size = static_cast<__u32>(size);
      ok = ioctl(fd, HIDIOCGRDESC, &raw) == 0;
      if (ok) descriptor->assign(raw.value, raw.value + size);
    }
    ::close(fd);
    return ok;
  }

  bool Owns(const std::string& path) const override { return path.rfind("emu:", 0) != 0; }
};

}  // namespace

std::unique_ptr<HidBackend> CreateHidapiBackend() { return std::make_unique<HidapiBackend>(); }

}  // namespace tavrick
