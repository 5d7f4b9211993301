#include "platform/win32/win32_toolkit.h"

#include <algorithm>
#include <array>

#include "runtime/failure.h"

namespace lumaris::win32_backend {

namespace {
int g_nextControl = 1;
}  // namespace

MciMediaControl::MciMediaControl(Win32Loop& loop)
    : loop_(loop), alias_("lumaris_media" + std::to_string(g_nextControl++)) {}

MciMediaControl::~MciMediaControl() {
    if (open_) send("close " + alias_);
}

MCIERROR MciMediaControl::send(const std::string& command) {
    std::array<char, 256> reply{};
    return mciSendStringA(command.c_str(), reply.data(), static_cast<UINT>(reply.size()), loop_.window());
}

void MciMediaControl::SetCommand(const std::string& command) {
    const std::string wait = wait_ ? " wait" : "";
    if (_stricmp(command.c_str(), "open") == 0) {
        // A control holds one file: the one open before goes.
        if (open_) send("close " + alias_ + " wait");
        open_ = false;
        device_ = 0;
        std::string open = "open \"" + file_ + "\"";
        if (!deviceType_.empty()) open += " type " + deviceType_;
        open += " alias " + alias_;
        if (shareable_) open += " shareable";
        if (send(open + wait) == 0) {
            open_ = true;
            device_ = mciGetDeviceIDA(alias_.c_str());
        }
    } else if (_stricmp(command.c_str(), "play") == 0) {
        if (open_) send("play " + alias_ + (wait_ ? " wait" : " notify"));
    } else if (_stricmp(command.c_str(), "close") == 0) {
        if (open_) send("close " + alias_ + wait);
        open_ = false;
        device_ = 0;
    } else if (open_) {
        std::string lower = command;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        send(lower + " " + alias_ + wait);
    }
}

bool MciMediaControl::notice(WPARAM code, LPARAM device) {
    if (device_ == 0 || static_cast<MCIDEVICEID>(device) != device_) return false;
    // Only a playback that ran to its end: a play that was stopped,
    // replaced or closed, or that failed, starts nothing new.
    if (code == MCI_NOTIFY_SUCCESSFUL && done_) {
        const auto done = done_;
        done(static_cast<std::int32_t>(code));
    }
    return true;
}

Win32Toolkit::Win32Toolkit(Win32Loop& loop, Win32Gdi& gdi, float twipsPerPixel)
    : Toolkit(loop), loop_(loop), gdi_(gdi), twipsPerPixel_(twipsPerPixel) {
    loop_.addHandler([this](UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != MM_MCINOTIFY) return false;
        for (MciMediaControl* control : std::vector<MciMediaControl*>(controls_)) {
            if (control->notice(wParam, lParam)) break;
        }
        return true;
    });
}

Win32Toolkit::~Win32Toolkit() = default;

namespace {

class ToolkitMediaControl : public MciMediaControl {
public:
    ToolkitMediaControl(Win32Loop& loop, Win32Toolkit& toolkit) : MciMediaControl(loop), toolkit_(toolkit) {}
    ~ToolkitMediaControl() override { toolkit_.forget(this); }

private:
    Win32Toolkit& toolkit_;
};

}  // namespace

std::unique_ptr<FormSurface> Win32Toolkit::CreateSurface(const std::string& name, SurfaceKind kind, int width,
                                                         int height) {
    if (kind == SurfaceKind::Given) throw Failure(failures::kCannotCreate, "No window was handed to the program");
    auto window = std::make_unique<Win32FormWindow>(name, gdi_, twipsPerPixel_, kind == SurfaceKind::TopLevel);
    if (kind == SurfaceKind::Embedded) window->ResizeTo(width, height);
    return window;
}

std::unique_ptr<MediaControl> Win32Toolkit::CreateMediaControl() {
    auto control = std::make_unique<ToolkitMediaControl>(loop_, *this);
    controls_.push_back(control.get());
    return control;
}

void Win32Toolkit::forget(MciMediaControl* control) {
    controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

std::unique_ptr<ConfigWindow> Win32Toolkit::CreateConfigWindow() {
    throw Failure(failures::kCannotCreate, "The settings dialog is not available in this build");
}

bool Win32Toolkit::HostClientRect(Hwnd window, Rect& rect) {
    const HWND handle = toHwnd(window);
    const HWND host = GetParent(handle);
    if (host == nullptr || !IsWindow(host)) return false;
    RECT client{};
    if (!GetClientRect(host, &client)) return false;
    rect = Rect{client.left, client.top, client.right, client.bottom};
    return true;
}

}  // namespace lumaris::win32_backend
