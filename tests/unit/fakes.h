// Recording fakes of the platform. Every call is written to one shared log
// as text, in order, so that tests can compare whole call sequences.
#pragma once

#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/null/null_platform.h"
#include "platform/platform.h"
#include "runtime/convert.h"
#include "runtime/failure.h"
#include "runtime/form.h"
#include "runtime/surface.h"

namespace lumaris::testing {

using CallLog = std::vector<std::string>;

inline std::string fmt(float v) {
    std::ostringstream out;
    out << v;
    return out.str();
}

// Writes calls to a log in the system's own spelling: "Name(a, b, c)" for a
// call, "name = value" for a property.
class Recorder {
public:
    explicit Recorder(CallLog& log) : log_(log) {}
    template <class... Args>
    void operator()(const std::string& name, const Args&... args) {
        std::string line = name + "(";
        const char* separator = "";
        ((line += separator, line += text(args), separator = ", "), ...);
        log_.push_back(line + ")");
    }
    template <class Value>
    void set(const std::string& property, const Value& value) {
        log_.push_back(property + " = " + text(value));
    }
    void note(const std::string& entry) { log_.push_back(entry); }

    static std::string text(const std::string& s) { return s; }
    static std::string text(const char* s) { return s != nullptr ? s : "NULL"; }
    static std::string text(bool b) { return b ? "True" : "False"; }
    static std::string text(float v) { return fmt(v); }
    template <class Int>
        requires std::is_integral_v<Int>
    static std::string text(Int v) {
        return std::to_string(v);
    }

private:
    CallLog& log_;
};

// Thrown by FakeApp::EndProcess so that a test sees the process end without
// ending the test program.
struct ProcessEnded {};

struct MessageShown {
    std::string text;
    std::int32_t style;
    std::string title;
};

class FakeUi : public Ui {
public:
    explicit FakeUi(CallLog& log) : log_(log) {}
    std::int32_t MsgBox(const std::string& text, std::int32_t style, const std::string& title) override {
        log_("MsgBox", text, style, title);
        shown.push_back({text, style, title});
        return kIdOk;
    }
    std::vector<MessageShown> shown;

private:
    Recorder log_;
};

class FakeApp : public App {
public:
    explicit FakeApp(CallLog& log) : log_(log) {}
    std::string Command() override { return command; }
    bool PrevInstance() override {
        log_.note("PrevInstance");
        return prevInstance;
    }
    std::string Path() override { return "/opt/lumaris"; }
    [[noreturn]] void EndProcess() override {
        log_.note("EndProcess");
        throw ProcessEnded{};
    }
    [[noreturn]] void End() override {
        log_.note("End");
        throw ProcessEnded{};
    }
    std::string command;
    bool prevInstance = false;

private:
    Recorder log_;
};

using FakeClock = null_backend::ManualClock;

class FakeRandom : public Random {
public:
    explicit FakeRandom(CallLog& log) : log_(log) {}
    void Randomize() override { log_.note("Randomize"); }
    float Rnd() override {
        log_.note("Rnd");
        if (values.empty()) return 0.0f;
        const float v = values.front();
        values.erase(values.begin());
        return v;
    }
    std::vector<float> values;

private:
    Recorder log_;
};

class FakeUser32 : public User32 {
public:
    explicit FakeUser32(CallLog& log) : log_(log) {}
    std::int32_t GetSystemMetrics(std::int32_t index) override {
        log_("GetSystemMetrics", index);
        const auto found = metrics.find(index);
        return found == metrics.end() ? 0 : found->second;
    }
    std::int32_t GetClientRect(Hwnd window, Rect& rect) override {
        log_("GetClientRect", window);
        rect = clientRect;
        return 1;
    }
    std::int32_t GetWindowLongA(Hwnd window, std::int32_t index) override {
        log_("GetWindowLongA", window, index);
        return windowLong;
    }
    std::int32_t SetWindowLongA(Hwnd window, std::int32_t index, std::int32_t value) override {
        log_("SetWindowLongA", window, index, value);
        return 0;
    }
    Hwnd SetParent(Hwnd child, Hwnd parent) override {
        log_("SetParent", child, parent);
        return 0;
    }
    std::int32_t SetWindowPos(Hwnd window, Hwnd insertAfter, std::int32_t x, std::int32_t y, std::int32_t cx,
                              std::int32_t cy, std::uint32_t flags) override {
        log_("SetWindowPos", window, insertAfter, x, y, cx, cy, flags);
        return 1;
    }
    Hwnd FindWindowA(const char* className, const char* windowName) override {
        log_("FindWindowA", className, windowName);
        return foundWindow;
    }
    std::int32_t ShowCursor(bool show) override {
        log_("ShowCursor", show ? "TRUE" : "FALSE");
        cursorCount += show ? 1 : -1;
        return cursorCount;
    }
    std::int32_t SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* value,
                                       std::uint32_t winIni) override {
        const std::int32_t pointed = value != nullptr ? *static_cast<std::int32_t*>(value) : -1;
        log_("SystemParametersInfoA", action, param, "&" + std::to_string(pointed), winIni);
        return 1;
    }
    std::int32_t cursorCount = 0;
    std::map<std::int32_t, std::int32_t> metrics;
    Rect clientRect;
    std::int32_t windowLong = 0;
    Hwnd foundWindow = 0;

private:
    Recorder log_;
};

using FakeScreen = null_backend::FixedScreen;

// An in-memory store with case-insensitive keys. failOnKey makes the access
// of that key fail, as a broken store would.
class FakeStore : public SettingsStore {
public:
    explicit FakeStore(CallLog& log) : log_(log) {}
    std::string GetSetting(const std::string& application, const std::string& section, const std::string& key,
                           const std::string& defaultText) override {
        log_("GetSetting", application, section, key, defaultText);
        failIfAsked(key);
        const auto found = values.find(slot(application, section, key));
        return found == values.end() ? defaultText : found->second;
    }
    void SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                     const std::string& text) override {
        log_("SaveSetting", application, section, key, text);
        failIfAsked(key);
        values[slot(application, section, key)] = text;
    }
    void set(const std::string& key, const std::string& text) {
        values[slot("QN Vesmire Lumaris", "Settings", key)] = text;
    }
    std::optional<std::string> get(const std::string& key) const {
        const auto found = values.find(slot("QN Vesmire Lumaris", "Settings", key));
        if (found == values.end()) return std::nullopt;
        return found->second;
    }
    std::string failOnKey;
    std::map<std::string, std::string> values;

private:
    static std::string slot(const std::string& application, const std::string& section, const std::string& key) {
        return upperCase(application) + "|" + upperCase(section) + "|" + upperCase(key);
    }
    void failIfAsked(const std::string& key) {
        if (!failOnKey.empty() && equalsIgnoreCase(key, failOnKey)) {
            throw Failure(failures::kPermissionDenied, "Permission denied");
        }
    }
    Recorder log_;
};

// A registry holding at most one value under one key.
class FakeRegistry : public Registry {
public:
    explicit FakeRegistry(CallLog& log) : log_(log) {}
    std::int32_t RegOpenKeyA(Hkey root, const char* subKey, Hkey& handle) override {
        log_("RegOpenKeyA", root, subKey);
        handle = (keyExists && subKey == keyPath) ? 42 : 0;
        return handle != 0 ? kErrorSuccess : kErrorFileNotFound;
    }
    std::int32_t RegQueryValueExA(Hkey handle, const char* valueName, std::uint32_t, std::int32_t& type,
                                  unsigned char* data, std::uint32_t& size) override {
        log_("RegQueryValueExA", handle, valueName, size);
        if (handle != 42) return kErrorInvalidHandle;
        if (!value || valueName != this->valueName) return kErrorFileNotFound;
        const std::uint32_t needed = reportedSize.value_or(static_cast<std::uint32_t>(value->size()));
        if (value->size() > size) {
            size = needed;
            return kErrorMoreData;
        }
        std::memcpy(data, value->data(), value->size());
        type = valueType;
        size = needed;
        return kErrorSuccess;
    }
    std::int32_t RegCloseKey(Hkey handle) override {
        log_("RegCloseKey", handle);
        return kErrorSuccess;
    }
    bool keyExists = true;
    std::string keyPath = "Control Panel\\Desktop";
    std::string valueName = "ScreenSaveUsePassword";
    std::optional<std::string> value;  // raw data bytes
    std::int32_t valueType = kRegSz;
    std::optional<std::uint32_t> reportedSize;

private:
    Recorder log_;
};

class FakePasswords : public Passwords {
public:
    explicit FakePasswords(CallLog& log) : log_(log) {}
    std::int32_t PwdChangePasswordA(const char* registryKey, Hwnd parent, std::int32_t reserved1,
                                    std::int32_t reserved2) override {
        log_("PwdChangePasswordA", registryKey, parent, reserved1, reserved2);
        return 1;
    }
    std::int32_t VerifyScreenSavePwd(Hwnd window) override {
        log_("VerifyScreenSavePwd", window);
        if (duringVerification) duringVerification();
        if (verifyFails) throw Failure(48, "Error in loading DLL");
        return verifyAnswer;
    }
    std::int32_t verifyAnswer = 0;
    bool verifyFails = false;
    std::function<void()> duringVerification;

private:
    Recorder log_;
};

class FakeFormWindow : public FormWindow {
public:
    FakeFormWindow(CallLog& log, std::string name, Hwnd handle) : log_(log), name_(std::move(name)), handle_(handle) {}
    void SetCaption(const std::string& caption) override { log_.set(name_ + ".Caption", caption); }
    void Show() override { log_.note(name_ + ".Show"); }
    void SetWindowState(std::int32_t state) override { log_.set(name_ + ".WindowState", state); }
    void SetTop(float twips) override { log_.set(name_ + ".Top", twips); }
    void SetLeft(float twips) override { log_.set(name_ + ".Left", twips); }
    void SetWidth(float twips) override { log_.set(name_ + ".Width", twips); }
    void SetHeight(float twips) override { log_.set(name_ + ".Height", twips); }
    Hwnd hWnd() override { return handle_; }

private:
    Recorder log_;
    std::string name_;
    Hwnd handle_;
};

class FakeForms : public Forms {
public:
    explicit FakeForms(CallLog& log)
        : log_(log), config_(log, "frmConfig", 100), scene_(log, "frmTidemarMain", 200), preview_(log, "frmPreview", 300) {}
    FormWindow& LoadConfig() override { return load(config_, "frmConfig"); }
    FormWindow& LoadScene() override { return load(scene_, "frmTidemarMain"); }
    FormWindow& LoadPreview() override {
        if (previewLoadFails) throw Failure(failures::kFileNotFound, "File not found");
        return load(preview_, "frmPreview");
    }
    bool previewLoadFails = false;

private:
    FormWindow& load(FakeFormWindow& form, const std::string& name) {
        log_.note("Load " + name);
        return form;
    }
    Recorder log_;
    FakeFormWindow config_;
    FakeFormWindow scene_;
    FakeFormWindow preview_;
};

inline std::string ropName(std::uint32_t rop) {
    switch (rop) {
        case Rop::SrcCopy: return "SRCCOPY";
        case Rop::SrcAnd: return "SRCAND";
        case Rop::SrcPaint: return "SRCPAINT";
        default: return std::to_string(rop);
    }
}

// Records every drawing call and carries it out on the real pictures.
class FakeGdi : public Gdi {
public:
    explicit FakeGdi(CallLog& log) : log_(log) {}
    std::int32_t BitBlt(Surface& dst, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                        const Surface& src, std::int32_t sx, std::int32_t sy, std::uint32_t rop) override {
        log_("BitBlt", dst.name(), x, y, w, h, src.name(), sx, sy, ropName(rop));
        if (failOnBlitTo == dst.name() && --blitsBeforeFailure < 0) throw Failure(480, "Can't create AutoRedraw image");
        return blit(dst, x, y, w, h, src, sx, sy, rop);
    }
    void Line(Surface& dst, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
              std::uint32_t color) override {
        ++lines;
        if (logLines) {
            log_("Line", dst.name(), x1, y1, x2, y2, color);
        }
        if (failAfterLines > 0 && lines > failAfterLines) throw Failure(7, "Out of memory");
        drawLine(dst, x1, y1, x2, y2, color);
    }
    void ClearPicture(Surface& surface) override {
        log_("ClearPicture", surface.name());
        surface.clear();
    }
    void RefreshPicture(Surface& surface) override { log_("RefreshPicture", surface.name()); }
    bool logLines = false;
    int lines = 0;
    int failAfterLines = 0;
    std::string failOnBlitTo;
    int blitsBeforeFailure = 0;

private:
    Recorder log_;
};

// The built-in pictures at their real sizes, each pixel telling where it came
// from: picture number in the top byte's place of blue, x and y below.
class FakePictures : public Pictures {
public:
    Surface Load(const std::string& name, std::uint32_t background) override {
        const auto [w, h] = sizes().at(name);
        Surface s(name, w, h, background);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) s.setPixel(x, y, code(name, x, y));
        return s;
    }
    // A colour unique to each pixel of each picture: 4 bits of picture,
    // 11 bits of x, 9 bits of y.
    static std::uint32_t code(const std::string& picture, int x, int y) {
        const auto tag = static_cast<std::uint32_t>(std::distance(sizes().begin(), sizes().find(picture)) + 1);
        return (tag << 20) | (static_cast<std::uint32_t>(x) << 9) | static_cast<std::uint32_t>(y);
    }

private:
    static const std::map<std::string, std::pair<int, int>>& sizes() {
        static const std::map<std::string, std::pair<int, int>> table = {
            {"skypicsource", {1820, 410}}, {"waterpicsource", {1024, 491}}, {"picDarkWater", {1024, 491}},
            {"picMoon", {65, 66}},         {"piccivilsource", {591, 127}},  {"splashpic", {272, 173}},
            {"picBalloon", {66, 172}},     {"preview", {160, 120}},
        };
        return table;
    }

public:
    bool SavePng(const Surface&, const std::string&) override { return false; }
};

class FakeAudio : public Audio {
public:
    explicit FakeAudio(CallLog& log) : log_(log) {}
    std::uint32_t waveOutGetNumDevs() override { return devices; }
    std::int32_t sndPlaySoundA(const void* sound, std::uint32_t flags) override {
        log_("sndPlaySoundA", sound == nullptr ? "NULL" : "image", flags);
        if (sound != nullptr) playing = static_cast<const std::uint8_t*>(sound);
        return refuse ? 0 : 1;
    }
    std::int32_t mciSendStringA(const char* command, char*, std::uint32_t replyLength, Hwnd callback) override {
        log_("mciSendStringA", command, replyLength, callback);
        return 0;
    }
    std::uint32_t devices = 1;
    bool refuse = false;
    const std::uint8_t* playing = nullptr;

private:
    Recorder log_;
};

// A folder listing: the names Dir and DirNext hand out, in order.
class FakeFiles : public Files {
public:
    explicit FakeFiles(CallLog& log) : log_(log) {}
    std::string Dir(const std::string& pattern) override {
        log_("Dir", pattern);
        if (fails) throw Failure(76, "Path not found");
        next_ = 0;
        return DirNext();
    }
    std::string DirNext() override { return next_ < names.size() ? names[next_++] : std::string(); }
    std::vector<std::string> names;
    bool fails = false;

private:
    Recorder log_;
    std::size_t next_ = 0;
};

class FakeMediaControl : public MediaControl {
public:
    explicit FakeMediaControl(CallLog& log) : log_(log) {}
    void SetNotify(bool v) override { log_.set("MMControl1.Notify", v); }
    void SetWait(bool v) override { log_.set("MMControl1.Wait", v); }
    void SetShareable(bool v) override { log_.set("MMControl1.Shareable", v); }
    void SetDeviceType(const std::string& v) override { log_.set("MMControl1.DeviceType", v); }
    void SetFileName(const std::string& v) override { log_.set("MMControl1.FileName", v); }
    void SetCommand(const std::string& v) override { log_.set("MMControl1.Command", v); }
    void OnDone(std::function<void(std::int32_t)> handler) override { done = std::move(handler); }
    std::function<void(std::int32_t)> done;

private:
    Recorder log_;
};

// The shell: a folder browser that answers with `chosen` (nothing: the user
// cancelled; an empty text: a choice without a file-system path).
class FakeShell : public Shell {
public:
    explicit FakeShell(CallLog& log) : log_(log) {}
    ItemIdList SHBrowseForFolderA(const BrowseInfo& info) override {
        log_("SHBrowseForFolderA", info.owner, info.title, info.flags);
        if (!chosen) return nullptr;
        ++outstanding;
        return &*chosen;
    }
    std::int32_t SHGetPathFromIDListA(ItemIdList item, char* path, std::size_t capacity) override {
        log_("SHGetPathFromIDListA", item != nullptr ? "item" : "NULL", capacity);
        if (item == nullptr || chosen->empty() || chosen->size() + 1 > capacity) return 0;
        std::memcpy(path, chosen->c_str(), chosen->size() + 1);
        return 1;
    }
    void CoTaskMemFree(ItemIdList) override {
        log_.note("CoTaskMemFree");
        --outstanding;
    }
    std::intptr_t ShellExecuteA(Hwnd window, const char* operation, const char* file, const char* parameters,
                                const char* directory, std::int32_t show) override {
        log_("ShellExecuteA", window, operation, file, parameters, directory, show);
        return 42;
    }
    std::optional<std::string> chosen;
    int outstanding = 0;

private:
    Recorder log_;
};

// A whole fake platform around one call log.
struct FakePlatform {
    CallLog log;
    FakeUi ui{log};
    FakeApp app{log};
    FakeClock clock;
    FakeRandom random{log};
    FakeUser32 user32{log};
    FakeScreen screen;
    FakeStore store{log};
    FakeRegistry registry{log};
    FakePasswords passwords{log};
    FakeGdi gdi{log};
    FakePictures pictures;
    FakeAudio audio{log};
    FakeFiles files{log};
    FakeShell shell{log};
    Platform platform{ui,  app,      clock, random, user32, screen, store, registry, passwords,
                      gdi, pictures, audio, files,  shell};

    // The same fakes around a real store, registry, file search or random generator.
    Platform with(SettingsStore& realStore) {
        return Platform{ui,  app,      clock, random, user32, screen, realStore, registry, passwords,
                        gdi, pictures, audio, files,  shell};
    }
    Platform with(Registry& realRegistry) {
        return Platform{ui,  app,      clock, random, user32, screen, store, realRegistry, passwords,
                        gdi, pictures, audio, files,  shell};
    }
    Platform with(Files& realFiles, Random& realRandom) {
        return Platform{ui,  app,      clock, realRandom, user32,    screen, store, registry, passwords,
                        gdi, pictures, audio, realFiles,  shell};
    }

    // The log without the entries that start with `prefix`.
    CallLog without(const std::string& prefix) const {
        CallLog out;
        for (const auto& entry : log) {
            if (entry.rfind(prefix, 0) != 0) out.push_back(entry);
        }
        return out;
    }
};

}  // namespace lumaris::testing

namespace lumaris::testing {

// A form window that records what is done to it; its image is as large as
// the fake screen once maximised.
class FakeFormSurface : public FormSurface {
public:
    FakeFormSurface(CallLog& log, FakeScreen& screen) : log_(log), screen_(screen), image_("form", 0, 0) {}
    void SetCaption(const std::string& caption) override { log_.set("form.Caption", caption); }
    void Show() override { log_.note("form.Show"); }
    void SetWindowState(std::int32_t state) override {
        log_.set("form.WindowState", state);
        if (state == 2) {
            image_.resize(static_cast<int>(screen_.widthPixels), static_cast<int>(screen_.heightPixels));
        }
    }
    void SetTop(float) override {}
    void SetLeft(float) override {}
    void SetWidth(float) override {}
    void SetHeight(float) override {}
    Hwnd hWnd() override { return 200; }
    Surface& Image() override { return image_; }
    void Refresh() override { log_.note("form.Refresh"); }
    bool FrameWanted() override { return !frameWanted || frameWanted(); }
    std::int64_t FramePeriodUs() override { return framePeriodUs; }
    void AddLabel(const Label& label) override { labels.push_back(&label); }
    int LabelHeight(const Label&) override { return labelHeight; }
    void OnResize(std::function<void()> handler) override { resized = std::move(handler); }
    // The host gives the window a new size.
    void ResizeTo(int width, int height) override {
        image_.resize(width, height);
        if (resized) resized();
    }
    void SetInput(FormInput* to) override { input = to; }
    void KeepInput(bool keep) override { log_.set("form.KeepInput", keep); }
    FormInput* input = nullptr;
    std::function<bool()> frameWanted;  // none: every frame
    std::int64_t framePeriodUs = 0;
    std::vector<const Label*> labels;
    int labelHeight = 78;
    std::function<void()> resized;

private:
    Recorder log_;
    FakeScreen& screen_;
    Surface image_;
};

class FakeTimer : public Timer {
public:
    explicit FakeTimer(CallLog& log) : log_(log) {}
    void SetInterval(std::int32_t milliseconds) override {
        log_.set("Timer1.Interval", milliseconds);
        interval_ = milliseconds;
    }
    std::int32_t Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override { log_.set("Timer1.Enabled", enabled); }

private:
    Recorder log_;
    std::int32_t interval_ = 0;
};

}  // namespace lumaris::testing
