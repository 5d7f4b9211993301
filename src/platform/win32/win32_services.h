// The Windows services of the program: message boxes, the process, the
// clock, windows and the screen, the settings in the registry, the system
// registry, passwords, sound, the file search and the shell. Each makes the
// system call it stands for.
#pragma once

#include <windows.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/files.h"
#include "platform/passwords.h"
#include "platform/shell.h"
#include "platform/store.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "platform/user32.h"
#include "runtime/form.h"

namespace lumaris::win32_backend {

class Win32Ui : public Ui {
public:
    std::int32_t MsgBox(const std::string& text, std::int32_t style, const std::string& title) override;
};

// The command line without the program's own path.
std::string argumentsOf(const char* commandLine);

class Win32App : public App {
public:
    std::string Command() override { return argumentsOf(GetCommandLineA()); }
    // A named mutex of the session: the first instance holds it. The check
    // and the caption of a new scene are one step: a second mutex, the start
    // lock, is held (waited for up to three seconds) from the check until a
    // window with the caption `shown` is there (looked for every 50 ms, for
    // three seconds at most).
    bool PrevInstance() override;
    void releaseStartLockOnceShown(const char* shown);
    std::string Path() override;
    [[noreturn]] void EndProcess() override;
    [[noreturn]] void End() override;
    // Runs when the program ends through End, last registered first.
    void atEnd(std::function<void()> step) { atEnd_.push_back(std::move(step)); }

private:
    std::vector<std::function<void()>> atEnd_;
    HANDLE instance_ = nullptr;
    HANDLE start_ = nullptr;
    static void CALLBACK lookForCaption(HWND, UINT, UINT_PTR, DWORD);
    void releaseStartLock();
    bool checked_ = false;
    bool previous_ = false;
};

class Win32Clock : public Clock {
public:
    float Timer() override;
};

class Win32Random : public Random {
public:
    void Randomize() override;
    float Rnd() override;

private:
    std::mt19937 generator_{5489u};
};

// The scene's whole-number scale for the primary monitor (runtime/scale.h):
// every logical pixel of the scene is a k x k block of the monitor's own.
int primaryScale();

class Win32User32 : public User32 {
public:
    // The screen and the virtual desktop in the scene's logical pixels (the
    // desktop rounded outwards, so that a window of its size covers every
    // monitor); everything else as the system gives it.
    std::int32_t GetSystemMetrics(std::int32_t index) override;
    std::int32_t GetClientRect(Hwnd window, Rect& rect) override;
    std::int32_t GetWindowLongA(Hwnd window, std::int32_t index) override;
    std::int32_t SetWindowLongA(Hwnd window, std::int32_t index, std::int32_t value) override;
    Hwnd SetParent(Hwnd child, Hwnd parent) override;
    std::int32_t SetWindowPos(Hwnd window, Hwnd insertAfter, std::int32_t x, std::int32_t y, std::int32_t cx,
                              std::int32_t cy, std::uint32_t flags) override;
    Hwnd FindWindowA(const char* className, const char* windowName) override;
    std::int32_t ShowCursor(bool show) override { return ::ShowCursor(show ? TRUE : FALSE); }
    std::int32_t SystemParametersInfoA(std::uint32_t action, std::uint32_t param, void* value,
                                       std::uint32_t winIni) override {
        return ::SystemParametersInfoA(action, param, value, winIni);
    }
};

// The primary monitor as the scene sees it: its logical pixels at the
// whole-number scale, 15 twips each. The scene is drawn in pixels, and a
// twip count that is not a whole multiple of its pixels (9.6 at 150%) would
// lay it out narrower than the screen; the settings dialog takes the
// monitor's real pixel density instead (win32_config.h).
class Win32Screen : public Screen {
public:
    float Width() override;
    float Height() override;
    float TwipsPerPixelX() override { return kTwipsPerPixel; }
    float TwipsPerPixelY() override { return kTwipsPerPixel; }
};

// The settings as string values under
// HKEY_CURRENT_USER\Software\<application>\<section>.
class RegistryStore : public SettingsStore {
public:
    std::string GetSetting(const std::string& application, const std::string& section, const std::string& key,
                           const std::string& defaultText) override;
    void SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                     const std::string& text) override;
};

class Win32Registry : public Registry {
public:
    std::int32_t RegOpenKeyA(Hkey root, const char* subKey, Hkey& handle) override;
    std::int32_t RegQueryValueExA(Hkey handle, const char* valueName, std::uint32_t reserved, std::int32_t& type,
                                  unsigned char* data, std::uint32_t& size) override;
    std::int32_t RegCloseKey(Hkey handle) override;
};

// The password services of the system's libraries, loaded when first
// needed: the change dialog from mpr.dll, the verification from
// password.cpl.
class Win32Passwords : public Passwords {
public:
    std::int32_t PwdChangePasswordA(const char* registryKey, Hwnd parent, std::int32_t reserved1,
                                    std::int32_t reserved2) override;
    std::int32_t VerifyScreenSavePwd(Hwnd window) override;
};

class Win32Audio : public Audio {
public:
    std::uint32_t waveOutGetNumDevs() override;
    std::int32_t sndPlaySoundA(const void* sound, std::uint32_t flags) override;
    std::int32_t mciSendStringA(const char* command, char* reply, std::uint32_t replyLength, Hwnd callback) override;
};

// Whether a file name matches a wildcard name ('*' any run, '?' one
// character), without regard to letter case.
bool matchesWildcard(const char* pattern, const char* name);

class Win32Files : public Files {
public:
    std::string Dir(const std::string& pattern) override;
    std::string DirNext() override;

private:
    std::vector<std::string> names_;
    std::size_t next_ = 0;
};

class Win32Shell : public Shell {
public:
    ItemIdList SHBrowseForFolderA(const BrowseInfo& info) override;
    std::int32_t SHGetPathFromIDListA(ItemIdList item, char* path, std::size_t capacity) override;
    void CoTaskMemFree(ItemIdList item) override;
    std::intptr_t ShellExecuteA(Hwnd window, const char* operation, const char* file, const char* parameters,
                                const char* directory, std::int32_t show) override;
};

}  // namespace lumaris::win32_backend
