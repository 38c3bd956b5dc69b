#pragma once
// Controls of the headless backend: no display, windows in memory, a virtual clock, a settable
// screen, injectable input, and every presented frame kept for pixel checks. Tests start it
// with Native::Initialize(Native::Backend::Headless). All calls are for the UI thread.
//
// Injected input goes through the same routing as real input (capture, enabled state,
// activation of pop-ups, double clicks, leave and hover tracking) and becomes queued
// messages; run the loop (or Headless::Pump) to dispatch them.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gui/Surface.h"
#include "platform/gui/Types.h"

namespace DUI::Headless {

bool IsActive();

// Screen and work area (screen coordinates) and DPI. Defaults: 1920×1080, work area
// 1920×1040 at the origin, 96 DPI.
void SetScreen(const CRect& screen, const CRect& workArea, int dpi = 96);

// The virtual clock (ms). AdvanceClock moves it and makes due timers and hover checks queue
// their messages. With auto-advance on (default), a loop that would wait with timers pending
// jumps the clock to the next one instead.
uint64_t Now();
void AdvanceClock(uint64_t ms);
void SetAutoAdvance(bool on);

enum class Button { Left, Right, Middle };

// Pointer input at screen coordinates.
void MouseMove(CPoint screen);
void MouseDown(Button button, CPoint screen);
void MouseUp(Button button, CPoint screen);
// Down and up at the point.
void Click(Button button, CPoint screen);
// Wheel notches (+1 away from the user); the message carries notches × 120.
void Wheel(int notches, CPoint screen);
// Pointer leaves all our windows (to the desktop or another program).
void MouseLeaveAll();

// Keyboard input by SDL scancode (the USB usage id), with the modifier keys as separate keys.
// Goes to the active window.
void KeyDown(int scancode);
void KeyUp(int scancode);
void KeyPress(int scancode);
void SetNumLock(bool on);
// Typed text (delivered as WM_CHAR per character while text input is on).
void Text(const std::string& utf8);

// Window-system events.
void RequestClose(HWND hwnd);          // the window manager's close (Alt+F4, close button)
void SystemFocus(HWND hwnd);           // the window system gives the window the focus
void SystemFocusLost();                // focus went to another program
void SystemMove(HWND hwnd, CPoint topLeft);  // the window manager moved the window

// Dispatches every queued message (and any paint) without waiting; returns how many.
int Pump();

// The window's current visible content (what was presented, with alpha), or an invalid
// surface when nothing was presented yet.
Surface Frame(HWND hwnd);
// Number of presents to the window since it was created.
int FrameCount(HWND hwnd);
// Frames kept per window (oldest dropped first); default 8.
void SetFrameHistory(int count);
std::vector<Surface> FrameHistory(HWND hwnd);
bool WriteFramePng(HWND hwnd, const std::string& path);

// What the backend shows: title, cursor shape, text input state (for checks).
int CurrentCursor();

}  // namespace DUI::Headless
