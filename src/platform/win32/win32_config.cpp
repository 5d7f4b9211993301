#include "platform/win32/win32_config.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "platform/win32/win32_handles.h"
#include "runtime/failure.h"

namespace lumaris::win32_backend {

namespace {

constexpr const char* kConfigClass = "LumarisConfig";
// Sent when the dialog moves to a monitor of another density (Windows 8.1
// and later); the headers name it only for newer targets.
constexpr UINT kDpiChanged = 0x02E0;
constexpr const char* kDialogFace = "MS Sans Serif";
constexpr int kFirstControlId = 100;

int CALLBACK noteFound(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool fontInstalled(const char* face) {
    LOGFONTA wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(wanted.lfFaceName, face, LF_FACESIZE);
    bool found = false;
    const HDC screen = GetDC(nullptr);
    EnumFontFamiliesExA(screen, &wanted, noteFound, reinterpret_cast<LPARAM>(&found), 0);
    ReleaseDC(nullptr, screen);
    return found;
}

HFONT makeFont(int points, bool bold, bool underline, int dpi) {
    const int height = -MulDiv(points, dpi, 72);
    if (!fontInstalled(kDialogFace)) {
        // The system's dialog font, in the size and look asked for.
        LOGFONTA font{};
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
        font.lfHeight = height;
        font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
        font.lfUnderline = underline ? TRUE : FALSE;
        return CreateFontIndirectA(&font);
    }
    return CreateFontA(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline ? TRUE : FALSE, FALSE,
                       ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, kDialogFace);
}

// The extent of a label's text in its font.
SIZE textSize(HWND window, HFONT font, const std::string& text) {
    const HDC dc = GetDC(window);
    const HGDIOBJ previous = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    return size;
}

// The pixel density of the monitor a window is on (of the primary monitor
// for none): from the system's per-monitor call where it has one (Windows
// 10 and later), else the screen's.
int densityOf(HWND window) {
    using ForWindow = UINT(WINAPI*)(HWND);
    static const auto forWindow = reinterpret_cast<ForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (window != nullptr && forWindow != nullptr) {
        if (const UINT dpi = forWindow(window); dpi > 0) return static_cast<int>(dpi);
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// The window's outer size for a client area at a density.
SIZE frameFor(int width, int height, DWORD style, DWORD exStyle, int dpi) {
    using ForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto forDpi = reinterpret_cast<ForDpi>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "AdjustWindowRectExForDpi")));
    RECT frame{0, 0, width, height};
    if (forDpi == nullptr || !forDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    }
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

}  // namespace

Win32ConfigWindow::Win32ConfigWindow(std::function<void()> onClose) : onClose_(std::move(onClose)) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &Win32ConfigWindow::procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kConfigClass;
    RegisterClassA(&windowClass);  // already there for a second dialog

    face_ = GetSysColorBrush(COLOR_BTNFACE);

    // Made at the primary monitor's density and laid out once it is there,
    // centred on that monitor.
    window_ = CreateWindowExA(kDialogExStyle, kConfigClass, kConfigCaption, kDialogStyle, 0, 0, 0, 0, nullptr,
                              nullptr, instance, this);
    if (window_ == nullptr) throw Failure(failures::kCannotCreate, "No window for the settings dialog");

    tooltips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance, nullptr);

    // The controls in the focus order of the table: the order of creation is
    // the order Tab follows.
    const auto& table = dialogLayout();
    std::vector<std::size_t> order(table.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](auto a, auto b) { return table[a].tabIndex < table[b].tabIndex; });
    for (const std::size_t index : order) {
        const DialogControl& c = table[index];
        const char* className = "STATIC";
        DWORD controlStyle = WS_CHILD | WS_CLIPSIBLINGS | (c.visible ? WS_VISIBLE : 0);
        int id = kFirstControlId + static_cast<int>(index);
        switch (c.kind) {
            case ControlKind::Label:
                // Only a label that wraps breaks its text into lines.
                controlStyle |= (c.centred ? SS_CENTER : c.wraps ? SS_LEFT : SS_LEFTNOWORDWRAP) | SS_NOPREFIX;
                if (c.role == ControlRole::Url) controlStyle |= SS_NOTIFY;
                if (c.role == ControlRole::PathName) controlStyle |= SS_PATHELLIPSIS;
                break;
            case ControlKind::PushButton:
                className = "BUTTON";
                controlStyle |= WS_TABSTOP | (c.role == ControlRole::Ok ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
                if (c.role == ControlRole::Ok) id = IDOK;
                if (c.role == ControlRole::Cancel) id = IDCANCEL;
                break;
            case ControlKind::CheckBox:
                className = "BUTTON";
                controlStyle |= WS_TABSTOP | BS_AUTOCHECKBOX;
                break;
            case ControlKind::HScrollBar:
                className = "SCROLLBAR";
                controlStyle |= WS_TABSTOP | SBS_HORZ;
                break;
        }
        const HWND child = CreateWindowExA(0, className, c.caption.c_str(), controlStyle, 0, 0, 0, 0, window_,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        if (c.kind == ControlKind::CheckBox) SendMessageA(child, BM_SETCHECK, c.checked ? BST_CHECKED : BST_UNCHECKED, 0);
        if (c.kind == ControlKind::HScrollBar) {
            speedMin_ = kSpeedMin;
            speedMax_ = kSpeedMax;
            SetScrollRange(child, SB_CTL, speedMin_, speedMax_, FALSE);
        }
        if (c.tooltip != nullptr && tooltips_ != nullptr) {
            TOOLINFOA tool{};
            tool.cbSize = TTTOOLINFOA_V1_SIZE;
            tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
            tool.hwnd = window_;
            tool.uId = reinterpret_cast<UINT_PTR>(child);
            tool.lpszText = const_cast<char*>(c.tooltip);
            SendMessageA(tooltips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        }
        controls_[c.role] = child;
        looks_[child] = c.look;
    }
    // Labels lie under the other controls where they overlap them, a later
    // one of the table over an earlier one; the others keep the focus order
    // among themselves.
    for (auto c = table.rbegin(); c != table.rend(); ++c) {
        if (c->kind == ControlKind::Label) {
            SetWindowPos(controls_[c->role], HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
    layOut(densityOf(window_));
    const SIZE size = frameFor(pixels(kConfigWidthTwips), pixels(kConfigHeightTwips), kDialogStyle, kDialogExStyle, dpi_);
    SetWindowPos(window_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ConfigWindow::layOut(int dpi) {
    dpi_ = dpi;
    const HFONT old[] = {plain_, bold_, title_, link_};
    plain_ = makeFont(8, false, false, dpi);
    bold_ = makeFont(8, true, false, dpi);
    title_ = makeFont(12, true, false, dpi);
    link_ = makeFont(8, false, true, dpi);
    for (const DialogControl& c : dialogLayout()) {
        const HWND child = control(c.role);
        const HFONT controlFont = font(c.look);
        int w = pixels(c.width), h = pixels(c.height);
        if (c.sizedToText && !c.centred) {
            const SIZE text = textSize(window_, controlFont, c.caption);
            w = text.cx;
            h = text.cy;
        }
        SetWindowPos(child, nullptr, pixels(c.left), pixels(c.top), w, h, SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(controlFont), TRUE);
    }
    for (HFONT f : old) {
        if (f != nullptr) DeleteObject(f);
    }
}

Win32ConfigWindow::~Win32ConfigWindow() {
    if (window_ != nullptr) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    for (HFONT f : {plain_, bold_, title_, link_}) {
        if (f != nullptr) DeleteObject(f);
    }
}

int Win32ConfigWindow::pixels(float twips) const {
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpi_ / 1440.0));
}

HFONT Win32ConfigWindow::font(ControlLook look) const {
    switch (look) {
        case ControlLook::Title: return title_;
        case ControlLook::Bold: return bold_;
        case ControlLook::Link: return link_;
        default: return plain_;
    }
}

LRESULT CALLBACK Win32ConfigWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32ConfigWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr || self->window_ != window) return DefWindowProcA(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

void Win32ConfigWindow::raise(ConfigEvent event) {
    if (events_) events_(event);
}

LRESULT Win32ConfigWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const auto from = reinterpret_cast<HWND>(lParam);
            if (id == IDOK) {
                raise(ConfigEvent::cmdOk_Click);
            } else if (id == IDCANCEL) {
                raise(ConfigEvent::cmdCancel_Click);
            } else if (from == control(ControlRole::Url) && HIWORD(wParam) == STN_CLICKED) {
                raise(ConfigEvent::lblURL_Click);
            } else if (HIWORD(wParam) == BN_CLICKED) {
                if (from == control(ControlRole::DirPath)) raise(ConfigEvent::cmdDirPath_Click);
                if (from == control(ControlRole::ReadMe)) raise(ConfigEvent::Command1_Click);
                if (from == control(ControlRole::Music)) raise(ConfigEvent::chkMusic_Click);
                if (from == control(ControlRole::MouseEvent)) raise(ConfigEvent::chkMouseEvent_Click);
            }
            return 0;
        }
        case DM_GETDEFID: return MAKELRESULT(IDOK, DC_HASDEFID);
        case WM_ACTIVATE:
            // As a dialog does: the focus leaves with the window and comes
            // back to the control that had it (at first, OK).
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                if (focus != nullptr && IsChild(window_, focus)) focus_ = focus;
            } else {
                SetFocus(focus_ != nullptr ? focus_ : control(ControlRole::Ok));
            }
            return 0;
        case WM_HSCROLL:
            if (reinterpret_cast<HWND>(lParam) == control(ControlRole::Speed)) scroll(wParam);
            return 0;
        case WM_CTLCOLORSTATIC: {
            const auto dc = reinterpret_cast<HDC>(wParam);
            const auto look = looks_.find(reinterpret_cast<HWND>(lParam));
            const bool blue = look != looks_.end() &&
                              (look->second == ControlLook::Title || look->second == ControlLook::Link);
            SetTextColor(dc, blue ? RGB(0, 0, 255) : RGB(0, 0, 0));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(face_);
        }
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wParam) == control(ControlRole::Url)) {
                SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
                return TRUE;
            }
            break;
        case kDpiChanged: {
            // Moved to a monitor of another density: laid out again for it,
            // where the system suggests.
            layOut(HIWORD(wParam));
            const auto* suggested = reinterpret_cast<const RECT*>(lParam);
            const SIZE size =
                frameFor(pixels(kConfigWidthTwips), pixels(kConfigHeightTwips), kDialogStyle, kDialogExStyle, dpi_);
            SetWindowPos(window_, nullptr, suggested->left, suggested->top, size.cx, size.cy,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_CLOSE:  // the close box: closed, nothing saved
            Close();
            return 0;
        default: break;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

void Win32ConfigWindow::scroll(WPARAM request) {
    const HWND bar = control(ControlRole::Speed);
    int position = GetScrollPos(bar, SB_CTL);
    switch (LOWORD(request)) {
        case SB_LINELEFT: position -= kSpeedSmallStep; break;
        case SB_LINERIGHT: position += kSpeedSmallStep; break;
        case SB_PAGELEFT: position -= kSpeedLargeStep; break;
        case SB_PAGERIGHT: position += kSpeedLargeStep; break;
        case SB_LEFT: position = speedMin_; break;
        case SB_RIGHT: position = speedMax_; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: position = static_cast<short>(HIWORD(request)); break;
        default: return;
    }
    SetScrollPos(bar, SB_CTL, std::clamp(position, speedMin_, speedMax_), TRUE);
}

bool Win32ConfigWindow::dialogMessage(MSG& message) {
    return window_ != nullptr && IsDialogMessageA(window_, &message) != FALSE;
}

void Win32ConfigWindow::SetSpeedRange(std::int16_t min, std::int16_t max) {
    speedMin_ = min;
    speedMax_ = max;
    SetScrollRange(control(ControlRole::Speed), SB_CTL, min, max, TRUE);
}

void Win32ConfigWindow::SetSpeed(std::int16_t position) { SetScrollPos(control(ControlRole::Speed), SB_CTL, position, TRUE); }

std::int16_t Win32ConfigWindow::Speed() {
    return static_cast<std::int16_t>(GetScrollPos(control(ControlRole::Speed), SB_CTL));
}

HWND Win32ConfigWindow::check(Check box) const {
    switch (box) {
        case Check::chkSound: return control(ControlRole::Sound);
        case Check::chkMusic: return control(ControlRole::Music);
        case Check::chkCivilization: return control(ControlRole::Civilization);
        case Check::chkMouseEvent: return control(ControlRole::MouseEvent);
        case Check::chkNightMode: return control(ControlRole::NightMode);
        case Check::chkBalloon: return control(ControlRole::Balloon);
    }
    return nullptr;
}

void Win32ConfigWindow::SetChecked(Check box, bool checked) {
    const HWND button = check(box);
    if (Checked(box) == checked) return;
    SendMessageA(button, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    // A changed box runs its click operation, as a click does.
    if (box == Check::chkMusic) raise(ConfigEvent::chkMusic_Click);
    if (box == Check::chkMouseEvent) raise(ConfigEvent::chkMouseEvent_Click);
}

bool Win32ConfigWindow::Checked(Check box) { return SendMessageA(check(box), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Win32ConfigWindow::SetVisible(Control which, bool visible) {
    HWND target = nullptr;
    switch (which) {
        case Control::chkSound: target = control(ControlRole::Sound); break;
        case Control::chkMusic: target = control(ControlRole::Music); break;
        case Control::lblPathName: target = control(ControlRole::PathName); break;
        case Control::lblMp3Check: target = control(ControlRole::Mp3Check); break;
        case Control::cmdDirPath: target = control(ControlRole::DirPath); break;
    }
    ShowWindow(target, visible ? SW_SHOW : SW_HIDE);
}

void Win32ConfigWindow::SetPathCaption(const std::string& caption) {
    SetWindowTextA(control(ControlRole::PathName), caption.c_str());
}

void Win32ConfigWindow::Close() {
    if (window_ == nullptr) return;
    const HWND window = window_;
    window_ = nullptr;
    DestroyWindow(window);
    if (onClose_) onClose_();
}

void Win32ConfigWindow::SetCaption(const std::string& caption) { SetWindowTextA(window_, caption.c_str()); }

void Win32ConfigWindow::Show() {
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    focus_ = control(ControlRole::Ok);
    SetFocus(focus_);
}

void Win32ConfigWindow::SetTop(float twips) {
    RECT r{};
    GetWindowRect(window_, &r);
    SetWindowPos(window_, nullptr, r.left, pixels(twips), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32ConfigWindow::SetLeft(float twips) {
    RECT r{};
    GetWindowRect(window_, &r);
    SetWindowPos(window_, nullptr, pixels(twips), r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Hwnd Win32ConfigWindow::hWnd() { return fromHwnd(window_); }

}  // namespace lumaris::win32_backend
