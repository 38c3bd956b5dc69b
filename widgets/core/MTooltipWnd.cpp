#include "widgets/core/MTooltipWnd.h"

#include <cairo.h>

#include <algorithm>

#include "widgets/core/MRender.h"
#include "widgets/core/MAirBladder.h"
#include "widgets/core/Manager.h"
#include "widgets/core/PaintManager.h"

namespace DUI {

namespace {
constexpr int kTipMaxWidth = 256;
constexpr int kTipPad = 6;
const FontSpec kTipFont{"Open Sans", 12, 0};
}  // namespace

HWND MTipWindow::EnsureWindow(const char* title, DWORD exStyle) {
  if (m_hwnd && Native::IsWindow(m_hwnd)) return m_hwnd;
  HWND owner = m_manager ? m_manager->GetPaintWnd() : nullptr;
  return Create(owner, title, WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_LUMET_POPUP | WS_EX_NOACTIVATE | exStyle,
                CRect(0, 0, 10, 10), nullptr);
}

LRESULT MTipWindow::OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    Native::BeginPaint(m_hwnd, &ps);
    const CRect client = GetClientRect();
    if (client.Width() > 0 && client.Height() > 0 && m_surface.Create(client.Width(), client.Height())) {
      cairo_t* cr = cairo_create(m_surface.Native());
      HDC dc = cr;
      Paint(dc, client.Width(), client.Height());
      cairo_destroy(cr);
      if (IsLayeredTip())
        Native::UpdateLayeredWindow(m_hwnd, m_surface, 255);
      else
        Native::PresentSurface(m_hwnd, m_surface, client);
    }
    Native::EndPaint(m_hwnd, &ps);
    return 0;
  }
  if (msg == WM_ERASEBKGND) return 1;
  return MWindow::OnWindowMessage(msg, wParam, lParam);
}

void MTooltipWnd::ShowTip(const std::string& text, CRect) {
  if (!EnsureWindow("Tooltip Window", WS_EX_TRANSPARENT)) return;
  m_text = text;
  const CSize bounds = MRender::GetTextBounds(kTipFont, text);
  m_size = CSize(std::min(bounds.cx, kTipMaxWidth) + 2 * kTipPad, bounds.cy + 2 * kTipPad);
  if (bounds.cx > kTipMaxWidth) m_size.cy += bounds.cy * (bounds.cx / kTipMaxWidth);
  CPoint cursor;
  Native::GetCursorPos(&cursor);
  PlaceAt(cursor);
  Native::ShowWindow(m_hwnd, SW_SHOWNOACTIVATE);
  Native::InvalidateRect(m_hwnd, nullptr, false);
}

void MTooltipWnd::PlaceAt(CPoint screen) {
  const CRect work = Native::GetWorkAreaFromPoint(screen);
  int x = screen.x + 12, y = screen.y + 20;
  if (x + m_size.cx > work.right) x = work.right - m_size.cx;
  if (y + m_size.cy > work.bottom) y = screen.y - m_size.cy - 4;
  Native::SetWindowPos(m_hwnd, HWND_TOPMOST, x, y, m_size.cx, m_size.cy, SWP_NOACTIVATE);
}

void MTooltipWnd::Hide() {
  m_text.clear();
  if (m_hwnd && Native::IsWindowVisible(m_hwnd)) Native::ShowWindow(m_hwnd, SW_HIDE);
}

bool MTooltipWnd::IsShown() const { return m_hwnd && Native::IsWindowVisible(m_hwnd); }

void MTooltipWnd::RelayEvent(const MSG& msg) {
  if (!IsShown() || msg.message != WM_MOUSEMOVE) return;
  PlaceAt(msg.pt);
}

void MTooltipWnd::Paint(HDC& dc, int width, int height) {
  ImgResInfo* bk = m_manager ? m_manager->AddImgResInfo("img_tooltip_bk.png", 1) : nullptr;
  Color text(0xFF1E1E1E);
  if (bk) {
    MRender::DrawImageFrame(dc, bk->image, CRect(0, 0, width, height), 0, 0, bk->frameWidth, bk->height, 4);
    text = Color(0xFFE6F0EE);
  } else {
    MRender::DrawColor(dc, CRect(0, 0, width, height), Color::FromCOLORREF(16119285));
    MRender::DrawRectangle(dc, CRect(0, 0, width, height), Color(0xFF767676), 1);
  }
  MRender::DrawTextW(dc, CRect(kTipPad, kTipPad, width - kTipPad, height - kTipPad), m_text.c_str(), text, kTipFont,
                     DT_LEFT | DT_TOP | DT_WORDBREAK);
}

// --- balloon -------------------------------------------------------------------------------

namespace {
const FontSpec kBalloonFont{"Open Sans Semibold", 14, 0};
constexpr UINT kBalloonHideTimer = 1;
}  // namespace

MAirBladder::MAirBladder(PaintManager* manager) : MTipWindow(manager) {
  EnsureWindow("AirBladder Window", WS_EX_LAYERED);
  if (m_manager) {
    m_manager->AddImgResInfo("img_tip_bk.png", 1);
    m_manager->AddImgResInfo("img_tip_arrow_left.png", 1);
    m_manager->AddImgResInfo("img_tip_arrow_right.png", 1);
    m_manager->AddImgResInfo("img_tip_arrow_top.png", 1);
  }
  if (m_hwnd) Native::SetWindowRoundRegion(m_hwnd, 3);
}

CRect MAirBladder::FitRect(CPoint p, int w, int h, int n, int mode) {
  switch (mode) {
    case 1: return CRect(p.x, p.y, p.x + w + 40, p.y + n * h + 20);
    case 2: return CRect(p.x - w - 40, p.y - 27, p.x, p.y - 27 + n * h + 20);
    case 3: return CRect(p.x - 25, p.y, p.x + w + 15, p.y + n * h + 30);
    case 4: return CRect(p.x - (w + 30) / 2, p.y - n * h - 20, p.x - (w + 30) / 2 + w + 30, p.y);
    case 5: {
      const int lines = n - 2;
      // A placement that would end above its start is given the height of its text.
      const int bottom = std::max(p.y - 10 + lines * h - 35, p.y - 10 + h + 10);
      return CRect(p.x, p.y - 10, p.x + w + 40, bottom);
    }
    default: return CRect(0, 0, w + 40, n * h + 20);
  }
}

int MAirBladder::SetMessage(const std::string& text, CPoint screen, int type, int mode) {
  if (text == m_text && screen == m_point && type == m_type && mode == m_mode) return 1;
  m_text = text;
  m_point = screen;
  m_type = type;
  m_mode = mode;
  m_lines = 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  int width = 0;
  size_t start = 0;
  m_lineHeight = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const CSize b = MRender::GetTextBounds(kBalloonFont, text.substr(start, end - start));
    width = std::max(width, b.cx);
    m_lineHeight = std::max(m_lineHeight, b.cy);
    start = end + 1;
  }
  m_fit = FitRect(screen, width, m_lineHeight, m_lines, mode);
  if (m_hwnd) {
    Native::SetWindowPos(m_hwnd, HWND_TOPMOST, m_fit.left, m_fit.top, m_fit.Width(), m_fit.Height(), SWP_NOACTIVATE);
    Native::InvalidateRect(m_hwnd, nullptr, false);
    if (type != 4) Native::SetTimer(m_hwnd, kBalloonHideTimer, 5000);
  }
  return 1;
}

void MAirBladder::ShowBalloon(bool show) {
  if (!m_hwnd) return;
  Native::ShowWindow(m_hwnd, show ? SW_SHOWNOACTIVATE : SW_HIDE);
  if (!show) {
    Native::KillTimer(m_hwnd, kBalloonHideTimer);
    m_text.clear();
    m_type = m_mode = -1;
  }
}

bool MAirBladder::IsShown() const { return m_hwnd && Native::IsWindowVisible(m_hwnd); }

LRESULT MAirBladder::OnWindowMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_TIMER && wParam == kBalloonHideTimer) {
    ShowBalloon(false);
    return 0;
  }
  if (msg == WM_KILLFOCUS && m_mode != 5) ShowBalloon(false);
  return MTipWindow::OnWindowMessage(msg, wParam, lParam);
}

void MAirBladder::Paint(HDC& dc, int width, int height) {
  ImgResInfo* bk = m_manager ? m_manager->AddImgResInfo("img_tip_bk.png", 1) : nullptr;
  if (bk)
    MRender::DrawImageFrame(dc, bk->image, CRect(0, 0, width, height), 0, 0, bk->frameWidth, bk->height, 6);
  else
    MRender::DrawRoundRectange(dc, 0, 0, width, height, 3, Color(0xF0141A1E), Color(Manager::GetSelectColor()), 1, true);
  const int nh = m_lines * m_lineHeight;
  const CRect text(8, (height - nh) / 2 + m_lines - 1, width - 8, (height - nh) / 2 + m_lines - 1 + nh + 2);
  const unsigned align = (m_lines == 1 || m_mode == 4) ? (DT_CENTER | DT_VCENTER) : (DT_LEFT | DT_TOP);
  MRender::DrawTextW(dc, text, m_text.c_str(), Color(0xFFFFFFFF), kBalloonFont, align | DT_WORDBREAK);
}

}  // namespace DUI
