// The process, the clock and the random generator.
#pragma once

#include <string>

namespace lumaris {

class App {
public:
    virtual ~App() = default;
    // The command line as the process received it, arguments only.
    virtual std::string Command() = 0;
    // True when another instance of this same executable runs for this user.
    virtual bool PrevInstance() = 0;
    // The folder that holds the executable, without a trailing separator.
    virtual std::string Path() = 0;
    // Ends the process at once: no message, no unload handlers, no events.
    [[noreturn]] virtual void EndProcess() = 0;
    // Ends the program after its last form has unloaded: every window
    // closes, sound stops, the process exits with success.
    [[noreturn]] virtual void End() = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    // Local time as seconds past midnight, with its fraction.
    virtual float Timer() = 0;
};

class Random {
public:
    virtual ~Random() = default;
    // Seeds the program's one generator from the clock.
    virtual void Randomize() = 0;
    // The next value, uniform in [0, 1), single precision.
    virtual float Rnd() = 0;
};

}  // namespace lumaris
