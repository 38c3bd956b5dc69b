#include "emulator/Emulator.h"

#include <algorithm>
#include <cstdio>
#include <thread>

namespace tavrick::emu {
namespace {

constexpr size_t kDeviceReport = 64;       // device bytes of one settings output report
constexpr size_t kBootloaderReport = 64;   // report id included
constexpr uint8_t kBootloaderReportId = 0x05;
constexpr int64_t kNever = INT64_MAX;

// Report descriptors, as the hidraw node would hand them out.
const std::vector<uint8_t> kMouseDescriptor = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01,
    0x29, 0x05, 0x15, 0x00, 0x25, 0x01, 0x95, 0x05, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01,
    0x75, 0x03, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x09, 0x38, 0x15, 0x81,
    0x25, 0x7F, 0x75, 0x08, 0x95, 0x03, 0x81, 0x06, 0xC0, 0xC0};
// A keyboard collection followed by a vendor collection that is not the settings one.
const std::vector<uint8_t> kKeyboardDescriptor = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7,
    0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x06, 0x75, 0x08,
    0x15, 0x00, 0x25, 0x65, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0,
    0x06, 0x01, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x09, 0x01, 0x15, 0x00, 0x26,
    0xFF, 0x00, 0x75, 0x08, 0x95, 0x07, 0x81, 0x02, 0xC0};
const std::vector<uint8_t> kBootloaderDescriptor = {
    0x06, 0xEF, 0xFF, 0x09, 0x00, 0xA1, 0x01, 0x85, 0x05, 0x09, 0x01, 0x15, 0x00, 0x26,
    0xFF, 0x00, 0x75, 0x08, 0x95, 0x3F, 0x81, 0x02, 0x09, 0x01, 0x95, 0x3F, 0x91, 0x02, 0xC0};

std::vector<uint8_t> SettingsDescriptor(uint16_t page, uint16_t usage, size_t input_size) {
  std::vector<uint8_t> d;
  if (page <= 0xFF) {
    d.insert(d.end(), {0x05, static_cast<uint8_t>(page)});
  } else {
    d.insert(d.end(), {0x06, static_cast<uint8_t>(page & 0xFF), static_cast<uint8_t>(page >> 8)});
  }
  d.insert(d.end(), {0x09, static_cast<uint8_t>(usage), 0xA1, 0x01, 0x09, 0x01, 0x15, 0x00,
                     0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, static_cast<uint8_t>(input_size),
                     0x81, 0x02, 0x09, 0x02, 0x95, 0x40, 0x91, 0x02, 0xC0});
  return d;
}

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

uint16_t Crc16Modbus(const uint8_t* data, size_t length) {
  uint16_t crc = 0xFFFF;
  for (size_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
  }
  return crc;
}

MouseSettings FactorySettings() {
  MouseSettings s;
  const uint8_t colors[18] = {0xFF, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0xFF,
                              0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0xFF};
  std::copy(std::begin(colors), std::end(colors), s.dpi_colors.begin());
  const uint8_t buttons[27] = {0x10, 0x01, 0x00, 0x10, 0x02, 0x00, 0x10, 0x04, 0x00,
                               0x10, 0x08, 0x00, 0x10, 0x10, 0x00, 0x40, 0x01, 0x00};
  std::copy(std::begin(buttons), std::end(buttons), s.buttons.begin());
  return s;
}

UnitSpec VelaWired() {
  UnitSpec s;
  s.product_id = 0x0001;
  s.device_id = {'V', '1', 0x35, 0x40};
  return s;
}

UnitSpec VelaReceiver() {
  UnitSpec s = VelaWired();
  s.kind = UnitKind::Receiver;
  s.product_id = 0x0002;
  s.battery = 80;
  return s;
}

UnitSpec KestrelWired() {
  UnitSpec s;
  s.product_id = 0x0003;
  s.device_id = {'K', '2', 0x25, 0x40};
  s.settings_usage_page = kGenericDesktopPage;
  s.settings_usage = 0x0000;
  s.input_report_size = 64;
  return s;
}

struct Emulator::Node {
  std::string path;
  NodeRole role = NodeRole::Mouse;
  int interface_number = 0;
  std::vector<std::pair<uint16_t, uint16_t>> collections;
  std::vector<uint8_t> descriptor;
  std::deque<Pending> input;
};

struct Emulator::Unit {
  int id = 0;
  UnitSpec spec;
  bool plugged = false;
  int generation = 0;      // grows with every unplug; stale handles stop working
  bool mouse_on = true;    // receivers: the mouse behind them
  uint8_t link = 1;
  MouseSettings settings;
  Faults faults;
  BootloaderState boot;
  std::vector<Node> nodes;
  std::vector<std::vector<uint8_t>> written;
  struct MacroTransfer {
    bool active = false;
    int parts = 0;
    int next = 0;
    int slot = 0;
    bool lost = false;
    std::vector<uint8_t> bytes;
  } macro;
};

Emulator::Emulator() : start_(std::chrono::steady_clock::now()) {}
Emulator::~Emulator() = default;

void Emulator::UseVirtualClock() {
  std::lock_guard<std::mutex> lock(mu_);
  virtual_clock_ = true;
}

int64_t Emulator::NowLocked() const {
  if (virtual_clock_) return virtual_now_us_;
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start_).count();
}

int64_t Emulator::NowMs() const {
  std::lock_guard<std::mutex> lock(mu_);
  return NowLocked() / 1000;
}

void Emulator::Pause(int milliseconds) {
  if (milliseconds <= 0) return;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (virtual_clock_) {
      virtual_now_us_ += int64_t{milliseconds} * 1000;
      cv_.notify_all();
      return;
    }
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

Emulator::Unit* Emulator::FindUnit(int unit) {
  auto it = units_.find(unit);
  return it == units_.end() ? nullptr : it->second.get();
}

const Emulator::Unit* Emulator::FindUnit(int unit) const {
  auto it = units_.find(unit);
  return it == units_.end() ? nullptr : it->second.get();
}

Emulator::Node* Emulator::FindNode(const std::string& path) {
  for (auto& [id, unit] : units_) {
    if (!unit->plugged) continue;
    for (auto& node : unit->nodes) if (node.path == path) return &node;
  }
  return nullptr;
}

const Emulator::Node* Emulator::FindNode(const std::string& path) const {
  return const_cast<Emulator*>(this)->FindNode(path);
}

void Emulator::PlugNodesLocked(Unit& unit, std::vector<PlugEvent>* events) {
  const UnitSpec& s = unit.spec;
  const bool receiver = s.kind == UnitKind::Receiver;
  auto make_path = [&](int iface) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "emu:%04x:%04x:%d:%d", s.vendor_id, s.product_id, unit.id, iface);
    return std::string(buf) + s.path_suffix;
  };
  unit.nodes.clear();
  Node mouse;
  mouse.role = NodeRole::Mouse;
  mouse.interface_number = 0;
  mouse.collections = {{kGenericDesktopPage, 0x0002}};
  mouse.descriptor = kMouseDescriptor;
  Node settings;
  settings.role = NodeRole::Settings;
  settings.interface_number = receiver ? 2 : 1;
  settings.collections = {{s.settings_usage_page, s.settings_usage}};
  settings.descriptor = SettingsDescriptor(s.settings_usage_page, s.settings_usage, s.input_report_size);
  Node keyboard;
  keyboard.role = NodeRole::Keyboard;
  keyboard.interface_number = receiver ? 1 : 2;
  keyboard.collections = {{kGenericDesktopPage, 0x0006}, {kVendorPage, kVendorDecoyUsage}};
  keyboard.descriptor = kKeyboardDescriptor;
  // Enumeration order follows the interface numbers, as on a real bus.
  unit.nodes.push_back(mouse);
  if (receiver) {
    unit.nodes.push_back(keyboard);
    unit.nodes.push_back(settings);
  } else {
    unit.nodes.push_back(settings);
    unit.nodes.push_back(keyboard);
  }
  for (int b = 0; b < std::max(1, s.bootloader_collections); ++b) {
    Node boot;
    boot.role = NodeRole::Bootloader;
    boot.interface_number = 3 + b;
    boot.collections = {{kBootloaderPage, 0x0000}};
    boot.descriptor = kBootloaderDescriptor;
    unit.nodes.push_back(boot);
  }
  for (auto& node : unit.nodes) {
    node.path = make_path(node.interface_number);
    if (events) events->push_back({true, node.path, s.vendor_id, s.product_id, node.interface_number});
  }
  unit.plugged = true;
}

void Emulator::UnplugLocked(Unit& unit, std::vector<PlugEvent>* events) {
  if (!unit.plugged) return;
  for (auto& node : unit.nodes) {
    if (events) events->push_back({false, node.path, unit.spec.vendor_id, unit.spec.product_id, node.interface_number});
  }
  unit.plugged = false;
  ++unit.generation;
  unit.nodes.clear();
  cv_.notify_all();
}

void Emulator::DeliverEvents(const std::vector<PlugEvent>& events) {
  std::function<void(const PlugEvent&)> handler;
  {
    std::lock_guard<std::mutex> lock(plug_handler_mu_);
    handler = plug_handler_;
  }
  if (!handler) return;
  for (const auto& e : events) handler(e);
}

void Emulator::SetPlugHandler(std::function<void(const PlugEvent&)> handler) {
  std::lock_guard<std::mutex> lock(plug_handler_mu_);
  plug_handler_ = std::move(handler);
}

int Emulator::Plug(const UnitSpec& spec) {
  std::vector<PlugEvent> events;
  int id;
  {
    std::lock_guard<std::mutex> lock(mu_);
    auto unit = std::make_unique<Unit>();
    unit->id = id = next_unit_++;
    unit->spec = spec;
    unit->settings = FactorySettings();
    PlugNodesLocked(*unit, &events);
    units_[id] = std::move(unit);
  }
  DeliverEvents(events);
  return id;
}

void Emulator::Unplug(int unit_id) {
  std::vector<PlugEvent> events;
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (Unit* unit = FindUnit(unit_id)) UnplugLocked(*unit, &events);
  }
  DeliverEvents(events);
}

bool Emulator::IsPlugged(int unit_id) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Unit* unit = FindUnit(unit_id);
  return unit && unit->plugged;
}

std::string Emulator::SettingsPath(int unit_id) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Unit* unit = FindUnit(unit_id);
  if (!unit) return {};
  for (const auto& node : unit->nodes) if (node.role == NodeRole::Settings) return node.path;
  return {};
}

std::string Emulator::BootloaderPath(int unit_id, int which) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Unit* unit = FindUnit(unit_id);
  if (!unit) return {};
  int seen = 0;
  for (const auto& node : unit->nodes) {
    if (node.role == NodeRole::Bootloader && seen++ == which) return node.path;
  }
  return {};
}

void Emulator::SetOpenFails(const std::string& path, bool fails) {
  std::lock_guard<std::mutex> lock(mu_);
  open_fails_[path] = fails;
}

std::vector<InterfaceEntry> Emulator::Enumerate() const {
  std::lock_guard<std::mutex> lock(mu_);
  std::vector<InterfaceEntry> out;
  for (const auto& [id, unit] : units_) {
    if (!unit->plugged) continue;
    for (const auto& node : unit->nodes) {
      for (const auto& [page, usage] : node.collections) {
        out.push_back({node.path, unit->spec.vendor_id, unit->spec.product_id,
                       unit->spec.release_number, page, usage, node.interface_number});
      }
    }
  }
  return out;
}

std::vector<uint8_t> Emulator::ReportDescriptor(const std::string& path) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Node* node = FindNode(path);
  return node ? node->descriptor : std::vector<uint8_t>{};
}

int Emulator::Open(const std::string& path) {
  std::lock_guard<std::mutex> lock(mu_);
  auto fail = open_fails_.find(path);
  if (fail != open_fails_.end() && fail->second) return 0;
  for (auto& [id, unit] : units_) {
    if (!unit->plugged) continue;
    for (auto& node : unit->nodes) {
      if (node.path != path) continue;
      const int handle = next_handle_++;
      handles_[handle] = {id, path, unit->generation};
      return handle;
    }
  }
  return 0;
}

void Emulator::Close(int handle) {
  std::lock_guard<std::mutex> lock(mu_);
  handles_.erase(handle);
}

void Emulator::Record(const std::string& path, TrafficRecord::Direction direction,
                      const uint8_t* data, size_t length, int result) {
  TrafficRecord r;
  r.time_ms = NowLocked() / 1000;
  r.path = path;
  r.direction = direction;
  if (data && length) r.bytes.assign(data, data + length);
  r.result = result;
  traffic_.push_back(std::move(r));
}

void Emulator::Queue(Node& node, std::vector<uint8_t> bytes, int delay_ms) {
  const int64_t due = NowLocked() + int64_t{std::max(0, delay_ms)} * 1000;
  auto pos = std::upper_bound(node.input.begin(), node.input.end(), due,
                              [](int64_t d, const Pending& p) { return d < p.due_us; });
  node.input.insert(pos, Pending{due, std::move(bytes)});
  cv_.notify_all();
}

int Emulator::Write(int handle, const uint8_t* data, size_t length) {
  std::vector<PlugEvent> events;
  int result = -1;
  {
    std::lock_guard<std::mutex> lock(mu_);
    auto h = handles_.find(handle);
    if (h == handles_.end()) return -1;
    const std::string path = h->second.path;
    Unit* unit = FindUnit(h->second.unit);
    Node* node = FindNode(path);
    const bool live = unit && unit->plugged && node && h->second.generation == unit->generation;
    if (!live || !data) {
      Record(path, TrafficRecord::Direction::Write, data, data ? length : 0, -1);
      return -1;
    }
    std::vector<uint8_t> report(data, data + length);
    switch (node->role) {
      case NodeRole::Settings:
        if (unit->faults.fail_writes > 0) {
          --unit->faults.fail_writes;
        } else if (length >= 2 && length <= kDeviceReport + 1 && data[0] == 0x00) {
          unit->written.push_back(report);
          HandleSettingsWrite(*unit, *node, report);
          result = static_cast<int>(length);
          if (unit->faults.unplug_on_write) {
            unit->faults.unplug_on_write = false;
            Record(path, TrafficRecord::Direction::Write, data, length, result);
            UnplugLocked(*unit, &events);
            goto done;
          }
        }
        break;
      case NodeRole::Bootloader:
        if (unit->boot.fail_writes > 0) {
          --unit->boot.fail_writes;
          if (unit->boot.answer_failed_writes) {
            std::vector<uint8_t> answer(kBootloaderReport - 1, 0xFF);
            answer[0] = 0x02;
            answer[1] = 0x00;
            Queue(*node, answer, 5);
          }
        } else if (length == kBootloaderReport && data[0] == kBootloaderReportId) {
          result = static_cast<int>(length);
          Record(path, TrafficRecord::Direction::Write, data, length, result);
          HandleBootloaderWrite(*unit, *node, report, &events);
          goto done;
        } else {
          unit->boot.errors.push_back("report rejected: wrong report id or length");
        }
        break;
      default:
        result = static_cast<int>(length);  // the ordinary mouse and keyboard take anything
        break;
    }
    Record(path, TrafficRecord::Direction::Write, data, length, result);
  }
done:
  DeliverEvents(events);
  return result;
}

int Emulator::Read(int handle, uint8_t* buffer, size_t length, int timeout_ms) {
  std::unique_lock<std::mutex> lock(mu_);
  auto h = handles_.find(handle);
  if (h == handles_.end() || !buffer) return -1;
  const int unit_id = h->second.unit;
  const std::string path = h->second.path;
  const int generation = h->second.generation;
  const int64_t deadline = NowLocked() + int64_t{std::max(0, timeout_ms)} * 1000;
  for (;;) {
    Unit* unit = FindUnit(unit_id);
    Node* node = FindNode(path);
    if (!unit || !unit->plugged || !node || unit->generation != generation) {
      Record(path, TrafficRecord::Direction::Read, nullptr, 0, -1);
      return -1;
    }
    const int64_t now = NowLocked();
    if (!node->input.empty() && node->input.front().due_us <= now) {
      std::vector<uint8_t> bytes = std::move(node->input.front().bytes);
      node->input.pop_front();
      const size_t n = std::min(length, bytes.size());
      std::copy(bytes.begin(), bytes.begin() + n, buffer);
      Record(path, TrafficRecord::Direction::Read, buffer, n, static_cast<int>(n));
      return static_cast<int>(n);
    }
    if (now >= deadline) return 0;
    const int64_t next = node->input.empty() ? kNever : node->input.front().due_us;
    if (virtual_clock_) {
      virtual_now_us_ = std::min(next, deadline);
      continue;
    }
    const int64_t wake = std::min(next, deadline);
    cv_.wait_until(lock, start_ + std::chrono::microseconds(wake));
  }
}

std::vector<uint8_t> Emulator::Reply(Unit& unit, const std::vector<uint8_t>& d) {
  std::vector<uint8_t> r(unit.spec.input_report_size, 0);
  const uint8_t code = d[0];
  r[0] = code;
  MouseSettings& s = unit.settings;
  const bool receiver = unit.spec.kind == UnitKind::Receiver;
  if (unit.spec.strict_checksum) {
    unsigned sum = 0;
    for (int i = 4; i <= 30; ++i) sum += d[i];
    if (static_cast<uint8_t>(sum) != d[31]) {
      r[1] = kStatusBadChecksum;
      return r;
    }
  }
  switch (code) {
    case 0x02: s.report_rate = d[4]; break;
    case 0x03:
      s.dpi_levels = d[4];
      s.dpi_copies_differed = false;
      for (int n = 0; n < 6; ++n) {
        const uint16_t first = Le16(&d[5 + 4 * n]);
        const uint16_t second = Le16(&d[7 + 4 * n]);
        s.dpi_codes[n] = first;
        if (first != second) s.dpi_copies_differed = true;
      }
      break;
    case 0x04: std::copy(d.begin() + 4, d.begin() + 22, s.dpi_colors.begin()); break;
    case 0x05: {
      const size_t n = std::min<size_t>(d[3], kDeviceReport - 4);
      s.lighting.assign(d.begin() + 4, d.begin() + 4 + n);
      break;
    }
    case 0x06: std::copy(d.begin() + 4, d.begin() + 9, s.lod_sensor.begin()); break;
    case 0x07: std::copy(d.begin() + 4, d.begin() + 8, s.power.begin()); break;
    case 0x08: {
      auto& m = unit.macro;
      const int part = d[2] >> 4;
      const int parts = d[2] & 0x0F;
      const size_t n = std::min<size_t>(d[3], 27);
      if (parts == 0 || n == 0) {
        r[1] = kStatusUnknownCommand;
        return r;
      }
      if (part == 0) {
        if (m.active) s.macro_incomplete[m.slot] = true;  // the earlier transfer never finished
        m = {};
        m.active = true;
        m.parts = parts;
        m.slot = d[4];
        m.bytes.assign(d.begin() + 5, d.begin() + 4 + n);
      } else {
        if (!m.active) break;  // a continuation without its start: nothing to attach it to
        if (parts != m.parts || part != m.next) m.lost = true;
        m.bytes.insert(m.bytes.end(), d.begin() + 4, d.begin() + 4 + n);
      }
      m.next = part + 1;
      if (part == parts - 1) {
        s.macros[m.slot] = m.bytes;
        s.macro_incomplete[m.slot] = m.lost;
        m.active = false;
      }
      break;
    }
    case 0x09: std::copy(d.begin() + 4, d.begin() + 31, s.buttons.begin()); break;
    case 0x0E:
      s.light_control = d[4];
      if (d[4] == 0x42 && !unit.faults.ignore_light_control) s.lighting = FactorySettings().lighting;
      break;
    case 0x0F:
      if (d[4] != 0xFF) {
        r[1] = kStatusUnknownCommand;
        return r;
      } else {
        const int resets = s.factory_resets;
        s = FactorySettings();
        s.factory_resets = resets + 1;
        if (unit.faults.reset_light_mode >= 0) s.lighting[0] = static_cast<uint8_t>(unit.faults.reset_light_mode);
      }
      break;
    case 0x10:
      std::copy(unit.spec.device_id.begin(), unit.spec.device_id.end(), r.begin() + 4);
      r[8] = unit.spec.charging;
      r[9] = unit.spec.battery;
      r[10] = unit.link;
      break;
    case 0x11:
      r[4] = static_cast<uint8_t>(unit.spec.release_number >> 8);
      r[5] = static_cast<uint8_t>(unit.spec.release_number);
      break;
    case 0x12: r[4] = s.report_rate; break;
    case 0x13:
      r[4] = s.dpi_levels;
      for (int n = 0; n < 6; ++n) {
        for (int copy = 0; copy < 2; ++copy) {
          r[5 + 4 * n + 2 * copy] = static_cast<uint8_t>(s.dpi_codes[n]);
          r[6 + 4 * n + 2 * copy] = static_cast<uint8_t>(s.dpi_codes[n] >> 8);
        }
      }
      break;
    case 0x14: std::copy(s.dpi_colors.begin(), s.dpi_colors.end(), r.begin() + 4); break;
    case 0x15:
      std::copy(s.lighting.begin(), s.lighting.begin() + std::min<size_t>(s.lighting.size(), 27), r.begin() + 4);
      break;
    case 0x16: std::copy(s.lod_sensor.begin(), s.lod_sensor.end(), r.begin() + 4); break;
    case 0x17: std::copy(s.power.begin(), s.power.end(), r.begin() + 4); break;
    case 0x20:
      if (!receiver) {
        r[1] = kStatusUnknownCommand;
        return r;
      }
      r[4] = static_cast<uint8_t>(unit.spec.receiver_version >> 8);
      r[5] = static_cast<uint8_t>(unit.spec.receiver_version);
      break;
    default:
      r[1] = kStatusUnknownCommand;
      return r;
  }
  unsigned sum = 0;
  for (int i = 4; i <= 30; ++i) sum += r[i];
  r[31] = static_cast<uint8_t>(sum);
  return r;
}

void Emulator::HandleSettingsWrite(Unit& unit, Node& node, const std::vector<uint8_t>& report) {
  std::vector<uint8_t> device(kDeviceReport, 0);  // the interface pads short reports with zeros
  std::copy(report.begin() + 1, report.end(), device.begin());
  Faults& f = unit.faults;
  for (auto& early : f.before_reply) Queue(node, early, 0);
  f.before_reply.clear();
  const bool receiver = unit.spec.kind == UnitKind::Receiver;
  if (receiver && !unit.mouse_on && device[0] != 0x20) return;  // nobody behind the receiver
  if (f.silent) return;
  if (f.drop_replies > 0) {
    --f.drop_replies;
    return;
  }
  std::vector<uint8_t> reply = Reply(unit, device);
  if (f.garbage) {
    for (auto& b : reply) {
      garbage_seed_ ^= garbage_seed_ << 13;
      garbage_seed_ ^= garbage_seed_ >> 17;
      garbage_seed_ ^= garbage_seed_ << 5;
      b = static_cast<uint8_t>(garbage_seed_);
    }
  }
  if (f.short_reply_length > 0 && static_cast<size_t>(f.short_reply_length) < reply.size()) {
    reply.resize(f.short_reply_length);
  }
  for (; f.busy_replies > 0; --f.busy_replies) {
    std::vector<uint8_t> busy = reply;
    if (busy.size() > 1) busy[1] = kStatusBusy;
    Queue(node, busy, f.reply_delay_ms);
  }
  Queue(node, reply, f.reply_delay_ms);
}

void Emulator::HandleBootloaderWrite(Unit& unit, Node& node, const std::vector<uint8_t>& r,
                                     std::vector<PlugEvent>* events) {
  (void)node;
  BootloaderState& b = unit.boot;
  auto error = [&](const std::string& text) { b.errors.push_back(text); };
  auto filled_from = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) if (r[i] != 0xFF) return false;
    return true;
  };
  if (r[1] != 0x02 || r[3] != 0x00) {
    error("malformed report header");
    return;
  }
  if (r[2] == 0x02 && r[4] == 0x01) {
    if (!filled_from(5, kBootloaderReport)) error("enter report not filled with 0xFF");
    b.entered = true;
    b.left = false;
    b.finished_data = false;
    b.image.clear();
    b.next_block = 0;
    b.data_reports = 0;
    return;
  }
  if (r[2] == 0x06 && r[4] == 0x02) {
    if (!filled_from(5, kBootloaderReport)) error("leave report not filled with 0xFF");
    if (!b.entered) {
      error("leave without enter");
      return;
    }
    b.entered = false;
    b.left = true;
    // The mouse restarts into the new firmware: it goes away and comes back.
    unit.spec.release_number = b.release_after_flash ? b.release_after_flash
                                                     : static_cast<uint16_t>(unit.spec.release_number + 1);
    UnplugLocked(unit, events);
    PlugNodesLocked(unit, events);
    return;
  }
  if (r[2] == 0x3C || r[2] == 0x28 || r[2] == 0x14) {
    if (!b.entered) {
      error("data outside enter and leave");
      return;
    }
    if (b.finished_data) error("data after the last packet");
    ++b.data_reports;
    const int blocks = r[2] / 20;
    for (int i = 0; i < 3; ++i) {
      const size_t at = 4 + 20 * static_cast<size_t>(i);
      if (i >= blocks) {
        if (!filled_from(at, at + 20)) error("absent block " + std::to_string(i) + " not filled with 0xFF");
        continue;
      }
      const uint16_t number = Le16(&r[at]);
      const uint16_t crc = Le16(&r[at + 18]);
      if (crc != Crc16Modbus(&r[at], 18)) error("block " + std::to_string(number) + ": CRC mismatch");
      if (number != static_cast<uint16_t>(b.next_block)) {
        error("block " + std::to_string(number) + " out of sequence, expected " +
              std::to_string(static_cast<uint16_t>(b.next_block)));
      }
      ++b.next_block;
      b.image.insert(b.image.end(), r.begin() + at + 2, r.begin() + at + 18);
    }
    if (blocks < 3) b.finished_data = true;
    return;
  }
  error("unknown bootloader report");
}

MouseSettings Emulator::Settings(int unit_id) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Unit* unit = FindUnit(unit_id);
  return unit ? unit->settings : MouseSettings{};
}

void Emulator::SetSettings(int unit_id, const MouseSettings& settings) {
  std::lock_guard<std::mutex> lock(mu_);
  if (Unit* unit = FindUnit(unit_id)) unit->settings = settings;
}

void Emulator::SetFaults(int unit_id, const Faults& faults) {
  std::lock_guard<std::mutex> lock(mu_);
  if (Unit* unit = FindUnit(unit_id)) unit->faults = faults;
}

Faults Emulator::GetFaults(int unit_id) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Unit* unit = FindUnit(unit_id);
  return unit ? unit->faults : Faults{};
}

void Emulator::InjectInput(int unit_id, std::vector<uint8_t> report, int delay_ms) {
  std::lock_guard<std::mutex> lock(mu_);
  Unit* unit = FindUnit(unit_id);
  if (!unit || !unit->plugged) return;
  for (auto& node : unit->nodes) {
    if (node.role == NodeRole::Settings) Queue(node, std::move(report), delay_ms);
  }
}

void Emulator::SendLinkState(int unit_id, uint8_t link, uint8_t battery, uint8_t charging) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    Unit* unit = FindUnit(unit_id);
    if (!unit) return;
    unit->link = link == 1 ? 1 : 0;
    if (battery) unit->spec.battery = battery;
    unit->spec.charging = charging;
  }
  std::vector<uint8_t> report(32, 0);
  report[0] = 0xC0;
  report[1] = link;
  report[2] = battery;
  report[3] = charging;
  InjectInput(unit_id, std::move(report));
}

void Emulator::SendDpiChange(int unit_id, uint8_t levels) {
  {
    std::lock_guard<std::mutex> lock(mu_);
    if (Unit* unit = FindUnit(unit_id)) unit->settings.dpi_levels = levels;
  }
  std::vector<uint8_t> report(32, 0);
  report[0] = 0xC2;
  report[1] = levels;
  InjectInput(unit_id, std::move(report));
}

void Emulator::SetMouseOn(int unit_id, bool on) {
  uint8_t battery = 0, charging = 0;
  {
    std::lock_guard<std::mutex> lock(mu_);
    Unit* unit = FindUnit(unit_id);
    if (!unit || unit->spec.kind != UnitKind::Receiver) return;
    unit->mouse_on = on;
    unit->link = on ? 1 : 0;
    if (on) {
      battery = unit->spec.battery;
      charging = unit->spec.charging;
    }
  }
  std::vector<uint8_t> report(32, 0);
  report[0] = 0xC0;
  report[1] = on ? 1 : 0;
  report[2] = battery;
  report[3] = charging;
  InjectInput(unit_id, std::move(report));
}

BootloaderState Emulator::Bootloader(int unit_id) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Unit* unit = FindUnit(unit_id);
  return unit ? unit->boot : BootloaderState{};
}

void Emulator::SetBootloaderFaults(int unit_id, int fail_writes, bool answer_failed_writes,
                                   uint16_t release_after_flash) {
  std::lock_guard<std::mutex> lock(mu_);
  Unit* unit = FindUnit(unit_id);
  if (!unit) return;
  unit->boot.fail_writes = fail_writes;
  unit->boot.answer_failed_writes = answer_failed_writes;
  unit->boot.release_after_flash = release_after_flash;
}

std::vector<TrafficRecord> Emulator::Traffic() const {
  std::lock_guard<std::mutex> lock(mu_);
  return traffic_;
}

void Emulator::ClearTraffic() {
  std::lock_guard<std::mutex> lock(mu_);
  traffic_.clear();
}

std::vector<std::vector<uint8_t>> Emulator::WrittenReports(int unit_id) const {
  std::lock_guard<std::mutex> lock(mu_);
  const Unit* unit = FindUnit(unit_id);
  return unit ? unit->written : std::vector<std::vector<uint8_t>>{};
}

}  // namespace tavrick::emu
