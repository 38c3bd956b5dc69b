#pragma once
// The native window layer: windows, the message queue and loops, window timers and input
// state. Every window of the process is a top-level native window (SDL2, or the in-memory
// headless backend); the functions keep the Windows contracts the widget library relies on.
//
// Threads: the first thread that calls Initialize (or creates a window) is the UI thread.
// Everything here must be called on it, except PostMessage, PostQuitMessage, PostTask,
// IsUiThread and Now, which are safe from any thread. No function throws.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/gui/Messages.h"
#include "platform/gui/Types.h"

namespace DUI {

class Surface;
class Image;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, uintptr_t, DWORD);
using HCURSOR = int;  // an IDC_* shape

namespace Native {

enum class Backend { Auto, Sdl, Headless };

// Starts the layer with a backend. Auto takes LUMET_BACKEND ("sdl" or "headless") from the
// environment, else SDL. Later calls with the same backend are no-ops and return true; false
// when the backend cannot start (no display) or another backend is running.
bool Initialize(Backend backend = Backend::Auto);
// Destroys every window, drops queued messages and timers, stops the backend. The layer can be
// initialised again afterwards (tests do this between cases).
void Shutdown();
bool IsInitialized();
Backend CurrentBackend();
bool IsUiThread();

// Milliseconds of the layer's clock: steady time under SDL, the virtual clock headless.
uint64_t Now();

// ---- Window classes and windows ----

// Registers a class. Registering a name that exists already succeeds and keeps the first.
bool RegisterClass(const std::string& name, UINT classStyle, WNDPROC proc);
bool IsClassRegistered(const std::string& name);
// The procedure of a registered class, or null.
WNDPROC GetClassProc(const std::string& name);

// Creates a top-level window. Sends WM_NCCREATE and WM_CREATE (lParam: CREATESTRUCT*, with
// createParam in lpCreateParams), then WM_SIZE and WM_MOVE; WS_VISIBLE shows it. Returns null
// for an unknown class or when WM_NCCREATE returns 0 or WM_CREATE returns -1.
HWND CreateWindowEx(DWORD exStyle, const std::string& className, const std::string& title,
                    DWORD style, int x, int y, int cx, int cy, HWND owner, void* createParam);
// Destroys the window and the windows it owns (owned first). Each gets WM_DESTROY, then
// WM_NCDESTROY as its last message. When called from inside one of the window's own handlers,
// the window is hidden and gone for IsWindow at once, and its destroy messages are sent when
// that handler has returned, so no handler runs on a freed object.
bool DestroyWindow(HWND hwnd);
bool IsWindow(HWND hwnd);

LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Replaces the window's procedure; returns the previous one (null for no window).
WNDPROC SetWindowProc(HWND hwnd, WNDPROC proc);

LONG_PTR GetWindowLongPtr(HWND hwnd, int index);  // GWLP_USERDATA, GWL_STYLE, GWL_EXSTYLE
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);  // returns the old value
bool SetProp(HWND hwnd, const std::string& name, void* value);
void* GetProp(HWND hwnd, const std::string& name);
void* RemoveProp(HWND hwnd, const std::string& name);

std::string GetClassName(HWND hwnd);
bool SetWindowText(HWND hwnd, const std::string& title);
std::string GetWindowText(HWND hwnd);
HWND GetOwner(HWND hwnd);
DWORD GetStyle(HWND hwnd);
DWORD GetExStyle(HWND hwnd);
// Removes then adds bits; returns false without a window. WS_VISIBLE, WS_DISABLED,
// WS_EX_TOPMOST and WS_EX_LAYERED take effect at once.
bool ModifyStyle(HWND hwnd, DWORD remove, DWORD add, UINT swpFlags = 0);
bool ModifyStyleEx(HWND hwnd, DWORD remove, DWORD add, UINT swpFlags = 0);

// Top-level windows of the process, front to back. The callback returns false to stop.
void EnumWindows(const std::function<bool(HWND)>& callback);
// The front-most window whose class and title match; an empty text matches any.
HWND FindWindow(const std::string& className, const std::string& title);

// ---- Showing, placing, z-order ----

// Returns whether the window was visible before. Sends WM_SHOWWINDOW, and WM_SIZE with
// SIZE_MINIMIZED / SIZE_MAXIMIZED / SIZE_RESTORED when the state changes. Maximising fills the
// work area of the window's screen. Activating commands make the window active.
bool ShowWindow(HWND hwnd, int cmd);
bool IsWindowVisible(HWND hwnd);
bool IsIconic(HWND hwnd);
bool IsZoomed(HWND hwnd);
// Windows are borderless, so the window rectangle (screen) equals the client area.
bool GetWindowRect(HWND hwnd, CRect* rect);
bool GetClientRect(HWND hwnd, CRect* rect);  // (0, 0, width, height)
// Moves and sizes (screen coordinates); sends WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED,
// WM_MOVE and WM_SIZE as the values change. insertAfter: HWND_TOP, HWND_TOPMOST, ...
bool SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
bool MoveWindow(HWND hwnd, int x, int y, int cx, int cy, bool repaint);
// Raises the window to the front of its band (topmost windows stay above).
bool BringWindowToTop(HWND hwnd);
bool SetForegroundWindow(HWND hwnd);  // raise and activate
HWND GetForegroundWindow();
bool ClientToScreen(HWND hwnd, CPoint* pt);
bool ScreenToClient(HWND hwnd, CPoint* pt);
// The front-most visible window of ours at a screen point, or null.
HWND WindowFromPoint(CPoint screen);

// The same icon as large and small icon; an invalid image is ignored (false).
bool SetWindowIcon(HWND hwnd, const Image& icon);

// Enabled state: a disabled window gets no mouse or key input; a press on it activates the
// front-most enabled window it owns (its modal dialog). Returns whether it was disabled.
bool EnableWindow(HWND hwnd, bool enable);
bool IsWindowEnabled(HWND hwnd);

// ---- Screen ----

CRect GetScreenRect();                    // the primary screen
CRect GetWorkArea();                      // the primary screen without panels
CRect GetWorkAreaFromPoint(CPoint screen);  // of the screen nearest to the point
CRect GetWorkAreaFromWindow(HWND hwnd);
int GetDpiForWindow(HWND hwnd);           // 96 = 100 %

// ---- Layered windows ----

// Constant alpha and/or colour key for a WS_EX_LAYERED window presented with PresentSurface.
bool SetLayeredWindowAttributes(HWND hwnd, COLORREF colorKey, BYTE alpha, DWORD flags);
// Rounds the window's visible shape (0 = rectangular). Pixels outside are transparent.
bool SetWindowRoundRegion(HWND hwnd, int radius);

// ---- Messages and loops ----

// Calls the window procedure at once (UI thread). Returns 0 without a window. From another
// thread it refuses (returns 0, traces an error): cross-thread calls are posts.
LRESULT SendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Queues a message for the window (null: for the loop itself, like a thread message) and wakes
// the loop. Any thread. False when the window does not exist or the layer is not running.
bool PostMessage(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// Queues WM_QUIT with the exit code. Any thread.
void PostQuitMessage(int exitCode);
// Runs fn on the UI thread, in order with the posted messages. With a window, fn is dropped
// when the window is gone by then. Any thread. False when the layer is not running.
bool PostTask(std::function<void()> fn, HWND hwnd = nullptr);

// Waits for the next message. Returns false for WM_QUIT (msg holds it), true otherwise.
// Posted and input messages come in the order they arrived; WM_TIMER and WM_PAINT are made
// when nothing else waits. hwnd filters by window (null: all).
bool GetMessage(MSG* msg, HWND hwnd = nullptr, UINT min = 0, UINT max = 0);
// Like GetMessage without waiting; false when nothing matches.
bool PeekMessage(MSG* msg, HWND hwnd, UINT min, UINT max, UINT removeFlags);
// Nothing to translate (keys become WM_CHAR through text input); kept for the loop's shape.
bool TranslateMessage(const MSG* msg);
// Calls the window procedure (or the timer callback, or runs the posted task).
LRESULT DispatchMessage(const MSG* msg);
// Blocks until a message is queued or the timeout (ms) passes. Headless: advances the
// virtual clock instead of waiting when auto-advance is on.
void WaitMessage(uint32_t timeoutMs = UINT32_MAX);

// Runs a loop until WM_QUIT; returns its exit code.
int RunMessageLoop(const std::function<bool(MSG&)>& preTranslate = {});

// The modal loop. Shows hwnd with showCmd, disables its owner, and dispatches messages until
// the window is gone or WM_QUIT arrives. A WM_CLOSE posted to the window sets the result to its
// wParam (and enables and focuses the owner); a close sent by the window system gives 0. A quit
// message ends the loop and is posted again for the outer loop. preTranslate returns true for
// messages it consumed. Owners are re-enabled only when the last modal window over them ends.
// Returns (UINT)-1 without a window.
UINT RunModalLoop(HWND hwnd, int showCmd, const std::function<bool(MSG&)>& preTranslate = {});
// The owner bookkeeping of RunModalLoop, for loops of one's own.
void BeginModalOver(HWND owner);
void EndModalOver(HWND owner);
int ModalDepthOver(HWND owner);

// ---- Painting ----

// Adds to the update area (null: the whole client area). Areas are merged into one rectangle
// per window; one WM_PAINT follows when the queue is empty.
bool InvalidateRect(HWND hwnd, const CRect* rect, bool erase);
bool ValidateRect(HWND hwnd, const CRect* rect);
bool GetUpdateRect(HWND hwnd, CRect* rect);  // false when nothing is pending
// Takes the pending update rectangle (client coordinates) and clears it.
bool BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
void EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
// Sends WM_PAINT now when an update is pending.
bool UpdateWindow(HWND hwnd);
// Shows rect (client coordinates) of the surface, whose origin is the client origin, in the
// window. A layered window shows the surface's alpha (per pixel, with its attributes) where
// the display allows it. Headless: the window's frame is updated and kept.
bool PresentSurface(HWND hwnd, const Surface& surface, const CRect& rect);
// Layered update from a whole-window surface with per-pixel alpha and a constant alpha.
bool UpdateLayeredWindow(HWND hwnd, const Surface& surface, BYTE constantAlpha = 255);

// ---- Timers ----

// Starts or restarts a window timer; WM_TIMER (wParam id) arrives every elapse ms
// (at least 10 ms). With a callback, DispatchMessage calls it instead of the procedure.
// Without a window a new id is chosen. Returns the id, 0 on failure.
uintptr_t SetTimer(HWND hwnd, uintptr_t id, UINT elapseMs, TIMERPROC proc = nullptr);
// Stops it and removes a queued WM_TIMER of it: none arrives after this returns.
bool KillTimer(HWND hwnd, uintptr_t id);

// ---- Input state ----

HWND SetCapture(HWND hwnd);  // returns the previous capture window
bool ReleaseCapture();
HWND GetCapture();
// Focus and activation are one: the active window has the keyboard focus. Sends
// WM_NCACTIVATE, WM_ACTIVATE and WM_KILLFOCUS / WM_SETFOCUS. Returns the previous one.
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
// Leave and hover tracking (one-shot): WM_MOUSELEAVE when the pointer leaves the window,
// WM_MOUSEHOVER when it rests for hoverMs (HOVER_DEFAULT: 400) within a few pixels.
bool TrackMouseEvent(HWND hwnd, DWORD flags, DWORD hoverMs = HOVER_DEFAULT);
bool GetCursorPos(CPoint* pt);  // screen coordinates
bool SetCursorPos(int x, int y);
HCURSOR LoadCursor(int idc);
HCURSOR SetCursor(HCURSOR cursor);  // returns the previous shape
HCURSOR GetCursor();
UINT GetDoubleClickTime();  // 500
UINT GetCaretBlinkTime();   // 530
// Bit 0x8000 when the key (virtual-key code, incl. VK_LBUTTON/VK_RBUTTON) is held.
int16_t GetKeyState(int vk);
int16_t GetAsyncKeyState(int vk);

// Text input (IME): WM_CHAR messages for typed characters go to the focused window while on.
bool StartTextInput(HWND hwnd, const CRect* caretRect = nullptr);
bool StopTextInput(HWND hwnd);
bool IsTextInputActive();

// Raw keyboard records for key capture and macro recording. While a window that asked for
// them is active, every key press and release first reaches it as WM_INPUT with the record
// packed into lParam (UnpackRawKeyboard), then as the ordinary key message. The record
// carries what the keyboard sent: the make code, the E0/E1 prefix and a release flag
// (base::kKeyE0, base::kKeyE1, base::kKeyBreak), the virtual key with the generic codes for
// either Shift, Ctrl and Alt, and the key message it goes with (256, 257, 260 or 261).
struct RawKeyboard {
  uint16_t make_code = 0;
  uint16_t flags = 0;
  uint16_t virtual_key = 0;
  uint16_t message = 0;
};
LPARAM PackRawKeyboard(const RawKeyboard& record);
RawKeyboard UnpackRawKeyboard(LPARAM packed);
// On or off for one window; one window at a time receives records (the last to ask).
void RegisterRawKeyboard(HWND hwnd, bool on);

// ---- Clipboard ----

bool SetClipboardText(const std::string& utf8);
std::string GetClipboardText();

}  // namespace Native
}  // namespace DUI
