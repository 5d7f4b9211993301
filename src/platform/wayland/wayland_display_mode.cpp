#include "platform/wayland/wayland_display_mode.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/paths.h"
#include "platform/posix/private_lock.h"
#include "platform/wayland/wayland_surface.h"
#include "runtime/failure.h"

namespace lumaris::wayland {

namespace {
bool named(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}
}  // namespace

bool waylandDisplayMode(const DisplayOptions& options) {
    return options.window == 0 && !named("XSCREENSAVER_WINDOW") && (named("WAYLAND_SOCKET") || named("WAYLAND_DISPLAY"));
}

std::string sessionDisplayName() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    return name != nullptr && *name != '\0' ? name : "wayland-0";
}

WaylandDisplayModeToolkit::WaylandDisplayModeToolkit(posix::PollLoop& loop, WaylandConnection& connection,
                                                     std::function<std::unique_ptr<MediaControl>()> media,
                                                     int scaleChoice)
    : Toolkit(loop), connection_(connection), media_(std::move(media)), scaleChoice_(scaleChoice) {}

std::unique_ptr<FormSurface> WaylandDisplayModeToolkit::CreateSurface(const std::string& name, SurfaceKind kind, int,
                                                                      int) {
    if (kind != SurfaceKind::Given || next_ == nullptr) {
        throw Failure(failures::kCannotCreate, "the display mode draws on the outputs only");
    }
    Output& output = *next_;
    next_ = nullptr;
    return std::make_unique<OutputSurface>(connection_, output, name, scaleChoice_, Keyboard::None);
}

std::unique_ptr<ConfigWindow> WaylandDisplayModeToolkit::CreateConfigWindow() {
    throw Failure(failures::kCannotCreate, "the display mode has no settings dialog");
}

int runWaylandDisplayMode(Platform& host, WaylandDisplayModeToolkit& toolkit, WaylandConnection& connection,
                          const DisplayOptions& options, std::function<bool()> claimSound) {
    auto& loop = static_cast<posix::PollLoop&>(toolkit.Loop());
    struct Scene {
        std::uint32_t output;
        std::unique_ptr<DisplayMode> mode;
    };
    std::vector<Scene> scenes;
    // The output whose scene plays the sound, once this process has the
    // session's sound: another output's scene takes it over when it goes.
    std::uint32_t player = 0;
    bool sessionSound = false;
    int status = 0;
    auto claim = [&](std::uint32_t output) {
        if (player != 0) return player == output;
        if (!sessionSound) sessionSound = claimSound();
        if (sessionSound) player = output;
        return sessionSound;
    };
    auto start = [&](std::uint32_t id) {
        for (Output* output : connection.outputs()) {
            if (output->id != id) continue;
            try {
                toolkit.surfaceOn(*output);
                auto mode = std::make_unique<DisplayMode>(host, toolkit, options, [&claim, id] { return claim(id); });
                mode->start();
                scenes.push_back(Scene{id, std::move(mode)});
            } catch (const Failure& failure) {
                std::fprintf(stderr, "lumaris: %s\n", failure.message().c_str());
                status = 1;
                loop.Quit();
            }
        }
    };
    // A scene starts outside the connection's event handling (its surface
    // is made then), for each output there and each that comes.
    connection.watchOutputs([&](Output& output) { loop.Post([&start, id = output.id] { start(id); }); },
                            [&](Output& output) {
                                for (auto it = scenes.begin(); it != scenes.end(); ++it) {
                                    if (it->output != output.id) continue;
                                    it->mode->stop();
                                    scenes.erase(it);
                                    break;
                                }
                                if (player == output.id) player = 0;
                            });
    loop.watch(connection.fd(), [&connection, &loop] {
        if (!connection.drain()) loop.Quit();
    });
    loop.Run();
    for (Scene& scene : scenes) scene.mode->stop();
    scenes.clear();
    connection.watchOutputs(nullptr, nullptr);
    return status;
}

int runWaylandDisplayMode(Platform& host, posix::PollLoop& loop, sdl::SdlMixer& mixer, const DisplayOptions& options) {
    WaylandConnection connection;
    WaylandDisplayModeToolkit toolkit(
        loop, connection, [&mixer] { return std::make_unique<sdl::SdlMediaControl>(mixer, posix::musicFolder()); },
        options.scale);
    posix::PrivateLock sound(posix::displaySoundLockName(sessionDisplayName()));
    return runWaylandDisplayMode(host, toolkit, connection, options, [&sound] { return posix::claimSound(sound); });
}

}  // namespace lumaris::wayland
