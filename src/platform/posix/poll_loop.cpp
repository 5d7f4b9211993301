#include "platform/posix/poll_loop.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/posix/end_signals.h"

namespace lumaris::posix {

namespace {

// The loop that end signals wake; signal handlers can only reach a global.
std::atomic<int> g_wakeFd{-1};
volatile sig_atomic_t g_endSignal = 0;

void catchEndSignal(int signal) {
    g_endSignal = signal;
    endWithinASecond();
    const int fd = g_wakeFd.load();
    if (fd >= 0) {
        const char byte = 's';
        [[maybe_unused]] const ssize_t n = write(fd, &byte, 1);
    }
}

}  // namespace

PollLoop::PollLoop() {
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
}

PollLoop::~PollLoop() {
    int expected = wake_[1];
    g_wakeFd.compare_exchange_strong(expected, -1);
    for (int fd : wake_) {
        if (fd >= 0) close(fd);
    }
}

std::uint64_t PollLoop::nowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
}

void PollLoop::watch(int fd, std::function<void()> drain) { watches_.push_back(Watch{fd, std::move(drain)}); }

void PollLoop::quitOnEndSignals() {
    g_endSignal = 0;
    g_wakeFd = wake_[1];
    struct sigaction action {};
    action.sa_handler = &catchEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kEndSignals) sigaction(signal, &action, nullptr);
}

int PollLoop::endSignal() const { return g_endSignal; }

bool PollLoop::ended() const { return quit_ || (g_endSignal != 0 && !endRequest_); }

bool PollLoop::finishing() const { return ended() || (done_ != nullptr && *done_ && (*done_)()); }

// An end signal that is handed to the handler is taken once.
bool PollLoop::takeEndSignal() {
    if (g_endSignal == 0 || !endRequest_) return false;
    g_endSignal = 0;
    endRequest_();
    return true;
}

void PollLoop::Post(std::function<void()> work) {
    {
        std::lock_guard<std::mutex> lock(postedMutex_);
        posted_.push_back(std::move(work));
    }
    const char byte = 'p';
    [[maybe_unused]] const ssize_t n = write(wake_[1], &byte, 1);
}

void PollLoop::runPosted() {
    std::vector<std::function<void()>> work;
    {
        std::lock_guard<std::mutex> lock(postedMutex_);
        work.swap(posted_);
    }
    for (auto& job : work) job();
}

void PollLoop::step(const std::function<bool()>& done) {
    const std::function<bool()>* outer = done_;
    done_ = &done;
    struct Restore {
        PollLoop& loop;
        const std::function<bool()>* outer;
        ~Restore() { loop.done_ = outer; }
    } restore{*this, outer};
    // A drain may add a watch (a window made while handling an event):
    // indexes, not iterators.
    for (std::size_t i = 0; i < watches_.size(); ++i) {
        watches_[i].drain();
        if (finishing()) return;
    }
    if (takeEndSignal() && finishing()) return;
    // At most a few descriptors: kept on the stack, nothing allocated. A
    // watch without a descriptor yet (-1) is left out by poll itself.
    pollfd fds[8];
    nfds_t count = 0;
    fds[count++] = pollfd{wake_[0], POLLIN, 0};
    for (const Watch& w : watches_) {
        if (count < 8) fds[count++] = pollfd{w.fd, POLLIN, 0};
    }
    const std::uint64_t wait = timers_.wait(nowMs(), longestWait_);
    if (poll(fds, count, static_cast<int>(wait)) > 0) {
        if ((fds[0].revents & POLLIN) != 0) {
            char bytes[64];
            while (read(wake_[0], bytes, sizeof bytes) > 0) {
            }
            if (takeEndSignal() && finishing()) return;
            runPosted();
            if (finishing()) return;
        }
        for (nfds_t i = 1; i < count; ++i) {
            if (fds[i].revents != 0) {
                watches_[i - 1].drain();
                if (finishing()) return;
            }
        }
    }
    timers_.runDue(&PollLoop::nowMs, [&] { return !finishing(); });
}

void PollLoop::Run() {
    quit_ = false;
    while (!ended()) step({});
}

void PollLoop::RunModal(const std::function<bool()>& done) {
    while (!ended() && !done()) step(done);
}

std::unique_ptr<Timer> PollLoop::CreateTimer(std::function<void()> onTick) {
    return std::make_unique<QueuedTimer>(timers_, &PollLoop::nowMs, std::move(onTick));
}

}  // namespace lumaris::posix
