// The Windows composition root: builds the Win32 services and toolkit, then
// runs the program (app/forms.h) with the command line the system gave.
#include <windows.h>
#include <objbase.h>
#include <commctrl.h>

#include "app/forms.h"
#include "platform/win32/win32_host.h"
#include "platform/win32/win32_loop.h"
#include "platform/win32/win32_toolkit.h"
#include "startup/lumz_submain.h"

namespace lumaris::win32_backend {
namespace {

int run() {
    // The folder browser and the picture loader are COM objects.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // The themed controls of the manifest's common controls, for the dialog
    // and the boxes.
    INITCOMMONCONTROLSEX common{sizeof(common), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&common);
    Win32App app;
    Win32Host host;
    Platform platform = host.platform(app);
    Win32Loop loop;
    Win32Toolkit toolkit(loop, host.gdi);
    Win32Audio& audio = host.audio;
    // Sound and music never outlive the program. Stopping without
    // SND_ASYNC returns once the player has closed the device; the audio
    // driver finishes closing it on a thread of its own, and a process that
    // ends under that thread can crash on the way out (seen under Wine), so
    // it gets a tenth of a second.
    app.atEnd([&audio] {
        audio.sndPlaySoundA(nullptr, 0);
        audio.mciSendStringA("close all", nullptr, 0, 0);
        Sleep(100);
    });
    app.releaseStartLockOnceShown(kRunningCaption);
    LumzSubMain module;
    runProgram(module, platform, toolkit);
    return 0;
}

}  // namespace
}  // namespace lumaris::win32_backend

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return lumaris::win32_backend::run(); }
