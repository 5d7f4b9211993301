#include "platform/linux/screen_lock.h"

#include <SDL.h>
#include <string.h>

#include <array>
#include <cstdio>

#include "platform/linux/event_loop.h"
#include "platform/linux/sdl_window.h"

namespace lumaris::linux_backend {

namespace {

constexpr int kPanelWidth = 460, kPanelHeight = 170;

// The prompt: a dark panel with a frame and three lines of text.
Surface promptPicture(TextRenderer& text, const std::string& user, std::size_t typed, const std::string& message) {
    Surface panel("prompt", kPanelWidth, kPanelHeight, 0xF6101830);
    panel.clear();
    for (int x = 0; x < kPanelWidth; ++x) {
        panel.setPixel(x, 0, 0xFFD6B460);
        panel.setPixel(x, kPanelHeight - 1, 0xFFD6B460);
    }
    for (int y = 0; y < kPanelHeight; ++y) {
        panel.setPixel(0, y, 0xFFD6B460);
        panel.setPixel(kPanelWidth - 1, y, 0xFFD6B460);
    }
    std::string mask;
    for (std::size_t i = 0; i < typed && i < 32; ++i) mask += "\xE2\x80\xA2";  // a bullet per character
    const struct {
        std::string line;
        std::uint32_t color;
        int top;
    } lines[] = {
        {"Enter the password to end the screensaver", 0xF0E8C0, 18},
        {"User: " + user, 0xFFFFFF, 56},
        {"Password: " + mask, 0xFFFFFF, 90},
        {message, 0xFF9080, 128},
    };
    for (const auto& l : lines) {
        if (l.line.empty()) continue;
        const Surface* pixels = text.render(l.line, l.color, 18);
        if (pixels != nullptr) blendArgb(panel, *pixels, 24, l.top);
    }
    return panel;
}

std::size_t characters(const char* text, std::size_t length) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < length; ++i) count += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    return count;
}

}  // namespace

ScreenLock::ScreenLock(SdlEventLoop& loop, WindowFinder findWindow, Checker check)
    : loop_(loop), findWindow_(std::move(findWindow)), check_(std::move(check)) {}

std::int32_t ScreenLock::verify(Hwnd handle) {
    SdlFormWindow* window = findWindow_(handle);
    if (window == nullptr) return 0;
    const std::string user = currentUser();
    TextRenderer text;
    std::array<char, 256> typed{};
    std::size_t length = 0;
    std::string message;
    std::int32_t answer = 0;
    bool done = false;
    bool dirty = true;
    Uint64 lastTyping = SDL_GetTicks64();
    Uint64 lastDrawn = 0;
    Surface picture;

    auto draw = [&] {
        picture = promptPicture(text, user, characters(typed.data(), length), message);
        window->setOverlay(&picture);
        window->Refresh();
        lastDrawn = SDL_GetTicks64();
        dirty = false;
    };
    // Input belongs to the prompt while it is open.
    auto onEvent = [&](const SDL_Event& event) -> bool {
        switch (event.type) {
            case SDL_QUIT: {
                SDL_Event again = event;  // the scene ends after the prompt
                SDL_PushEvent(&again);
                done = true;
                return true;
            }
            case SDL_TEXTINPUT: {
                SDL_Event copy = event;
                const std::size_t n = strnlen(copy.text.text, sizeof copy.text.text);
                if (length + n < typed.size()) {
                    memcpy(typed.data() + length, copy.text.text, n);
                    length += n;
                }
                explicit_bzero(copy.text.text, sizeof copy.text.text);
                lastTyping = SDL_GetTicks64();
                dirty = true;
                return true;
            }
            case SDL_KEYDOWN:
                lastTyping = SDL_GetTicks64();
                dirty = true;
                if (event.key.keysym.sym == SDLK_ESCAPE) {
                    done = true;
                } else if (event.key.keysym.sym == SDLK_BACKSPACE) {
                    while (length > 0 && (static_cast<unsigned char>(typed[length - 1]) & 0xC0) == 0x80) typed[--length] = 0;
                    if (length > 0) typed[--length] = 0;
                } else if (event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER) {
                    message = "Checking...";
                    draw();
                    typed[length] = '\0';
                    const PamResult result = check_(user, typed.data());
                    explicit_bzero(typed.data(), typed.size());
                    length = 0;
                    if (result == PamResult::Refused) {
                        message = "Wrong password";
                    } else {
                        if (result == PamResult::Unavailable) {
                            std::fputs("lumaris: passwords cannot be checked here (PAM); the screensaver ends\n",
                                       stderr);
                        }
                        answer = 1;
                        done = true;
                    }
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
    draw();
    loop_.setInterceptor(onEvent);
    // The prompt is drawn again at most every 50 ms, however fast keys come.
    loop_.RunModal([&] {
        if (SDL_GetTicks64() - lastTyping > kPromptIdleSeconds * 1000ull) done = true;
        if (!done && dirty && SDL_GetTicks64() - lastDrawn >= 50) draw();
        return done;
    });
    loop_.setInterceptor({});
    explicit_bzero(typed.data(), typed.size());
    SDL_StopTextInput();
    window->setOverlay(nullptr);
    window->Refresh();
    return answer;
}

}  // namespace lumaris::linux_backend
