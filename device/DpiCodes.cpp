#include "device/DpiCodes.h"

#include <algorithm>

namespace tavrick {

namespace {

struct SensorRow {
  int sensor;
  int deviceType;  // 0: any model
  DpiRange range;
};

// Sensor 0x19 rows come model-specific first; the model-independent row closes the group.
constexpr SensorRow kSensorRanges[] = {
    {0x11, 0, {50, 24000}},   {0x05, 0, {50, 12000}},   {0x19, 121, {50, 26000}},
    {0x19, 122, {50, 32000}}, {0x19, 131, {50, 10000}}, {0x19, 0, {50, 30000}},
    {0x25, 0, {100, 10000}},  {0x26, 0, {200, 10000}},  {0x04, 0, {100, 8000}},
    {0x95, 0, {100, 26000}},  {0x96, 0, {100, 38000}},  {0x10, 0, {100, 4800}},
    {0x12, 0, {100, 4800}},   {0x35, 0, {100, 16000}},
};

int Code(int sensor, int v) {
  switch (sensor) {
    case 0x04: return v <= 4000 ? v / 100 : (v - 4000) / 500 + 39;
    case 0x05: return v <= 6400 ? v / 50 : (v - 6400) / 100 + 128;
    case 0x10: case 0x12: case 0x35: return v / 100;
    case 0x11:
      if (v <= 10000) return v / 50;
      // Codes 200-220 step by 100 up to 12000 and code 221 is 13000, so a value between
      // 12000 and 13000 has no code of its own: it goes down to 12000 rather than onto the
      // 1000-step scale, where it would read back several thousand DPI too high.
      if (v <= 12000) return (v - 10000) / 100 + 200;
      if (v < 13000) return 220;
      return (v - 13000) / 1000 + 221;
    case 0x19: return v <= 16000 ? v / 100 : (v - 16000) / 1000 + 160;
    case 0x25: return v <= 5000 ? v / 100 : (v - 5000) / 500 + 50;
    case 0x26: return v <= 5000 ? v / 100 - 1 : (v - 5000) / 500 + 50;
    default: return v / 50 - 1;  // 0x95, 0x96 and every other sensor
  }
}

}  // namespace

DpiRange DpiRangeForSensor(int sensorCode, int deviceType) {
  for (const auto& row : kSensorRanges) {
    if (row.sensor == sensorCode && (row.deviceType == 0 || row.deviceType == deviceType))
      return row.range;
  }
  return kDefaultDpiRange;
}

int LimitDpi(int dpi, DpiRange range) { return std::clamp(dpi, range.minimum, range.maximum); }

uint16_t DpiToCode(int sensorCode, int dpi) {
  return static_cast<uint16_t>(std::clamp(Code(sensorCode, dpi), 0, 0xFFFF));
}

int CodeToDpi(int sensorCode, uint16_t code) {
  const int c = code;
  switch (sensorCode) {
    case 0x04: return c < 40 ? 100 * c : 500 * c - 15500;
    case 0x05: return c <= 128 ? 50 * c : 100 * c - 6400;
    case 0x10: case 0x12: case 0x35: return 100 * c;
    case 0x11:
      if (c < 200) return 50 * c;
      if (c <= 220) return 100 * c - 10000;
      return 1000 * c - 208000;
    case 0x19: return c < 160 ? 100 * c : 1000 * c - 144000;
    case 0x25: return c < 50 ? 100 * c : 500 * c - 20000;
    case 0x26: return c < 50 ? 100 * c : 500 * c - 19500;
    case 0x96: return 50 * c;
    default: return 50 * c + 50;  // 0x95 and every other sensor
  }
}

}  // namespace tavrick

namespace tavrick {

int RoundTypedDpi(int sensor, int deviceType, int v) {
  auto down = [](int value, int step) { return value / step * step; };
  auto limit = [](int value, int low, int high) { return std::clamp(value, low, high); };
  switch (sensor) {
    case 0x11: return limit(down(v, 50), 50, 24000);
    case 0x05: return limit(down(v, 50), 50, 12000);
    case 0x19: {
      const int high = deviceType == 121 ? 26000 : deviceType == 122 ? 32000
                     : deviceType == 131 ? 10000 : 30000;
      return limit(down(v, 100), 100, high);
    }
    case 0x25: return limit(v <= 5000 ? down(v, 100) : 5000 + down(v - 5000, 500), 100, 10000);
    case 0x26: return limit(down(v, 100), 200, 10000);
    case 0x04: return limit(v <= 4000 ? down(v, 100) : 4000 + down(v - 4000, 500), 100, 8000);
    case 0x95: return limit(down(v, 50), 100, 26000);
    case 0x96: return limit(down(v, 50), 100, 32000);
    case 0x10: case 0x12: return limit(down(v, 100), 100, 4800);
    case 0x35: return limit(down(v, 100), 100, 16000);
    default: return limit(down(v, 50), 50, 26000);
  }
}

}  // namespace tavrick
