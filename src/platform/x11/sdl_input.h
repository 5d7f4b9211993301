// SDL's input events in the forms' terms (runtime/form.h, FormInput).
#pragma once

#include <SDL.h>

#include <cstdint>

#include "runtime/form.h"

namespace lumaris::x11 {

// The key code a form's key handler receives: letters and digits as their
// upper-case characters, a few named keys with their usual codes, 0 for
// the rest (which every handler treats as "any other key").
std::int16_t keyCode(SDL_Keycode key);
// 1 Shift, 2 Ctrl, 4 Alt.
std::int16_t shiftState(std::uint16_t mod);
// 1 left, 2 right, 4 middle; others 0.
std::int16_t buttonCode(std::uint8_t button);
std::int16_t buttonMask(std::uint32_t sdlState);

// Hands one event to a form's input; events of other kinds are ignored.
// Pointer positions reach the form in its logical pixels: those of a window
// at scale k divided by k.
void deliver(const SDL_Event& event, FormInput& input, int scale = 1);

}  // namespace lumaris::x11
