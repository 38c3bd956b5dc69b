#pragma once
// Builds ZIP archives byte by byte for tests, benchmarks and fuzz seeds, including broken
// ones. Independent of the reader under test; deflate comes from zlib.
#include <cstdint>
#include <string>
#include <vector>

namespace tavrick::test {

struct ZipEntrySpec {
  std::string name;
  std::string data;
  uint16_t method = 8;          // 0 stored, 8 deflate
  uint16_t made_by = 0x0014;    // high byte: host (0 MS-DOS, 3 Unix)
  uint32_t external = 0x20;     // external attributes
  uint16_t dos_date = (40 << 9) | (5 << 5) | 17;  // 2020-05-17
  uint16_t dos_time = (10 << 11) | (20 << 5) | 15;  // 10:20:30
  std::string local_extra;
  bool encrypt = false;         // traditional encryption with the empty password
  bool data_descriptor = false; // general-purpose bit 3, sizes after the data
  // Faults.
  bool wrong_crc = false;         // central and local CRC-32 do not match the data
  bool wrong_local_signature = false;
  int64_t declared_size = -1;     // overrides the uncompressed size in both headers
  size_t truncate_data = 0;       // drops this many bytes off the end of the stored data
};

class ZipBuilder {
 public:
  ZipBuilder& Add(ZipEntrySpec spec);
  ZipBuilder& AddFile(const std::string& name, const std::string& data, uint16_t method = 8);
  ZipBuilder& AddFolder(const std::string& name);
  // The archive; `prefix` goes in front of it (an archive appended to another file).
  std::string Build(const std::string& comment = {}, const std::string& prefix = {}) const;

  // An "UT" extended-timestamp block with the given flags and times.
  static std::string UtExtra(uint8_t flags, uint32_t mtime, uint32_t atime = 0,
                             uint32_t ctime = 0);
  // Unix-made entry attributes for a mode such as 0100644 or 0120777.
  static uint32_t UnixExternal(uint32_t mode) { return mode << 16; }

 private:
  std::vector<ZipEntrySpec> entries_;
};

std::string RawDeflate(const std::string& data, int level = 6);

}  // namespace tavrick::test
