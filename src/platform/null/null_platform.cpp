#include "platform/null/null_platform.h"

#include <cstdio>

#include "dialog/frm_config.h"
#include "dialog/layout.h"
#include "runtime/convert.h"
#include "runtime/failure.h"

namespace lumaris::null_backend {

namespace {

std::string slot(const std::string& application, const std::string& section, const std::string& key) {
    return upperCase(application) + "|" + upperCase(section) + "|" + upperCase(key);
}

}  // namespace

std::int32_t StderrUi::MsgBox(const std::string& text, std::int32_t, const std::string& title) {
    std::string line = title.empty() ? text : title + ": " + text;
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    std::fprintf(stderr, "lumaris: %s\n", line.c_str());
    ++lines_;
    return kIdOk;
}

std::int32_t QuietUi::MsgBox(const std::string& text, std::int32_t style, const std::string& title) {
    shown.push_back({text, style, title});
    return kIdOk;
}

void ClockSeededRandom::Randomize() {
    const float seconds = clock_.Timer();
    state_ = static_cast<std::uint32_t>(seconds * 1000.0f) * 2654435761u + 12345u;
}

float ClockSeededRandom::Rnd() {
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<float>((state_ >> 8) & 0xFFFFFF) / 16777216.0f;
}

std::string MemoryStore::GetSetting(const std::string& application, const std::string& section,
                                    const std::string& key, const std::string& defaultText) {
    const auto found = values.find(slot(application, section, key));
    return found == values.end() ? defaultText : found->second;
}

void MemoryStore::SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                              const std::string& text) {
    values[slot(application, section, key)] = text;
}

void MemoryStore::set(const std::string& key, const std::string& text) {
    values[slot("QN Vesmire Lumaris", "Settings", key)] = text;
}

std::int32_t SilentAudio::sndPlaySoundA(const void* sound, std::uint32_t) {
    asked.emplace_back(sound != nullptr ? "sound" : "purge");
    return devices > 0 ? 1 : 0;
}

std::int32_t SilentAudio::mciSendStringA(const char* command, char* reply, std::uint32_t replyLength, Hwnd) {
    if (reply != nullptr && replyLength > 0) reply[0] = '\0';
    asked.emplace_back(command != nullptr ? command : "");
    return 0;
}

void SilentMediaControl::SetCommand(const std::string& command) {
    const std::string c = upperCase(command);
    if (c == "PLAY") {
        played.push_back(file_);
        playing_ = true;
    } else if (c == "CLOSE") {
        playing_ = false;
    }
}

void SilentMediaControl::finish() {
    if (!playing_) return;
    playing_ = false;
    if (done_) done_(1);
}

void MemorySurface::SetWindowState(std::int32_t state) {
    if (state == kWindowStateMaximized) {
        ResizeTo(static_cast<int>(screen_.Width() / screen_.TwipsPerPixelX()),
                 static_cast<int>(screen_.Height() / screen_.TwipsPerPixelY()));
    }
}

void MemorySurface::SetWidth(float twips) { ResizeTo(static_cast<int>(twips / kTwipsPerPixel), image_.height()); }
void MemorySurface::SetHeight(float twips) { ResizeTo(image_.width(), static_cast<int>(twips / kTwipsPerPixel)); }

void MemorySurface::ResizeTo(int width, int height) {
    if (width == image_.width() && height == image_.height()) return;
    image_.resize(width, height);
    if (onResize_) onResize_();
}

Surface MemorySurface::composed() {
    Surface copy = image_;
    if (text_ != nullptr) paintLabels(copy, labels_, *text_);
    return copy;
}

void ManualLoop::Post(std::function<void()> work) { posted_.push_back(std::move(work)); }

bool ManualLoop::runOnce() {
    std::vector<std::function<void()>> work;
    work.swap(posted_);
    for (auto& job : work) job();
    return !work.empty();
}

void ManualLoop::advance(std::uint64_t milliseconds) {
    const std::uint64_t end = now_ + milliseconds;
    runOnce();
    while (!quit_) {
        const std::uint64_t wait = timers_.wait(now_, end - now_);
        now_ += wait;
        timers_.runDue([this] { return now_; }, [this] { return !quit_; });
        runOnce();
        if (now_ >= end) break;
    }
}

// Nothing moves the clock from inside: a headless run ends when nothing is
// posted any more.
void ManualLoop::Run() {
    quit_ = false;
    while (!quit_ && runOnce()) {
    }
}

void ManualLoop::RunModal(const std::function<bool()>& done) {
    while (!quit_ && !done() && runOnce()) {
    }
}

std::unique_ptr<FormSurface> HeadlessToolkit::CreateSurface(const std::string& name, SurfaceKind kind, int width,
                                                            int height) {
    auto surface = std::make_unique<MemorySurface>(screen_, name, text_);
    // A handed-over window is as large as the screen it stands for.
    if (kind == SurfaceKind::Given) surface->SetWindowState(kWindowStateMaximized);
    else surface->ResizeTo(width, height);
    lastSurface = surface.get();
    return surface;
}

std::unique_ptr<Timer> ManualLoop::CreateTimer(std::function<void()> onTick) {
    return std::make_unique<ManualTimer>(*this, std::move(onTick));
}

std::unique_ptr<MediaControl> HeadlessToolkit::CreateMediaControl() {
    return std::make_unique<SilentMediaControl>();
}

std::unique_ptr<ConfigWindow> HeadlessToolkit::CreateConfigWindow() { return std::make_unique<MemoryConfigWindow>(); }

MemoryConfigWindow::MemoryConfigWindow() {
    const struct {
        ControlRole role;
        Check box;
    } boxes[] = {{ControlRole::Sound, Check::chkSound},           {ControlRole::Music, Check::chkMusic},
                 {ControlRole::Civilization, Check::chkCivilization}, {ControlRole::MouseEvent, Check::chkMouseEvent},
                 {ControlRole::NightMode, Check::chkNightMode},   {ControlRole::Balloon, Check::chkBalloon}};
    for (const auto& b : boxes) checked[b.box] = dialogControl(b.role).checked;
    const struct {
        ControlRole role;
        Control control;
    } shown[] = {{ControlRole::Sound, Control::chkSound},
                 {ControlRole::Music, Control::chkMusic},
                 {ControlRole::PathName, Control::lblPathName},
                 {ControlRole::Mp3Check, Control::lblMp3Check},
                 {ControlRole::DirPath, Control::cmdDirPath}};
    for (const auto& s : shown) visible[s.control] = dialogControl(s.role).visible;
    path = dialogControl(ControlRole::PathName).caption;
    speed = kSpeedMin;  // the bar's left end
}

void MemoryConfigWindow::SetChecked(Check box, bool value) {
    if (checked[box] == value) return;
    checked[box] = value;
    if (!events_) return;
    if (box == Check::chkMusic) events_(ConfigEvent::chkMusic_Click);
    if (box == Check::chkMouseEvent) events_(ConfigEvent::chkMouseEvent_Click);
}

}  // namespace lumaris::null_backend
