#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/system/Folders.h"
#include "platform/system/IniFile.h"
#include "platform/system/Locale.h"
#include "platform/system/SettingsFile.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempFolder.h"
#include "widgets/core/Manager.h"

namespace {

using tavrick::test::ScopedEnv;
using tavrick::test::TempFolder;

std::vector<std::string> ListFolder(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(path.c_str())) {
    while (dirent* e = ::readdir(d)) {
      const std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    ::closedir(d);
  }
  return names;
}

// ---- folders ----

TEST(Folders, FollowTheXdgRootsAndTheDeviceName) {
  ScopedEnv env;
  env.Set("XDG_DATA_HOME", "/data/root").Set("XDG_CONFIG_HOME", "/conf/root/");
  EXPECT_EQ(tavrick::GetUserDataFolder(), "/data/root/Orvell Tavrick Files/");
  EXPECT_EQ(tavrick::GetSettingsFolder(), "/conf/root/Orvell Tavrick/");
  EXPECT_EQ(tavrick::SettingsFilePath(), "/conf/root/Orvell Tavrick/settings.ini");

  // Unset or relative roots fall back to the home folder.
  env.Unset("XDG_DATA_HOME").Set("XDG_CONFIG_HOME", "relative/path").Set("HOME", "/home/u");
  EXPECT_EQ(tavrick::GetUserDataFolder(), "/home/u/.local/share/Orvell Tavrick Files/");
  EXPECT_EQ(tavrick::GetSettingsFolder(), "/home/u/.config/Orvell Tavrick/");

  DUI::Manager::SetDeviceName("Second Install");
  EXPECT_EQ(tavrick::GetUserDataFolder(), "/home/u/.local/share/Second Install Files/");
  DUI::Manager::SetDeviceName("Orvell Tavrick");
}

TEST(Folders, ProgramFolderIsTheExecutablesUnlessOverridden) {
  ScopedEnv env;
  env.Unset("TAVRICK_PROGRAM_FOLDER");
  // The test program lies in build/bin; the folder must name that very file.
  const std::string folder = tavrick::GetProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  struct stat self {}, there {};
  ASSERT_EQ(::stat("/proc/self/exe", &self), 0);
  ASSERT_EQ(::stat((folder + "tests_system").c_str(), &there), 0) << folder;
  EXPECT_EQ(self.st_ino, there.st_ino);

  env.Set("TAVRICK_PROGRAM_FOLDER", "/opt/tavrick");
  EXPECT_EQ(tavrick::GetProgramFolder(), "/opt/tavrick/");
  EXPECT_EQ(tavrick::GetSkinFolder(), "/opt/tavrick/skins/theme1/");
}

TEST(Folders, CreateFolderTreeMakesEveryLevel) {
  TempFolder tmp;
  ASSERT_FALSE(tmp.Path().empty());
  const std::string deep = tmp.File("a/b/c/db");
  EXPECT_TRUE(tavrick::CreateFolderTree(deep));
  struct stat st {};
  ASSERT_EQ(::stat(deep.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_TRUE(tavrick::CreateFolderTree(deep));        // already there
  EXPECT_TRUE(tavrick::CreateFolderTree(deep + "/"));  // with the trailing slash

  ASSERT_TRUE(tmp.Write("plain", "x"));
  EXPECT_FALSE(tavrick::CreateFolderTree(tmp.File("plain")));        // a file is no folder
  EXPECT_FALSE(tavrick::CreateFolderTree(tmp.File("plain/below")));  // nor can hold one
  EXPECT_FALSE(tavrick::CreateFolderTree(""));
}

TEST(Folders, SafeFileNames) {
  struct Case { std::string name; bool safe; };
  const Case cases[] = {
      {"vela.png", true}, {"Orvell Tavrick", true}, {"a..b", true}, {"...", true},
      {"..", false}, {".", false}, {"../vela.png", false}, {"device/vela.png", false},
      {"/etc/passwd", false}, {std::string("a\0b", 3), false},
  };
  for (const auto& c : cases) EXPECT_EQ(tavrick::IsSafeFileName(c.name), c.safe) << c.name;
}

// ---- settings file ----

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(tmp_.Path().empty());
    env_.Set("XDG_CONFIG_HOME", tmp_.Path());
  }
  std::string Folder() const { return tmp_.File("Orvell Tavrick"); }
  TempFolder tmp_;
  ScopedEnv env_;
};

TEST_F(SettingsFile, MissingFileIsAMissingKey) {
  EXPECT_EQ(tavrick::GetSettingsState(), tavrick::SettingsState::Missing);
  const auto v = tavrick::ReadSetting("LCID");
  EXPECT_EQ(v.state, tavrick::SettingsState::Missing);
  EXPECT_FALSE(v.found);
  // Writing without creating does nothing, as writing to a key that cannot be opened.
  EXPECT_FALSE(tavrick::WriteSetting("LCID", "1033"));
  EXPECT_FALSE(tmp_.Exists("Orvell Tavrick/settings.ini"));

  EXPECT_TRUE(tavrick::CreateSettingsFile());
  EXPECT_EQ(tmp_.Read("Orvell Tavrick/settings.ini"), "");
  EXPECT_EQ(tavrick::ReadSetting("LCID").state, tavrick::SettingsState::Ok);
  EXPECT_FALSE(tavrick::ReadSetting("LCID").found);
}

TEST_F(SettingsFile, WritesReplaceOneValueAndKeepTheOthers) {
  ASSERT_TRUE(tavrick::WriteSetting("LCID", "2052", /*create_if_missing=*/true));
  ASSERT_TRUE(tavrick::WriteSetting("exit_mode", "1"));
  ASSERT_TRUE(tavrick::WriteSetting("LCID", "1033"));
  EXPECT_EQ(tmp_.Read("Orvell Tavrick/settings.ini"), "LCID=1033\nexit_mode=1\n");
  EXPECT_EQ(tavrick::ReadSetting("LCID").text, "1033");
  EXPECT_EQ(tavrick::ReadSetting("exit_mode").text, "1");
  EXPECT_FALSE(tavrick::ReadSetting("lcid").found);  // names compare exactly
  // Nothing but the file is left in the folder: the temporary files were renamed away.
  EXPECT_EQ(ListFolder(Folder()), std::vector<std::string>{"settings.ini"});

  // Names and values that would break the line format are refused, the file unchanged.
  EXPECT_FALSE(tavrick::WriteSetting("a=b", "1"));
  EXPECT_FALSE(tavrick::WriteSetting("DeviceType", "1\nLCID=0"));
  EXPECT_FALSE(tavrick::WriteSetting("", "1"));
  EXPECT_EQ(tmp_.Read("Orvell Tavrick/settings.ini"), "LCID=1033\nexit_mode=1\n");
}

TEST_F(SettingsFile, ReadsHandWrittenFiles) {
  ASSERT_TRUE(tmp_.Write("Orvell Tavrick/settings.ini",
                         "# by hand\r\n[settings]\r\n  LCID = 1041 \r\nDeviceType=2\r\nnoise\r\nDeviceType=3\r\n"));
  EXPECT_EQ(tavrick::ReadSetting("LCID").text, "1041");
  EXPECT_EQ(tavrick::ReadSetting("DeviceType").text, "3");
  EXPECT_FALSE(tavrick::ReadSetting("noise").found);
}

TEST_F(SettingsFile, PresentButUnreadableIsNeitherReadNorWritten) {
  // A folder where the file should be: present, but no file to read (works even as root).
  ASSERT_TRUE(tavrick::CreateFolderTree(Folder() + "/settings.ini"));
  EXPECT_EQ(tavrick::GetSettingsState(), tavrick::SettingsState::Unreadable);
  EXPECT_EQ(tavrick::ReadSetting("LCID").state, tavrick::SettingsState::Unreadable);
  EXPECT_FALSE(tavrick::CreateSettingsFile());
  EXPECT_FALSE(tavrick::WriteSetting("LCID", "1033", true));
  ::rmdir((Folder() + "/settings.ini").c_str());

  if (::geteuid() != 0) {  // permissions do not stop root
    ASSERT_TRUE(tmp_.Write("Orvell Tavrick/settings.ini", "LCID=1033\n"));
    ::chmod(tmp_.File("Orvell Tavrick/settings.ini").c_str(), 0);
    EXPECT_EQ(tavrick::ReadSetting("LCID").state, tavrick::SettingsState::Unreadable);
    EXPECT_FALSE(tavrick::WriteSetting("LCID", "2052"));
  }
}

// ---- INI reader ----

std::string Utf16Le(const std::u16string& text, bool mark = true) {
  std::string out = mark ? std::string("\xFF\xFE") : std::string();
  for (char16_t u : text) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  }
  return out;
}

TEST(IniReader, FindsKeysByTheReadersRules) {
  const std::string file =
      "; comment line\n"
      "[Other]\n1=other\n"
      "[lan]\r\n"
      "1=Profile\r\n"
      "  2 =  padded value  \r\n"
      "3=\"quoted\"\r"
      "4='x\"\n"
      "5=a=b\n"
      "6=\n"
      "1=second one\n"
      "[LAN]\n7=in a second section of the same name\n";
  struct Case { const char* section; const char* key; const char* value; };
  const Case cases[] = {
      {"LAN", "1", "Profile"},          // section names ignore case; the first key wins
      {"LAN", "2", "padded value"},
      {"LAN", "3", "quoted"},           // one pair of matching quotes goes
      {"LAN", "4", "'x\""},             // mismatched quotes stay
      {"LAN", "5", "a=b"},
      {"LAN", "6", ""},
      {"LAN", "7", ""},                 // only the first section of a name is read
      {"LAN", "8", ""},
      {"Other", "1", "other"},
      {"Missing", "1", ""},
      {"LAN", " 2 ", "padded value"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tavrick::FindIniValue(file, c.section, c.key), c.value) << c.section << "/" << c.key;
  }
}

TEST(IniReader, ReadsEveryEncodingOfOurLanguageFiles) {
  const std::string expected = "配置 Profile";
  struct Case { const char* what; std::string bytes; };
  const Case cases[] = {
      {"UTF-8", "[LAN]\n61=配置 Profile\n"},
      {"UTF-8 with mark", "\xEF\xBB\xBF[LAN]\n61=配置 Profile\n"},
      {"UTF-16LE with mark", Utf16Le(u"[LAN]\r\n61=配置 Profile\r\n")},
  };
  for (const auto& c : cases) EXPECT_EQ(tavrick::FindIniValue(c.bytes, "LAN", "61"), expected) << c.what;

  // A character outside the basic plane survives the UTF-16 path as a pair.
  EXPECT_EQ(tavrick::FindIniValue(Utf16Le(u"[LAN]\n1=\U0001F600\n"), "LAN", "1"), "\xF0\x9F\x98\x80");
  // Broken UTF-8 is read with replacement characters instead of being dropped.
  EXPECT_EQ(tavrick::FindIniValue("[LAN]\n1=a\xFF" "b\n", "LAN", "1"), "a\xEF\xBF\xBD" "b");
  // Without its mark UTF-16 is not recognised; nothing is found, nothing breaks.
  EXPECT_EQ(tavrick::FindIniValue(Utf16Le(u"[LAN]\n1=x\n", false), "LAN", "1"), "");
  EXPECT_EQ(tavrick::FindIniValue("", "LAN", "1"), "");
}

TEST(IniReader, ReadsFilesAnewAndRefusesWhatCannotBeRead) {
  TempFolder tmp;
  ASSERT_TRUE(tmp.Write("1033.lan", "[LAN]\n1=before\n"));
  EXPECT_EQ(tavrick::ReadIniString(tmp.File("1033.lan"), "LAN", "1"), "before");
  ASSERT_TRUE(tmp.Write("1033.lan", "[LAN]\n1=after\n"));
  EXPECT_EQ(tavrick::ReadIniString(tmp.File("1033.lan"), "LAN", "1"), "after");
  EXPECT_EQ(tavrick::ReadIniString(tmp.File("none.lan"), "LAN", "1"), "");
  EXPECT_EQ(tavrick::ReadIniString(tmp.Path(), "LAN", "1"), "");  // a folder
  std::string big = "[LAN]\n1=x\n";
  big.resize(tavrick::kMaxIniFileBytes + 1, '\n');
  ASSERT_TRUE(tmp.Write("big.lan", big));
  EXPECT_EQ(tavrick::ReadIniString(tmp.File("big.lan"), "LAN", "1"), "");
}

// ---- locale ----

TEST(Locale, MapsLocaleNamesToLanguageIds) {
  struct Case { const char* locale; int id; };
  const Case cases[] = {
      {"en_US.UTF-8", 1033}, {"en_GB", 1033}, {"en", 1033}, {"zh_CN.UTF-8", 2052},
      {"zh_SG", 2052}, {"zh", 2052}, {"zh_TW.UTF-8", 1028}, {"zh_HK", 1028},
      {"zh-Hant", 1028}, {"zh_Hans_HK", 2052}, {"de_DE@euro", 1031}, {"DE_at", 1031},
      {"pt_BR.UTF-8", 2070}, {"ja_JP.eucJP", 1041}, {"uk_UA", 1058}, {"ms_MY", 1086},
      {"ar_EG", 1025}, {"C", 0}, {"POSIX", 0}, {"C.UTF-8", 0}, {"", 0}, {"nl_NL", 0},
      {"eng", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(tavrick::LanguageIdFromLocale(c.locale), c.id) << c.locale;
}

TEST(Locale, TakesTheFirstVariableThatIsSet) {
  ScopedEnv env;
  env.Unset("LANGUAGE").Unset("LC_ALL").Unset("LC_MESSAGES").Unset("LANG");
  EXPECT_EQ(tavrick::GetUserUiLanguage(), 0);
  env.Set("LANG", "de_DE.UTF-8");
  EXPECT_EQ(tavrick::GetUserUiLanguage(), 1031);
  env.Set("LC_MESSAGES", "fr_FR.UTF-8");
  EXPECT_EQ(tavrick::GetUserUiLanguage(), 1036);
  env.Set("LC_ALL", "zh_CN.UTF-8");
  EXPECT_EQ(tavrick::GetUserUiLanguage(), 2052);
  env.Set("LANGUAGE", "nl:ko:en");  // the first entry we know
  EXPECT_EQ(tavrick::GetUserUiLanguage(), 1042);
  env.Set("LANGUAGE", "");          // empty means unset
  EXPECT_EQ(tavrick::GetUserUiLanguage(), 2052);
  env.Set("LC_ALL", "C");           // set, but no language
  EXPECT_EQ(tavrick::GetUserUiLanguage(), 0);
}

}  // namespace
