// How much one frame of the scene costs, next to a plain memcpy of the same
// frame's bytes, at three screen sizes; and the night start with its 1000
// stars. Run: ./build/bench/frame_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/sdl/sdl_pictures.h"
#include "platform/null/null_platform.h"
#include "runtime/scale.h"
#include "scene/frm_tidemar_main.h"
#include "startup/lumz_submain.h"

namespace lumaris {
namespace {

// The scene on the headless host, with the real built-in pictures.
struct Rig {
    sdl::SdlPictures pictures;
    null_backend::HeadlessPlatform host;
    LumzSubMain module;
    null_backend::MemorySurface window;
    null_backend::ManualLoop loop;
    null_backend::ManualTimer timer{loop, [] {}};
    null_backend::SilentMediaControl media;
    FrmTidemarMain form;

    Rig(int w, int h, bool night, bool balloon)
        : host(pictures, static_cast<float>(w), static_cast<float>(h)),
          window(host.screen),
          form((module.AppTitle = " Lumaris", module), host.platform, window, timer, media) {
        host.store.set("NIGHTMODE", night ? "True" : "False");
        host.store.set("BALLOON", balloon ? "True" : "False");
    }
};

// The yardstick: how long copying `bytes` once takes, in seconds.
double memcpySeconds(std::size_t bytes) {
    std::vector<std::uint8_t> from(bytes, 1), to(bytes);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / 20;
}

void BM_Frame(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Rig rig(w, h, false, true);
    rig.form.Form_Load();
    for (int i = 0; i < 40; ++i) rig.form.Timer1_Timer();  // past the splash

    const double copySeconds = memcpySeconds(static_cast<std::size_t>(w) * h * 4);

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

// The strip enlarged k times into the screen's picture (what a large screen
// adds to each frame), next to a plain memcpy of the enlarged bytes.
void BM_Magnify(benchmark::State& state) {
    const int k = static_cast<int>(state.range(0));
    Surface strip("strip", 1024, 760);
    for (int y = 0; y < 760; ++y)
        for (int x = 0; x < 1024; ++x) strip.row(y)[x] = static_cast<std::uint32_t>(x * 7 + y * 13);
    Magnifier magnifier;
    magnifier.fit(k, 1024 * k, 760 * k, false);
    const double copySeconds = memcpySeconds(static_cast<std::size_t>(1024 * k) * 760 * k * 4);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        strip.markAllDamaged();
        benchmark::DoNotOptimize(magnifier.update(strip).at(0, 0));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                           static_cast<double>(state.iterations());
    state.counters["x_memcpy"] = seconds / copySeconds;
}
BENCHMARK(BM_Magnify)->Arg(2)->Arg(3)->Arg(5)->Unit(benchmark::kMicrosecond);

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
