#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/support/update/RecordingHooks.h"
#include "tests/support/update/ScratchFolder.h"
#include "tests/support/update/UpdateServer.h"
#include "tests/support/update/ZipBuilder.h"
#include "update/UpdateService.h"
#include "update/Versions.h"

namespace tavrick {
namespace {

using test::RecordingHooks;
using Calls = std::vector<std::string>;

TEST(VersionsTest, CompareVersions) {
  struct Case {
    const char *first, *second;
    int result;
  } cases[] = {
      {"1.0.3", "1.0.10", 1},  {"1.0.10", "1.0.3", -1}, {"1.2.0", "1.1.9", -1},
      {"1.0", "1.0.0", 2},     {"1.0.0", "1.0", 2},     {"2.0", "2.0", 0},
      {"105", "106", 1},       {"106", "105", -1},      {"", "", 0},
      {"01.2", "1.2", 0},      {"1.x", "1.0", 0},  // no leading digit reads as 0
  };
  for (const auto& c : cases)
    EXPECT_EQ(CompareVersions(c.first, c.second), c.result) << c.first << " vs " << c.second;
}

TEST(VersionsTest, OnlyDigitsAndDotsAreVersions) {
  struct Case {
    const char* text;
    bool software, firmware;
  } cases[] = {
      {"1.0.10", true, true},      {"1234567890", true, false}, {"123456789", true, true},
      {"12345678901", false, false}, {"10A", false, true},       {"1.0b", false, true},
      {"../../x", false, false},   {"1/2", false, false},       {"1..2", false, false},
      {".1", false, false},        {"1.", false, false},        {"", false, false},
      {"1 0", false, false},       {"<html>", false, false},    {"-1", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsSoftwareVersionText(c.text), c.software) << c.text;
    EXPECT_EQ(IsFirmwareVersionText(c.text), c.firmware) << c.text;
  }
  EXPECT_EQ(TrimVersionAnswer(" \t1.0.3\r\n"), "1.0.3");
  EXPECT_EQ(TrimVersionAnswer("\r\n"), "");
}

class UpdateChecksTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.Start(root_.path())); }
  void Answer(const std::string& path, const std::string& body) {
    std::string full = root_.path() + path;
    for (size_t i = root_.path().size(); (i = full.find('/', i)) != std::string::npos; ++i)
      ::mkdir(full.substr(0, i).c_str(), 0755);
    ASSERT_TRUE(test::WriteWholeFile(full, body));
  }
  test::ScratchFolder root_{"tavrick-upd"};
  test::LocalUpdateServer server_;
  HttpTransfer http_;
  RecordingHooks hooks_;
  UpdateState state_;
};

TEST_F(UpdateChecksTest, SoftwareCheck) {
  struct Case {
    const char* local;
    const char* answer;
    int state;
    Calls calls;
  } cases[] = {
      {"1.0.3", "1.0.10", 1, {"button 276 on", "label 275 T582: v1.0.10", "offer 1"}},
      {"1.0", "1.0.0\n", 1, {"button 276 on", "label 275 T582: v1.0.0", "offer 1"}},
      {"1.2.0", "1.1.9", 2, {"label 275 T580", "button 276 off"}},
      {"1.2.0", "1.2.0", 2, {"label 275 T580", "button 276 off"}},
      {"1.0", "1234567890", 1, {"button 276 on", "label 275 T582: v1234567890", "offer 1"}},
      // No offer: too long, not a version (even though "../../x" would compare as newer),
      // or an error page.
      {"1.0", "12345678901", 0, {}},
      {"1.0", "../../x", 0, {}},
      {"1.0", "<html>oops</html>", 0, {}},
      {"1.0", "", 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    Answer("soft/version", c.answer);
    RecordingHooks hooks;
    UpdateState state;
    state.local_software_version = c.local;
    state.offered_software_version = "stale";
    CheckSoftwareVersion(http_, server_.BaseUrl() + "soft/", state, hooks);
    EXPECT_EQ(state.software_state, c.state);
    EXPECT_EQ(hooks.calls, c.calls);
    EXPECT_EQ(state.offered_software_version, c.state ? TrimVersionAnswer(c.answer) : "");
  }
  // An unreachable server changes nothing.
  server_.Stop();
  UpdateState state;
  state.software_state = 2;
  CheckSoftwareVersion(http_, "http://127.0.0.1:1/soft/", state, hooks_);
  EXPECT_EQ(state.software_state, 2);
  EXPECT_TRUE(hooks_.calls.empty());
}

TEST_F(UpdateChecksTest, FirmwareCheck) {
  struct Case {
    const char* mouse;
    const char* answer;
    int state;
    Calls calls;
  } cases[] = {
      {"105", "106", 1, {"label 246 T582: V1.06", "button 248 on", "offer 2"}},
      {"106", "106", 2, {"label 246 T580", "button 248 off"}},
      {"107", "106", 2, {"label 246 T580", "button 248 off"}},
      {"105", "123456789", 1, {"label 246 T582: V1.89", "button 248 on", "offer 2"}},
      {"105", "1234567890", 0, {}},
      {"105", "../1", 0, {}},
      {"", "106", 0, {}},  // the mouse's version is not known yet
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    Answer("fw/mouse/version", c.answer);
    RecordingHooks hooks;
    UpdateState state;
    state.mouse_firmware_version = c.mouse;
    CheckFirmwareVersion(http_, server_.BaseUrl() + "fw", state, hooks);
    EXPECT_EQ(state.firmware_state, c.state);
    EXPECT_EQ(hooks.calls, c.calls);
  }
  auto requests = server_.Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.back().path, "/fw/mouse/version");
}

// A package with a little shell installer that leaves a mark when it runs.
std::string InstallerPackage(const std::string& version, const std::string& mark) {
  test::ZipBuilder zip;
  test::ZipEntrySpec exe;
  exe.name = SoftwareInstallerName(version);
  exe.data = "#!/bin/sh\necho started > '" + mark + "'\n";
  zip.Add(exe).AddFile("readme.txt", "installer");
  return zip.Build();
}

bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 250; ++i) {
    if (test::PathExists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

TEST(InstallSoftwareTest, StartsTheInstallerOnlyFromVerifiedHttps) {
  test::ScratchFolder root("tavrick-inst-root");
  test::ScratchFolder certs("tavrick-inst-cert");
  test::ScratchFolder data("tavrick-inst-data");
  std::string mark = data / "installer-ran";
  ASSERT_EQ(::mkdir((root / "soft").c_str(), 0755), 0);
  ASSERT_TRUE(
      test::WriteWholeFile(root / "soft/Mouse-Setup-2.0.1.zip", InstallerPackage("2.0.1", mark)));
  UpdateState state;
  state.offered_software_version = "2.0.1";

  // Plain HTTP: the package is kept where it lies and nothing is started.
  {
    test::LocalUpdateServer plain;
    ASSERT_TRUE(plain.Start(root.path()));
    HttpTransfer http;
    RecordingHooks hooks;
    EXPECT_FALSE(InstallSoftwareUpdate(http, plain.BaseUrl() + "soft", data.path(), state, hooks));
    std::string package = data.path() + "temp/Mouse-Setup-2.0.1.zip";
    EXPECT_EQ(hooks.calls, (Calls{"kept " + package}));
    EXPECT_TRUE(test::PathExists(package));
    EXPECT_FALSE(test::PathExists(data.path() + "temp/Mouse-Setup-2.0.1.exe"));
    EXPECT_EQ(hooks.ended, 0);
    EXPECT_EQ(hooks.percents, (std::vector<int>{2, 8, 10, 100}));
    EXPECT_EQ(plain.Requests().back().path, "/soft//Mouse-Setup-2.0.1.zip");
  }

  // Verified HTTPS: extracted, the package deleted, the installer started for real.
  test::LocalUpdateServer secure;
  ASSERT_TRUE(secure.Start(root.path(), true, certs.path()));
  HttpOptions options;
  options.ca_file = secure.CaFile();
  HttpTransfer http(options);
  RecordingHooks hooks;
  EXPECT_TRUE(InstallSoftwareUpdate(http, secure.BaseUrl() + "soft", data.path(), state, hooks));
  EXPECT_EQ(hooks.ended, 1);
  EXPECT_FALSE(test::PathExists(data.path() + "temp/Mouse-Setup-2.0.1.zip"));
  EXPECT_TRUE(WaitForFile(mark));
  struct stat st;
  ASSERT_EQ(::stat((data.path() + "temp/Mouse-Setup-2.0.1.exe").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & 0100, 0u);
}

TEST(InstallSoftwareTest, NothingStartsWithoutACompleteInstaller) {
  test::ScratchFolder root("tavrick-inst-root");
  test::ScratchFolder certs("tavrick-inst-cert");
  test::ScratchFolder data("tavrick-inst-data");
  test::LocalUpdateServer secure;
  ASSERT_TRUE(secure.Start(root.path(), true, certs.path()));
  HttpOptions options;
  options.ca_file = secure.CaFile();
  HttpTransfer http(options);
  int started = 0;
  auto count = [&](const std::string&) { return ++started, true; };

  test::ZipBuilder wrong_name;
  wrong_name.AddFile("Mouse-Setup-9.9.exe", "#!/bin/sh\n");
  test::ZipBuilder broken;
  test::ZipEntrySpec exe;
  exe.name = "Mouse-Setup-3.0.exe";
  exe.data = std::string(5000, 'x');
  exe.wrong_crc = true;
  broken.Add(exe);
  ASSERT_TRUE(test::WriteWholeFile(root / "Mouse-Setup-3.0.zip", broken.Build()));
  ASSERT_TRUE(test::WriteWholeFile(root / "Mouse-Setup-3.1.zip", wrong_name.Build()));
  ASSERT_TRUE(test::WriteWholeFile(root / "Mouse-Setup-3.2.zip", "not a zip"));
  // A stale installer of the same name from an earlier run must not be started either.
  ASSERT_EQ(::mkdir((data.path() + "temp").c_str(), 0755), 0);
  ASSERT_TRUE(test::WriteWholeFile(data.path() + "temp/Mouse-Setup-3.1.exe", "#!/bin/sh\n"));
  for (const char* version : {"3.0", "3.1", "3.2", "3.3", "../x"}) {
    SCOPED_TRACE(version);
    UpdateState state;
    state.offered_software_version = version;
    RecordingHooks hooks;
    EXPECT_FALSE(InstallSoftwareUpdate(http, secure.BaseUrl(), data.path(), state, hooks, count));
    EXPECT_EQ(hooks.ended, 0);
  }
  EXPECT_EQ(started, 0);
  EXPECT_FALSE(test::PathExists(data.path() + "temp/Mouse-Setup-3.0.exe"));
  EXPECT_TRUE(test::PathExists(data.path() + "temp/Mouse-Setup-3.0.zip"));  // kept: it failed
  EXPECT_FALSE(test::PathExists(data.path() + "temp/Mouse-Setup-3.3.zip"));  // 404: no file
}

}  // namespace
}  // namespace tavrick
