// The Linux entry point: builds the platform, runs Main, then keeps the
// program alive while one of its windows is open.
#include <cstdlib>
#include <string>

#include "platform/linux/desktop_registry.h"
#include "platform/linux/ini_store.h"
#include "platform/linux/message_box.h"
#include "platform/linux/password_change.h"
#include "platform/linux/process.h"
#include "platform/linux/x11_windows.h"
#include "platform/platform.h"
#include "runtime/failure.h"
#include "runtime/form.h"
#include "startup/lumz_submain.h"

namespace lumaris::linux_backend {
namespace {

// The windows of this build. Each form not yet part of the build reports
// so as a failure through the caller's trap rather than opening an empty
// window.
class LinuxForms : public Forms {
public:
    FormWindow& LoadConfig() override { throw missing("settings"); }
    FormWindow& LoadScene() override { throw missing("sea scene"); }
    FormWindow& LoadPreview() override { throw missing("preview"); }

private:
    static Failure missing(const std::string& what) {
        return Failure(failures::kCannotCreate, "The " + what + " window is not part of this build");
    }
};

int run(int argc, char** argv) {
    LinuxUi ui;
    LinuxApp app(argc, argv);
    LinuxClock clock;
    LinuxRandom random;
    X11Windows user32;
    SdlScreen screen;
    IniFileStore store(IniFileStore::defaultFolder());
    DesktopRegistry registry = DesktopRegistry::forCurrentUser();
    const char* path = std::getenv("PATH");
    LinuxPasswords passwords(ui, path != nullptr ? path : "/usr/bin:/bin");
    Platform platform{ui, app, clock, random, user32, screen, store, registry, passwords};

    LumzSubMain module;
    LinuxForms forms;
    Main(module, platform, forms);

    // A message that no one could see means the run did not do its job.
    return ui.unseenMessages() > 0 ? EXIT_FAILURE : EXIT_SUCCESS;
}

}  // namespace
}  // namespace lumaris::linux_backend

int main(int argc, char** argv) { return lumaris::linux_backend::run(argc, argv); }
