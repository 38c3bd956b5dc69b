// Arbitrary replies through every settings parser, and arbitrary macro records through the
// macro encoder and splitter. The first byte picks the sensor code, the rest is the reply.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "device/ButtonReports.h"
#include "device/DpiCodes.h"
#include "device/Reports.h"

namespace {

using namespace tavrick;

int Usage(int vk) { return vk & 0xFF; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int sensor = data[0];
  const uint8_t* reply = data + 1;
  const size_t length = size - 1;
  ParseDeviceInfo(reply, length);
  ParseReportRate(reply, length);
  if (auto dpi = ParseDpiLevels(reply, length, sensor)) {
    if (dpi->count < 1 || dpi->count > kMaxDpiLevels || dpi->index >= dpi->count) std::abort();
  }
  ParseDpiColors(reply, length);
  ParseLiftOff(reply, length);
  ParsePower(reply, length);
  ParseLightState(reply, length);
  ParseReceiverVersion(reply, length);

  // Every value in a sensor's range converts to a code and back without overflow.
  const DpiRange range = DpiRangeForSensor(sensor, 0);
  if (length >= 2) {
    const int dpi = LimitDpi(reply[0] * 256 + reply[1], range);
    CodeToDpi(sensor, DpiToCode(sensor, dpi));
  }

  // Records of (type, value) pairs, two bytes each.
  std::vector<MacroStep> steps;
  for (size_t i = 0; i + 1 < length; i += 2) steps.push_back({reply[i] % 8, reply[i + 1] * 300});
  const std::vector<uint8_t> events = EncodeMacroEvents(steps, Usage);
  if (events.size() % 4 != 0) std::abort();
  if (auto frames = BuildMacroFrames(sensor % 9, events)) {
    size_t carried = 0;
    for (const Frame& f : *frames) carried += f[kFrameLength];
    if (carried != events.size() + 1) std::abort();  // nothing lost, nothing added
  } else if (events.size() / 4 <= 101) {
    std::abort();  // refused a macro that fits fifteen parts
  }
  return 0;
}
