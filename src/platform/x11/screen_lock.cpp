#include "platform/x11/screen_lock.h"

#include <SDL.h>
#include <string.h>

#include "platform/x11/event_loop.h"
#include "platform/posix/password_prompt.h"
#include "platform/x11/sdl_window.h"

namespace lumaris::x11 {

ScreenLock::ScreenLock(SdlEventLoop& loop, WindowFinder findWindow, Checker check)
    : loop_(loop), findWindow_(std::move(findWindow)), check_(std::move(check)) {}

std::int32_t ScreenLock::verify(Hwnd handle) {
    SdlFormWindow* window = findWindow_(handle);
    if (window == nullptr) return 0;
    sdl::TextRenderer text;
    Surface picture;
    std::function<void()> draw;
    posix::PasswordPrompt prompt(posix::currentUser(), check_, loop_, [&draw] { draw(); }, SDL_GetTicks64());
    draw = [&] {
        picture = prompt.picture(text, window->promptScale());
        window->setOverlay(&picture);
        window->Refresh();
    };
    bool ended = false;  // by the session: the scene ends after the prompt
    // Input belongs to the prompt while it is open.
    auto onEvent = [&](const SDL_Event& event) -> bool {
        switch (event.type) {
            case SDL_QUIT: {
                SDL_Event again = event;
                SDL_PushEvent(&again);
                ended = true;
                return true;
            }
            case SDL_TEXTINPUT: {
                SDL_Event copy = event;
                prompt.type(copy.text.text, strnlen(copy.text.text, sizeof copy.text.text), SDL_GetTicks64());
                explicit_bzero(copy.text.text, sizeof copy.text.text);
                return true;
            }
            case SDL_KEYDOWN:
                if (event.key.keysym.sym == SDLK_ESCAPE) {
                    prompt.press(posix::PasswordPrompt::Key::Escape, SDL_GetTicks64());
                } else if (event.key.keysym.sym == SDLK_BACKSPACE) {
                    prompt.press(posix::PasswordPrompt::Key::Backspace, SDL_GetTicks64());
                } else if (event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER) {
                    prompt.press(posix::PasswordPrompt::Key::Enter, SDL_GetTicks64());
                } else {
                    prompt.press(posix::PasswordPrompt::Key::Other, SDL_GetTicks64());
                }
                return true;
            case SDL_KEYUP:
            case SDL_TEXTEDITING:
            case SDL_MOUSEMOTION:
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP:
            case SDL_MOUSEWHEEL:
            case SDL_WINDOWEVENT:
                return true;
            default:
                return false;
        }
    };

    SDL_StartTextInput();
    // The key that asked to end the saver is no part of the password.
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_KEYDOWN, SDL_TEXTINPUT);
    loop_.setInterceptor(onEvent);
    prompt.run([] { return SDL_GetTicks64(); }, [&ended] { return ended; });
    loop_.setInterceptor({});
    SDL_StopTextInput();
    window->setOverlay(nullptr);
    window->Refresh();
    return prompt.answer();
}

}  // namespace lumaris::x11
