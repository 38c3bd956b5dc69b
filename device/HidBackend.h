#pragma once
// The one seam through which the device layer reaches HID interfaces. One implementation
// calls hidapi (hidraw), one talks to the emulated mouse; nothing above this header knows
// which one it has.
//
// Error contract, as hidapi's: Write returns the number of bytes written, 0 or less on
// failure; Read returns the number of bytes copied (at most the length asked for), 0 on
// time-out, negative on error (for example a device that was unplugged). No operation throws.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tavrick {

// One HID top-level collection as enumeration reports it.
struct HidInterfaceInfo {
  std::string path;             // opens the interface; several collections may share one
  uint16_t vendor_id = 0;
  uint16_t product_id = 0;
  uint16_t release_number = 0;  // binary-coded decimal: 0x0123 is 1.23
  uint16_t usage_page = 0;
  uint16_t usage = 0;
  int interface_number = -1;    // USB interface number, -1 when unknown
};

// An open interface. Destroying it closes it.
class HidDevice {
 public:
  virtual ~HidDevice() = default;
  // Writes one output report; data[0] is the report id (0x00 for unnumbered reports).
  virtual int Write(const uint8_t* data, size_t length) = 0;
  // Waits at most timeout_ms (0: do not wait) for one input report. A leading zero report
  // id is not part of what is returned.
  virtual int Read(uint8_t* buffer, size_t length, int timeout_ms) = 0;
  virtual const std::string& Path() const = 0;
};

// A hot-plug event of one hidraw node. The ids of a removed node are the ones it had while
// present, so a removal can still be matched against the supported list.
struct DeviceChange {
  enum class Kind { Arrival, Removal };
  Kind kind = Kind::Arrival;
  std::string path;
  uint16_t vendor_id = 0;
  uint16_t product_id = 0;
  int interface_number = -1;
};

using DeviceChangeHandler = std::function<void(const DeviceChange&)>;

class HidBackend {
 public:
  virtual ~HidBackend() = default;
  // All collections present, in a stable order; empty when there are none.
  virtual std::vector<HidInterfaceInfo> Enumerate() = 0;
  // Null when the path cannot be opened.
  virtual std::unique_ptr<HidDevice> Open(const std::string& path) = 0;
  // The report descriptor of the node at path; false when it cannot be read.
  virtual bool ReadReportDescriptor(const std::string& path, std::vector<uint8_t>* descriptor) = 0;
  // Hot-plug events, delivered on a thread of the backend's choosing; an empty handler
  // stops the delivery. Backends without their own events (hidapi: the udev monitor of
  // platform/system delivers those) ignore it.
  virtual void SetChangeHandler(DeviceChangeHandler handler) { (void)handler; }
  // The device layer's pauses (the retry after a failed device-information query, the
  // pauses between bootloader reports). The emulator on a virtual clock only advances time.
  virtual void Pause(int milliseconds);
  // True when the backend owns the path (used by the combining backend).
  virtual bool Owns(const std::string& path) const { (void)path; return true; }
};

// hidapi over hidraw. hid_init runs when the first one is created, hid_exit when the last
// one is destroyed.
std::unique_ptr<HidBackend> CreateHidapiBackend();

// Enumerates the first backend's collections, then the second's; every other operation
// goes to the backend that owns the path.
std::unique_ptr<HidBackend> CreateCombinedBackend(std::unique_ptr<HidBackend> first,
                                                  std::unique_ptr<HidBackend> second);

}  // namespace tavrick
