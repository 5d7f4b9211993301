#include "platform/linux/screen_lock.h"

#include <SDL.h>
#include <string.h>
#include <sys/mman.h>

#include <array>
#include <cstdio>

#include "platform/linux/event_loop.h"
#include "platform/linux/sdl_window.h"

namespace lumaris::linux_backend {

namespace {

constexpr int kPanelWidth = 460, kPanelHeight = 170;

// The prompt: a dark panel with a frame and three lines of text, drawn at
// `scale` times its size (text set k times as large, never enlarged).
Surface promptPicture(TextRenderer& text, const std::string& user, std::size_t typed, const std::string& message,
                      int scale) {
    const int width = kPanelWidth * scale, height = kPanelHeight * scale;
    Surface panel("prompt", width, height, 0xF6101830);
    panel.clear();
    for (int edge = 0; edge < scale; ++edge) {
        for (int x = 0; x < width; ++x) {
            panel.setPixel(x, edge, 0xFFD6B460);
            panel.setPixel(x, height - 1 - edge, 0xFFD6B460);
        }
        for (int y = 0; y < height; ++y) {
            panel.setPixel(edge, y, 0xFFD6B460);
            panel.setPixel(width - 1 - edge, y, 0xFFD6B460);
        }
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
        const Surface* pixels = text.render(l.line, l.color, 18 * scale);
        if (pixels != nullptr) blendArgb(panel, *pixels, 24 * scale, l.top * scale);
    }
    return panel;
}

// The typed answer: locked into memory (never written to swap) and wiped
// when it goes, with room for any reasonable password.
class Secret {
public:
    static constexpr std::size_t kCapacity = 4096;  // bytes, the closing NUL included
    Secret() {
        void* page = mmap(nullptr, kCapacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (page != MAP_FAILED) {
            data_ = static_cast<char*>(page);
            mlock(data_, kCapacity);  // best effort: a low memory-lock limit leaves it unlocked
        }
    }
    ~Secret() {
        if (data_ == nullptr) return;
        explicit_bzero(data_, kCapacity);
        munlock(data_, kCapacity);
        munmap(data_, kCapacity);
    }
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    // False when the text did not fit (nothing of it is taken).
    bool append(const char* text, std::size_t n) {
        if (data_ == nullptr || length_ + n >= kCapacity) return false;
        memcpy(data_ + length_, text, n);
        length_ += n;
        data_[length_] = '\0';
        return true;
    }
    // Removes the last character (all bytes of a multi-byte one).
    void backspace() {
        while (length_ > 0 && (static_cast<unsigned char>(data_[length_ - 1]) & 0xC0) == 0x80) data_[--length_] = 0;
        if (length_ > 0) data_[--length_] = 0;
    }
    void wipe() {
        if (data_ != nullptr) explicit_bzero(data_, kCapacity);
        length_ = 0;
    }
    const char* text() const { return data_ != nullptr ? data_ : ""; }
    std::size_t length() const { return length_; }

private:
    char* data_ = nullptr;
    std::size_t length_ = 0;
};

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
    Secret typed;
    bool cut = false;
    std::string message;
    std::int32_t answer = 0;
    bool done = false;
    bool dirty = true;
    Uint64 lastTyping = SDL_GetTicks64();
    Uint64 lastDrawn = 0;
    Surface picture;

    auto draw = [&] {
        picture = promptPicture(text, user, characters(typed.text(), typed.length()),
                                cut ? "Too long: the rest was not taken" : message, window->promptScale());
        window->setOverlay(&picture);
        window->Refresh();
        lastDrawn = SDL_GetTicks64();
        dirty = false;
    };
    // Input belongs to the prompt while it is open.
    auto onEvent = [&](const SDL_Event& event) -> bool {
        switch (event.type) {
            case SDL_QUIT: {
                // A signal or the session's end: the scene ends after the
                // prompt.
                SDL_Event again = event;
                SDL_PushEvent(&again);
                done = true;
                return true;
            }
            case SDL_TEXTINPUT: {
                SDL_Event copy = event;
                const std::size_t n = strnlen(copy.text.text, sizeof copy.text.text);
                if (!typed.append(copy.text.text, n)) cut = true;
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
                    typed.backspace();
                    cut = false;
                } else if (event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER) {
                    message = "Checking...";
                    cut = false;
                    draw();
                    const PamResult result = check_(user, typed.text());
                    typed.wipe();
                    // Only a verified password opens the screen.
                    if (result == PamResult::Verified) {
                        answer = 1;
                        done = true;
                    } else if (result == PamResult::Refused) {
                        message = "Wrong password";
                    } else {
                        message = "The password cannot be checked now";
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
    typed.wipe();
    SDL_StopTextInput();
    window->setOverlay(nullptr);
    window->Refresh();
    return answer;
}

}  // namespace lumaris::linux_backend
