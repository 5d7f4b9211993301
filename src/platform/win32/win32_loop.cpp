#include "platform/win32/win32_loop.h"

namespace lumaris::win32_backend {

namespace {
constexpr UINT kWmPosted = WM_APP + 1;
constexpr const char* kLoopClass = "LumarisLoop";
}  // namespace

HWND createMessageWindow(const char* className, WNDPROC procedure, void* owner) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);  // already there for a second window
    const HWND window = CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return window;
}

Win32Loop::Win32Loop() : window_(createMessageWindow(kLoopClass, &Win32Loop::procedure, this)) {}

Win32Loop::~Win32Loop() {
    if (window_ != nullptr) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

LRESULT CALLBACK Win32Loop::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32Loop*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT Win32Loop::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        const auto timer = timers_.find(wParam);
        if (timer != timers_.end()) (*timer->second)();
        return 0;
    }
    if (message == kWmPosted) {
        runPosted();
        return 0;
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

bool Win32Loop::step() {
    MSG message;
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        // The thread's queue is told to quit: every run ends.
        quit_ = true;
        return false;
    }
    if (filter_ && filter_(message)) return true;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return true;
}

void Win32Loop::Run() {
    quit_ = false;
    while (!quit_ && step()) {
    }
}

void Win32Loop::RunModal(const std::function<bool()>& done) {
    while (!quit_ && !done() && step()) {
    }
}

void Win32Loop::Quit() {
    quit_ = true;
    PostMessageA(window_, WM_NULL, 0, 0);
}

void Win32Loop::Post(std::function<void()> work) {
    {
        std::lock_guard<std::mutex> lock(postedMutex_);
        posted_.push_back(std::move(work));
    }
    PostMessageA(window_, kWmPosted, 0, 0);
}

void Win32Loop::runPosted() {
    std::vector<std::function<void()>> work;
    {
        std::lock_guard<std::mutex> lock(postedMutex_);
        work.swap(posted_);
    }
    for (auto& item : work) item();
}

std::uint64_t Win32Loop::NowMs() {
    LARGE_INTEGER count{}, frequency{};
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<std::uint64_t>(count.QuadPart / (frequency.QuadPart / 1000));
}

std::unique_ptr<Timer> Win32Loop::CreateTimer(std::function<void()> onTick) {
    return std::make_unique<Win32Timer>(*this, std::move(onTick));
}

UINT_PTR Win32Loop::addTimer(std::function<void()>* tick) {
    const UINT_PTR id = nextTimer_++;
    timers_[id] = tick;
    return id;
}

void Win32Loop::removeTimer(UINT_PTR id) {
    KillTimer(window_, id);
    timers_.erase(id);
}

Win32Timer::Win32Timer(Win32Loop& loop, std::function<void()> onTick)
    : loop_(loop), onTick_(std::move(onTick)), id_(loop.addTimer(&onTick_)) {}

Win32Timer::~Win32Timer() { loop_.removeTimer(id_); }

void Win32Timer::SetInterval(std::int32_t milliseconds) {
    interval_ = milliseconds;
    apply();
}

void Win32Timer::SetEnabled(bool enabled) {
    enabled_ = enabled;
    apply();
}

void Win32Timer::apply() {
    const bool run = enabled_ && interval_ > 0;
    if (run) {
        // Setting it again restarts the interval, as a changed timer does.
        SetTimer(loop_.window(), id_, static_cast<UINT>(interval_), nullptr);
    } else if (running_) {
        KillTimer(loop_.window(), id_);
    }
    running_ = run;
}

}  // namespace lumaris::win32_backend
