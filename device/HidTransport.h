#pragma once
// The HID transport: frames and checksum, the acknowledged command exchange, the
// device-information exchange, interface classification and the bootloader search.
//
// Frames written to a settings interface: byte 0 report id 0x00, byte 1 command code,
// bytes 2-4 header, bytes 5-31 parameters, byte 32 checksum (sum of bytes 5-31 modulo 256),
// bytes 33-64 (long frames only) further parameters outside the checksum. Replies come
// without the report id: byte 0 the command code, byte 1 the status (0 = accepted), data
// from byte 4.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/HidBackend.h"

namespace tavrick {

constexpr size_t kShortFrame = 33;
constexpr size_t kLongFrame = 65;
constexpr size_t kInfoBufferSize = 65;
constexpr size_t kChecksumByte = 32;
constexpr int kAckReadTimeoutMs = 30;
constexpr int kAckReads = 50;
constexpr int kCurrentDeviceReadTimeoutMs = 100;
constexpr int kReceiverReadTimeoutMs = 10;
constexpr size_t kCurrentDeviceReadLength = 65;
constexpr size_t kReceiverReadLength = 33;

constexpr uint8_t kDeviceInfoCommand = 0x10;
constexpr uint8_t kNotifyLink = 0xC0;  // [link, battery, charging]
constexpr uint8_t kNotifyDpi = 0xC2;   // [index << 4 | count]

// Device-information reply bytes.
constexpr size_t kInfoDeviceId = 4;    // four bytes: identifier word (4-5), sensor (6), rate capability (7)
constexpr size_t kInfoCharging = 8;
constexpr size_t kInfoBattery = 9;
constexpr size_t kInfoLink = 10;
constexpr size_t kInfoMinimumReply = 8;  // a reply must at least carry the device id

// Collections by usage page and usage.
constexpr uint16_t kSettingsPageVendor = 0xFF01;
constexpr uint16_t kSettingsUsageVendor = 0x0010;
constexpr uint16_t kSettingsPageGeneric = 0x0001;
constexpr uint16_t kSettingsUsageGeneric = 0x0000;
constexpr uint16_t kBootloaderUsagePage = 0xFFEF;
constexpr uint16_t kBootloaderUsage = 0x0000;

enum class InterfaceClass { Other, Settings, Bootloader };
InterfaceClass ClassifyUsage(uint16_t usage_page, uint16_t usage);

// Sum of frame bytes 5-31 modulo 256; the frame must hold at least 33 bytes.
uint8_t FrameChecksum(const uint8_t* frame);

// A report that arrived unasked (0xC0 link and battery, 0xC2 DPI level).
bool IsNotification(const uint8_t* report, size_t length);

// Receives notifications read while a command waits for its reply.
using NotificationSink = std::function<void(const uint8_t* report, size_t length)>;

// The acknowledged exchange on one open interface. length is 33 or 65 (anything else:
// false, nothing written). Stores the checksum in frame[32], writes the frame once, then
// reads up to 50 times (30 ms each) until a reply whose byte 0 is the command code and whose
// byte 1 is 0 arrives. Notifications read meanwhile go to sink; late replies to earlier
// commands and replies with a non-zero status count as failed attempts.
// On success the reply's bytes lie over the start of frame (the command bytes it did not
// cover stay) and *reply_length (when given) is the number of bytes the reply had; callers
// take a value only from a reply long enough to hold it. On failure frame keeps the command
// with its checksum and *reply_length is 0.
bool ExchangeCommand(HidDevice& device, uint8_t* frame, size_t length, size_t* reply_length = nullptr,
                     const NotificationSink& sink = {});

// The device-information exchange: a 33-byte 0x10 query, acknowledged like a command.
// info must hold 65 bytes; it is zeroed, and on success receives the reply (at least the
// device id's bytes 4-7). A reply shorter than 8 bytes does not count.
bool QueryDeviceInfoOn(HidDevice& device, uint8_t* info, const NotificationSink& sink = {});

// The usage page and usage of the first top-level (application) collection of a report
// descriptor; false when there is none or the descriptor is cut short.
bool TopLevelUsage(const uint8_t* descriptor, size_t length, uint16_t* usage_page, uint16_t* usage);

// True when the node at path is a settings interface by its report descriptor. Opens its
// own short-lived access; safe on any thread.
bool IsSettingsInterface(HidBackend& backend, const std::string& path);

// Walks the enumeration in order and returns the first bootloader collection
// (0xFFEF/0x0000) of the given ids that opens; null when none does.
std::unique_ptr<HidDevice> OpenBootloader(HidBackend& backend, uint16_t vendor_id, uint16_t product_id);

}  // namespace tavrick
