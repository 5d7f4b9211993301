// An event loop over file descriptors, for a host without a toolkit of its
// own (the display mode): poll() on the watched descriptors and a wake-up
// pipe, timers as deadlines (runtime/timer_queue.h), work posted from other
// threads, and the end signals.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/toolkit.h"
#include "runtime/timer_queue.h"

namespace lumaris::posix {

class PollLoop : public EventLoop {
public:
    PollLoop();
    ~PollLoop() override;
    PollLoop(const PollLoop&) = delete;
    PollLoop& operator=(const PollLoop&) = delete;

    void Run() override;
    void Quit() override { quit_ = true; }
    void Post(std::function<void()> work) override;
    void RunModal(const std::function<bool()>& done) override;
    std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) override;
    std::uint64_t NowMs() override { return nowMs(); }

    // `drain` runs whenever fd may have something to read, and also before
    // each wait (a connection library may have read ahead into its buffer).
    void watch(int fd, std::function<void()> drain);
    // SIGTERM, SIGINT, SIGHUP and SIGQUIT make Run return; the process keeps running.
    void quitOnEndSignals();
    // With a handler, an end signal does not end the run: the handler runs
    // once on the loop's thread for each time the signals came.
    void onEndSignal(std::function<void()> handler) { endRequest_ = std::move(handler); }
    // The longest wait when no timer is due sooner (1 s unless set).
    void setLongestWait(std::uint64_t ms) { longestWait_ = ms; }
    // The signal that ended the run, or 0.
    int endSignal() const;
    // Whether the step under way should end now (for a drain that takes
    // several things in turn, so that a modal run ends at its own point).
    bool finishing() const;

    TimerQueue& timers() { return timers_; }
    static std::uint64_t nowMs();

private:
    void step(const std::function<bool()>& done);
    void runPosted();
    bool ended() const;
    bool takeEndSignal();
    struct Watch {
        int fd;
        std::function<void()> drain;
    };
    TimerQueue timers_;
    std::vector<Watch> watches_;
    bool quit_ = false;
    std::uint64_t longestWait_ = 1000;
    const std::function<bool()>* done_ = nullptr;
    std::function<void()> endRequest_;
    int wake_[2] = {-1, -1};
    std::mutex postedMutex_;
    std::vector<std::function<void()>> posted_;
};

}  // namespace lumaris::posix
