#include "update/ZipArchive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>

#include "base/Text.h"
#include "base/Trace.h"

namespace tavrick {
namespace {

std::atomic<uint32_t> g_last_error{0};

constexpr size_t kPiece = 0x4000;
constexpr size_t kNameBuffer = 260;
constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr int64_t kFileTimeUnixEpoch = 116444736000000000LL;

uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

int64_t UnixToFileTime(int64_t seconds) { return seconds * 10000000 + kFileTimeUnixEpoch; }

// MS-DOS date and time are local time.
int64_t DosToFileTime(uint16_t date, uint16_t time) {
  std::tm tm{};
  tm.tm_year = ((date >> 9) & 0x7F) + 80;
  tm.tm_mon = ((date >> 5) & 0x0F) - 1;
  tm.tm_mday = date & 0x1F;
  tm.tm_hour = (time >> 11) & 0x1F;
  tm.tm_min = (time >> 5) & 0x3F;
  tm.tm_sec = (time & 0x1F) * 2;
  tm.tm_isdst = -1;
  std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1)) t = 0;
  return UnixToFileTime(t);
}

timespec FileTimeToTimespec(int64_t ft) {
  int64_t rel = ft - kFileTimeUnixEpoch;
  int64_t sec = rel / 10000000;
  int64_t rest = rel % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --sec;
  }
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(sec);
  ts.tv_nsec = static_cast<long>(rest * 100);
  return ts;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Names that are not UTF-8 are taken as Latin-1, so every byte maps to one character.
std::string DecodeName(std::string_view raw) {
  if (base::IsValidUtf8(raw)) return std::string(raw);
  std::string out;
  for (unsigned char c : raw) base::AppendUtf8(out, c);
  return out;
}

// Traditional PKWARE decryption, keyed with the empty password.
class ZipCrypto {
 public:
  ZipCrypto() : table_(get_crc_table()) {}
  unsigned char Decrypt(unsigned char c) {
    unsigned temp = (k2_ | 2) & 0xFFFF;
    unsigned char plain = c ^ static_cast<unsigned char>((temp * (temp ^ 1)) >> 8);
    Update(plain);
    return plain;
  }

 private:
  uint32_t Crc(uint32_t crc, unsigned char c) {
    return static_cast<uint32_t>(table_[(crc ^ c) & 0xFF]) ^ (crc >> 8);
  }
  void Update(unsigned char c) {
    k0_ = Crc(k0_, c);
    k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
    k2_ = Crc(k2_, static_cast<unsigned char>(k1_ >> 24));
  }
  const z_crc_t* table_;
  uint32_t k0_ = 0x12345678, k1_ = 0x23456789, k2_ = 0x34567890;
};

// Creates every missing level of `path` (absolute or relative), refusing levels that exist
// as anything but a real folder.
bool MakeFolders(const std::string& path) {
  std::string sofar;
  size_t i = 0;
  while (i <= path.size()) {
    size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    sofar = path.substr(0, j);
    i = j + 1;
    if (sofar.empty()) continue;
    struct stat st;
    if (::stat(sofar.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) return false;
      continue;
    }
    if (::mkdir(sofar.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// The levels below the base folder come from the archive: none of them may be a link.
bool MakeEntryFolders(const std::string& base, const std::string& relative) {
  std::string path = base;
  size_t i = 0;
  while (i < relative.size()) {
    size_t j = relative.find('/', i);
    if (j == std::string::npos) j = relative.size();
    path += relative.substr(i, j - i);
    i = j + 1;
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) return false;
    } else if (::mkdir(path.c_str(), 0755) != 0) {
      if (errno != EEXIST || ::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    }
    path += '/';
  }
  return true;
}

}  // namespace

uint32_t ZipLastError() { return g_last_error.load(); }

bool MakeSafeEntryName(std::string_view raw, std::string& safe, bool* directory) {
  safe.clear();
  if (directory) *directory = false;
  size_t nul = raw.find('\0');
  if (nul != std::string_view::npos) raw = raw.substr(0, nul);
  if (raw.size() >= kNameBuffer) return false;
  std::string name = DecodeName(raw);
  if (directory) *directory = !name.empty() && IsSeparator(name.back());

  // The packages' makers rely on these rules: a drive or a root is dropped and everything up
  // to the last inner parent step is cut, so "..\..\x" and "a/../x" both give "x".
  for (;;) {
    if (name.size() >= 2 && name[1] == ':') {
      name.erase(0, 2);
      continue;
    }
    if (!name.empty() && IsSeparator(name[0])) {
      name.erase(0, 1);
      continue;
    }
    size_t cut = std::string::npos;
    for (const char* step : {"\\..\\", "\\../", "/../", "/..\\"}) {
      cut = name.find(step);
      if (cut != std::string::npos) break;
    }
    if (cut == std::string::npos) break;
    name.erase(0, cut + 4);
  }

  // What is left must be plain steps below the target: no roots, drives, "." or "..".
  std::string out;
  size_t i = 0;
  bool first = true;
  while (i <= name.size()) {
    size_t j = i;
    while (j < name.size() && !IsSeparator(name[j])) ++j;
    std::string step = name.substr(i, j - i);
    i = j + 1;
    if (first && step.size() == 2 && step[1] == ':') {
      first = false;
      continue;
    }
    first = false;
    if (step.empty() || step == ".") continue;
    if (step == "..") return false;
    if (!out.empty()) out += '/';
    out += step;
  }
  if (out.empty()) return false;
  safe = std::move(out);
  return true;
}

const ExtractedEntry* ExtractReport::Extracted(std::string_view name) const {
  for (const auto& e : entries)
    if (e.result == kZipOk && !e.directory && e.name == name) return &e;
  return nullptr;
}

bool ExtractReport::AllExtracted() const {
  for (const auto& e : entries)
    if (e.result != kZipOk) return false;
  return true;
}

uint32_t ZipReader::Result(uint32_t code) {
  g_last_error.store(code);
  return code;
}

bool ZipReader::ReadAt(int64_t pos, void* buf, size_t n) {
  if (pos < 0 || pos > file_size_ || static_cast<uint64_t>(file_size_ - pos) < n) return false;
  auto* p = static_cast<unsigned char*>(buf);
  while (n > 0) {
    ssize_t r = ::pread(fd_, p, n, pos);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    pos += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

bool ZipReader::Open(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    Result(kZipOpenError);
    return false;
  }
  return OpenDescriptor(fd);
}

bool ZipReader::OpenDescriptor(int fd) {
  if (fd_ >= 0) Close();
  fd_ = fd;
  char* cwd = ::getcwd(nullptr, 0);
  base_folder_ = cwd ? std::string(cwd) + "/" : "./";
  base_ready_ = false;
  ready_folder_.clear();
  std::free(cwd);
  struct stat st;
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || !FindEndRecord() ||
      ReadCentralHeader() != kZipOk) {
    ::close(fd_);
    fd_ = -1;
    Result(kZipOpenError);
    return false;
  }
  mode_ = 1;
  Result(kZipOk);
  return true;
}

bool ZipReader::FindEndRecord() {
  file_size_ = ::lseek(fd_, 0, SEEK_END);
  if (file_size_ < 22) return false;
  // Backwards over at most the last 65535 bytes, in windows of 1028 that step back 1024.
  const int64_t max_back = std::min<int64_t>(0xFFFF, file_size_);
  unsigned char window[1028];
  int64_t back = 4;
  int64_t found = -1;
  while (back < max_back && found < 0) {
    back = (back + 1024 > max_back) ? max_back : back + 1024;
    int64_t pos = file_size_ - back;
    size_t size = static_cast<size_t>(std::min<int64_t>(1028, file_size_ - pos));
    if (!ReadAt(pos, window, size)) return false;
    for (size_t i = size - 3; i-- > 0;) {
      if (Get32(window + i) == kEndSignature) {
        found = pos + static_cast<int64_t>(i);
        break;
      }
    }
  }
  if (found < 0) return false;
  unsigned char rec[22];
  if (!ReadAt(found, rec, sizeof rec)) return false;
  uint16_t disk = Get16(rec + 4), cd_disk = Get16(rec + 6);
  uint16_t on_disk = Get16(rec + 8), total = Get16(rec + 10);
  if (disk != 0 || cd_disk != 0 || on_disk != total) return false;
  central_size_ = Get32(rec + 12);
  central_offset_ = Get32(rec + 16);
  if (found < central_offset_ + central_size_) return false;
  archive_offset_ = found - (central_offset_ + central_size_);
  entry_count_ = total;
  current_ = 0;
  current_pos_ = archive_offset_ + central_offset_;
  last_index_ = -1;
  return true;
}

uint32_t ZipReader::ReadCentralHeader() {
  if (entry_count_ == 0) return kZipOk;
  // The fixed part and, usually, the whole name in one read.
  unsigned char h[46 + 256];
  size_t got = static_cast<size_t>(std::min<int64_t>(sizeof h, file_size_ - current_pos_));
  if (current_pos_ < 0 || got < 46 || !ReadAt(current_pos_, h, got)) return kZipReadError;
  if (Get32(h) != kCentralSignature) return kZipBadHeader;
  Central& c = central_;
  c.made_by = Get16(h + 4);
  c.flags = Get16(h + 8);
  c.method = Get16(h + 10);
  c.dos_time = Get16(h + 12);
  c.dos_date = Get16(h + 14);
  c.crc = Get32(h + 16);
  c.csize = Get32(h + 20);
  c.usize = Get32(h + 24);
  c.name_len = Get16(h + 28);
  c.extra_len = Get16(h + 30);
  c.comment_len = Get16(h + 32);
  c.external = Get32(h + 38);
  c.local_offset = Get32(h + 42);
  if (46u + c.name_len <= got) {
    c.raw_name.assign(reinterpret_cast<const char*>(h + 46), c.name_len);
  } else {
    c.raw_name.assign(c.name_len, '\0');
    if (!ReadAt(current_pos_ + 46, c.raw_name.data(), c.name_len)) return kZipReadError;
  }
  return kZipOk;
}

void ZipReader::SetTargetFolder(const std::string& folder) {
  base_ready_ = false;
  ready_folder_.clear();
  base_folder_ = folder;
  if (base_folder_.empty() || !IsSeparator(base_folder_.back())) base_folder_ += '/';
}

uint32_t ZipReader::ReadEntry(int index, ArchiveEntry& entry) {
  if (mode_ != 1) return Result(fd_ < 0 ? kZipBadArgs : kZipNotForReading);
  if (index < -1 || index >= entry_count_) return Result(kZipBadArgs);
  if (index == -1) {
    entry = ArchiveEntry{};
    entry.index = entry_count_;
    return Result(kZipOk);
  }
  if (index == last_index_) {
    entry = last_entry_;
    return Result(kZipOk);
  }
  last_index_ = -1;
  if (index < current_) {
    current_ = 0;
    current_pos_ = archive_offset_ + central_offset_;
    if (uint32_t rc = ReadCentralHeader(); rc != kZipOk) return Result(rc);
  }
  while (current_ < index) {
    current_pos_ += 46 + central_.name_len + central_.extra_len + central_.comment_len;
    ++current_;
    if (uint32_t rc = ReadCentralHeader(); rc != kZipOk) {
      // Start over next time: the walk stopped at an unreadable header.
      current_ = 0;
      current_pos_ = archive_offset_ + central_offset_;
      ReadCentralHeader();
      return Result(rc);
    }
  }
  const Central& c = central_;

  // The local header must agree with the central one.
  unsigned char lh[30 + 512];
  int64_t local = archive_offset_ + c.local_offset;
  size_t lgot = static_cast<size_t>(std::clamp<int64_t>(file_size_ - local, 0, sizeof lh));
  if (lgot < 30 || !ReadAt(local, lh, lgot)) return Result(kZipReadError);
  uint16_t lflags = Get16(lh + 6);
  if (Get32(lh) != kLocalSignature || Get16(lh + 8) != c.method ||
      (c.method != 0 && c.method != 8))
    return Result(kZipBadHeader);
  if (!(lflags & 0x08) &&
      (Get32(lh + 14) != c.crc || Get32(lh + 18) != c.csize || Get32(lh + 22) != c.usize))
    return Result(kZipBadHeader);
  uint16_t lname = Get16(lh + 26), lextra = Get16(lh + 28);
  std::vector<unsigned char> extra(lextra);
  if (lextra == 0) {
  } else if (30u + lname + lextra <= lgot)
    std::memcpy(extra.data(), lh + 30 + lname, lextra);
  else if (lextra && !ReadAt(local + 30 + lname, extra.data(), lextra))
    return Result(kZipReadError);
  int64_t data_start = local + 30 + lname + lextra;

  ArchiveEntry e;
  e.index = index;
  e.compressed_size = c.csize;
  e.uncompressed_size = c.usize;
  e.crc32 = c.crc;
  bool named_directory = false;
  e.safe = MakeSafeEntryName(c.raw_name, e.name, &named_directory);
  uint8_t host = static_cast<uint8_t>(c.made_by >> 8);
  if (host == 0 || host == 7 || host == 11 || host == 14) {
    e.attributes = c.external & (kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrDirectory |
                                 kAttrArchive);
  } else {
    e.attributes = kAttrArchive;
    if (c.external & (1u << 30)) e.attributes |= kAttrDirectory;
    if (!(c.external & (1u << 23))) e.attributes |= kAttrReadOnly;
    // The high half is a Unix mode: a link would let later entries write anywhere.
    e.is_link = ((c.external >> 16) & 0170000) == 0120000;
  }
  if (named_directory) e.attributes |= kAttrDirectory;
  if (e.is_link) e.safe = false;

  int64_t t = DosToFileTime(c.dos_date, c.dos_time);
  e.access_time = e.creation_time = e.modification_time = t;
  if (extra.size() > 4) {
    size_t pos = 0;
    while (pos + 4 < extra.size()) {
      uint16_t id = Get16(&extra[pos]);
      uint16_t size = Get16(&extra[pos + 2]);
      if (id == 0x5455) {
        size_t end = std::min(extra.size(), pos + 4 + size);
        size_t p = pos + 4;
        if (p < end) {
          uint8_t flags = extra[p++];
          int64_t* slots[3] = {&e.modification_time, &e.access_time, &e.creation_time};
          for (int bit = 0; bit < 3; ++bit) {
            if (!(flags & (1 << bit))) continue;
            if (p + 4 > end) break;
            *slots[bit] = UnixToFileTime(static_cast<int32_t>(Get32(&extra[p])));
            p += 4;
          }
        }
        break;
      }
      pos += 4 + size;
    }
  }

  last_index_ = index;
  last_entry_ = e;
  last_data_start_ = data_start;
  last_local_flags_ = lflags;
  entry = e;
  return Result(kZipOk);
}

uint32_t ZipReader::ExtractEntry(int index, uint64_t* written) {
  if (written) *written = 0;
  if (mode_ != 1) return Result(fd_ < 0 ? kZipBadArgs : kZipNotForReading);
  if (index < 0 || index >= entry_count_) return Result(kZipBadArgs);
  ArchiveEntry e;
  if (uint32_t rc = ReadEntry(index, e); rc != kZipOk) return rc;
  if (!e.safe) {
    base::Trace(base::TraceLevel::Warning, "zip: entry %d refused (%s)", index,
                e.is_link ? "link" : "unsafe name");
    return Result(kZipUnsafeEntry);
  }
  if (!base_ready_) {
    if (!MakeFolders(base_folder_)) return Result(kZipOpenError);
    base_ready_ = true;
  }
  if (e.attributes & kAttrDirectory) {
    ready_folder_.clear();
    return Result(MakeEntryFolders(base_folder_, e.name) ? kZipOk : kZipOpenError);
  }
  return Result(WriteFile(e, last_data_start_, central_.flags, central_.method,
                          central_.dos_time, written));
}

uint32_t ZipReader::WriteFile(const ArchiveEntry& e, int64_t data_start, uint16_t flags,
                              uint16_t method, uint16_t dos_time, uint64_t* written) {
  size_t slash = e.name.rfind('/');
  std::string folder = slash == std::string::npos ? "" : e.name.substr(0, slash);
  // Entries of one folder usually follow each other: check its levels once.
  if (!folder.empty() && folder != ready_folder_) {
    ready_folder_.clear();
    if (!MakeEntryFolders(base_folder_, folder)) return kZipOpenError;
    ready_folder_ = folder;
  }
  std::string path = base_folder_ + e.name;
  std::string dir = folder.empty() ? base_folder_ : base_folder_ + folder + "/";

  // An existing folder, or a read-only file, of that name is not replaced.
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return kZipOpenError;
    if (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0) return kZipOpenError;
  }
  if (method == 0 && e.compressed_size != e.uncompressed_size && !(flags & 1))
    return kZipBadHeader;

  // The data goes to a hidden file beside the target and is renamed into place only when
  // complete and checked, so a failed entry leaves nothing behind and a link of that name
  // is replaced, never followed.
  std::string temp = dir + ".tavrick-part-XXXXXX";
  int out = ::mkostemp(temp.data(), O_CLOEXEC);
  if (out < 0) return kZipOpenError;
  auto fail = [&](uint32_t code) {
    ::close(out);
    ::unlink(temp.c_str());
    return code;
  };

  if (buffer_.empty()) buffer_.resize(2 * kPiece);
  unsigned char* in_buf = buffer_.data();
  unsigned char* out_buf = buffer_.data() + kPiece;
  int64_t pos = data_start;
  uint64_t remaining = e.compressed_size;

  ZipCrypto crypto;
  bool encrypted = flags & 1;
  if (encrypted) {
    unsigned char header[12];
    if (remaining < 12 || !ReadAt(pos, header, 12)) return fail(kZipReadError);
    for (auto& b : header) b = crypto.Decrypt(b);
    unsigned char check = (flags & 0x08) ? static_cast<unsigned char>(dos_time >> 8)
                                         : static_cast<unsigned char>(e.crc32 >> 24);
    if (header[11] != check) return fail(kZipBadPassword);
    pos += 12;
    remaining -= 12;
    if (method == 0 && remaining != e.uncompressed_size) return fail(kZipBadHeader);
  }

  z_stream z{};
  bool inflating = method == 8;
  if (inflating && inflateInit2(&z, -MAX_WBITS) != Z_OK) return fail(kZipInflateError);
  auto finish = [&](uint32_t code) {
    if (inflating) inflateEnd(&z);
    return code == kZipOk ? code : fail(code);
  };

  uLong crc = crc32(0L, Z_NULL, 0);
  uint64_t produced = 0;
  bool stream_end = false;
  auto emit = [&](const unsigned char* data, size_t n) -> uint32_t {
    // Never more than the declared size: a bomb stops here.
    if (produced + n > e.uncompressed_size) return kZipInflateError;
    size_t done = 0;
    while (done < n) {
      ssize_t w = ::write(out, data + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return kZipWriteError;
      done += static_cast<size_t>(w);
    }
    crc = crc32(crc, data, static_cast<uInt>(n));
    produced += n;
    return kZipOk;
  };

  while (remaining > 0 && !stream_end) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(kPiece, remaining));
    if (!ReadAt(pos, in_buf, n)) return finish(kZipInflateError);
    pos += static_cast<int64_t>(n);
    remaining -= n;
    if (encrypted)
      for (size_t i = 0; i < n; ++i) in_buf[i] = crypto.Decrypt(in_buf[i]);
    if (!inflating) {
      if (uint32_t rc = emit(in_buf, n); rc != kZipOk) return finish(rc);
      continue;
    }
    z.next_in = in_buf;
    z.avail_in = static_cast<uInt>(n);
    while (z.avail_in > 0 || !stream_end) {
      z.next_out = out_buf;
      z.avail_out = kPiece;
      int zr = inflate(&z, Z_NO_FLUSH);
      if (zr != Z_OK && zr != Z_STREAM_END && zr != Z_BUF_ERROR) return finish(kZipInflateError);
      size_t have = kPiece - z.avail_out;
      if (have > 0)
        if (uint32_t rc = emit(out_buf, have); rc != kZipOk) return finish(rc);
      if (zr == Z_STREAM_END) {
        stream_end = true;
        break;
      }
      if (have == 0 && z.avail_in == 0) break;  // needs more input
      if (zr == Z_BUF_ERROR && have == 0) return finish(kZipInflateError);
    }
  }
  if (inflating && !stream_end) return finish(kZipInflateError);
  if (produced != e.uncompressed_size || crc != e.crc32) {
    base::Trace(base::TraceLevel::Warning, "zip: entry %s fails its size or CRC-32 check",
                e.name.c_str());
    return finish(kZipBadHeader);
  }
  if (inflating) {
    inflateEnd(&z);
    inflating = false;
  }

  // Read-only means no write bits; hidden and system have no meaning here.
  ::fchmod(out, (e.attributes & kAttrReadOnly) ? 0444 : 0644);
  timespec times[2] = {FileTimeToTimespec(e.access_time),
                       FileTimeToTimespec(e.modification_time)};
  ::futimens(out, times);
  if (::close(out) != 0) {
    ::unlink(temp.c_str());
    return kZipWriteError;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return kZipOpenError;
  }
  if (written) *written = produced;
  return kZipOk;
}

uint32_t ZipReader::Close() {
  if (fd_ < 0) return Result(kZipBadArgs);
  if (mode_ != 1) return Result(kZipNotForReading);
  ::close(fd_);
  fd_ = -1;
  mode_ = 0;
  buffer_.clear();
  buffer_.shrink_to_fit();
  last_index_ = -1;
  return Result(kZipOk);
}

bool ExtractArchive(const std::string& archive_path, const std::string& target_folder,
                    ExtractReport* report) {
  if (report) report->entries.clear();
  ZipReader zip;
  if (!zip.Open(archive_path)) return false;
  zip.SetTargetFolder(target_folder);
  ArchiveEntry count;
  zip.ReadEntry(-1, count);
  for (int i = 0; i < count.index; ++i) {
    ArchiveEntry e;
    uint32_t rc = zip.ReadEntry(i, e);
    uint64_t written = 0;
    if (rc == kZipOk) rc = zip.ExtractEntry(i, &written);
    if (report)
      report->entries.push_back(
          {e.name, rc, written, (e.attributes & kAttrDirectory) != 0});
  }
  zip.Close();
  return true;
}

}  // namespace tavrick
