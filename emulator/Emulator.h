#pragma once
// The emulated mouse: wired mice, 2.4 GHz receivers with their mouse behind them, and the
// bootloader of each, speaking the device reports byte for byte. It knows nothing of the
// program's device layer; device/EmulatorBackend adapts it to the HID seam.
//
// Everything here is thread-safe: the worker thread reads and writes while a test (or the
// program's --emulate switch) plugs units, sends notifications and sets faults.
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tavrick::emu {

// Usage pages and usages of the collections a unit offers.
constexpr uint16_t kVendorPage = 0xFF01;
constexpr uint16_t kVendorSettingsUsage = 0x0010;
constexpr uint16_t kVendorDecoyUsage = 0x0001;
constexpr uint16_t kGenericDesktopPage = 0x0001;
constexpr uint16_t kBootloaderPage = 0xFFEF;

// Statuses in reply byte 1.
constexpr uint8_t kStatusOk = 0x00;
constexpr uint8_t kStatusBusy = 0x01;
constexpr uint8_t kStatusUnknownCommand = 0x02;
constexpr uint8_t kStatusBadChecksum = 0x03;

enum class UnitKind { WiredMouse, Receiver };

// What a unit is. The device id is the four bytes 4-7 of the device-information reply:
// identifier word (low byte first), sensor code, report-rate capability.
struct UnitSpec {
  UnitKind kind = UnitKind::WiredMouse;
  uint16_t vendor_id = 0x1209;
  uint16_t product_id = 0x0001;
  uint16_t release_number = 0x0100;
  std::array<uint8_t, 4> device_id{};
  uint8_t battery = 100;
  uint8_t charging = 0;
  uint16_t receiver_version = 0x0123;   // reply bytes 4-5 of query 0x20 (receivers)
  // The settings collection: 0xFF01/0x0010 or 0x0001/0x0000.
  uint16_t settings_usage_page = kVendorPage;
  uint16_t settings_usage = kVendorSettingsUsage;
  size_t input_report_size = 32;        // 32 or 64
  bool strict_checksum = true;          // a wrong checksum is answered with kStatusBadChecksum
  int bootloader_collections = 1;       // two give two matching bootloader nodes
  std::string path_suffix;              // appended to every path (long-path tests)
};

// Factory values of the settings a unit keeps; query replies carry them from byte 4 on.
struct MouseSettings {
  uint8_t report_rate = 1;                           // 0x02 / 0x12
  uint8_t dpi_levels = 0x14;                         // 0x03 / 0x13: index << 4 | count
  std::array<uint16_t, 6> dpi_codes{4, 8, 16, 32, 64, 120};  // 400 ... 12000 DPI on sensor 0x35
  bool dpi_copies_differed = false;                  // the last 0x03 had unequal copies
  std::array<uint8_t, 18> dpi_colors{};              // 0x04 / 0x14
  std::vector<uint8_t> lighting{4, 0x33};            // 0x05 / 0x15: mode, brightness << 4 | speed, ...
  std::array<uint8_t, 5> lod_sensor{2, 0, 0, 0, 0};  // 0x06 / 0x16
  std::array<uint8_t, 4> power{10, 1, 0, 2};         // 0x07 / 0x17
  std::array<uint8_t, 27> buttons{};                 // 0x09
  uint8_t light_control = 0;                         // last data byte of 0x0E
  std::map<int, std::vector<uint8_t>> macros;        // 0x08, by slot: the event bytes
  std::map<int, bool> macro_incomplete;              // a transfer for the slot lost parts
  int factory_resets = 0;
};

MouseSettings FactorySettings();

// Faults a unit's settings interface injects. Counters count down as they are used.
struct Faults {
  bool silent = false;            // no reply at all
  int drop_replies = 0;           // the next n commands get no reply
  int reply_delay_ms = 0;         // every reply arrives this late
  int busy_replies = 0;           // the next command first gets n replies with status 1
  int short_reply_length = 0;     // >0: replies are cut to this many bytes
  bool garbage = false;           // replies are pseudo-random bytes
  int fail_writes = 0;            // the next n writes fail (-1)
  std::vector<std::vector<uint8_t>> before_reply;  // reports queued ahead of the next reply
  bool unplug_on_write = false;   // the unit goes away right after the next write
  bool ignore_light_control = false;  // 0x0E 0x42 leaves the lighting mode alone
  int reset_light_mode = -1;          // >= 0: a factory reset leaves this lighting mode
};

// Bootloader state of a unit.
struct BootloaderState {
  bool entered = false;
  bool left = false;
  int data_reports = 0;
  std::vector<uint8_t> image;        // every block's 16 bytes, in block order (fill included)
  std::vector<std::string> errors;   // one line per rule broken
  uint32_t next_block = 0;           // expected block number (low 16 bits are sent)
  bool finished_data = false;        // a packet with fewer than three blocks was seen
  // Faults: the next n writes fail; when answer_failed_writes, each failed write is
  // answered by an input report a few milliseconds later, otherwise it stays silent.
  int fail_writes = 0;
  bool answer_failed_writes = false;
  // After the leave report the unit goes away and comes back with this release number
  // (0: release number + 1).
  uint16_t release_after_flash = 0;
};

struct TrafficRecord {
  enum class Direction { Write, Read };
  int64_t time_ms = 0;    // on the emulator's clock
  std::string path;
  Direction direction = Direction::Write;
  std::vector<uint8_t> bytes;  // as written (report id included) or as returned
  int result = 0;              // the return value the caller saw
};

struct InterfaceEntry {
  std::string path;
  uint16_t vendor_id = 0;
  uint16_t product_id = 0;
  uint16_t release_number = 0;
  uint16_t usage_page = 0;
  uint16_t usage = 0;
  int interface_number = -1;
};

struct PlugEvent {
  bool arrival = true;
  std::string path;
  uint16_t vendor_id = 0;
  uint16_t product_id = 0;
  int interface_number = -1;
};

// Presets of the emulated models. The device ids are printable: "V15@" is identifier
// "V1", sensor 0x35, rate capability 0x40; "K2%@" is identifier "K2", sensor 0x25, 0x40.
UnitSpec VelaWired();
UnitSpec VelaReceiver();
UnitSpec KestrelWired();

class Emulator {
 public:
  Emulator();
  ~Emulator();
  Emulator(const Emulator&) = delete;
  Emulator& operator=(const Emulator&) = delete;

  // A virtual clock: reads and pauses advance it instead of waiting, so time-outs cost
  // nothing. Switch before any traffic.
  void UseVirtualClock();
  int64_t NowMs() const;
  void Pause(int milliseconds);

  // Plugging. A unit gets a small positive id; its nodes appear in Enumerate at once.
  int Plug(const UnitSpec& spec);
  void Unplug(int unit);
  bool IsPlugged(int unit) const;
  void SetPlugHandler(std::function<void(const PlugEvent&)> handler);

  // Paths of a unit's nodes (empty when unplugged).
  std::string SettingsPath(int unit) const;
  std::string BootloaderPath(int unit, int which = 0) const;
  // An open of this path fails from now on (or works again).
  void SetOpenFails(const std::string& path, bool fails);

  // The HID side, as the backend uses it. Handles are positive; 0 means failure.
  std::vector<InterfaceEntry> Enumerate() const;
  std::vector<uint8_t> ReportDescriptor(const std::string& path) const;  // empty: none
  int Open(const std::string& path);
  void Close(int handle);
  int Write(int handle, const uint8_t* data, size_t length);
  int Read(int handle, uint8_t* buffer, size_t length, int timeout_ms);

  // Test controls.
  MouseSettings Settings(int unit) const;
  void SetSettings(int unit, const MouseSettings& settings);
  void SetFaults(int unit, const Faults& faults);
  Faults GetFaults(int unit) const;
  // Queues an unasked input report on the unit's settings interface.
  void InjectInput(int unit, std::vector<uint8_t> report, int delay_ms = 0);
  // 0xC0: link, battery, charging (also stored as the unit's state).
  void SendLinkState(int unit, uint8_t link, uint8_t battery, uint8_t charging);
  // 0xC2: index << 4 | count, sent as given (impossible counts included).
  void SendDpiChange(int unit, uint8_t levels);
  // The receiver's mouse is switched off or on: the receiver reports the link change and,
  // while off, does not answer the mouse's commands.
  void SetMouseOn(int unit, bool on);
  BootloaderState Bootloader(int unit) const;
  void SetBootloaderFaults(int unit, int fail_writes, bool answer_failed_writes,
                           uint16_t release_after_flash = 0);

  std::vector<TrafficRecord> Traffic() const;
  void ClearTraffic();
  // Writes received by a unit's settings interface, report id included.
  std::vector<std::vector<uint8_t>> WrittenReports(int unit) const;

 private:
  struct Node;
  struct Unit;
  struct Pending {
    int64_t due_us;
    std::vector<uint8_t> bytes;
  };
  enum class NodeRole { Mouse, Keyboard, Settings, Bootloader };

  int64_t NowLocked() const;  // microseconds on the emulator's clock
  Unit* FindUnit(int unit);
  const Unit* FindUnit(int unit) const;
  Node* FindNode(const std::string& path);
  const Node* FindNode(const std::string& path) const;
  void UnplugLocked(Unit& unit, std::vector<PlugEvent>* events);
  void PlugNodesLocked(Unit& unit, std::vector<PlugEvent>* events);
  void DeliverEvents(const std::vector<PlugEvent>& events);
  void Queue(Node& node, std::vector<uint8_t> bytes, int delay_ms);
  void HandleSettingsWrite(Unit& unit, Node& node, const std::vector<uint8_t>& report);
  void HandleBootloaderWrite(Unit& unit, Node& node, const std::vector<uint8_t>& report,
                             std::vector<PlugEvent>* events);
  std::vector<uint8_t> Reply(Unit& unit, const std::vector<uint8_t>& device);
  void Record(const std::string& path, TrafficRecord::Direction direction, const uint8_t* data,
              size_t length, int result);

  mutable std::mutex mu_;
  std::condition_variable cv_;
  bool virtual_clock_ = false;
  int64_t virtual_now_us_ = 0;
  std::chrono::steady_clock::time_point start_;
  int next_unit_ = 1;
  int next_handle_ = 1;
  uint32_t garbage_seed_ = 0x2545F491u;
  std::map<int, std::unique_ptr<Unit>> units_;
  struct OpenHandle {
    int unit = 0;
    std::string path;
    int generation = 0;  // the unit's generation when opened
  };
  std::map<int, OpenHandle> handles_;
  std::map<std::string, bool> open_fails_;
  std::vector<TrafficRecord> traffic_;
  std::function<void(const PlugEvent&)> plug_handler_;
  std::mutex plug_handler_mu_;
};

// CRC-16/MODBUS over data (polynomial 0xA001 reflected, initial 0xFFFF).
uint16_t Crc16Modbus(const uint8_t* data, size_t length);

}  // namespace tavrick::emu
