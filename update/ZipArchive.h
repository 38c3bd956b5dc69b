#pragma once
// Extraction of the update packages (ZIP archives: stored or raw-deflate entries). The
// reader is ours, over zlib's inflate and CRC-32, so that the name rules, the checks and the
// result codes below hold exactly; nothing is loaded whole into memory.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavrick {

// Result codes (0 = success). The last result of every reader operation is also kept in a
// process-wide value (ZipLastError).
inline constexpr uint32_t kZipOk = 0;
inline constexpr uint32_t kZipOpenError = 0x00000200;      // archive or output not opened
inline constexpr uint32_t kZipWriteError = 0x00000400;     // writing the output failed
inline constexpr uint32_t kZipBadHeader = 0x00000700;      // headers, sizes or CRC-32 wrong
inline constexpr uint32_t kZipReadError = 0x00000800;      // reading the archive failed
inline constexpr uint32_t kZipUnsafeEntry = 0x00000900;    // name or link refused
inline constexpr uint32_t kZipBadPassword = 0x00001000;    // encryption check byte wrong
inline constexpr uint32_t kZipBadArgs = 0x00010000;        // entry out of range, no handle
inline constexpr uint32_t kZipNotForReading = 0x00080000;  // handle not opened for reading
inline constexpr uint32_t kZipInflateError = 0x05000000;   // the decompressor failed

// File attributes as the archive's makers know them.
inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrHidden = 0x02;
inline constexpr uint32_t kAttrSystem = 0x04;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;

struct ArchiveEntry {
  int index = -1;        // for the query of -1: the number of entries
  std::string name;      // safe relative name ("/" separated); empty when refused
  bool safe = false;     // false: the name or the entry type is refused
  bool is_link = false;  // a symbolic-link entry (never extracted)
  uint32_t attributes = 0;
  // Times as 100-ns intervals since 1601-01-01 UTC.
  int64_t access_time = 0;
  int64_t creation_time = 0;
  int64_t modification_time = 0;
  uint32_t compressed_size = 0;
  uint32_t uncompressed_size = 0;
  uint32_t crc32 = 0;
};

// What happened to each entry of one extraction.
struct ExtractedEntry {
  std::string name;  // the safe name, or the raw one when refused
  uint32_t result = 0;
  uint64_t size = 0;  // bytes written (files only)
  bool directory = false;
};

struct ExtractReport {
  std::vector<ExtractedEntry> entries;
  // The entry extracted under this safe name with result 0, or null.
  const ExtractedEntry* Extracted(std::string_view name) const;
  bool AllExtracted() const;
};

// Unpacks the whole archive below `target_folder` (created when missing). False only when
// the archive cannot be opened; entries that fail are skipped (and leave no file behind).
bool ExtractArchive(const std::string& archive_path, const std::string& target_folder,
                    ExtractReport* report = nullptr);

uint32_t ZipLastError();

// The name rules, for the reader and for tests: strips drive prefixes, roots and "." steps,
// cuts at earlier parent steps as the packages' makers expect, and refuses (returns false)
// any name that still has a ".." step, is empty, or is 260 bytes or longer. Both "\" and "/"
// separate. `directory` tells whether the raw name ended with a separator.
bool MakeSafeEntryName(std::string_view raw, std::string& safe, bool* directory = nullptr);

// The archive handle. One entry is read at a time.
class ZipReader {
 public:
  ZipReader() = default;
  ~ZipReader() {
    if (fd_ >= 0) Close();
  }
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  bool Open(const std::string& path);
  // Takes ownership of an open, seekable descriptor.
  bool OpenDescriptor(int fd);
  void SetTargetFolder(const std::string& folder);
  uint32_t ReadEntry(int index, ArchiveEntry& entry);
  // Extracts entry `index`; `written` gets the bytes written for a file.
  uint32_t ExtractEntry(int index, uint64_t* written = nullptr);
  uint32_t Close();

  int entry_count() const { return entry_count_; }
  int64_t archive_offset() const { return archive_offset_; }

 private:
  bool FindEndRecord();
  uint32_t ReadCentralHeader();
  uint32_t Result(uint32_t code);
  bool ReadAt(int64_t pos, void* buf, size_t n);
  uint32_t WriteFile(const ArchiveEntry& entry, int64_t data_start, uint16_t flags,
                     uint16_t method, uint16_t dos_time, uint64_t* written);

  int fd_ = -1;
  int mode_ = 0;  // 1 while opened for reading
  int64_t file_size_ = 0;
  int64_t archive_offset_ = 0;
  int64_t central_offset_ = 0;
  int64_t central_size_ = 0;
  int entry_count_ = 0;
  std::string base_folder_;
  bool base_ready_ = false;
  std::string ready_folder_;  // below the base, known to be real folders

  // The current central header.
  int current_ = 0;
  int64_t current_pos_ = 0;
  struct Central {
    uint16_t made_by, flags, method, dos_time, dos_date, name_len, extra_len, comment_len;
    uint32_t crc, csize, usize, external;
    uint32_t local_offset;
    std::string raw_name;
  } central_{};

  int last_index_ = -1;
  ArchiveEntry last_entry_;
  int64_t last_data_start_ = 0;
  uint16_t last_local_flags_ = 0;
  std::vector<unsigned char> buffer_;
};

}  // namespace tavrick
