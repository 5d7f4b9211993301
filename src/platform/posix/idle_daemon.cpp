#include "platform/posix/idle_daemon.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/private_lock.h"
#include "runtime/convert.h"

namespace lumaris::posix {

namespace {

int g_childPipe = -1;
volatile pid_t g_scene = -1;  // the scene running, for endIdleSceneNow

void childEnded(int) {
    const int saved = errno;
    const char byte = 'c';
    if (g_childPipe >= 0) [[maybe_unused]] ssize_t n = write(g_childPipe, &byte, 1);
    errno = saved;
}

// Pauses after a scene that failed: 10 s, doubling up to 5 minutes.
constexpr std::uint64_t kFirstPauseMs = 10'000, kLongestPauseMs = 300'000;

class Daemon {
public:
    Daemon(PollLoop& loop, const IdleOptions& options) : loop_(loop), options_(options) {}
    ~Daemon() {
        if (pipe_[0] >= 0) close(pipe_[0]);
        if (pipe_[1] >= 0) close(pipe_[1]);
        g_childPipe = -1;
    }

    int run(const std::vector<IdleSourceMaker>& makers) {
        if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
        g_childPipe = pipe_[1];
        struct sigaction action {};
        action.sa_handler = &childEnded;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
        sigaction(SIGCHLD, &action, nullptr);
        loop_.watch(pipe_[0], [this] { reap(); });

        IdleHooks hooks{[this] { changed(); }, [this] { gone_ = true; loop_.Quit(); }};
        for (const IdleSourceMaker& make : makers) {
            source_ = make(loop_, options_.seconds, hooks);
            if (source_) break;
        }
        if (!source_) {
            std::fprintf(stderr,
                         "lumaris: this session tells no program when it is idle (no GNOME idle monitor, no "
                         "Wayland idle protocol, no X screen-saver extension)\n");
            return 1;
        }
        retry_ = loop_.CreateTimer([this] {
            retry_->SetEnabled(false);
            if (source_->idle()) start();
        });
        retry_->SetEnabled(false);
        loop_.quitOnEndSignals();
        loop_.onEndSignal([this] { loop_.Quit(); });
        // Nothing is due while the session is in use: no wake-ups of its own.
        loop_.setLongestWait(3'600'000);
        if (source_->idle()) start();
        loop_.Run();
        endScene();
        return 0;
    }

private:
    void changed() {
        // A source may say so while it is made: the run looks itself then.
        if (!source_ || !retry_) return;
        if (child_ > 0 || !source_->idle()) return;
        if (PollLoop::nowMs() < notBefore_) return;  // the retry timer starts it
        start();
    }

    void start() {
        if (child_ > 0) return;
        // Made before the fork: the child only execs (a source may run a
        // thread of its own).
        std::vector<std::string> entries;
        for (char** e = environ; *e != nullptr; ++e) {
            if (std::strncmp(*e, "LUMARIS_DESKTOP_LOCKS=", 22) != 0) entries.emplace_back(*e);
        }
        if (source_->desktopLocks()) entries.emplace_back("LUMARIS_DESKTOP_LOCKS=1");
        std::vector<char*> envp;
        for (std::string& entry : entries) envp.push_back(entry.data());
        envp.push_back(nullptr);
        const char* argv[] = {options_.program.c_str(), "/s", nullptr};
        const pid_t pid = fork();
        if (pid < 0) {
            std::fprintf(stderr, "lumaris: cannot start the scene: %s\n", std::strerror(errno));
            pause();
            return;
        }
        if (pid == 0) {
            // The scene's own end signals and SIGCHLD as the program expects.
            struct sigaction plain {};
            plain.sa_handler = SIG_DFL;
            sigemptyset(&plain.sa_mask);
            for (int signal : {SIGCHLD, SIGTERM, SIGINT, SIGHUP, SIGQUIT}) sigaction(signal, &plain, nullptr);
            execve(options_.program.c_str(), const_cast<char* const*>(argv), envp.data());
            _exit(127);
        }
        child_ = pid;
        g_scene = pid;
    }

    void reap() {
        char bytes[64];
        while (read(pipe_[0], bytes, sizeof bytes) > 0) {
        }
        if (child_ <= 0) return;
        int status = 0;
        const pid_t done = waitpid(child_, &status, WNOHANG);
        if (done != child_) return;
        child_ = -1;
        g_scene = -1;
        if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
            pauseMs_ = 0;
            source_->rearm();
            return;
        }
        if (WIFEXITED(status)) {
            std::fprintf(stderr, "lumaris: the scene ended with status %d", WEXITSTATUS(status));
        } else {
            std::fprintf(stderr, "lumaris: the scene ended on signal %d", WTERMSIG(status));
        }
        pause();
    }

    // After a failure the next scene starts no sooner than after a pause.
    void pause() {
        pauseMs_ = pauseMs_ == 0 ? kFirstPauseMs : std::min(pauseMs_ * 2, kLongestPauseMs);
        std::fprintf(stderr, "; the next starts no sooner than in %llu s\n",
                     static_cast<unsigned long long>(pauseMs_ / 1000));
        notBefore_ = PollLoop::nowMs() + pauseMs_;
        retry_->SetInterval(static_cast<std::int32_t>(pauseMs_));
        retry_->SetEnabled(true);
    }

    // The scene this process started ends with it (the session's end, an
    // end signal): asked first, then told.
    void endScene() {
        g_scene = -1;
        if (child_ <= 0) return;
        kill(child_, SIGTERM);
        for (int i = 0; i < 80; ++i) {
            if (waitpid(child_, nullptr, WNOHANG) == child_) {
                child_ = -1;
                return;
            }
            usleep(10'000);
        }
        kill(child_, SIGKILL);
        waitpid(child_, nullptr, 0);
        child_ = -1;
    }

    PollLoop& loop_;
    IdleOptions options_;
    std::unique_ptr<IdleSource> source_;
    std::unique_ptr<Timer> retry_;
    int pipe_[2] = {-1, -1};
    pid_t child_ = -1;
    std::uint64_t pauseMs_ = 0;
    std::uint64_t notBefore_ = 0;
    bool gone_ = false;
};

}  // namespace

void endIdleSceneNow() {
    const pid_t scene = g_scene;
    if (scene > 0) kill(scene, SIGTERM);
}

int runIdle(PollLoop& loop, const std::vector<IdleSourceMaker>& sources, const IdleOptions& options) {
    PrivateLock single("idle-" + options.sessionName);
    if (single.usable() && !single.tryTake()) {
        std::fprintf(stderr, "lumaris: --idle already runs in this session\n");
        return 0;
    }
    Daemon daemon(loop, options);
    return daemon.run(sources);
}

int idleDelaySeconds(const std::vector<std::string>& words) {
    if (const char* seconds = std::getenv("LUMARIS_IDLE_SECONDS"); seconds != nullptr && *seconds != '\0') {
        char* end = nullptr;
        const long value = std::strtol(seconds, &end, 10);
        if (*end == '\0' && value > 0 && value <= 86'400) return static_cast<int>(value);
        std::fprintf(stderr, "lumaris: LUMARIS_IDLE_SECONDS must be a number of seconds, not %s\n", seconds);
        return -1;
    }
    if (words.empty()) return 0;
    char* end = nullptr;
    const long minutes = words.size() == 1 ? std::strtol(words[0].c_str(), &end, 10) : -1;
    if (words.size() != 1 || *end != '\0' || minutes < 1 || minutes > 1440) {
        std::fprintf(stderr, "lumaris: --idle takes the idle time in minutes, a whole number from 1 to 1440\n");
        return -1;
    }
    return static_cast<int>(minutes * 60);
}

}  // namespace lumaris::posix
