// The user-interface thread's event loop on Windows: the thread's message
// queue, timers made with SetTimer on a message-only window of the loop's,
// work posted from any thread, and the nested run of a modal dialog.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/toolkit.h"

namespace lumaris::win32_backend {

// A message-only window of the class `className` (registered on first
// use) with `owner` in its user data, for `procedure` to find.
HWND createMessageWindow(const char* className, WNDPROC procedure, void* owner);

class Win32Loop : public EventLoop {
public:
    // Called for every message taken from the queue before it is
    // dispatched; true when it was handled (a dialog's keyboard navigation).
    using Filter = std::function<bool(MSG& message)>;

    Win32Loop();
    ~Win32Loop() override;
    Win32Loop(const Win32Loop&) = delete;
    Win32Loop& operator=(const Win32Loop&) = delete;

    void Run() override;
    void Quit() override;
    void Post(std::function<void()> work) override;
    void RunModal(const std::function<bool()>& done) override;
    std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) override;
    // The performance counter's time: the system's tick count is as coarse
    // as its timer (about 15.6 ms).
    std::uint64_t NowMs() override;

    // The loop's message-only window: it receives the timers' ticks and
    // the posted work.
    HWND window() const { return window_; }
    void setFilter(Filter filter) { filter_ = std::move(filter); }

    // Timers, by the identifier they were set with.
    UINT_PTR addTimer(std::function<void()>* tick);
    void removeTimer(UINT_PTR id);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    // One message from the queue, waiting for it; false after WM_QUIT.
    bool step();
    void runPosted();

    HWND window_ = nullptr;
    bool quit_ = false;
    Filter filter_;
    std::map<UINT_PTR, std::function<void()>*> timers_;
    UINT_PTR nextTimer_ = 1;
    std::mutex postedMutex_;
    std::vector<std::function<void()>> posted_;
};

// A timer of the loop: SetTimer on the loop's window while it is enabled
// with an interval above 0.
class Win32Timer : public Timer {
public:
    Win32Timer(Win32Loop& loop, std::function<void()> onTick);
    ~Win32Timer() override;
    void SetInterval(std::int32_t milliseconds) override;
    std::int32_t Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override;

private:
    void apply();
    Win32Loop& loop_;
    std::function<void()> onTick_;
    UINT_PTR id_;
    std::int32_t interval_ = 0;
    bool enabled_ = true;
    bool running_ = false;
};

}  // namespace lumaris::win32_backend
