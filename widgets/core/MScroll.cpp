#include "widgets/core/MScroll.h"

#include <algorithm>

#include "widgets/core/MRender.h"
#include "widgets/core/Manager.h"
#include "widgets/core/PaintManager.h"

namespace DUI {

MScroll::MScroll(MObject* parent, unsigned id, CRect rect, int visible)
    : MControlFont(parent, id, rect, "", visible, 1, 1) {}

void MScroll::SetScrollMaxRange(int max) {
  m_maxRange = std::max(max, 0);
  if (m_autoPage) m_page = 0;
  m_pos = std::clamp(m_pos, 0, m_maxRange);
}

void MScroll::SetScrollCurrentPos(int pos) {
  m_pos = std::clamp(pos, 0, m_maxRange);
  SetRange();
}

void MScroll::SetScrollCurrentPosEx(int pos) {
  m_pos = std::clamp(pos, 0, m_maxRange);
  SetRangeEx();
}

void MScroll::SetScrollSize(int page, int step) {
  if (page != 0) {
    m_page = page;
    m_autoPage = 0;
  }
  if (step != 0) m_step = step;
}

void MScroll::SetScrollInfo(int max, int pos, int page, int step) {
  SetScrollMaxRange(max);
  SetScrollSize(page, step);
  SetScrollCurrentPos(pos);
}

bool MScroll::ScrollRow(int rows) {
  const int old = m_pos;
  m_pos = std::clamp(m_pos + rows * m_step, 0, m_maxRange);
  if (m_pos == old) return false;
  SetRange();
  return true;
}

void MScroll::SetScrollFinalPos() { SetScrollCurrentPos(m_maxRange); }

int MScroll::ThumbLength() const { return m_thumbLength; }

void MScroll::Layout() {
  const int start = AxisStart(), end = AxisEnd();
  const int barLength = end - start;
  const int track = std::max(TrackLength(), 0);
  if (m_page == 0 || m_autoPage) {
    m_page = (static_cast<long long>(barLength) * 10 < m_maxRange) ? m_maxRange / 10 : barLength;
    m_autoPage = 1;
  }
  // Thumb length: the page's share of the track, at least 100 pixels where the track allows,
  // and never longer than the track nor shorter than a few pixels.
  int length = m_maxRange > 0 ? static_cast<int>(static_cast<double>(m_page) / m_maxRange * track) : track;
  length = std::max(length, m_arrowSize / 2);
  if (length < 100) length = (track - 50 > 100) ? 100 : track - 50;
  length = std::clamp(length, std::min(track, 8), track);
  m_thumbLength = length;
  const int range = track - length;
  int top = start + m_arrowSize;
  if (range > 0 && m_maxRange > 0) top += static_cast<int>(static_cast<double>(m_pos) / m_maxRange * range);
  top = std::clamp(top, start + m_arrowSize, std::max(start + m_arrowSize, end - m_arrowSize / 2 - m_arrowSize));
  if (top + length > end) {
    top = std::max(start + m_arrowSize, end - length);
    m_pos = range > 0 ? static_cast<int>(static_cast<long long>(m_maxRange) * (top - start - m_arrowSize) / range) : 0;
  }
  PlaceThumb(top, length);
  m_canScroll = m_page < m_maxRange ? 1 : 0;
}

int MScroll::DoMoveRange(int delta) {
  if (delta == 0) return 0;
  const int start = AxisStart() + m_arrowSize, end = AxisEnd() - m_arrowSize;
  const int length = m_thumbLength;
  const int from = ThumbStart();
  const int to = std::clamp(from + delta, start, std::max(start, end - length));
  const int moved = to - from;
  if (moved == 0) return 0;
  PlaceThumb(to, length);
  const int range = TrackLength() - length;
  m_pos = range > 0 ? static_cast<int>(static_cast<long long>(m_maxRange) * (to - start) / range) : 0;
  m_pos = std::clamp(m_pos, 0, m_maxRange);
  m_changing = 1;
  UpdateControl(m_rect, 0, 1);
  SendMessageW(NOTIFY_SCROLL, static_cast<unsigned long>(m_pos), 0);
  m_changing = 0;
  return moved;
}

int MScroll::OnControlMouseMove(unsigned flags, CPoint pt) {
  if (!m_canScroll || !m_enabled) return 0;
  const int oldState = m_hoverState, oldHot = m_thumbHot;
  if (m_hoverState == 2) {
    const int moved = MoveRange(Coord(pt) - m_lastCoord);
    m_lastCoord += moved;
    return 1;
  }
  if (!(flags & MK_LBUTTON)) {
    m_hoverState = m_rect.PtInRect(pt) ? 1 : 0;
    m_thumbHot = m_thumb.PtInRect(pt) ? 1 : 0;
  }
  if (oldState != m_hoverState || oldHot != m_thumbHot) UpdateControl(1, 0);
  return m_hoverState != 0;
}

int MScroll::OnControlLButtonDown(unsigned, CPoint pt) {
  if (!m_canScroll || !m_enabled) return 0;
  if (m_thumb.PtInRect(pt)) {
    m_hoverState = 2;
    m_lastCoord = Coord(pt);
    UpdateControl(1, 0);
    return 1;
  }
  const int track = TrackLength();
  const int pagePixels = m_maxRange > 0 ? static_cast<int>(static_cast<long long>(track) * m_page / m_maxRange) : 0;
  MoveRange(Coord(pt) < ThumbStart() ? -pagePixels : pagePixels);
  return 1;
}

int MScroll::OnControlLButtonUp(unsigned, CPoint pt) {
  if (!m_canScroll || !m_enabled) return 0;
  const int old = m_hoverState;
  m_lastCoord = -1;
  m_hoverState = m_thumb.PtInRect(pt) ? 1 : 0;
  if (old != m_hoverState) UpdateControl(1, 0);
  return 1;
}

void MScroll::DrawControl(HDC& dc, CRect) {
  if (!m_canScroll) return;
  DrawCached(dc, [this](cairo_t* cache) {
    HDC c = cache;
    const CRect thumb(m_thumb.left - m_rect.left, m_thumb.top - m_rect.top, m_thumb.right - m_rect.left,
                      m_thumb.bottom - m_rect.top);
    MRender::DrawColor(c, CRect(thumb.left, 0, m_rect.Width(), m_rect.Height()), Color(0xFF141414));
    MRender::DrawColor(c, thumb, Color(Manager::GetSelectColor()));
  });
}

void CScrollVertical::InitControl(PaintManager* manager) {
  if (!manager) return;
  if (manager->GetScrollVID())
    SetImage(manager->GetScrollVID(), "PNG", 4);
  else
    SetImage("img_scroll_v.png", 1);
}

void CScrollHorizontal::InitControl(PaintManager* manager) {
  if (!manager) return;
  if (manager->GetScrollHID())
    SetImage(manager->GetScrollHID(), "PNG", 4);
  else
    SetImage("img_scroll_h.png", 1);
}

}  // namespace DUI
