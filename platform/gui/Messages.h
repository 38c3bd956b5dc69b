#pragma once
// Message numbers, window styles, show commands and the other constants of the window layer.
// The values are the Windows ones, which the widget library and the program use by number.
#include "platform/gui/Types.h"

namespace DUI {

// Messages.
inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_CREATE = 0x0001;           // lParam: CREATESTRUCT*; -1 aborts creation
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_MOVE = 0x0003;             // lParam: client origin (screen, x/y words)
inline constexpr UINT WM_SIZE = 0x0005;             // wParam: SIZE_*; lParam: width, height
inline constexpr UINT WM_ACTIVATE = 0x0006;         // wParam: WA_*; lParam: the other window
inline constexpr UINT WM_SETFOCUS = 0x0007;         // wParam: window that lost the focus
inline constexpr UINT WM_KILLFOCUS = 0x0008;        // wParam: window that gets the focus
inline constexpr UINT WM_ENABLE = 0x000A;           // wParam: enabled
inline constexpr UINT WM_SETTEXT = 0x000C;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;            // the default procedure destroys the window
inline constexpr UINT WM_QUIT = 0x0012;             // wParam: exit code
inline constexpr UINT WM_ERASEBKGND = 0x0014;
inline constexpr UINT WM_SHOWWINDOW = 0x0018;       // wParam: shown
inline constexpr UINT WM_ACTIVATEAPP = 0x001C;
inline constexpr UINT WM_SETCURSOR = 0x0020;
inline constexpr UINT WM_GETMINMAXINFO = 0x0024;    // lParam: MINMAXINFO*
inline constexpr UINT WM_WINDOWPOSCHANGING = 0x0046;  // lParam: WINDOWPOS*
inline constexpr UINT WM_WINDOWPOSCHANGED = 0x0047;   // lParam: WINDOWPOS*
inline constexpr UINT WM_NCCREATE = 0x0081;         // lParam: CREATESTRUCT*; 0 aborts creation
inline constexpr UINT WM_NCDESTROY = 0x0082;        // the last message a window gets
inline constexpr UINT WM_NCCALCSIZE = 0x0083;
inline constexpr UINT WM_NCHITTEST = 0x0084;        // lParam: screen point; result HT*
inline constexpr UINT WM_NCPAINT = 0x0085;
inline constexpr UINT WM_NCACTIVATE = 0x0086;       // wParam: active
inline constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;    // wParam: HT*; HTCAPTION starts a window move
inline constexpr UINT WM_INPUT = 0x00FF;            // raw keyboard record (see Input.h)
inline constexpr UINT WM_KEYDOWN = 0x0100;          // wParam: virtual key; lParam: key data
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;             // wParam: Unicode code point
inline constexpr UINT WM_SYSKEYDOWN = 0x0104;       // key down while Alt is held
inline constexpr UINT WM_SYSKEYUP = 0x0105;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_TIMER = 0x0113;            // wParam: timer id; lParam: TIMERPROC or 0
inline constexpr UINT WM_CTLCOLOREDIT = 0x0133;
inline constexpr UINT WM_CTLCOLORSTATIC = 0x0138;
inline constexpr UINT WM_MOUSEFIRST = 0x0200;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;        // wParam: MK_*; lParam: client point
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
inline constexpr UINT WM_MBUTTONDOWN = 0x0207;
inline constexpr UINT WM_MBUTTONUP = 0x0208;
inline constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;       // wParam: MK_* | delta << 16; lParam: SCREEN point
inline constexpr UINT WM_MOUSELAST = 0x020A;
inline constexpr UINT WM_CAPTURECHANGED = 0x0215;   // lParam: window that gets the capture
inline constexpr UINT WM_DEVICECHANGE = 0x0219;
inline constexpr UINT WM_MOUSEHOVER = 0x02A1;       // wParam: MK_*; lParam: client point
inline constexpr UINT WM_MOUSELEAVE = 0x02A3;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_APP = 0x8000;
// Internal: a posted task (see PostTask). Never reaches a window procedure.
inline constexpr UINT WM_LUMET_TASK = 0xBF00;

// Window styles.
inline constexpr DWORD WS_OVERLAPPED = 0x00000000;
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_MINIMIZE = 0x20000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_DISABLED = 0x08000000;
inline constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
inline constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
inline constexpr DWORD WS_MAXIMIZE = 0x01000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;

// Extended styles.
inline constexpr DWORD WS_EX_TOPMOST = 0x00000008;
inline constexpr DWORD WS_EX_TRANSPARENT = 0x00000020;  // with WS_EX_LUMET_POPUP: a tooltip
inline constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;   // not in the task bar
// Our own bit: a transient pop-up (menu, drop-down list, balloon, tooltip). It is placed by the
// program and never takes the keyboard focus from the window system (X11 override-redirect);
// the layer itself activates it, routes keys to it and deactivates it on a press elsewhere,
// when its owner loses the focus, is moved, minimised or hidden, and on Esc.
inline constexpr DWORD WS_EX_LUMET_POPUP = 0x00000400;
inline constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
inline constexpr DWORD WS_EX_LAYERED = 0x00080000;      // per-pixel alpha or attributes
inline constexpr DWORD WS_EX_NOACTIVATE = 0x08000000;   // a press never activates it

// Class styles.
inline constexpr UINT CS_VREDRAW = 0x0001;
inline constexpr UINT CS_HREDRAW = 0x0002;
inline constexpr UINT CS_DBLCLKS = 0x0008;  // without it a second press is a plain press

// Show commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_NORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_MAXIMIZE = 3;
inline constexpr int SW_SHOWNOACTIVATE = 4;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_SHOWMINNOACTIVE = 7;
inline constexpr int SW_SHOWNA = 8;
inline constexpr int SW_RESTORE = 9;

// WM_SIZE types.
inline constexpr WPARAM SIZE_RESTORED = 0;
inline constexpr WPARAM SIZE_MINIMIZED = 1;
inline constexpr WPARAM SIZE_MAXIMIZED = 2;

// WM_ACTIVATE states.
inline constexpr WPARAM WA_INACTIVE = 0;
inline constexpr WPARAM WA_ACTIVE = 1;
inline constexpr WPARAM WA_CLICKACTIVE = 2;

// Key and button flags in mouse messages.
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_SHIFT = 0x0004;
inline constexpr WPARAM MK_CONTROL = 0x0008;
inline constexpr WPARAM MK_MBUTTON = 0x0010;
inline constexpr int WHEEL_DELTA = 120;

// Hit-test results.
inline constexpr LRESULT HTNOWHERE = 0;
inline constexpr LRESULT HTCLIENT = 1;
inline constexpr LRESULT HTCAPTION = 2;

// SetWindowPos flags and z-order.
inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT SWP_NOREDRAW = 0x0008;
inline constexpr UINT SWP_NOACTIVATE = 0x0010;
inline constexpr UINT SWP_FRAMECHANGED = 0x0020;
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
inline constexpr UINT SWP_HIDEWINDOW = 0x0080;
inline const HWND HWND_TOP = nullptr;
inline const HWND HWND_BOTTOM = reinterpret_cast<HWND>(1);
inline const HWND HWND_TOPMOST = reinterpret_cast<HWND>(-1);
inline const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(-2);

// Mouse tracking.
inline constexpr DWORD TME_HOVER = 0x00000001;
inline constexpr DWORD TME_LEAVE = 0x00000002;
inline constexpr DWORD TME_CANCEL = 0x80000000;
inline constexpr DWORD HOVER_DEFAULT = 0xFFFFFFFF;  // 400 ms

// PeekMessage.
inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;

// Layered window attributes.
inline constexpr DWORD LWA_COLORKEY = 0x00000001;
inline constexpr DWORD LWA_ALPHA = 0x00000002;

// Window data slots.
inline constexpr int GWLP_USERDATA = -21;
inline constexpr int GWL_STYLE = -16;
inline constexpr int GWL_EXSTYLE = -20;

// Dialog result codes.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Cursor shapes (the Windows resource numbers).
inline constexpr int IDC_ARROW = 32512;
inline constexpr int IDC_IBEAM = 32513;
inline constexpr int IDC_WAIT = 32514;
inline constexpr int IDC_CROSS = 32515;
inline constexpr int IDC_SIZENWSE = 32642;
inline constexpr int IDC_SIZENESW = 32643;
inline constexpr int IDC_SIZEWE = 32644;
inline constexpr int IDC_SIZENS = 32645;
inline constexpr int IDC_SIZEALL = 32646;
inline constexpr int IDC_NO = 32648;
inline constexpr int IDC_HAND = 32649;
inline constexpr int IDC_HELP = 32651;

struct CREATESTRUCT {
  void* lpCreateParams = nullptr;
  HWND hwndParent = nullptr;  // the owner
  int cy = 0, cx = 0, y = 0, x = 0;
  DWORD style = 0;
  const char* lpszName = nullptr;
  const char* lpszClass = nullptr;
  DWORD dwExStyle = 0;
};

struct MINMAXINFO {
  CPoint ptReserved;
  CPoint ptMaxSize;       // maximised size
  CPoint ptMaxPosition;   // maximised position
  CPoint ptMinTrackSize;
  CPoint ptMaxTrackSize;
};

struct WINDOWPOS {
  HWND hwnd = nullptr;
  HWND hwndInsertAfter = nullptr;
  int x = 0, y = 0, cx = 0, cy = 0;
  UINT flags = 0;
};

struct PAINTSTRUCT {
  CRect rcPaint;     // the update rectangle, client coordinates
  bool fErase = false;
};

}  // namespace DUI
