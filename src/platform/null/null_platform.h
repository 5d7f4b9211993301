// The headless host: every platform piece in memory, with no display, no
// sound device and no files of the user's. Real, not a fake: surfaces hold
// their pixels, timers tick when the clock is driven, the store keeps what
// is saved, the audio keeps a list of what it was asked to play. The snapshot
// option, the benchmarks and the tests run the forms on it.
// Not here: decoding the built-in pictures and rasterising text, which the
// caller hands in (a host's own, or a test's).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/toolkit.h"
#include "runtime/timer_queue.h"

namespace lumaris::null_backend {

// Messages as single lines on standard error.
class StderrUi : public Ui {
public:
    std::int32_t MsgBox(const std::string& text, std::int32_t style, const std::string& title) override;
    // Messages that went to standard error rather than to a box.
    int unseenMessages() const { return lines_; }

private:
    int lines_ = 0;
};

// Message boxes that nobody sees: kept for the caller to read.
class QuietUi : public Ui {
public:
    std::int32_t MsgBox(const std::string& text, std::int32_t style, const std::string& title) override;
    struct Shown {
        std::string text;
        std::int32_t style;
        std::string title;
    };
    std::vector<Shown> shown;
};

// Thrown by HeadlessApp when the program ends, so that the caller decides
// what an end means in its run.
struct ProgramEnded {
    bool immediately;  // EndProcess rather than End
};

class HeadlessApp : public App {
public:
    explicit HeadlessApp(std::string command = {}, std::string path = ".")
        : command(std::move(command)), path(std::move(path)) {}
    std::string Command() override { return command; }
    bool PrevInstance() override { return prevInstance; }
    std::string Path() override { return path; }
    [[noreturn]] void EndProcess() override { throw ProgramEnded{true}; }
    [[noreturn]] void End() override { throw ProgramEnded{false}; }
    std::string command;
    std::string path;
    bool prevInstance = false;
};

// A clock the caller moves; seconds past midnight.
class ManualClock : public Clock {
public:
    float Timer() override { return now; }
    float now = 0;
};

// One small generator, seeded from the clock's present value so that a
// driven clock gives repeatable draws.
class ClockSeededRandom : public Random {
public:
    explicit ClockSeededRandom(Clock& clock) : clock_(clock) {}
    void Randomize() override;
    float Rnd() override;

private:
    Clock& clock_;
    std::uint32_t state_ = 1;
};

// No windows and no pointer: every call answers as for a missing window.
class NoWindows : public User32 {
public:
    std::int32_t GetSystemMetrics(std::int32_t) override { return 0; }
    std::int32_t GetClientRect(Hwnd, Rect& rect) override {
        rect = Rect{};
        return 0;
    }
    std::int32_t GetWindowLongA(Hwnd, std::int32_t) override { return 0; }
    std::int32_t SetWindowLongA(Hwnd, std::int32_t, std::int32_t) override { return 0; }
    Hwnd SetParent(Hwnd, Hwnd) override { return 0; }
    std::int32_t SetWindowPos(Hwnd, Hwnd, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                              std::uint32_t) override {
        return 0;
    }
    Hwnd FindWindowA(const char*, const char*) override { return 0; }
    std::int32_t ShowCursor(bool show) override { return cursorCount += show ? 1 : -1; }
    std::int32_t SystemParametersInfoA(std::uint32_t, std::uint32_t, void*, std::uint32_t) override { return 1; }
    std::int32_t cursorCount = 0;
};

// A screen of a fixed size in pixels.
class FixedScreen : public Screen {
public:
    FixedScreen(float widthPixels = 1024, float heightPixels = 768)
        : widthPixels(widthPixels), heightPixels(heightPixels) {}
    float Width() override { return widthPixels * kTwipsPerPixel; }
    float Height() override { return heightPixels * kTwipsPerPixel; }
    float TwipsPerPixelX() override { return kTwipsPerPixel; }
    float TwipsPerPixelY() override { return kTwipsPerPixel; }
    float widthPixels;
    float heightPixels;
};

// Settings in memory; application, section and key matched without regard
// to case.
class MemoryStore : public SettingsStore {
public:
    std::string GetSetting(const std::string& application, const std::string& section, const std::string& key,
                           const std::string& defaultText) override;
    void SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                     const std::string& text) override;
    // The program's own settings section.
    void set(const std::string& key, const std::string& text);
    std::map<std::string, std::string> values;
};

// A registry without any key.
class NoRegistry : public Registry {
public:
    std::int32_t RegOpenKeyA(Hkey, const char*, Hkey& handle) override {
        handle = 0;
        return kErrorFileNotFound;
    }
    std::int32_t RegQueryValueExA(Hkey, const char*, std::uint32_t, std::int32_t&, unsigned char*,
                                  std::uint32_t&) override {
        return kErrorInvalidHandle;
    }
    std::int32_t RegCloseKey(Hkey) override { return kErrorInvalidHandle; }
};

// No password service: nothing is ever verified.
class NoPasswords : public Passwords {
public:
    std::int32_t PwdChangePasswordA(const char*, Hwnd, std::int32_t, std::int32_t) override { return 0; }
    std::int32_t VerifyScreenSavePwd(Hwnd) override { return 0; }
};

// Silent sound output that keeps what it was asked: "sound", "purge" and
// the media command strings, in order.
class SilentAudio : public Audio {
public:
    explicit SilentAudio(std::uint32_t devices = 0) : devices(devices) {}
    std::uint32_t waveOutGetNumDevs() override { return devices; }
    std::int32_t sndPlaySoundA(const void* sound, std::uint32_t flags) override;
    std::int32_t mciSendStringA(const char* command, char* reply, std::uint32_t replyLength, Hwnd) override;
    std::uint32_t devices;
    std::vector<std::string> asked;
};

// A media control that plays nothing and keeps the files it opened; finish()
// reports the end of the present playback, as the real control would.
class SilentMediaControl : public MediaControl {
public:
    void SetNotify(bool) override {}
    void SetWait(bool) override {}
    void SetShareable(bool) override {}
    void SetDeviceType(const std::string&) override {}
    void SetFileName(const std::string& file) override { file_ = file; }
    void SetCommand(const std::string& command) override;
    void OnDone(std::function<void(std::int32_t)> handler) override { done_ = std::move(handler); }
    // The present playback ends by itself.
    void finish();
    std::vector<std::string> played;

private:
    std::string file_;
    bool playing_ = false;
    std::function<void(std::int32_t)> done_;
};

// A folder without files.
class NoFiles : public Files {
public:
    std::string Dir(const std::string&) override { return {}; }
    std::string DirNext() override { return {}; }
};

// A shell where the user cancels every choice and nothing opens.
class NoShell : public Shell {
public:
    ItemIdList SHBrowseForFolderA(const BrowseInfo&) override { return nullptr; }
    std::int32_t SHGetPathFromIDListA(ItemIdList, char*, std::size_t) override { return 0; }
    void CoTaskMemFree(ItemIdList) override {}
    std::intptr_t ShellExecuteA(Hwnd, const char*, const char*, const char*, const char*, std::int32_t) override {
        return 2;
    }
};

// A form's window in memory: its image is the whole result. Maximised it
// takes the screen's size; labels are drawn with `text` when given.
class MemorySurface : public FormSurface {
public:
    MemorySurface(Screen& screen, std::string name = "form", TextRasterizer* text = nullptr)
        : screen_(screen), image_(std::move(name), 0, 0), text_(text) {}
    void SetCaption(const std::string& caption) override { this->caption = caption; }
    void Show() override { shown = true; }
    void SetWindowState(std::int32_t state) override;
    void SetTop(float) override {}
    void SetLeft(float) override {}
    void SetWidth(float twips) override;
    void SetHeight(float twips) override;
    Hwnd hWnd() override { return handle; }
    Surface& Image() override { return image_; }
    void Refresh() override { ++refreshes; }
    void AddLabel(const Label& label) override { labels_.push_back(&label); }
    int LabelHeight(const Label& label) override { return labelHeight(label, text_); }
    void OnResize(std::function<void()> handler) override { onResize_ = std::move(handler); }
    void ResizeTo(int width, int height) override;
    void SetInput(FormInput* input) override { this->input = input; }
    void KeepInput(bool keep) override { keepsInput = keep; }
    // The image as it would look on screen, labels included.
    Surface composed();

    std::string caption;
    bool shown = false;
    int refreshes = 0;
    Hwnd handle = 0;
    FormInput* input = nullptr;
    bool keepsInput = false;

private:
    Screen& screen_;
    Surface image_;
    TextRasterizer* text_;
    std::vector<const Label*> labels_;
    std::function<void()> onResize_;
};

// The settings dialog's controls in memory, starting as the dialog's layout
// table says; changing a box raises its click, as a toolkit's would.
class MemoryConfigWindow : public ConfigWindow {
public:
    MemoryConfigWindow();
    void Connect(ConfigEvents events) override { events_ = std::move(events); }
    bool IsOpen() const override { return !closed; }
    void SetSpeedRange(std::int16_t min, std::int16_t max) override {
        speedMin = min;
        speedMax = max;
    }
    void SetSpeed(std::int16_t position) override { speed = position; }
    std::int16_t Speed() override { return speed; }
    void SetChecked(Check box, bool value) override;
    bool Checked(Check box) override { return checked[box]; }
    void SetVisible(Control control, bool value) override { visible[control] = value; }
    void SetPathCaption(const std::string& caption) override { path = caption; }
    void Close() override { closed = true; }
    void SetCaption(const std::string&) override {}
    void Show() override {}
    void SetWindowState(std::int32_t) override {}
    void SetTop(float) override {}
    void SetLeft(float) override {}
    void SetWidth(float) override {}
    void SetHeight(float) override {}
    Hwnd hWnd() override { return 0; }

    std::int16_t speed = 0, speedMin = 0, speedMax = 0;
    std::map<Check, bool> checked;
    std::map<Control, bool> visible;
    std::string path;
    bool closed = false;

private:
    ConfigEvents events_;
};

// The loop of a headless run: time moves only when the caller says so.
class ManualLoop : public EventLoop {
public:
    void Run() override;
    void Quit() override { quit_ = true; }
    void Post(std::function<void()> work) override;
    void RunModal(const std::function<bool()>& done) override;
    std::unique_ptr<Timer> CreateTimer(std::function<void()> onTick) override;
    std::uint64_t NowMs() override { return now_; }
    // Moves the clock on by `milliseconds`, ticking each timer as it comes
    // due, and runs what was posted.
    void advance(std::uint64_t milliseconds);
    std::uint64_t now() const { return now_; }
    TimerQueue& timers() { return timers_; }

private:
    bool runOnce();
    TimerQueue timers_;
    std::uint64_t now_ = 0;
    std::vector<std::function<void()>> posted_;
    bool quit_ = false;
};

class ManualTimer : public QueuedTimer {
public:
    ManualTimer(ManualLoop& loop, std::function<void()> onTick)
        : QueuedTimer(loop.timers(), [&loop] { return loop.now(); }, std::move(onTick)) {}
};

// The toolkit of the headless host.
class HeadlessToolkit : public Toolkit {
public:
    HeadlessToolkit(Screen& screen, TextRasterizer* text = nullptr)
        : Toolkit(loop), screen_(screen), text_(text) {}
    std::unique_ptr<FormSurface> CreateSurface(const std::string& name, SurfaceKind kind, int width,
                                               int height) override;
    std::unique_ptr<MediaControl> CreateMediaControl() override;
    std::unique_ptr<ConfigWindow> CreateConfigWindow() override;
    bool HostClientRect(Hwnd, Rect&) override { return false; }
    ManualLoop loop;
    // The last surface made, for the caller to look at.
    MemorySurface* lastSurface = nullptr;

private:
    Screen& screen_;
    TextRasterizer* text_;
};

// Every piece of the headless host around one set of pictures.
struct HeadlessPlatform {
    explicit HeadlessPlatform(Pictures& pictures, float widthPixels = 1024, float heightPixels = 768)
        : screen(widthPixels, heightPixels), pictures(pictures) {}
    QuietUi ui;
    HeadlessApp app;
    ManualClock clock;
    ClockSeededRandom random{clock};
    NoWindows user32;
    FixedScreen screen;
    MemoryStore store;
    NoRegistry registry;
    NoPasswords passwords;
    RasterGdi gdi;
    Pictures& pictures;
    SilentAudio audio;
    NoFiles files;
    NoShell shell;
    Platform platform{ui,  app,      clock, random, user32, screen, store, registry, passwords,
                      gdi, pictures, audio, files,  shell};
};

}  // namespace lumaris::null_backend
