#pragma once
// The bootloader's reports (usage page 0xFFEF, report id 0x05, 64 bytes with the id): the
// enter and leave reports and the data reports of up to three 20-byte blocks. Bytes not
// named are 0xFF.
//
//   control: 05 02 cc 00 aa FF…   enter cc=02 aa=01, leave cc=06 aa=02
//   data:    05 02 ll 00 [block][block][block]   ll = 20 × blocks present (3C, 28, 14)
//   block:   number (low 16 bits, LE) · 16 image bytes (0xFF fill) · CRC of the 18 (LE)
#include <array>
#include <cstddef>
#include <cstdint>

namespace tavrick {

inline constexpr size_t kBootloaderReportSize = 64;
inline constexpr uint8_t kBootloaderReportId = 0x05;
inline constexpr size_t kFirmwareBlockData = 16;
inline constexpr size_t kFirmwarePacketData = 3 * kFirmwareBlockData;

using BootloaderReport = std::array<uint8_t, kBootloaderReportSize>;

// CRC-16/MODBUS: reflected polynomial 0xA001, initial 0xFFFF, no final XOR.
// "123456789" gives 0x4B37.
uint16_t FirmwareBlockCrc(const uint8_t* bytes, size_t length = 18);

BootloaderReport EnterBootloaderReport();
BootloaderReport LeaveBootloaderReport();

// The data report for the packet whose first block is number `block` and starts at image
// byte `offset`. Returns the number of image bytes it carries (0 when offset is at or past
// the end, with no block present).
size_t BuildFirmwarePacket(const uint8_t* image, uint64_t size, uint64_t offset,
                           uint32_t block, BootloaderReport& report);

}  // namespace tavrick
