#include "platform/x11/monitor_power.h"

#include <X11/Xlib.h>
#include <X11/extensions/dpms.h>

namespace lumaris::x11 {

MonitorPower::MonitorPower(EventLoop& loop, std::function<void(bool on)> changed) : changed_(std::move(changed)) {
    display_ = XOpenDisplay(nullptr);
    int event = 0, error = 0;
    if (display_ != nullptr && (!DPMSQueryExtension(display_, &event, &error) || !DPMSCapable(display_))) {
        XCloseDisplay(display_);
        display_ = nullptr;
    }
    if (display_ == nullptr) return;
    timer_ = loop.CreateTimer([this] { check(); });
    timer_->SetInterval(500);
}

MonitorPower::~MonitorPower() {
    timer_.reset();
    if (display_ != nullptr) XCloseDisplay(display_);
}

void MonitorPower::check() {
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    const bool on = !DPMSInfo(display_, &level, &enabled) || !enabled || level == DPMSModeOn;
    if (on == on_) return;
    on_ = on;
    if (changed_) changed_(on);
}

}  // namespace lumaris::x11
