#include "device/FirmwarePackets.h"

#include <algorithm>

namespace tavrick {
namespace {

constexpr size_t kBlockSize = 20;

BootloaderReport ControlReport(uint8_t command, uint8_t argument) {
  BootloaderReport r;
  r.fill(0xFF);
  r[0] = kBootloaderReportId;
  r[1] = 0x02;
  r[2] = command;
  r[3] = 0x00;
  r[4] = argument;
  return r;
}

}  // namespace

uint16_t FirmwareBlockCrc(const uint8_t* bytes, size_t length) {
  uint16_t crc = 0xFFFF;
  for (size_t i = 0; i < length; ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      bool mix = ((bytes[i] >> bit) ^ crc) & 1;
      crc = static_cast<uint16_t>(crc >> 1);
      if (mix) crc ^= 0xA001;
    }
  }
  return crc;
}

BootloaderReport EnterBootloaderReport() { return ControlReport(0x02, 0x01); }
BootloaderReport LeaveBootloaderReport() { return ControlReport(0x06, 0x02); }

size_t BuildFirmwarePacket(const uint8_t* image, uint64_t size, uint64_t offset,
                           uint32_t block, BootloaderReport& report) {
  report.fill(0xFF);
  report[0] = kBootloaderReportId;
  report[1] = 0x02;
  report[3] = 0x00;
  if (offset >= size) {
    report[2] = 0;
    return 0;
  }
  size_t carried = static_cast<size_t>(std::min<uint64_t>(size - offset, kFirmwarePacketData));
  size_t blocks = (carried + kFirmwareBlockData - 1) / kFirmwareBlockData;
  report[2] = static_cast<uint8_t>(20 * blocks);
  for (size_t i = 0; i < blocks; ++i) {
    uint8_t* b = &report[4 + i * kBlockSize];
    uint32_t number = block + static_cast<uint32_t>(i);
    b[0] = static_cast<uint8_t>(number & 0xFF);
    b[1] = static_cast<uint8_t>((number >> 8) & 0xFF);
    size_t start = i * kFirmwareBlockData;
    size_t n = std::min(kFirmwareBlockData, carried - start);
    std::copy_n(image + offset + start, n, b + 2);
    uint16_t crc = FirmwareBlockCrc(b, 18);
    b[18] = static_cast<uint8_t>(crc & 0xFF);
    b[19] = static_cast<uint8_t>(crc >> 8);
  }
  return carried;
}

}  // namespace tavrick
