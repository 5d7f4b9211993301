#include "app/snapshot.h"

#include <cstdio>
#include <cstdlib>

#include "platform/null/null_platform.h"
#include "runtime/failure.h"
#include "runtime/scale.h"
#include "scene/frm_tidemar_main.h"
#include "startup/lumz_submain.h"

namespace lumaris {

namespace {

// Counts the messages the run had to show; they go where the host's go.
class CountingUi : public Ui {
public:
    explicit CountingUi(Ui& host) : host_(host) {}
    std::int32_t MsgBox(const std::string& text, std::int32_t style, const std::string& title) override {
        ++count;
        return host_.MsgBox(text, style, title);
    }
    int count = 0;

private:
    Ui& host_;
};

}  // namespace

bool parseSnapshot(const std::vector<std::string>& arguments, SnapshotOptions& options) {
    for (std::size_t i = 0; i < arguments.size(); i += 2) {
        if (i + 1 >= arguments.size()) return false;
        const std::string& arg = arguments[i];
        const std::string& value = arguments[i + 1];
        char* end = nullptr;
        if (arg == "--snapshot") {
            options.file = value;
        } else if (arg == "--frames") {
            options.frames = std::strtol(value.c_str(), &end, 10);
            if (*end != '\0' || options.frames < 0 || options.frames > 100000000) return false;
        } else if (arg == "--size") {
            if (std::sscanf(value.c_str(), "%dx%d", &options.width, &options.height) != 2 || options.width < 1 ||
                options.height < 1 || options.width > 16384 || options.height > 16384) {
                return false;
            }
        } else if (arg == "--scale") {
            if (!parseScale(value, options.scale)) return false;
        } else {
            return false;
        }
    }
    return !options.file.empty() && options.frames >= 0;
}

int runSnapshot(const SnapshotOptions& options, Platform& host, TextRasterizer* text) {
    CountingUi ui(host.ui);
    null_backend::HeadlessApp app;
    null_backend::NoWindows user32;
    const int k = chooseScale(options.scale, options.width, options.height, kSceneDesignWidth, kSceneDesignHeight);
    null_backend::FixedScreen screen(static_cast<float>(options.width / k), static_cast<float>(options.height / k));
    null_backend::NoPasswords passwords;
    RasterGdi gdi;
    null_backend::SilentAudio audio;
    null_backend::NoFiles files;
    null_backend::NoShell shell;
    Platform platform{ui,  app,           host.clock, host.random, user32, screen, host.store, host.registry,
                      passwords, gdi, host.pictures, audio, files, shell};

    LumzSubMain module;
    module.AppTitle = kAppTitle;
    platform.random.Randomize();
    null_backend::MemorySurface window(screen, "form", text);
    null_backend::ManualLoop loop;
    null_backend::ManualTimer timer(loop, [] {});
    null_backend::SilentMediaControl media;
    try {
        FrmTidemarMain scene(module, platform, window, timer, media);
        scene.Form_Load();
        for (long frame = 0; frame < options.frames; ++frame) scene.Timer1_Timer();
        // Every logical pixel as a k x k block; what is left over past k
        // times the logical screen shows the background.
        Surface picture = window.composed();
        Magnifier magnifier;
        magnifier.fit(k, options.width, options.height, false);
        picture.markAllDamaged();
        if (!host.pictures.SavePng(magnifier.update(picture), options.file)) {
            std::fprintf(stderr, "lumaris: cannot write %s\n", options.file.c_str());
            return 1;
        }
    } catch (const Failure& failure) {
        std::fprintf(stderr, "lumaris: %s\n", failure.message().c_str());
        return 1;
    }
    return ui.count > 0 ? 1 : 0;
}

int runSnapshot(const std::vector<std::string>& arguments, Platform& host, TextRasterizer* text) {
    SnapshotOptions options;
    if (!parseSnapshot(arguments, options)) {
        std::fprintf(stderr, "lumaris: %s\n", kSnapshotUsage);
        return 2;
    }
    return runSnapshot(options, host, text);
}

}  // namespace lumaris
