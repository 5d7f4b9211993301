#include "platform/win32/win32_window.h"

#include <mmsystem.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>

#include "platform/win32/win32_services.h"
#include "runtime/failure.h"

namespace lumaris::win32_backend {

namespace {

constexpr const char* kFormClass = "LumarisForm";

void registerClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSA windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = kFormClass;
    registered = RegisterClassA(&windowClass) != 0;
}

// The shift state of the form's input: 1 Shift, 2 Ctrl, 4 Alt.
std::int16_t shiftState() {
    std::int16_t shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) shift |= 1;
    if (GetKeyState(VK_CONTROL) < 0) shift |= 2;
    if (GetKeyState(VK_MENU) < 0) shift |= 4;
    return shift;
}

// The buttons held during a mouse message: 1 left, 2 right, 4 middle.
std::int16_t buttonState(WPARAM keys) {
    std::int16_t buttons = 0;
    if (keys & MK_LBUTTON) buttons |= 1;
    if (keys & MK_RBUTTON) buttons |= 2;
    if (keys & MK_MBUTTON) buttons |= 4;
    return buttons;
}

// GUID_CONSOLE_DISPLAY_STATE: the console's display is off, on or dimmed.
const GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

}  // namespace

Win32FormWindow::Win32FormWindow(const std::string& name, Win32Gdi& gdi, bool topMost) : gdi_(gdi), image_(name, 0, 0) {
    registerClass();
    window_ = CreateWindowExA(topMost ? WS_EX_TOPMOST : 0, kFormClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    if (window_ == nullptr) throw Failure(failures::kCannotCreate, "No window");
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32FormWindow::procedure));
    // The display's power, so that the scene rests while it is dark (none
    // before Vista: then only the monitor-power command tells).
    using Register = HPOWERNOTIFY(WINAPI*)(HANDLE, LPCGUID, DWORD);
    if (const auto registerPower = reinterpret_cast<Register>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "RegisterPowerSettingNotification")))) {
        powerNotice_ = registerPower(window_, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    // The system's timers are served on its clock tick, about 15.6 ms
    // unless a program asks for more: while the scene runs they keep their
    // intervals to the millisecond.
    if (topMost) fineTimers_ = timeBeginPeriod(1) == TIMERR_NOERROR;
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    // 0 and 1 mean the hardware's default rate, which counts as 60 Hz.
    if (EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmDisplayFrequency > 1) {
        pacer_.setRate(mode.dmDisplayFrequency);
    }
}

Win32FormWindow::~Win32FormWindow() {
    if (fineTimers_) timeEndPeriod(1);
    if (window_ != nullptr) {
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        using Unregister = BOOL(WINAPI*)(HPOWERNOTIFY);
        if (const auto unregisterPower = reinterpret_cast<Unregister>(reinterpret_cast<void*>(
                GetProcAddress(GetModuleHandleA("user32.dll"), "UnregisterPowerSettingNotification")));
            unregisterPower != nullptr && powerNotice_ != nullptr) {
            unregisterPower(powerNotice_);
        }
        DestroyWindow(window_);
    }
    if (dib_) gdi_.forget(*dib_);
    GdiFlush();
    image_.detach();
    magnifier_.fit(1, 0, 0, false);
}

LRESULT CALLBACK Win32FormWindow::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32FormWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT Win32FormWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    FormInput* input = input_;
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            const HDC dc = BeginPaint(window_, &paint);
            present(dc, true);
            EndPaint(window_, &paint);
            return 0;
        }
        case WM_ERASEBKGND: return 1;  // the image covers the whole window
        case WM_STYLECHANGING:
            // Made a child (embedded in a host window): no longer a popup.
            if (wParam == static_cast<WPARAM>(GWL_STYLE)) {
                auto* change = reinterpret_cast<STYLESTRUCT*>(lParam);
                if ((change->styleNew & WS_CHILD) != 0) change->styleNew &= ~WS_POPUP;
            }
            return 0;
        case WM_SIZE:
            // The image follows the window's size, however it was changed.
            resizeImage(LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_MOUSEMOVE:
            if (input != nullptr) {
                input->MouseMove(buttonState(wParam), shiftState(), logical(GET_X_LPARAM(lParam)),
                                 logical(GET_Y_LPARAM(lParam)));
            }
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: {
            const std::int16_t button = message == WM_LBUTTONDOWN ? 1 : message == WM_RBUTTONDOWN ? 2 : 4;
            if (input != nullptr) {
                input->MouseDown(button, shiftState(), logical(GET_X_LPARAM(lParam)), logical(GET_Y_LPARAM(lParam)));
            }
            return 0;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            if (input != nullptr) input->MouseUp();
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (input != nullptr) input->KeyDown(static_cast<std::int16_t>(wParam), shiftState());
            return 0;
        case WM_SYSKEYUP:
            return 0;  // no system menu for Alt or F10
        case WM_KILLFOCUS:
            if (input != nullptr) input->LostFocus();
            return 0;
        case WM_ACTIVATEAPP:
            if (wParam == FALSE && input != nullptr) input->LostFocus();
            return 0;
        case WM_SYSCOMMAND:
            // No other screensaver over this one, and no sleep request of
            // its own: the system's schedule holds.
            if ((wParam & 0xFFF0) == SC_SCREENSAVE) return 0;
            // The monitors go off (2) or on again (-1); the system still
            // does what the command says.
            if ((wParam & 0xFFF0) == SC_MONITORPOWER && input != nullptr && (lParam == 2 || lParam == -1)) {
                input->DisplayPower(lParam == -1);
            }
            break;
        case WM_POWERBROADCAST:
            if (wParam == PBT_POWERSETTINGCHANGE && input != nullptr) {
                const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
                // 0 off, 1 on, 2 dimmed (still showing).
                if (setting != nullptr && IsEqualGUID(setting->PowerSetting, kConsoleDisplayState) &&
                    setting->DataLength >= sizeof(DWORD)) {
                    input->DisplayPower(*reinterpret_cast<const DWORD*>(setting->Data) != 0);
                }
                return TRUE;
            }
            break;
        case WM_CLOSE:
            if (input != nullptr) {
                input->CloseRequest();
                return 0;
            }
            break;
        case WM_ENDSESSION:
            if (wParam != FALSE && input != nullptr) input->Terminate();
            return 0;
        default: break;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

int Win32FormWindow::pixels(float twips) const { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

void Win32FormWindow::SetCaption(const std::string& caption) { SetWindowTextA(window_, caption.c_str()); }

void Win32FormWindow::Show() {
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    SetFocus(window_);
}

void Win32FormWindow::applyGeometry() {
    // Logical pixels, each k x k of the monitor's.
    const int k = primaryScale();
    const int width = std::max<int>(geometry_.right - geometry_.left, 0) * k;
    const int height = std::max<int>(geometry_.bottom - geometry_.top, 0) * k;
    MoveWindow(window_, geometry_.left * k, geometry_.top * k, width, height, TRUE);
    resizeImage(width, height);
}

void Win32FormWindow::SetWindowState(std::int32_t state) {
    if (state != 2) return;
    // Maximised: the primary monitor.
    const int k = primaryScale();
    geometry_ = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN) / k, GetSystemMetrics(SM_CYSCREEN) / k};
    applyGeometry();
}

void Win32FormWindow::SetTop(float twips) {
    const int height = geometry_.bottom - geometry_.top;
    geometry_.top = pixels(twips);
    geometry_.bottom = geometry_.top + height;
    applyGeometry();
}

void Win32FormWindow::SetLeft(float twips) {
    const int width = geometry_.right - geometry_.left;
    geometry_.left = pixels(twips);
    geometry_.right = geometry_.left + width;
    applyGeometry();
}

void Win32FormWindow::SetWidth(float twips) {
    geometry_.right = geometry_.left + pixels(twips);
    applyGeometry();
}

void Win32FormWindow::SetHeight(float twips) {
    geometry_.bottom = geometry_.top + pixels(twips);
    applyGeometry();
}

void Win32FormWindow::ResizeTo(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == magnifier_.width() && height == magnifier_.height()) return;
    SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    resizeImage(width, height);
}

int Win32FormWindow::scaleFor(int width, int height) const {
    if ((GetWindowLongA(window_, GWL_STYLE) & WS_CHILD) != 0) {
        return chooseScale(0, width, height, kPreviewPictureWidth, kPreviewPictureHeight);
    }
    return primaryScale();
}

void Win32FormWindow::resizeImage(int width, int height) {
    const int k = scaleFor(width, height);
    if (width == magnifier_.width() && height == magnifier_.height() && k == magnifier_.scale() && dib_) return;
    GdiFlush();
    if (dib_) gdi_.forget(*dib_);
    // The enlarged picture lets go of the bitmap it lived in before that
    // goes.
    magnifier_.fit(1, 0, 0, false);
    shownDib_.reset();
    magnifier_.fit(k, width, height, false);
    composer_.setScale(k);
    image_.resize(magnifier_.imageWidth(), magnifier_.imageHeight());
    auto dib = std::make_unique<DibImage>(image_.width(), image_.height());
    if (dib->valid()) {
        image_.attach(dib->bits(), true);
        gdi_.know(image_, *dib);
    }
    dib_ = std::move(dib);
    if (k > 1) shownDib_ = std::make_unique<DibImage>(width, height);
    composer_.invalidate();
    if (onResize_) onResize_();
}

void Win32FormWindow::KeepInput(bool keep) {
    if (keep) {
        SetCapture(window_);
    } else if (GetCapture() == window_) {
        ReleaseCapture();
    }
}

void Win32FormWindow::present(HDC target, bool whole) {
    if (!dib_ || !dib_->valid()) return;
    // The raster code reads and draws on the pixels GDI wrote.
    GdiFlush();
    Surface& shown = magnifier_.update(image_);
    DibImage* from = dib_.get();
    if (&shown != &image_) {
        if (!shownDib_ || !shownDib_->valid()) return;
        if (!shown.attached()) shown.attach(shownDib_->bits(), true);
        from = shownDib_.get();
    }
    if (whole) composer_.invalidate();
    const auto frame = composer_.composeInPlace(shown, labels_, nullptr, &text_);
    const PixelRect& r = frame.changed;
    if (!r.empty()) ::BitBlt(target, r.left, r.top, r.width(), r.height(), from->dc(), r.left, r.top, SRCCOPY);
    GdiFlush();
    composer_.restore(shown);
}

void Win32FormWindow::Refresh() {
    if (!IsWindowVisible(window_)) return;
    pacer_.shown();
    const HDC dc = GetDC(window_);
    present(dc, false);
    ReleaseDC(window_, dc);
}

}  // namespace lumaris::win32_backend
