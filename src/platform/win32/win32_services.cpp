#include "platform/win32/win32_services.h"

#include <mmsystem.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/win32/win32_handles.h"
#include "runtime/failure.h"
#include "runtime/scale.h"
#include "runtime/stats.h"

namespace lumaris::win32_backend {

namespace {

HKEY toHkey(Hkey key) {
    // Handles are 32-bit values; the predefined keys are sign-extended.
    return reinterpret_cast<HKEY>(static_cast<INT_PTR>(static_cast<std::int32_t>(key)));
}
Hkey fromHkey(HKEY key) { return static_cast<Hkey>(reinterpret_cast<UINT_PTR>(key)); }

// A failure of a system call, with the system's own description.
Failure systemFailure(DWORD error, const std::string& what) {
    char text[512] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                   text, sizeof(text), nullptr);
    std::string description(text, n);
    while (!description.empty() && (description.back() == '\n' || description.back() == '\r' ||
                                    description.back() == ' ' || description.back() == '.')) {
        description.pop_back();
    }
    if (description.empty()) description = "error " + std::to_string(error);
    const std::int32_t number = error == ERROR_ACCESS_DENIED ? failures::kPermissionDenied
                                : error == ERROR_DISK_FULL  ? failures::kDiskFull
                                                            : failures::kPathAccess;
    return Failure(number, what + ": " + description);
}

}  // namespace

std::int32_t Win32Ui::MsgBox(const std::string& text, std::int32_t style, const std::string& title) {
    // Owned by the program's active window, so that it shows above it.
    return MessageBoxA(GetActiveWindow(), text.c_str(), title.c_str(), static_cast<UINT>(style));
}

std::string argumentsOf(const char* commandLine) {
    if (commandLine == nullptr) return {};
    const char* p = commandLine;
    // The program's path: quoted, or up to the first blank.
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (*p != '\0' && *p != ' ' && *p != '\t') ++p;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

bool Win32App::PrevInstance() {
    if (!checked_) {
        start_ = CreateMutexA(nullptr, FALSE, "LumarisScreensaverStart");
        if (start_ != nullptr && WaitForSingleObject(start_, 3000) == WAIT_TIMEOUT) {
            CloseHandle(start_);
            start_ = nullptr;
        }
        instance_ = CreateMutexA(nullptr, FALSE, "LumarisScreensaverInstance");
        previous_ = instance_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
        checked_ = true;
    }
    return previous_;
}

namespace {
Win32App* g_starting = nullptr;  // the app whose start lock a thread timer watches
const char* g_caption = nullptr;
DWORD g_startedAt = 0;
UINT_PTR g_captionTimer = 0;
}  // namespace

// A thread timer: its ticks come through any message loop, the nested ones
// of the system's own waits included, and it is the caption that counts,
// not which loop runs first.
void Win32App::releaseStartLockOnceShown(const char* shown) {
    if (start_ == nullptr) return;
    g_starting = this;
    g_caption = shown;
    g_startedAt = GetTickCount();
    g_captionTimer = SetTimer(nullptr, 0, 50, &Win32App::lookForCaption);
    if (g_captionTimer == 0) releaseStartLock();
}

void CALLBACK Win32App::lookForCaption(HWND, UINT, UINT_PTR, DWORD) {
    if (g_starting == nullptr) return;
    if (FindWindowA(nullptr, g_caption) == nullptr && GetTickCount() - g_startedAt < 3000) return;
    KillTimer(nullptr, g_captionTimer);
    g_starting->releaseStartLock();
    g_starting = nullptr;
}

void Win32App::releaseStartLock() {
    if (start_ == nullptr) return;
    ReleaseMutex(start_);
    CloseHandle(start_);
    start_ = nullptr;
}

std::string Win32App::Path() {
    // The program's folder as the system's ANSI calls take it: a folder
    // whose name the ANSI code page cannot spell (a user name in another
    // script) goes by its short name, which is plain ASCII.
    std::wstring wide(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, wide.data(), static_cast<DWORD>(wide.size()));
    wide.resize(n < wide.size() ? n : 0);
    const auto separator = wide.find_last_of(L"\\/");
    if (separator == std::wstring::npos) return ".";
    wide.resize(separator);
    BOOL lossy = FALSE;
    auto ansi = [&lossy](const std::wstring& text) {
        // A code page of UTF-8 spells everything, and takes no question
        // whether it could.
        BOOL* asked = GetACP() == CP_UTF8 ? nullptr : &lossy;
        const int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, asked);
        std::string out(size > 0 ? size - 1 : 0, '\0');
        if (size > 1) WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), size, nullptr, asked);
        return out;
    };
    std::string folder = ansi(wide);
    if (lossy) {
        std::wstring shorter(32768, L'\0');
        const DWORD m = GetShortPathNameW(wide.c_str(), shorter.data(), static_cast<DWORD>(shorter.size()));
        if (m > 0 && m < shorter.size()) {
            shorter.resize(m);
            folder = ansi(shorter);
        }
    }
    return folder;
}

void Win32App::EndProcess() { ExitProcess(0); }

void Win32App::End() {
    for (auto step = atEnd_.rbegin(); step != atEnd_.rend(); ++step) (*step)();
    // For the benchmarks, as on Linux.
    if (std::getenv("LUMARIS_STATS") != nullptr) {
        std::fprintf(stderr, "ticks %llu\ntick-rate %.1f\n", static_cast<unsigned long long>(sceneTicks().count),
                     sceneTicks().perSecond());
        std::fflush(stderr);
    }
    ExitProcess(0);
}

float Win32Clock::Timer() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return static_cast<float>(now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0);
}

void Win32Random::Randomize() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    generator_.seed(static_cast<std::mt19937::result_type>(now.dwLowDateTime ^ (now.dwHighDateTime * 1000003u)));
}

float Win32Random::Rnd() {
    // 24 random bits give every float of [0, 1) on a grid of 2^-24, never 1.
    return static_cast<float>(generator_() >> 8) * (1.0f / 16777216.0f);
}

std::int32_t Win32User32::GetClientRect(Hwnd window, Rect& rect) {
    RECT r{};
    const BOOL ok = ::GetClientRect(toHwnd(window), &r);
    rect = Rect{r.left, r.top, r.right, r.bottom};
    return ok;
}

std::int32_t Win32User32::GetWindowLongA(Hwnd window, std::int32_t index) {
    return ::GetWindowLongA(toHwnd(window), index);
}

std::int32_t Win32User32::SetWindowLongA(Hwnd window, std::int32_t index, std::int32_t value) {
    const HWND handle = toHwnd(window);
#ifdef _WIN64
    // The owner is pointer-sized where pointers are 64 bits.
    if (index == kGwlHwndParent) {
        return static_cast<std::int32_t>(SetWindowLongPtrA(handle, GWLP_HWNDPARENT, static_cast<LONG_PTR>(value)));
    }
#endif
    return ::SetWindowLongA(handle, index, value);
}

Hwnd Win32User32::SetParent(Hwnd child, Hwnd parent) {
    const HWND previous = ::SetParent(toHwnd(child),
                                      toHwnd(parent));
    return fromHwnd(previous);
}

std::int32_t Win32User32::SetWindowPos(Hwnd window, Hwnd insertAfter, std::int32_t x, std::int32_t y,
                                       std::int32_t cx, std::int32_t cy, std::uint32_t flags) {
    return ::SetWindowPos(toHwnd(window),
                          toHwnd(insertAfter), x, y, cx, cy, flags);
}

Hwnd Win32User32::FindWindowA(const char* className, const char* windowName) {
    return static_cast<Hwnd>(reinterpret_cast<INT_PTR>(::FindWindowA(className, windowName)));
}

int primaryScale() {
    return chooseScale(0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN), kSceneDesignWidth,
                       kSceneDesignHeight);
}

std::int32_t Win32User32::GetSystemMetrics(std::int32_t index) {
    const int k = primaryScale();
    switch (index) {
        case SM_CXSCREEN:
        case SM_CYSCREEN: return ::GetSystemMetrics(index) / k;
        case SM_XVIRTUALSCREEN:
        case SM_YVIRTUALSCREEN: return floorDiv(::GetSystemMetrics(index), k);
        case SM_CXVIRTUALSCREEN:
        case SM_CYVIRTUALSCREEN: {
            const bool across = index == SM_CXVIRTUALSCREEN;
            const int origin = ::GetSystemMetrics(across ? SM_XVIRTUALSCREEN : SM_YVIRTUALSCREEN);
            return ceilDiv(origin + ::GetSystemMetrics(index), k) - floorDiv(origin, k);
        }
        default: return ::GetSystemMetrics(index);
    }
}

float Win32Screen::Width() {
    return static_cast<float>(::GetSystemMetrics(SM_CXSCREEN) / primaryScale()) * kTwipsPerPixel;
}

float Win32Screen::Height() {
    return static_cast<float>(::GetSystemMetrics(SM_CYSCREEN) / primaryScale()) * kTwipsPerPixel;
}

std::string RegistryStore::GetSetting(const std::string& application, const std::string& section,
                                      const std::string& key, const std::string& defaultText) {
    const std::string path = "Software\\" + application + "\\" + section;
    HKEY handle = nullptr;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &handle);
    if (status == ERROR_FILE_NOT_FOUND) return defaultText;
    if (status != ERROR_SUCCESS) throw systemFailure(static_cast<DWORD>(status), "The settings cannot be read");
    std::string text;
    DWORD type = 0;
    DWORD size = 0;
    // The value may change between the two calls: read until it fits.
    for (int attempt = 0; attempt < 4; ++attempt) {
        status = RegQueryValueExA(handle, key.c_str(), nullptr, &type, nullptr, &size);
        if (status != ERROR_SUCCESS) break;
        text.assign(size, '\0');
        status = RegQueryValueExA(handle, key.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(text.data()), &size);
        if (status != ERROR_MORE_DATA) break;
    }
    RegCloseKey(handle);
    if (status == ERROR_FILE_NOT_FOUND) return defaultText;
    if (status != ERROR_SUCCESS) throw systemFailure(static_cast<DWORD>(status), "The settings cannot be read");
    text.resize(size);
    if (type == REG_DWORD && size == 4) {
        DWORD number = 0;
        std::memcpy(&number, text.data(), 4);
        return std::to_string(static_cast<std::int32_t>(number));
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return defaultText;
    // Up to the terminating zero, if the value has one.
    const auto end = text.find('\0');
    if (end != std::string::npos) text.resize(end);
    return text;
}

void RegistryStore::SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                                const std::string& text) {
    const std::string path = "Software\\" + application + "\\" + section;
    HKEY handle = nullptr;
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                  nullptr, &handle, nullptr);
    if (status != ERROR_SUCCESS) throw systemFailure(static_cast<DWORD>(status), "The settings cannot be saved");
    // One value is written whole or not at all.
    status = RegSetValueExA(handle, key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1));
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS) throw systemFailure(static_cast<DWORD>(status), "The settings cannot be saved");
}

std::int32_t Win32Registry::RegOpenKeyA(Hkey root, const char* subKey, Hkey& handle) {
    HKEY opened = nullptr;
    const LONG status = ::RegOpenKeyA(toHkey(root), subKey, &opened);
    handle = status == ERROR_SUCCESS ? fromHkey(opened) : 0;
    return status;
}

std::int32_t Win32Registry::RegQueryValueExA(Hkey handle, const char* valueName, std::uint32_t,
                                             std::int32_t& type, unsigned char* data, std::uint32_t& size) {
    DWORD valueType = 0;
    DWORD bytes = size;
    const LONG status = ::RegQueryValueExA(toHkey(handle), valueName, nullptr, &valueType, data, &bytes);
    type = static_cast<std::int32_t>(valueType);
    size = bytes;
    return status;
}

std::int32_t Win32Registry::RegCloseKey(Hkey handle) { return ::RegCloseKey(toHkey(handle)); }

std::int32_t Win32Passwords::PwdChangePasswordA(const char* registryKey, Hwnd parent, std::int32_t reserved1,
                                                std::int32_t reserved2) {
    using Change = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
    const HMODULE library = LoadLibraryA("mpr.dll");
    if (library == nullptr) return 0;
    auto change = reinterpret_cast<Change>(reinterpret_cast<void*>(GetProcAddress(library, "PwdChangePasswordA")));
    DWORD result = 0;
    if (change != nullptr) {
        result = change(registryKey, toHwnd(parent),
                        static_cast<DWORD>(reserved1), reinterpret_cast<LPVOID>(static_cast<INT_PTR>(reserved2)));
    }
    FreeLibrary(library);
    return static_cast<std::int32_t>(result);
}

std::int32_t Win32Passwords::VerifyScreenSavePwd(Hwnd window) {
    using Verify = BOOL(WINAPI*)(HWND);
    const HMODULE library = LoadLibraryA("password.cpl");
    // Where the library is not there (every system that checks the
    // screensaver password itself, when the saver ends), the request ends
    // the saver: the system asks for the password then.
    if (library == nullptr) return 1;
    auto verify = reinterpret_cast<Verify>(reinterpret_cast<void*>(GetProcAddress(library, "VerifyScreenSavePwd")));
    const BOOL verified = verify != nullptr ? verify(toHwnd(window)) : TRUE;
    FreeLibrary(library);
    return verified;
}

std::uint32_t Win32Audio::waveOutGetNumDevs() { return ::waveOutGetNumDevs(); }

std::int32_t Win32Audio::sndPlaySoundA(const void* sound, std::uint32_t flags) {
    return ::sndPlaySoundA(static_cast<LPCSTR>(sound), flags);
}

std::int32_t Win32Audio::mciSendStringA(const char* command, char* reply, std::uint32_t replyLength, Hwnd callback) {
    return static_cast<std::int32_t>(
        ::mciSendStringA(command, reply, replyLength, toHwnd(callback)));
}

bool matchesWildcard(const char* pattern, const char* name) {
    // Iterative match with one backtrack point for the last '*'.
    const char *star = nullptr, *resume = nullptr;
    while (*name != '\0') {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' ||
                   std::tolower(static_cast<unsigned char>(*pattern)) == std::tolower(static_cast<unsigned char>(*name))) {
            ++pattern;
            ++name;
        } else if (star != nullptr) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

std::string Win32Files::Dir(const std::string& pattern) {
    names_.clear();
    next_ = 0;
    const auto separator = pattern.find_last_of("\\/");
    const std::string wildcard = separator == std::string::npos ? pattern : pattern.substr(separator + 1);
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return {};
    do {
        const DWORD skipped = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if ((found.dwFileAttributes & skipped) != 0) continue;
        // The system also matches by the short 8.3 name ("*.mp3" finds
        // "song.mp3x"): only the name itself counts here.
        if (!matchesWildcard(wildcard.c_str(), found.cFileName)) continue;
        names_.emplace_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return DirNext();
}

std::string Win32Files::DirNext() { return next_ < names_.size() ? names_[next_++] : std::string(); }

ItemIdList Win32Shell::SHBrowseForFolderA(const BrowseInfo& info) {
    BROWSEINFOA browse{};
    browse.hwndOwner = toHwnd(info.owner);
    browse.pidlRoot = static_cast<PCIDLIST_ABSOLUTE>(info.root);
    browse.pszDisplayName = info.displayName;
    browse.lpszTitle = info.title.c_str();
    browse.ulFlags = info.flags;
    browse.lParam = info.callbackParameter;
    browse.iImage = info.image;
    return ::SHBrowseForFolderA(&browse);
}

std::int32_t Win32Shell::SHGetPathFromIDListA(ItemIdList item, char* path, std::size_t capacity) {
    if (item == nullptr || path == nullptr || capacity == 0) return 0;
    // The system writes up to MAX_PATH characters.
    char full[MAX_PATH + 1] = {};
    if (!::SHGetPathFromIDListA(static_cast<PCIDLIST_ABSOLUTE>(item), full)) return 0;
    const std::size_t n = std::strlen(full);
    if (n + 1 > capacity) return 0;
    std::memcpy(path, full, n + 1);
    return 1;
}

void Win32Shell::CoTaskMemFree(ItemIdList item) { ::CoTaskMemFree(item); }

std::intptr_t Win32Shell::ShellExecuteA(Hwnd window, const char* operation, const char* file,
                                        const char* parameters, const char* directory, std::int32_t show) {
    return reinterpret_cast<std::intptr_t>(::ShellExecuteA(toHwnd(window),
                                                           operation, file, parameters, directory, show));
}

}  // namespace lumaris::win32_backend
