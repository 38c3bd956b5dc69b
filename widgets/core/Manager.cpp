#include "widgets/core/Manager.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/gui/Keys.h"
#include "platform/gui/Native.h"

namespace DUI {

void* Manager::m_hInstance = nullptr;
std::string Manager::m_fontname = Manager::kDefaultFontName;
int Manager::m_fontwidth = Manager::kDefaultFontWidth;
uint32_t Manager::m_select_color = Manager::kDefaultSelectColor;
std::string Manager::m_dev_name = Manager::kDefaultDeviceName;
unsigned int Manager::m_uControlID = 0;

namespace {

// Windows may be created and destroyed by tests on several threads, so the set is locked
// even though the program itself only touches it from the UI thread.
std::mutex& WindowsMutex() {
  static std::mutex m;
  return m;
}

std::vector<MWindow*>& Windows() {
  static std::vector<MWindow*> windows;
  return windows;
}

}  // namespace

void Manager::SetInstance(void* instance) { m_hInstance = instance; }
void* Manager::GetInstance() { return m_hInstance; }

void Manager::SetFont(const std::string& face, int size_px) {
  m_fontname = face;
  m_fontwidth = size_px;
}
void Manager::SetFontName(const std::string& face) { m_fontname = face; }
const std::string& Manager::GetFontName() { return m_fontname; }
int Manager::GetFontWidth() { return m_fontwidth; }

void Manager::SetDeviceName(const std::string& name) { m_dev_name = name; }
const std::string& Manager::GetDeviceName() { return m_dev_name; }

uint32_t Manager::GetSelectColor() { return m_select_color; }
std::string Manager::GetTheme() { return "theme1/"; }

void Manager::AddWnd(MWindow* window) {
  std::lock_guard lock(WindowsMutex());
  auto& w = Windows();
  if (window != nullptr && std::find(w.begin(), w.end(), window) == w.end()) w.push_back(window);
}

void Manager::DeleteWnd(MWindow* window) {
  std::lock_guard lock(WindowsMutex());
  auto& w = Windows();
  w.erase(std::remove(w.begin(), w.end(), window), w.end());
}

bool Manager::HasWnd(const MWindow* window) {
  std::lock_guard lock(WindowsMutex());
  const auto& w = Windows();
  return std::find(w.begin(), w.end(), window) != w.end();
}

int Manager::PreTranslateMessage(MSG*) {
  const bool alt = (Native::GetAsyncKeyState(VK_MENU) & 0x8000) != 0;
  const bool f4 = (Native::GetAsyncKeyState(VK_F4) & 0x8000) != 0;
  return alt && f4 ? 1 : 0;
}

int Manager::MessageLoop() {
  return Native::RunMessageLoop([](MSG& msg) { return PreTranslateMessage(&msg) != 0; });
}

}  // namespace DUI
