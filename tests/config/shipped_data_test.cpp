// The data files that come with the program, as copied next to the built test programs.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "app/Config.h"
#include "app/Language.h"
#include "base/Text.h"
#include "platform/system/Folders.h"
#include "platform/system/IniFile.h"
#include "tests/support/ScopedEnv.h"
#include "widgets/core/Manager.h"

namespace {

using tavrick::test::ScopedEnv;

// Every text number the program shows, as the pages, dialogs and update steps name them.
const int kUsedTexts[] = {
    1, 2, 3, 5, 6, 7, 11, 12, 15, 16, 17, 20, 22, 23, 25, 26, 27, 30, 31, 32, 36, 38, 39, 50, 51, 52,
    56, 57, 61, 71, 72, 73, 74, 75, 76, 85, 86, 100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110,
    112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128, 129, 130, 131,
    132, 133, 134, 139, 140, 142, 150, 151, 152, 153, 154, 155, 160, 161, 162, 170, 171, 175, 177, 180,
    181, 182, 183, 185, 186, 187, 250, 251, 252, 253, 254, 255, 256, 257, 258, 260, 265, 266, 267, 268,
    269, 270, 271, 272, 275, 276, 278, 279, 280, 281, 282, 283, 284, 285, 350, 351, 352, 353, 355, 357,
    358, 359, 360, 361, 362, 363, 364, 365, 366, 367, 368, 385, 386, 387, 388, 389, 390, 391, 392, 393,
    394, 395, 397, 398, 404, 410, 411, 415, 416, 417, 501, 502, 503, 505, 506, 507, 508, 509, 511, 512,
    515, 516, 517, 525, 531, 532, 533, 534, 535, 536, 537, 551, 552, 558, 570, 571, 576, 578, 580, 581,
    582, 583, 590, 591, 592, 593, 596, 600, 603, 604, 605, 607, 608, 609, 611, 612, 615, 616, 630,
};

class ShippedData : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.Unset("TAVRICK_PROGRAM_FOLDER");
    DUI::Manager::SetDeviceName("Orvell Tavrick");
  }
  void TearDown() override {
    tavrick::ClearLanguageList();
    tavrick::SetCurrentLanguageId(2052);
  }
  ScopedEnv env_;
};

TEST_F(ShippedData, LanguageFilesHoldEveryTextInBothLanguages) {
  for (int id : {1033, 2052}) {
    const std::string path = tavrick::LanguageFilePath(id);
    std::string bytes;
    ASSERT_TRUE(tavrick::ReadWholeFile(path, bytes, tavrick::kMaxIniFileBytes)) << path;
    EXPECT_TRUE(base::IsValidUtf8(bytes)) << path;
    for (int number : kUsedTexts) {
      const std::string text = tavrick::FindIniValue(bytes, "LAN", std::to_string(number));
      EXPECT_FALSE(text.empty()) << path << " lacks text " << number;
      EXPECT_LE(base::Utf16Length(text), tavrick::kMaxLanguageTextUnits) << path << " text " << number;
    }
  }
}

TEST_F(ShippedData, NamingRulesFindTheirWords) {
  struct Case { int language; int number; const char* text; };
  const Case cases[] = {
      {1033, 61, "Profile"}, {1033, 351, "Custom"}, {1033, 31, "Copy"},
      {2052, 61, "配置"}, {2052, 351, "自定义"}, {2052, 31, "复制"},
  };
  for (const auto& c : cases) {
    tavrick::SetCurrentLanguageId(c.language);
    EXPECT_EQ(tavrick::GetLanguageText(c.number), c.text) << c.language << "/" << c.number;
  }
}

class Models : public tavrick::DeviceConfigReceiver {
 public:
  std::vector<std::string> lines;
  std::vector<std::string> images;
  void OnMouse(const tavrick::MouseRecord& m) override {
    lines.push_back(m.name + " " + std::to_string(m.device_type) + " " + m.device_attr + " " + m.image);
    images.push_back(m.image_path);
  }
  void OnMode(const tavrick::MouseRecord&, const tavrick::ModeRecord& d) override {
    lines.push_back("  " + std::to_string(d.value) + " " + d.desc + " " + std::to_string(d.vid) + ":" +
                    std::to_string(d.pid) + " " + d.dev_id + " " + d.hid_interface);
  }
  void OnSupportedDevice(const tavrick::SupportedVariant&) override {}
  void OnSoftware(const tavrick::SoftwareInfo& s) override {
    lines.push_back("software " + s.caption + " " + s.version + " " + s.upgrade);
  }
};

TEST_F(ShippedData, ConfigOffersTheLanguagesAndTheEmulatedModels) {
  ASSERT_TRUE(tavrick::ReadStartupConfig());
  EXPECT_EQ(tavrick::GetLanguageList(), (std::vector<int>{1033, 2052}));
  EXPECT_EQ(DUI::Manager::GetDeviceName(), DUI::Manager::kDefaultDeviceName);

  Models models;
  ASSERT_TRUE(tavrick::ReadDeviceConfig(models));
  const std::vector<std::string> expected = {
      "Tavrick Vela 1 vela vela.png",
      "  0 USB 4617:1 V15@ 0",
      "  1 2.4G 4617:2 V15@ 2",
      "Tavrick Kestrel 2 kestrel kestrel.png",
      "  0 USB 4617:3 K2%@ 0",
      "software Orvell Tavrick 0.1.0 http://127.0.0.1:8731",
  };
  EXPECT_EQ(models.lines, expected);
}

}  // namespace
