#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Config.h"
#include "app/Language.h"
#include "base/Trace.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempFolder.h"
#include "widgets/core/Manager.h"

namespace {

using tavrick::test::ScopedEnv;
using tavrick::test::TempFolder;

// Keeps what ReadDeviceConfig hands over as one line per call, so a test compares the whole
// sequence at once.
class Collector : public tavrick::DeviceConfigReceiver {
 public:
  std::vector<std::string> lines;
  std::vector<tavrick::MouseRecord> mice;
  std::vector<tavrick::ModeRecord> modes;
  std::vector<tavrick::SupportedVariant> devices;
  std::vector<tavrick::SoftwareInfo> software;

  void OnMouse(const tavrick::MouseRecord& m) override {
    mice.push_back(m);
    lines.push_back("mouse " + m.name + " type=" + std::to_string(m.device_type) + " attr=" + m.device_attr +
                    " image=" + m.image);
  }
  void OnMode(const tavrick::MouseRecord& m, const tavrick::ModeRecord& mode) override {
    modes.push_back(mode);
    lines.push_back("mode of " + m.name + " value=" + std::to_string(mode.value) + " desc=" + mode.desc +
                    " dev_id=" + mode.dev_id + " if=" + mode.hid_interface);
  }
  void OnSupportedDevice(const tavrick::SupportedVariant& d) override {
    devices.push_back(d);
    lines.push_back("device " + std::to_string(d.vid) + ":" + std::to_string(d.pid) + " type=" +
                    std::to_string(d.device_type) + " mode=" + std::to_string(d.mode) + " id=" + d.dev_id);
  }
  void OnSoftware(const tavrick::SoftwareInfo& s) override {
    software.push_back(s);
    lines.push_back("software " + s.caption + " v" + s.version);
  }
};

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(tmp_.Path().empty());
    env_.Set("TAVRICK_PROGRAM_FOLDER", tmp_.Path());
    DUI::Manager::SetDeviceName("Orvell Tavrick");
    traces_hook_ = base::SetTraceHook([this](base::TraceLevel, const std::string& line) { traces_.push_back(line); });
  }
  void TearDown() override {
    base::SetTraceHook(traces_hook_);
    DUI::Manager::SetDeviceName("Orvell Tavrick");
    tavrick::ClearLanguageList();
  }
  void Config(const std::string& xml) { ASSERT_TRUE(tmp_.Write("config.xml", xml)); }

  TempFolder tmp_;
  ScopedEnv env_;
  std::vector<std::string> traces_;
  base::TraceHook traces_hook_;
};

TEST_F(ConfigTest, StartupPassReadsLanguagesAndTheDeviceName) {
  Config(R"(<?xml version="1.0" encoding="UTF-8"?>
<config>
  <language.info default_lan="1033"><lan value="2052"/><lan value="1033"/><lan value="2052"/><lan value=""/></language.info>
  <device/>
  <software caption="Second Mouse" version="1.2"/>
</config>)");
  tavrick::AddLanguage(1041);  // cleared by the pass
  EXPECT_TRUE(tavrick::ReadStartupConfig());
  EXPECT_EQ(tavrick::GetLanguageList(), (std::vector<int>{2052, 1033, 0}));
  EXPECT_EQ(tavrick::GetProvisionalLanguageId(), 1033);
  EXPECT_EQ(DUI::Manager::GetDeviceName(), "Second Mouse");
}

TEST_F(ConfigTest, StartupPassFindsSoftwareOnlyAfterTheLanguages) {
  Config(R"(<config><software caption="Too Early"/><language.info><lan value="1033"/></language.info></config>)");
  EXPECT_TRUE(tavrick::ReadStartupConfig());
  EXPECT_EQ(tavrick::GetLanguageList(), std::vector<int>{1033});
  EXPECT_EQ(DUI::Manager::GetDeviceName(), "Orvell Tavrick");

  // Without language.info the search starts at the first child and finds it; an empty
  // caption is taken as it stands.
  Config(R"(<config><software caption=""/></config>)");
  EXPECT_TRUE(tavrick::ReadStartupConfig());
  EXPECT_EQ(DUI::Manager::GetDeviceName(), "");
}

TEST_F(ConfigTest, MissingOrBrokenFileChangesNothing) {
  DUI::Manager::SetDeviceName("Kept");
  tavrick::AddLanguage(2052);
  EXPECT_FALSE(tavrick::ReadStartupConfig());  // no file
  EXPECT_TRUE(tavrick::GetLanguageList().empty());
  EXPECT_EQ(DUI::Manager::GetDeviceName(), "Kept");

  Config("<config><language.info><lan value=\"1033\"></language.info>");  // not well formed
  EXPECT_FALSE(tavrick::ReadStartupConfig());
  EXPECT_TRUE(tavrick::GetLanguageList().empty());
  Collector c;
  EXPECT_FALSE(tavrick::ReadDeviceConfig(c));
  EXPECT_TRUE(c.lines.empty());
}

TEST_F(ConfigTest, CaptionThatWouldLeaveItsFolderIsIgnored) {
  for (const char* caption : {"../../.ssh", "a/b", ".."}) {
    SCOPED_TRACE(caption);
    traces_.clear();
    Config(std::string("<config><software caption=\"") + caption + "\"/></config>");
    EXPECT_TRUE(tavrick::ReadStartupConfig());
    EXPECT_EQ(DUI::Manager::GetDeviceName(), "Orvell Tavrick");
    ASSERT_EQ(traces_.size(), 1u);
    EXPECT_NE(traces_[0].find("caption"), std::string::npos);
  }
}

TEST_F(ConfigTest, DevicePassHandsOverMiceModesAndSoftwareInOrder) {
  Config(R"(<config>
  <language.info><lan value="1033"/></language.info>
  <device>
    <mouse name="Alpha" device_type="7" device_attr="alpha" image="alpha.png">
      <mode value="0" desc="USB" vid="1209" pid="00aB" dev_id="A100" hid_interface="0"/>
      <other/>
      <mode value="1" desc="2.4G" vid="0x1209" pid="00AB" dev_id="A1" hid_interface="2"/>
    </mouse>
    <mouse name="No modes" device_type="x"/>
    <mouse name="Long" device_type="99999999999999" image="../../../etc/passwd" device_attr="..">
      <mode vid="FFFFFFFFFF" pid="" value="-1"/>
    </mouse>
  </device>
  <software caption="Orvell Tavrick" version="0.1.0">
    <website url="http://w"/><feedback url="http://f"/><qa url="http://q"/>
    <store url="http://s"/><upgrade url="http://127.0.0.1:8731"/><copyright info="(c) us"/>
  </software>
</config>)");
  Collector c;
  ASSERT_TRUE(tavrick::ReadDeviceConfig(c));
  const std::vector<std::string> expected = {
      "mouse Alpha type=7 attr=alpha image=alpha.png",
      "mode of Alpha value=0 desc=USB dev_id=A100 if=0",
      "device 4617:171 type=7 mode=0 id=A100",
      "mode of Alpha value=1 desc=2.4G dev_id=A1 if=2",
      "device 0:171 type=7 mode=1 id=A1",  // "0x1209" reads as 0
      "mouse No modes type=0 attr= image=",
      "mouse Long type=2147483647 attr= image=",  // saturated; unsafe names are absent
      "mode of Long value=-1 desc= dev_id= if=",
      "device 4294967295:0 type=2147483647 mode=-1 id=",
      "software Orvell Tavrick v0.1.0",
  };
  EXPECT_EQ(c.lines, expected);
  ASSERT_EQ(c.mice.size(), 3u);
  EXPECT_EQ(c.mice[0].image_path, tmp_.Path() + "/skins/theme1/device/alpha.png");
  EXPECT_EQ(c.mice[2].image_path, "");
  EXPECT_EQ(traces_.size(), 2u);  // one line per rejected name
  ASSERT_EQ(c.software.size(), 1u);
  const auto& s = c.software[0];
  EXPECT_EQ(s.website, "http://w");
  EXPECT_EQ(s.feedback, "http://f");
  EXPECT_EQ(s.qa, "http://q");
  EXPECT_EQ(s.store, "http://s");
  EXPECT_EQ(s.upgrade, "http://127.0.0.1:8731");
  EXPECT_EQ(s.copyright, "(c) us");
}

TEST_F(ConfigTest, SoftwareBeforeDeviceIsNotRead) {
  Config(R"(<config>
  <software caption="X" version="9"><website url="http://w"/></software>
  <device><mouse name="M" device_type="1"><mode value="0" vid="1209" pid="1"/></mouse></device>
</config>)");
  Collector c;
  ASSERT_TRUE(tavrick::ReadDeviceConfig(c));
  EXPECT_EQ(c.mice.size(), 1u);
  EXPECT_EQ(c.devices.size(), 1u);
  EXPECT_TRUE(c.software.empty());
}

TEST_F(ConfigTest, SoftwareChildrenAreLookedUpInTheirOrder) {
  // "qa" before "website": after finding website the search goes on behind it, so qa is
  // missed while the later children are still found.
  Config(R"(<config><software version="1"><qa url="http://q"/><website url="http://w"/>
    <upgrade url="http://u"/></software></config>)");
  Collector c;
  ASSERT_TRUE(tavrick::ReadDeviceConfig(c));
  ASSERT_EQ(c.software.size(), 1u);
  EXPECT_EQ(c.software[0].website, "http://w");
  EXPECT_EQ(c.software[0].qa, "");
  EXPECT_EQ(c.software[0].upgrade, "http://u");
  EXPECT_EQ(c.software[0].copyright, "");
}

}  // namespace
