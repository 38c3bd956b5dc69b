// The device catalogue: description files as the main window reads them, leader lines, the
// description path and the remembered model.
#include <gtest/gtest.h>

#include "device/DeviceCatalogue.h"
#include "device/DeviceDescription.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempFolder.h"

namespace tavrick {
namespace {

TEST(LeaderLine, RectText) {
  struct Case {
    const char* text;
    int x1, x2, y;
  };
  const Case cases[] = {{"120#300#85", 120, 300, 85}, {"120", 120, 0, 0}, {"", 0, 0, 0},
                        {"1#2", 1, 2, 0},           {"a#5#x", 0, 5, 0}, {"7#8#9#10", 7, 8, 9}};
  for (const auto& c : cases) {
    const LeaderLine l = ParseRectText(c.text);
    EXPECT_EQ(l.x1, c.x1) << c.text;
    EXPECT_EQ(l.x2, c.x2) << c.text;
    EXPECT_EQ(l.y, c.y) << c.text;
  }
}

TEST(Description, ShippedVelaFile) {
  test::ScopedEnv env;
  env.Unset("TAVRICK_PROGRAM_FOLDER");  // the test binary lives in the program folder
  const std::string path = DescriptionPath("vela");
  ASSERT_EQ(path.substr(path.size() - 15), "device/vela.xml");
  MainWindowDescription d;
  ASSERT_TRUE(ReadMainWindowDescription(path, &d));
  EXPECT_EQ(d.mouse_image, "vela.png");
  EXPECT_EQ(d.has_lighting, true);
  ASSERT_TRUE(d.custom);
  EXPECT_TRUE(d.custom->show_respondtime);
  EXPECT_EQ(d.firmware_url, "http://127.0.0.1:8731/firmware/vela");
  ASSERT_TRUE(d.buttons);
  ASSERT_EQ(d.buttons->size(), 6u);
  const ButtonEntry& middle = (*d.buttons)[2];
  EXPECT_EQ(middle.name_text, 108);
  EXPECT_EQ(middle.key_value, 2);
  EXPECT_EQ(middle.line.x1, 250);
  EXPECT_EQ(middle.line.x2, 300);
  EXPECT_EQ(middle.line.y, 140);
  EXPECT_TRUE(middle.dashed);
  EXPECT_EQ((*d.buttons)[5].func_type, 5);
  EXPECT_EQ((*d.buttons)[5].func_value, 3);
  ASSERT_TRUE(d.light_info);
  EXPECT_EQ(d.light_info->default_light, 4);
  EXPECT_EQ(d.light_info->enabled[5], true);
}

TEST(Description, WholeFileReadsEveryBranch) {
  test::ScopedEnv env;
  env.Unset("TAVRICK_PROGRAM_FOLDER");
  DeviceDescription d;
  ASSERT_TRUE(LoadDeviceDescription(DescriptionPath("kestrel"), d));
  EXPECT_EQ(d.main_window.has_lighting, false);
  ASSERT_TRUE(d.main_window.buttons);
  EXPECT_EQ(d.main_window.buttons->size(), 5u);
  EXPECT_EQ(d.main_window.firmware_url, "http://127.0.0.1:8731/firmware/kestrel");
  ASSERT_TRUE(d.mouse_info.found) << "mouse_info still found after the branches before it";
  EXPECT_EQ(d.mouse_info.dpi_value[5], "10000");
  EXPECT_EQ(ParseColorText(d.mouse_info.dpi_color[1].value_or("")), 65280u);
  EXPECT_EQ(d.mouse_info.lod_extra, 2);
}

TEST(Description, MissingAndMisplacedElements) {
  test::TempFolder dir;
  // custom stands before menu: once menu is read, custom lies behind the reader.
  dir.Write("a.xml", R"(<mouse><image_file mouse_img="m.png"/><custom show_lod="1"/><menu light="0"/>
    <firmware url="u"/><mouse_key/><mouse_info><light_info><light_2 enable="1"/></light_info></mouse_info></mouse>)");
  MainWindowDescription d;
  ASSERT_TRUE(ReadMainWindowDescription(dir.File("a.xml"), &d));
  EXPECT_EQ(d.mouse_image, "m.png");
  EXPECT_EQ(d.has_lighting, false) << "menu light=0 hides the lighting page";
  EXPECT_FALSE(d.custom) << "custom out of order is not found";
  EXPECT_EQ(d.firmware_url, "u");
  ASSERT_TRUE(d.buttons) << "an empty mouse_key still empties the lists";
  EXPECT_TRUE(d.buttons->empty());
  ASSERT_TRUE(d.light_info);
  EXPECT_FALSE(d.light_info->enabled[0]);
  EXPECT_EQ(d.light_info->enabled[1], true);

  dir.Write("b.xml", R"(<mouse><custom show_sensor="2" show_lod="1"/></mouse>)");
  MainWindowDescription flags;
  ASSERT_TRUE(ReadMainWindowDescription(dir.File("b.xml"), &flags));
  EXPECT_FALSE(flags.has_lighting) << "no menu: the page stays as it was";
  ASSERT_TRUE(flags.custom);
  EXPECT_TRUE(flags.custom->show_lod);
  EXPECT_FALSE(flags.custom->show_sensor) << "a flag is exactly 1";

  // Broken, rootless and missing files change nothing.
  dir.Write("broken.xml", "<mouse><menu light=\"1\"></mouse");
  dir.Write("other.xml", "<device><menu light=\"1\"/></device>");
  for (const char* name : {"broken.xml", "other.xml", "missing.xml"}) {
    MainWindowDescription kept;
    kept.mouse_image = "old.png";
    EXPECT_FALSE(ReadMainWindowDescription(dir.File(name), &kept)) << name;
    EXPECT_EQ(kept.mouse_image, "old.png") << name;
  }
}

TEST(Description, PathRefusesNamesOutsideTheFolder) {
  EXPECT_EQ(DescriptionPath("../etc/passwd"), "");
  EXPECT_EQ(DescriptionPath(""), "");
  EXPECT_NE(DescriptionPath("kestrel"), "");
}

TEST(RememberedModel, DeviceTypeInTheSettingsFile) {
  test::TempFolder dir;
  test::ScopedEnv env;
  env.Set("XDG_CONFIG_HOME", dir.Path());
  EXPECT_EQ(LoadDeviceType(), 0) << "no settings file yet";
  ASSERT_TRUE(SaveDeviceType(101));
  EXPECT_EQ(LoadDeviceType(), 101);
  ASSERT_TRUE(SaveDeviceType(2));
  EXPECT_EQ(LoadDeviceType(), 2);
}

}  // namespace
}  // namespace tavrick
