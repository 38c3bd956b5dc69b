#include <gtest/gtest.h>

#include <string>

#include "app/Language.h"
#include "base/Text.h"
#include "platform/system/Folders.h"
#include "platform/system/SettingsFile.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempFolder.h"

namespace {

using tavrick::LanguageSource;
using tavrick::test::ScopedEnv;
using tavrick::test::TempFolder;

// A program folder, a settings root and a locale of its own for every test.
class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(tmp_.Path().empty());
    env_.Set("TAVRICK_PROGRAM_FOLDER", tmp_.File("program"))
        .Set("XDG_CONFIG_HOME", tmp_.File("config"))
        .Unset("LANGUAGE").Unset("LC_ALL").Unset("LC_MESSAGES").Unset("LANG");
    tavrick::ClearLanguageList();
  }
  void TearDown() override {
    tavrick::ClearLanguageList();
    tavrick::SetCurrentLanguageId(2052);
  }
  void List(std::initializer_list<int> ids) {
    for (int id : ids) tavrick::AddLanguage(id);
  }
  std::string Settings() const { return tmp_.Read("config/Orvell Tavrick/settings.ini"); }
  void Store(const std::string& contents) { ASSERT_TRUE(tmp_.Write("config/Orvell Tavrick/settings.ini", contents)); }

  TempFolder tmp_;
  ScopedEnv env_;
};

TEST_F(LanguageTest, ChoosesByTheStoredValueTheLocaleAndTheList) {
  struct Case {
    const char* what;
    const char* settings;  // nullptr: no settings file
    const char* locale;
    int expected;
    LanguageSource source;
    const char* stored_after;
  };
  const Case cases[] = {
      {"first run, German desktop", nullptr, "de_DE.UTF-8", 1033, LanguageSource::English, "LCID=1033\n"},
      {"first run, Chinese desktop", nullptr, "zh_CN.UTF-8", 2052, LanguageSource::SystemLanguage, "LCID=2052\n"},
      {"first run, no locale", nullptr, "", 1033, LanguageSource::English, "LCID=1033\n"},
      {"remembered and listed", "LCID=2052\n", "de_DE.UTF-8", 2052, LanguageSource::Stored, "LCID=2052\n"},
      {"remembered but not listed", "LCID=1041\n", "zh_CN.UTF-8", 1033, LanguageSource::English, "LCID=1033\n"},
      {"file without the value", "exit_mode=1\n", "zh_CN.UTF-8", 2052, LanguageSource::SystemLanguage,
       "exit_mode=1\nLCID=2052\n"},
      {"value 0 is no value", "LCID=0\n", "en_US.UTF-8", 1033, LanguageSource::SystemLanguage, "LCID=1033\n"},
      {"garbage value", "LCID=zh\n", "zh_TW.UTF-8", 1033, LanguageSource::English, "LCID=1033\n"},
      {"overlong digits saturate", "LCID=99999999999999999999\n", "", 1033, LanguageSource::English, "LCID=1033\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ::unlink(tmp_.File("config/Orvell Tavrick/settings.ini").c_str());
    if (c.settings) Store(c.settings);
    if (*c.locale) env_.Set("LANG", c.locale);
    else env_.Unset("LANG");
    tavrick::ClearLanguageList();
    List({2052, 1033});
    const tavrick::LanguageChoice choice = tavrick::LoadLanguageId();
    EXPECT_EQ(choice.id, c.expected);
    EXPECT_EQ(tavrick::GetCurrentLanguageId(), c.expected);
    EXPECT_EQ(choice.source, c.source);
    EXPECT_EQ(Settings(), c.stored_after);
  }
}

TEST_F(LanguageTest, EmptyListAlwaysEndsInEnglish) {
  env_.Set("LANG", "zh_CN.UTF-8");
  Store("LCID=2052\n");
  EXPECT_EQ(tavrick::LoadLanguageId().id, 1033);
  EXPECT_EQ(Settings(), "LCID=1033\n");
}

TEST_F(LanguageTest, UnreadableSettingsFallBackTo2052WhenListed) {
  // Settings present but not readable: a folder stands where the file should be.
  ASSERT_TRUE(tavrick::CreateFolderTree(tmp_.File("config/Orvell Tavrick/settings.ini")));
  env_.Set("LANG", "en_US.UTF-8");
  List({1033, 2052});
  auto choice = tavrick::LoadLanguageId();
  EXPECT_EQ(choice.id, 2052);
  EXPECT_EQ(choice.source, LanguageSource::SettingsUnavailable);
  EXPECT_EQ(choice.settings, tavrick::SettingsState::Unreadable);

  tavrick::ClearLanguageList();
  List({1033, 1031});
  choice = tavrick::LoadLanguageId();
  EXPECT_EQ(choice.id, 1033);
  EXPECT_EQ(choice.source, LanguageSource::English);
}

TEST_F(LanguageTest, SettingsThatCannotBeCreatedFallBackTo2052) {
  // The settings root lies below a plain file, so no folder can be made there.
  ASSERT_TRUE(tmp_.Write("config", "not a folder"));
  env_.Set("LANG", "en_US.UTF-8");
  List({2052, 1033});
  const auto choice = tavrick::LoadLanguageId();
  EXPECT_EQ(choice.id, 2052);
  EXPECT_EQ(choice.source, LanguageSource::SettingsUnavailable);
  EXPECT_FALSE(tavrick::SaveLanguageId(1033));
}

TEST_F(LanguageTest, TextsComeFromTheCurrentFileReadAnewEachTime) {
  ASSERT_TRUE(tmp_.Write("program/language/1033.lan", "[LAN]\n61=Profile\n351=Custom\n"));
  ASSERT_TRUE(tmp_.Write("program/language/2052.lan", "[LAN]\n61=配置\n"));
  tavrick::SetCurrentLanguageId(1033);
  EXPECT_EQ(tavrick::GetLanguageText(61), "Profile");
  EXPECT_EQ(tavrick::GetLanguageText(62), "");
  tavrick::SetCurrentLanguageId(2052);
  EXPECT_EQ(tavrick::GetLanguageText(61), "配置");
  EXPECT_EQ(tavrick::GetLanguageText(351), "");  // no fall-back to English
  ASSERT_TRUE(tmp_.Write("program/language/2052.lan", "[LAN]\n61=配置\n351=自定义\n"));
  EXPECT_EQ(tavrick::GetLanguageText(351), "自定义");  // nothing was cached
  tavrick::SetCurrentLanguageId(1041);  // no such file
  EXPECT_EQ(tavrick::GetLanguageText(61), "");
}

TEST_F(LanguageTest, TextsAreCutAt259Utf16Units) {
  const std::string latin(300, 'a');
  std::string chinese;
  for (int i = 0; i < 300; ++i) chinese += "配";
  // 258 units, then a character that takes two: it does not fit whole and goes.
  const std::string pair = std::string(258, 'b') + "\xF0\x9F\x98\x80" + "tail";
  ASSERT_TRUE(tmp_.Write("program/language/1033.lan",
                         "[LAN]\n1=" + latin + "\n2=" + chinese + "\n3=" + pair + "\n4=" + std::string(259, 'c') + "\n"));
  tavrick::SetCurrentLanguageId(1033);
  EXPECT_EQ(tavrick::GetLanguageText(1), std::string(259, 'a'));
  std::string chinese259;
  for (int i = 0; i < 259; ++i) chinese259 += "配";
  EXPECT_EQ(tavrick::GetLanguageText(2), chinese259);
  EXPECT_EQ(tavrick::GetLanguageText(3), std::string(258, 'b'));
  EXPECT_EQ(tavrick::GetLanguageText(4), std::string(259, 'c'));
}

TEST_F(LanguageTest, ListIsAnOrderedSet) {
  List({2052, 1033, 2052, 1031});
  EXPECT_EQ(tavrick::GetLanguageList(), (std::vector<int>{2052, 1033, 1031}));
  EXPECT_TRUE(tavrick::IsKnownLanguage(1031));
  EXPECT_FALSE(tavrick::IsKnownLanguage(1041));
  EXPECT_EQ(tavrick::GetLanguageName(2052), "简体中文");
  EXPECT_EQ(tavrick::GetLanguageName(1058), "Українська мова");
  EXPECT_EQ(tavrick::GetLanguageName(9999), "");
}

}  // namespace
