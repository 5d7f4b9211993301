// The event loop's timers, and the program's forms on the headless host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/forms.h"
#include "fakes.h"
#include "platform/null/null_platform.h"
#include "app/scene_ticks.h"
#include "runtime/frame_pacer.h"

namespace lumaris::testing {
namespace {

TEST(FramePacer, AtMostOneFramePerRefreshAtAnEvenPace) {
    struct Case {
        double hz;
        int tickUs;  // ticks over one second, each drawing if wanted
        int frames;
    };
    const Case cases[] = {
        {60, 1000, 60},    // speed 150
        {60, 10000, 60},   // speed 141: one tick in each refresh period
        {60, 51000, 20},   // the default speed: every tick
        {0, 1000, 60},     // a 0 Hz mode counts as 60 Hz
        {144, 1000, 144},
    };
    for (const Case& c : cases) {
        FramePacer pacer(c.hz);
        int frames = 0;
        for (std::int64_t now = 1'000'000; now < 2'000'000; now += c.tickUs) {
            if (!pacer.wantedAt(now)) continue;
            pacer.shownAt(now);
            ++frames;
        }
        EXPECT_NEAR(frames, c.frames, 1) << c.hz << " Hz, a tick every " << c.tickUs << " us";
    }
}

// Ticks keep the scene's interval while the loop wakes once per refresh:
// each wake-up runs the ticks due, and only the last may draw.
TEST(SceneTicks, TheIntervalsTicksPerSecondAndOneWakeUpPerRefresh) {
    struct Case {
        std::int32_t interval;
        std::int64_t periodUs;
        int ticks, wakes;  // in one second
    };
    const Case cases[] = {
        {1, 16'666, 1000, 62},   // speed 150 on a 60 Hz screen: 16 ms wake-ups
        {10, 16'666, 1000 / 10, 62},
        {51, 16'666, 1000 / 51, 1000 / 51},  // the default: one tick per wake-up
        {1, 0, 1000, 1000},     // a window that does not know its refresh
    };
    for (const Case& c : cases) {
        CallLog log;
        FakeScreen screen;
        FakeFormSurface window(log, screen);
        window.framePeriodUs = c.periodUs;
        null_backend::ManualLoop loop;
        int ticks = 0, lasts = 0;
        SceneTicks timer(loop, window, [&](int later) {
            ++ticks;
            lasts += later == 0;
        });
        timer.SetInterval(c.interval);
        loop.advance(1000);
        EXPECT_NEAR(ticks, c.ticks, c.ticks / 50 + 1) << "interval " << c.interval;  // up to one wake-up owed
        EXPECT_NEAR(lasts, c.wakes, 1) << "interval " << c.interval;
    }
}

TEST(TimerQueue, ALateTickComesOnceAndTheNextCountsFromIt) {
    TimerQueue timers;
    std::vector<std::uint64_t> ticks;
    std::uint64_t now = 0;
    const auto id = timers.add([&] { ticks.push_back(now); }, now);
    timers.setInterval(id, 50, now);
    now = 175;  // three deadlines missed
    timers.runDue([&] { return now; });
    now = 224;
    timers.runDue([&] { return now; });
    now = 225;
    timers.runDue([&] { return now; });
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{175, 225}));
    EXPECT_EQ(timers.wait(225, 100), 50u);
}

TEST(TimerQueue, ATimerRemovedInATickIsNeverCalledAgain) {
    TimerQueue timers;
    std::vector<std::string> calls;
    TimerQueue::Id first = 0, second = 0;
    // The first removes itself and the second; a third is added meanwhile.
    first = timers.add(
        [&] {
            calls.push_back("first");
            timers.remove(first);
            timers.remove(second);
            timers.add([&] { calls.push_back("added"); }, 0);
        },
        0);
    second = timers.add([&] { calls.push_back("second"); }, 0);
    for (std::uint64_t now = 1; now <= 3; ++now) timers.runDue([&] { return now; });
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "added", "added"}));
}

// The scene loaded through the program's own wiring on the headless host:
// its timer draws frames and its input ends it.
// The program's forms on the headless host, the scene loaded.
struct HeadlessProgram {
    HeadlessProgram() {
        host.audio.devices = 0;
        module.AppTitle = kAppTitle;
        forms.LoadScene();
    }
    FakePictures pictures;
    null_backend::HeadlessPlatform host{pictures};
    null_backend::HeadlessToolkit toolkit{host.screen};
    LumzSubMain module;
    ProgramForms forms{module, host.platform, toolkit};
};

TEST(ProgramForms, TheSceneTicksAndEndsOnAKey) {
    HeadlessProgram program;
    auto& toolkit = program.toolkit;
    auto& host = program.host;
    ASSERT_NE(toolkit.lastSurface, nullptr);
    const int before = toolkit.lastSurface->refreshes;
    toolkit.loop.advance(3 * 51);  // the default speed: 51 ms a frame
    EXPECT_EQ(toolkit.lastSurface->refreshes - before, 3);
    host.clock.now = 5;  // past the grace period
    ASSERT_NE(toolkit.lastSurface->input, nullptr);
    try {
        toolkit.lastSurface->input->KeyDown(32, 0);
        ADD_FAILURE() << "a key ends the saver";
    } catch (const null_backend::ProgramEnded& end) {
        EXPECT_FALSE(end.immediately);
    }
}

// While the display is dark the scene draws nothing; it goes on when the
// display lights again.
TEST(ProgramForms, NoFramesWhileTheDisplayIsDark) {
    HeadlessProgram program;
    auto& toolkit = program.toolkit;
    ASSERT_NE(toolkit.lastSurface, nullptr);
    FormInput& input = *toolkit.lastSurface->input;
    input.DisplayPower(false);
    const int dark = toolkit.lastSurface->refreshes;
    toolkit.loop.advance(10 * 51);
    EXPECT_EQ(toolkit.lastSurface->refreshes, dark);
    input.DisplayPower(true);
    toolkit.loop.advance(3 * 51);
    EXPECT_EQ(toolkit.lastSurface->refreshes - dark, 3);
}

// Closing the window asks for the password like any other end request.
TEST(ProgramForms, ACloseRequestNeedsThePasswordToo) {
    HeadlessProgram program;
    auto& toolkit = program.toolkit;
    auto& host = program.host;
    auto& forms = program.forms;
    forms.scene()->state.usePassword = true;
    host.clock.now = 5;
    EXPECT_NO_THROW(toolkit.lastSurface->input->CloseRequest()) << "a refused password keeps the scene";
}

}  // namespace
}  // namespace lumaris::testing
