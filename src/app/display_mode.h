// The display mode: the scene drawn into a window that a screensaver daemon
// (or another launcher) hands over, laid out for that window's size and laid
// out again when it changes. The daemon owns the screen, the input and the
// password: the mode never ends on input, asks for nothing and shows no
// message box (messages go to standard error, one line each). It ends when
// the host's loop ends (a signal, the window gone).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/null/null_platform.h"
#include "platform/platform.h"
#include "platform/toolkit.h"
#include "scene/frm_tidemar_main.h"
#include "startup/lumz_submain.h"

namespace lumaris {

struct DisplayOptions {
    // The window to draw on: 0 for the one the daemon names (or the root).
    std::uint64_t window = 0;
    // Settings that replace the stored ones: store key, stored text.
    std::vector<std::pair<std::string, std::string>> settings;
    // The scale: 0 for automatic, else fixed (runtime/scale.h).
    int scale = 0;
};

enum class DisplayParse { NotDisplayMode, Ok, Bad };

// Reads the display mode's command line (the program's name not included).
// It is the display mode when an argument is --root, -root or --window-id;
// Bad leaves the one line for standard error in `error`.
DisplayParse parseDisplayMode(const std::vector<std::string>& arguments, DisplayOptions& options,
                              std::string& error);

// A window id as X11 tools print it: hexadecimal with 0x, or decimal; false
// for anything else, and for 0.
bool parseWindowId(const std::string& text, std::uint64_t& id);

// The stored settings with some replaced; saving goes to the store.
class OverrideStore : public SettingsStore {
public:
    OverrideStore(SettingsStore& store, std::vector<std::pair<std::string, std::string>> overrides)
        : store_(store), overrides_(std::move(overrides)) {}
    std::string GetSetting(const std::string& application, const std::string& section, const std::string& key,
                           const std::string& defaultText) override;
    void SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                     const std::string& text) override {
        store_.SaveSetting(application, section, key, text);
    }

private:
    SettingsStore& store_;
    std::vector<std::pair<std::string, std::string>> overrides_;
};

// The sound of a process that may have to wait for it: silent while another
// process of the display plays, what the scene asked for kept; live, the
// host's own, the sea sound the scene asked for started then.
class HandOverAudio : public Audio {
public:
    explicit HandOverAudio(Audio& host) : host_(host) {}
    // A device is there (the other process plays on it): the scene keeps its
    // sound and music settings.
    std::uint32_t waveOutGetNumDevs() override { return live_ ? host_.waveOutGetNumDevs() : 1u; }
    std::int32_t sndPlaySoundA(const void* sound, std::uint32_t flags) override;
    std::int32_t mciSendStringA(const char* command, char* reply, std::uint32_t replyLength, Hwnd callback) override;
    void goLive();
    bool live() const { return live_; }

private:
    Audio& host_;
    bool live_ = false;
    const void* loop_ = nullptr;
    std::uint32_t loopFlags_ = 0;
};

// The media control of such a process: silent until it goes live with the
// host's control.
class HandOverMedia : public MediaControl {
public:
    HandOverMedia() : target_(&silent_) {}
    void SetNotify(bool notify) override { target_->SetNotify(notify); }
    void SetWait(bool wait) override { target_->SetWait(wait); }
    void SetShareable(bool shareable) override { target_->SetShareable(shareable); }
    void SetDeviceType(const std::string& type) override { target_->SetDeviceType(type); }
    void SetFileName(const std::string& file) override { target_->SetFileName(file); }
    void SetCommand(const std::string& command) override { target_->SetCommand(command); }
    void OnDone(std::function<void(std::int32_t)> handler) override;
    void goLive(std::unique_ptr<MediaControl> host);

private:
    null_backend::SilentMediaControl silent_;
    std::unique_ptr<MediaControl> host_;
    MediaControl* target_;
    std::function<void(std::int32_t)> done_;
};

class DisplayMode : private PowerInput {
public:
    // claimSound: whether this process is (now) the one of the display that
    // plays the sea sound and the music (one per display, however many
    // monitors). Asked at the start and, while another process plays, every
    // two seconds: when that process ends, this one takes the sound over.
    DisplayMode(Platform& host, Toolkit& toolkit, const DisplayOptions& options, std::function<bool()> claimSound);
    DisplayMode(Platform& host, Toolkit& toolkit, const DisplayOptions& options, bool playsSound)
        : DisplayMode(host, toolkit, options, [playsSound] { return playsSound; }) {}
    ~DisplayMode();
    DisplayMode(const DisplayMode&) = delete;
    DisplayMode& operator=(const DisplayMode&) = delete;

    // Draws the start on the host's window and starts the frames.
    void start();
    // Sound and music off.
    void stop();
    FrmTidemarMain& scene() { return *scene_; }
    Platform& platform() { return platform_; }

private:
    // The display mode takes no input; it only hears when the display goes
    // dark and lights again.
    void DisplayPower(bool on) override { scene_->DisplayPower(on); }

    // The screen is the window: its size is the window's.
    class WindowScreen : public Screen {
    public:
        float Width() override { return window ? window->Image().width() * kTwipsPerPixel : 0; }
        float Height() override { return window ? window->Image().height() * kTwipsPerPixel : 0; }
        float TwipsPerPixelX() override { return kTwipsPerPixel; }
        float TwipsPerPixelY() override { return kTwipsPerPixel; }
        FormSurface* window = nullptr;
    };

    void takeSoundOver();
    Toolkit& toolkit_;
    std::function<bool()> claimSound_;
    HandOverAudio audio_;
    null_backend::StderrUi ui_;
    null_backend::NoWindows user32_;
    WindowScreen screen_;
    OverrideStore store_;
    null_backend::NoRegistry registry_;
    null_backend::NoPasswords passwords_;
    null_backend::NoShell shell_;
    Platform platform_;
    LumzSubMain module_;
    std::unique_ptr<FormSurface> window_;
    std::unique_ptr<Timer> timer_;
    HandOverMedia media_;
    std::unique_ptr<Timer> soundClaim_;
    std::unique_ptr<FrmTidemarMain> scene_;
};

// Runs the display mode until the host's loop ends; the exit status.
int runDisplayMode(Platform& host, Toolkit& toolkit, const DisplayOptions& options, std::function<bool()> claimSound);

}  // namespace lumaris
