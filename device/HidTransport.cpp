#include "device/HidTransport.h"

#include <algorithm>
#include <cstring>

namespace tavrick {

InterfaceClass ClassifyUsage(uint16_t usage_page, uint16_t usage) {
  if ((usage_page == kSettingsPageGeneric && usage == kSettingsUsageGeneric) ||
      (usage_page == kSettingsPageVendor && usage == kSettingsUsageVendor)) {
    return InterfaceClass::Settings;
  }
  if (usage_page == kBootloaderUsagePage && usage == kBootloaderUsage) return InterfaceClass::Bootloader;
  return InterfaceClass::Other;
}

uint8_t FrameChecksum(const uint8_t* frame) {
  unsigned sum = 0;
  for (size_t i = 5; i <= 31; ++i) sum += frame[i];
  return static_cast<uint8_t>(sum);
}

bool IsNotification(const uint8_t* report, size_t length) {
  return length > 0 && (report[0] == kNotifyLink || report[0] == kNotifyDpi);
}

namespace {

// Reads until the reply to `code` with status 0 arrives; returns its length or 0.
size_t AwaitReply(HidDevice& device, uint8_t code, uint8_t* reply, size_t length, const NotificationSink& sink) {
  for (int attempt = 0; attempt < kAckReads; ++attempt) {
    std::fill(reply, reply + length, 0);
    const int n = device.Read(reply, length, kAckReadTimeoutMs);
    if (n <= 0) continue;
    const size_t got = std::min(static_cast<size_t>(n), length);
    if (reply[0] != code) {
      // Not ours: a notification is handed on, a late reply to an earlier command dropped.
      if (IsNotification(reply, got) && sink) sink(reply, got);
      continue;
    }
    if (got >= 2 && reply[1] == 0) return got;
  }
  return 0;
}

}  // namespace

bool ExchangeCommand(HidDevice& device, uint8_t* frame, size_t length, size_t* reply_length,
                     const NotificationSink& sink) {
  if (reply_length) *reply_length = 0;
  if (!frame || (length != kShortFrame && length != kLongFrame)) return false;
  frame[kChecksumByte] = FrameChecksum(frame);
  std::vector<uint8_t> work(frame, frame + length);
  if (device.Write(work.data(), length) < 1) return false;
  std::vector<uint8_t> reply(length);
  const size_t got = AwaitReply(device, frame[1], reply.data(), length, sink);
  if (got == 0) return false;
  std::copy(reply.begin(), reply.begin() + got, frame);
  if (reply_length) *reply_length = got;
  return true;
}

bool QueryDeviceInfoOn(HidDevice& device, uint8_t* info, const NotificationSink& sink) {
  if (!info) return false;
  std::fill(info, info + kInfoBufferSize, 0);
  uint8_t query[kShortFrame] = {};
  query[1] = kDeviceInfoCommand;
  query[kChecksumByte] = FrameChecksum(query);
  if (device.Write(query, kShortFrame) < 1) return false;
  uint8_t reply[kShortFrame];
  const size_t got = AwaitReply(device, kDeviceInfoCommand, reply, kShortFrame, sink);
  // A reply too short to carry the device id is no device information.
  if (got < kInfoMinimumReply) return false;
  std::copy(reply, reply + got, info);
  return true;
}

bool TopLevelUsage(const uint8_t* d, size_t length, uint16_t* usage_page, uint16_t* usage) {
  uint32_t page = 0;
  bool have_usage = false;
  uint32_t first_usage = 0;
  size_t first_usage_size = 0;
  int depth = 0;
  size_t i = 0;
  while (i < length) {
    const uint8_t prefix = d[i++];
    if (prefix == 0xFE) {  // long item: size byte, tag byte, data
      if (i + 2 > length) return false;
      const size_t size = d[i];
      i += 2 + size;
      continue;
    }
    static const size_t kSizes[4] = {0, 1, 2, 4};
    const size_t size = kSizes[prefix & 0x03];
    if (i + size > length) return false;
    uint32_t value = 0;
    for (size_t b = 0; b < size; ++b) value |= static_cast<uint32_t>(d[i + b]) << (8 * b);
    i += size;
    const int type = (prefix >> 2) & 0x03;
    const int tag = prefix >> 4;
    if (type == 1 && tag == 0) {         // global: usage page
      page = value;
    } else if (type == 2 && tag == 0) {  // local: usage; four bytes carry their own page
      if (!have_usage) {
        first_usage = value;
        first_usage_size = size;
        have_usage = true;
      }
    } else if (type == 0) {
      if (tag == 0x0A) {                 // collection
        if (depth == 0 && value == 0x01) {
          uint32_t u = first_usage;
          uint32_t p = page;
          if (first_usage_size == 4) {
            p = u >> 16;
            u &= 0xFFFF;
          }
          *usage_page = static_cast<uint16_t>(p);
          *usage = static_cast<uint16_t>(u);
          return true;
        }
        ++depth;
      } else if (tag == 0x0C) {          // end collection
        if (depth > 0) --depth;
      }
      have_usage = false;                // main items end the local state
      first_usage = 0;
    }
  }
  return false;
}

bool IsSettingsInterface(HidBackend& backend, const std::string& path) {
  std::vector<uint8_t> descriptor;
  if (!backend.ReadReportDescriptor(path, &descriptor)) return false;
  uint16_t page = 0, usage = 0;
  if (!TopLevelUsage(descriptor.data(), descriptor.size(), &page, &usage)) return false;
  return ClassifyUsage(page, usage) == InterfaceClass::Settings;
}

std::unique_ptr<HidDevice> OpenBootloader(HidBackend& backend, uint16_t vendor_id, uint16_t product_id) {
  for (const auto& info : backend.Enumerate()) {
    if (info.vendor_id != vendor_id || info.product_id != product_id) continue;
    if (ClassifyUsage(info.usage_page, info.usage) != InterfaceClass::Bootloader) continue;
    if (auto device = backend.Open(info.path)) return device;
  }
  return nullptr;
}

}  // namespace tavrick
