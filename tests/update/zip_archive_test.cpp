#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ctime>
#include <ftw.h>
#include <set>
#include <string>

#include "tests/support/update/ScratchFolder.h"
#include "tests/support/update/ZipBuilder.h"
#include "update/ZipArchive.h"

extern char** environ;

namespace tavrick {
namespace {

using test::ScratchFolder;
using test::ZipBuilder;
using test::ZipEntrySpec;

std::string Bytes(size_t n, unsigned seed) {
  std::string s(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (auto& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

std::string Read(const std::string& path) {
  std::string s;
  EXPECT_TRUE(test::ReadWholeFile(path, s)) << path;
  return s;
}

// Every path below `root`, relative, with "/" after folders and "@" after links.
std::set<std::string> Tree(const std::string& root) {
  static std::set<std::string>* out;
  static size_t cut;
  std::set<std::string> result;
  out = &result;
  cut = root.size();
  ::nftw(
      root.c_str(),
      [](const char* p, const struct stat* st, int type, struct FTW*) {
        std::string rel = std::string(p).substr(std::min(cut, std::strlen(p)));
        if (rel.empty()) return 0;
        if (type == FTW_SL) rel += "@";
        else if (S_ISDIR(st->st_mode)) rel += "/";
        out->insert(rel);
        return 0;
      },
      16, FTW_PHYS);
  return result;
}

class ZipArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // DOS times are local time: pin the zone so the expected values are fixed numbers.
    const char* tz = std::getenv("TZ");
    saved_tz_ = tz ? tz : "";
    had_tz_ = tz != nullptr;
    ::setenv("TZ", "UTC", 1);
    ::tzset();
  }
  void TearDown() override {
    if (had_tz_) ::setenv("TZ", saved_tz_.c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = scratch_ / name;
    EXPECT_TRUE(test::WriteWholeFile(path, bytes));
    return path;
  }
  ScratchFolder scratch_{"tavrick-zip"};
  std::string saved_tz_;
  bool had_tz_ = false;
};

TEST_F(ZipArchiveTest, ExtractsStoredAndDeflatedEntriesWithFolders) {
  std::string big = Bytes(200000, 1);
  std::string text(50000, 'a');
  ZipBuilder zip;
  zip.AddFolder("data/")
      .AddFile("data/stored.bin", big, 0)
      .AddFile("data/deep/er/deflated.txt", text, 8)
      .AddFile("top.bin", Bytes(1, 2), 8)
      .AddFile("empty", "", 0);
  ZipEntrySpec described;
  described.name = "described.bin";
  described.data = Bytes(70000, 3);
  described.data_descriptor = true;
  zip.Add(described);
  std::string target = scratch_ / "out/";
  ExtractReport report;
  ASSERT_TRUE(ExtractArchive(Write("a.zip", zip.Build()), target, &report));
  EXPECT_TRUE(report.AllExtracted());
  EXPECT_EQ(Tree(target), (std::set<std::string>{"data/", "data/stored.bin", "data/deep/",
                                                 "data/deep/er/", "data/deep/er/deflated.txt",
                                                 "top.bin", "empty", "described.bin"}));
  EXPECT_EQ(Read(target + "data/stored.bin"), big);
  EXPECT_EQ(Read(target + "data/deep/er/deflated.txt"), text);
  EXPECT_EQ(Read(target + "top.bin"), Bytes(1, 2));
  EXPECT_EQ(Read(target + "empty"), "");
  EXPECT_EQ(Read(target + "described.bin"), Bytes(70000, 3));
  ASSERT_NE(report.Extracted("data/stored.bin"), nullptr);
  EXPECT_EQ(report.Extracted("data/stored.bin")->size, 200000u);
}

TEST_F(ZipArchiveTest, ReadsArchivesMadeByZip) {
  std::string src = scratch_ / "src/";
  ASSERT_EQ(::mkdir(src.c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((src + "sub").c_str(), 0755), 0);
  ASSERT_TRUE(test::WriteWholeFile(src + "sub/one.txt", std::string(10000, 'z')));
  ASSERT_TRUE(test::WriteWholeFile(src + "two.bin", Bytes(5000, 9)));
  struct timespec times[2] = {{1500000000, 0}, {1600000000, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (src + "two.bin").c_str(), times, 0), 0);
  std::string archive = scratch_ / "made.zip";
  pid_t pid;
  std::vector<std::string> args = {"zip", "-qr", archive, "sub", "two.bin"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  char* old = ::getcwd(nullptr, 0);
  ASSERT_EQ(::chdir(src.c_str()), 0);
  int rc = posix_spawnp(&pid, "zip", nullptr, nullptr, argv.data(), environ);
  ASSERT_EQ(::chdir(old), 0);
  std::free(old);
  if (rc != 0) GTEST_SKIP() << "zip is not installed";
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  std::string target = scratch_ / "out/";
  ASSERT_TRUE(ExtractArchive(archive, target));
  EXPECT_EQ(Read(target + "sub/one.txt"), std::string(10000, 'z'));
  EXPECT_EQ(Read(target + "two.bin"), Bytes(5000, 9));
  struct stat st;
  ASSERT_EQ(::stat((target + "two.bin").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1600000000);  // from the "UT" block zip writes
}

TEST(ZipNameTest, SafeNames) {
  struct Case {
    const char* raw;
    const char* safe;  // null: refused
  } cases[] = {
      {"..\\..\\evil.exe", "evil.exe"},
      {"C:\\Windows\\x.dll", "Windows/x.dll"},
      {"/etc/x", "etc/x"},
      {"a/../b.txt", "b.txt"},
      {"\\\\server\\share\\f", "server/share/f"},
      {"./a/./b", "a/b"},
      {"d:/x:y", "y"},  // the drive rule repeats
      {"data/", "data"},
      {"a\\..\\..\\evil", nullptr},  // the cut leaves "..\evil"
      {"../x", nullptr},
      {"..\\x", nullptr},
      {"..", nullptr},
      {"a/b/..", nullptr},
      {"C:..\\x", nullptr},
      {"", nullptr},
      {"/", nullptr},
      {"./", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.raw);
    std::string safe;
    bool ok = MakeSafeEntryName(c.raw, safe);
    EXPECT_EQ(ok, c.safe != nullptr);
    EXPECT_EQ(safe, c.safe ? c.safe : "");
  }
  std::string safe;
  EXPECT_TRUE(MakeSafeEntryName(std::string(259, 'n'), safe));
  EXPECT_FALSE(MakeSafeEntryName(std::string(260, 'n'), safe));
  // Names that are not UTF-8 are read as Latin-1.
  EXPECT_TRUE(MakeSafeEntryName("caf\xE9.txt", safe));
  EXPECT_EQ(safe, "caf\xC3\xA9.txt");
}

// Hostile names, links and pre-existing links never put anything outside the target.
TEST_F(ZipArchiveTest, HostileEntriesStayInsideTheTarget) {
  std::string target = scratch_ / "box/";
  ASSERT_EQ(::mkdir(target.c_str(), 0755), 0);
  std::string outside = scratch_ / "outside/";
  ASSERT_EQ(::mkdir(outside.c_str(), 0755), 0);
  ASSERT_EQ(::symlink(outside.c_str(), (target + "planted").c_str()), 0);

  ZipBuilder zip;
  for (const char* name : {"..\\..\\evil.exe", "C:\\Windows\\x.dll", "/etc/x", "a/../b.txt",
                           "a\\..\\..\\evil", "../up.txt", "..\\up2.txt", "planted/through.txt",
                           "planted\\through2.txt"})
    zip.AddFile(name, name, 8);
  ZipEntrySpec link;
  link.name = "link";
  link.data = outside;
  link.method = 0;
  link.made_by = 0x031E;
  link.external = ZipBuilder::UnixExternal(0120777);
  zip.Add(link);
  zip.AddFile("link/after.txt", "after");

  ExtractReport report;
  ASSERT_TRUE(ExtractArchive(Write("hostile.zip", zip.Build()), target, &report));
  EXPECT_EQ(Tree(outside), std::set<std::string>{});
  EXPECT_EQ(Tree(scratch_.path()).count("evil.exe"), 0u);
  EXPECT_EQ(Tree(target),
            (std::set<std::string>{"evil.exe", "Windows/", "Windows/x.dll", "etc/", "etc/x",
                                   "b.txt", "planted@", "link/", "link/after.txt"}));
  EXPECT_EQ(Read(target + "evil.exe"), "..\\..\\evil.exe");
  ASSERT_EQ(report.entries.size(), 11u);
  uint32_t expected[] = {0, 0, 0, 0, kZipUnsafeEntry, kZipUnsafeEntry, kZipUnsafeEntry,
                         kZipOpenError, kZipOpenError, kZipUnsafeEntry, 0};
  for (size_t i = 0; i < 11; ++i) EXPECT_EQ(report.entries[i].result, expected[i]) << i;
}

TEST_F(ZipArchiveTest, TimesAndAttributes) {
  ZipBuilder zip;
  ZipEntrySpec only_mtime;
  only_mtime.name = "ut1.txt";
  only_mtime.data = "x";
  only_mtime.local_extra = std::string("\x99\x99\x02\x00zz", 6) +  // another block first
                           ZipBuilder::UtExtra(1, 1234567890);
  ZipEntrySpec all;
  all.name = "ut7.txt";
  all.data = "y";
  all.local_extra = ZipBuilder::UtExtra(7, 1111111111, 1222222222, 1333333333);
  ZipEntrySpec dos_only;
  dos_only.name = "dos.txt";
  dos_only.data = "z";
  ZipEntrySpec ro_dos;
  ro_dos.name = "ro-dos.txt";
  ro_dos.external = 0x21;
  ZipEntrySpec ro_unix;
  ro_unix.name = "ro-unix.txt";
  ro_unix.made_by = 0x031E;
  ro_unix.external = ZipBuilder::UnixExternal(0100444);
  ZipEntrySpec rw_unix = ro_unix;
  rw_unix.name = "rw-unix.txt";
  rw_unix.external = ZipBuilder::UnixExternal(0100644);
  zip.Add(only_mtime).Add(all).Add(dos_only).Add(ro_dos).Add(ro_unix).Add(rw_unix);
  std::string archive = Write("t.zip", zip.Build());

  const int64_t dos_unix = 1589710830;  // 2020-05-17 10:20:30 UTC
  auto ft = [](int64_t unix) { return unix * 10000000 + 116444736000000000LL; };
  ZipReader reader;
  ASSERT_TRUE(reader.Open(archive));
  ArchiveEntry e;
  ASSERT_EQ(reader.ReadEntry(-1, e), kZipOk);
  EXPECT_EQ(e.index, 6);
  ASSERT_EQ(reader.ReadEntry(0, e), kZipOk);
  EXPECT_EQ(e.modification_time, ft(1234567890));
  EXPECT_EQ(e.access_time, ft(dos_unix));
  EXPECT_EQ(e.creation_time, ft(dos_unix));
  ASSERT_EQ(reader.ReadEntry(1, e), kZipOk);
  EXPECT_EQ(e.modification_time, ft(1111111111));
  EXPECT_EQ(e.access_time, ft(1222222222));
  EXPECT_EQ(e.creation_time, ft(1333333333));
  ASSERT_EQ(reader.ReadEntry(3, e), kZipOk);
  EXPECT_EQ(e.attributes, kAttrReadOnly | kAttrArchive);
  ASSERT_EQ(reader.ReadEntry(4, e), kZipOk);
  EXPECT_EQ(e.attributes, kAttrReadOnly | kAttrArchive);
  ASSERT_EQ(reader.ReadEntry(5, e), kZipOk);
  EXPECT_EQ(e.attributes, kAttrArchive);
  ASSERT_EQ(reader.ReadEntry(2, e), kZipOk);  // backwards: from the first entry again
  EXPECT_EQ(e.name, "dos.txt");
  EXPECT_EQ(reader.ReadEntry(6, e), kZipBadArgs);
  EXPECT_EQ(reader.ReadEntry(-2, e), kZipBadArgs);
  EXPECT_EQ(ZipLastError(), kZipBadArgs);
  EXPECT_EQ(reader.Close(), kZipOk);
  EXPECT_EQ(reader.Close(), kZipBadArgs);

  std::string target = scratch_ / "out/";
  ASSERT_TRUE(ExtractArchive(archive, target));
  struct stat st;
  ASSERT_EQ(::stat((target + "ut1.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, 1234567890);
  EXPECT_EQ(st.st_atime, dos_unix);
  ASSERT_EQ(::stat((target + "dos.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, dos_unix);
  for (const char* ro : {"ro-dos.txt", "ro-unix.txt"}) {
    ASSERT_EQ(::stat((target + ro).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u) << ro;
  }
  ASSERT_EQ(::stat((target + "rw-unix.txt").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & 0200, 0u);
}

TEST_F(ZipArchiveTest, FindsTheEndRecordBehindCommentsAndPrefixes) {
  ZipBuilder zip;
  zip.AddFile("f.txt", "appended", 8);
  struct Case {
    std::string comment, prefix;
  } cases[] = {{std::string(1000, 'c'), ""},
               {"", Bytes(5000, 4)},
               {std::string(3000, 'k'), Bytes(70000, 5)},
               // A false signature inside the comment lies nearer the end and is taken.
               {std::string("PK\x05\x06", 4) + std::string(40, 'q'), ""}};
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(n);
    std::string target = scratch_ / ("o" + std::to_string(n++) + "/");
    std::string path = Write("c.zip", zip.Build(c.comment, c.prefix));
    bool expect = n != 4;
    ASSERT_EQ(ExtractArchive(path, target), expect);
    if (!expect) continue;
    EXPECT_EQ(Read(target + "f.txt"), "appended");
    ZipReader r;
    ASSERT_TRUE(r.Open(path));
    EXPECT_EQ(r.archive_offset(), static_cast<int64_t>(c.prefix.size()));
  }
}

TEST_F(ZipArchiveTest, RefusesWhatIsNoArchive) {
  ZipBuilder zip;
  zip.AddFile("x", "x");
  std::string good = zip.Build();
  std::string multi = good;
  multi[multi.size() - 22 + 4] = 1;  // this disk's number
  std::string too_far = zip.Build(std::string(65535, 'c'));  // end record beyond the search
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {{"empty", ""}, {"text", "hello, this is not an archive at all"},
               {"multi", multi}, {"far", too_far}, {"cut", good.substr(0, good.size() - 10)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string target = scratch_ / (std::string(c.name) + "/");
    EXPECT_FALSE(ExtractArchive(Write(c.name, c.bytes), target));
    EXPECT_EQ(ZipLastError(), kZipOpenError);
    EXPECT_FALSE(test::PathExists(target));
  }
  EXPECT_FALSE(ExtractArchive(scratch_ / "missing.zip", scratch_ / "m/"));
}

// Bad entries are skipped with their own code and leave no file; the good ones still come.
TEST_F(ZipArchiveTest, CorruptEntriesAmongGoodOnes) {
  ZipBuilder zip;
  zip.AddFile("good1.bin", Bytes(30000, 6), 8);
  ZipEntrySpec bad_crc;
  bad_crc.name = "bad-crc.bin";
  bad_crc.data = Bytes(40000, 7);
  bad_crc.wrong_crc = true;
  bad_crc.data_descriptor = true;  // so that only the data shows the fault
  ZipEntrySpec cut = bad_crc;
  cut.name = "cut.bin";
  cut.wrong_crc = false;
  cut.truncate_data = 100;
  ZipEntrySpec bomb;
  bomb.name = "bomb.bin";
  bomb.data = std::string(1 << 20, '\0');
  bomb.declared_size = 1000;
  bomb.data_descriptor = true;
  ZipEntrySpec bad_local;
  bad_local.name = "bad-local.bin";
  bad_local.data = "x";
  bad_local.wrong_local_signature = true;
  ZipEntrySpec short_stored;
  short_stored.name = "short-stored.bin";
  short_stored.data = Bytes(100, 8);
  short_stored.method = 0;
  short_stored.data_descriptor = true;
  short_stored.declared_size = 200;
  ZipEntrySpec encrypted;
  encrypted.name = "sealed.txt";
  encrypted.data = "opened with the empty password";
  encrypted.encrypt = true;
  zip.Add(bad_crc).Add(cut).Add(bomb).Add(bad_local).Add(short_stored).Add(encrypted);
  zip.AddFile("good2.bin", Bytes(20000, 9), 0);

  std::string target = scratch_ / "out/";
  ASSERT_EQ(::mkdir(target.c_str(), 0755), 0);
  ASSERT_TRUE(test::WriteWholeFile(target + "bad-crc.bin", "older file"));
  ExtractReport report;
  ASSERT_TRUE(ExtractArchive(Write("corrupt.zip", zip.Build()), target, &report));
  EXPECT_EQ(Tree(target), (std::set<std::string>{"good1.bin", "good2.bin", "bad-crc.bin",
                                                 "sealed.txt"}));
  EXPECT_EQ(Read(target + "good1.bin"), Bytes(30000, 6));
  EXPECT_EQ(Read(target + "good2.bin"), Bytes(20000, 9));
  EXPECT_EQ(Read(target + "bad-crc.bin"), "older file");  // not replaced by bad data
  EXPECT_EQ(Read(target + "sealed.txt"), "opened with the empty password");
  ASSERT_EQ(report.entries.size(), 8u);
  uint32_t expected[] = {0,          kZipBadHeader, kZipInflateError, kZipInflateError,
                         kZipBadHeader, kZipBadHeader, 0,            0};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(report.entries[i].result, expected[i]) << i;
  EXPECT_FALSE(report.AllExtracted());
}

TEST_F(ZipArchiveTest, ReadOnlyFileOfTheSameNameIsKept) {
  ZipBuilder zip;
  zip.AddFile("locked.txt", "new").AddFile("free.txt", "new");
  std::string target = scratch_ / "out/";
  ASSERT_EQ(::mkdir(target.c_str(), 0755), 0);
  ASSERT_TRUE(test::WriteWholeFile(target + "locked.txt", "old"));
  ASSERT_EQ(::chmod((target + "locked.txt").c_str(), 0444), 0);
  ExtractReport report;
  ASSERT_TRUE(ExtractArchive(Write("ro.zip", zip.Build()), target, &report));
  EXPECT_EQ(Read(target + "locked.txt"), "old");
  EXPECT_EQ(Read(target + "free.txt"), "new");
  EXPECT_EQ(report.entries[0].result, kZipOpenError);
}

TEST_F(ZipArchiveTest, WrongCheckByteIsAWrongPassword) {
  ZipBuilder zip;
  ZipEntrySpec e;
  e.name = "sealed";
  e.data = "secret";
  e.encrypt = true;
  e.data_descriptor = true;  // check byte from the time...
  std::string bytes = zip.Add(e).Build();
  // ...but the central header's time was changed, so the check byte no longer matches.
  size_t central = bytes.rfind(std::string("PK\x01\x02", 4));
  bytes[central + 13] = static_cast<char>(bytes[central + 13] ^ 0x40);
  ExtractReport report;
  ASSERT_TRUE(ExtractArchive(Write("pw.zip", bytes), scratch_ / "out/", &report));
  ASSERT_EQ(report.entries.size(), 1u);
  EXPECT_EQ(report.entries[0].result, kZipBadPassword);
  EXPECT_FALSE(test::PathExists(scratch_ / "out/sealed"));
}

}  // namespace
}  // namespace tavrick
