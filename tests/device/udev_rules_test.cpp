// The udev rule generated from config.xml: one line per distinct supported id, padded and
// in lower case, with the uaccess tag (never a mode of 0666).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string Generate(const std::string& config_text, const std::filesystem::path& dir) {
  const auto config = dir / "config.xml";
  const auto out = dir / "70-tavrick.rules";
  std::ofstream(config) << config_text;
  const std::string command = std::string("\"") + TAVRICK_CMAKE_COMMAND + "\" -DCONFIG=\"" + config.string() +
                              "\" -DOUT=\"" + out.string() + "\" -P \"" TAVRICK_SOURCE_DIR "/cmake/UdevRules.cmake\"";
  EXPECT_EQ(std::system(command.c_str()), 0);
  std::ifstream in(out);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(UdevRules, OneRulePerSupportedId) {
  const auto dir = std::filesystem::temp_directory_path() / ("tavrick-udev-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string rules = Generate(R"(<?xml version="1.0" encoding="utf-8"?>
<config><device>
  <mouse name="A" device_type="1" device_attr="a">
    <mode value="0" vid="1209" pid="1" dev_id="V15@"/>
    <mode pid='0002' value="1" vid="1209" hid_interface="2"/>
    <!-- <mode value="0" vid="dead" pid="beef"/> -->
  </mouse>
  <mouse name="B" device_type="2" device_attr="b">
    <mode value="0" vid="ABCD" pid="00EF"/>
    <mode value="0" vid="abcd" pid="ef"/>
    <mode value="0" vid="0x12" pid="1"/>
  </mouse>
</device></config>)",
                                     dir);
  const std::string line = "KERNEL==\"hidraw*\", SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"%s\", ATTRS{idProduct}==\"%s\", TAG+=\"uaccess\"\n";
  auto rule = [&](const char* v, const char* p) {
    char buf[256];
    std::snprintf(buf, sizeof buf, line.c_str(), v, p);
    return std::string(buf);
  };
  const std::string body = rules.substr(rules.find("KERNEL"));
  EXPECT_EQ(body, rule("1209", "0001") + rule("1209", "0002") + rule("abcd", "00ef"));
  EXPECT_EQ(rules.find("0666"), std::string::npos);
  std::filesystem::remove_all(dir);
}

}  // namespace
