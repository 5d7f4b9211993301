// SDL's input in the forms' terms, and the password prompt inside the one
// event loop (SDL's dummy video driver: no display needed).
#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <utility>
#include <vector>

#include "platform/x11/event_loop.h"
#include "platform/x11/screen_lock.h"
#include "platform/x11/sdl_input.h"
#include "platform/x11/sdl_window.h"

namespace lumaris::x11 {
namespace {

TEST(SdlInput, KeysButtonsAndShiftInTheFormsTerms) {
    const struct {
        SDL_Keycode key;
        std::int16_t code;
    } keys[] = {{'a', 'A'}, {'z', 'Z'}, {'0', '0'}, {'9', '9'},     {SDLK_RETURN, 13}, {SDLK_ESCAPE, 27},
                {SDLK_SPACE, 32}, {SDLK_LEFT, 37}, {SDLK_DOWN, 40}, {SDLK_F1, 0},      {SDLK_KP_5, 0}};
    for (const auto& k : keys) EXPECT_EQ(keyCode(k.key), k.code) << k.key;
    EXPECT_EQ(shiftState(KMOD_LSHIFT | KMOD_RALT), 5);
    EXPECT_EQ(shiftState(KMOD_LCTRL), 2);
    EXPECT_EQ(buttonCode(SDL_BUTTON_RIGHT), 2);
    EXPECT_EQ(buttonCode(SDL_BUTTON_MIDDLE), 4);
    EXPECT_EQ(buttonMask(SDL_BUTTON_LMASK | SDL_BUTTON_MMASK), 5);
}

// At scale k the pointer reaches the form in logical pixels.
TEST(SdlInput, PointerPositionsInLogicalPixels) {
    struct Moves : FormInput {
        void KeyDown(std::int16_t, std::int16_t) override {}
        void MouseDown(std::int16_t, std::int16_t, float x, float y) override { at.push_back({x, y}); }
        void MouseUp() override {}
        void MouseMove(std::int16_t, std::int16_t, float x, float y) override { at.push_back({x, y}); }
        void LostFocus() override {}
        void CloseRequest() override {}
        void Terminate() override {}
        std::vector<std::pair<float, float>> at;
    } input;
    SDL_Event move{};
    move.type = SDL_MOUSEMOTION;
    move.motion.x = 101;
    move.motion.y = -1;
    deliver(move, input, 2);
    SDL_Event press{};
    press.type = SDL_MOUSEBUTTONDOWN;
    press.button.x = 3839;
    press.button.y = 2;
    deliver(press, input, 3);
    deliver(press, input);
    EXPECT_EQ(input.at, (std::vector<std::pair<float, float>>{{50, -1}, {1279, 0}, {3839, 2}}));
}

// A song that ends while the password prompt is open starts the next one:
// work posted from another thread (the audio library's) and the timers go
// on inside the prompt.
TEST(ScreenLock, ThePromptKeepsTheLoopGoing) {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS), 0) << SDL_GetError();
    SdlEventLoop loop;
    SdlFormWindow window("form", 1);
    int ticks = 0;
    auto timer = loop.CreateTimer([&] { ++ticks; });
    timer->SetInterval(20);
    bool checked = false;
    ScreenLock lock(loop, [&](Hwnd) { return &window; },
                    [&](const std::string&, const char*) {
                        checked = true;
                        return posix::PamResult::Refused;
                    });
    std::atomic<bool> songDone{false};
    std::thread audio([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        loop.Post([&] {
            songDone = true;
            SDL_Event escape{};
            escape.type = SDL_KEYDOWN;
            escape.key.keysym.sym = SDLK_ESCAPE;
            SDL_PushEvent(&escape);
        });
    });
    const std::int32_t answer = lock.verify(window.hWnd());
    audio.join();
    EXPECT_EQ(answer, 0) << "Esc cancels";
    EXPECT_TRUE(songDone) << "posted work ran while the prompt was open";
    EXPECT_GE(ticks, 3) << "timers ticked while the prompt was open";
    EXPECT_FALSE(checked);
    SDL_Quit();
}

}  // namespace
}  // namespace lumaris::x11
