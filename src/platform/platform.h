// Everything the program reaches of the system, in one place. The program
// builds one Platform and hands it to the procedures; tests hand them fakes.
#pragma once

#include "platform/audio.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/passwords.h"
#include "platform/shell.h"
#include "platform/store.h"
#include "platform/system.h"
#include "platform/ui.h"
#include "platform/user32.h"

namespace lumaris {

struct Platform {
    Ui& ui;
    App& app;
    Clock& clock;
    Random& random;
    User32& user32;
    Screen& screen;
    SettingsStore& store;
    Registry& registry;
    Passwords& passwords;
    Gdi& gdi;
    Pictures& pictures;
    Audio& audio;
    Files& files;
    Shell& shell;
};

}  // namespace lumaris
