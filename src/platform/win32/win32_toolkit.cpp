#include "platform/win32/win32_toolkit.h"

#include <algorithm>
#include <array>

#include "runtime/failure.h"

namespace lumaris::win32_backend {

namespace {
int g_nextControl = 1;
constexpr const char* kMediaClass = "LumarisMedia";
}  // namespace

MciMediaControl::MciMediaControl()
    : window_(createMessageWindow(kMediaClass, &MciMediaControl::procedure, this)),
      alias_("lumaris_media" + std::to_string(g_nextControl++)) {}

MciMediaControl::~MciMediaControl() {
    if (open_) send("close " + alias_ + " wait");
    if (window_ != nullptr) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

LRESULT CALLBACK MciMediaControl::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MciMediaControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self != nullptr && message == MM_MCINOTIFY) {
        self->notice(wParam);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

MCIERROR MciMediaControl::send(const std::string& command) {
    std::array<char, 256> reply{};
    return mciSendStringA(command.c_str(), reply.data(), static_cast<UINT>(reply.size()), window_);
}

void MciMediaControl::SetCommand(const std::string& command) {
    const std::string wait = wait_ ? " wait" : "";
    if (_stricmp(command.c_str(), "open") == 0) {
        // A control holds one file: the one open before goes.
        if (open_) send("close " + alias_ + " wait");
        // The media control takes no file name of more than about 250
        // characters: a longer path goes by its short name, which the
        // file system keeps for it.
        std::string name = file_;
        if (name.size() >= 250) {
            std::string shorter(MAX_PATH, '\0');
            const DWORD n = GetShortPathNameA(file_.c_str(), shorter.data(), static_cast<DWORD>(shorter.size()));
            if (n > 0 && n < shorter.size()) name = shorter.substr(0, n);
        }
        std::string open = "open \"" + name + "\"";
        if (!deviceType_.empty()) open += " type " + deviceType_;
        open += " alias " + alias_;
        if (shareable_) open += " shareable";
        open_ = send(open + wait) == 0;
    } else if (_stricmp(command.c_str(), "play") == 0) {
        if (open_) send("play " + alias_ + (wait_ ? " wait" : " notify"));
    } else if (_stricmp(command.c_str(), "close") == 0) {
        if (open_) send("close " + alias_ + wait);
        open_ = false;
    } else if (open_) {
        std::string lower = command;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        send(lower + " " + alias_ + wait);
    }
}

void MciMediaControl::notice(WPARAM code) {
    // Only a playback that ran to its end: a play that was stopped,
    // replaced or closed, or that failed, starts nothing new.
    if (open_ && code == MCI_NOTIFY_SUCCESSFUL && done_) {
        const auto done = done_;
        done(static_cast<std::int32_t>(code));
    }
}

Win32Toolkit::Win32Toolkit(Win32Loop& loop, Win32Gdi& gdi) : Toolkit(loop), loop_(loop), gdi_(gdi) {
    loop_.setFilter([this](MSG& message) { return dialog_ != nullptr && dialog_->dialogMessage(message); });
}

Win32Toolkit::~Win32Toolkit() = default;

std::unique_ptr<FormSurface> Win32Toolkit::CreateSurface(const std::string& name, SurfaceKind kind, int width,
                                                         int height) {
    if (kind == SurfaceKind::Given) throw Failure(failures::kCannotCreate, "No window was handed to the program");
    auto window = std::make_unique<Win32FormWindow>(name, gdi_, kind == SurfaceKind::TopLevel);
    if (kind == SurfaceKind::Embedded) window->ResizeTo(width, height);
    return window;
}

std::unique_ptr<MediaControl> Win32Toolkit::CreateMediaControl() { return std::make_unique<MciMediaControl>(); }

namespace {

// The dialog, which the toolkit stops sending keys to when it goes.
class ToolkitConfigWindow : public Win32ConfigWindow {
public:
    ToolkitConfigWindow(Win32Toolkit& toolkit, std::function<void()> onClose)
        : Win32ConfigWindow(std::move(onClose)), toolkit_(toolkit) {
        toolkit_.setDialog(this);
    }
    ~ToolkitConfigWindow() override { toolkit_.setDialog(nullptr); }

private:
    Win32Toolkit& toolkit_;
};

}  // namespace

std::unique_ptr<ConfigWindow> Win32Toolkit::CreateConfigWindow() {
    return std::make_unique<ToolkitConfigWindow>(*this, [this] { loop_.Quit(); });
}

bool Win32Toolkit::HostClientRect(Hwnd window, Rect& rect) {
    const HWND handle = toHwnd(window);
    if (!IsWindow(handle)) return false;
    // A child whose parent could not be set stays the desktop's.
    const HWND host = GetParent(handle);
    if (host == nullptr || host == GetDesktopWindow() || !IsWindow(host)) return false;
    RECT client{};
    if (!GetClientRect(host, &client)) return false;
    rect = Rect{client.left, client.top, client.right, client.bottom};
    return true;
}

}  // namespace lumaris::win32_backend
