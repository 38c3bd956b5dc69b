#include "tests/support/update/ZipBuilder.h"

#include <zlib.h>

namespace tavrick::test {
namespace {

void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

class Encryptor {
 public:
  unsigned char Encrypt(unsigned char plain) {
    unsigned temp = (k2_ | 2) & 0xFFFF;
    unsigned char c = plain ^ static_cast<unsigned char>((temp * (temp ^ 1)) >> 8);
    k0_ = Crc(k0_, plain);
    k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
    k2_ = Crc(k2_, static_cast<unsigned char>(k1_ >> 24));
    return c;
  }

 private:
  static uint32_t Crc(uint32_t crc, unsigned char b) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    return crc;
  }
  uint32_t k0_ = 0x12345678, k1_ = 0x23456789, k2_ = 0x34567890;
};

}  // namespace

std::string RawDeflate(const std::string& data, int level) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

ZipBuilder& ZipBuilder::Add(ZipEntrySpec spec) {
  entries_.push_back(std::move(spec));
  return *this;
}

ZipBuilder& ZipBuilder::AddFile(const std::string& name, const std::string& data,
                                uint16_t method) {
  ZipEntrySpec s;
  s.name = name;
  s.data = data;
  s.method = method;
  return Add(std::move(s));
}

ZipBuilder& ZipBuilder::AddFolder(const std::string& name) {
  ZipEntrySpec s;
  s.name = name;
  s.method = 0;
  s.external = 0x10;
  return Add(std::move(s));
}

std::string ZipBuilder::UtExtra(uint8_t flags, uint32_t mtime, uint32_t atime,
                                uint32_t ctime) {
  std::string body(1, static_cast<char>(flags));
  if (flags & 1) Put32(body, mtime);
  if (flags & 2) Put32(body, atime);
  if (flags & 4) Put32(body, ctime);
  std::string s;
  Put16(s, 0x5455);
  Put16(s, static_cast<uint32_t>(body.size()));
  return s + body;
}

std::string ZipBuilder::Build(const std::string& comment, const std::string& prefix) const {
  std::string out;
  std::string central;
  for (const auto& e : entries_) {
    uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
    if (e.wrong_crc) crc ^= 0x5A5A5A5A;
    std::string payload = e.method == 8 ? RawDeflate(e.data) : e.data;
    uint16_t flags = 0;
    if (e.data_descriptor) flags |= 0x08;
    if (e.encrypt) {
      flags |= 0x01;
      Encryptor enc;
      std::string header(12, '\x42');
      header[11] = static_cast<char>(e.data_descriptor ? (e.dos_time >> 8) : (crc >> 24));
      std::string sealed;
      for (char c : header + payload)
        sealed += static_cast<char>(enc.Encrypt(static_cast<unsigned char>(c)));
      payload = sealed;
    }
    if (e.truncate_data) payload.resize(payload.size() - std::min(payload.size(), e.truncate_data));
    uint32_t usize = e.declared_size >= 0 ? static_cast<uint32_t>(e.declared_size)
                                          : static_cast<uint32_t>(e.data.size());
    uint32_t csize = static_cast<uint32_t>(payload.size());
    uint32_t offset = static_cast<uint32_t>(out.size());

    Put32(out, e.wrong_local_signature ? 0x04034B51 : 0x04034B50);
    Put16(out, 20);
    Put16(out, flags);
    Put16(out, e.method);
    Put16(out, e.dos_time);
    Put16(out, e.dos_date);
    Put32(out, e.data_descriptor ? 0 : crc);
    Put32(out, e.data_descriptor ? 0 : csize);
    Put32(out, e.data_descriptor ? 0 : usize);
    Put16(out, static_cast<uint32_t>(e.name.size()));
    Put16(out, static_cast<uint32_t>(e.local_extra.size()));
    out += e.name;
    out += e.local_extra;
    out += payload;
    if (e.data_descriptor) {
      Put32(out, 0x08074B50);
      Put32(out, crc);
      Put32(out, csize);
      Put32(out, usize);
    }

    Put32(central, 0x02014B50);
    Put16(central, e.made_by);
    Put16(central, 20);
    Put16(central, flags);
    Put16(central, e.method);
    Put16(central, e.dos_time);
    Put16(central, e.dos_date);
    Put32(central, crc);
    Put32(central, csize);
    Put32(central, usize);
    Put16(central, static_cast<uint32_t>(e.name.size()));
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put32(central, e.external);
    Put32(central, offset);
    central += e.name;
  }
  uint32_t cd_offset = static_cast<uint32_t>(out.size());
  out += central;
  Put32(out, 0x06054B50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<uint32_t>(entries_.size()));
  Put16(out, static_cast<uint32_t>(entries_.size()));
  Put32(out, static_cast<uint32_t>(central.size()));
  Put32(out, cd_offset);
  Put16(out, static_cast<uint32_t>(comment.size()));
  out += comment;
  return prefix + out;
}

}  // namespace tavrick::test
