// Every service of the Windows host, for the program's Platform; the
// process (App) is the caller's, so that a test can stand in for it.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_graphics.h"
#include "platform/win32/win32_services.h"

namespace lumaris::win32_backend {

struct Win32Host {
    Win32Ui ui;
    Win32Clock clock;
    Win32Random random;
    Win32User32 user32;
    Win32Screen screen;
    RegistryStore store;
    Win32Registry registry;
    Win32Passwords passwords;
    Win32Gdi gdi;
    Win32Pictures pictures{gdi};
    Win32Audio audio;
    Win32Files files;
    Win32Shell shell;

    Platform platform(App& app) {
        return Platform{ui,  app,      clock, random, user32, screen, store, registry, passwords,
                        gdi, pictures, audio, files,  shell};
    }
};

}  // namespace lumaris::win32_backend
