#pragma once
// The engine of one window: owns its top-level controls, turns window messages into control
// events, keeps hover, focus and capture, paints every control into an off-screen surface,
// caches skin images and private fonts, runs control timers and the animation tick, and shows
// the tooltip and the balloon tip.
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gui/Messages.h"
#include "platform/gui/Surface.h"
#include "platform/gui/Types.h"
#include "widgets/core/CMTimer.h"
#include "widgets/core/MControl.h"
#include "widgets/core/Types.h"

namespace DUI {

class MWindow;
class MObject;
class Picture;
class MAirBladder;
class MTooltipWnd;

// One cached image strip.
struct ImgResInfo {
  Picture* image = nullptr;
  int frameWidth = 0;  // image width / frame count
  int height = 0;
  int count = 1;
  std::string file;
  unsigned resId = 0;
};

// Window background drawing.
enum enumBackMode : int { BACK_MODE_ORIGIN = 0, BACK_MODE_NINEGRID = 1 };

// Balloon tip kinds and placements.
using AIRBLADDER_TYPE = int;
using AIRBLADDER_MODE = int;

// Posted by the animation tick; handled on the UI thread.
inline constexpr UINT WM_LUMET_TICK = WM_APP + 0x100;

// Window timer event ids with a fixed meaning inside the manager.
inline constexpr UINT TIMER_CARET = 6553;
inline constexpr UINT TIMER_ONESHOT = 66;
inline constexpr UINT TIMER_OVERLAY_FADE = 88;
inline constexpr UINT TIMER_OVERLAY_PROGRESS = 99;

class PaintManager : public CMTimer {
 public:
  PaintManager();
  ~PaintManager() override;
  PaintManager(const PaintManager&) = delete;
  PaintManager& operator=(const PaintManager&) = delete;

  void Init(HWND hwnd, MWindow* owner);
  void DestroyData();
  MWindow* GetMDialog() const { return m_owner; }
  HWND GetPaintWnd() const { return m_hwnd; }
  bool IsInitialised() const { return m_initialised; }

  // Controls. The factory creates by exact class name; unknown names give null.
  MControl* CreateControl(MObject* parent, const char* className, unsigned id, CRect rect, const char* title,
                          int visible, int enabled);
  MControl* CreateArea(MObject* parent, const char* className, unsigned id, CRect rect, const char* title,
                       int visible, int enabled);
  MControl* CreateControl(int kind, MObject* parent, const char* className, unsigned id, CRect rect,
                          const char* title, int visible, int enabled);
  // Takes ownership of a control made elsewhere (kind 1 control list, kind 0 area list).
  void AddControl(MControl* control, int kind = 1);
  MControl* GetControl(unsigned id);
  std::vector<MControl*> GetControls() const;
  std::vector<MControl*> GetAreas() const;
  int RemoveControl(MControl* control);
  void ClearAreaControls();
  void ClearControls();
  void ClearAllControls();

  // Repaint.
  int OnControlUpdate(CRect rect, int redraw, MControl* control);
  void Invalidate();
  void InvalidateRect(CRect rect, int erase);

  // Look.
  int LoadBKImage(const std::string& file);
  int LoadBKImage(unsigned resourceId, const std::string& type);
  void SetBackMode(int mode, int corner);
  void SetBackColor(COLORREF back, COLORREF border);
  COLORREF GetBackColor() const { return m_backColor; }
  COLORREF GetBorderColor() const { return m_borderColor; }
  void SetLayeredWindow(int layered) { m_layered = layered; }
  int IsLayered() const { return m_layered; }
  void EnableWndDrag(int on) { m_wndDrag = on; }
  int IsWndDrag() const { return m_wndDrag; }
  void SetCaptionRect(CRect rect) { m_captionRect = rect; }
  CRect GetCaptionRect() const { return m_captionRect; }
  void SetWindowMaxSize(CSize size) { m_maxTrack = size; }
  void SetWindowMixSize(CSize size) { m_minTrack = size; }
  void SetScrollResID(unsigned vertical, unsigned horizontal) { m_scrollV = vertical; m_scrollH = horizontal; }
  unsigned GetScrollVID() const { return m_scrollV; }
  unsigned GetScrollHID() const { return m_scrollH; }
  COLORREF GetDefaultEnabledColor() const { return m_defaultEnabledColor; }
  void SetDefaultEnabledColor(COLORREF c) { m_defaultEnabledColor = c; }

  // Images and fonts. Records belong to the cache; the first load of a name wins.
  ImgResInfo* AddImgResInfo(const std::string& name, int count);
  ImgResInfo* AddImgResInfo(unsigned resourceId, const std::string& type, int count, int fromProgram);
  void ClearImgResInfo();
  size_t GetImageCacheSize() const;
  // Private fonts: the family name under which text drawing finds the face; empty when none.
  std::string AddTempFont(const std::string& face, const std::string& path);
  std::string AddTempFont(const std::string& face, unsigned resourceId);
  std::string FindTempFont(const std::string& face);
  int AddGDITempFont(unsigned resourceId, const std::string& type);
  void ClearTempFont();

  // Control timers (window timers delivered to the control's OnTimer).
  int SetTimer(MControl* control, unsigned id, unsigned elapse);
  int KillTimer(MControl* control, unsigned id);
  void KillTimer(MControl* control);
  void ClearTimers();
  // The window-timer event id of a control's timer, 0 when it has none.
  UINT GetTimerEventId(MControl* control, unsigned id) const;

  // The animation tick.
  unsigned SetMTimer(unsigned elapse);
  void KillMTimer(unsigned id);
  void KillMTimer();
  void AddMTimer(MControl* control);
  void DeleteTimer(MControl* control);

  // Focus, hover, tooltip, caret.
  void SetFocusControl(MControl* control);
  MControl* GetHoverControl() const { return m_hover; }
  MControl* GetFocusControl() const { return m_focus; }
  MControl* GetNextFocusableControl();
  MControl* GetPrevFocusableControl();
  void SetTooltip(const std::string& text, CRect rect);
  void ClearTooltip();
  void SetTooltipCtrlID(unsigned id) { m_tooltipId = id; }
  unsigned GetTooltipCtrlID() const { return m_tooltipId; }
  void SetTooltipOwner(MControl* control);
  MControl* GetTooltipOwner() const { return m_tooltipOwner; }
  const std::string& GetTooltipText() const { return m_tooltipText; }
  MTooltipWnd* GetTooltipWindow() const { return m_tooltipWnd.get(); }
  void CreateCaret(int width, int height);
  void SetCaretPos(MControl* edit, int x, int y);
  void ShowCaret(int show);
  MControl* GetCurrentCaretObject() const { return m_caretOwner; }
  CRect GetCaretRect() const { return m_caretRect; }
  int IsCaretShown() const { return m_caretShown; }
  void DrawCaret(HDC& dc, CRect clip);

  // Balloon tip.
  int SetAirBladderMsg(const std::string& text, CPoint screen, AIRBLADDER_TYPE type, AIRBLADDER_MODE mode,
                       unsigned ownerId = 0);
  void ShowAirBladder(int show, unsigned ownerId = 0);
  MAirBladder* GetAirBladder() const { return m_balloon.get(); }

  // Overlay message and progress.
  void SetMessage(const std::string& text, CRect rect = CRect());
  void SetProgress(int target, CRect rect = CRect());
  const std::string& GetMessage() const { return m_overlayText; }
  int GetProgress() const { return m_progress; }

  // The native window.
  void SetCapture();
  void ReleaseCapture();
  int IsCaptured() const { return m_captured; }
  LRESULT SendMessageW(UINT msg, WPARAM wParam, LPARAM lParam);
  bool PostMessageW(UINT msg, WPARAM wParam, LPARAM lParam);
  CRect GetClientRect() const;
  CRect GetWindowRect() const;
  CSize GetClientSize() const;
  void SetCursorShape(int shape);

  // Messages: non-zero when handled.
  LRESULT OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  int PreTranslateMessage(const MSG* msg);

  // Painting. Render draws the update rectangle into the off-screen surface without
  // presenting; OnPaint renders, presents and then pauses (PaintPause, 15 ms by default,
  // which throttles animation repaints).
  void Render(CRect update);
  void SetPaintPause(int ms) { m_paintPause = ms; }
  // The off-screen surface of the last paint (ARGB32, client size), or null.
  cairo_surface_t* GetBackBuffer() const { return m_back.Native(); }
  const Surface& GetSurface() const { return m_back; }
  uint64_t GetPaintCount() const { return m_paintCount; }

  // Called by controls as they go away or hide: drop every reference to them.
  void ForgetControl(MControl* control);
  void ForgetHidden(MControl* control);

  // The skin path of an image name ("icon\\a.png" or "icon/a.png" under skins/theme1/).
  static std::string SkinPath(const std::string& name);

 protected:
  void OnMTimer(uint32_t id) override;

 private:
  struct TimerRecord {
    HWND hwnd;
    unsigned id;
    UINT eventId;
    bool killed;
    MControl* control;
  };

  void OnPaint();
  int OnMouseMove(WPARAM flags, CPoint pt);
  int OnLButtonDown(WPARAM flags, CPoint pt);
  int OnLButtonUp(WPARAM flags, CPoint pt);
  int OnLButtonDblClk(WPARAM flags, CPoint pt);
  int OnRButtonDown(WPARAM flags, CPoint pt);
  int OnRButtonUp(WPARAM flags, CPoint pt);
  int OnMouseWheel(WPARAM flags, int delta, CPoint screen);
  int OnKeyDown(WPARAM key);
  void OnNcActivate(int active);
  void OnTimer(UINT eventId);
  void OnTick();
  void OnMouseLeave();
  void DrawOverlay(cairo_t* cr);
  void ForgetPointers(MControl* control, bool alsoFocus);
  UINT NextEventId();
  ImgResInfo* CacheStrip(std::map<std::string, std::unique_ptr<ImgResInfo>>& map, const std::string& key,
                         std::unique_ptr<Picture> image, int count, const std::string& file, unsigned id);

  MWindow* m_owner = nullptr;
  bool m_initialised = false;
  std::string m_overlayText;
  HWND m_hwnd = nullptr;
  COLORREF m_backColor = 1116934;
  COLORREF m_borderColor = 15138633;
  CRect m_captionRect;
  CSize m_minTrack, m_maxTrack;
  int m_layered = 0;
  std::unique_ptr<Picture> m_bkImage;
  int m_progress = 0, m_progressTarget = 0;
  std::string m_overlayFont = "Open Sans Semibold";
  CRect m_overlayRect;
  int m_overlayAlpha = 255;
  std::atomic<uint32_t> m_tickTimerId{0};
  std::atomic<HWND> m_tickHwnd{nullptr};
  unsigned m_timerCounter = 4096;
  int m_active = 0;
  int m_mouseTracked = 0;
  int m_lButtonHeld = 0;
  int m_rButtonHeld = 0;
  int m_captured = 0;
  int m_wndDrag = 1;
  unsigned m_scrollV = 0, m_scrollH = 0;
  COLORREF m_defaultEnabledColor = 8421504;
  MControl* m_hover = nullptr;
  MControl* m_focus = nullptr;
  MControl* m_pressed = nullptr;  // the control a button went down on, until the release
  unsigned m_tooltipId = 0;
  MControl* m_tooltipOwner = nullptr;
  std::string m_tooltipText;
  std::unique_ptr<MTooltipWnd> m_tooltipWnd;
  std::unique_ptr<MAirBladder> m_balloon;
  unsigned m_balloonOwner = 0;
  std::vector<MControl*> m_areas, m_controls;
  std::vector<MControl*> m_tickList;
  mutable std::recursive_mutex m_areasLock, m_controlsLock, m_tickLock, m_imageLock, m_timerLock, m_fontLock;
  int m_backMode = 0, m_backCorner = 4;
  CRect m_caretRect;
  int m_caretVisible = 0, m_caretShown = 0;
  MControl* m_caretOwner = nullptr;
  std::map<std::string, std::unique_ptr<ImgResInfo>> m_imagesByName, m_imagesByProgramId, m_imagesByLibraryId;
  std::vector<std::unique_ptr<Picture>> m_ownedImages;
  std::vector<TimerRecord> m_timers;
  std::map<std::string, std::string> m_tempFonts;
  std::vector<unsigned> m_gdiFonts;
  std::atomic<bool> m_tickPending{false};
  int m_paintPause = 15;
  Surface m_back;
  uint64_t m_paintCount = 0;
};

}  // namespace DUI
