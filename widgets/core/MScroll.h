#pragma once
// Scroll bars. The thumb length follows the page, never below a minimum, and every division
// is guarded, so an empty range or a bar shorter than the minimum thumb stays well-formed.
#include "widgets/core/MControlFont.h"

namespace DUI {

class MScroll : public MControlFont {
 public:
  MScroll(MObject* parent, unsigned id, CRect rect, int visible);
  const char* GetClassNameW() const override { return "MScroll"; }

  virtual int MoveRange(int delta) = 0;
  virtual void SetRange() = 0;
  virtual void SetRangeEx() { SetRange(); }

  void SetScrollMaxRange(int max);
  int GetScrollMaxRange() const { return m_maxRange; }
  void SetScrollCurrentPos(int pos);
  void SetScrollCurrentPosEx(int pos);
  int GetScrollCurrentPos() const { return m_pos; }
  void SetScrollSize(int page, int step);
  int GetScrollPage() const { return m_page; }
  int GetScrollStep() const { return m_step; }
  void SetScrollInfo(int max, int pos, int page, int step);
  // pos += rows x step, kept in [0, max]; true when it changed.
  bool ScrollRow(int rows);
  void SetScrollFinalPos();
  int IsChangeing() const { return m_changing; }
  int CanScroll() const { return m_canScroll; }
  CRect GetThumbRect() const { return m_thumb; }
  int GetHoverState() const { return m_hoverState; }

 protected:
  void DrawControl(HDC& dc, CRect clip) override;
  // The geometry along the bar's axis: start and end of the bar, and the thumb's start.
  virtual int AxisStart() const = 0;
  virtual int AxisEnd() const = 0;
  virtual int Coord(CPoint pt) const = 0;
  virtual int ThumbStart() const = 0;
  virtual void PlaceThumb(int start, int length) = 0;
  void Layout();
  int DoMoveRange(int delta);
  int OnControlMouseMove(unsigned flags, CPoint pt) override;
  int OnControlLButtonDown(unsigned flags, CPoint pt) override;
  int OnControlLButtonUp(unsigned flags, CPoint pt) override;
  int TrackLength() const { return AxisEnd() - AxisStart() - 2 * m_arrowSize; }
  int ThumbLength() const;

  int m_hoverState = 0;  // 0 none, 1 over the bar, 2 dragging the thumb
  int m_overBar = 0;
  int m_thumbHot = 0;
  int m_canScroll = 0;
  int m_arrowSize = 0;
  int m_maxRange = 1000;
  int m_pos = 0;
  int m_page = 0;
  int m_step = 10;
  CRect m_thumb;
  int m_autoPage = 0;
  int m_changing = 0;
  int m_lastCoord = -1;
  int m_thumbLength = 0;
};

class CScrollVertical : public MScroll {
 public:
  using MScroll::MScroll;
  const char* GetClassNameW() const override { return "CScrollVertical"; }
  void InitControl(PaintManager* manager) override;
  int MoveRange(int delta) override { return DoMoveRange(delta); }
  void SetRange() override { Layout(); }

 protected:
  int AxisStart() const override { return m_rect.top; }
  int AxisEnd() const override { return m_rect.bottom; }
  int Coord(CPoint pt) const override { return pt.y; }
  int ThumbStart() const override { return m_thumb.top; }
  void PlaceThumb(int start, int length) override { m_thumb = CRect(m_rect.left, start, m_rect.right, start + length); }
};

class CScrollHorizontal : public MScroll {
 public:
  using MScroll::MScroll;
  const char* GetClassNameW() const override { return "CScrollHorizontal"; }
  void InitControl(PaintManager* manager) override;
  int MoveRange(int delta) override { return DoMoveRange(delta); }
  void SetRange() override { Layout(); }

 protected:
  int AxisStart() const override { return m_rect.left; }
  int AxisEnd() const override { return m_rect.right; }
  int Coord(CPoint pt) const override { return pt.x; }
  int ThumbStart() const override { return m_thumb.left; }
  void PlaceThumb(int start, int length) override { m_thumb = CRect(start, m_rect.top, start + length, m_rect.bottom); }
};

}  // namespace DUI
