// How much one frame of the scene costs, next to a plain memcpy of the same
// frame's bytes, at three screen sizes; and the night start with its 1000
// stars. Run: ./build/bench/frame_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/linux/dir_search.h"
#include "platform/linux/gtk_config_dialog.h"
#include "platform/linux/headless.h"
#include "platform/linux/sdl_audio.h"
#include "platform/linux/sdl_window.h"
#include "platform/platform.h"
#include "scene/frm_tidemar_main.h"
#include "startup/lumz_submain.h"

namespace lumaris {
namespace {

class QuietUi : public Ui {
public:
    std::int32_t MsgBox(const std::string&, std::int32_t, const std::string&) override { return 1; }
};
class FixedApp : public App {
public:
    std::string Command() override { return "/s"; }
    bool PrevInstance() override { return false; }
    std::string Path() override { return "."; }
    [[noreturn]] void EndProcess() override { std::abort(); }
    [[noreturn]] void End() override { std::abort(); }
};
class ZeroClock : public Clock {
public:
    float Timer() override { return 0; }
};
class SimpleRandom : public Random {
public:
    void Randomize() override { state_ = 12345; }
    float Rnd() override {
        state_ = state_ * 1103515245u + 12345u;
        return static_cast<float>((state_ >> 8) & 0xFFFFFF) / 16777216.0f;
    }

private:
    std::uint32_t state_ = 1;
};
class MemoryStore : public SettingsStore {
public:
    std::string GetSetting(const std::string&, const std::string&, const std::string& key,
                           const std::string& defaultText) override {
        const auto found = values.find(key);
        return found == values.end() ? defaultText : found->second;
    }
    void SaveSetting(const std::string&, const std::string&, const std::string& key, const std::string& text) override {
        values[key] = text;
    }
    std::map<std::string, std::string> values;
};
class NoRegistry : public Registry {
public:
    std::int32_t RegOpenKeyA(Hkey, const char*, Hkey& handle) override {
        handle = 0;
        return ERROR_FILE_NOT_FOUND;
    }
    std::int32_t RegQueryValueExA(Hkey, const char*, std::uint32_t, std::int32_t&, unsigned char*,
                                  std::uint32_t&) override {
        return ERROR_FILE_NOT_FOUND;
    }
    std::int32_t RegCloseKey(Hkey) override { return 0; }
};
class NoPasswords : public Passwords {
public:
    std::int32_t PwdChangePasswordA(const char*, Hwnd, std::int32_t, std::int32_t) override { return 0; }
    std::int32_t VerifyScreenSavePwd(Hwnd) override { return 0; }
};


struct Rig {
    QuietUi ui;
    FixedApp app;
    ZeroClock clock;
    SimpleRandom random;
    linux_backend::NoWindows user32;
    linux_backend::FixedScreen screen;
    MemoryStore store;
    NoRegistry registry;
    NoPasswords passwords;
    RasterGdi gdi;
    linux_backend::SdlPictures pictures;
    linux_backend::SilentAudio audio;
    linux_backend::LinuxFiles files{"/nonexistent"};
    linux_backend::GtkShell shell;
    Platform platform{ui,  app,      clock, random, user32, screen, store, registry, passwords,
                      gdi, pictures, audio, files,  shell};
    LumzSubMain module;
    linux_backend::OffscreenFormSurface window;
    linux_backend::ManualTimer timer;
    linux_backend::SilentMediaControl media;
    FrmTidemarMain form;

    Rig(int w, int h, bool night, bool balloon)
        : screen(w, h), window(w, h), form((module.AppTitle = " Lumaris", module), platform, window, timer, media) {
        store.values["NIGHTMODE"] = night ? "True" : "False";
        store.values["BALLOON"] = balloon ? "True" : "False";
    }
};

void BM_Frame(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Rig rig(w, h, false, true);
    rig.form.Form_Load();
    for (int i = 0; i < 40; ++i) rig.form.Timer1_Timer();  // past the splash

    // The yardstick: copying the frame's bytes once.
    const std::size_t bytes = static_cast<std::size_t>(w) * h * 4;
    std::vector<std::uint8_t> from(bytes, 1), to(bytes);
    const auto copyStart = std::chrono::steady_clock::now();
    for (int i = 0; i < 50; ++i) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
    }
    const double copySeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - copyStart).count() / 50;

    const auto frameStart = std::chrono::steady_clock::now();
    for (auto _ : state) {
        rig.form.Timer1_Timer();
        benchmark::DoNotOptimize(rig.window.Image().pixels().data());
    }
    const double frameSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - frameStart).count() /
                                static_cast<double>(state.iterations());
    state.counters["x_memcpy"] = frameSeconds / copySeconds;
}
BENCHMARK(BM_Frame)->Args({1024, 768})->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

void BM_MemcpyFrame(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(state.range(0) * state.range(1) * 4);
    std::vector<std::uint8_t> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_MemcpyFrame)->Args({1024, 768})->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);

void BM_NightStart(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto rig = std::make_unique<Rig>(1024, 768, true, false);
        state.ResumeTiming();
        rig->form.Form_Load();
        benchmark::DoNotOptimize(rig->form.skypicsource.pixels().data());
        state.PauseTiming();
        rig.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_NightStart)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace lumaris

BENCHMARK_MAIN();
