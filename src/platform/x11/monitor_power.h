// Whether the X server has the monitors off: its DPMS state ("standby",
// "suspend" and "off" all show nothing), asked twice a second on a
// connection of its own. A server without DPMS always has them on.
#pragma once

#include <functional>
#include <memory>

#include "platform/graphics.h"
#include "platform/toolkit.h"

struct _XDisplay;

namespace lumaris::x11 {

class MonitorPower {
public:
    // `changed` hears each change, on the loop's thread.
    MonitorPower(EventLoop& loop, std::function<void(bool on)> changed);
    ~MonitorPower();
    MonitorPower(const MonitorPower&) = delete;
    MonitorPower& operator=(const MonitorPower&) = delete;

    bool on() const { return on_; }

private:
    void check();
    _XDisplay* display_ = nullptr;
    std::function<void(bool)> changed_;
    std::unique_ptr<Timer> timer_;
    bool on_ = true;
};

}  // namespace lumaris::x11
