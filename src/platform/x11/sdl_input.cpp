#include "platform/x11/sdl_input.h"

#include "runtime/scale.h"

namespace lumaris::x11 {

std::int16_t keyCode(SDL_Keycode key) {
    if (key >= 'a' && key <= 'z') return static_cast<std::int16_t>(key - 'a' + 'A');
    if (key >= '0' && key <= '9') return static_cast<std::int16_t>(key);
    switch (key) {
        case SDLK_BACKSPACE: return 8;
        case SDLK_TAB: return 9;
        case SDLK_RETURN: return 13;
        case SDLK_LSHIFT: case SDLK_RSHIFT: return 16;
        case SDLK_LCTRL: case SDLK_RCTRL: return 17;
        case SDLK_LALT: case SDLK_RALT: return 18;
        case SDLK_ESCAPE: return 27;
        case SDLK_SPACE: return 32;
        case SDLK_LEFT: return 37;
        case SDLK_UP: return 38;
        case SDLK_RIGHT: return 39;
        case SDLK_DOWN: return 40;
        default: return 0;
    }
}

std::int16_t shiftState(std::uint16_t mod) {
    return static_cast<std::int16_t>(((mod & KMOD_SHIFT) != 0 ? 1 : 0) | ((mod & KMOD_CTRL) != 0 ? 2 : 0) |
                                     ((mod & KMOD_ALT) != 0 ? 4 : 0));
}

std::int16_t buttonCode(std::uint8_t button) {
    switch (button) {
        case SDL_BUTTON_LEFT: return 1;
        case SDL_BUTTON_RIGHT: return 2;
        case SDL_BUTTON_MIDDLE: return 4;
        default: return 0;
    }
}

std::int16_t buttonMask(std::uint32_t state) {
    return static_cast<std::int16_t>(((state & SDL_BUTTON_LMASK) != 0 ? 1 : 0) |
                                     ((state & SDL_BUTTON_RMASK) != 0 ? 2 : 0) |
                                     ((state & SDL_BUTTON_MMASK) != 0 ? 4 : 0));
}

namespace {
float logical(int position, int scale) { return static_cast<float>(floorDiv(position, scale)); }
}  // namespace

void deliver(const SDL_Event& event, FormInput& input, int scale) {
    scale = scale < 1 ? 1 : scale;
    switch (event.type) {
        case SDL_QUIT:  // the session, SIGTERM or SIGINT
            input.Terminate();
            break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) input.CloseRequest();
            if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) input.LostFocus();
            break;
        case SDL_KEYDOWN:
            input.KeyDown(keyCode(event.key.keysym.sym), shiftState(event.key.keysym.mod));
            break;
        case SDL_MOUSEBUTTONDOWN:
            input.MouseDown(buttonCode(event.button.button), shiftState(static_cast<std::uint16_t>(SDL_GetModState())),
                            logical(event.button.x, scale), logical(event.button.y, scale));
            break;
        case SDL_MOUSEBUTTONUP:
            input.MouseUp();
            break;
        case SDL_MOUSEMOTION:
            input.MouseMove(buttonMask(event.motion.state), shiftState(static_cast<std::uint16_t>(SDL_GetModState())),
                            logical(event.motion.x, scale), logical(event.motion.y, scale));
            break;
        default:
            break;
    }
}

}  // namespace lumaris::x11
