// What the end-to-end tests need to see of Windows from inside Wine.
//
//   wintool controls TITLE   the client size of the top-level window TITLE once shown,
//                            then each child: class|text|left|top|width|height|visible
//   wintool host SCR         makes a host window, runs "SCR /p HOST" in it,
//                            reports how the preview sits in it, destroys the
//                            host and reports whether the preview ended within
//                            a second
//   wintool monitorpower TITLE STATE
//                            sends the window TITLE the command that turns
//                            the monitors off (2) or on (-1), as the system does
//
// Prints "key value" lines; exits non-zero when it could not do its job.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

BOOL CALLBACK printControl(HWND child, LPARAM parent) {
    char name[64] = {}, text[256] = {};
    GetClassNameA(child, name, sizeof(name));
    GetWindowTextA(child, text, sizeof(text));
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, reinterpret_cast<HWND>(parent), reinterpret_cast<POINT*>(&r), 2);
    std::printf("control %s|%s|%ld|%ld|%ld|%ld|%d\n", name, text, r.left, r.top, r.right - r.left, r.bottom - r.top,
                IsWindowVisible(child) ? 1 : 0);
    return TRUE;
}

int controls(const char* title) {
    HWND window = nullptr;
    // The window is looked at once it is shown: while it is being made its
    // controls are not all there or not yet in their places.
    for (int attempt = 0; attempt < 100 && (window == nullptr || !IsWindowVisible(window)); ++attempt) {
        window = FindWindowA(nullptr, title);
        if (window == nullptr || !IsWindowVisible(window)) Sleep(100);
    }
    if (window == nullptr || !IsWindowVisible(window)) return 2;
    RECT client{};
    GetClientRect(window, &client);
    std::printf("client %ld %ld\n", client.right, client.bottom);
    EnumChildWindows(window, printControl, reinterpret_cast<LPARAM>(window));
    return 0;
}

int host(const char* scr) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "LumarisTestHost";
    RegisterClassA(&windowClass);
    HWND hostWindow = CreateWindowExA(0, "LumarisTestHost", "Preview Host", WS_POPUP | WS_VISIBLE, 40, 40, 152, 112,
                                      nullptr, nullptr, windowClass.hInstance, nullptr);
    if (hostWindow == nullptr) return 2;
    std::string command = std::string("\"") + scr + "\" /p " +
                          std::to_string(static_cast<long long>(reinterpret_cast<INT_PTR>(hostWindow)));
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return 3;
    }
    // The preview's window becomes the host's child.
    HWND preview = nullptr;
    for (int waited = 0; waited < 200 && preview == nullptr; ++waited) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        preview = GetWindow(hostWindow, GW_CHILD);
        if (preview == nullptr) Sleep(50);
    }
    char caption[128] = {};
    RECT client{}, rect{};
    GetClientRect(hostWindow, &client);
    if (preview != nullptr) {
        Sleep(300);  // its first frames
        GetWindowTextA(preview, caption, sizeof(caption));
        GetWindowRect(preview, &rect);
        MapWindowPoints(nullptr, hostWindow, reinterpret_cast<POINT*>(&rect), 2);
    }
    std::printf("child %d\n", preview != nullptr && IsChild(hostWindow, preview) ? 1 : 0);
    std::printf("caption %s\n", caption);
    std::printf("rect %ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    std::printf("host %ld %ld\n", client.right, client.bottom);
    DestroyWindow(hostWindow);
    const DWORD ended = WaitForSingleObject(process.hProcess, 1000);
    std::printf("ended %d\n", ended == WAIT_OBJECT_0 ? 1 : 0);
    if (ended != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

int monitorPower(const char* title, const char* state) {
    HWND window = FindWindowA(nullptr, title);
    if (window == nullptr) return 2;
    SendMessageA(window, WM_SYSCOMMAND, SC_MONITORPOWER, static_cast<LPARAM>(std::atoi(state)));
    std::printf("sent %s\n", state);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "controls") == 0) return controls(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "host") == 0) return host(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "monitorpower") == 0) return monitorPower(argv[2], argv[3]);
    std::fputs("usage: wintool controls TITLE | host SCR | monitorpower TITLE STATE\n", stderr);
    return 1;
}
