#pragma once
// Process-wide values of the widget library: the program's module handle, the default font
// of new controls, the accent colour, the skin theme and the device name, the identity
// string under which the program runs. All of them are written during start-up, before
// any window or thread exists, and only read afterwards.
#include <cstdint>
#include <string>

namespace DUI {

class MWindow;
struct MSG;

class Manager {
 public:
  Manager() = delete;

  static void SetInstance(void* instance);
  static void* GetInstance();

  // Controls created afterwards take these values; existing controls keep theirs.
  static void SetFont(const std::string& face, int size_px);
  static void SetFontName(const std::string& face);
  static const std::string& GetFontName();
  static int GetFontWidth();

  static void SetDeviceName(const std::string& name);
  static const std::string& GetDeviceName();

  // 32-bit ARGB accent colour of selected items, progress fills and highlights.
  static uint32_t GetSelectColor();

  // The skin theme sub-folder, always "theme1/".
  static std::string GetTheme();

  // Runs the UI thread's message loop until the quit message and returns its exit code. A
  // message that arrives while Alt and F4 are both held is dropped, so Alt+F4 never closes
  // the windows of this loop.
  static int MessageLoop();
  // 1 when Alt and F4 are both held down (the message is then not dispatched), else 0.
  static int PreTranslateMessage(MSG* msg);

  // A process-wide set of open windows; nothing relies on it beyond bookkeeping.
  static void AddWnd(MWindow* window);
  static void DeleteWnd(MWindow* window);
  static bool HasWnd(const MWindow* window);

  static constexpr const char* kDefaultFontName = "Open Sans Semibold";
  static constexpr int kDefaultFontWidth = 14;
  static constexpr uint32_t kDefaultSelectColor = 0xFF49FFE6;  // red 73, green 255, blue 230
  static constexpr const char* kDefaultDeviceName = "Orvell Tavrick";

 private:
  static void* m_hInstance;
  static std::string m_fontname;
  static int m_fontwidth;
  static uint32_t m_select_color;
  static std::string m_dev_name;
  static unsigned int m_uControlID;  // reserved
};

}  // namespace DUI
