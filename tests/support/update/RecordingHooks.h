#pragma once
// UpdateHooks that record every call in order, for tests.
#include <string>
#include <vector>

#include "update/UpdateService.h"

namespace tavrick::test {

class RecordingHooks : public UpdateHooks {
 public:
  std::vector<std::string> calls;  // "label 275 <text>", "button 276 on", "offer 1", ...
  std::vector<int> percents;
  std::vector<std::string> flash_lines;
  int ended = 0;

  void SetLabelText(int id, const std::string& text) override {
    calls.push_back("label " + std::to_string(id) + " " + text);
  }
  void EnableButton(int id, bool enabled) override {
    calls.push_back("button " + std::to_string(id) + (enabled ? " on" : " off"));
  }
  void PostUpdateOffer(int kind) override { calls.push_back("offer " + std::to_string(kind)); }
  std::string LanguageText(int number) override { return "T" + std::to_string(number); }
  void ShowFlashProgress(const std::string& text, const std::string& line, int percent) override {
    flash_lines.push_back(line);
    calls.push_back("flash " + text + " " + std::to_string(percent));
  }
  void CloseFlashDialog() override { calls.push_back("close flash dialog"); }
  void ShowPackageKept(const std::string& path) override { calls.push_back("kept " + path); }
  void EndProgram() override { ++ended; }
  void PostDownloadPercent(int percent) override { percents.push_back(percent); }
};

}  // namespace tavrick::test
