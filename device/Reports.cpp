#include "device/Reports.h"

#include <algorithm>
#include <cstdio>

#include "device/DpiCodes.h"

namespace tavrick {

namespace {

uint8_t Low(int v) { return static_cast<uint8_t>(v & 0xFF); }

// A reply is usable when it holds byte `last` and answers the query that was sent.
bool Holds(const uint8_t* reply, size_t length, uint8_t query, size_t last) {
  return reply != nullptr && length > last && reply[0] == query;
}

void PutColor(Frame& f, size_t at, int rgb) {
  f[at] = Low(rgb);             // red
  f[at + 1] = Low(rgb >> 8);    // green
  f[at + 2] = Low(rgb >> 16);   // blue
}

int ReadColor(const uint8_t* p) { return p[0] + p[1] * 256 + p[2] * 65536; }

}  // namespace

Frame MakeFrame(uint8_t command, size_t length, uint8_t part, uint8_t dataLength) {
  Frame f;
  f.length = length;
  f[0] = 0x00;  // report id
  f[kFrameCommand] = command;
  f[kFrameStatus] = 0x00;
  f[kFramePart] = part;
  f[kFrameLength] = dataLength;
  return f;
}

Frame MakeQuery(uint8_t queryCode) {
  Frame f;
  f.length = kShortFrameLength;
  f[kFrameCommand] = queryCode;
  return f;
}

int LimitDpiCount(int count) { return std::clamp(count, 1, kMaxDpiLevels); }

int LimitDpiIndex(int index, int count) {
  return index >= 0 && index < LimitDpiCount(count) ? index : 0;
}

Frame BuildReportRateFrame(int reportRate) {
  Frame f = MakeFrame(cmd::kReportRate, kLongFrameLength, kSinglePart, 1);
  f[5] = Low(reportRate);  // report-rate code: 1 = 1000 Hz, 2 = 500 Hz, 4, 8, 16, 32, 64
  return f;
}

Frame BuildDpiLevelsFrame(const DpiLevels& levels, int sensorCode, const DpiRange& range) {
  // Byte 4 is 0x25 on every model, not the data length; the mice expect it so.
  Frame f = MakeFrame(cmd::kDpiLevels, kShortFrameLength, kSinglePart, 0x25);
  const int count = LimitDpiCount(levels.count);
  const int index = LimitDpiIndex(levels.index, count);
  f[5] = static_cast<uint8_t>(index * 16 + count);  // current level high, level count low
  for (int n = 0; n < kMaxDpiLevels; ++n) {
    const uint16_t code = DpiToCode(sensorCode, LimitDpi(levels.values[n], range));
    const size_t at = 6 + 4 * n;  // each level's code twice, low byte first
    f[at] = f[at + 2] = Low(code);
    f[at + 1] = f[at + 3] = Low(code >> 8);
  }
  return f;
}

Frame BuildDpiColorsFrame(const std::array<int, kMaxDpiLevels>& colors) {
  Frame f = MakeFrame(cmd::kDpiColors, kLongFrameLength, kSinglePart, 18);
  for (int n = 0; n < kMaxDpiLevels; ++n) PutColor(f, 5 + 3 * n, colors[n]);
  return f;
}

Frame BuildLiftOffFrame(int liftoffHeight, int sensorFlag) {
  Frame f = MakeFrame(cmd::kLiftOff, kLongFrameLength, kSinglePart, 5);
  f[5] = Low(liftoffHeight);              // 1: 1.0 mm, 2: 2.0 mm
  f[6] = (sensorFlag & 0x08) ? 1 : 0;     // second sensor option
  f[7] = (sensorFlag & 0x04) ? 1 : 0;     // first sensor option
  return f;                               // bytes 8 and 9 stay 0
}

Frame BuildPowerFrame(const PowerSettings& power) {
  Frame f = MakeFrame(cmd::kPower, kLongFrameLength, kSinglePart, 4);
  f[5] = Low(power.sleepLight);         // sleep time in units of 10 s
  f[6] = Low(power.moveWakeup);         // wake on movement
  f[7] = Low(power.moveCloseLight);     // lights off while moving
  f[8] = Low(power.buttonRespondTime);  // button response time
  return f;
}

Frame BuildFactoryResetFrame() {
  Frame f = MakeFrame(cmd::kFactoryReset, kShortFrameLength, kSinglePart, 1);
  f[5] = 0xFF;
  return f;
}

Frame BuildLightControlFrame() {
  Frame f = MakeFrame(cmd::kLightControl, kShortFrameLength, kSinglePart, 4);
  f[5] = 0x42;  // bytes 6-8 stay 0
  return f;
}

int ReportRateMarker(uint8_t capability) {
  switch (capability) {
    case 0x10: return 5;
    case 0x20: return 6;
    case 0x40: return 7;
    default: return 4;
  }
}

std::optional<DeviceInfoReply> ParseDeviceInfo(const uint8_t* reply, size_t length) {
  if (!Holds(reply, length, cmd::kDeviceInfo, 10)) return std::nullopt;
  DeviceInfoReply r;
  r.identifier = reply[5] * 256 + reply[4];
  r.sensorCode = reply[6];
  r.reportRateMarker = ReportRateMarker(reply[7]);
  r.charging = reply[8];
  r.battery = reply[9];
  r.link = reply[10];
  return r;
}

std::optional<int> ParseReportRate(const uint8_t* reply, size_t length) {
  if (!Holds(reply, length, cmd::kQueryReportRate, 4)) return std::nullopt;
  return reply[4];
}

std::optional<DpiLevelsReply> ParseDpiLevels(const uint8_t* reply, size_t length,
                                             int sensorCode) {
  if (!Holds(reply, length, cmd::kQueryDpiLevels, 26)) return std::nullopt;
  DpiLevelsReply r;
  r.count = reply[4] & 0x0F;
  r.index = reply[4] >> 4;
  if (r.count < 1 || r.count > kMaxDpiLevels || r.index >= r.count) return std::nullopt;
  // Level 1 is taken from the second copy of its code; the others from their first copy.
  static constexpr size_t kCodeAt[kMaxDpiLevels] = {7, 9, 13, 17, 21, 25};
  for (int n = 0; n < kMaxDpiLevels; ++n) {
    const uint16_t code = static_cast<uint16_t>(reply[kCodeAt[n]] | reply[kCodeAt[n] + 1] << 8);
    const int dpi = CodeToDpi(sensorCode, code);
    if (dpi >= 50) r.values[n] = dpi;
  }
  return r;
}

std::optional<std::array<int, kMaxDpiLevels>> ParseDpiColors(const uint8_t* reply,
                                                             size_t length) {
  if (!Holds(reply, length, cmd::kQueryDpiColors, 4 + 3 * kMaxDpiLevels - 1)) return std::nullopt;
  std::array<int, kMaxDpiLevels> colors{};
  for (int n = 0; n < kMaxDpiLevels; ++n) colors[n] = ReadColor(reply + 4 + 3 * n);
  return colors;
}

std::optional<LiftOffReply> ParseLiftOff(const uint8_t* reply, size_t length) {
  if (!Holds(reply, length, cmd::kQueryLiftOff, 6)) return std::nullopt;
  LiftOffReply r;
  r.liftoffHeight = reply[4];
  r.sensorFlag = (reply[6] == 1 ? 4 : 0) + (reply[5] == 1 ? 8 : 0);
  return r;
}

std::optional<PowerSettings> ParsePower(const uint8_t* reply, size_t length) {
  if (!Holds(reply, length, cmd::kQueryPower, 7)) return std::nullopt;
  return PowerSettings{reply[4], reply[5], reply[6], reply[7]};
}

std::optional<LightStateReply> ParseLightState(const uint8_t* reply, size_t length) {
  if (!Holds(reply, length, cmd::kQueryLighting, 5)) return std::nullopt;
  return LightStateReply{reply[4], reply[5] >> 4, reply[5] & 0x0F};
}

std::optional<std::string> ParseReceiverVersion(const uint8_t* reply, size_t length) {
  if (!Holds(reply, length, cmd::kQueryReceiverVersion, 5)) return std::nullopt;
  char text[8];
  std::snprintf(text, sizeof text, "%X%02X", reply[4], reply[5]);
  return std::string(text);
}

}  // namespace tavrick
