#include "platform/posix/process.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "platform/posix/end_signals.h"
#include "runtime/product.h"
#include "runtime/stats.h"

namespace lumaris::posix {

namespace {

std::string readLink(const std::string& path) {
    std::string target(4096, '\0');
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n <= 0) return {};
    target.resize(static_cast<std::size_t>(n));
    return target;
}

}  // namespace

std::string joinArguments(int argc, char** argv) {
    std::string command;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) command += ' ';
        command += argv[i];
    }
    return command;
}

LinuxApp::LinuxApp(int argc, char** argv) : command_(joinArguments(argc, argv)) {}

std::string LinuxApp::Command() { return command_; }

bool otherInstanceRunning(const std::string& procRoot, const std::string& exe, unsigned uid, int self) {
    if (exe.empty()) return false;
    DIR* dir = ::opendir(procRoot.c_str());
    if (dir == nullptr) return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (*end != '\0' || pid <= 0 || pid == self) continue;
        const std::string folder = procRoot + "/" + entry->d_name;
        struct stat info {};
        if (::stat(folder.c_str(), &info) != 0 || info.st_uid != uid) continue;
        if (readLink(folder + "/exe") == exe) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

bool LinuxApp::PrevInstance() {
    if (!startLock_) {
        startLock_ = std::make_unique<PrivateLock>("start.lock");
        startLock_->take(3000);
    }
    return otherInstanceRunning("/proc", readLink("/proc/self/exe"), ::getuid(), static_cast<int>(::getpid()));
}

void LinuxApp::releaseStartLock() {
    if (startLock_) startLock_->release();
}

std::string programFolder(const std::string& exe) {
    const auto slash = exe.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : exe.substr(0, slash);
    auto holdsReadme = [](const std::string& f) { return ::access((f + "/" + kReadmeName).c_str(), R_OK) == 0; };
    if (holdsReadme(folder)) return folder;
    // Installed: <prefix>/bin/lumaris or <prefix>/libexec/xscreensaver/lumaris.
    for (const char* up : {"/../share/doc/lumaris", "/../../share/doc/lumaris"}) {
        if (holdsReadme(folder + up)) return folder + up;
    }
    return folder;
}

std::string ownExecutable() { return readLink("/proc/self/exe"); }

std::string LinuxApp::Path() { return programFolder(readLink("/proc/self/exe")); }

// LeakSanitizer's check, where the program is built with it: the fast exit
// below would skip the check it makes at a normal exit.
extern "C" void __lsan_do_leak_check() __attribute__((weak));

void endNow() {
    std::fflush(nullptr);
    if (&__lsan_do_leak_check != nullptr) __lsan_do_leak_check();
    std::_Exit(0);
}

namespace {
volatile sig_atomic_t g_deadlineSet = 0;
void endAtDeadline(int) { ::_exit(0); }
}  // namespace

void endWithinASecond() {
    struct sigaction action {};
    action.sa_handler = &endAtDeadline;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, nullptr);
    // Only the first signal sets the deadline: more signals push it no further.
    if (g_deadlineSet != 0) return;
    g_deadlineSet = 1;
    ::alarm(1);
}

void LinuxApp::EndProcess() { endNow(); }

void LinuxApp::End() {
    for (auto step = atEnd_.rbegin(); step != atEnd_.rend(); ++step) (*step)();
    endNow();
}

double processAgeMs() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The fields after the command (which may hold blanks) start after ")".
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    const double started = std::stod(field) * 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
    return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6 - started;
}

float LinuxClock::Timer() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    ::localtime_r(&now.tv_sec, &local);
    const double seconds = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + now.tv_nsec / 1e9;
    return static_cast<float>(seconds);
}

void LinuxRandom::Randomize() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    generator_.seed(static_cast<std::mt19937::result_type>(now.tv_sec * 1000003ull + now.tv_nsec));
}

float LinuxRandom::Rnd() {
    // 24 random bits give every float of [0, 1) on a grid of 2^-24, never 1.
    return static_cast<float>(generator_() >> 8) * (1.0f / 16777216.0f);
}

namespace {
std::uint64_t g_frames = 0;
double g_firstFrameMs = -1;
}  // namespace

void countFramePresented() {
    if (g_frames++ == 0) g_firstFrameMs = processAgeMs();
}
std::uint64_t framesPresented() { return g_frames; }
double firstFrameMs() { return g_firstFrameMs; }

void printStatsWhenAsked() {
    if (std::getenv("LUMARIS_STATS") != nullptr) {
        std::fprintf(stderr, "frames %llu\nfirst-frame-ms %.1f\nticks %llu\ntick-rate %.1f\n",
                     static_cast<unsigned long long>(g_frames), g_firstFrameMs,
                     static_cast<unsigned long long>(sceneTicks().count), sceneTicks().perSecond());
    }
}

}  // namespace lumaris::posix
