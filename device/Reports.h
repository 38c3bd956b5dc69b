#pragma once
// The settings reports: one 33- or 65-byte frame per command, written behind report id 0x00,
// so frame byte n + 1 is device byte n. Replies are read without the report id. The builders
// below fill every byte but the checksum (byte 32), which the transport adds; the parsers
// take a reply and its length and give nothing unless the reply is long enough and its
// byte 0 names the query that was sent.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tavrick {

inline constexpr size_t kShortFrameLength = 33;
inline constexpr size_t kLongFrameLength = 65;
inline constexpr size_t kFrameChecksum = 32;
inline constexpr size_t kFrameData = 5;  // first data byte of a frame

// Frame header bytes.
inline constexpr size_t kFrameCommand = 1;
inline constexpr size_t kFrameStatus = 2;
inline constexpr size_t kFramePart = 3;    // high nibble: index of the part, low: part count
inline constexpr size_t kFrameLength = 4;  // length of the data (by convention, see DPI)
inline constexpr uint8_t kSinglePart = 0x01;

// Command codes (device byte 0). A query is its write code plus 0x10.
namespace cmd {
inline constexpr uint8_t kReportRate = 0x02;
inline constexpr uint8_t kDpiLevels = 0x03;
inline constexpr uint8_t kDpiColors = 0x04;
inline constexpr uint8_t kLighting = 0x05;
inline constexpr uint8_t kLiftOff = 0x06;
inline constexpr uint8_t kPower = 0x07;
inline constexpr uint8_t kMacro = 0x08;
inline constexpr uint8_t kButtons = 0x09;
inline constexpr uint8_t kLightControl = 0x0E;
inline constexpr uint8_t kFactoryReset = 0x0F;
inline constexpr uint8_t kDeviceInfo = 0x10;
inline constexpr uint8_t kQuery11 = 0x11;
inline constexpr uint8_t kQueryReportRate = 0x12;
inline constexpr uint8_t kQueryDpiLevels = 0x13;
inline constexpr uint8_t kQueryDpiColors = 0x14;
inline constexpr uint8_t kQueryLighting = 0x15;
inline constexpr uint8_t kQueryLiftOff = 0x16;
inline constexpr uint8_t kQueryPower = 0x17;
inline constexpr uint8_t kQueryReceiverVersion = 0x20;
}  // namespace cmd

// One frame; only the first `length` bytes are written.
struct Frame {
  std::array<uint8_t, kLongFrameLength> bytes{};
  size_t length = kShortFrameLength;

  uint8_t* data() { return bytes.data(); }
  const uint8_t* data() const { return bytes.data(); }
  uint8_t& operator[](size_t i) { return bytes[i]; }
  uint8_t operator[](size_t i) const { return bytes[i]; }
};
static_assert(kFrameChecksum < kShortFrameLength);

// A frame with report id 0, the command, status 0 and the part and length bytes set.
Frame MakeFrame(uint8_t command, size_t length, uint8_t part, uint8_t dataLength);

// A query: only the command code set, 33 bytes.
Frame MakeQuery(uint8_t queryCode);

inline constexpr int kMaxDpiLevels = 6;

struct DpiLevels {
  int count = 6;  // levels in use
  int index = 0;  // current level, 0-based
  std::array<int, kMaxDpiLevels> values{};
};

// Clamps as the frame's nibbles require: count 1-6, index 0..count-1, else 0.
int LimitDpiCount(int count);
int LimitDpiIndex(int index, int count);

struct DpiRange;

Frame BuildReportRateFrame(int reportRate);
Frame BuildDpiLevelsFrame(const DpiLevels& levels, int sensorCode, const DpiRange& range);
// Colours are stored red + green × 256 + blue × 65536.
Frame BuildDpiColorsFrame(const std::array<int, kMaxDpiLevels>& colors);
Frame BuildLiftOffFrame(int liftoffHeight, int sensorFlag);

struct PowerSettings {
  int sleepLight = 0;
  int moveWakeup = 0;
  int moveCloseLight = 0;
  int buttonRespondTime = 0;
};
Frame BuildPowerFrame(const PowerSettings& power);
Frame BuildFactoryResetFrame();
Frame BuildLightControlFrame();

// The report-rate capability marker of the device-information reply: the fastest rate
// (4: 1000 Hz, 5: 2000 Hz, 6: 4000 Hz, 7: 8000 Hz).
int ReportRateMarker(uint8_t capability);

struct DeviceInfoReply {
  int identifier = 0;  // 16-bit identifier word
  int sensorCode = 0;
  int reportRateMarker = 4;
  int charging = 0;
  int battery = 0;
  int link = 0;
};

std::optional<DeviceInfoReply> ParseDeviceInfo(const uint8_t* reply, size_t length);
std::optional<int> ParseReportRate(const uint8_t* reply, size_t length);

struct DpiLevelsReply {
  int count = 0;
  int index = 0;
  // Levels whose converted value is below 50 are left out.
  std::array<std::optional<int>, kMaxDpiLevels> values{};
};
// Nothing when the count is not 1-6 or the index not below it.
std::optional<DpiLevelsReply> ParseDpiLevels(const uint8_t* reply, size_t length, int sensorCode);
std::optional<std::array<int, kMaxDpiLevels>> ParseDpiColors(const uint8_t* reply, size_t length);

struct LiftOffReply {
  int liftoffHeight = 0;
  int sensorFlag = 0;
};
std::optional<LiftOffReply> ParseLiftOff(const uint8_t* reply, size_t length);
std::optional<PowerSettings> ParsePower(const uint8_t* reply, size_t length);

struct LightStateReply {
  int mode = 0;
  int brightness = 0;
  int speed = 0;
};
std::optional<LightStateReply> ParseLightState(const uint8_t* reply, size_t length);

// The receiver's firmware version text ("%X%02X" of reply bytes 4 and 5).
std::optional<std::string> ParseReceiverVersion(const uint8_t* reply, size_t length);

}  // namespace tavrick
