#include "widgets/core/PaintManager.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "base/Trace.h"
#include "platform/gui/Keys.h"
#include "platform/gui/Native.h"
#include "platform/gui/Resource.h"
#include "widgets/core/ControlFactory.h"
#include "widgets/core/MAirBladder.h"
#include "widgets/core/MControlFont.h"
#include "widgets/core/MRender.h"
#include "widgets/core/MTooltipWnd.h"
#include "widgets/core/MWindow.h"
#include "widgets/core/Manager.h"
#include "widgets/core/Picture.h"
#include "widgets/core/ProgramFolder.h"

namespace DUI {

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

bool KeyHeld(int vk) { return (Native::GetKeyState(vk) & 0x8000) != 0; }

unsigned CurrentModifiers() {
  unsigned mods = 0;
  if (KeyHeld(VK_MENU)) mods |= MOD_ALT_KEY;
  if (KeyHeld(VK_CONTROL)) mods |= MOD_CTRL_KEY;
  if (KeyHeld(VK_SHIFT)) mods |= MOD_SHIFT_KEY;
  return mods;
}

bool FileExists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// Makes a font file known to text drawing for the whole process; returns its family name.
std::string RegisterFontFile(const std::string& path) {
  static std::mutex lock;
  std::lock_guard<std::mutex> guard(lock);
  int count = 0;
  FcPattern* pattern = FcFreeTypeQuery(reinterpret_cast<const FcChar8*>(path.c_str()), 0, nullptr, &count);
  if (!pattern) return std::string();
  FcChar8* family = nullptr;
  std::string name;
  if (FcPatternGetString(pattern, FC_FAMILY, 0, &family) == FcResultMatch && family)
    name = reinterpret_cast<const char*>(family);
  FcPatternDestroy(pattern);
  if (name.empty()) return name;
  if (FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(path.c_str()))) {
    PangoFontMap* map = pango_cairo_font_map_get_default();
    if (PANGO_IS_FC_FONT_MAP(map)) pango_fc_font_map_config_changed(PANGO_FC_FONT_MAP(map));
  }
  return name;
}

// Whether an installed font family of that name exists.
bool InstalledFamily(const std::string& face) {
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(face.c_str()));
  if (!pattern) return false;
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  bool found = false;
  if (match) {
    FcChar8* family = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &family) == FcResultMatch; ++i)
      if (strcasecmp(reinterpret_cast<const char*>(family), face.c_str()) == 0) found = true;
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return found;
}

// A library font resource as a file that fontconfig can load; written once per process.
std::string ResourceFontFile(unsigned id) {
  const ResourceData res = FindResource(static_cast<int>(id), "TTF");
  if (!res) return std::string();
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::filesystem::path dir = std::filesystem::path(runtime && *runtime ? runtime : "/tmp") /
                              ("lumet-fonts-" + std::to_string(getuid()));
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const std::filesystem::path file = dir / ("resource-" + std::to_string(id) + ".ttf");
  if (std::filesystem::file_size(file, ec) != res.size) {
    const std::filesystem::path tmp = dir / ("resource-" + std::to_string(id) + "." + std::to_string(getpid()));
    {
      std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(res.data), static_cast<std::streamsize>(res.size));
      if (!out) return std::string();
    }
    std::filesystem::rename(tmp, file, ec);
    if (ec) return std::string();
  }
  return file.string();
}

}  // namespace

PaintManager::PaintManager() = default;

PaintManager::~PaintManager() {
  // No tick may reach a half-destroyed manager.
  CMTimer::KillTimer();
  DestroyData();
  ClearAllControls();
  ClearImgResInfo();
}

std::string PaintManager::SkinPath(const std::string& name) {
  std::string rel = name;
  std::replace(rel.begin(), rel.end(), '\\', '/');
  std::string theme = Manager::GetTheme();
  std::replace(theme.begin(), theme.end(), '\\', '/');
  if (!theme.empty() && theme.back() != '/') theme += '/';
  return ProgramFolder() + "skins/" + theme + rel;
}

void PaintManager::Init(HWND hwnd, MWindow* owner) {
  if (!hwnd || !Native::IsWindow(hwnd)) return;
  m_hwnd = hwnd;
  m_tickHwnd.store(hwnd);
  m_owner = owner;
  const std::string fonts = ProgramFolder() + "font/";
  if (FileExists(fonts + "OpenSans-Regular.ttf")) AddTempFont("Open Sans", fonts + "OpenSans-Regular.ttf");
  if (FileExists(fonts + "OpenSans-Semibold.ttf")) AddTempFont("Open Sans Semibold", fonts + "OpenSans-Semibold.ttf");
  m_initialised = true;
  m_scrollV = 102;
  m_scrollH = 101;
  AddGDITempFont(106, "TTF");
}

void PaintManager::DestroyData() {
  if (!m_initialised) return;
  KillMTimer();
  ClearTimers();
  if (m_hwnd && Native::IsWindow(m_hwnd)) Native::KillTimer(m_hwnd, TIMER_CARET);
  ClearTooltip();
  m_tooltipWnd.reset();
  m_balloon.reset();
  ClearAllControls();
  ClearImgResInfo();
  ClearTempFont();
  m_bkImage.reset();
  m_back.Reset();
  m_hover = m_focus = m_pressed = m_caretOwner = nullptr;
  m_initialised = false;
  m_tickHwnd.store(nullptr);
}

// --- controls ------------------------------------------------------------------------------

MControl* PaintManager::CreateControl(MObject* parent, const char* className, unsigned id, CRect rect,
                                      const char* title, int visible, int enabled) {
  return CreateControl(1, parent, className, id, rect, title, visible, enabled);
}

MControl* PaintManager::CreateArea(MObject* parent, const char* className, unsigned id, CRect rect,
                                   const char* title, int visible, int enabled) {
  return CreateControl(0, parent, className, id, rect, title, visible, enabled);
}

MControl* PaintManager::CreateControl(int kind, MObject* parent, const char* className, unsigned id, CRect rect,
                                      const char* title, int visible, int enabled) {
  MControl* control = ControlFactory::Create(FactoryKind::Window, className, parent, id, rect, title, visible, enabled);
  if (!control) return nullptr;
  control->SetManager(this);
  control->InitControl(this);
  AddControl(control, kind);
  return control;
}

void PaintManager::AddControl(MControl* control, int kind) {
  if (!control) return;
  if (!control->GetManager()) control->SetManager(this);
  if (kind == 0) {
    Lock lock(m_areasLock);
    m_areas.push_back(control);
  } else {
    Lock lock(m_controlsLock);
    m_controls.push_back(control);
  }
}

MControl* PaintManager::GetControl(unsigned id) {
  {
    Lock lock(m_controlsLock);
    for (MControl* c : m_controls) {
      if (c->GetControlID() == id) return c;
      if (MControl* found = c->GetControl(id)) return found;
    }
  }
  Lock lock(m_areasLock);
  for (MControl* c : m_areas) {
    if (c->GetControlID() == id) return c;
    if (MControl* found = c->GetControl(id)) return found;
  }
  return nullptr;
}

std::vector<MControl*> PaintManager::GetControls() const {
  Lock lock(m_controlsLock);
  return m_controls;
}

std::vector<MControl*> PaintManager::GetAreas() const {
  Lock lock(m_areasLock);
  return m_areas;
}

int PaintManager::RemoveControl(MControl* control) {
  if (!control) return 0;
  bool found = false;
  {
    Lock lock(m_controlsLock);
    auto it = std::find(m_controls.begin(), m_controls.end(), control);
    if (it != m_controls.end()) {
      m_controls.erase(it);
      found = true;
    }
  }
  if (!found) {
    Lock lock(m_areasLock);
    auto it = std::find(m_areas.begin(), m_areas.end(), control);
    if (it != m_areas.end()) {
      m_areas.erase(it);
      found = true;
    }
  }
  if (!found) return 0;
  const CRect rect = control->GetRect();
  if (m_focus == control) SetFocusControl(nullptr);
  delete control;
  InvalidateRect(rect, 0);
  return 1;
}

void PaintManager::ClearAreaControls() {
  std::vector<MControl*> list;
  {
    Lock lock(m_areasLock);
    list.swap(m_areas);
  }
  for (MControl* c : list) delete c;
}

void PaintManager::ClearControls() {
  std::vector<MControl*> list;
  {
    Lock lock(m_controlsLock);
    list.swap(m_controls);
  }
  for (MControl* c : list) delete c;
}

void PaintManager::ClearAllControls() {
  ClearAreaControls();
  ClearControls();
}

// --- repaint -------------------------------------------------------------------------------

int PaintManager::OnControlUpdate(CRect rect, int redraw, MControl* control) {
  if (!control) return 0;
  const Color back = Color::FromCOLORREF(m_backColor);
  if (redraw) control->SetUpdate(0, back);
  CRect dirty = rect;
  if (m_initialised) {
    bool met = false;
    auto walk = [&](const std::vector<MControl*>& list) {
      for (MControl* c : list) {
        if (c == control) {
          met = true;
          continue;
        }
        if (met && c->IsVisible() && RectsMeet(c->GetRect(), rect)) {
          c->SetUpdate(0, back);
          dirty = RectUnion(dirty, c->GetRect());
        }
      }
    };
    {
      Lock lock(m_areasLock);
      walk(m_areas);
    }
    Lock lock(m_controlsLock);
    walk(m_controls);
  }
  if (m_layered)
    Invalidate();
  else
    InvalidateRect(dirty, 0);
  return 1;
}

void PaintManager::Invalidate() {
  if (m_hwnd) Native::InvalidateRect(m_hwnd, nullptr, false);
}

void PaintManager::InvalidateRect(CRect rect, int erase) {
  if (!m_hwnd || rect.IsRectEmpty()) return;
  if (m_layered) {
    Invalidate();
    return;
  }
  Native::InvalidateRect(m_hwnd, &rect, erase != 0);
}

// --- look ----------------------------------------------------------------------------------

int PaintManager::LoadBKImage(const std::string& file) {
  m_bkImage = MRender::LoadImageFromFile(SkinPath(file));
  Invalidate();
  return m_bkImage ? 1 : 0;
}

int PaintManager::LoadBKImage(unsigned resourceId, const std::string& type) {
  m_bkImage = MRender::LoadImageFromIDResource(resourceId, type);
  Invalidate();
  return m_bkImage ? 1 : 0;
}

void PaintManager::SetBackMode(int mode, int corner) {
  m_backMode = mode;
  m_backCorner = corner;
}

void PaintManager::SetBackColor(COLORREF back, COLORREF border) {
  m_backColor = back;
  m_borderColor = border;
}

// --- image cache and fonts -----------------------------------------------------------------

ImgResInfo* PaintManager::CacheStrip(std::map<std::string, std::unique_ptr<ImgResInfo>>& map, const std::string& key,
                                     std::unique_ptr<Picture> image, int count, const std::string& file, unsigned id) {
  if (!image) return nullptr;
  auto info = std::make_unique<ImgResInfo>();
  info->image = image.get();
  info->count = count;
  info->frameWidth = image->GetWidth() / count;
  info->height = image->GetHeight();
  info->file = file;
  info->resId = id;
  m_ownedImages.push_back(std::move(image));
  ImgResInfo* raw = info.get();
  map[key] = std::move(info);
  return raw;
}

ImgResInfo* PaintManager::AddImgResInfo(const std::string& name, int count) {
  if (name.empty()) return nullptr;
  if (count <= 0) count = 1;
  Lock lock(m_imageLock);
  auto it = m_imagesByName.find(name);
  if (it != m_imagesByName.end()) return it->second.get();
  return CacheStrip(m_imagesByName, name, MRender::LoadImageFromFile(SkinPath(name)), count, name, 0);
}

ImgResInfo* PaintManager::AddImgResInfo(unsigned resourceId, const std::string& type, int count, int fromProgram) {
  if (count <= 0) count = 1;
  auto& map = fromProgram ? m_imagesByProgramId : m_imagesByLibraryId;
  const std::string key = std::to_string(resourceId);
  Lock lock(m_imageLock);
  auto it = map.find(key);
  if (it != map.end()) return it->second.get();
  // The program carries its images as skin files; only the library has compiled-in ones.
  if (fromProgram) return nullptr;
  return CacheStrip(map, key, MRender::LoadImageFromIDResource(resourceId, type), count, std::string(), resourceId);
}

void PaintManager::ClearImgResInfo() {
  Lock lock(m_imageLock);
  m_imagesByName.clear();
  m_imagesByProgramId.clear();
  m_imagesByLibraryId.clear();
  m_ownedImages.clear();
}

size_t PaintManager::GetImageCacheSize() const {
  Lock lock(m_imageLock);
  return m_imagesByName.size() + m_imagesByProgramId.size() + m_imagesByLibraryId.size();
}

std::string PaintManager::AddTempFont(const std::string& face, const std::string& path) {
  if (!FileExists(path)) return std::string();
  const std::string family = RegisterFontFile(path);
  if (family.empty()) return family;
  Lock lock(m_fontLock);
  m_tempFonts[face] = family;
  return family;
}

std::string PaintManager::AddTempFont(const std::string& face, unsigned resourceId) {
  const std::string path = ResourceFontFile(resourceId);
  return path.empty() ? std::string() : AddTempFont(face, path);
}

std::string PaintManager::FindTempFont(const std::string& face) {
  Lock lock(m_fontLock);
  auto it = m_tempFonts.find(face);
  if (it != m_tempFonts.end()) return it->second;
  if (face.empty() || !InstalledFamily(face)) return std::string();
  m_tempFonts[face] = face;
  return face;
}

int PaintManager::AddGDITempFont(unsigned resourceId, const std::string& type) {
  if (!FindResource(static_cast<int>(resourceId), type.c_str())) return 0;
  const std::string path = ResourceFontFile(resourceId);
  if (path.empty() || RegisterFontFile(path).empty()) return 0;
  Lock lock(m_fontLock);
  m_gdiFonts.push_back(resourceId);
  return 1;
}

void PaintManager::ClearTempFont() {
  Lock lock(m_fontLock);
  m_tempFonts.clear();
  m_gdiFonts.clear();
}

// --- control timers ------------------------------------------------------------------------

UINT PaintManager::NextEventId() {
  // Event ids stay below 240 and skip the manager's own fixed ids; an id still held by a
  // record is skipped too, so that two control timers never share one window timer.
  for (int guard = 0; guard < 480; ++guard) {
    m_timerCounter = m_timerCounter + 1;
    const UINT id = m_timerCounter % 240;
    if (id == 0 || id == TIMER_ONESHOT || id == TIMER_OVERLAY_FADE || id == TIMER_OVERLAY_PROGRESS) continue;
    bool used = false;
    for (const TimerRecord& r : m_timers)
      if (r.eventId == id) used = true;
    if (!used) return id;
  }
  return 0;
}

int PaintManager::SetTimer(MControl* control, unsigned id, unsigned elapse) {
  if (!control || !m_hwnd) return 0;
  Lock lock(m_timerLock);
  for (TimerRecord& r : m_timers) {
    if (r.hwnd == m_hwnd && r.control == control && r.id == id) {
      if (!r.killed) return 0;
      if (!Native::SetTimer(m_hwnd, r.eventId, elapse)) return 0;
      r.killed = false;
      return 1;
    }
  }
  const UINT eventId = NextEventId();
  if (eventId == 0 || !Native::SetTimer(m_hwnd, eventId, elapse)) return 0;
  m_timers.push_back(TimerRecord{m_hwnd, id, eventId, false, control});
  return 1;
}

int PaintManager::KillTimer(MControl* control, unsigned id) {
  Lock lock(m_timerLock);
  for (TimerRecord& r : m_timers) {
    if (r.control == control && r.id == id && !r.killed) {
      Native::KillTimer(r.hwnd, r.eventId);
      r.killed = true;
      return 1;
    }
  }
  return 0;
}

void PaintManager::KillTimer(MControl* control) {
  Lock lock(m_timerLock);
  for (auto it = m_timers.begin(); it != m_timers.end();) {
    if (it->control == control) {
      if (!it->killed) Native::KillTimer(it->hwnd, it->eventId);
      it = m_timers.erase(it);
    } else {
      ++it;
    }
  }
}

void PaintManager::ClearTimers() {
  Lock lock(m_timerLock);
  for (const TimerRecord& r : m_timers)
    if (!r.killed) Native::KillTimer(r.hwnd, r.eventId);
  m_timers.clear();
}

UINT PaintManager::GetTimerEventId(MControl* control, unsigned id) const {
  Lock lock(m_timerLock);
  for (const TimerRecord& r : m_timers)
    if (r.control == control && r.id == id) return r.eventId;
  return 0;
}

void PaintManager::OnTimer(UINT eventId) {
  switch (eventId) {
    case TIMER_CARET:
      m_caretShown = !m_caretShown;
      InvalidateRect(m_caretRect, 0);
      return;
    case TIMER_ONESHOT:
      Native::KillTimer(m_hwnd, TIMER_ONESHOT);
      return;
    case TIMER_OVERLAY_FADE:
      m_overlayAlpha -= 10;
      if (m_overlayAlpha < 20) {
        m_overlayText.clear();
        m_progress = m_progressTarget = 0;
        m_overlayAlpha = 255;
        Native::KillTimer(m_hwnd, TIMER_OVERLAY_FADE);
      }
      Invalidate();
      return;
    case TIMER_OVERLAY_PROGRESS:
      if (m_progress < m_progressTarget) m_progress = std::min(m_progress + 2, m_progressTarget);
      if (m_progress >= m_progressTarget) Native::KillTimer(m_hwnd, TIMER_OVERLAY_PROGRESS);
      if (m_progress >= 100) Native::SetTimer(m_hwnd, TIMER_OVERLAY_FADE, 50);
      Invalidate();
      return;
    default:
      break;
  }
  std::vector<MControl*> due;
  {
    Lock lock(m_timerLock);
    for (const TimerRecord& r : m_timers)
      if (r.eventId == eventId && !r.killed) due.push_back(r.control);
  }
  for (MControl* c : due) {
    // A handler may have removed a later control of the list; only live records count.
    bool live = false;
    {
      Lock lock(m_timerLock);
      for (const TimerRecord& r : m_timers)
        if (r.control == c && r.eventId == eventId && !r.killed) live = true;
    }
    if (live) c->OnTimer();
  }
}

// --- the animation tick --------------------------------------------------------------------

unsigned PaintManager::SetMTimer(unsigned elapse) {
  if (m_tickTimerId) CMTimer::KillTimer(m_tickTimerId.load());
  m_tickTimerId = CMTimer::SetTimer(elapse);
  return m_tickTimerId;
}

void PaintManager::KillMTimer(unsigned id) {
  CMTimer::KillTimer(id);
  if (id == m_tickTimerId) m_tickTimerId = 0;
}

void PaintManager::KillMTimer() {
  CMTimer::KillTimer();
  m_tickTimerId = 0;
}

void PaintManager::OnMTimer(uint32_t id) {
  // Timer thread: no control is touched here. One tick message is pending per window at
  // most; the UI thread walks the tick list when it arrives.
  if (id == 0 || id != m_tickTimerId.load()) return;
  HWND hwnd = m_tickHwnd.load();
  if (!hwnd) return;
  if (!m_tickPending.exchange(true)) {
    if (!Native::PostMessage(hwnd, WM_LUMET_TICK, id, 0)) m_tickPending = false;
  }
}

void PaintManager::OnTick() {
  m_tickPending = false;
  Lock lock(m_tickLock);
  for (size_t i = 0; i < m_tickList.size(); ++i) {
    MControl* c = m_tickList[i];
    if (c->IsRunTimer() && c->IsVisible() && c->IsParentVisible()) c->OnTimer();
  }
}

void PaintManager::AddMTimer(MControl* control) {
  if (!control) return;
  Lock lock(m_tickLock);
  if (std::find(m_tickList.begin(), m_tickList.end(), control) == m_tickList.end()) m_tickList.push_back(control);
}

void PaintManager::DeleteTimer(MControl* control) {
  Lock lock(m_tickLock);
  m_tickList.erase(std::remove(m_tickList.begin(), m_tickList.end(), control), m_tickList.end());
}

// --- focus, tooltip, caret -----------------------------------------------------------------

void PaintManager::SetFocusControl(MControl* control) {
  if (control == m_focus) return;
  MControl* old = m_focus;
  m_focus = control;
  if (old) MControl::ApplyFocus(old, 0);
  if (control) MControl::ApplyFocus(control, 1);
}

MControl* PaintManager::GetNextFocusableControl() {
  Lock lock(m_controlsLock);
  auto ok = [](MControl* c) { return c->IsVisible() && c->IsEnabled() && c->IsTabStop(); };
  auto it = std::find(m_controls.begin(), m_controls.end(), m_focus);
  const bool found = it != m_controls.end();
  if (found)
    for (auto j = it + 1; j != m_controls.end(); ++j)
      if (ok(*j)) return *j;
  if (found || !m_focus)
    for (MControl* c : m_controls)
      if (ok(c)) return c;
  return nullptr;
}

MControl* PaintManager::GetPrevFocusableControl() {
  Lock lock(m_controlsLock);
  auto ok = [](MControl* c) { return c->IsVisible() && c->IsEnabled() && c->IsTabStop(); };
  auto it = std::find(m_controls.rbegin(), m_controls.rend(), m_focus);
  const bool found = it != m_controls.rend();
  if (found)
    for (auto j = it + 1; j != m_controls.rend(); ++j)
      if (ok(*j)) return *j;
  if (found || !m_focus)
    for (auto j = m_controls.rbegin(); j != m_controls.rend(); ++j)
      if (ok(*j)) return *j;
  return nullptr;
}

void PaintManager::SetTooltip(const std::string& text, CRect rect) {
  if (text.empty()) {
    m_tooltipText.clear();
    if (m_tooltipWnd) m_tooltipWnd->Hide();
    return;
  }
  m_tooltipText = text;
  if (!m_hwnd) return;
  if (!m_tooltipWnd) m_tooltipWnd = std::make_unique<MTooltipWnd>(this);
  m_tooltipWnd->ShowTip(text, rect);
}

void PaintManager::ClearTooltip() {
  m_tooltipText.clear();
  if (m_tooltipWnd) m_tooltipWnd->Hide();
  m_tooltipId = 0;
  m_tooltipOwner = nullptr;
}

void PaintManager::SetTooltipOwner(MControl* control) {
  m_tooltipOwner = control;
  m_tooltipId = control ? control->GetControlID() : 0;
}

void PaintManager::CreateCaret(int width, int height) {
  m_caretRect = CRect(m_caretRect.left, m_caretRect.top, m_caretRect.left + width, m_caretRect.top + height);
}

void PaintManager::SetCaretPos(MControl* edit, int x, int y) {
  const CRect old = m_caretRect;
  m_caretRect = CRect(x, y, x + old.Width(), y + old.Height());
  m_caretOwner = edit;
  InvalidateRect(old, 0);
  InvalidateRect(m_caretRect, 0);
}

void PaintManager::ShowCaret(int show) {
  if (!m_hwnd) return;
  if (show) {
    m_caretVisible = 1;
    m_caretShown = 1;
    Native::SetTimer(m_hwnd, TIMER_CARET, Native::GetCaretBlinkTime());
  } else {
    m_caretVisible = 0;
    m_caretShown = 0;
    Native::KillTimer(m_hwnd, TIMER_CARET);
  }
  InvalidateRect(m_caretRect, 0);
}

void PaintManager::DrawCaret(HDC& dc, CRect clip) {
  if (!m_caretVisible) return;
  if (!m_caretOwner || !(m_caretOwner->IsFocused() || m_focus == m_caretOwner) || Native::GetFocus() != m_hwnd) {
    if (m_hwnd) Native::KillTimer(m_hwnd, TIMER_CARET);
    m_caretVisible = 0;
    m_caretShown = 0;
    return;
  }
  if (!m_caretShown) return;
  Color color(0xFFFFFFFF);
  if (auto* font = dynamic_cast<MControlFont*>(m_caretOwner)) color = font->GetTextColor();
  MRender::DrawColor(dc, RectIntersection(m_caretRect, clip), Color(254, color.GetR(), color.GetG(), color.GetB()));
}

// --- balloon and overlay -------------------------------------------------------------------

int PaintManager::SetAirBladderMsg(const std::string& text, CPoint screen, AIRBLADDER_TYPE type, AIRBLADDER_MODE mode,
                                   unsigned ownerId) {
  if (!m_hwnd) return 0;
  if (!m_balloon) m_balloon = std::make_unique<MAirBladder>(this);
  m_balloonOwner = ownerId;
  return m_balloon->SetMessage(text, screen, type, mode);
}

void PaintManager::ShowAirBladder(int show, unsigned ownerId) {
  if (!m_balloon) return;
  if (!show && ownerId != 0 && ownerId != m_balloonOwner) return;
  m_balloon->ShowBalloon(show != 0);
}

void PaintManager::SetMessage(const std::string& text, CRect rect) {
  m_overlayText = text;
  m_overlayAlpha = 255;
  if (rect.IsRectEmpty()) {
    const CSize size = GetClientSize();
    rect = CRect(size.cx / 2 - 150, size.cy / 2 - 40, size.cx / 2 + 150, size.cy / 2 + 40);
  }
  m_overlayRect = rect;
  Invalidate();
}

void PaintManager::SetProgress(int target, CRect rect) {
  if (m_overlayRect.IsRectEmpty() || !rect.IsRectEmpty()) SetMessage(m_overlayText, rect);
  m_progressTarget = std::clamp(target, 0, 100);
  if (m_hwnd) Native::SetTimer(m_hwnd, TIMER_OVERLAY_PROGRESS, 20);
}

void PaintManager::DrawOverlay(cairo_t* cr) {
  if (m_overlayText.empty() && m_progressTarget == 0) return;
  const double a = m_overlayAlpha / 255.0;
  const CRect r = m_overlayRect;
  cairo_save(cr);
  cairo_rectangle(cr, r.left, r.top, r.Width(), r.Height());
  cairo_set_source_rgba(cr, 0x14 / 255.0, 0x14 / 255.0, 0x14 / 255.0, a);
  cairo_fill_preserve(cr);
  cairo_set_source_rgba(cr, 0x6D / 255.0, 0x6D / 255.0, 0x6D / 255.0, a);
  cairo_set_line_width(cr, 2);
  cairo_stroke(cr);
  cairo_restore(cr);
  FontSpec font{m_overlayFont, 16, 0};
  HDC dc = cr;
  CRect text = r;
  text.DeflateRect(8, 4);
  if (m_progressTarget > 0) {
    const CRect bar(r.left + 10, r.bottom - 14, r.left + 10 + (r.Width() - 20) * m_progress / 100, r.bottom - 8);
    MRender::DrawColor(dc, bar, Color(Manager::GetSelectColor()));
    text.bottom -= 14;
  }
  MRender::DrawTextW(dc, text, m_overlayText.c_str(), Color(static_cast<unsigned>(255 * a), 255, 255, 255), font,
                     DT_CENTER | DT_VCENTER | DT_WORDBREAK);
}

// --- the native window ---------------------------------------------------------------------

void PaintManager::SetCapture() {
  if (!m_hwnd) return;
  Native::SetCapture(m_hwnd);
  m_captured = 1;
}

void PaintManager::ReleaseCapture() {
  if (m_captured) Native::ReleaseCapture();
  m_captured = 0;
}

LRESULT PaintManager::SendMessageW(UINT msg, WPARAM wParam, LPARAM lParam) {
  return m_hwnd ? Native::SendMessage(m_hwnd, msg, wParam, lParam) : 0;
}

bool PaintManager::PostMessageW(UINT msg, WPARAM wParam, LPARAM lParam) {
  return m_hwnd && Native::PostMessage(m_hwnd, msg, wParam, lParam);
}

CRect PaintManager::GetClientRect() const {
  CRect r;
  if (m_hwnd) Native::GetClientRect(m_hwnd, &r);
  return r;
}

CRect PaintManager::GetWindowRect() const {
  CRect r;
  if (m_hwnd) Native::GetWindowRect(m_hwnd, &r);
  return r;
}

CSize PaintManager::GetClientSize() const {
  const CRect r = GetClientRect();
  return CSize(r.Width(), r.Height());
}

void PaintManager::SetCursorShape(int shape) {
  if (shape) Native::SetCursor(Native::LoadCursor(shape));
}

// --- forgetting controls -------------------------------------------------------------------

void PaintManager::ForgetControl(MControl* control) {
  if (!control) return;
  if (m_hover == control) m_hover = nullptr;
  if (m_pressed == control) {
    m_pressed = nullptr;
    m_lButtonHeld = m_rButtonHeld = 0;
    ReleaseCapture();
  }
  if (m_focus == control) m_focus = nullptr;
  if (m_tooltipOwner == control) ClearTooltip();
  if (m_caretOwner == control) {
    m_caretOwner = nullptr;
    m_caretVisible = m_caretShown = 0;
    if (m_hwnd && Native::IsWindow(m_hwnd)) Native::KillTimer(m_hwnd, TIMER_CARET);
  }
  DeleteTimer(control);
  KillTimer(control);
  {
    Lock lock(m_controlsLock);
    m_controls.erase(std::remove(m_controls.begin(), m_controls.end(), control), m_controls.end());
  }
  Lock lock(m_areasLock);
  m_areas.erase(std::remove(m_areas.begin(), m_areas.end(), control), m_areas.end());
}

void PaintManager::ForgetHidden(MControl* control) {
  if (m_hover == control) m_hover = nullptr;
  if (m_tooltipOwner == control) ClearTooltip();
}

// --- messages ------------------------------------------------------------------------------

LRESULT PaintManager::OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  {
    Lock lock(m_controlsLock);
    for (MControl* c : m_controls)
      if (c->OnWindowMessage(msg, wParam, lParam)) return 0;
  }
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 1;
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      if (!info) return 0;
      if (m_maxTrack.cx > 0 && m_maxTrack.cy > 0) info->ptMaxTrackSize = CPoint(m_maxTrack.cx, m_maxTrack.cy);
      if (m_minTrack.cx > 0 && m_minTrack.cy > 0) info->ptMinTrackSize = CPoint(m_minTrack.cx, m_minTrack.cy);
      const CRect work = Native::GetWorkArea();
      info->ptMaxPosition = work.TopLeft();
      info->ptMaxSize = CPoint(work.Width(), work.Height());
      return 1;
    }
    case WM_NCDESTROY:
      DestroyData();
      return 1;
    case WM_NCACTIVATE:
      OnNcActivate(static_cast<int>(wParam));
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      return OnKeyDown(wParam);
    case WM_KEYUP:
    case WM_SYSKEYUP:
      return 0;
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      if (lParam) return Native::SendMessage(reinterpret_cast<HWND>(lParam), msg + 0x2000, wParam, lParam);
      return 0;
    case WM_TIMER:
      OnTimer(static_cast<UINT>(wParam));
      return 0;
    case WM_MOUSEMOVE:
      return OnMouseMove(wParam, PointFromLParam(lParam));
    case WM_LBUTTONDOWN:
      return OnLButtonDown(wParam, PointFromLParam(lParam));
    case WM_LBUTTONUP:
      return OnLButtonUp(wParam, PointFromLParam(lParam));
    case WM_LBUTTONDBLCLK:
      return OnLButtonDblClk(wParam, PointFromLParam(lParam));
    case WM_RBUTTONDOWN:
      return OnRButtonDown(wParam, PointFromLParam(lParam));
    case WM_RBUTTONUP:
      return OnRButtonUp(wParam, PointFromLParam(lParam));
    case WM_MOUSEWHEEL:
      return OnMouseWheel(GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam), PointFromLParam(lParam));
    case WM_MOUSELEAVE:
      OnMouseLeave();
      return 1;
    case WM_LUMET_TICK:
      OnTick();
      return 1;
    case WM_CREATE:
    case WM_DESTROY:
    case WM_SIZE:
    case WM_CHAR:
    case WM_RBUTTONDBLCLK:
    case WM_MOUSEHOVER:
      return 1;
    default:
      return 0;
  }
}

int PaintManager::PreTranslateMessage(const MSG* msg) {
  if (!msg || !m_hwnd) return 0;
  if (msg->hwnd == m_hwnd && msg->message == WM_KEYDOWN && msg->wParam == VK_TAB) {
    const unsigned mods = CurrentModifiers();
    MControl* target = nullptr;
    if (mods == 0)
      target = GetNextFocusableControl();
    else if (mods == MOD_SHIFT_KEY)
      target = GetPrevFocusableControl();
    else
      return 0;
    if (target && target != m_focus) {
      SetFocusControl(target);
      return 1;
    }
    return 0;
  }
  if (msg->hwnd == m_hwnd && m_tooltipWnd &&
      ((msg->message >= WM_MOUSEFIRST && msg->message <= WM_MOUSELAST)))
    m_tooltipWnd->RelayEvent(*msg);
  return 0;
}

// --- mouse ---------------------------------------------------------------------------------

int PaintManager::OnMouseMove(WPARAM flags, CPoint pt) {
  if (!m_mouseTracked && m_hwnd) {
    Native::TrackMouseEvent(m_hwnd, TME_LEAVE | TME_HOVER, 400);
    m_mouseTracked = 1;
  }
  // The control a button went down on keeps every move until the release, inside or out.
  if ((m_lButtonHeld || m_rButtonHeld) && m_pressed) {
    m_pressed->OnMouseMove(static_cast<unsigned>(flags), pt);
    return 1;
  }
  if (m_hover && m_hover->PtInRect(pt) && m_hover->OnCheckMouseResponse(static_cast<unsigned>(flags), pt) &&
      m_mouseTracked) {
    m_hover->OnMouseMove(static_cast<unsigned>(flags), pt);
    return 1;
  }
  if (m_tooltipOwner && !(m_tooltipOwner->PtInRect(pt))) ClearTooltip();
  MControl* hover = nullptr;
  {
    Lock lock(m_controlsLock);
    for (size_t i = 0; i < m_controls.size(); ++i) {
      MControl* c = m_controls[i];
      c->OnMouseMove(static_cast<unsigned>(flags), pt);
      if (c->PtInRect(pt) && c->GetRresponse() && c->OnCheckMouseResponse(static_cast<unsigned>(flags), pt)) hover = c;
    }
  }
  m_hover = hover;
  return 1;
}

int PaintManager::OnLButtonDown(WPARAM flags, CPoint pt) {
  if (m_focus && m_focus != m_hover) SetFocusControl(nullptr);
  MControl* h = m_hover;
  if (h && h->IsVisible() && h->GetRresponse() && h->PtInRect(pt) &&
      h->OnCheckMouseResponse(static_cast<unsigned>(flags), pt)) {
    m_lButtonHeld = 1;
    m_pressed = h;
    SetFocusControl(h);
    h->OnLButtonDown(static_cast<unsigned>(flags), pt);
    if (!m_captured && m_pressed) SetCapture();
    return 1;
  }
  if (m_wndDrag && m_captionRect.PtInRect(pt) && m_hwnd) {
    ReleaseCapture();
    CPoint screen = pt;
    Native::ClientToScreen(m_hwnd, &screen);
    Native::SendMessage(m_hwnd, WM_NCLBUTTONDOWN, static_cast<WPARAM>(HTCAPTION), LParamFromPoint(screen));
    return 1;
  }
  return 0;
}

int PaintManager::OnLButtonUp(WPARAM flags, CPoint pt) {
  ReleaseCapture();
  MControl* target = (m_lButtonHeld && m_pressed) ? m_pressed : m_hover;
  m_lButtonHeld = 0;
  m_pressed = nullptr;
  if (target && target->IsVisible() && target->GetRresponse()) {
    target->OnLButtonUp(static_cast<unsigned>(flags), pt);
    if (m_hover == target && !target->PtInRect(pt)) m_hover = nullptr;
    return 1;
  }
  return 0;
}

int PaintManager::OnLButtonDblClk(WPARAM flags, CPoint pt) {
  MControl* h = m_hover;
  if (!h || !h->IsVisible() || !h->GetRresponse()) return 0;
  // A double click stands for the second press: its release goes to the same control.
  m_lButtonHeld = 1;
  m_pressed = h;
  h->OnLButtonDblClk(static_cast<unsigned>(flags), pt);
  if (m_pressed && !h->PtInRect(pt)) {
    m_hover = nullptr;
  }
  return 1;
}

int PaintManager::OnRButtonDown(WPARAM flags, CPoint pt) {
  if (m_focus && m_focus != m_hover) SetFocusControl(nullptr);
  MControl* h = m_hover;
  if (h && h->IsVisible() && h->GetRresponse() && h->PtInRect(pt) &&
      h->OnCheckMouseResponse(static_cast<unsigned>(flags), pt)) {
    m_rButtonHeld = 1;
    m_pressed = h;
    SetFocusControl(h);
    h->OnRButtonDown(static_cast<unsigned>(flags), pt);
    if (!m_captured && m_pressed) SetCapture();
    return 1;
  }
  return 0;
}

int PaintManager::OnRButtonUp(WPARAM flags, CPoint pt) {
  ReleaseCapture();
  MControl* target = (m_rButtonHeld && m_pressed) ? m_pressed : m_hover;
  m_rButtonHeld = 0;
  m_pressed = nullptr;
  if (target && target->IsVisible() && target->GetRresponse()) {
    target->OnRButtonUp(static_cast<unsigned>(flags), pt);
    if (m_hover == target && !target->PtInRect(pt)) m_hover = nullptr;
    return 1;
  }
  return 0;
}

int PaintManager::OnMouseWheel(WPARAM flags, int delta, CPoint screen) {
  (void)flags;
  CPoint pt = screen;
  if (m_hwnd) Native::ScreenToClient(m_hwnd, &pt);
  const int notches = delta / WHEEL_DELTA;
  const int steps = notches < 0 ? -notches : notches;
  const unsigned dir = notches <= 0 ? 1 : 0;
  int handled = 0;
  for (int i = 0; i < steps; ++i) {
    if (m_hover && m_hover->OnScroll(1, dir, pt)) {
      handled = 1;
      continue;
    }
    Lock lock(m_controlsLock);
    for (MControl* c : m_controls)
      if (c->OnScroll(1, dir, pt)) {
        handled = 1;
        break;
      }
  }
  return handled;
}

void PaintManager::OnMouseLeave() {
  ClearTooltip();
  m_mouseTracked = 0;
  if (m_lButtonHeld || m_rButtonHeld) return;
  if (MControl* h = m_hover) {
    m_hover = nullptr;
    h->OnMouseMove(0, CPoint(-1, -1));
  }
}

void PaintManager::OnNcActivate(int active) {
  m_active = active;
  if (!active) {
    MControl* held = (m_lButtonHeld || m_rButtonHeld) ? m_pressed : nullptr;
    MControl* hover = m_hover;
    m_hover = nullptr;
    m_pressed = nullptr;
    m_lButtonHeld = m_rButtonHeld = 0;
    ReleaseCapture();
    if (held)
      held->OnLButtonUp(0, CPoint(-1, -1));
    else if (hover)
      hover->OnMouseMove(0, CPoint(-1, -1));
  }
  Invalidate();
}

int PaintManager::OnKeyDown(WPARAM key) {
  const unsigned mods = CurrentModifiers();
  const unsigned k = static_cast<unsigned>(key);
  if (m_hover && m_hover->OnKeyDown(k, 1, mods)) return 1;
  Lock lock(m_controlsLock);
  for (MControl* c : m_controls)
    if (c != m_hover && c->OnKeyDown(k, 1, mods)) break;
  return 1;
}

// --- painting ------------------------------------------------------------------------------

void PaintManager::Render(CRect update) {
  const CSize size = GetClientSize();
  if (size.cx <= 0 || size.cy <= 0) return;
  if (!m_back.IsValid() || m_back.Width() != size.cx || m_back.Height() != size.cy) {
    if (!m_back.Create(size.cx, size.cy)) return;
    update = CRect(0, 0, size.cx, size.cy);
    // A new surface holds no control pixels: every cache must be refreshed.
    const Color back = Color::FromCOLORREF(m_backColor);
    for (MControl* c : GetAreas()) c->SetUpdate(0, back);
    for (MControl* c : GetControls()) c->SetUpdate(0, back);
  }
  const CRect client(0, 0, size.cx, size.cy);
  if (m_layered) update = client;
  update = RectIntersection(update, client);
  if (update.IsRectEmpty()) return;

  cairo_t* cr = cairo_create(m_back.Native());
  HDC dc = cr;
  cairo_rectangle(cr, update.left, update.top, update.Width(), update.Height());
  cairo_clip(cr);
  if (m_layered) {
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_restore(cr);
  }
  if (m_bkImage) {
    if (m_backMode == BACK_MODE_NINEGRID)
      MRender::DrawImageFrame(dc, m_bkImage.get(), client, 0, 0, m_bkImage->GetWidth(), m_bkImage->GetHeight(),
                              m_backCorner);
    else
      MRender::DrawImage(dc, m_bkImage.get(), CRect(0, 0, m_bkImage->GetWidth(), m_bkImage->GetHeight()), 0, 0,
                         m_bkImage->GetWidth(), m_bkImage->GetHeight());
  } else {
    CRect inner = client;
    inner.DeflateRect(1, 1);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    const Color border = Color::FromCOLORREF(m_borderColor, 254);
    const Color back = Color::FromCOLORREF(m_backColor, 254);
    cairo_set_source_rgba(cr, border.GetR() / 255.0, border.GetG() / 255.0, border.GetB() / 255.0, 254 / 255.0);
    cairo_paint(cr);
    cairo_rectangle(cr, inner.left, inner.top, inner.Width(), inner.Height());
    cairo_set_source_rgba(cr, back.GetR() / 255.0, back.GetG() / 255.0, back.GetB() / 255.0, 254 / 255.0);
    cairo_fill(cr);
    cairo_restore(cr);
  }
  const CRect clip = m_layered ? client : update;
  for (MControl* c : GetAreas()) c->Draw(dc, clip);
  for (MControl* c : GetControls()) c->Draw(dc, clip);
  DrawCaret(dc, clip);
  cairo_destroy(cr);

  if (m_layered) {
    // Drawing that left a pixel's alpha at 0 while giving it a colour meant it to be seen.
    cairo_surface_flush(m_back.Native());
    unsigned char* data = reinterpret_cast<unsigned char*>(m_back.Bits());
    const int stride = m_back.Stride();
    for (int y = update.top; y < update.bottom; ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(data + y * stride);
      for (int x = update.left; x < update.right; ++x)
        if ((row[x] >> 24) == 0 && (row[x] & 0x00FFFFFF) != 0) row[x] |= 0xFF000000u;
    }
    m_back.MarkDirty();
  }
  if (!m_overlayText.empty() || m_progressTarget > 0) {
    cairo_t* ov = cairo_create(m_back.Native());
    DrawOverlay(ov);
    cairo_destroy(ov);
  }
  cairo_surface_flush(m_back.Native());
  ++m_paintCount;
}

void PaintManager::OnPaint() {
  if (!m_hwnd || Native::IsIconic(m_hwnd)) return;
  PAINTSTRUCT ps;
  if (!Native::BeginPaint(m_hwnd, &ps)) return;
  if (!ps.rcPaint.IsRectEmpty()) {
    Render(ps.rcPaint);
    if (m_back.IsValid()) {
      if (m_layered) {
        Native::ModifyStyleEx(m_hwnd, 0, WS_EX_LAYERED);
        Native::UpdateLayeredWindow(m_hwnd, m_back, 255);
      } else {
        Native::PresentSurface(m_hwnd, m_back, ps.rcPaint);
      }
    }
  }
  Native::EndPaint(m_hwnd, &ps);
  if (m_paintPause > 0) std::this_thread::sleep_for(std::chrono::milliseconds(m_paintPause));
}

}  // namespace DUI
