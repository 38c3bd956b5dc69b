#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device/FirmwarePackets.h"

namespace tavrick {
namespace {

std::vector<uint8_t> Image(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i + 1);
  return v;
}

// The usual byte-wise form of CRC-16/MODBUS, to check the blocks independently.
uint16_t ReferenceCrc(const uint8_t* p, size_t n) {
  uint16_t crc = 0xFFFF;
  while (n--) {
    crc ^= *p++;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
  }
  return crc;
}

TEST(FirmwarePacketsTest, BlockCrc) {
  const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(FirmwareBlockCrc(check, 9), 0x4B37);
  uint8_t block[18];
  std::fill(block, block + 18, 0xFF);
  block[0] = block[1] = 0;
  EXPECT_EQ(FirmwareBlockCrc(block), 0x9431);
}

TEST(FirmwarePacketsTest, ControlReports) {
  BootloaderReport enter = EnterBootloaderReport();
  BootloaderReport leave = LeaveBootloaderReport();
  const uint8_t enter_head[] = {0x05, 0x02, 0x02, 0x00, 0x01};
  const uint8_t leave_head[] = {0x05, 0x02, 0x06, 0x00, 0x02};
  for (size_t i = 0; i < 64; ++i) {
    EXPECT_EQ(enter[i], i < 5 ? enter_head[i] : 0xFF) << i;
    EXPECT_EQ(leave[i], i < 5 ? leave_head[i] : 0xFF) << i;
  }
}

// Length byte, and per block position: the block number and how many image bytes it holds
// (the rest of its 16 is 0xFF, absent blocks are all 0xFF).
TEST(FirmwarePacketsTest, LastPacketShapes) {
  struct Case {
    size_t size;
    uint64_t offset;
    uint32_t block;
    uint8_t length;
    std::vector<size_t> bytes_per_block;
  } cases[] = {
      {40, 0, 0, 0x3C, {16, 16, 8}}, {20, 0, 0, 0x28, {16, 4}}, {32, 0, 0, 0x28, {16, 16}},
      {16, 0, 0, 0x14, {16}},        {100, 96, 6, 0x14, {4}},   {96, 48, 3, 0x3C, {16, 16, 16}},
      {47, 0, 0, 0x3C, {16, 16, 15}}, {1, 0, 0, 0x14, {1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.size) + " at " + std::to_string(c.offset));
    std::vector<uint8_t> image = Image(c.size);
    BootloaderReport r;
    size_t carried = BuildFirmwarePacket(image.data(), image.size(), c.offset, c.block, r);
    size_t expect_carried = 0;
    for (size_t n : c.bytes_per_block) expect_carried += n;
    EXPECT_EQ(carried, expect_carried);
    EXPECT_EQ(r[0], 0x05);
    EXPECT_EQ(r[1], 0x02);
    EXPECT_EQ(r[2], c.length);
    EXPECT_EQ(r[3], 0x00);
    for (size_t b = 0; b < 3; ++b) {
      const uint8_t* blk = &r[4 + 20 * b];
      if (b >= c.bytes_per_block.size()) {
        for (size_t k = 0; k < 20; ++k) EXPECT_EQ(blk[k], 0xFF) << "absent block " << b;
        continue;
      }
      uint32_t number = c.block + static_cast<uint32_t>(b);
      EXPECT_EQ(blk[0], number & 0xFF);
      EXPECT_EQ(blk[1], number >> 8);
      for (size_t k = 0; k < 16; ++k) {
        uint8_t expect = k < c.bytes_per_block[b]
                             ? static_cast<uint8_t>(c.offset + 16 * b + k + 1)
                             : 0xFF;
        EXPECT_EQ(blk[2 + k], expect) << "block " << b << " byte " << k;
      }
      uint16_t crc = ReferenceCrc(blk, 18);
      EXPECT_EQ(blk[18], crc & 0xFF);
      EXPECT_EQ(blk[19], crc >> 8);
    }
  }
}

TEST(FirmwarePacketsTest, BlockNumbersWrap) {
  std::vector<uint8_t> image = Image(48);
  BootloaderReport r;
  BuildFirmwarePacket(image.data(), image.size(), 0, 65535, r);
  EXPECT_EQ(r[4], 0xFF);
  EXPECT_EQ(r[5], 0xFF);  // 65535
  EXPECT_EQ(r[24], 0x00);
  EXPECT_EQ(r[25], 0x00);  // 65536 → 0
  EXPECT_EQ(r[44], 0x01);
  EXPECT_EQ(r[45], 0x00);
  // Nothing left: no block.
  EXPECT_EQ(BuildFirmwarePacket(image.data(), image.size(), 48, 3, r), 0u);
}

}  // namespace
}  // namespace tavrick
