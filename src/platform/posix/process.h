// The process on Linux: the command line, the previous-instance sign, the
// executable's folder, the clock and the random generator.
//
// The previous-instance sign is another running process of this same
// executable (the same file, by /proc/<pid>/exe) owned by this user.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/posix/private_lock.h"
#include "platform/system.h"

namespace lumaris::posix {

class LinuxApp : public App {
public:
    LinuxApp(int argc, char** argv);
    std::string Command() override;
    // The check and the caption of a new scene are one step: the first holds
    // the user's start lock (for up to three seconds) until
    // releaseStartLock(), once the scene's caption is set, so that a second
    // scene started at the same moment sees the first one's caption.
    bool PrevInstance() override;
    void releaseStartLock();
    std::string Path() override;
    [[noreturn]] void EndProcess() override;
    // Runs what was registered with atEnd (closing sound, windows), then
    // exits with success.
    [[noreturn]] void End() override;
    void atEnd(std::function<void()> step) { atEnd_.push_back(std::move(step)); }

private:
    std::string command_;
    std::vector<std::function<void()>> atEnd_;
    std::unique_ptr<PrivateLock> startLock_;
};

// The folder of the program's own files (the read-me): the executable's
// folder, or for an installed program whose folder does not hold them,
// <prefix>/share/doc/lumaris.
std::string programFolder(const std::string& exe);

// The arguments joined by single blanks, as the command line the saver
// protocol hands a program.
std::string joinArguments(int argc, char** argv);

// True when a process other than `self` runs the executable `exe` for user
// `uid`, looking through the process folders under procRoot.
bool otherInstanceRunning(const std::string& procRoot, const std::string& exe, unsigned uid, int self);

// The path of this program's executable.
std::string ownExecutable();

// Milliseconds since this process started.
double processAgeMs();

// Frames sent to the screen by every window of the process, and how long
// after the process started the first one went (for benchmarks).
void countFramePresented();
std::uint64_t framesPresented();
double firstFrameMs();
// Where LUMARIS_STATS is set, both on standard error (the benchmarks read
// them at the end of a run).
void printStatsWhenAsked();

class LinuxClock : public Clock {
public:
    float Timer() override;
};

class LinuxRandom : public Random {
public:
    void Randomize() override;
    float Rnd() override;
    // A fixed start, for repeatable runs.
    void seed(std::uint32_t value) { generator_.seed(value); }

private:
    std::mt19937 generator_{0};
};

}  // namespace lumaris::posix
